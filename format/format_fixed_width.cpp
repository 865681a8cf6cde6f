#include "format/format_fixed_width.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <vector>

namespace {

constexpr int kMaxWidth = 255;
constexpr int kMaxDecimals = 216;
constexpr int kExponentMode = -2;
// Digits of one generation: the overflow digit and 18 more.
constexpr int kGenDigits = 19;
// Largest power of ten below the extended range; tinier values take more than one scaling step.
constexpr int kMaxPow10 = 4931;
// 5^27 < 2^64, so every power up to 10^27 is exact in a 64-bit mantissa.
constexpr int kExactPow10 = 27;

constexpr std::array<long double, kExactPow10 + 1> MakeExactPowers() {
  std::array<long double, kExactPow10 + 1> p{};
  p[0] = 1.0L;
  for (int k = 1; k <= kExactPow10; ++k) p[k] = p[k - 1] * 10.0L;
  return p;
}
constexpr std::array<long double, kExactPow10 + 1> kExactPowers = MakeExactPowers();

// 10^k for every k up to kMaxPow10, each correctly rounded to the extended format: 5^k is
// carried exactly in a big integer and rounded once to 64 bits (it never ends in an exact
// half, being odd and either short enough to be exact or at least 66 bits long).
std::vector<long double> MakeLargePowers() {
  std::vector<long double> table(kMaxPow10 + 1);
  std::vector<std::uint32_t> five{1};  // little-endian words of 5^k
  auto bit = [&five](long long i) { return (five[i / 32] >> (i % 32)) & 1U; };
  for (int k = 0; k <= kMaxPow10; ++k) {
    if (k > 0) {
      std::uint64_t carry = 0;
      for (auto& w : five) {
        const std::uint64_t prod = std::uint64_t{w} * 5U + carry;
        w = static_cast<std::uint32_t>(prod);
        carry = prod >> 32;
      }
      if (carry != 0) five.push_back(static_cast<std::uint32_t>(carry));
    }
    const long long bits =
        32LL * static_cast<long long>(five.size() - 1) + std::bit_width(five.back());
    std::uint64_t mant = 0;
    long long shift = 0;
    if (bits <= 64) {
      for (long long i = bits - 1; i >= 0; --i) mant = (mant << 1) | bit(i);
    } else {
      shift = bits - 64;
      for (long long i = bits - 1; i >= shift; --i) mant = (mant << 1) | bit(i);
      const bool half = bit(shift - 1) != 0;
      bool sticky = false;
      for (long long i = 0; i < shift - 1 && !sticky; ++i) sticky = bit(i) != 0;
      if (half && (sticky || (mant & 1U) != 0)) {
        ++mant;
        if (mant == 0) {
          mant = std::uint64_t{1} << 63;
          ++shift;
        }
      }
    }
    table[k] = std::ldexp(static_cast<long double>(mant), static_cast<int>(shift) + k);
  }
  return table;
}

long double Pow10(int k) {
  if (k <= kExactPow10) return kExactPowers[k];
  static const std::vector<long double> large = MakeLargePowers();
  return large[k];
}

// Binary exponent e2 of a finite non-zero value: a = f * 2^e2 with 1 <= f < 2.
int BinaryExponent(long double a) {
  return std::ilogb(a);
}

// Scales a > 0 into [1, 16): returns m with a = m * 10^e.
long double ScaleToUnitRange(long double a, int& e) {
  long double m = a;
  e = 0;
  for (;;) {
    // 19728 / 65536 is log10(2) in 16-bit fixed point; the shift floors negative products too.
    const int k = (BinaryExponent(m) * 19728) >> 16;
    if (k == 0) return m;
    if (k > 0) {
      m /= Pow10(k);
      e += k;
    } else {
      const int up = std::min(-k, kMaxPow10);
      m *= Pow10(up);
      e -= up;
    }
  }
}

// The overflow digit and 18 further digits of round(m * 10^17), for 0 <= m < 16.
void GenerateDigits(long double m, char* out) {
  const long double scaled = m * Pow10(17);
  std::uint64_t n = static_cast<std::uint64_t>(std::llrint(scaled));
  constexpr std::uint64_t kTen18 = 1000000000000000000ULL;
  out[0] = '0';
  if (n >= kTen18) {
    out[0] = '1';
    n -= kTen18;
  }
  for (int i = kGenDigits - 1; i >= 1; --i) {
    out[i] = static_cast<char>('0' + n % 10);
    n /= 10;
  }
}

// Keeps n digits after the overflow digit: out gets the overflow digit and n digits, the last
// one rounded half up from the generated digits (a carry may turn the overflow digit into "1").
void KeepDigits(const char* gen, int n, char* out) {
  if (n >= kGenDigits - 1) {
    std::memcpy(out, gen, kGenDigits);
    std::memset(out + kGenDigits, '0', static_cast<std::size_t>(n + 1 - kGenDigits));
    return;
  }
  std::memcpy(out, gen, static_cast<std::size_t>(n + 1));
  if (gen[n + 1] >= '5') {
    int i = n;
    while (out[i] == '9') out[i--] = '0';
    ++out[i];
  }
}

void AppendPadded(std::string& text, const char* body, std::size_t len, int width) {
  if (static_cast<int>(len) < width) text.append(static_cast<std::size_t>(width) - len, ' ');
  text.append(body, len);
}

bool SpecialText(long double value, const char*& text) {
  if (std::isnan(value)) {
    text = "Nan";
  } else if (std::isinf(value)) {
    text = value > 0 ? "+Inf" : "-Inf";
  } else {
    return false;
  }
  return true;
}

// Exponent form with s significant digits and a four-digit exponent, right-justified to width.
void AppendExponentForm(std::string& text, int width, long double value) {
  const char* special = nullptr;
  if (SpecialText(value, special)) {
    AppendPadded(text, special, std::strlen(special), width);
    return;
  }
  const int s = std::clamp(width - 8, 2, 18);
  const long double a = std::fabs(value);
  char gen[kGenDigits];
  int e = 0;
  if (a == 0) {
    std::memset(gen, '0', kGenDigits);
  } else {
    GenerateDigits(ScaleToUnitRange(a, e), gen);
  }
  // A leading "1" is itself a shown digit: keep one digit fewer after it, so the rounding
  // happens at the last digit shown.
  char kept[kGenDigits + 1];
  KeepDigits(gen, gen[0] == '1' ? s - 1 : s, kept);
  const char* digits = kept + 1;
  if (kept[0] == '1') {
    digits = kept;
    ++e;
  }
  char body[32];
  char* p = body;
  *p++ = std::signbit(value) ? '-' : ' ';
  *p++ = digits[0];
  *p++ = '.';
  std::memcpy(p, digits + 1, static_cast<std::size_t>(s - 1));
  p += s - 1;
  *p++ = 'E';
  *p++ = e < 0 ? '-' : '+';
  int ae = e < 0 ? -e : e;
  for (int i = 3; i >= 0; --i) {
    p[i] = static_cast<char>('0' + ae % 10);
    ae /= 10;
  }
  p += 4;
  AppendPadded(text, body, static_cast<std::size_t>(p - body), width);
}

void AppendFixedForm(std::string& text, int width, int decimals, long double value) {
  const char* special = nullptr;
  if (SpecialText(value, special)) {
    AppendPadded(text, special, std::strlen(special), width);
    return;
  }
  const long double a = std::fabs(value);
  char gen[kGenDigits];
  int e = 0;
  if (a == 0) {
    std::memset(gen, '0', kGenDigits);
  } else {
    const long double m = a >= 10 ? ScaleToUnitRange(a, e) : a;
    // 2^120 and above: a fixed text would claim more digits than were generated.
    if (e > 35) {
      AppendExponentForm(text, width, value);
      return;
    }
    GenerateDigits(m, gen);
  }
  const int n = e + 1 + decimals;
  char kept[1 + 36 + kMaxDecimals + 1];
  KeepDigits(gen, n, kept);
  const char* digits = kept[0] == '1' ? kept : kept + 1;
  const int intDigits = kept[0] == '1' ? e + 2 : e + 1;

  char body[2 + 37 + kMaxDecimals + 1];
  char* p = body;
  if (std::signbit(value)) *p++ = '-';
  std::memcpy(p, digits, static_cast<std::size_t>(intDigits));
  p += intDigits;
  if (decimals > 0) {
    *p++ = '.';
    std::memcpy(p, digits + intDigits, static_cast<std::size_t>(decimals));
    p += decimals;
  }
  AppendPadded(text, body, static_cast<std::size_t>(p - body), width);
}

// Two-digit exponent: drops the two leading exponent digits when they are zero; a larger
// exponent does not fit, and the whole field shows asterisks instead.
void ShortenExponent(std::string& text) {
  const std::size_t e = text.find('E');
  const std::size_t p = e == std::string::npos ? 0 : e + 1;  // counted from 1, 0 when absent
  if (text.size() != p + 5) return;
  const bool zeros = text[p + 1] == '0' && text[p + 2] == '0';
  text.erase(p + 1, 2);
  if (!zeros) std::fill(text.begin(), text.end(), '*');
}

void ApplyZeroFill(std::string& text) {
  std::size_t blanks = 0;
  while (blanks < text.size() && text[blanks] == ' ') text[blanks++] = '0';
  if (blanks > 0 && blanks < text.size() && text[blanks] == '-') {
    text[blanks] = '0';
    text[0] = '-';
  }
}

}  // namespace

std::string FormatFixedWidth(int width, int decimals, long double value) {
  const bool zeroFill = width < 0;
  const int w =
      static_cast<int>(std::min<long long>(std::llabs(static_cast<long long>(width)), kMaxWidth));
  std::string text;
  if (decimals >= 0) {
    AppendFixedForm(text, w, std::min(decimals, kMaxDecimals), value);
  } else if (decimals == kExponentMode) {
    AppendExponentForm(text, w + 2, value);
    ShortenExponent(text);
  } else {
    AppendExponentForm(text, w, value);
  }
  if (zeroFill) ApplyZeroFill(text);
  return text;
}
