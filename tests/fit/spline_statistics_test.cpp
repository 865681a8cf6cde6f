#include "fit/spline_statistics.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <random>
#include <string>
#include <utility>
#include <vector>

#include "base/float_check.h"
#include "fit/kovix_errors.h"
#include "fit/penalized_cubic_spline.h"
#include "fit/rovav_aza.h"
#include "tests/fit/dense_solve.h"

namespace {

using Ext = long double;
using Dense = DenseMatrix;

struct DataSet {
  std::string name;
  std::vector<double> x, y, dy;
};

DataSet MakeSet(std::size_t n, bool even, bool unit_weights, unsigned seed) {
  std::mt19937 gen(seed);
  std::uniform_real_distribution<double> unit(0.0, 1.0);
  DataSet s;
  s.name = std::to_string(n) + (even ? " even" : " random") + (unit_weights ? "" : " weighted");
  double at = 0;
  for (std::size_t i = 0; i < n; ++i) {
    // Random gaps from 0.1 to 2.1: spacings that differ twentyfold.
    at += even ? 1.0 : 0.1 + 2 * unit(gen);
    s.x.push_back(at);
    s.y.push_back(std::sin(at / 3) + 0.3 * (unit(gen) - 0.5));
    s.dy.push_back(unit_weights ? 1.0 : 0.5 + 1.5 * unit(gen));
  }
  return s;
}

// The smoother matrix built densely from the textbook penalty: ∫ g''² = gᵀ·Q·R⁻¹·Qᵀ·g with R
// the tridiagonal of (h_{k−1} + h_k)/3 and h_k/6, so A = (W + (p/2)·Q·R⁻¹·Qᵀ)⁻¹·W, W = D⁻².
Dense DenseSmoother(const DataSet& s, double p) {
  const std::size_t n = s.x.size();
  const DensePenalty penalty = RoughnessPenalty(s.x);
  Dense system(n, std::vector<Ext>(n, 0));
  Dense w(n, std::vector<Ext>(n, 0));
  for (std::size_t i = 0; i < n; ++i) {
    w[i][i] = 1 / (static_cast<Ext>(s.dy[i]) * s.dy[i]);
    for (std::size_t k = 0; k < n; ++k)
      system[i][k] = w[i][k] + static_cast<Ext>(p) / 2 * penalty.k[i][k];
  }
  SolveDense(system, w);
  return w;
}

// The weighted least-squares line's residual sum: S at a factor is that share of it.
Ext LineResidual(const DataSet& s) {
  Ext sw = 0, sx = 0, sy = 0;
  for (std::size_t i = 0; i < s.x.size(); ++i) {
    const Ext w = 1 / (static_cast<Ext>(s.dy[i]) * s.dy[i]);
    sw += w;
    sx += w * s.x[i];
    sy += w * s.y[i];
  }
  Ext sxx = 0, sxy = 0, syy = 0;
  for (std::size_t i = 0; i < s.x.size(); ++i) {
    const Ext w = 1 / (static_cast<Ext>(s.dy[i]) * s.dy[i]);
    const Ext u = s.x[i] - sx / sw, v = s.y[i] - sy / sw;
    sxx += w * u * u;
    sxy += w * u * v;
    syy += w * v * v;
  }
  return syy - sxy * sxy / sxx;
}

struct Solved {
  double p;
  std::vector<double> values;
};

// The solver's spline for the factor: its p and its values at the knots.
Solved SolveAtFactor(const DataSet& s, double factor) {
  const std::size_t n = s.x.size();
  std::vector<double> a(n), b(n), c(n), d(n);
  PenalizedSplineWork work;
  PenalizedCubicSpline(0, static_cast<int>(n) - 1, s.x, s.y, s.dy,
                       static_cast<double>(factor * LineResidual(s)), a, b, c, d, work);
  return {work.last_p, a};
}

std::vector<DataSet> Sets() {
  std::vector<DataSet> sets;
  unsigned seed = 11;
  for (std::size_t n : {3, 4, 7, 20, 50}) {
    for (bool even : {true, false}) {
      for (bool unit : {true, false}) sets.push_back(MakeSet(n, even, unit, seed++));
    }
  }
  return sets;
}

TEST(SmoothingSplineStatistics, AgreesWithTheDenseSmootherMatrix) {
  for (const DataSet& s : Sets()) {
    const std::size_t n = s.x.size();
    for (double factor : {0.01, 0.2, 0.6, 0.9, 0.99}) {
      SCOPED_TRACE(s.name + " factor " + std::to_string(factor));
      const Solved solved = SolveAtFactor(s, factor);
      ASSERT_GT(solved.p, 0);
      const SplineStatistics stats = SmoothingSplineStatistics(s.x, s.y, s.dy, solved.p);
      const Dense a = DenseSmoother(s, solved.p);
      EXPECT_EQ(stats.p, solved.p);
      Ext trace = 0, rss = 0, scale = 0;
      for (std::size_t i = 0; i < n; ++i) {
        EXPECT_NEAR(stats.leverage[i], static_cast<double>(a[i][i]), 1e-10) << i;
        trace += a[i][i];
        Ext g = 0;
        for (std::size_t k = 0; k < n; ++k) g += a[i][k] * s.y[k];
        EXPECT_NEAR(stats.fitted[i], static_cast<double>(g), 1e-10) << i;
        // The same spline as the solver's at its p.
        EXPECT_NEAR(stats.fitted[i], solved.values[i], 1e-9) << i;
        rss += (s.y[i] - g) * (s.y[i] - g) / (static_cast<Ext>(s.dy[i]) * s.dy[i]);
        scale += s.y[i] * s.y[i];
      }
      EXPECT_NEAR(stats.trace, static_cast<double>(trace), 1e-10);
      EXPECT_NEAR(stats.residual_sum, static_cast<double>(rss), 1e-12 * static_cast<double>(scale));
      // The solver's own target residual sum.
      EXPECT_NEAR(stats.residual_sum, static_cast<double>(factor * LineResidual(s)),
                  1e-8 * static_cast<double>(scale));
      const Ext spare = n - trace;
      EXPECT_NEAR(stats.sigma2, static_cast<double>(rss / spare), 1e-9 * stats.sigma2);
      EXPECT_NEAR(stats.gcv, static_cast<double>(n * rss / (spare * spare)), 1e-9 * stats.gcv);
    }
  }
}
// The factor's two ends: towards 1 the spline becomes the weighted least-squares line (two
// degrees of freedom), towards 0 the interpolating spline (n).
TEST(SmoothingSplineStatistics, TraceRunsFromTheLineToInterpolation) {
  for (const DataSet& s : Sets()) {
    SCOPED_TRACE(s.name);
    const double n = static_cast<double>(s.x.size());
    double last = n;
    for (double factor : {1e-9, 1e-6, 1e-3, 0.1, 0.5, 0.9, 1 - 1e-3, 1 - 1e-6, 1 - 1e-9}) {
      const double trace =
          SmoothingSplineStatistics(s.x, s.y, s.dy, SolveAtFactor(s, factor).p).trace;
      EXPECT_LT(trace, last) << factor;
      EXPECT_GT(trace, 2) << factor;
      if (factor == 1e-9) {
        EXPECT_GT(trace, n - 1e-2);
      }
      if (factor == 1 - 1e-9) {
        EXPECT_LT(trace, 2 + 1e-7);
      }
      last = trace;
    }
  }
}

// Near the line each leverage is the line's: w_i/Σw + w_i·(x_i − x̄)²/Sxx, weighted by
// w = 1/dy², which for unit weights is 1/n + (x_i − x̄)²/Sxx.
TEST(SmoothingSplineStatistics, LeveragesNearTheLineAreTheLines) {
  for (const DataSet& s : Sets()) {
    SCOPED_TRACE(s.name);
    const std::size_t n = s.x.size();
    const SplineStatistics stats =
        SmoothingSplineStatistics(s.x, s.y, s.dy, SolveAtFactor(s, 1 - 1e-9).p);
    Ext sw = 0, swx = 0;
    for (std::size_t i = 0; i < n; ++i) {
      sw += 1 / (static_cast<Ext>(s.dy[i]) * s.dy[i]);
      swx += s.x[i] / (static_cast<Ext>(s.dy[i]) * s.dy[i]);
    }
    const Ext mean = swx / sw;
    Ext sxx = 0;
    for (std::size_t i = 0; i < n; ++i) {
      sxx += (s.x[i] - mean) * (s.x[i] - mean) / (static_cast<Ext>(s.dy[i]) * s.dy[i]);
    }
    for (std::size_t i = 0; i < n; ++i) {
      const Ext w = 1 / (static_cast<Ext>(s.dy[i]) * s.dy[i]);
      const Ext line = w / sw + w * (s.x[i] - mean) * (s.x[i] - mean) / sxx;
      EXPECT_NEAR(stats.leverage[i], static_cast<double>(line), 1e-7) << i;
    }
  }
}

TEST(SmoothingSplineStatistics, RefusesBadArguments) {
  const std::vector<double> x = {0, 1, 2, 3};
  const std::vector<double> y = {0, 1, 0, 1};
  const std::vector<double> dy = {1, 1, 1, 1};
  const struct {
    std::vector<double> x, y, dy;
    double p;
    std::string message;
  } cases[] = {
      {{0, 1}, {0, 1}, {1, 1}, 1, "SmoothingSplineStatistics: at least three knots are needed"},
      {x, {0, 1, 0}, dy, 1, "SmoothingSplineStatistics: x, y and dy must have the same length"},
      {x, y, {1, 1, 1}, 1, "SmoothingSplineStatistics: x, y and dy must have the same length"},
      {x, y, dy, 0, "SmoothingSplineStatistics: p must be positive and finite"},
      {x, y, dy, -1, "SmoothingSplineStatistics: p must be positive and finite"},
      {x, y, dy, INFINITY, "SmoothingSplineStatistics: p must be positive and finite"},
      {x, y, dy, NAN, "SmoothingSplineStatistics: p must be positive and finite"},
      {x, y, {1, 0, 1, 1}, 1, "SmoothingSplineStatistics: every dy must be positive and finite"},
      {x, y, {1, 1, -1, 1}, 1, "SmoothingSplineStatistics: every dy must be positive and finite"},
      {{0, 1, 1, 3}, y, dy, 1, "SmoothingSplineStatistics: x-values must be increasing"},
      {{0, 2, 1, 3}, y, dy, 1, "SmoothingSplineStatistics: x-values must be increasing"},
  };
  for (const auto& c : cases) {
    std::string message;
    try {
      SmoothingSplineStatistics(c.x, c.y, c.dy, c.p);
    } catch (const EKovixMath2Error& e) {
      message = e.what();
    }
    EXPECT_EQ(message, c.message) << c.p;
  }
}

// The store's statistics are those of the spline it draws: the points come unsorted, the
// fitted values are the spline's at the sorted knots, and asking leaves the spline as it was.
TEST(SmoothSplineStatistics, DescribeTheStoresSpline) {
  const DataSet s = MakeSet(40, false, true, 7);
  for (double factor : {0.05, 0.5, 0.95, 1.0}) {
    SCOPED_TRACE(factor);
    TRovavAza store;
    store.SetSmoothingFactor(factor);
    for (std::size_t i = 0; i < s.x.size(); ++i) {
      const std::size_t k = (i * 17) % s.x.size();  // 17 is prime to 40: a permutation
      store.AddPoint(s.x[k], s.y[k]);
    }
    double fit_qual = 0;
    bool valid = false;
    std::vector<double> before;
    for (double x : s.x) before.push_back(store.SmoothSplineValue(x, fit_qual, valid));
    const SplineStatistics stats = store.SmoothSplineStatistics();
    ASSERT_EQ(stats.fitted.size(), s.x.size());
    for (std::size_t i = 0; i < s.x.size(); ++i) {
      EXPECT_EQ(store.SmoothSplineValue(s.x[i], fit_qual, valid), before[i]) << i;
      EXPECT_NEAR(stats.fitted[i], before[i], 1e-9) << i;
    }
    EXPECT_GT(stats.trace, 2);
    EXPECT_LT(stats.trace, static_cast<double>(s.x.size()));
    EXPECT_EQ(stats.leverage, SmoothingSplineStatistics(s.x, s.y, s.dy, stats.p).leverage);
  }
}

TEST(SmoothSplineStatistics, RefusesTheInterpolatingSplineAndTwoPoints) {
  const struct {
    double factor;
    std::vector<double> x;
    std::string message;
  } cases[] = {
      {0.0, {0, 1, 3, 4}, "SmoothSplineStatistics: the spline has no smoothing parameter"},
      // Two points lie on their line: the target residual sum is 0 whatever the factor.
      {0.5, {0, 1}, "SmoothSplineStatistics: the spline has no smoothing parameter"},
  };
  for (const auto& c : cases) {
    TRovavAza store;
    store.SetSmoothingFactor(c.factor);
    for (double x : c.x) store.AddPoint(x, x * x);
    std::string message;
    try {
      store.SmoothSplineStatistics();
    } catch (const EKovixMath2Error& e) {
      message = e.what();
    }
    EXPECT_EQ(message, c.message) << c.factor;
  }
}

TEST(BandHalfWidths, AreTheNormalQuantileTimesTheStandardError) {
  const DataSet s = MakeSet(20, false, false, 3);
  const SplineStatistics stats = SmoothingSplineStatistics(s.x, s.y, s.dy, 30.0);
  const struct {
    double level, z;
  } cases[] = {{0.5, 0.6744897501960817}, {0.95, 1.959963984540054}, {0.99, 2.5758293035489004}};
  for (const auto& c : cases) {
    const std::vector<double> half = BandHalfWidths(stats, c.level);
    ASSERT_EQ(half.size(), s.x.size());
    for (std::size_t i = 0; i < half.size(); ++i) {
      EXPECT_NEAR(half[i], c.z * std::sqrt(stats.sigma2 * stats.leverage[i]), 1e-14) << i;
    }
  }
  for (double level : {0.0, 1.0, -0.5, 1.5, static_cast<double>(NAN)}) {
    std::string message;
    try {
      BandHalfWidths(stats, level);
    } catch (const EKovixMath2Error& e) {
      message = e.what();
    }
    EXPECT_EQ(message, "BandHalfWidths: the level must lie between 0 and 1") << level;
  }
}

// x drawn at random over [0, 10): at 10^5 knots the closest pair is about 1e-9 apart, where a
// formulation in second derivatives loses the leverages entirely. The spline stays the solver's
// and every leverage a share between 0 and 1.
TEST(SmoothingSplineStatistics, KeepsItsAccuracyOnKnotsAHairApart) {
  const std::size_t n = 100000;
  std::mt19937_64 gen(5);
  std::uniform_real_distribution<double> unit(0.0, 1.0);
  DataSet s;
  for (std::size_t i = 0; i < n; ++i) s.x.push_back(10 * unit(gen));
  std::sort(s.x.begin(), s.x.end());
  s.x.erase(std::unique(s.x.begin(), s.x.end()), s.x.end());
  for (double x : s.x) {
    s.y.push_back(std::sin(x) + 0.3 * (unit(gen) - 0.5));
    s.dy.push_back(1.0);
  }
  double closest = 1;
  for (std::size_t i = 1; i < s.x.size(); ++i) closest = std::min(closest, s.x[i] - s.x[i - 1]);
  ASSERT_LT(closest, 1e-8);
  for (double factor : {0.01, 0.5, 0.99}) {
    SCOPED_TRACE(factor);
    const Solved solved = SolveAtFactor(s, factor);
    const SplineStatistics stats = SmoothingSplineStatistics(s.x, s.y, s.dy, solved.p);
    double worst = 0, low = 1, high = 0;
    for (std::size_t i = 0; i < s.x.size(); ++i) {
      worst = std::max(worst, std::fabs(stats.fitted[i] - solved.values[i]));
      low = std::min(low, stats.leverage[i]);
      high = std::max(high, stats.leverage[i]);
    }
    EXPECT_LT(worst, 1e-10);
    EXPECT_GT(low, 0);
    EXPECT_LE(high, 1);
    EXPECT_GT(stats.trace, 2);
    EXPECT_LT(stats.trace, static_cast<double>(s.x.size()));
  }
}

}  // namespace

