#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <initializer_list>
#include <limits>
#include <random>
#include <string>
#include <utility>
#include <vector>

#include "base/float_check.h"
#include "fit/kovix_errors.h"
#include "fit/rovav_aza.h"
#include "tests/support/least_squares.h"

namespace {

constexpr double kUntouched = 99.0;

struct Fit {
  bool ok = false;
  std::array<double, 11> k{};
  double fit_qual = -1.0;
  bool rank_deficient = false;
};

Fit PolyFit(std::initializer_list<std::pair<double, double>> points, std::uint8_t order) {
  TRovavAza store;
  for (const auto& [x, y] : points) store.AddPoint(x, y);
  Fit fit;
  fit.k.fill(kUntouched);
  fit.ok = store.CalcPolynomialFit(order, fit.k, fit.fit_qual, fit.rank_deficient);
  return fit;
}

TEST(CalcPolynomialFit, OrderOneThroughALine) {
  const Fit fit = PolyFit({{1, 1}, {2, 3}, {3, 5}}, 1);
  EXPECT_TRUE(fit.ok);
  EXPECT_FALSE(fit.rank_deficient);
  EXPECT_NEAR(fit.k[0], -1.0, 1e-14);
  EXPECT_NEAR(fit.k[1], 2.0, 1e-14);
  EXPECT_NEAR(fit.fit_qual, 1.0, 1e-15);
  // Only indices 0..order are written.
  for (std::size_t j = 2; j < fit.k.size(); ++j) EXPECT_EQ(fit.k[j], kUntouched);
}

TEST(CalcPolynomialFit, OrderTwoThroughAnExactParabola) {
  // y = 1 + x².
  const Fit fit = PolyFit({{0, 1}, {1, 2}, {2, 5}}, 2);
  EXPECT_TRUE(fit.ok);
  EXPECT_FALSE(fit.rank_deficient);
  EXPECT_NEAR(fit.k[0], 1.0, 1e-14);
  EXPECT_NEAR(fit.k[1], 0.0, 1e-14);
  EXPECT_NEAR(fit.k[2], 1.0, 1e-14);
  EXPECT_NEAR(fit.fit_qual, 1.0, 1e-15);
}

TEST(CalcPolynomialFit, OrderTwoLeastSquaresParabola) {
  const Fit fit = PolyFit({{0, 1}, {1, 2}, {2, 5}, {3, 10.5}}, 2);
  EXPECT_TRUE(fit.ok);
  EXPECT_FALSE(fit.rank_deficient);
  EXPECT_NEAR(fit.k[0], 1.025, 1e-13);
  EXPECT_NEAR(fit.k[1], -0.225, 1e-13);
  EXPECT_NEAR(fit.k[2], 1.125, 1e-13);
  // 1 - SSE/SST with SSE = 0.0125 and SST = 54.6875.
  EXPECT_NEAR(fit.fit_qual, 1.0 - 0.0125 / 54.6875, 1e-13);
}

TEST(CalcPolynomialFit, NoSpreadInYGivesZeroQuality) {
  const Fit equal = PolyFit({{1, 2}, {2, 2}, {3, 2}}, 1);
  EXPECT_TRUE(equal.ok);
  EXPECT_NEAR(equal.k[0], 2.0, 1e-14);
  EXPECT_NEAR(equal.k[1], 0.0, 1e-14);
  EXPECT_EQ(equal.fit_qual, 0.0);

  const Fit zero = PolyFit({{1, 0}, {2, 0}, {3, 0}, {4, 0}}, 2);
  EXPECT_TRUE(zero.ok);
  EXPECT_EQ(zero.fit_qual, 0.0);
}

TEST(CalcPolynomialFit, TooFewDistinctXGivesMinimumNormSolution) {
  // Exact on the means (1.5 at x = 1, 3 at x = 2); the shortest (k1, k2, k0) doing that is
  // (15, 9, 18) / 28.
  const Fit fit = PolyFit({{1, 1}, {1, 2}, {2, 3}}, 2);
  EXPECT_TRUE(fit.ok);
  EXPECT_TRUE(fit.rank_deficient);
  EXPECT_NEAR(fit.k[0], 18.0 / 28, 1e-13);
  EXPECT_NEAR(fit.k[1], 15.0 / 28, 1e-13);
  EXPECT_NEAR(fit.k[2], 9.0 / 28, 1e-13);
  // y against fitted (1.5, 1.5, 3): r² = 0.75.
  EXPECT_NEAR(fit.fit_qual, 0.75, 1e-13);
}

TEST(CalcPolynomialFit, FewerPointsThanCoefficientsPassThroughThePoints) {
  const Fit fit = PolyFit({{1, 1}, {2, 3}}, 3);
  EXPECT_TRUE(fit.ok);
  EXPECT_TRUE(fit.rank_deficient);
  for (const auto& [x, y] : {std::pair{1.0, 1.0}, std::pair{2.0, 3.0}}) {
    EXPECT_NEAR(fit.k[0] + x * (fit.k[1] + x * (fit.k[2] + x * fit.k[3])), y, 1e-13);
  }
  EXPECT_NEAR(fit.fit_qual, 1.0, 1e-14);
}

TEST(CalcPolynomialFit, NoPointsGivesZeros) {
  const Fit fit = PolyFit({}, 3);
  EXPECT_TRUE(fit.ok);
  EXPECT_FALSE(fit.rank_deficient);
  for (int j = 0; j <= 3; ++j) EXPECT_EQ(fit.k[static_cast<std::size_t>(j)], 0.0);
  EXPECT_EQ(fit.k[4], kUntouched);
  EXPECT_EQ(fit.fit_qual, 0.0);
}

TEST(CalcPolynomialFit, OrdersOneAndTwoAgreeWithTheLineAndParabolaFits) {
  std::mt19937 gen(2024);
  std::uniform_real_distribution<double> x_dist(-3.0, 7.0);
  std::normal_distribution<double> noise(0.0, 2.0);
  TRovavAza store;
  for (int i = 0; i < 60; ++i) {
    const double x = x_dist(gen);
    store.AddPoint(x, 1.5 - 0.8 * x + 0.3 * x * x + noise(gen));
  }
  std::array<double, 11> k{};
  double fit_qual = 0;
  bool rank_deficient = true;

  double slope = 0, intercept = 0, line_qual = 0;
  store.CalcLinFit(slope, intercept, line_qual);
  ASSERT_TRUE(store.CalcPolynomialFit(1, k, fit_qual, rank_deficient));
  EXPECT_NEAR(k[0], intercept, 1e-12);
  EXPECT_NEAR(k[1], slope, 1e-12);
  EXPECT_NEAR(fit_qual, line_qual, 1e-12);

  double k0 = 0, k1 = 0, k2 = 0, parabola_qual = 0;
  store.CalcParabolFit(k0, k1, k2, parabola_qual);
  ASSERT_TRUE(store.CalcPolynomialFit(2, k, fit_qual, rank_deficient));
  EXPECT_NEAR(k[0], k0, 1e-12);
  EXPECT_NEAR(k[1], k1, 1e-12);
  EXPECT_NEAR(k[2], k2, 1e-12);
  EXPECT_NEAR(fit_qual, parabola_qual, 1e-12);
}

struct ExactCase {
  std::vector<double> coefficients;
  double lo;
  double hi;
  double tolerance;
};

TEST(CalcPolynomialFit, HighOrderRecoversExactPolynomial) {
  // Exact data of known polynomials at 1001 points; the fit must return their coefficients. On
  // [0, 10] the order-9 design matrix is badly conditioned: the tolerance there is what the
  // extended-precision decomposition reaches with a margin, and double precision does not.
  const std::vector<double> five = {0.5, -1.0, 2.0, 0.25, -3.0, 1.5};
  const std::vector<double> nine = {1.0, -2.0, 0.5, 3.0, -1.0, 0.75, -0.5, 2.0, 1.25, -1.5};
  const ExactCase cases[] = {{five, -1, 1, 1e-13}, {nine, -1, 1, 1e-12}, {nine, 0, 10, 1e-6}};
  for (const ExactCase& c : cases) {
    const int p = static_cast<int>(c.coefficients.size()) - 1;
    TRovavAza store;
    for (int i = 0; i <= 1000; ++i) {
      const long double x = c.lo + (c.hi - c.lo) * i / 1000.0L;
      long double y = 0;
      for (int j = p; j >= 0; --j) y = y * x + c.coefficients[static_cast<std::size_t>(j)];
      store.AddPoint(static_cast<double>(x), static_cast<double>(y));
    }
    std::array<double, 11> k{};
    double fit_qual = 0;
    bool rank_deficient = true;
    ASSERT_TRUE(store.CalcPolynomialFit(static_cast<std::uint8_t>(p), k, fit_qual, rank_deficient));
    EXPECT_FALSE(rank_deficient);
    for (int j = 0; j <= p; ++j) {
      EXPECT_NEAR(k[static_cast<std::size_t>(j)], c.coefficients[static_cast<std::size_t>(j)],
                  c.tolerance)
          << "order " << p << " on " << c.lo << ".." << c.hi << ", coefficient " << j;
    }
    EXPECT_NEAR(fit_qual, 1.0, 1e-14);
  }
}

TEST(CalcPolynomialFit, RefusesTooShortCoefficientArray) {
  TRovavAza store;
  store.AddPoint(1, 1);
  store.AddPoint(2, 3);
  store.AddPoint(3, 4);
  std::array<double, 3> k{kUntouched, kUntouched, kUntouched};
  double fit_qual = -1;
  bool rank_deficient = true;
  try {
    store.CalcPolynomialFit(3, k, fit_qual, rank_deficient);
    FAIL() << "expected EKovixMath2Error";
  } catch (const EKovixMath2Error& e) {
    EXPECT_EQ(std::string(e.what()),
              "CalcPolynomialFit: coefficients must hold order + 1 elements");
  }
  for (double value : k) EXPECT_EQ(value, kUntouched);
  EXPECT_EQ(fit_qual, -1);
  // Exactly order + 1 elements is enough.
  EXPECT_TRUE(store.CalcPolynomialFit(2, k, fit_qual, rank_deficient));
}

TEST(CalcPolynomialFit, PowerOverflowIsRaised) {
  TRovavAza store;
  store.AddPoint(1e40, 1);
  store.AddPoint(2e40, 2);
  std::array<double, 11> k{};
  double fit_qual = 0;
  bool rank_deficient = false;
  EXPECT_THROW(store.CalcPolynomialFit(9, k, fit_qual, rank_deficient), EOverflow);
}

TEST(CalcPolynomialFit, NonFiniteDataIsAnInvalidOperation) {
  // Whatever the compiler makes of comparisons with a NaN, the fit must not hand one out.
  const double nan = std::numeric_limits<double>::quiet_NaN();
  const double inf = std::numeric_limits<double>::infinity();
  const std::vector<std::pair<double, double>> bad_points = {
      {nan, 1}, {2, nan}, {inf, 1}, {2, -inf}};
  for (const auto& [x, y] : bad_points) {
    TRovavAza store;
    store.AddPoint(1, 1);
    store.AddPoint(x, y);
    store.AddPoint(3, 2);
    std::array<double, 11> k{};
    double fit_qual = 0;
    bool rank_deficient = false;
    EXPECT_THROW(store.CalcPolynomialFit(2, k, fit_qual, rank_deficient), EInvalidOp)
        << "(" << x << ", " << y << ")";
    EXPECT_NO_THROW(CheckFloatFlags());
  }
}

}  // namespace

