// FormatFixedWidth over all widths, decimals and extended-precision values: the field width,
// the zero fill and the value the text reads back as.
#include <fuzzer/FuzzedDataProvider.h>

#include <algorithm>
#include <cfloat>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "format/format_fixed_width.h"
#include "fuzz/fuzz_check.h"

namespace {

using LD = long double;

std::string Describe(int width, int decimals, LD value, const std::string& text) {
  char buf[160];
  std::snprintf(buf, sizeof buf, "width %d decimals %d value %.21Lg", width, decimals, value);
  return std::string(buf) + " -> \"" + text + "\"";
}

// Any valid encoding of the 80-bit format (NaNs, infinities, subnormals and the whole extended
// range; the integer bit set exactly when the exponent is not 0, as no arithmetic produces
// unnormals or pseudo-denormals) or a value from a few interesting families.
LD PickValue(FuzzedDataProvider& in) {
  switch (in.ConsumeIntegralInRange(0, 4)) {
    case 0: {
      LD v = 0;
      auto mantissa = in.ConsumeIntegral<std::uint64_t>();
      const auto exponent = in.ConsumeIntegral<std::uint16_t>();
      constexpr std::uint64_t kIntegerBit = std::uint64_t{1} << 63;
      mantissa = (exponent & 0x7fff) != 0 ? mantissa | kIntegerBit : mantissa & ~kIntegerBit;
      std::memcpy(&v, &mantissa, 8);
      std::memcpy(reinterpret_cast<char*>(&v) + 8, &exponent, 2);
      return v;
    }
    case 1:
      return in.ConsumeFloatingPoint<double>();
    case 2: {  // halves and near-halves at the rounding digit
      const LD base = in.ConsumeIntegralInRange<std::int64_t>(-1000000, 1000000);
      const int shift = in.ConsumeIntegralInRange(0, 20);
      return (base + 0.5L) / std::pow(10.0L, shift) *
             (1 + in.ConsumeIntegralInRange(-3, 3) * LDBL_EPSILON);
    }
    case 3:
      return std::ldexp(LD(in.ConsumeIntegral<std::uint64_t>() | 1),
                        in.ConsumeIntegralInRange(-16500, 16400)) *
             (in.ConsumeBool() ? -1 : 1);
    default:
      return std::pow(10.0L, in.ConsumeIntegralInRange(-4960, 4940)) * (in.ConsumeBool() ? -1 : 1);
  }
}

int PickWidth(FuzzedDataProvider& in) {
  return in.ConsumeBool() ? in.ConsumeIntegralInRange(-40, 40) : in.ConsumeIntegral<int>();
}

int PickDecimals(FuzzedDataProvider& in) {
  return in.ConsumeBool() ? in.ConsumeIntegralInRange(-3, 30) : in.ConsumeIntegral<int>();
}

// The zero fill as a rule on the blank-filled text.
std::string ZeroFilled(std::string text) {
  std::size_t blanks = 0;
  while (blanks < text.size() && text[blanks] == ' ') ++blanks;
  if (blanks == 0) return text;
  std::fill_n(text.begin(), blanks, '0');
  if (blanks < text.size() && text[blanks] == '-') {
    text[blanks] = '0';
    text[0] = '-';
  }
  return text;
}

// Reads the text back and checks it against the value within the rounding the form states:
// 18 significant digits first, then half a unit of the last written digit.
void CheckReadBack(int width, int decimals, LD value, const std::string& text) {
  const std::string what = Describe(width, decimals, value, text);
  const std::size_t start = text.find_first_not_of(' ');
  FUZZ_CHECK(start != std::string::npos, what);
  const std::string body = text.substr(start);
  if (std::isnan(value)) {
    FUZZ_CHECK(body == "Nan", what);
    return;
  }
  if (std::isinf(value)) {
    FUZZ_CHECK(body == (value > 0 ? "+Inf" : "-Inf"), what);
    return;
  }
  FUZZ_CHECK(text.find_first_not_of(" -+.0123456789E") == std::string::npos, what);
  const bool negative = std::signbit(value);
  FUZZ_CHECK((body[0] == '-') == negative, what);
  char* end = nullptr;
  const LD read = std::strtold(body.c_str(), &end);
  FUZZ_CHECK(end == body.c_str() + body.size(), what);
  const std::size_t e = body.find('E');
  LD unit;  // the value of one in the last written digit
  if (e == std::string::npos) {
    FUZZ_CHECK(decimals >= 0, what);
    const int d = std::min(decimals, 216);
    const std::size_t point = body.find('.');
    FUZZ_CHECK(d == 0 ? point == std::string::npos
                      : point != std::string::npos && body.size() - point - 1 == std::size_t(d),
               what);
    unit = std::pow(10.0L, -d);
  } else {
    const int exponent = std::atoi(body.c_str() + e + 1);
    const std::size_t point = body.find('.');
    FUZZ_CHECK(point != std::string::npos && point < e, what);
    const int digits = int(e - point - 1);
    FUZZ_CHECK(digits >= 1 && digits <= 17, what);
    FUZZ_CHECK(e + 2 < body.size() && (body[e + 1] == '+' || body[e + 1] == '-'), what);
    unit = std::pow(10.0L, LD(exponent - digits));
    // The leading digit is never 0 except for the value 0.
    FUZZ_CHECK(value == 0 || body[negative ? 1 : 0] != '0', what);
  }
  const LD a = std::fabs(value);
  // Half a unit of the last digit, plus the first rounding: to 18 significant digits, or in the
  // fixed form below 10 (which is not scaled) to 17 decimals, plus the read-back's own rounding.
  const LD firstRounding = e == std::string::npos && a < 10 ? 5.01e-18L : a * 1e-17L;
  const LD tolerance =
      0.5L * unit * (1 + 1e-15L) + firstRounding + std::fabs(read) * LDBL_EPSILON + LDBL_TRUE_MIN;
  const LD error = std::fabs(std::fabs(read) - a);
  FUZZ_CHECK(error <= tolerance || std::isinf(read), what);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  FuzzedDataProvider in(data, size);
  const int width = PickWidth(in);
  const int decimals = PickDecimals(in);
  const LD value = PickValue(in);

  const int field = width == INT32_MIN ? 255 : std::min(std::abs(width), 255);
  const std::string text = FormatFixedWidth(width, decimals, value);
  const std::string what = Describe(width, decimals, value, text);
  FUZZ_CHECK(text == FormatFixedWidth(width, decimals, value), what);

  // The field width: at least |width| (at most 255), never padded beyond it.
  FUZZ_CHECK(int(text.size()) >= field, what);
  const std::string blankFilled = width > 0 ? text : FormatFixedWidth(field, decimals, value);
  // Longer than the field: no padding at all (a blank is at most the sign of an exponent form).
  // The two-digit exponent form pads NaN and the infinities to |width| + 2 before its fix-up,
  // which leaves them so: they are exempt.
  const bool paddedWider = decimals == -2 && !std::isfinite(value);
  if (int(blankFilled.size()) > field && !paddedWider)
    FUZZ_CHECK(blankFilled.size() < 2 || blankFilled[0] != ' ' || blankFilled[1] != ' ', what);
  if (decimals == -2 && field >= 8 && field <= 24 && !paddedWider)
    FUZZ_CHECK(int(text.size()) == field, what);

  // The zero fill is the blank-filled text with its leading blanks turned into zeros.
  if (width < 0 && width != INT32_MIN) {
    FUZZ_CHECK(text == ZeroFilled(FormatFixedWidth(-width, decimals, value)),
               what + " vs \"" + FormatFixedWidth(-width, decimals, value) + "\"");
  }

  if (decimals == -2) {
    // Two-digit exponents: a larger exponent turns the whole field into asterisks.
    if (text.find_first_not_of('*') == std::string::npos) {
      const LD a = std::fabs(value);
      FUZZ_CHECK(std::isnan(value) || std::isinf(value) || a >= 9.4e99L || (a > 0 && a < 1.1e-99L),
                 what);
      return 0;
    }
    if (!std::isfinite(value)) return 0;
    const std::size_t e = blankFilled.find('E');
    FUZZ_CHECK(e != std::string::npos && blankFilled.size() == e + 4, what);
    // The same text with a four-digit exponent reads back like the raw exponent form.
    CheckReadBack(width, decimals, value,
                  blankFilled.substr(0, e + 2) + "00" + blankFilled.substr(e + 2));
    return 0;
  }
  CheckReadBack(width, decimals, value, blankFilled);
  return 0;
}