namespace {

// The data with one more knot at x of weight 1/dy² (dy huge: a knot that adds no information),
// and that knot's index.
std::pair<DataSet, std::size_t> WithKnotAt(const DataSet& s, double x, double dy) {
  DataSet more;
  more.name = s.name;
  std::size_t at = 0;
  for (std::size_t i = 0; i < s.x.size(); ++i) {
    if (s.x[i] > x && (i == 0 || s.x[i - 1] < x)) {
      at = more.x.size();
      more.x.push_back(x);
      // Any y: the knot's weight makes it irrelevant to the variance, and the variance does not
      // depend on y at all.
      more.y.push_back(0.0);
      more.dy.push_back(dy);
    }
    more.x.push_back(s.x[i]);
    more.y.push_back(s.y[i]);
    more.dy.push_back(s.dy[i]);
  }
  return {more, at};
}

// The same statistics through the sweep in double and the rotations in extended precision. The
// residual sum, σ̂² and GCV within rss_tolerance: a residual sum far below the data's scale
// (an almost interpolating spline) is the sum of residuals that each cancel most of y.
void ExpectTheSame(const SplineStatistics& fast, const SplineStatistics& exact, double tolerance,
                   double rss_tolerance) {
  ASSERT_EQ(fast.fitted.size(), exact.fitted.size());
  ASSERT_EQ(fast.covariance.size(), exact.covariance.size());
  auto near = [tolerance](double a, double b, double scale) {
    return std::fabs(a - b) <= tolerance * scale;
  };
  double worst_fitted = 0, worst_leverage = 0, worst_covariance = 0;
  for (std::size_t i = 0; i < fast.fitted.size(); ++i) {
    worst_fitted = std::max(worst_fitted, std::fabs(fast.fitted[i] - exact.fitted[i]));
    worst_leverage = std::max(worst_leverage,
                              std::fabs(fast.leverage[i] - exact.leverage[i]) / exact.leverage[i]);
    const KnotCovariance& a = fast.covariance[i];
    const KnotCovariance& b = exact.covariance[i];
    // Each entry against the product of the standard deviations it correlates.
    const KnotCovariance& c = i + 1 < fast.covariance.size() ? exact.covariance[i + 1] : b;
    const double sg = std::sqrt(b.gg), ss = std::sqrt(b.ss);
    const double ng = std::sqrt(c.gg), ns = std::sqrt(c.ss);
    const double errors[] = {
        std::fabs(a.gg - b.gg) / (sg * sg),
        std::fabs(a.gs - b.gs) / (sg * ss),
        std::fabs(a.ss - b.ss) / (ss * ss),
        i + 1 < fast.covariance.size() ? std::fabs(a.next_gg - b.next_gg) / (sg * ng) : a.next_gg,
        i + 1 < fast.covariance.size() ? std::fabs(a.next_gs - b.next_gs) / (sg * ns) : a.next_gs,
        i + 1 < fast.covariance.size() ? std::fabs(a.next_sg - b.next_sg) / (ss * ng) : a.next_sg,
        i + 1 < fast.covariance.size() ? std::fabs(a.next_ss - b.next_ss) / (ss * ns) : a.next_ss,
    };
    for (double e : errors) worst_covariance = std::max(worst_covariance, e);
  }
  EXPECT_LE(worst_fitted, tolerance);
  EXPECT_LE(worst_leverage, tolerance);
  EXPECT_LE(worst_covariance, tolerance);
  EXPECT_TRUE(near(fast.trace, exact.trace, exact.trace)) << fast.trace << " " << exact.trace;
  EXPECT_NEAR(fast.residual_sum, exact.residual_sum, rss_tolerance * exact.residual_sum);
  EXPECT_NEAR(fast.sigma2, exact.sigma2, rss_tolerance * exact.sigma2);
  EXPECT_NEAR(fast.gcv, exact.gcv, rss_tolerance * exact.gcv);
  EXPECT_EQ(fast.knots, exact.knots);
  EXPECT_EQ(fast.p, exact.p);
}

}  // namespace

