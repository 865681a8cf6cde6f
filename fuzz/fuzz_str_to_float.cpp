// Text to number under the "." and "," separators: what is accepted follows the grammar, the
// value is std::from_chars's, and a number too large for long double is refused.
#include <fuzzer/FuzzedDataProvider.h>

#include <cfloat>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <string>
#include <system_error>

#include "fuzz/fuzz_check.h"
#include "platform/locale.h"

namespace {

bool IsDigit(char c) {
  return c >= '0' && c <= '9';
}

struct Parsed {
  bool matches = false;
  std::string plain;           // sign, digits, "." and exponent, as from_chars reads them
  long long decimalPower = 0;  // the power of ten of the first significant digit, saturated
  bool allZero = true;
};

// The grammar, written out independently: blanks, sign, digits with at most one separator and
// at least one digit, an optional exponent with at least one digit, blanks, nothing else.
Parsed Grammar(const std::string& t, char separator) {
  Parsed p;
  std::size_t i = 0;
  const std::size_t n = t.size();
  while (i < n && t[i] == ' ') ++i;
  if (i < n && t[i] == '-') p.plain += '-';
  if (i < n && (t[i] == '+' || t[i] == '-')) ++i;
  int digits = 0;
  long long integerDigits = 0;  // digits before the separator, from the first significant one
  long long leadingFractionZeros = 0;
  bool inFraction = false;
  for (; i < n; ++i) {
    if (IsDigit(t[i])) {
      ++digits;
      if (t[i] != '0') p.allZero = false;
      if (!inFraction && !p.allZero) ++integerDigits;
      if (inFraction && p.allZero) ++leadingFractionZeros;
      p.plain += t[i];
    } else if (t[i] == separator && !inFraction) {
      inFraction = true;
      p.plain += '.';
    } else {
      break;
    }
  }
  if (digits == 0) return p;
  long long exponent = 0;
  if (i < n && (t[i] == 'e' || t[i] == 'E')) {
    p.plain += 'e';
    ++i;
    bool negative = false;
    if (i < n && (t[i] == '+' || t[i] == '-')) {
      negative = t[i] == '-';
      p.plain += t[i++];
    }
    int expDigits = 0;
    for (; i < n && IsDigit(t[i]); ++i, ++expDigits) {
      p.plain += t[i];
      if (exponent < 1000000000LL) exponent = exponent * 10 + (t[i] - '0');
    }
    if (expDigits == 0) return p;
    if (negative) exponent = -exponent;
  }
  while (i < n && t[i] == ' ') ++i;
  if (i != n) return p;
  p.matches = true;
  p.decimalPower = exponent + (integerDigits > 0 ? integerDigits - 1 : -leadingFractionZeros - 1);
  return p;
}

const char kAlphabet[] = " +-0123456789.,eE";

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  FuzzedDataProvider in(data, size);
  const char separator = in.ConsumeBool() ? ',' : '.';
  const bool raw = in.ConsumeBool();
  std::string text = in.ConsumeRemainingBytesAsString();
  // Mostly texts made of the grammar's own characters, so that acceptance is explored.
  if (!raw)
    for (char& c : text) c = kAlphabet[static_cast<unsigned char>(c) % (sizeof kAlphabet - 1)];

  const std::string what = "separator '" + std::string(1, separator) + "' text \"" + text + "\"";
  long double value = 12345;
  const bool accepted = platform::TryStrToFloat(text, separator, value);
  const Parsed p = Grammar(text, separator);

  bool threw = false;
  try {
    (void)platform::StrToFloat(text, separator);
  } catch (const platform::EConvertError& e) {
    threw = true;
    // what() is a C string: a NUL byte in the text ends it there.
    const std::string message = "'" + text + "' ist kein gültiger Gleitkommawert";
    FUZZ_CHECK(e.what() == message.substr(0, message.find('\0')), what);
  }
  FUZZ_CHECK(threw == !accepted, what);

  if (!p.matches) {
    FUZZ_CHECK(!accepted, what);
    FUZZ_CHECK(value == 12345, what + ": a refused text changed the value");
    return 0;
  }
  long double expected = 0;
  const char* first = p.plain.data();
  const char* last = first + p.plain.size();
  const auto [ptr, ec] = std::from_chars(first, last, expected);
  if (ec == std::errc::result_out_of_range) {
    // Out of range either way: too large is refused, too small reads as zero or a tiny value.
    const bool overflow = !p.allZero && p.decimalPower > 0;
    FUZZ_CHECK(accepted == !overflow, what);
    if (accepted) FUZZ_CHECK(std::fabs(value) <= LDBL_MIN, what);
    return 0;
  }
  FUZZ_CHECK(ec == std::errc() && ptr == last, what + ": from_chars refused \"" + p.plain + "\"");
  FUZZ_CHECK(accepted, what);
  FUZZ_CHECK(value == expected && std::signbit(value) == std::signbit(expected), what);
  return 0;
}
