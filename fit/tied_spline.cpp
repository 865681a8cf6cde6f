// The smoothing spline for repeated x: each group of equal x becomes one knot with its mean and
// weight (Reinsch 1967, "Smoothing by spline functions", Numer. Math. 10, with weights; the
// merging as in Green and Silverman 1994, "Nonparametric Regression and Generalized Linear
// Models", §3.5). Evaluation and goodness of fit are the store's own (spline_curve.h).

#include "fit/tied_spline.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <limits>
#include <memory>
#include <span>
#include <utility>
#include <vector>

#include "base/data_point.h"
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

constexpr const char* kTooFew = "MergedSmoothingSpline: at least two distinct x-values are needed";

}  // namespace

struct MergedSmoothingSpline::State {
  int points = 0;
  int merged_groups = 0;
  std::vector<double> knots, means, dy;
  std::vector<int> counts;
  // The pieces as the store keeps them: for the piece from knot i, a + b·t + c·t² + d·t³.
  std::vector<double> a, b, c, d;
  double line_residual = 0;  // L
  Ext within = 0;            // W
  double target = 0;         // the solver's S
  double residual = 0;       // Σ (y − ĝ(x))² over the original points
  double quality = 0;
  double p = 0;
  // The solver's scratch; its rows serve the statistics too.
  PenalizedSplineWork work;
  std::unique_ptr<SplineStatistics> statistics;  // kept for BandVarianceFactor
};

MergedSmoothingSpline::~MergedSmoothingSpline() = default;
MergedSmoothingSpline::MergedSmoothingSpline(MergedSmoothingSpline&&) noexcept = default;
MergedSmoothingSpline& MergedSmoothingSpline::operator=(MergedSmoothingSpline&&) noexcept = default;

MergedSmoothingSpline::MergedSmoothingSpline(std::span<const double> x, std::span<const double> y,
                                             double factor)
    : state_(std::make_unique<State>()) {
  State& s = *state_;
  if (x.size() != y.size()) {
    throw EKovixMath2Error("MergedSmoothingSpline: x and y must have the same length");
  }
  if (std::isnan(factor)) throw EInvalidOp();
  if (x.size() < 2) throw EKovixMath2Error(kTooFew);
  if (x.size() > static_cast<std::size_t>(std::numeric_limits<int>::max())) {
    throw EKovixMath2Error("MergedSmoothingSpline: too many points");
  }
  const std::size_t n = x.size();
  s.points = static_cast<int>(n);

  // The least-squares line of all points by the store itself, which also refuses NaN and
  // infinity (before the sort, which compares only numbers). All x equal gives k = d = 0 there;
  // the grouping below refuses it.
  double k = 0, d = 0;
  {
    std::vector<DataPoint> points(n);
    for (std::size_t i = 0; i < n; ++i) points[i] = {x[i], y[i]};
    TRovavAza store;
    store.AddPoints(points);
    double line_quality = 0;
    store.CalcLinFit(k, d, line_quality);
  }
  // The store's mean y: its running sum in input order, in extended precision.
  Ext sum_y = 0;
  for (double v : y) sum_y += v;

  FloatCheck check;
  const double mean = UncheckedDouble(sum_y / static_cast<Ext>(n));

  // The points in ascending x, equal x in their given order, as the store sorts them.
  std::vector<double> xs, ys, k1, v1, k2, v2;
  for (std::vector<double>* v : {&xs, &ys, &k1, &v1, &k2, &v2}) ResizeOnHugePages(*v, n);
  SortPointsByX(x, y, xs, ys, k1, v1, k2, v2);
  k1 = {};
  v1 = {};
  k2 = {};
  v2 = {};

  // The line's residual and the spread, term by term as the store sums them; the groups.
  double rss = 0.0;
  double total = 0.0;
  LineResidualAndSpread(xs, ys, k, d, mean, rss, total);
  std::size_t groups = 1;
  for (std::size_t j = 1; j < n; ++j) groups += xs[j] != xs[j - 1];
  if (groups < 2) throw EKovixMath2Error(kTooFew);
  for (std::vector<double>* v : {&s.knots, &s.means, &s.dy, &s.a, &s.b, &s.c, &s.d}) {
    ResizeOnHugePages(*v, groups);
  }
  s.counts.resize(groups);
  Ext within = 0;
  std::size_t g = 0;
  for (std::size_t j = 0; j < n; ++g) {
    std::size_t end = j + 1;
    while (end < n && xs[end] == xs[j]) ++end;
    const std::size_t count = end - j;
    s.knots[g] = xs[j];
    s.counts[g] = static_cast<int>(count);
    if (count == 1) {
      s.means[g] = ys[j];
      s.dy[g] = 1.0;
    } else {
      Ext sum = 0;
      for (std::size_t i = j; i < end; ++i) sum += ys[i];
      const Ext group_mean = sum / static_cast<Ext>(count);
      for (std::size_t i = j; i < end; ++i) within += Square(ys[i] - group_mean);
      s.means[g] = UncheckedDouble(group_mean);
      s.dy[g] = UncheckedDouble(1 / std::sqrt(static_cast<Ext>(count)));
      ++s.merged_groups;
    }
    j = end;
  }
  s.line_residual = rss;
  s.within = within;

  // The store's S, less W. Without groups W is 0 and the bound is the store's, bit for bit.
  const Ext target = rss * static_cast<Ext>(factor) - within;
  s.target = target > 0 ? UncheckedDouble(target) : 0.0;
  const int last = static_cast<int>(groups) - 1;
  SolveSplinePieces(0, last, s.knots, s.means, s.dy, s.target, s.a, s.b, s.c, s.d, s.work);
  s.p = s.work.p_known && s.work.last_p > 0 ? s.work.last_p : 0.0;
  // Over the original points, as the store's.
  s.residual = SplineResidualSum(xs, ys, s.a);
  s.quality = SplineGoodnessOfFit(total, s.residual);
  check.Check();
}

