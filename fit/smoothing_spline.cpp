#include <algorithm>
#include <cfenv>
#include <cmath>
#include <cstddef>
#include <memory>
#include <span>
#include <vector>

#include "fit/float_check.h"
#include "fit/huge_pages.h"
#include "fit/kovix_errors.h"
#include "fit/penalized_cubic_spline.h"
#include "fit/points_by_x.h"
#include "fit/rovav_aza.h"
#include "fit/spline_statistics.h"

namespace {

using Ext = long double;

double Store(Ext value) {
  return static_cast<double>(value);
}

Ext Square(Ext value) {
  return value * value;
}

}  // namespace

double TRovavAza::SmoothSplineValue(double x, double& FitQual, bool& valid) {
  if (!spline_valid_) CalcSmoothSpline();
  // A NaN lies in no range: comparing it with the knots is an invalid operation.
  if (std::isnan(x)) throw EInvalidOp();
  valid = false;
  double result = 0.0;
  const int n = num_points_;
  const TVector& knots = *spline_x_;
  if (!(x < knots.Elem(1) || x > knots.Elem(n))) {
    valid = true;
    // The last knot not above x. The knots increase strictly, so this is the piece a search
    // down from the last knot finds, in O(log n).
    int lo = 1;
    int hi = n;
    while (lo < hi) {
      const int mid = lo + (hi - lo + 1) / 2;
      if (knots.Elem(mid) > x) {
        hi = mid - 1;
      } else {
        lo = mid;
      }
    }
    const std::size_t i = static_cast<std::size_t>(lo);
    const Ext t = Store(x - static_cast<Ext>(knots.Elem(lo)));
    result = Store(((spline_d_[i] * t + spline_c_[i]) * t + spline_b_[i]) * t + spline_a_[i]);
    // The coefficients are finite, and the extended range holds the polynomial: only rounding
    // t or the value to double can leave the range, between knots that are themselves in it.
    // Checked on the value, cheaper than the status flags on a path taken 201 times a redraw.
    if (!std::isfinite(result)) {
      ClearFloatFlags();
      throw EOverflow();
    }
  }
  FitQual = spline_fit_quality_;
  return result;
}

SplineStatistics TRovavAza::SmoothSplineStatistics() {
  if (!spline_valid_) CalcSmoothSpline();
  if (!spline_work_.p_known || !(spline_work_.last_p > 0)) {
    throw EKovixMath2Error("SmoothSplineStatistics: the spline has no smoothing parameter");
  }
  const std::size_t count = static_cast<std::size_t>(num_points_);
  auto knots = [count](const std::vector<double>& v) {
    return std::span<const double>(v).subspan(1, count);
  };
  // The solver's rows serve as the statistics' scratch: the solver reads nothing of them from
  // one call to the next.
  return SmoothingSplineStatistics(knots(spline_xs_), knots(spline_ys_), knots(spline_weights_),
                                   spline_work_.last_p, spline_work_.rows);
}

void TRovavAza::CalcSmoothSpline() {
  // Stays false unless everything below succeeds, so a failure is retried next time.
  spline_valid_ = false;
  const int n = num_points_;
  const std::size_t count = static_cast<std::size_t>(n);
  const std::size_t size = count + 1;

  FloatCheck check;
  // A new factor alone changes only S: the sorted points and what depends on them alone stay,
  // and the solver is told that its data are those of the last call.
  const bool same_points = spline_sorted_;
  if (!same_points) PrepareSmoothSpline();
  std::vector<double>& xs = spline_xs_;
  std::vector<double>& ys = spline_ys_;

  spline_work_.same_data = same_points;
  PenalizedCubicSpline(1, n, xs, ys, spline_weights_,
                       Store(spline_line_residual_ * static_cast<Ext>(smoothing_factor_)),
                       spline_a_, spline_b_, spline_c_, spline_d_, spline_work_);
  // The last knot has no piece of its own; an evaluation there multiplies these by t = 0, which
  // must not meet a non-finite leftover of an earlier computation.
  spline_b_[size - 1] = 0.0;
  spline_d_[size - 1] = 0.0;

  // The residual sum, compensated: as close to the exact sum of the rounded terms as the running
  // sum in double it replaces, at a fraction of the time.
  double q = 0.0;
  double carry = 0.0;
  for (std::size_t s = 1; s <= count; ++s) {
    const double r = ys[s] - spline_a_[s];
    const double term = r * r - carry;
    const double sum = q + term;
    carry = (sum - q) - term;
    q = sum;
  }
  q -= carry;
  const double total = spline_spread_;
  // With all y equal the spread is 0 and the residual sum stands in for the quality.
  spline_fit_quality_ = total != 0 ? Store((static_cast<Ext>(total) - q) / total) : q;
  // On badly conditioned knots (x values a hair apart) the solver can leave a residual above the
  // spread; a quality below 0 would claim less than nothing, so it reads as 0.
  if (total != 0) spline_fit_quality_ = std::clamp(spline_fit_quality_, 0.0, 1.0);
  check.Check();
  spline_valid_ = true;
}

void TRovavAza::PrepareSmoothSpline() {
  // The straight line's residual is the scale of the smoothing. The line fit also refuses fewer
  // than two points and any NaN or infinity, so the sort below compares only numbers.
  double k = 0.0;
  double d = 0.0;
  double line_fit_qual = 0.0;
  CalcLinFit(k, d, line_fit_qual);

  // The points in ascending x, y in step, from index 1. The order is the only one there is:
  // equal x values are refused by the solver whatever their order. The coefficient arrays, which
  // the solver writes later, hold the sort's scratch.
  const std::size_t count = static_cast<std::size_t>(num_points_);
  const std::size_t size = count + 1;
  std::vector<double>& xs = spline_xs_;
  std::vector<double>& ys = spline_ys_;
  for (std::vector<double>* v : {&xs, &ys, &spline_a_, &spline_b_, &spline_c_, &spline_d_}) {
    ResizeOnHugePages(*v, size);
  }
  auto points = [count](std::vector<double>& v) { return std::span<double>(v).subspan(1, count); };
  SortPointsByX(point_table_.Column(1).first(count), point_table_.Column(2).first(count),
                points(xs), points(ys), points(spline_a_), points(spline_b_), points(spline_c_),
                points(spline_d_));

  if (!spline_x_) spline_x_ = std::make_unique<TVector>();
  if (!spline_y_) spline_y_ = std::make_unique<TVector>();
  spline_x_->SetNrOfElem(num_points_);
  spline_y_->SetNrOfElem(num_points_);
  spline_weights_.assign(size, 1.0);

  const double mean = MeanY();
  double rss = 0.0;
  double total = 0.0;
  for (std::size_t s = 1; s <= count; ++s) {
    const double x = xs[s];
    const double y = ys[s];
    spline_x_->SetElem(static_cast<int>(s), x);
    spline_y_->SetElem(static_cast<int>(s), y);
    rss = Store(rss + Square(y - static_cast<Ext>(k) * x - d));
    total = Store(total + Square(static_cast<Ext>(y) - mean));
  }
  spline_line_residual_ = rss;
  spline_spread_ = total;
  // Kept only when sound: a sum that overflowed raises its error at the end of this computation
  // and again at the next.
  spline_sorted_ = !std::fetestexcept(FE_INVALID | FE_DIVBYZERO | FE_OVERFLOW);
}

double TRovavAza::MeanY() const {
  if (num_points_ == 0) return 0.0;
  return Store(sums_.SumY / num_points_);
}
