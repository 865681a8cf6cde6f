#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <initializer_list>
#include <limits>
#include <random>
#include <string>
#include <utility>
#include <vector>

#include "base/float_check.h"
#include "fit/kovix_errors.h"
#include "fit/rovav_aza.h"

namespace {

using Points = std::vector<std::pair<double, double>>;

void Add(TRovavAza& store, const Points& points) {
  for (const auto& [x, y] : points) store.AddPoint(x, y);
}

struct Value {
  double y = -1;
  bool valid = false;
  double fit_qual = -1;
};

Value Eval(TRovavAza& store, double x) {
  Value v;
  v.y = store.SmoothSplineValue(x, v.fit_qual, v.valid);
  return v;
}

std::string ErrorOf(TRovavAza& store, double x) {
  try {
    Eval(store, x);
  } catch (const EKovixMath2Error& e) {
    return e.what();
  }
  return "";
}

const Points kZigZag = {{0, 0}, {1, 1}, {2, 0}, {3, 1}, {4, 0}};

TEST(SmoothSplineValue, TwoPointsGiveTheLineWithItsRange) {
  for (double factor : {0.0, 0.5, 1.0}) {
    SCOPED_TRACE(factor);
    TRovavAza store;
    store.SetSmoothingFactor(factor);
    Add(store, {{0, 0}, {2, 2}});
    const struct {
      double x;
      bool valid;
      double y;
    } cases[] = {{1, true, 1},      {0, true, 0},     {2, true, 2},
                 {2.5, false, 0},   {-0.5, false, 0}, {std::nextafter(2.0, 3.0), false, 0},
                 {0.25, true, 0.25}};
    for (const auto& c : cases) {
      const Value v = Eval(store, c.x);
      EXPECT_EQ(v.valid, c.valid) << "x = " << c.x;
      EXPECT_NEAR(v.y, c.y, 1e-15) << "x = " << c.x;
      EXPECT_EQ(v.fit_qual, 1.0) << "x = " << c.x;
    }
  }
}

TEST(SmoothSplineValue, FactorZeroInterpolates) {
  TRovavAza store;
  store.SetSmoothingFactor(0);
  Add(store, {{0, 0}, {1, 1}, {2, 0}});
  EXPECT_EQ(Eval(store, 1).y, 1.0);
  EXPECT_NEAR(Eval(store, 0.5).y, 0.6875, 1e-15);
  EXPECT_NEAR(Eval(store, 1.5).y, 0.6875, 1e-15);
  EXPECT_EQ(Eval(store, 0.5).fit_qual, 1.0);
}

TEST(SmoothSplineValue, FactorOneOnALineGivesTheLine) {
  TRovavAza store;
  store.SetSmoothingFactor(1);
  Add(store, {{0, 1}, {1, 3}, {3, 7}, {4, 9}, {7, 15}});
  for (double x = 0; x <= 7; x += 0.25) {
    const Value v = Eval(store, x);
    EXPECT_TRUE(v.valid);
    EXPECT_NEAR(v.y, 2 * x + 1, 1e-12) << "x = " << x;
    EXPECT_NEAR(v.fit_qual, 1.0, 1e-15);
  }
}

TEST(SmoothSplineValue, InputOrderDoesNotMatter) {
  std::mt19937 gen(99);
  std::uniform_real_distribution<double> dist(-5.0, 5.0);
  Points ascending;
  for (int i = 0; i < 40; ++i) ascending.emplace_back(i * 0.25, dist(gen));
  Points descending(ascending.rbegin(), ascending.rend());
  Points shuffled = ascending;
  std::shuffle(shuffled.begin(), shuffled.end(), gen);

  TRovavAza reference;
  Add(reference, ascending);
  for (const Points* order : {&descending, &shuffled}) {
    TRovavAza store;
    Add(store, *order);
    for (int i = 0; i <= 200; ++i) {
      const double x = -0.5 + i * 0.05;
      const Value expected = Eval(reference, x);
      const Value v = Eval(store, x);
      EXPECT_EQ(v.valid, expected.valid) << "x = " << x;
      EXPECT_NEAR(v.y, expected.y, 1e-12) << "x = " << x;
      EXPECT_NEAR(v.fit_qual, expected.fit_qual, 1e-12);
    }
  }
}

TEST(SmoothSplineValue, RefusalsAreRaisedOnEveryEvaluation) {
  const struct {
    Points points;
    std::string message;
  } cases[] = {
      {{{1, 1}, {1, 2}, {3, 4}}, "PenalizedCubicSpline: two or more x-values are identical"},
      {{{5, 1}, {2, 2}, {4, 3}, {2, 9}},
       "PenalizedCubicSpline: two or more x-values are identical"},
      {{{1, 1}}, "CalcLinFit: not enough data points"},
      {{}, "CalcLinFit: not enough data points"},
  };
  for (const auto& c : cases) {
    TRovavAza store;
    Add(store, c.points);
    EXPECT_EQ(ErrorOf(store, 1.0), c.message);
    EXPECT_FALSE(store.SplineValid());
    EXPECT_EQ(ErrorOf(store, 1.0), c.message);
  }
}

TEST(SmoothSplineValue, ClearDataForgetsTheSpline) {
  TRovavAza store;
  Add(store, kZigZag);
  EXPECT_TRUE(Eval(store, 1).valid);
  store.ClearData();
  EXPECT_EQ(ErrorOf(store, 1.0), "CalcLinFit: not enough data points");
  EXPECT_EQ(store.SplineFitQuality(), 0.0);
}

TEST(SmoothSplineValue, RecomputesAfterEveryChange) {
  TRovavAza store;
  store.SetSmoothingFactor(0);
  Add(store, kZigZag);
  EXPECT_EQ(Eval(store, 1).y, 1.0);
  EXPECT_TRUE(store.SplineValid());

  store.SetSmoothingFactor(0.5);
  EXPECT_FALSE(store.SplineValid());
  EXPECT_NE(Eval(store, 1).y, 1.0);
  EXPECT_TRUE(store.SplineValid());

  store.SetSmoothingFactor(0);
  EXPECT_EQ(Eval(store, 1).y, 1.0);
  store.SetSmoothingFactor(0);
  EXPECT_FALSE(store.SplineValid());

  store.AddPoint(5, 10);
  EXPECT_FALSE(store.SplineValid());
  EXPECT_EQ(Eval(store, 5).y, 10.0);
  EXPECT_TRUE(Eval(store, 4.5).valid);
}

TEST(SmoothSplineValue, EqualYGiveTheConstantAndTheResidualAsQuality) {
  TRovavAza store;
  Add(store, {{0, 5}, {1, 5}, {2, 5}});
  for (double x : {0.0, 0.3, 1.0, 1.7, 2.0}) {
    const Value v = Eval(store, x);
    EXPECT_EQ(v.y, 5.0);
    EXPECT_EQ(v.fit_qual, 0.0);
  }
}

TEST(SmoothSplineValue, FactorScalesTheLinesResidual) {
  // The best line is y = 0.4 with a residual sum of 1.2, which is also the spread of y; a factor
  // f allows the residual f·1.2, so the quality is 1 − f.
  TRovavAza store;
  store.SetSmoothingFactor(0.5);
  Add(store, kZigZag);
  const Value half = Eval(store, 1);
  EXPECT_NEAR(half.fit_qual, 0.5, 1e-12);
  EXPECT_NEAR(half.y, 0.608, 5e-4);

  store.SetSmoothingFactor(1);
  const Value full = Eval(store, 1);
  EXPECT_NEAR(full.fit_qual, 0.0, 1e-9);
  for (double x = 0; x <= 4; x += 0.5) EXPECT_NEAR(Eval(store, x).y, 0.4, 1e-9) << "x = " << x;
}

TEST(SmoothSplineValue, ResidualMeetsTheAllowedSum) {
  // The smoothest spline within the allowed residual sum S uses all of it. Noisy data left the
  // Newton iteration short of S or beyond it: 1.12·S at 100 points, off by 5e-7 at 10^4.
  const struct {
    int n;
    double factor;
  } cases[] = {{100, 0.3}, {3000, 0.5}, {10000, 0.5}, {10000, 0.9}};
  for (const auto& c : cases) {
    std::mt19937 gen(1);
    std::normal_distribution<double> noise(0, 0.3);
    Points points;
    for (int i = 1; i <= c.n; ++i) {
      const double x = 10.0 * i / c.n;
      points.emplace_back(x, std::sin(x) + noise(gen));
    }
    TRovavAza store;
    store.SetSmoothingFactor(c.factor);
    Add(store, points);
    double k = 0, d = 0, line_fit_qual = 0;
    store.CalcLinFit(k, d, line_fit_qual);
    // The allowed sum as the spline forms it: the line's residual times the factor.
    using Ext = long double;
    double line_residual = 0;
    for (const auto& [x, y] : points) {
      const Ext r = y - static_cast<Ext>(k) * x - d;
      line_residual = static_cast<double>(line_residual + r * r);
    }
    const double allowed = static_cast<double>(line_residual * static_cast<Ext>(c.factor));
    Ext residual = 0;
    for (const auto& [x, y] : points) {
      const Ext r = y - static_cast<Ext>(Eval(store, x).y);
      residual += r * r;
    }
    EXPECT_LE(residual, allowed * (1 + 1e-12)) << c.n << " points, factor " << c.factor;
    EXPECT_GE(residual, allowed * (1 - 1e-10 - 1e-12)) << c.n << " points, factor " << c.factor;
  }
}

// Points as a user imports them: x at random over [0, 10) (close neighbours), evenly spaced, or
// evenly spaced with every tenth point doubled a hair (1e-9) to the right; y a sine plus noise.
enum class Spacing { kRandom, kEven, kNearTies };

Points Generated(int n, Spacing spacing, double noise, unsigned seed) {
  std::mt19937_64 gen(seed);
  std::uniform_real_distribution<double> uniform(0, 10);
  std::normal_distribution<double> normal(0, 1);
  Points points;
  for (int i = 0; i < n; ++i) {
    double x = spacing == Spacing::kRandom ? uniform(gen) : 10.0 * i / n;
    if (spacing == Spacing::kNearTies && i % 10 == 1) x = points.back().first + 1e-9;
    points.emplace_back(x, std::sin(x) + noise * normal(gen));
  }
  return points;
}

// The allowed sum as the spline forms it: the line's residual times the factor.
double AllowedSum(TRovavAza& store, const Points& points, double factor) {
  using Ext = long double;
  double k = 0, d = 0, line_fit_qual = 0;
  store.CalcLinFit(k, d, line_fit_qual);
  double line_residual = 0;
  for (const auto& [x, y] : points) {
    const Ext r = y - static_cast<Ext>(k) * x - d;
    line_residual = static_cast<double>(line_residual + r * r);
  }
  return static_cast<double>(line_residual * static_cast<Ext>(factor));
}

long double ResidualSum(TRovavAza& store, const Points& points) {
  long double residual = 0;
  for (const auto& [x, y] : points) {
    const long double r = y - static_cast<long double>(Eval(store, x).y);
    residual += r * r;
  }
  return residual;
}

TEST(SmoothSplineValue, ReachesTheAllowedSumOnImportedData) {
  // Random x at 10^4 and 10^5 points left the iteration at 0.19 to 0.65 of S, and evenly
  // spaced x at 10^5 on target with a curve 0.4 of the y range away from the spline.
  const struct {
    int n;
    Spacing spacing;
    double factor, noise;
  } cases[] = {
      {3, Spacing::kRandom, 0.5, 0.1},       {10, Spacing::kNearTies, 0.3, 1e-6},
      {200, Spacing::kNearTies, 0.999, 10},  {1000, Spacing::kRandom, 0.01, 1e-6},
      {1000, Spacing::kEven, 0.999999, 0.1}, {5000, Spacing::kNearTies, 0.5, 1e-3},
      {20000, Spacing::kRandom, 0.3, 1e-6},  {20000, Spacing::kRandom, 0.9, 1e-3},
      {20000, Spacing::kEven, 0.9, 0.1},     {100000, Spacing::kRandom, 0.3, 0.1},
  };
  for (const auto& c : cases) {
    const Points points = Generated(c.n, c.spacing, c.noise, 11);
    TRovavAza store;
    store.SetSmoothingFactor(c.factor);
    Add(store, points);
    const double allowed = AllowedSum(store, points, c.factor);
    EXPECT_NEAR(ResidualSum(store, points) / allowed, 1.0, 1e-8)
        << c.n << " points, spacing " << static_cast<int>(c.spacing) << ", factor " << c.factor
        << ", noise " << c.noise;
  }
}

TEST(SmoothSplineValue, AMovedFactorGivesTheSplineOfAFreshComputation) {
  // Each search starts from the last result; where it starts must not change where it ends.
  const Points points = Generated(3000, Spacing::kRandom, 0.1, 3);
  TRovavAza fresh;
  fresh.SetSmoothingFactor(0.3);
  Add(fresh, points);
  TRovavAza dragged;
  Add(dragged, points);
  for (double factor : {0.9, 0.05, 0.3}) {
    dragged.SetSmoothingFactor(factor);
    Eval(dragged, 5);
  }
  for (double x = points.front().first; x < 10; x += 0.37) {
    EXPECT_NEAR(Eval(dragged, x).y, Eval(fresh, x).y, 1e-12) << "x = " << x;
  }
}

TEST(SmoothSplineValue, ADraggedScrollBarGivesTheSplinesOfFreshComputations) {
  // One position at a time, as a drag moves it: each search starts from a prediction by the last
  // result and ends by moving the values along their derivative by p.
  const Points points = Generated(20000, Spacing::kRandom, 0.3, 5);
  TRovavAza dragged;
  Add(dragged, points);
  for (int position = 500; position <= 506; ++position) {
    const double factor = position / 1000.0;
    dragged.SetSmoothingFactor(factor);
    const double allowed = AllowedSum(dragged, points, factor);
    EXPECT_NEAR(ResidualSum(dragged, points) / allowed, 1.0, 1e-8) << "factor " << factor;
    TRovavAza fresh;
    fresh.SetSmoothingFactor(factor);
    Add(fresh, points);
    for (double x = 0.01; x < 10; x += 0.37) {
      EXPECT_NEAR(Eval(dragged, x).y, Eval(fresh, x).y, 1e-12)
          << "factor " << factor << ", x = " << x;
    }
  }
}

// The smoothing spline by the least-squares sum in values and slopes of the solver, reduced by
// Givens rotations knot by knot in long double, with p found by regula falsi on log R to 1e-15
// of S: a reference some thousand times finer than the solver's double arithmetic.
std::vector<long double> ReferenceValues(const Points& sorted, long double S) {
  using Ext = long double;
  const std::size_t n = sorted.size();
  auto rotate = [](Ext* u, Ext* v, int from, int to) {
    const Ext a = u[from], b = v[from];
    if (b == 0) return;
    const Ext r = std::sqrt(a * a + b * b), c = a / r, sn = b / r;
    u[from] = r;
    v[from] = 0;
    for (int k = from + 1; k <= to; ++k) {
      const Ext uk = u[k], vk = v[k];
      u[k] = c * uk + sn * vk;
      v[k] = c * vk - sn * uk;
    }
  };
  std::vector<Ext> g(n), rows(7 * n);
  auto solve = [&](Ext p) {
    const Ext sigma = std::sqrt(p / 2);
    Ext r11 = 1, r12 = 0, r22 = 0, d1 = sorted[0].second, d2 = 0;
    for (std::size_t i = 0; i + 1 < n; ++i) {
      const Ext h = static_cast<Ext>(sorted[i + 1].first) - sorted[i].first;
      const Ext scale = sigma / std::sqrt(h), stiff = 2 * std::sqrt(Ext(3)) * scale / h;
      Ext row1[5] = {r11, r12, 0, 0, d1}, row2[5] = {0, r22, 0, 0, d2};
      Ext row3[5] = {-stiff, -stiff * h / 2, stiff, -stiff * h / 2, 0};
      Ext row4[5] = {0, -scale, 0, scale, 0};
      rotate(row1, row3, 0, 4);
      rotate(row2, row4, 1, 4);
      rotate(row2, row3, 1, 4);
      Ext* out = &rows[7 * i];
      for (int k = 0; k < 4; ++k) out[k] = row1[k + 1] / row1[0];
      for (int k = 0; k < 3; ++k) out[4 + k] = row2[k + 2] / row2[1];
      Ext obs[3] = {1, 0, sorted[i + 1].second}, top[3] = {row3[2], row3[3], row3[4]};
      Ext bottom[3] = {0, row4[3], row4[4]};
      rotate(top, obs, 0, 2);
      rotate(bottom, obs, 1, 2);
      r11 = top[0];
      r12 = top[1];
      d1 = top[2];
      r22 = bottom[1];
      d2 = bottom[2];
    }
    Ext s_next = d2 / r22, g_next = (d1 - r12 * s_next) / r11;
    g[n - 1] = g_next;
    Ext residual = 0;
    for (std::size_t i = n - 1; i-- > 0;) {
      const Ext* out = &rows[7 * i];
      const Ext si = out[6] - out[4] * g_next - out[5] * s_next;
      g[i] = out[3] - out[0] * si - out[1] * g_next - out[2] * s_next;
      s_next = si;
      g_next = g[i];
    }
    for (std::size_t i = 0; i < n; ++i)
      residual += (sorted[i].second - g[i]) * (sorted[i].second - g[i]);
    return std::log(residual) - std::log(S);
  };
  // log R rises with log p: bracket the root in steps of 4, then narrow it by the Illinois
  // variant of regula falsi.
  Ext lo = 0, f_lo = solve(1);
  Ext hi = lo, f_hi = f_lo;
  while (f_hi < 0) {
    lo = hi;
    f_lo = f_hi;
    hi += 4;
    f_hi = solve(std::exp(hi));
  }
  while (f_lo > 0) {
    hi = lo;
    f_hi = f_lo;
    lo -= 4;
    f_lo = solve(std::exp(lo));
  }
  int side = 0;
  for (int step = 0; step < 500; ++step) {
    const Ext t = (lo * f_hi - hi * f_lo) / (f_hi - f_lo);
    const Ext f = solve(std::exp(t));
    if (std::fabs(f) <= 1e-15L || !(t > lo && t < hi)) break;
    if (f < 0) {
      lo = t;
      f_lo = f;
      if (side == -1) f_hi /= 2;
      side = -1;
    } else {
      hi = t;
      f_hi = f;
      if (side == 1) f_lo /= 2;
      side = 1;
    }
  }
  return g;
}

TEST(SmoothSplineValue, MatchesAnExtendedPrecisionReference) {
  const struct {
    int n;
    Spacing spacing;
    double factor, noise;
  } cases[] = {{20000, Spacing::kRandom, 0.5, 0.3},
               {20000, Spacing::kNearTies, 0.5, 0.1},
               {5000, Spacing::kEven, 0.05, 0.3},
               {5000, Spacing::kRandom, 0.95, 1e-3}};
  for (const auto& c : cases) {
    Points points = Generated(c.n, c.spacing, c.noise, 23);
    TRovavAza store;
    store.SetSmoothingFactor(c.factor);
    Add(store, points);
    const double allowed = AllowedSum(store, points, c.factor);
    std::sort(points.begin(), points.end());
    const std::vector<long double> reference = ReferenceValues(points, allowed);
    const auto [lowest, highest] =
        std::minmax_element(points.begin(), points.end(),
                            [](const auto& a, const auto& b) { return a.second < b.second; });
    const double range = highest->second - lowest->second;
    double worst = 0;
    for (std::size_t i = 0; i < points.size(); ++i) {
      const long double off = Eval(store, points[i].first).y - reference[i];
      worst = std::max(worst, static_cast<double>(std::fabs(off)));
    }
    EXPECT_LE(worst, 1e-12 * range)
        << c.n << " points, spacing " << static_cast<int>(c.spacing) << ", factor " << c.factor;
  }
}

TEST(SmoothSplineValue, KnotsTooFarApartInScaleForThePairedSweepStillMeetTheSum) {
  // A gap of 1e-45 beside gaps of 0.05: the squared weights of the paired sweep would span more
  // than the double range allows it, so the first sweep (rows in their square roots) serves.
  Points points = Generated(400, Spacing::kEven, 0.3, 9);
  points.emplace_back(1e-45, 0.7);
  for (double factor : {0.05, 0.5, 0.95}) {
    TRovavAza store;
    store.SetSmoothingFactor(factor);
    Add(store, points);
    const double allowed = AllowedSum(store, points, factor);
    EXPECT_NEAR(ResidualSum(store, points) / allowed, 1.0, 1e-8) << "factor " << factor;
  }
}

TEST(SmoothSplineValue, EveryKnotFindsItsOwnPiece) {
  // With factor 0 the value at a knot is exactly its y through the piece starting there; the
  // piece before it would only come close.
  std::mt19937 gen(5);
  std::uniform_real_distribution<double> gap(0.01, 3.0);
  std::uniform_real_distribution<double> value(-100.0, 100.0);
  Points points;
  double x = -20;
  for (int i = 0; i < 257; ++i) {
    x += gap(gen);
    points.emplace_back(x, value(gen));
  }
  TRovavAza store;
  store.SetSmoothingFactor(0);
  Add(store, points);
  for (const auto& [knot, y] : points) {
    const Value v = Eval(store, knot);
    EXPECT_TRUE(v.valid);
    EXPECT_EQ(v.y, y) << "knot " << knot;
  }
  EXPECT_FALSE(Eval(store, std::nextafter(points.front().first, -1e9)).valid);
  EXPECT_FALSE(Eval(store, std::nextafter(points.back().first, 1e9)).valid);
  EXPECT_EQ(Eval(store, std::nextafter(points.back().first, 1e9)).y, 0.0);
}

TEST(SmoothSplineValue, NaNDataIsAnInvalidOperationNotAHang) {
  TRovavAza store;
  Add(store, {{0, 0}, {1, std::numeric_limits<double>::quiet_NaN()}, {2, 0}, {3, 1}});
  EXPECT_THROW(Eval(store, 0.5), EInvalidOp);
  EXPECT_FALSE(store.SplineValid());
  EXPECT_THROW(Eval(store, 0.5), EInvalidOp);
}

TEST(SmoothSplineValue, NaNArgumentIsAnInvalidOperation) {
  // A NaN compares with neither end of the range; it must not come back as a valid value.
  TRovavAza store;
  Add(store, kZigZag);
  EXPECT_THROW(Eval(store, std::numeric_limits<double>::quiet_NaN()), EInvalidOp);
  EXPECT_TRUE(store.SplineValid());
  const Value v = Eval(store, 2);
  EXPECT_TRUE(v.valid);
  EXPECT_NO_THROW(CheckFloatFlags());
}

TEST(SmoothSplineValue, ValueBeyondTheDoubleRangeIsAnOverflow) {
  // The piece between 1e-30 and 1e150 peaks far above its knots.
  TRovavAza store;
  Add(store, {{0, 0}, {1e-30, 1e150}, {1e150, 1e150}});
  EXPECT_THROW(Eval(store, 5e149), EOverflow);
  EXPECT_TRUE(store.SplineValid());
  EXPECT_EQ(Eval(store, 1e150).y, 1e150);
}

TEST(SmoothSplineValue, LastKnotIsSoundAfterAFailedComputation) {
  // An interval of 1e-200 overflows the solver's set-up and leaves infinities in the coefficient
  // arrays; a later spline whose last knot lands on such a slot must still evaluate there.
  TRovavAza store;
  Add(store, {{0, 0}, {1e-200, 1}, {1, 0}, {2, 1}});
  EXPECT_THROW(Eval(store, 0.5), EOverflow);
  store.ClearData();
  Add(store, {{0, 0}, {1, 1}});
  const Value v = Eval(store, 1);
  EXPECT_TRUE(v.valid);
  EXPECT_EQ(v.y, 1.0);
}

}  // namespace

// Found by fuzzing: with two x values a hair apart among far-spread points the computed residual
// exceeded the spread, and the quality read below 0.
TEST(SmoothSplineValue, QualityStaysInTheUnitRangeOnBadlyConditionedKnots) {
  TRovavAza store;
  const double points[][2] = {{999.99959587129479, 999.99995088920491},
                              {-3, 20},
                              {-791.24114404633872, 7},
                              {14, 1000000.017},
                              {999999.951, 14},
                              {512.1619320746986, 999999.91799999995},
                              {-631.37254901960785, -670.41015630820777},
                              {-631.37255050241947, 999.99299412229448},
                              {978.00245136022568, 999.96972124737613},
                              {742.5842285150934, 1000}};
  for (const auto& p : points) store.AddPoint(p[0], p[1]);
  double q = -1;
  bool valid = false;
  try {
    store.SmoothSplineValue(999.969482421875, q, valid);
  } catch (const std::runtime_error&) {
    return;  // refusing the data is sound too
  }
  EXPECT_GE(q, 0);
  EXPECT_LE(q, 1);
}
