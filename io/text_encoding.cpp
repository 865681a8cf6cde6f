#include "io/text_encoding.h"

#include <cstdint>

namespace {

void AppendUtf8(std::string& out, std::uint32_t c) {
  if (c < 0x80) {
    out += char(c);
  } else if (c < 0x800) {
    out += char(0xC0 | (c >> 6));
    out += char(0x80 | (c & 0x3F));
  } else if (c < 0x10000) {
    out += char(0xE0 | (c >> 12));
    out += char(0x80 | ((c >> 6) & 0x3F));
    out += char(0x80 | (c & 0x3F));
  } else {
    out += char(0xF0 | (c >> 18));
    out += char(0x80 | ((c >> 12) & 0x3F));
    out += char(0x80 | ((c >> 6) & 0x3F));
    out += char(0x80 | (c & 0x3F));
  }
}

constexpr std::uint32_t kReplacement = 0xFFFD;

// The length of the valid UTF-8 sequence at s[i], or 0 where none starts (overlong forms,
// surrogates and values above U+10FFFF are invalid, as the standard has it).
std::size_t ValidSequence(std::string_view s, std::size_t i) {
  const auto byte = [&](std::size_t k) { return static_cast<unsigned char>(s[k]); };
  const unsigned char b = byte(i);
  if (b < 0x80) return 1;
  std::size_t n;
  unsigned char low = 0x80, high = 0xBF;  // the allowed range of the second byte
  if (b >= 0xC2 && b <= 0xDF) {
    n = 2;
  } else if (b >= 0xE0 && b <= 0xEF) {
    n = 3;
    if (b == 0xE0) low = 0xA0;
    if (b == 0xED) high = 0x9F;
  } else if (b >= 0xF0 && b <= 0xF4) {
    n = 4;
    if (b == 0xF0) low = 0x90;
    if (b == 0xF4) high = 0x8F;
  } else {
    return 0;
  }
  if (i + n > s.size()) return 0;
  if (byte(i + 1) < low || byte(i + 1) > high) return 0;
  for (std::size_t k = 2; k < n; ++k)
    if ((byte(i + k) & 0xC0) != 0x80) return 0;
  return n;
}

}  // namespace

std::optional<std::string> Utf16ToUtf8(std::string_view bytes) {
  bool little;
  if (bytes.starts_with("\xFF\xFE"))
    little = true;
  else if (bytes.starts_with("\xFE\xFF"))
    little = false;
  else
    return std::nullopt;
  const auto unit = [&](std::size_t i) -> std::uint32_t {
    const auto a = static_cast<unsigned char>(bytes[i]);
    const auto b = static_cast<unsigned char>(bytes[i + 1]);
    return little ? a | (b << 8) : (a << 8) | b;
  };
  std::string out;
  out.reserve(bytes.size() / 2 + bytes.size() / 8);
  std::size_t i = 2;
  for (; i + 1 < bytes.size(); i += 2) {
    const std::uint32_t u = unit(i);
    if (u >= 0xD800 && u <= 0xDBFF && i + 3 < bytes.size()) {
      const std::uint32_t next = unit(i + 2);
      if (next >= 0xDC00 && next <= 0xDFFF) {
        AppendUtf8(out, 0x10000 + ((u - 0xD800) << 10) + (next - 0xDC00));
        i += 2;
        continue;
      }
    }
    AppendUtf8(out, u >= 0xD800 && u <= 0xDFFF ? kReplacement : u);
  }
  if (i < bytes.size()) AppendUtf8(out, kReplacement);
  return out;
}

void AppendShown(std::string& out, std::string_view text, std::size_t maxCharacters) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  std::size_t characters = 0;
  for (std::size_t i = 0; i < text.size();) {
    if (characters++ == maxCharacters) {
      out += "\xE2\x80\xA6";
      return;
    }
    const std::size_t n = ValidSequence(text, i);
    const auto c = static_cast<unsigned char>(text[i]);
    if (n == 0) {
      out += "\\x";
      out += kHex[c >> 4];
      out += kHex[c & 15];
      ++i;
    } else if (n == 1) {
      out += c < 0x20 || c == 0x7F ? '?' : char(c);
      ++i;
    } else {
      out.append(text.substr(i, n));
      i += n;
    }
  }
}
