// The store's smoothing spline (Reinsch 1967, "Smoothing by spline functions", Numer. Math. 10;
// solved by penalized_cubic_spline.h): the sorted points, the line that scales the smoothing, the
// pieces and their goodness of fit, through the code the merged spline shares (spline_curve.h).

#include <algorithm>
#include <cfenv>
#include <cmath>
#include <cstddef>
#include <memory>
#include <span>
#include <vector>

#include "base/float_check.h"
#include "base/huge_pages.h"
#include "fit/kovix_errors.h"
#include "fit/numeric_kernels.h"
#include "fit/penalized_cubic_spline.h"
#include "fit/points_by_x.h"
#include "fit/rovav_aza.h"
#include "fit/spline_curve.h"
#include "fit/spline_statistics.h"

namespace {

// The store's arrays hold the sorted points and the pieces from index 1.
std::span<const double> Knots(const std::vector<double>& v, int n) {
  return std::span<const double>(v).subspan(1, static_cast<std::size_t>(n));
}

}  // namespace

double TRovavAza::SmoothSplineValue(double x, double& FitQual, bool& valid) {
  if (!spline_valid_) CalcSmoothSpline();
  const int n = num_points_;
  const double result = SplineValue({Knots(spline_xs_, n), Knots(spline_a_, n), Knots(spline_b_, n),
                                     Knots(spline_c_, n), Knots(spline_d_, n)},
                                    x, valid);
  FitQual = spline_fit_quality_;
  return result;
}

SplineStatistics TRovavAza::SmoothSplineStatistics() {
  if (!spline_valid_) CalcSmoothSpline();
  if (!spline_work_.p_known || !(spline_work_.last_p > 0)) {
    throw EKovixMath2Error("SmoothSplineStatistics: the spline has no smoothing parameter");
  }
  const int n = num_points_;
  // The solver's rows serve as the statistics' scratch: the solver reads nothing of them from
  // one call to the next.
  return SmoothingSplineStatistics(Knots(spline_xs_, n), Knots(spline_ys_, n),
                                   Knots(spline_weights_, n), spline_work_.last_p,
                                   spline_work_.rows);
}

void TRovavAza::CalcSmoothSpline() {
  // Stays false unless everything below succeeds, so a failure is retried next time.
  spline_valid_ = false;
  const int n = num_points_;

  FloatCheck check;
  // A new factor alone changes only S: the sorted points and what depends on them alone stay,
  // and the solver is told that its data are those of the last call.
  const bool same_points = spline_sorted_;
  if (!same_points) PrepareSmoothSpline();
  std::vector<double>& xs = spline_xs_;
  std::vector<double>& ys = spline_ys_;

  spline_work_.same_data = same_points;
  SolveSplinePieces(1, n, xs, ys, spline_weights_,
                    UncheckedDouble(spline_line_residual_ * static_cast<Ext>(smoothing_factor_)),
                    spline_a_, spline_b_, spline_c_, spline_d_, spline_work_);
  const double q = SplineResidualSum(Knots(xs, n), Knots(ys, n), Knots(spline_a_, n));
  spline_fit_quality_ = SplineGoodnessOfFit(spline_spread_, q);
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

  for (std::size_t s = 1; s <= count; ++s) {
    spline_x_->SetElem(static_cast<int>(s), xs[s]);
    spline_y_->SetElem(static_cast<int>(s), ys[s]);
  }
  LineResidualAndSpread(Knots(xs, num_points_), Knots(ys, num_points_), k, d, MeanY(),
                        spline_line_residual_, spline_spread_);
  // Kept only when sound: a sum that overflowed raises its error at the end of this computation
  // and again at the next.
  spline_sorted_ = !std::fetestexcept(FE_INVALID | FE_DIVBYZERO | FE_OVERFLOW);
}

double TRovavAza::MeanY() const {
  if (num_points_ == 0) return 0.0;
  return UncheckedDouble(sums_.SumY / num_points_);
}
