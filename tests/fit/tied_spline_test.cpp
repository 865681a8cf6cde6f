#include "fit/tied_spline.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <map>
#include <random>
#include <string>
#include <utility>
#include <vector>

#include "base/float_check.h"
#include "fit/kovix_errors.h"
#include "fit/rovav_aza.h"
#include "fit/spline_statistics.h"
#include "tests/fit/dense_solve.h"

namespace {

using Ext = long double;
using Dense = DenseMatrix;

struct Points {
  std::string name;
  std::vector<double> x, y;
};

// n points on a noisy sine, in random order. With ties, about two thirds of them on a coarse
// grid of `grid` values over [0, 10) (groups of several points), the rest at random x in the
// middle half of a grid cell, one at most per cell (single points among the groups, none so
// close to another knot that the dense brute force below loses its accuracy).
Points MakePoints(std::size_t n, std::size_t grid, unsigned seed) {
  std::mt19937 gen(seed);
  std::uniform_real_distribution<double> unit(0.0, 1.0);
  Points p;
  p.name = std::to_string(n) +
           (grid ? " points on a grid of " + std::to_string(grid) : " distinct") + " seed " +
           std::to_string(seed);
  std::vector<bool> single(grid, false);
  for (std::size_t i = 0; i < n; ++i) {
    double x = 10 * unit(gen);
    if (grid) {
      const double cell = std::floor(x * grid / 10);
      auto taken = single[static_cast<std::size_t>(cell)];
      const bool on_grid = unit(gen) < 0.67 || taken;
      if (!on_grid) taken = true;
      x = (cell + (on_grid ? 0.0 : 0.25 + 0.5 * unit(gen))) * 10 / grid;
    }
    p.x.push_back(x);
    p.y.push_back(std::sin(x) + 0.4 * (unit(gen) - 0.5));
  }
  return p;
}

// The penalized least squares on the ORIGINAL points, densely: the distinct x as knots, one row
// per point (repeated x give repeated rows), the textbook penalty ∫ g''² = gᵀ·Q·R⁻¹·Qᵀ·g in the
// knots' values g. Minimises Σ (y − g(x))² + p·∫ g''²/2, so (EᵀE + (p/2)·Q·R⁻¹·Qᵀ)·g = Eᵀy.
struct DenseFit {
  std::vector<double> knots;
  std::vector<std::size_t> group;  // of each point
  std::vector<Ext> values;         // ĝ at the knots
  std::vector<Ext> second;         // ĝ'' at the knots
  Dense inverse;                   // (EᵀE + (p/2)·K)⁻¹: the posterior covariance over σ²

