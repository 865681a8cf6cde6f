#include "scale/num_lab_text.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "format/format_fixed_width.h"
#include "scale/calendar.h"

namespace {

// The label's texts are UTF-8 strings, as the canvas reads them; a single 8-bit degree byte
// would not be a valid character there.
constexpr const char* kDegreeSign = "\xC2\xB0";

// Significant decimal digits of a finite a > 0: a = 0.d1d2... * 10^(Exponent + 1), i.e. the
// first digit stands before the point and Exponent is the power of ten of that digit.
struct DecimalDigits {
  std::string Digits;
  int Exponent = 0;
};

// The digits come from the fixed-width formatter's 18-digit string so that every text of the
// label rounds the same way: a half in the last kept digit goes away from zero.
DecimalDigits SignificantDigits(long double a, int count) {
  const std::string raw = FormatFixedWidth(26, -1, a);  // " d.ddddddddddddddddddE+eeee"
  const auto ePos = raw.find('E');
  DecimalDigits result;
  for (std::size_t i = 0; i < ePos; ++i) {
    if (raw[i] >= '0' && raw[i] <= '9') result.Digits += raw[i];
  }
  result.Exponent = std::atoi(raw.c_str() + ePos + 1);
  if (count < static_cast<int>(result.Digits.size())) {
    const bool roundUp = result.Digits[count] >= '5';
    result.Digits.resize(count);
    if (roundUp) {
      int i = count - 1;
      while (i >= 0 && result.Digits[i] == '9') result.Digits[i--] = '0';
      if (i >= 0) {
        ++result.Digits[i];
      } else {
        result.Digits.insert(result.Digits.begin(), '1');
        result.Digits.pop_back();
        ++result.Exponent;
      }
    }
  }
  return result;
}

std::string NonFiniteText(double v) {
  if (std::isnan(v)) return "Nan";
  return v > 0 ? "+Inf" : "-Inf";
}

std::string ExponentSuffix(int exponent) {
  std::string digits = std::to_string(std::abs(exponent));
  if (digits.size() < 3) digits.insert(0, 3 - digits.size(), '0');
  return std::string("E") + (exponent < 0 ? "-" : "+") + digits;
}

void StripTrailingZeros(std::string& text) {
  if (text.find('.') == std::string::npos) return;
  while (text.back() == '0') text.pop_back();
  if (text.back() == '.') text.pop_back();
}

// Shortest of fixed-point and exponent form with `digits` significant digits.
std::string GeneralText(double v, int digits) {
  if (!std::isfinite(v)) return NonFiniteText(v);
  if (v == 0) return "0";
  const DecimalDigits d = SignificantDigits(std::fabs(static_cast<long double>(v)), digits);
  const int e = d.Exponent;
  std::string text;
  if (e + 1 <= digits && e >= -5) {
    if (e >= 0) {
      text = d.Digits.substr(0, e + 1) + "." + d.Digits.substr(e + 1);
    } else {
      text = "0." + std::string(-e - 1, '0') + d.Digits;
    }
    StripTrailingZeros(text);
  } else {
    std::string mantissa = d.Digits.substr(0, 1) + "." + d.Digits.substr(1);
    StripTrailingZeros(mantissa);
    text = mantissa + ExponentSuffix(e);
  }
  return (v < 0 ? "-" : "") + text;
}

std::string ExponentText(double v, int digits) {
  if (!std::isfinite(v)) return NonFiniteText(v);
  DecimalDigits d;
  if (v == 0) {
    d.Digits.assign(digits, '0');
  } else {
    d = SignificantDigits(std::fabs(static_cast<long double>(v)), digits);
  }
  std::string text = d.Digits.substr(0, 1);
  if (digits > 1) text += "." + d.Digits.substr(1);
  return (v < 0 ? "-" : "") + text + ExponentSuffix(d.Exponent);
}

// Integers shown by the label round halves to even (the FPU's default rounding mode).
std::int64_t RoundToInteger(double v) {
  return static_cast<std::int64_t>(std::nearbyint(v));
}

bool InUnsigned32Range(double v) {
  return v >= -2147483648.0 && v <= 4294967295.0;
}

// The low `count` digits in base 2^bits of the rounded value, two's complement for negatives.
std::string LowDigits(double v, int count, int bits, bool upperHex) {
  const auto u = static_cast<std::uint64_t>(RoundToInteger(v));
  const char* symbols = upperHex ? "0123456789ABCDEF" : "01234567";
  std::string text;
  for (int i = count - 1; i >= 0; --i) {
    const int shift = i * bits;
    text += shift < 64 ? symbols[(u >> shift) & ((1u << bits) - 1)] : '0';
  }
  return text;
}

std::string ZeroIntText(double v, int minDigits) {
  const std::int64_t r = RoundToInteger(v);
  // The magnitude in unsigned arithmetic, so that -2^63 has one too.
  const auto magnitude = r < 0 ? 0 - static_cast<std::uint64_t>(r) : static_cast<std::uint64_t>(r);
  std::string digits = std::to_string(magnitude);
  if (static_cast<int>(digits.size()) < minDigits) digits.insert(0, minDigits - digits.size(), '0');
  return (r < 0 ? "-" : "") + digits;
}

// Day numbers count from 30 December 1899; the fraction is the time of day, also for negative
// day numbers (-1.25 is 29 December 1899, 06:00).
bool DateTimeText(double v, const std::string& pattern, std::string& text) {
  // 1 January 0001 to 31 December 9999.
  if (!(v > kFirstCalendarDay - 1.0 && v < double(kEndCalendarDay))) return false;
  long long day = static_cast<long long>(std::trunc(v));
  long long ms = std::llround(std::fabs(v - static_cast<double>(day)) * 86400000.0);
  if (ms >= 86400000) {
    ms -= 86400000;
    ++day;
  }
  const CivilDate date = DateOfDay(day);
  const int secondsOfDay = static_cast<int>(ms / 1000);
  text.clear();
  for (std::size_t i = 0; i < pattern.size();) {
    auto at = [&](const char* token) { return pattern.compare(i, std::strlen(token), token) == 0; };
    if (at("yyyy")) {
      text += FourDigitYear(date.Year);
      i += 4;
    } else if (at("mmm")) {
      text += ShortMonthName(date.Month);
      i += 3;
    } else if (at("mm")) {
      text += TwoDigits(date.Month);
      i += 2;
    } else if (at("dd")) {
      text += TwoDigits(date.Day);
      i += 2;
    } else if (at("hh")) {
      text += TwoDigits(secondsOfDay / 3600);
      i += 2;
    } else if (at("nn")) {
      text += TwoDigits(secondsOfDay / 60 % 60);
      i += 2;
    } else if (at("ss")) {
      text += TwoDigits(secondsOfDay % 60);
      i += 2;
    } else {
      text += pattern[i++];
    }
  }
  return true;
}

long double SnapToInteger(long double x) {
  const long double r = std::round(x);
  return std::fabs(x - r) < 3e-12L ? r : x;
}

// Rounds x to `decimals` decimals, halves away from zero on either side of zero. A result of
// zero is a positive zero, so that an angle that rounds to nothing carries no minus sign.
long double RoundAngle(long double x, long double scale) {
  const long double scaled = x * scale;
  long double r = scaled >= 0 ? std::trunc(scaled + 0.5L) : -std::trunc(-scaled + 0.5L);
  if (r == 0) r = 0;
  return r / scale;
}

std::string FractionField(long double x, int decimals) {
  return FormatFixedWidth(decimals + 3, decimals, x);
}

std::string DegMinText(double v, int a) {
  const long double scale = std::pow(10.0L, a);
  const long double d = SnapToInteger(RoundAngle(static_cast<long double>(v) * 60, scale) / 60);
  const long double whole = std::trunc(std::fabs(d));
  return FormatFixedWidth(1, 0, std::trunc(d)) + kDegreeSign + " " +
         FractionField((std::fabs(d) - whole) * 60, a) + "'";
}

std::string DegMinSecText(double v, int a) {
  const long double scale = std::pow(10.0L, a);
  const long double d = SnapToInteger(RoundAngle(static_cast<long double>(v) * 3600, scale) / 3600);
  const long double g = SnapToInteger((std::fabs(d) - std::trunc(std::fabs(d))) * 60);
  const long double minutes = std::trunc(g);
  return FormatFixedWidth(1, 0, std::trunc(d)) + kDegreeSign + " " +
         FormatFixedWidth(2, 0, minutes) + "' " + FractionField((g - minutes) * 60, a) + "\"";
}

void ReplaceAll(std::string& text, char from, char to) {
  std::replace(text.begin(), text.end(), from, to);
}

}  // namespace

