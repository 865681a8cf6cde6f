#include "scale/round_range.h"

#include <algorithm>
#include <cmath>

#include "scale/tick_layout.h"

namespace {

using LD = long double;

// v rounded down (or up) to a multiple of step = m·10^e, m in {1, 2, 5}: the multiple is formed
// as an integer times or over a power of ten, so 0.3 comes out as the double nearest 0.3 and
// not as 3 · 0.1 = 0.30000000000000004.
double MultipleOf(double v, double step, bool up) {
  const int e = int(std::floor(std::log10(step) + 1e-9));
  const LD m = std::round(LD(step) / std::pow(10.0L, e));
  // A value that is a multiple already stays: the quotient of two roundings may miss the integer.
  LD units = LD(v) / step;
  if (std::fabs(units - std::round(units)) < 1e-9L * std::max<LD>(1, std::fabs(units)))
    units = std::round(units);
  units = up ? std::ceil(units) : std::floor(units);
  const LD n = units * m;
  return double(e >= 0 ? n * std::pow(10.0L, e) : n / std::pow(10.0L, -e));
}

}  // namespace

AxisRange RoundRangeAround(double low, double high, int minTicks, double minRange) {
  if (!std::isfinite(low) || !std::isfinite(high) || low > high) return {low, high};
  if (!(LD(high) - low >= minRange)) {
    const LD middle = (LD(low) + high) / 2;
    const LD half = std::max<LD>(middle == 0 ? 1 : std::fabs(middle) / 10, minRange);
    low = double(middle - half);
    high = double(middle + half);
  }
  // Rounding outward can select a coarser step; rounding the widened range again settles it, as
  // the range and with it the step only grow.
  AxisRange r{low, high};
  for (int round = 0; round < 8; ++round) {
    const double step = std::fabs(ComputeTickStep(r.Low, r.High, minTicks).Step);
    if (!(step > 0) || !std::isfinite(step)) break;
    const AxisRange next{MultipleOf(r.Low, step, false), MultipleOf(r.High, step, true)};
    if (!std::isfinite(next.Low) || !std::isfinite(next.High)) break;
    if (next.Low == r.Low && next.High == r.High) break;
    r = next;
  }
  return r;
}