// The statistics come from the sweep in double where it fits; the rotations in extended precision
// give the same to 1e-12.
TEST(SmoothingSplineStatistics, TheSweepInDoubleAgreesWithTheRotations) {
  for (const DataSet& s : Sets()) {
    for (double factor : {1e-6, 0.01, 0.5, 0.99, 1 - 1e-6}) {
      SCOPED_TRACE(s.name + " factor " + std::to_string(factor));
      const double p = SolveAtFactor(s, factor).p;
      ExpectTheSame(SmoothingSplineStatistics(s.x, s.y, s.dy, p),
                    SmoothingSplineStatisticsByRotations(s.x, s.y, s.dy, p), 1e-12,
                    factor < 0.01 ? 1e-10 : 1e-12);
    }
  }
}

// Knots a hair apart (1e-9 at 10^5 random x: the two agree to 5e-13 there), and knots 1e-45
// apart among unit spacings, where the sweep in double does not fit and the rotations serve.
TEST(SmoothingSplineStatistics, TheSweepInDoubleAgreesOnKnotsAHairApart) {
  std::mt19937_64 gen(9);
  std::uniform_real_distribution<double> unit(0.0, 1.0);
  DataSet s;
  for (std::size_t i = 0; i < 100000; ++i) s.x.push_back(10 * unit(gen));
  std::sort(s.x.begin(), s.x.end());
  s.x.erase(std::unique(s.x.begin(), s.x.end()), s.x.end());
  for (double x : s.x) {
    s.y.push_back(std::sin(x) + 0.3 * (unit(gen) - 0.5));
    s.dy.push_back(1.0);
  }
  for (double factor : {0.01, 0.5, 0.99}) {
    SCOPED_TRACE(factor);
    const double p = SolveAtFactor(s, factor).p;
    ExpectTheSame(SmoothingSplineStatistics(s.x, s.y, s.dy, p),
                  SmoothingSplineStatisticsByRotations(s.x, s.y, s.dy, p), 1e-11, 1e-11);
  }
  DataSet close = MakeSet(20, true, true, 4);
  for (double& x : close.x) x -= 10;  // 0 is the tenth knot
  close.x.insert(close.x.begin() + 10, 1e-45);
  close.y.insert(close.y.begin() + 10, close.y[9] + 0.01);
  close.dy.insert(close.dy.begin() + 10, 1.0);
  const double p = SolveAtFactor(close, 0.5).p;
  ExpectTheSame(SmoothingSplineStatistics(close.x, close.y, close.dy, p),
                SmoothingSplineStatisticsByRotations(close.x, close.y, close.dy, p), 0.0, 0.0);
}

