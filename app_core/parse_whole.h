#pragma once

#include <charconv>
#include <string_view>
#include <system_error>

// A number of the command line: the whole text must be the number ("3", "0.25"; not "3x", " 3").
template <class T>
bool ParseWhole(std::string_view text, T& value) {
  const char* end = text.data() + text.size();
  const auto [ptr, ec] = std::from_chars(text.data(), end, value);
  return ec == std::errc() && ptr == end;
}
