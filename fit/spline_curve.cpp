#include "fit/spline_curve.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <span>

#include "base/float_check.h"
#include "fit/numeric_kernels.h"
#include "fit/penalized_cubic_spline.h"

void LineResidualAndSpread(std::span<const double> xs, std::span<const double> ys, double k,
                           double d, double mean, double& line_residual, double& spread) {
  double rss = 0.0;
  double total = 0.0;
  for (std::size_t j = 0; j < xs.size(); ++j) {
    // Unchecked: the caller tests the flags once for the whole computation.
    rss = UncheckedDouble(rss + Square(ys[j] - static_cast<Ext>(k) * xs[j] - d));
    total = UncheckedDouble(total + Square(static_cast<Ext>(ys[j]) - mean));
  }
  line_residual = rss;
  spread = total;
}

void SolveSplinePieces(int n1, int n2, std::span<const double> x, std::span<const double> y,
                       std::span<const double> dy, double S, std::span<double> a,
                       std::span<double> b, std::span<double> c, std::span<double> d,
                       PenalizedSplineWork& work) {
  PenalizedCubicSpline(n1, n2, x, y, dy, S, a, b, c, d, work);
  const std::size_t last = static_cast<std::size_t>(n2);
  b[last] = 0.0;
  d[last] = 0.0;
}

double SplineValue(const SplinePieces& spline, double x, bool& valid) {
  // A NaN lies in no range: comparing it with the knots is an invalid operation.
  if (std::isnan(x)) throw EInvalidOp();
  valid = false;
  const std::span<const double> knots = spline.knots;
  const int n = static_cast<int>(knots.size());
  if (x < knots.front() || x > knots.back()) return 0.0;
  valid = true;
  // The last knot not above x. The knots increase strictly, so this is the piece a search down
  // from the last knot finds.
  int lo = 0;
  int hi = n - 1;
  while (lo < hi) {
    const int mid = lo + (hi - lo + 1) / 2;
    if (knots[static_cast<std::size_t>(mid)] > x) {
      hi = mid - 1;
    } else {
      lo = mid;
    }
  }
  const std::size_t i = static_cast<std::size_t>(lo);
  // Unchecked: the value itself is tested below.
  const Ext t = UncheckedDouble(x - static_cast<Ext>(knots[i]));
  const double result =
      UncheckedDouble(((spline.d[i] * t + spline.c[i]) * t + spline.b[i]) * t + spline.a[i]);
  // The coefficients are finite, and the extended range holds the polynomial: only rounding t or
  // the value to double can leave the range, between knots that are themselves in it. Checked on
  // the value, cheaper than the status flags on a path taken 201 times a redraw.
  if (!std::isfinite(result)) {
    ClearFloatFlags();
    throw EOverflow();
  }
  return result;
}

double SplineResidualSum(std::span<const double> xs, std::span<const double> ys,
                         std::span<const double> values) {
  CompensatedSum<double> sum;
  std::size_t g = 0;
  for (std::size_t j = 0; j < xs.size(); ++j) {
    if (j > 0 && xs[j] != xs[j - 1]) ++g;
    const double r = ys[j] - values[g];
    sum.Add(r * r);
  }
  return sum.Value();
}

double SplineGoodnessOfFit(double spread, double residual) {
  if (spread == 0) return residual;
  // On badly conditioned knots (x values a hair apart) the solver can leave a residual above the
  // spread; a quality below 0 would claim less than nothing, so it reads as 0.
  return std::clamp(UncheckedDouble((static_cast<Ext>(spread) - residual) / spread), 0.0, 1.0);
}
