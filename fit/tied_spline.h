#pragma once

#include <memory>
#include <span>
#include <vector>

#include "fit/penalized_cubic_spline.h"
#include "fit/spline_statistics.h"

// The smoothing spline of the store's criterion for points that may repeat x: each group of equal
// x becomes one knot with the mean y and weight = its count (dy = 1/√count). With L the residual
// sum of the least-squares line of ALL points (as the store computes it) and W the within-group sum
// of squares Σ (y − group mean)², the bound on the knots' weighted residual sum is factor·L − W;
// where that is ≤ 0, the interpolating spline of the means. Without repeated x it is the store's
// spline.
//
// Why it is the same criterion: for any g, Σ over the points of (y − g(x))² = Σ over the groups of
// count·(mean − g(x))² + W, so bounding the first by factor·L bounds the knots' weighted sum by
// factor·L − W, and the smoothest g under either bound is the same spline. Its p is the one of
// the penalized criterion over the original points, Σ (y − g(x))² + p·∫ g''²/2.
//
// Without repeated x every step is the store's (TRovavAza::SmoothSplineValue on a fresh store
// holding the same points in the same order): the same line fit, sums in the same order, the
// same solver with dy = 1 and the same evaluation, so values and fit quality agree bit for bit.
// The store itself keeps refusing repeated x.
//
// Everything is computed by the constructor except the statistics. Statistics() and
// BandVarianceFactor() use scratch space of the object (and the latter keeps the statistics it
// computed on its first call): like the store, one object is not for concurrent calls of those.
class MergedSmoothingSpline {
 public:
  // The points in any order. Throws EKovixMath2Error for x and y of different lengths or fewer
  // than two distinct x; EInvalidOp for a NaN (x, y or factor) and the floating-point errors of
  // the store's line fit for other non-finite values; EMathError where the arithmetic overflows.
  MergedSmoothingSpline(std::span<const double> x, std::span<const double> y, double factor);
  ~MergedSmoothingSpline();
  MergedSmoothingSpline(MergedSmoothingSpline&&) noexcept;
  MergedSmoothingSpline& operator=(MergedSmoothingSpline&&) noexcept;

  int Groups() const;        // knots
  int MergedGroups() const;  // groups of two or more points
  int NumPoints() const;     // the original points
  // The number of points of group g (0 ≤ g < Groups()), knots ascending.
  int Count(int g) const;
  // The group whose knot is x exactly, or −1.
  int GroupOf(double x) const;
  std::span<const double> Knots() const;  // ascending
  std::span<const double> Means() const;  // the mean y of each group

  // As TRovavAza::SmoothSplineValue: valid false and 0 outside the knots; a NaN x raises
  // EInvalidOp, a value beyond the double range EOverflow.
  double Value(double x, bool& valid) const;
  // As the store defines it, over the ORIGINAL points: (spread − RSS)/spread with the spread
  // Σ (y − mean)², clamped to [0, 1]; with all y equal (spread 0) the RSS itself.
  double FitQuality() const;

  // The quantities of the criterion: L, W, the bound factor·L − W the knots' weighted residual
  // sum was solved for (0 where it is not positive), and the residual sum over the original
  // points, Σ (y − ĝ(x))².
  double LineResidual() const;
  double WithinGroupSum() const;
  double KnotTarget() const;
  double ResidualSum() const;
  // The spline's smoothing parameter p; 0 where it has none (it interpolates the means, or the
  // solver mended its result by combining two parameters; see PenalizedSplineWork::p_known).
  double SmoothingParameter() const;

  // The statistics counting the original points: trace (= tr of the merged smoother, which is
  // the trace of the n × n smoother of the original points), residual_sum over the original
  // points (weighted merged RSS + W), sigma2 = RSS/(n − tr A), gcv = n·RSS/(n − tr A)² with n the
  // number of original points; fitted, leverage, knots and covariance per knot, the leverage
  // A_gg of the merged smoother (weight = count). The leverage of each ORIGINAL point in group g
  // is A_gg / Count(g) (PointLeverage). Without repeated x these are exactly the store's
  // statistics. Throws EKovixMath2Error where the spline has no smoothing parameter (see
  // SmoothingParameter) or has fewer than three knots.
  SplineStatistics Statistics() const;
  // The leverage of each original point of group g, from statistics of this spline.
  double PointLeverage(const SplineStatistics& stats, int g) const;
  // Var(g(x)|y)/σ² for a unit-weight point, any x within the knots (see ::BandVarianceFactor):
  // at the knot of group g it is A_gg / Count(g). The statistics are computed on the first call
  // and kept. Throws as Statistics() and ::BandVarianceFactor.
  double BandVarianceFactor(double x) const;

 private:
  struct State;
  std::unique_ptr<State> state_;
};