int MergedSmoothingSpline::Groups() const {
  return static_cast<int>(state_->knots.size());
}

int MergedSmoothingSpline::MergedGroups() const {
  return state_->merged_groups;
}

int MergedSmoothingSpline::NumPoints() const {
  return state_->points;
}

int MergedSmoothingSpline::Count(int g) const {
  return state_->counts.at(static_cast<std::size_t>(g));
}

int MergedSmoothingSpline::GroupOf(double x) const {
  const std::vector<double>& knots = state_->knots;
  const auto at = std::lower_bound(knots.begin(), knots.end(), x);
  if (at == knots.end() || !(*at == x)) return -1;
  return static_cast<int>(at - knots.begin());
}

std::span<const double> MergedSmoothingSpline::Knots() const {
  return state_->knots;
}

std::span<const double> MergedSmoothingSpline::Means() const {
  return state_->means;
}

double MergedSmoothingSpline::Value(double x, bool& valid) const {
  const State& s = *state_;
  return SplineValue({s.knots, s.a, s.b, s.c, s.d}, x, valid);
}

double MergedSmoothingSpline::FitQuality() const {
  return state_->quality;
}

double MergedSmoothingSpline::LineResidual() const {
  return state_->line_residual;
}

double MergedSmoothingSpline::WithinGroupSum() const {
  return UncheckedDouble(state_->within);
}

double MergedSmoothingSpline::KnotTarget() const {
  return state_->target;
}

double MergedSmoothingSpline::ResidualSum() const {
  return state_->residual;
}

double MergedSmoothingSpline::SmoothingParameter() const {
  return state_->p;
}

SplineStatistics MergedSmoothingSpline::Statistics() const {
  State& s = *state_;
  if (!(s.p > 0)) {
    throw EKovixMath2Error("MergedSmoothingSpline: the spline has no smoothing parameter");
  }
  SplineStatistics stats = SmoothingSplineStatistics(s.knots, s.means, s.dy, s.p, s.work.rows);
  if (s.merged_groups == 0) return stats;
  // Counting the original points: their residual sum is the knots' weighted one plus W, and
  // their smoother's trace is the merged one's.
  FloatCheck check;
  const Ext rss = static_cast<Ext>(stats.residual_sum) + s.within;
  const Ext n = s.points;
  const Ext spare = n - static_cast<Ext>(stats.trace);
  stats.residual_sum = StoredDouble(rss);
  stats.sigma2 = StoredDouble(rss / spare);
  stats.gcv = StoredDouble(n * rss / (spare * spare));
  check.Check();
  return stats;
}

double MergedSmoothingSpline::PointLeverage(const SplineStatistics& stats, int g) const {
  return stats.leverage.at(static_cast<std::size_t>(g)) / Count(g);
}

double MergedSmoothingSpline::BandVarianceFactor(double x) const {
  State& s = *state_;
  if (!s.statistics) s.statistics = std::make_unique<SplineStatistics>(Statistics());
  return ::BandVarianceFactor(*s.statistics, s.knots, x);
}
