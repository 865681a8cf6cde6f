#pragma once

#include <algorithm>
#include <cmath>
#include <limits>
#if defined(__x86_64__)
#include <emmintrin.h>
#endif

// Pixel arithmetic of the chart runs wide and is clamped to int: margins, sizes and positions
// may be anything an int holds.
using Wide = long long;

inline int ClampInt(Wide v) {
  return int(std::clamp<Wide>(v, std::numeric_limits<int>::min(), std::numeric_limits<int>::max()));
}

// Drawn positions are limited to this many pixels either way.
inline constexpr int kDrawLimit = 30000;
inline Wide LimitPixel(Wide v) {
  return std::clamp<Wide>(v, -kDrawLimit, kDrawLimit);
}

// A pixel coordinate from a layer's mapping: NaN (an infinite value on an axis without span) is
// 0, the rest is limited to the int range and rounded in the default mode, halves to even.
inline int ToPixel(long double factor, long double offset, long double v) {
  constexpr long double kPixelMax = 2147483647.0L;
  const long double p = factor * v + offset;
  if (std::isnan(p)) return 0;
  const long double clamped = std::clamp(p, -kPixelMax, kPixelMax);
#if defined(__x86_64__) && defined(__GNUC__)
  // What llrint does, in the current rounding mode, without the library call: with a million
  // marks the call was a tenth of the drawing time.
  long long rounded;
  __asm__("fistpll %0" : "=m"(rounded) : "t"(clamped) : "st");
  return int(rounded);
#else
  return int(std::llrint(clamped));
#endif
}

// ToPixel for x and y at once, in double arithmetic where that provably gives the same pixels:
// the double results lie within a bound of the extended ones, so unless one falls that close to
// a half, both round to the same integers. Map returns false where it cannot tell (a half, NaN,
// beyond the int range); the caller then takes ToPixel. With a million marks it is most of the
// speed of a redraw.
class FastPixels {
 public:
  FastPixels() = default;
  FastPixels(long double factorX, long double offsetX, long double factorY, long double offsetY)
      : fx_(double(factorX)), ox_(double(offsetX)), fy_(double(factorY)), oy_(double(offsetY)) {}

  bool Map(double x, double y, int& px, int& py) const {
    constexpr double kIntRange = 2147483000.0;
    // Rounding of factor and offset to double, of the product, of the sum and of the extended
    // computation itself: each at most half a unit in the last place of a term, doubled.
    constexpr double kRelative = 0x1p-51;
#if defined(__x86_64__)
    const __m128d sign = _mm_set1_pd(-0.0);
    const __m128d v = _mm_set_pd(y, x);
    const __m128d offset = _mm_set_pd(oy_, ox_);
    const __m128d product = _mm_mul_pd(_mm_set_pd(fy_, fx_), v);
    const __m128d p = _mm_add_pd(product, offset);
    const __m128d absP = _mm_andnot_pd(sign, p);
    const __m128d bound = _mm_mul_pd(
        _mm_add_pd(_mm_add_pd(_mm_andnot_pd(sign, product), _mm_andnot_pd(sign, offset)), absP),
        _mm_set1_pd(kRelative));
    // Rounded in the current mode, as llrint.
    const __m128i rounded = _mm_cvtpd_epi32(p);
    const __m128d distance = _mm_andnot_pd(
        sign,
        _mm_sub_pd(_mm_andnot_pd(sign, _mm_sub_pd(p, _mm_cvtepi32_pd(rounded))), _mm_set1_pd(0.5)));
    // NaN fails both comparisons.
    const __m128d ok =
        _mm_and_pd(_mm_cmplt_pd(absP, _mm_set1_pd(kIntRange)), _mm_cmpgt_pd(distance, bound));
    if (_mm_movemask_pd(ok) != 3) return false;
    px = _mm_cvtsi128_si32(rounded);
    py = _mm_cvtsi128_si32(_mm_shuffle_epi32(rounded, 1));
    return true;
#else
    auto one = [&](double f, double o, double v, int& pixel) {
      const double product = f * v;
      const double p = product + o;
      if (!(std::fabs(p) < kIntRange)) return false;
      const double bound = (std::fabs(product) + std::fabs(o) + std::fabs(p)) * kRelative;
      const long long rounded = std::llrint(p);
      if (!(std::fabs(std::fabs(p - double(rounded)) - 0.5) > bound)) return false;
      pixel = int(rounded);
      return true;
    };
    return one(fx_, ox_, x, px) && one(fy_, oy_, y, py);
#endif
  }

 private:
  double fx_ = 0, ox_ = 0, fy_ = 0, oy_ = 0;
};