// At a knot the band's variance factor is the knot's leverage over its weight.
TEST(BandVarianceFactor, AtAKnotIsTheLeverageOverTheWeight) {
  for (const DataSet& s : Sets()) {
    SCOPED_TRACE(s.name);
    const SplineStatistics stats =
        SmoothingSplineStatistics(s.x, s.y, s.dy, SolveAtFactor(s, 0.4).p);
    for (std::size_t i = 0; i < s.x.size(); ++i) {
      const double w = 1 / (s.dy[i] * s.dy[i]);
      EXPECT_NEAR(BandVarianceFactor(stats, s.x, s.x[i]), stats.leverage[i] / w,
                  1e-15 * stats.leverage[i] / w)
          << i;
      EXPECT_EQ(BandVarianceFactor(stats, s.x[i]), BandVarianceFactor(stats, s.x, s.x[i]));
    }
  }
}

// Between knots it is what a knot of no weight at x gives: the data with a knot of dy = 10^9
// (weight 10^-18, which changes the variance V by the share w·V, below 1e-15 here) at x, its
// leverage over its weight by the dense smoother matrix. This checks the Hermite cubic of the 4 × 4
// block and the bridge term (2/p)·s³(h − s)³/(3h³) together. Close to a knot the dense matrix in
// second derivatives loses accuracy with the cube of the distance (3e-7 at a thousandth of an
// interval near the line, 1e-8 at a hundredth, 2e-11 at a tenth): there the rotations in extended
// precision, on the same data with the knot added, are the reference (both agree to 5e-15).
TEST(BandVarianceFactor, BetweenKnotsIsThatOfAKnotOfNoWeight) {
  const double dy = 1e9;
  const double w = 1 / (dy * dy);
  for (const DataSet& s : Sets()) {
    for (double factor : {0.01, 0.5, 0.99}) {
      SCOPED_TRACE(s.name + " factor " + std::to_string(factor));
      const double p = SolveAtFactor(s, factor).p;
      const SplineStatistics stats = SmoothingSplineStatistics(s.x, s.y, s.dy, p);
      for (std::size_t i = 0; i + 1 < s.x.size(); i += std::max<std::size_t>(1, s.x.size() / 7)) {
        for (double t : {1e-4, 1e-3, 0.1, 0.25, 0.5, 0.9}) {
          const double x = s.x[i] + t * (s.x[i + 1] - s.x[i]);
          const auto [more, at] = WithKnotAt(s, x, dy);
          const double band = BandVarianceFactor(stats, s.x, x);
          if (t >= 0.1) {
            const double dense = static_cast<double>(DenseSmoother(more, p)[at][at] / w);
            EXPECT_NEAR(band, dense, 1e-10 * dense) << i << " t " << t;
          }
          const double exact =
              SmoothingSplineStatisticsByRotations(more.x, more.y, more.dy, p).leverage[at] / w;
          EXPECT_NEAR(band, exact, 1e-12 * exact) << i << " t " << t;
        }
      }
    }
  }
}