  // ĝ(x) between the knots, from the values and second derivatives (Green and Silverman).
  Ext Value(double x) const {
    std::size_t i =
        static_cast<std::size_t>(std::upper_bound(knots.begin(), knots.end(), x) - knots.begin());
    i = std::min(i, knots.size() - 1) - 1;
    const Ext h = static_cast<Ext>(knots[i + 1]) - knots[i];
    const Ext l = x - static_cast<Ext>(knots[i]), r = knots[i + 1] - static_cast<Ext>(x);
    return (l * values[i + 1] + r * values[i]) / h -
           l * r / 6 * ((1 + l / h) * second[i + 1] + (1 + r / h) * second[i]);
  }
};

DenseFit DensePenalized(const Points& pts, double p) {
  DenseFit fit;
  fit.knots = pts.x;
  std::sort(fit.knots.begin(), fit.knots.end());
  fit.knots.erase(std::unique(fit.knots.begin(), fit.knots.end()), fit.knots.end());
  const std::size_t n = fit.knots.size();
  const std::size_t m = n - 2;
  for (double x : pts.x) {
    fit.group.push_back(static_cast<std::size_t>(
        std::lower_bound(fit.knots.begin(), fit.knots.end(), x) - fit.knots.begin()));
  }
  const DensePenalty penalty = RoughnessPenalty(fit.knots);
  const Dense& qt = penalty.second;  // R⁻¹·Qᵀ
  Dense system(n, std::vector<Ext>(n, 0));
  for (std::size_t i = 0; i < n; ++i) {
    for (std::size_t k = 0; k < n; ++k) system[i][k] = static_cast<Ext>(p) / 2 * penalty.k[i][k];
  }
  // The rows of the points, one by one.
  Dense rhs(n, std::vector<Ext>(n + 1, 0));
  for (std::size_t j = 0; j < pts.x.size(); ++j) {
    system[fit.group[j]][fit.group[j]] += 1;
    rhs[fit.group[j]][n] += pts.y[j];
  }
  for (std::size_t i = 0; i < n; ++i) rhs[i][i] = 1;
  SolveDense(system, rhs);
  fit.inverse.assign(n, std::vector<Ext>(n));
  for (std::size_t i = 0; i < n; ++i) {
    fit.values.push_back(rhs[i][n]);
    for (std::size_t k = 0; k < n; ++k) fit.inverse[i][k] = rhs[i][k];
  }
  fit.second.assign(n, 0);
  for (std::size_t j = 0; j < m; ++j) {
    Ext sum = 0;
    for (std::size_t i = 0; i < n; ++i) sum += qt[j][i] * fit.values[i];
    fit.second[j + 1] = sum;
  }
  return fit;
}

// The residual sum of the least-squares line of all points.
Ext LineResidual(const Points& p) {
  const std::size_t n = p.x.size();
  Ext sx = 0, sy = 0;
  for (std::size_t i = 0; i < n; ++i) {
    sx += p.x[i];
    sy += p.y[i];
  }
  Ext sxx = 0, sxy = 0, syy = 0;
  for (std::size_t i = 0; i < n; ++i) {
    const Ext u = p.x[i] - sx / n, v = p.y[i] - sy / n;
    sxx += u * u;
    sxy += u * v;
    syy += v * v;
  }
  return syy - sxy * sxy / sxx;
}

Ext WithinGroups(const Points& p) {
  std::map<double, std::pair<Ext, int>> sums;
  for (std::size_t i = 0; i < p.x.size(); ++i) {
    sums[p.x[i]].first += p.y[i];
    ++sums[p.x[i]].second;
  }
  Ext within = 0;
  for (std::size_t i = 0; i < p.x.size(); ++i) {
    const auto& [sum, count] = sums[p.x[i]];
    within += (p.y[i] - sum / count) * (p.y[i] - sum / count);
  }
  return within;
}

double Range(const std::vector<double>& v) {
  const auto [lo, hi] = std::minmax_element(v.begin(), v.end());
  return *hi - *lo;
}

// Without repeated x the merged spline is the store's: the same line, sums, solver and
// evaluation, so every value, the fit quality and the statistics agree bit for bit.
TEST(MergedSmoothingSpline, WithoutTiesIsTheStoresSplineBitForBit) {
  for (std::size_t n : {3, 4, 10, 57, 400, 3000}) {
    const Points pts = MakePoints(n, 0, static_cast<unsigned>(n));
    for (double factor : {0.0, 1e-6, 0.05, 0.5, 0.95, 1.0, 1.5}) {
      SCOPED_TRACE(pts.name + " factor " + std::to_string(factor));
      TRovavAza store;
      for (std::size_t i = 0; i < n; ++i) store.AddPoint(pts.x[i], pts.y[i]);
      store.SetSmoothingFactor(factor);
      const MergedSmoothingSpline merged(pts.x, pts.y, factor);
      EXPECT_EQ(merged.Groups(), static_cast<int>(n));
      EXPECT_EQ(merged.MergedGroups(), 0);
      EXPECT_EQ(merged.WithinGroupSum(), 0.0);
      std::vector<double> probes = pts.x;
      for (std::size_t i = 0; i + 1 < n; ++i) probes.push_back(0.3 * pts.x[i] + 0.7 * pts.x[i + 1]);
      probes.push_back(-1.0);
      probes.push_back(11.0);
      for (double x : probes) {
        double store_quality = 0;
        bool store_valid = false, valid = false;
        const double expected = store.SmoothSplineValue(x, store_quality, store_valid);
        const double got = merged.Value(x, valid);
        ASSERT_EQ(got, expected) << x;
        ASSERT_EQ(valid, store_valid) << x;
        ASSERT_EQ(merged.FitQuality(), store_quality);
      }
      if (merged.SmoothingParameter() > 0 && n >= 3) {
        const SplineStatistics a = store.SmoothSplineStatistics();
        const SplineStatistics b = merged.Statistics();
        EXPECT_EQ(a.p, b.p);
        EXPECT_EQ(a.trace, b.trace);
        EXPECT_EQ(a.residual_sum, b.residual_sum);
        EXPECT_EQ(a.sigma2, b.sigma2);
        EXPECT_EQ(a.gcv, b.gcv);
        EXPECT_EQ(a.fitted, b.fitted);
        EXPECT_EQ(a.leverage, b.leverage);
        EXPECT_EQ(a.knots, b.knots);
      } else {
        EXPECT_THROW(store.SmoothSplineStatistics(), EKovixMath2Error);
        EXPECT_THROW(merged.Statistics(), EKovixMath2Error);
      }
    }
  }
}

// With ties: the spline is the penalized least squares over the original points (repeated rows)
// at the p it found, and its residual sum over those points is factor·L.
TEST(MergedSmoothingSpline, WithTiesIsThePenalizedFitOfTheOriginalPoints) {
  for (unsigned seed : {1, 2, 3, 4, 5, 6}) {
    const Points pts = MakePoints(seed % 2 ? 50 : 30, seed % 3 ? 12 : 6, seed);
    const Ext line = LineResidual(pts);
    const Ext within = WithinGroups(pts);
    for (double factor : {0.3, 0.6, 0.9, 0.99}) {
      SCOPED_TRACE(pts.name + " factor " + std::to_string(factor));
      ASSERT_GT(factor * line, within);
      const MergedSmoothingSpline merged(pts.x, pts.y, factor);
      ASSERT_GT(merged.MergedGroups(), 0);
      EXPECT_NEAR(merged.WithinGroupSum(), static_cast<double>(within), 1e-13 * line);
      EXPECT_NEAR(merged.LineResidual(), static_cast<double>(line), 1e-13 * line);
      const double p = merged.SmoothingParameter();
      ASSERT_GT(p, 0);
      const DenseFit dense = DensePenalized(pts, p);
      ASSERT_EQ(static_cast<std::size_t>(merged.Groups()), dense.knots.size());
      const double range = Range(pts.y);
      bool valid = false;
      for (std::size_t g = 0; g < dense.knots.size(); ++g) {
        EXPECT_EQ(merged.Knots()[g], dense.knots[g]);
        EXPECT_NEAR(merged.Value(dense.knots[g], valid), static_cast<double>(dense.values[g]),
                    1e-10 * range)
            << g;
        if (g + 1 < dense.knots.size()) {
          for (double t : {0.2, 0.5, 0.85}) {
            const double x = dense.knots[g] + t * (dense.knots[g + 1] - dense.knots[g]);
            EXPECT_NEAR(merged.Value(x, valid), static_cast<double>(dense.Value(x)), 1e-10 * range)
                << g << " t " << t;
          }
        }
      }
      // Σ (y − ĝ(x))² over the original points is the target factor·L.
      Ext rss = 0, spread = 0, mean = 0;
      for (double v : pts.y) mean += v;
      mean /= pts.y.size();
      for (std::size_t j = 0; j < pts.x.size(); ++j) {
        const Ext r = pts.y[j] - merged.Value(pts.x[j], valid);
        rss += r * r;
        spread += (pts.y[j] - mean) * (pts.y[j] - mean);
      }
      EXPECT_NEAR(static_cast<double>(rss), static_cast<double>(factor * line), 1e-10 * line);
      EXPECT_NEAR(merged.ResidualSum(), static_cast<double>(rss), 1e-12 * line);
      EXPECT_NEAR(merged.FitQuality(), static_cast<double>((spread - rss) / spread), 1e-12);

      // The statistics counting the original points, against the dense smoother of the points:
      // S = E·(EᵀE + (p/2)·K)⁻¹·Eᵀ, whose diagonal at a point of group g is [M⁻¹]_gg.
      const SplineStatistics stats = merged.Statistics();
      const std::size_t n = pts.x.size();
      Ext trace = 0;
      for (std::size_t j = 0; j < n; ++j) trace += dense.inverse[dense.group[j]][dense.group[j]];
      for (std::size_t g = 0; g < dense.knots.size(); ++g) {
        const double point = static_cast<double>(dense.inverse[g][g]);
        EXPECT_NEAR(merged.PointLeverage(stats, static_cast<int>(g)), point, 1e-10) << g;
        EXPECT_NEAR(stats.leverage[g] / merged.Count(static_cast<int>(g)), point, 1e-10) << g;
        EXPECT_NEAR(stats.fitted[g], static_cast<double>(dense.values[g]), 1e-10 * range) << g;
        // The band of a unit-weight point at the knot is the posterior variance of its value.
        EXPECT_NEAR(merged.BandVarianceFactor(dense.knots[g]), point, 1e-10 * point) << g;
      }
      EXPECT_NEAR(stats.trace, static_cast<double>(trace), 1e-10);
      EXPECT_NEAR(stats.residual_sum, static_cast<double>(rss), 1e-10 * line);
      const Ext spare = n - trace;
      EXPECT_NEAR(stats.sigma2, static_cast<double>(rss / spare), 1e-9 * stats.sigma2);
      EXPECT_NEAR(stats.gcv, static_cast<double>(n * rss / (spare * spare)), 1e-9 * stats.gcv);
    }
  }
}

// Where factor·L does not exceed W no spline through the groups can do better than their means:
// the interpolating spline of the means, without a smoothing parameter.
TEST(MergedSmoothingSpline, BelowTheWithinGroupSumInterpolatesTheMeans) {
  const Points pts = MakePoints(40, 6, 8);
  const Ext line = LineResidual(pts);
  const Ext within = WithinGroups(pts);
  for (double share : {0.0, 0.5, 1 - 1e-9}) {
    const double factor = static_cast<double>(share * within / line);
    SCOPED_TRACE(factor);
    const MergedSmoothingSpline merged(pts.x, pts.y, factor);
    EXPECT_EQ(merged.KnotTarget(), 0.0);
    EXPECT_EQ(merged.SmoothingParameter(), 0.0);
    bool valid = false;
    for (int g = 0; g < merged.Groups(); ++g) {
      EXPECT_NEAR(merged.Value(merged.Knots()[g], valid), merged.Means()[g], 1e-12) << g;
    }
    EXPECT_NEAR(merged.ResidualSum(), static_cast<double>(within), 1e-12);
    std::string message;
    try {
      merged.Statistics();
    } catch (const EKovixMath2Error& e) {
      message = e.what();
    }
    EXPECT_EQ(message, "MergedSmoothingSpline: the spline has no smoothing parameter");
  }
}

TEST(MergedSmoothingSpline, CountsItsGroups) {
  const std::vector<double> x = {3, 1, 2, 3, 1, 5, 3};
  const std::vector<double> y = {1, 2, 3, 4, 5, 6, 8};
  const MergedSmoothingSpline merged(x, y, 0.5);
  EXPECT_EQ(merged.NumPoints(), 7);
  EXPECT_EQ(merged.Groups(), 4);
  EXPECT_EQ(merged.MergedGroups(), 2);
  EXPECT_EQ(std::vector<double>(merged.Knots().begin(), merged.Knots().end()),
            (std::vector<double>{1, 2, 3, 5}));
  EXPECT_EQ(std::vector<double>(merged.Means().begin(), merged.Means().end()),
            (std::vector<double>{3.5, 3, 13.0 / 3, 6}));
  EXPECT_EQ(merged.Count(0), 2);
  EXPECT_EQ(merged.Count(1), 1);
  EXPECT_EQ(merged.Count(2), 3);
  EXPECT_EQ(merged.Count(3), 1);
  EXPECT_EQ(merged.GroupOf(3), 2);
  EXPECT_EQ(merged.GroupOf(4), -1);
  // W: y 2 and 5 around 3.5, and 1, 4 and 8 around 13/3: 4.5 + (100 + 1 + 121)/9.
  EXPECT_NEAR(merged.WithinGroupSum(), 4.5 + 222.0 / 9, 1e-12);
  bool valid = true;
  EXPECT_EQ(merged.Value(0.5, valid), 0.0);
  EXPECT_FALSE(valid);
  EXPECT_THROW(merged.Value(NAN, valid), EInvalidOp);
}

TEST(MergedSmoothingSpline, RefusesWhatTheStoreRefuses) {
  const struct {
    std::vector<double> x, y;
    std::string message;
  } cases[] = {
      {{}, {}, "MergedSmoothingSpline: at least two distinct x-values are needed"},
      {{1}, {1}, "MergedSmoothingSpline: at least two distinct x-values are needed"},
      {{2, 2, 2}, {1, 2, 3}, "MergedSmoothingSpline: at least two distinct x-values are needed"},
      {{1, 2}, {1}, "MergedSmoothingSpline: x and y must have the same length"},
  };
  for (const auto& c : cases) {
    std::string message;
    try {
      MergedSmoothingSpline(c.x, c.y, 0.5);
    } catch (const EKovixMath2Error& e) {
      message = e.what();
    }
    EXPECT_EQ(message, c.message);
  }
  const std::vector<double> x = {0, 1, 1, 2};
  const std::vector<double> y = {0, 1, 2, 1};
  for (std::size_t i = 0; i < x.size(); ++i) {
    std::vector<double> bad_x = x, bad_y = y;
    bad_x[i] = NAN;
    EXPECT_THROW(MergedSmoothingSpline(bad_x, y, 0.5), EInvalidOp) << i;
    bad_y[i] = NAN;
    EXPECT_THROW(MergedSmoothingSpline(x, bad_y, 0.5), EInvalidOp) << i;
  }
  EXPECT_THROW(MergedSmoothingSpline(x, y, NAN), EInvalidOp);
  // The store itself still refuses repeated x.
  TRovavAza store;
  for (std::size_t i = 0; i < x.size(); ++i) store.AddPoint(x[i], y[i]);
  double quality = 0;
  bool valid = false;
  std::string message;
  try {
    store.SmoothSplineValue(0.5, quality, valid);
  } catch (const EKovixMath2Error& e) {
    message = e.what();
  }
  EXPECT_EQ(message, "PenalizedCubicSpline: two or more x-values are identical");
}

// Readings rounded to a grid: 10^5 points on 2000 values, each group of about 50.
TEST(MergedSmoothingSpline, MergesRoundedReadings) {
  std::mt19937_64 gen(3);
  std::uniform_real_distribution<double> unit(0.0, 1.0);
  std::vector<double> x, y;
  for (int i = 0; i < 100000; ++i) {
    x.push_back(std::round(10 * unit(gen) * 200) / 200);
    y.push_back(std::sin(x.back()) + 0.3 * (unit(gen) - 0.5));
  }
  // The factor that leaves the knots' weighted residual sum near its expectation, (groups − a
  // few)·σ² with σ² = 0.09/12 = 0.0075 the noise's variance: a spline close to the sine.
  const MergedSmoothingSpline first(x, y, 0.5);
  const double factor = (first.WithinGroupSum() + 1990 * 0.0075) / first.LineResidual();
  const MergedSmoothingSpline merged(x, y, factor);
  EXPECT_EQ(merged.Groups(), 2001);
  EXPECT_EQ(merged.MergedGroups(), 2001);
  ASSERT_GT(merged.SmoothingParameter(), 0);
  EXPECT_NEAR(merged.ResidualSum(), factor * merged.LineResidual(), 1e-9 * merged.LineResidual());
  const SplineStatistics stats = merged.Statistics();
  EXPECT_GT(stats.trace, 2);
  EXPECT_LT(stats.trace, 2001);
  EXPECT_NEAR(stats.sigma2, 0.0075, 0.0005);
  bool valid = false;
  EXPECT_NEAR(merged.Value(5.0, valid), std::sin(5.0), 0.02);
}

}  // namespace
