#include "io/number_field.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cmath>
#include <cstdlib>
#include <string>

namespace {

constexpr std::string_view kMinusSign = "\xE2\x88\x92";  // U+2212 in UTF-8

bool IsWord(std::string_view s, std::string_view word) {
  return s.size() == word.size() &&
         std::equal(s.begin(), s.end(), word.begin(),
                    [](char a, char b) { return std::tolower(static_cast<unsigned char>(a)) == b; });
}

// A copy with "," as ".", NUL-terminated for strtod; the stack holds every ordinary number.
class PointCopy {
 public:
  explicit PointCopy(std::string_view s) {
    char* out = s.size() < sizeof small_ ? small_ : (large_.assign(s.size() + 1, '\0'), large_.data());
    for (std::size_t i = 0; i < s.size(); ++i) out[i] = s[i] == ',' ? '.' : s[i];
    out[s.size()] = '\0';
    data_ = out;
    size_ = s.size();
  }
  const char* begin() const { return data_; }
  const char* end() const { return data_ + size_; }

 private:
  char small_[64];
  std::string large_;
  const char* data_ = nullptr;
  std::size_t size_ = 0;
};

}  // namespace

FieldStatus ParseNumberField(std::string_view field, bool acceptComma, double& value) {
  bool negative = false;
  if (field.starts_with('+') || field.starts_with('-')) {
    negative = field[0] == '-';
    field.remove_prefix(1);
  } else if (field.starts_with(kMinusSign)) {
    negative = true;
    field.remove_prefix(kMinusSign.size());
  }
  if (field.empty()) return FieldStatus::kNotANumber;
  if (IsWord(field, "nan") || IsWord(field, "inf") || IsWord(field, "infinity"))
    return FieldStatus::kNotFinite;
  // from_chars would read "inf", "nan" and hex digits after the sign; only digits or the point
  // may start a number here.
  const char first = field[0];
  const bool comma = acceptComma && field.find(',') != std::string_view::npos;
  if (!std::isdigit(static_cast<unsigned char>(first)) && first != '.' && !(comma && first == ','))
    return FieldStatus::kNotANumber;
  // One decimal mark: with a comma standing for the point, a point as well is no number.
  if (comma && field.find('.') != std::string_view::npos) return FieldStatus::kNotANumber;

  double v = 0;
  std::from_chars_result result;
  PointCopy copy(comma ? field : std::string_view());
  const char* begin = comma ? copy.begin() : field.data();
  const char* end = comma ? copy.end() : field.data() + field.size();
  result = std::from_chars(begin, end, v, std::chars_format::general);
  if (result.ptr != end) return FieldStatus::kNotANumber;
  if (result.ec == std::errc::result_out_of_range) {
    // Too large or too small: strtod tells which, and gives the nearest double of a tiny one.
    const PointCopy terminated(std::string_view(begin, std::size_t(end - begin)));
    v = std::strtod(terminated.begin(), nullptr);
    if (std::isinf(v)) return FieldStatus::kTooLarge;
  } else if (result.ec != std::errc()) {
    return FieldStatus::kNotANumber;
  }
  value = negative ? -v : v;
  return FieldStatus::kNumber;
}