// The band is continuous at the knots, and refuses an x outside them, a NaN, and knots that are
// not those of the statistics.
TEST(BandVarianceFactor, IsContinuousAndRefusesWhatLiesOutside) {
  const DataSet s = MakeSet(20, false, false, 21);
  const SplineStatistics stats = SmoothingSplineStatistics(s.x, s.y, s.dy, SolveAtFactor(s, 0.5).p);
  for (std::size_t i = 1; i + 1 < s.x.size(); ++i) {
    const double at = BandVarianceFactor(stats, s.x[i]);
    for (double side : {-1.0, 1.0}) {
      const double near = BandVarianceFactor(stats, s.x[i] + side * 1e-9);
      EXPECT_NEAR(near, at, 1e-7 * at) << i << " " << side;
    }
  }
  EXPECT_EQ(BandVarianceFactor(stats, s.x.front()), stats.covariance.front().gg);
  EXPECT_EQ(BandVarianceFactor(stats, s.x.back()), stats.covariance.back().gg);
  EXPECT_THROW(BandVarianceFactor(stats, static_cast<double>(NAN)), EInvalidOp);
  const struct {
    double x;
    std::vector<double> knots;
    std::string message;
  } cases[] = {
      {s.x.front() - 1e-9, s.x, "BandVarianceFactor: x lies outside the knots"},
      {s.x.back() + 1e-9, s.x, "BandVarianceFactor: x lies outside the knots"},
      {s.x[3],
       {s.x.begin(), s.x.begin() + 10},
       "BandVarianceFactor: the statistics have no covariance for these knots"},
  };
  for (const auto& c : cases) {
    std::string message;
    try {
      BandVarianceFactor(stats, c.knots, c.x);
    } catch (const EKovixMath2Error& e) {
      message = e.what();
    }
    EXPECT_EQ(message, c.message) << c.x;
  }
  EXPECT_NEAR(BandQuantile(0.95), 1.959963984540054, 1e-14);
  EXPECT_THROW(BandQuantile(1.0), EKovixMath2Error);
}
