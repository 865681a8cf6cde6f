#pragma once

#include <optional>
#include <string>
#include <string_view>

// A spreadsheet's "Unicode text" export is UTF-16 with a byte-order mark (little-endian as a
// rule, big-endian possible). Returns the text as UTF-8 without the mark, or nullopt when the text
// starts with no UTF-16 mark. Unpaired surrogates and an odd last byte become U+FFFD.
std::optional<std::string> Utf16ToUtf8(std::string_view bytes);

// Appends `text` as a message may quote it: valid UTF-8 as it is, every byte of an invalid
// sequence as "\xNN", control characters as "?". At most `maxCharacters` characters (an escaped
// byte counts as one), then "…"; never cuts inside a character.
void AppendShown(std::string& out, std::string_view text, std::size_t maxCharacters);