std::string EngineeringText(double value, int k) {
  k = std::clamp(k, -9, 9);
  const int b = std::abs(k) >= 2 ? std::abs(k) - 1 : 0;
  if (value == 0) return FormatFixedWidth(1, b, 0.0L);
  if (!std::isfinite(value)) return FormatFixedWidth(1, b, value);
  const long double a = std::fabs(static_cast<long double>(value));
  const long double lg = std::log10(a);
  const int e10 = static_cast<int>(std::floor(lg));
  const int e3 = std::clamp(static_cast<int>(std::floor(lg / 3)), -6, 4);
  const int decimals = std::max(0, b - (e10 - 3 * e3));
  // Exact powers of ten, so the mantissa is rounded once.
  const long double mantissa = e3 >= 0 ? a / std::pow(10.0L, 3 * e3) : a * std::pow(10.0L, -3 * e3);
  std::string text = FormatFixedWidth(1, decimals, mantissa);
  if (e3 != 0) {
    const char prefix = "afpnum kMGT"[e3 + 6];
    const auto point = text.find('.');
    if (k <= -2 && point != std::string::npos) {
      text[point] = prefix;
    } else {
      text += prefix;
    }
  }
  return (value < 0 ? "-" : "") + text;
}

std::string NumLabValueText(double v, const NumLabTextSettings& s) {
  const int p = std::clamp(s.Precision, 0, 15);
  std::string text;
  switch (s.DisplayType) {
    // A number needs at least one digit, so no digits asked means one.
    case dtFloat:
      text = GeneralText(v, std::max(p, 1));
      break;
    case dtFixP:
      text = FormatFixedWidth(1, p, v);
      break;
    case dtExp:
      text = ExponentText(v, std::max(p, 1));
      break;
    case dtHex:
      return InUnsigned32Range(v) ? LowDigits(v, std::min(p, 8), 4, true) : s.OverflowIndicator;
    case dtZeroInt:
      if (!(v >= -2147483648.0 && v <= 2147483647.0)) return s.OverflowIndicator;
      text = ZeroIntText(v, p);
      break;
    case dtInt:
      // Beyond 64 bits there is no integer to show.
      if (!(v >= -9223372036854775808.0 && v < 9223372036854775808.0)) return s.OverflowIndicator;
      text = ZeroIntText(v, 0);
      break;
    case dtDateTime:
      return DateTimeText(v, s.DTFormat, text) ? text : s.OverflowIndicator;
    case dtState:
      return s.StateText;
    case dtBin:
      return InUnsigned32Range(v) ? LowDigits(v, std::min(p, 32), 1, false) : s.OverflowIndicator;
    case dtOct:
      if (!InUnsigned32Range(v)) return s.OverflowIndicator;
      text = LowDigits(v, std::min(p, 11), 3, false);
      break;
    case dtDeg:
      text = FormatFixedWidth(1, std::min(p, 8), v) + kDegreeSign;
      break;
    case dtDegMin:
      text = DegMinText(v, std::min(p, 8));
      break;
    case dtDegMinSec:
      text = DegMinSecText(v, std::min(p, 8));
      break;
    case dtEEng:
      text = EngineeringText(v, p);
      break;
    case dtEEngNoDP:
      text = EngineeringText(v, -p);
      break;
  }
  if (s.Comma) {
    ReplaceAll(text, '.', ',');
  } else {
    ReplaceAll(text, ',', '.');
  }
  if (s.ForcePlusSign && v > 0) text.insert(0, "+");
  return text;
}
