#include "io/number_field.h"

#include <locale.h>
#include <algorithm>
#include <cctype>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

constexpr std::string_view kMinusSign = "\xE2\x88\x92";  // U+2212 in UTF-8

bool IsWord(std::string_view s, std::string_view word) {
  return s.size() == word.size() &&
         std::equal(s.begin(), s.end(), word.begin(), [](char a, char b) {
           return std::tolower(static_cast<unsigned char>(a)) == b;
         });
}

// A copy with "," as ".", NUL-terminated for strtod; the stack holds every ordinary number.
class PointCopy {
 public:
  explicit PointCopy(std::string_view s) {
    char* out =
        s.size() < sizeof small_ ? small_ : (large_.assign(s.size() + 1, '\0'), large_.data());
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

// Clinger's fast path: a decimal whose digits form an integer m below 2^53 with a power of ten
// 10^e, |e| <= 22, is m * 10^e or m / 10^-e, both operands exact, so the one rounding of that
// operation is the correctly rounded value from_chars gives. Most measured values qualify and
// are read four times as fast. Scans digits, point and exponent from p; returns where the
// number ends, or nullptr when there is none or it does not qualify.
const char* ScanDecimal(const char* p, const char* end, char point, double& value) {
  static constexpr double kPow10[] = {1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,
                                      1e8,  1e9,  1e10, 1e11, 1e12, 1e13, 1e14, 1e15,
                                      1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22};
  constexpr std::uint64_t kExact = std::uint64_t(1) << 53;
  std::uint64_t m = 0;
  int exponent = 0, digits = 0;
  auto digit = [&] { return p < end && *p >= '0' && *p <= '9'; };
  for (; digit(); ++p, ++digits) {
    if (m >= kExact) return nullptr;
    m = m * 10 + std::uint64_t(*p - '0');
  }
  if (p < end && *p == point) {
    for (++p; digit(); ++p, ++digits) {
      if (m >= kExact) return nullptr;
      m = m * 10 + std::uint64_t(*p - '0');
      --exponent;
    }
  }
  if (digits == 0) return nullptr;
  if (p < end && (*p == 'e' || *p == 'E')) {
    ++p;
    bool negative = false;
    if (p < end && (*p == '+' || *p == '-')) negative = *p++ == '-';
    int e = 0, exponentDigits = 0;
    for (; digit(); ++p, ++exponentDigits) {
      if (exponentDigits == 4) return nullptr;
      e = e * 10 + (*p - '0');
    }
    if (exponentDigits == 0) return nullptr;
    exponent += negative ? -e : e;
  }
  if (m > kExact) return nullptr;
  if (m == 0) {
    value = 0;
    return p;
  }
  if (exponent < -22 || exponent > 22) return nullptr;
  value = exponent >= 0 ? double(m) * kPow10[exponent] : double(m) / kPow10[-exponent];
  return p;
}

bool FastDecimal(std::string_view s, char point, double& value) {
  return ScanDecimal(s.data(), s.data() + s.size(), point, value) == s.data() + s.size();
}

// A signed plain number; nullptr where ScanDecimal has none.
const char* ScanSigned(const char* p, const char* end, double& value) {
  bool negative = false;
  if (p < end && (*p == '+' || *p == '-')) negative = *p++ == '-';
  const char* after = ScanDecimal(p, end, '.', value);
  if (after && negative) value = -value;
  return after;
}

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
  if (FastDecimal(field, comma ? ',' : '.', v)) {
    value = negative ? -v : v;
    return FieldStatus::kNumber;
  }
  std::from_chars_result result;
  PointCopy copy(comma ? field : std::string_view());
  const char* begin = comma ? copy.begin() : field.data();
  const char* end = comma ? copy.end() : field.data() + field.size();
  result = std::from_chars(begin, end, v, std::chars_format::general);
  if (result.ptr != end) return FieldStatus::kNotANumber;
  if (result.ec == std::errc::result_out_of_range) {
    // Too large or too small: strtod tells which, and gives the nearest double of a tiny one;
    // in the C locale, as a program's locale may take "," for the point.
    static const locale_t c = newlocale(LC_ALL_MASK, "C", locale_t(0));
    const PointCopy terminated(std::string_view(begin, std::size_t(end - begin)));
    v = strtod_l(terminated.begin(), nullptr, c);
    if (std::isinf(v)) return FieldStatus::kTooLarge;
  } else if (result.ec != std::errc()) {
    return FieldStatus::kNotANumber;
  }
  value = negative ? -v : v;
  return FieldStatus::kNumber;
}

bool IsMissingValue(std::string_view field) {
  if (field.empty() || field == "NA" || field == "N/A" || field == "#N/A") return true;
  if (field.starts_with('+') || field.starts_with('-'))
    field.remove_prefix(1);
  else if (field.starts_with(kMinusSign))
    field.remove_prefix(kMinusSign.size());
  return IsWord(field, "nan");
}

bool ReadPlainLine(std::string_view line, char sep, bool skipFirst, double& x, double& y) {
  const char* p = line.data();
  const char* end = p + line.size();
  auto blanks = [&] {
    while (p < end && (*p == ' ' || (*p == '\t' && sep != '\t'))) ++p;
  };
  auto isSep = [&](char c) { return sep == ' ' ? c == ' ' || c == '\t' : c == sep; };
  // A number, in quotes or not.
  auto number = [&](double& v) {
    const bool quoted = p < end && *p == '"';
    p = ScanSigned(p + quoted, end, v);
    if (!p || !quoted) return p != nullptr;
    if (p == end || *p != '"') return false;
    ++p;
    return true;
  };
  // From the end of a field to the start of the next.
  auto separator = [&] {
    const char* field = p;
    blanks();
    if (sep == ' ') return p != field;
    if (p == end || *p != sep) return false;
    ++p;
    blanks();
    return true;
  };
  blanks();
  if (skipFirst) {
    if (p < end && *p == '"') {
      const void* close = std::memchr(p + 1, '"', std::size_t(end - p - 1));
      if (!close) return false;
      p = static_cast<const char*>(close) + 1;
      if (p < end && *p == '"') return false;  // "" inside: the general way
    } else {
      while (p < end && !isSep(*p)) {
        if (*p == '"') return false;
        ++p;
      }
    }
    if (!separator()) return false;
  }
  if (!number(x)) return false;
  if (!separator()) return false;
  if (!number(y)) return false;
  if (p == end) return true;
  if (sep == ' ') return *p == ' ' || *p == '\t';
  blanks();
  return p == end || *p == sep;
}