namespace {

// The curve as the window draws it from the coefficients: running powers, in doubles.
double WindowCurve(const std::array<double, 11>& k, int p, double x) {
  double sum = 0, power = 1;
  for (int j = 0; j <= p; ++j) {
    sum = sum + k[j] * power;
    power = power * x;
  }
  return sum;
}

// Data away from 0: the goodness of fit is the least-squares one and never falls as the order
// rises; near enough to 0 the window's curve from the shown coefficients follows the fit.
TEST(CalcPolynomialFit, AwayFromZeroEveryOrderFitsAsLeastSquares) {
  struct Set {
    const char* name;
    double low, range;  // x from low to low + range
  };
  const Set sets[] = {{"0..10", 0, 10},
                      {"0..100", 0, 100},
                      {"years 1900..2000", 1900, 100},
                      {"1000..1010", 1000, 10},
                      {"offset 5 R", 5, 1},
                      {"offset 20 R", 2e4, 1e3},
                      {"offset 100 R", 1e-3, 1e-5},
                      {"negative, offset 50 R", -51e6, 1e6}};
  for (const Set& set : sets) {
    std::mt19937_64 gen(7);
    std::uniform_real_distribution<double> unit(0, 1);
    std::vector<std::pair<double, double>> points;
    TRovavAza store;
    for (int i = 0; i < 60; ++i) {
      const double s = (i + 0.5 * unit(gen)) / 60;
      const double x = set.low + set.range * s;
      const double y = 3 + std::sin(4 * s) + 0.5 * s * s + 0.01 * (unit(gen) - 0.5);
      points.push_back({x, y});
      store.AddPoint(x, y);
    }
    double yLow = points[0].second, yHigh = yLow;
    for (const auto& [x, y] : points) {
      yLow = std::min(yLow, y);
      yHigh = std::max(yHigh, y);
    }
    const double yRange = yHigh - yLow;
    double previous = 0;
    for (int p = 1; p <= 9; ++p) {
      SCOPED_TRACE(std::string(set.name) + ", order " + std::to_string(p));
      std::array<double, 11> k{};
      double fitQual = -1;
      bool deficient = true;
      ASSERT_TRUE(store.CalcPolynomialFit(std::uint8_t(p), k, fitQual, deficient));
      EXPECT_FALSE(deficient);
      const auto ref = test_support::PolynomialReference(points, p);
      EXPECT_NEAR(fitQual, double(ref.FitQuality()), 1e-9);
      EXPECT_GE(fitQual, previous - 1e-12);
      previous = fitQual;
      // The curve from the shown coefficients, across the data.
      const double offset = std::fabs(set.low + set.range / 2) / set.range;
      double worst = 0;
      for (int i = 0; i <= 200; ++i) {
        const double x = set.low + set.range * i / 200;
        worst = std::max(worst, double(std::fabs(WindowCurve(k, p, x) - ref.Fitted(x))));
      }
      // Far from 0 the double coefficients cannot carry high orders (see CalcPolynomialFit).
      if (offset <= 20 && p <= 6) {
        EXPECT_LE(worst, 1e-6 * yRange);
      }
    }
  }
}

}  // namespace
