#include "fit/weighted_fit.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <limits>
#include <string>
#include <vector>

#include "base/float_check.h"
#include "fit/kovix_errors.h"
#include "fit/polynomial_curve.h"
#include "fit/rovav_aza.h"
#include "tests/support/least_squares.h"
#include "tests/support/model_curves.h"

namespace {

using Quad = __float128;

using test_support::GenerateUncertain;
using test_support::kWeightedModels;
using test_support::UncertainPoints;
using test_support::WeightedModel;

// Every model's weighted fit as the independent weighted least squares in quadruple precision
// has it: the fitted values, χ², the weighted R², and the coefficients of u^j where they carry the
// curve (away from 0 they cancel, and the form in t serves).
TEST(FitWeighted, AsTheIndependentWeightedLeastSquares) {
  for (const WeightedModel& m : kWeightedModels) {
    SCOPED_TRACE(m.name);
    const UncertainPoints pts = GenerateUncertain(m, 200, 11);
    std::vector<Quad> u, z, w;
    for (std::size_t i = 0; i < pts.x.size(); ++i) {
      u.push_back(InCoordinate(m.u, pts.x[i]));
      z.push_back(InCoordinate(m.z, pts.y[i]));
      w.push_back(test_support::WeightIn<Quad>(m.z, pts.y[i], pts.dy[i]));
    }
    const test_support::LeastSquares<Quad> ref(u, z, m.order, test_support::Basis::kPowers,
                                               test_support::Centring::kMeanAndRms, w);
    const WeightedFit fit = FitWeighted({pts.x, pts.y, pts.dy, m.u, m.z, m.order});
    EXPECT_FALSE(fit.rank_deficient);
    ASSERT_EQ(fit.coefficients.size(), std::size_t(m.order + 1));
    const auto [zlo, zhi] = std::minmax_element(z.begin(), z.end());
    const double range = static_cast<double>(*zhi - *zlo);
    for (std::size_t i = 0; i < u.size(); i += 7) {
      const long double ui = static_cast<long double>(u[i]);
      EXPECT_NEAR(static_cast<double>(fit.Value(ui)), static_cast<double>(ref.Fitted(u[i])),
                  1e-12 * range);
      if (m.lo < 1000) {
        long double sum = 0, power = 1;
        for (const double c : fit.coefficients) {
          sum += c * power;
          power *= ui;
        }
        EXPECT_NEAR(static_cast<double>(sum), static_cast<double>(ref.Fitted(u[i])), 1e-11 * range);
      }
    }
    const double chi2 = static_cast<double>(ref.ResidualSum());
    EXPECT_NEAR(fit.chi2, chi2, 1e-10 * chi2);
    EXPECT_NEAR(fit.fit_quality, static_cast<double>(ref.FitQuality()), 1e-12);
  }
}

// dy = 1 everywhere fits as the store's own unweighted fits; a point of dy 1e30 is as if it were
// not there; one of dy 1e-9 pins the curve to it.
TEST(FitWeighted, UnitHugeAndTinyUncertainties) {
  const UncertainPoints pts = GenerateUncertain(kWeightedModels[2], 60, 11);  // years
  const std::vector<double> ones(pts.x.size(), 1.0);
  TRovavAza store;
  for (std::size_t i = 0; i < pts.x.size(); ++i) store.AddPoint(pts.x[i], pts.y[i]);

  double k = 0, d = 0, q = 0;
  store.CalcLinFit(k, d, q);
  const WeightedFit line = FitWeighted({pts.x, pts.y, ones, Coordinate::Same, Coordinate::Same, 1});
  EXPECT_NEAR(line.coefficients[1], k, 1e-12 * std::fabs(k));
  EXPECT_NEAR(line.coefficients[0], d, 1e-12 * std::fabs(d));
  EXPECT_NEAR(line.fit_quality, q, 1e-12);

  std::array<double, 11> c{};
  bool deficient = false;
  PolynomialCurve curve;
  ASSERT_TRUE(store.CalcPolynomialFit(5, c, q, deficient, curve));
  const WeightedFit five = FitWeighted({pts.x, pts.y, ones, Coordinate::Same, Coordinate::Same, 5});
  EXPECT_NEAR(five.fit_quality, q, 1e-12);
  for (const double x : {1990.0, 2005.0, 2020.0})
    EXPECT_NEAR(static_cast<double>(five.Value(x)), curve.Value(x), 1e-9) << x;

  double k0 = 0, k1 = 0;
  TRovavAza growing;
  const UncertainPoints g = GenerateUncertain(kWeightedModels[6], 60, 11);
  for (std::size_t i = 0; i < g.x.size(); ++i) growing.AddPoint(g.x[i], g.y[i]);
  growing.CalcExponentialFit(k0, k1, q);
  // ln y weighted by y²: dy = y makes dz = 1, the unweighted line in ln y.
  const WeightedFit expon = FitWeighted({g.x, g.y, g.y, Coordinate::Same, Coordinate::Ln, 1});
  EXPECT_NEAR(expon.coefficients[1], k1, 1e-12 * std::fabs(k1));
  EXPECT_NEAR(std::exp(expon.coefficients[0]), k0, 1e-12 * k0);
  EXPECT_NEAR(expon.fit_quality, q, 1e-12);

  // The last point with dy 1e30 against the points without it; the first with dy 1e-9.
  std::vector<double> dy = pts.dy;
  dy.back() = 1e30;
  const WeightedFit huge = FitWeighted({pts.x, pts.y, dy, Coordinate::Same, Coordinate::Same, 3});
  const std::size_t n = pts.x.size() - 1;
  const WeightedFit fewer =
      FitWeighted({std::span(pts.x).first(n), std::span(pts.y).first(n), std::span(pts.dy).first(n),
                   Coordinate::Same, Coordinate::Same, 3});
  for (const double x : {1990.0, 2005.0, 2020.0})
    EXPECT_NEAR(static_cast<double>(huge.Value(x)), static_cast<double>(fewer.Value(x)), 1e-9);
  EXPECT_NEAR(huge.chi2, fewer.chi2, 1e-9 * fewer.chi2);
  dy = pts.dy;
  dy.front() = 1e-9;
  const WeightedFit pinned = FitWeighted({pts.x, pts.y, dy, Coordinate::Same, Coordinate::Same, 3});
  EXPECT_NEAR(static_cast<double>(pinned.Value(pts.x.front())), pts.y.front(), 1e-7);
}

TEST(FitWeighted, RefusesWhatIsNoFit) {
  const std::vector<double> x = {1, 2, 3, 4}, y = {2, 3, 5, 4};
  const double nan = std::numeric_limits<double>::quiet_NaN();
  const double inf = std::numeric_limits<double>::infinity();
  for (const double bad : {0.0, -0.5, nan, inf}) {
    const std::vector<double> dy = {1, bad, 1, 1};
    EXPECT_THROW(FitWeighted({x, y, dy}), EKovixMath2Error) << bad;
  }
  const std::vector<double> dy = {1, 1, 1, 1}, three = {1, 1, 1};
  EXPECT_THROW(FitWeighted({x, y, three}), EKovixMath2Error);
  EXPECT_THROW(FitWeighted({x, y, dy, Coordinate::Same, Coordinate::Same, 0}), EKovixMath2Error);
  EXPECT_THROW(FitWeighted({x, y, dy, Coordinate::Same, Coordinate::Same, 11}), EKovixMath2Error);
  EXPECT_THROW(FitWeighted({std::span(x).first(1), std::span(y).first(1), std::span(dy).first(1)}),
               EKovixMath2Error);
  // ln of 0 and 1/0: the arithmetic's own errors.
  const std::vector<double> zero_x = {0, 2, 3, 4}, zero_y = {2, 0, 5, 4};
  EXPECT_THROW(FitWeighted({zero_x, y, dy, Coordinate::Ln}), EMathError);
  EXPECT_THROW(FitWeighted({x, zero_y, dy, Coordinate::Same, Coordinate::Reciprocal}), EMathError);
  // Fewer points than parameters: the minimum-norm polynomial through them.
  const WeightedFit few = FitWeighted({x, y, dy, Coordinate::Same, Coordinate::Same, 5});
  EXPECT_TRUE(few.rank_deficient);
  for (std::size_t i = 0; i < x.size(); ++i)
    EXPECT_NEAR(static_cast<double>(few.Value(x[i])), y[i], 1e-12);
  EXPECT_NEAR(few.chi2, 0, 1e-20);
}

}  // namespace
