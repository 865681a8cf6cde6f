#include "fit/regression_statistics.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <limits>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "base/float_check.h"
#include "fit/kovix_errors.h"
#include "fit/polynomial_curve.h"
#include "fit/rovav_aza.h"
#include "tests/support/least_squares.h"
#include "tests/support/model_curves.h"
#include "tests/support/nist_strd.h"

namespace {

using Ext = long double;

// How the test reaches the statistics: through the store's own fit, as the command line does.
enum class Model { Lin, Parabol, Polynomial, ReciLin, Log, ReciLog, Exponential };

struct Solved {
  std::vector<double> coefficients;  // of u^0..u^order, as the fit hands them out
  RegressionInput input;
  RegressionStatistics stats;
};

Solved Solve(const TRovavAza& store, Model model, int order, bool centre_hint) {
  Solved s;
  const auto n = static_cast<std::size_t>(store.NumPoints());
  RegressionInput& in = s.input;
  in.x = store.PointTable().Column(1).first(n);
  in.y = store.PointTable().Column(2).first(n);
  in.order = order;
  double k0 = 0, k1 = 0, k2 = 0, q = 0;
  switch (model) {
    case Model::Lin:
      store.CalcLinFit(k1, k0, q);
      break;
    case Model::Parabol:
      store.CalcParabolFit(k0, k1, k2, q);
      break;
    case Model::Polynomial: {
      std::array<double, 11> c{};
      bool deficient = false;
      PolynomialCurve curve;
      store.CalcPolynomialFit(static_cast<std::uint8_t>(order), c, q, deficient, curve);
      s.coefficients.assign(c.begin(), c.begin() + order + 1);
      in.fitted = [curve](double x) { return curve.ExtendedValue(x); };
      in.solved_raw = !curve.Centred();
      break;
    }
    case Model::ReciLin:
      store.CalcReciLinFit(k0, k1, q);
      in.z = Coordinate::Reciprocal;
      break;
    case Model::Log:
      store.CalcLogFit(k0, k1, q);
      in.u = Coordinate::Ln;
      break;
    case Model::ReciLog:
      store.CalcReciLogFit(k0, k1, q);
      in.u = Coordinate::Ln;
      in.z = Coordinate::Reciprocal;
      break;
    case Model::Exponential:
      store.CalcExponentialFit(k0, k1, q);
      k0 = std::log(k0);  // the intercept of ln y
      in.z = Coordinate::Ln;
      break;
  }
  if (model == Model::Parabol) {
    s.coefficients = {k0, k1, k2};
    in.fitted = [k0, k1, k2](double x) { return k0 + (k1 + static_cast<Ext>(k2) * x) * x; };
  } else if (model != Model::Polynomial) {
    s.coefficients = {k0, k1};
    const bool ln = in.u == Coordinate::Ln;
    in.fitted = [k0, k1, ln](double x) {
      return k0 + k1 * (ln ? std::log(static_cast<Ext>(x)) : static_cast<Ext>(x));
    };
  }
  if (centre_hint) {
    const RunningSums& sums = store.Sums();
    in.centre = (in.u == Coordinate::Ln ? sums.SumLnX : sums.SumX) / static_cast<Ext>(n);
  }
  s.stats = LeastSquaresStatistics(in);
  return s;
}

void Fill(TRovavAza& store, const std::vector<double>& x, const std::vector<double>& y) {
  for (std::size_t i = 0; i < x.size(); ++i) store.AddPoint(x[i], y[i]);
}

double StandardError(const RegressionStatistics& st, int j) {
  return std::sqrt(*st.sigma2 * st.covariance[static_cast<std::size_t>(j * st.parameters + j)]);
}

// Significant digits in which a agrees with b.
double Digits(double a, double b) {
  if (a == b) return 16;
  return std::min(16.0, -std::log10(std::fabs(a - b) / std::fabs(b)));
}

// ---- NIST StRD linear least squares: the certified values -----------------------------------

struct Certified {
  std::string name;
  Model model;
  int order;
  bool centre_hint;
  std::vector<double> x, y;
  std::vector<double> estimate, sd;  // per parameter, b_0 first
  double residual_sd, r_squared;
  std::optional<double> f;  // nullopt: certified as infinite
  // Significant digits the fit's coefficients reach (measured; a finding, not a goal).
  double estimate_digits;
};

const std::vector<double> kOnes = {1, 1, 1, 1, 1, 1};
std::vector<double> Times(std::vector<double> v, double f) {
  for (double& e : v) e *= f;
  return v;
}

std::vector<Certified> NistSets() {
  using namespace nist_strd;
  const std::vector<double> zeros(6, 0.0);
  return {
      {"Norris", Model::Lin, 1, false, kNorrisX, kNorrisY, kNorrisEstimate, kNorrisSd,
       0.884796396144373, 0.999993745883712, 5436385.54079785, 12},
      {"NorrisOnePass", Model::Lin, 1, true, kNorrisX, kNorrisY, kNorrisEstimate, kNorrisSd,
       0.884796396144373, 0.999993745883712, 5436385.54079785, 12},
      {"NorrisPolynomial", Model::Polynomial, 1, false, kNorrisX, kNorrisY, kNorrisEstimate,
       kNorrisSd, 0.884796396144373, 0.999993745883712, 5436385.54079785, 14},
      {"PontiusParabola", Model::Parabol, 2, false, PontiusX(), kPontiusY, kPontiusEstimate,
       kPontiusSd, 0.205177424076185E-03, 0.999999900178537, 185330865.995752, 12},
      {"PontiusPolynomial", Model::Polynomial, 2, false, PontiusX(), kPontiusY, kPontiusEstimate,
       kPontiusSd, 0.205177424076185E-03, 0.999999900178537, 185330865.995752, 12},
      {"Wampler1", Model::Polynomial, 5, false, WamplerX(), kWampler1Y, kOnes, zeros, 0, 1,
       std::nullopt, 9.5},
      {"Wampler2",
       Model::Polynomial,
       5,
       false,
       WamplerX(),
       kWampler2Y,
       {1, 0.1, 0.01, 0.001, 0.0001, 0.00001},
       zeros,
       0,
       1,
       std::nullopt,
       12},
      {"Wampler3", Model::Polynomial, 5, false, WamplerX(), kWampler3Y, kOnes, kWampler3Sd,
       2360.14502379268, 0.999995559025820, 675524.458240122, 9.5},
      {"Wampler4", Model::Polynomial, 5, false, WamplerX(), kWampler4Y, kOnes,
       Times(kWampler3Sd, 100), 236014.502379268, 0.957478440825662, 67.5524458240122, 8},
      {"Wampler5", Model::Polynomial, 5, false, WamplerX(), kWampler5Y, kOnes,
       Times(kWampler3Sd, 10000), 23601450.2379268, 0.224668921574940E-02, 0.675524458240122E-02,
       6},
  };
}

class NistCertified : public testing::TestWithParam<Certified> {};

// Standard deviations of the estimates, residual standard deviation, R² and F to 10 significant
// digits, through the store's fit. Wampler1 and 2 are exact polynomials: their certified
// deviations are 0, and what is left is the rounding of the fit, compared with the scale of y.
TEST_P(NistCertified, StatisticsToTenDigits) {
  const Certified& c = GetParam();
  TRovavAza store;
  Fill(store, c.x, c.y);
  const Solved s = Solve(store, c.model, c.order, c.centre_hint);
  const RegressionStatistics& st = s.stats;
  const int p = c.order + 1;
  ASSERT_EQ(st.parameters, p);
  EXPECT_EQ(st.n, static_cast<int>(c.x.size()));
  EXPECT_EQ(st.rank, p);
  EXPECT_EQ(st.df_residual, st.n - p);
  ASSERT_TRUE(st.sigma2.has_value());
  ASSERT_TRUE(st.r_squared.has_value());

  double y_scale = 0;
  for (double y : c.y) y_scale = std::max(y_scale, std::fabs(y));
  if (c.residual_sd == 0) {
    EXPECT_LE(std::sqrt(*st.sigma2), 1e-13 * y_scale);
    // b_j·x^j in units of y, at the largest x (20).
    for (int j = 0; j < p; ++j) {
      EXPECT_LE(StandardError(st, j) * std::pow(20.0, j), 1e-10 * y_scale) << "b" << j;
    }
    EXPECT_NEAR(*st.r_squared, 1.0, 1e-15);
    // Certified infinite: exact or as good as.
    if (st.f_statistic) {
      EXPECT_GT(*st.f_statistic, 1e20);
    }
  } else {
    for (int j = 0; j < p; ++j) EXPECT_GE(Digits(StandardError(st, j), c.sd[j]), 10) << "b" << j;
    EXPECT_GE(Digits(std::sqrt(*st.sigma2), c.residual_sd), 10);
    EXPECT_GE(Digits(*st.r_squared, c.r_squared), 10);
    ASSERT_TRUE(st.f_statistic.has_value());
    EXPECT_GE(Digits(*st.f_statistic, *c.f), 10);
  }
  double reached = 16;
  for (int j = 0; j < p; ++j) reached = std::min(reached, Digits(s.coefficients[j], c.estimate[j]));
  RecordProperty("estimate_digits", std::to_string(reached));
  EXPECT_GE(reached, c.estimate_digits);
}

INSTANTIATE_TEST_SUITE_P(StRD, NistCertified, testing::ValuesIn(NistSets()),
                         [](const testing::TestParamInfo<Certified>& info) {
                           return info.param.name;
                         });

// ---- Generated data against an independent computation in quadruple precision -------------

using Quad = __float128;

Quad QuadAbs(Quad v) {
  return v < 0 ? -v : v;
}

using QuadMatrix = std::vector<std::vector<Quad>>;

// The covariance as the reference has it, each element within `relative` of √(cov_aa·cov_bb).
void ExpectCovariance(const RegressionStatistics& st, const QuadMatrix& cov, double relative) {
  const int p = st.parameters;
  for (int a = 0; a < p; ++a)
    for (int b = 0; b < p; ++b) {
      const double scale = static_cast<double>(test_support::Sqrt(cov[a][a] * cov[b][b]));
      EXPECT_NEAR(st.covariance[static_cast<std::size_t>(a * p + b)],
                  static_cast<double>(cov[a][b]), relative * scale)
          << a << ", " << b;
    }
}

// 2-norm condition number of the n × p design with columns w^0..w^(p−1), one-sided Jacobi.
Quad QuadCondition(const std::vector<Quad>& w, int p) {
  const int n = static_cast<int>(w.size());
  QuadMatrix a(n, std::vector<Quad>(p));
  for (int i = 0; i < n; ++i) {
    a[i][0] = 1;
    for (int j = 1; j < p; ++j) a[i][j] = a[i][j - 1] * w[i];
  }
  for (int sweep = 0; sweep < 60; ++sweep) {
    bool rotated = false;
    for (int r = 0; r < p; ++r)
      for (int s = r + 1; s < p; ++s) {
        Quad alpha = 0, beta = 0, gamma = 0;
        for (int i = 0; i < n; ++i) {
          alpha += a[i][r] * a[i][r];
          beta += a[i][s] * a[i][s];
          gamma += a[i][r] * a[i][s];
        }
        if (QuadAbs(gamma) <= 1e-32 * test_support::Sqrt(alpha * beta)) continue;
        rotated = true;
        const Quad zeta = (beta - alpha) / (2 * gamma);
        const Quad tan =
            (zeta >= 0 ? 1 : -1) / (QuadAbs(zeta) + test_support::Sqrt(zeta * zeta + 1));
        const Quad cos = 1 / test_support::Sqrt(tan * tan + 1), sin = tan * cos;
        for (int i = 0; i < n; ++i) {
          const Quad ar = a[i][r], as = a[i][s];
          a[i][r] = cos * ar - sin * as;
          a[i][s] = sin * ar + cos * as;
        }
      }
    if (!rotated) break;
  }
  Quad top = 0, bottom = -1;
  for (int j = 0; j < p; ++j) {
    Quad norm = 0;
    for (int i = 0; i < n; ++i) norm += a[i][j] * a[i][j];
    norm = test_support::Sqrt(norm);
    top = std::max(top, norm);
    bottom = bottom < 0 ? norm : std::min(bottom, norm);
  }
  return top / bottom;
}

struct Generated {
  std::string name;
  Model model;
  int order;
  bool centre_hint;
  double lo, hi;  // x
  double (*curve)(double x);
  double noise;  // relative
};

using test_support::Falling;
using test_support::FallingLog;
using test_support::Growing;
using test_support::Logarithmic;
using test_support::Wave;

// n points over [lo, hi] in a shuffled order, y = curve(x) with relative noise.
void FillGenerated(TRovavAza& store, const Generated& g, int n) {
  unsigned state = 2024;
  auto next = [&state] {
    state = state * 1664525u + 1013904223u;
    return static_cast<double>(state >> 8) / 16777216.0;
  };
  for (int i = 0; i < n; ++i) {
    const int k = (i * 37) % n;
    const double x = g.lo + (g.hi - g.lo) * (k + 0.5 * next()) / n;
    store.AddPoint(x, g.curve(x) * (1 + g.noise * (next() - 0.5)));
  }
}

class GeneratedData : public testing::TestWithParam<Generated> {};

// Covariance, variance factor, residual sum and condition number as the independent
// quadruple-precision least squares has them, far from 0 as well, in transformed coordinates
// too. The variance factor is compared out to one range beyond the data and at u = 0.
TEST_P(GeneratedData, AgreesWithQuadruplePrecision) {
  const Generated& g = GetParam();
  TRovavAza store;
  FillGenerated(store, g, 200);
  const Solved s = Solve(store, g.model, g.order, g.centre_hint);
  const RegressionStatistics& st = s.stats;
  const int p = g.order + 1;
  ASSERT_EQ(st.rank, p);

  std::vector<Quad> u, z;
  for (std::size_t i = 0; i < s.input.x.size(); ++i) {
    u.push_back(InCoordinate(s.input.u, s.input.x[i]));
    z.push_back(InCoordinate(s.input.z, s.input.y[i]));
  }
  const test_support::LeastSquares<Quad> ref(u, z, g.order, test_support::Basis::kPowers,
                                             test_support::Centring::kMeanAndRms);
  ExpectCovariance(st, ref.CovarianceInU(), 1e-13);
  const double ulo = static_cast<double>(*std::min_element(u.begin(), u.end()));
  const double uhi = static_cast<double>(*std::max_element(u.begin(), u.end()));
  for (const double at : {ulo, (ulo + uhi) / 2, uhi, 2 * uhi - ulo, 0.0}) {
    const double expected = static_cast<double>(ref.Variance(at));
    EXPECT_NEAR(st.VarianceFactor(at), expected, 1e-13 * expected) << "u = " << at;
  }
  // The fit's residuals: those of the least-squares solution.
  EXPECT_NEAR(st.rss, static_cast<double>(ref.ResidualSum()),
              1e-10 * static_cast<double>(ref.ResidualSum()));

  // The condition number of the design the fit solved, where quadruple precision holds it.
  std::vector<Quad> w = u;
  if (!s.input.solved_raw)
    for (Quad& v : w) v = (v - (ulo + uhi) / 2) / ((uhi - ulo) / 2);
  const double condition = static_cast<double>(QuadCondition(w, p));
  if (condition < 1e12) {
    EXPECT_NEAR(st.condition, condition, 1e-9 * condition);
  } else {
    EXPECT_GT(st.condition, 1e11);
  }
}

INSTANTIATE_TEST_SUITE_P(
    Fits, GeneratedData,
    testing::Values(
        Generated{"YearsLine", Model::Lin, 1, false, 1990, 2020, Wave, 0.02},
        Generated{"YearsLineOnePass", Model::Lin, 1, true, 1990, 2020, Wave, 0.02},
        Generated{"YearsParabola", Model::Parabol, 2, false, 1990, 2020, Wave, 0.02},
        Generated{"YearsOrder2", Model::Polynomial, 2, false, 1990, 2020, Wave, 0.02},
        Generated{"YearsOrder5", Model::Polynomial, 5, false, 1990, 2020, Wave, 0.02},
        Generated{"YearsOrder9", Model::Polynomial, 9, false, 1990, 2020, Wave, 0.02},
        Generated{"ThousandOrder1", Model::Polynomial, 1, false, 1000, 1010, Wave, 0.02},
        Generated{"ThousandOrder2", Model::Polynomial, 2, false, 1000, 1010, Wave, 0.02},
        Generated{"ThousandOrder5", Model::Polynomial, 5, false, 1000, 1010, Wave, 0.02},
        Generated{"ThousandOrder9", Model::Polynomial, 9, false, 1000, 1010, Wave, 0.02},
        Generated{"UnitOrder5", Model::Polynomial, 5, false, 0, 10, Wave, 0.02},
        Generated{"UnitOrder10", Model::Polynomial, 10, false, 0, 10, Wave, 0.02},
        Generated{"ReciprocalY", Model::ReciLin, 1, false, 0.5, 50, Falling, 0.05},
        Generated{"LnX", Model::Log, 1, false, 0.5, 50, Logarithmic, 0.05},
        Generated{"LnXOnePass", Model::Log, 1, true, 0.5, 50, Logarithmic, 0.05},
        Generated{"LnXReciprocalY", Model::ReciLog, 1, false, 0.5, 50, FallingLog, 0.05},
        Generated{"LnY", Model::Exponential, 1, false, 0.5, 50, Growing, 0.05}),
    [](const testing::TestParamInfo<Generated>& info) { return info.param.name; });

// ---- Rank-deficient designs ----------------------------------------------------------------

struct Deficient {
  std::string name;
  int order;
  std::vector<double> distinct;  // x values, each repeated
  int repeats;
  bool moore_penrose;  // XᵀX small enough in powers of x to check the inverse's identities
};

class RankDeficient : public testing::TestWithParam<Deficient> {};

// Fewer distinct x than parameters: the rank is their number, the undetermined directions span
// the null space of X, the covariance is the Moore–Penrose inverse, and the fitted value at a
// data x (the mean of its repeats) has variance σ²/repeats.
TEST_P(RankDeficient, NullSpaceAndPseudoInverse) {
  const Deficient& d = GetParam();
  TRovavAza store;
  for (int r = 0; r < d.repeats; ++r)
    for (std::size_t i = 0; i < d.distinct.size(); ++i)
      store.AddPoint(d.distinct[i], 1 + i + 0.1 * r);
  const Solved s = Solve(store, Model::Polynomial, d.order, false);
  const RegressionStatistics& st = s.stats;
  const int p = d.order + 1, rank = static_cast<int>(d.distinct.size());
  EXPECT_EQ(st.rank, rank);
  EXPECT_EQ(st.df_residual, st.n - rank);
  EXPECT_EQ(st.condition, std::numeric_limits<double>::infinity());
  ASSERT_EQ(st.undetermined.size(), static_cast<std::size_t>(p - rank));
  for (std::size_t a = 0; a < st.undetermined.size(); ++a) {
    const std::vector<double>& v = st.undetermined[a];
    for (std::size_t b = 0; b <= a; ++b) {
      Ext dot = 0;
      for (int j = 0; j < p; ++j) dot += static_cast<Ext>(v[j]) * st.undetermined[b][j];
      EXPECT_NEAR(static_cast<double>(dot), a == b ? 1.0 : 0.0, 1e-14) << a << ", " << b;
    }
    for (double x : d.distinct) {
      // Against the size of the terms, taking the powers of |x| < 1 as 1.
      Ext sum = 0, size = 0, power = 1;
      for (int j = 0; j < p; ++j, power *= x) {
        sum += v[j] * power;
        size += std::fabs(v[j]) * std::max<Ext>(1, std::fabs(power));
      }
      EXPECT_LE(std::fabs(static_cast<double>(sum)), 1e-13 * static_cast<double>(size)) << x;
    }
  }
  for (double x : d.distinct) EXPECT_NEAR(st.VarianceFactor(x), 1.0 / d.repeats, 1e-12) << x;
  if (!d.moore_penrose) return;

  std::vector<Ext> gram(static_cast<std::size_t>(p * p), 0), cov(gram.size());
  for (int r = 0; r < d.repeats; ++r)
    for (double x : d.distinct)
      for (int j = 0; j < p; ++j)
        for (int k = 0; k < p; ++k) gram[j * p + k] += std::pow(static_cast<Ext>(x), j + k);
  for (std::size_t i = 0; i < cov.size(); ++i) cov[i] = st.covariance[i];
  auto product = [p](const std::vector<Ext>& a, const std::vector<Ext>& b) {
    std::vector<Ext> c(a.size(), 0);
    for (int i = 0; i < p; ++i)
      for (int j = 0; j < p; ++j)
        for (int k = 0; k < p; ++k) c[i * p + j] += a[i * p + k] * b[k * p + j];
    return c;
  };
  auto largest = [](const std::vector<Ext>& a) {
    Ext m = 0;
    for (Ext v : a) m = std::max(m, std::fabs(v));
    return m;
  };
  const std::vector<Ext> gcg = product(product(gram, cov), gram);
  const std::vector<Ext> cgc = product(product(cov, gram), cov);
  const std::vector<Ext> gc = product(gram, cov);
  for (int i = 0; i < p; ++i)
    for (int j = 0; j < p; ++j) {
      const std::size_t ij = i * p + j, ji = j * p + i;
      EXPECT_NEAR(gcg[ij], gram[ij], 1e-10 * largest(gram)) << "GCG " << i << ", " << j;
      EXPECT_NEAR(cgc[ij], cov[ij], 1e-10 * largest(cov)) << "CGC " << i << ", " << j;
      EXPECT_NEAR(gc[ij], gc[ji], 1e-10 * largest(gc)) << "GC symmetric " << i << ", " << j;
    }
}

INSTANTIATE_TEST_SUITE_P(
    Designs, RankDeficient,
    testing::Values(Deficient{"CubicOnThreeX", 3, {1, 2, 3}, 4, true},
                    Deficient{"Order5OnThreeX", 5, {-1, 0.5, 2}, 3, true},
                    Deficient{"Order10OnFiveX", 10, {0, 2.5, 5, 7.5, 10}, 3, false},
                    Deficient{"CubicOnThreeYears", 3, {2000, 2005, 2010}, 4, false}),
    [](const testing::TestParamInfo<Deficient>& info) { return info.param.name; });

// All x equal: only b0 + b1·x0 is fixed, so the line is free along (−x0, 1)/√(1 + x0²), which is
// (0, 1) at x0 = 0; in one pass with the centre as in two.
TEST(LeastSquaresStatistics, LineOnOneXIsFreeInItsSlope) {
  for (const double x0 : {0.0, 5.0, 2000.0})
    for (const bool hint : {false, true}) {
      TRovavAza store;
      for (const double y : {1.0, 2.0, 4.0, 5.0}) store.AddPoint(x0, y);
      const Solved s = Solve(store, Model::Polynomial, 1, hint);
      const RegressionStatistics& st = s.stats;
      SCOPED_TRACE(testing::Message() << "x0 = " << x0 << ", centre " << hint);
      EXPECT_EQ(st.rank, 1);
      EXPECT_EQ(st.condition, std::numeric_limits<double>::infinity());
      ASSERT_EQ(st.undetermined.size(), 1u);
      const double norm = std::sqrt(1 + x0 * x0);
      EXPECT_NEAR(st.undetermined[0][0], -x0 / norm, 1e-15);
      EXPECT_NEAR(st.undetermined[0][1], 1 / norm, 1e-15);
      EXPECT_NEAR(st.VarianceFactor(x0), 0.25, 1e-15);
      EXPECT_NEAR(*st.sigma2, 10.0 / 3, 1e-14);  // Σ (y − 3)² over 4 − 1
    }
}

// ---- Derived values and refusals -----------------------------------------------------------

// σ̂², R², adjusted R² and F exist only where their denominators do; an exact fit has no F.
TEST(LeastSquaresStatistics, DerivedValuesOnlyWhereTheyExist) {
  struct Case {
    std::vector<std::pair<double, double>> points;
    int order;
    bool sigma2, r_squared, f;
  };
  const Case cases[] = {
      {{{1, 1}, {2, 3}, {3, 4}, {4, 4.5}}, 1, true, true, true},  // ordinary
      {{{1, 1}, {2, 3}, {3, 5}}, 1, true, true, false},           // exact: rss = 0
      {{{1, 2}, {2, 2}, {3, 2}}, 1, true, false, false},          // constant y: tss = 0
      {{{1, 1}, {2, 3}, {3, 2}}, 2, false, true, false},          // n = parameters: df 0
  };
  for (const Case& c : cases) {
    TRovavAza store;
    for (const auto& [x, y] : c.points) store.AddPoint(x, y);
    const RegressionStatistics st = Solve(store, Model::Polynomial, c.order, false).stats;
    SCOPED_TRACE(testing::Message() << c.points.size() << " points, order " << c.order);
    EXPECT_EQ(st.sigma2.has_value(), c.sigma2);
    EXPECT_EQ(st.r_squared.has_value(), c.r_squared);
    EXPECT_EQ(st.adj_r_squared.has_value(), c.sigma2 && c.r_squared);
    EXPECT_EQ(st.f_statistic.has_value(), c.f);
  }
  // The ordinary line by hand: Σ(x − x̄)² = 5, Σ(x − x̄)(y − ȳ) = 5.75, slope 1.15.
  TRovavAza store;
  for (const auto& [x, y] : cases[0].points) store.AddPoint(x, y);
  const RegressionStatistics st = Solve(store, Model::Lin, 1, true).stats;
  EXPECT_NEAR(st.tss, 7.1875, 1e-14);
  EXPECT_NEAR(st.rss, 7.1875 - 1.15 * 5.75, 1e-14);
  EXPECT_NEAR(*st.r_squared, 1 - st.rss / st.tss, 1e-15);
  EXPECT_NEAR(*st.f_statistic, (st.tss - st.rss) / (st.rss / 2), 1e-12);
  EXPECT_NEAR(st.covariance[3], 1 / 5.0, 1e-15);  // 1/Σ(x − x̄)²
}

// Input whose fitted values do not matter to the test.
RegressionInput Unfitted(std::span<const double> x, std::span<const double> y, int order) {
  RegressionInput in;
  in.x = x;
  in.y = y;
  in.order = order;
  in.fitted = [](double) { return 0.0L; };
  return in;
}

TEST(LeastSquaresStatistics, RefusesWhatHasNoStatistics) {
  const std::vector<double> x = {1, 2, 3}, y = {1, 2, 4};
  auto input = [&](int order) { return Unfitted(x, y, order); };
  EXPECT_THROW(LeastSquaresStatistics(input(3)), EKovixMath2Error);  // 3 points, 4 parameters
  EXPECT_THROW(LeastSquaresStatistics(input(0)), EKovixMath2Error);
  EXPECT_THROW(LeastSquaresStatistics(input(11)), EKovixMath2Error);
  RegressionInput shorter = input(1);
  shorter.y = shorter.y.first(2);
  EXPECT_THROW(LeastSquaresStatistics(shorter), EKovixMath2Error);
  RegressionInput unfitted = input(1);
  unfitted.fitted = nullptr;
  EXPECT_THROW(LeastSquaresStatistics(unfitted), EKovixMath2Error);
  EXPECT_NO_THROW(LeastSquaresStatistics(input(2)));
}

// A point that is not finite is an invalid operation, in either coordinate, in one pass or two;
// a transform without a value raises its floating-point error, as the fits do.
// Enough points for the pass to run on two threads (groups of 65536): the statistics stay those
// of the independent least squares, and a floating-point error in the later half, which the
// second thread meets, is raised as one in the first half is.
TEST(LeastSquaresStatistics, ManyPointsAsFewAndTheirErrors) {
  const std::size_t n = 3 * 65536 + 5;
  std::vector<double> x(n), y(n);
  for (std::size_t i = 0; i < n; ++i) {
    x[i] = 2000 + 10.0 * static_cast<double>((i * 7919) % n) / n;
    y[i] = 1 + std::sin(static_cast<double>(i)) / 4;
  }
  RegressionInput in = Unfitted(x, y, 2);
  const RegressionStatistics st = LeastSquaresStatistics(in);
  ASSERT_EQ(st.rank, 3);
  std::vector<Quad> u(x.begin(), x.end()), z(y.begin(), y.end());
  const test_support::LeastSquares<Quad> ref(u, z, 2, test_support::Basis::kPowers,
                                             test_support::Centring::kMeanAndRms);
  ExpectCovariance(st, ref.CovarianceInU(), 1e-12);
  // ẑ = 0: the residual sum is Σ y².
  Quad squares = 0;
  for (const double v : y) squares += Quad(v) * v;
  EXPECT_NEAR(st.rss, static_cast<double>(squares), 1e-15 * static_cast<double>(squares));

  for (const std::size_t at : {std::size_t(1), n / 2 + 1, n - 1}) {
    SCOPED_TRACE(at);
    std::vector<double> bad = y;
    bad[at] = 0;  // ln 0: a division by zero
    RegressionInput ln = Unfitted(x, bad, 2);
    ln.z = Coordinate::Ln;
    EXPECT_THROW(LeastSquaresStatistics(ln), EZeroDivide);
    bad[at] = std::numeric_limits<double>::quiet_NaN();
    EXPECT_THROW(LeastSquaresStatistics(Unfitted(x, bad, 2)), EInvalidOp);
  }
}

// ---- Weighted by the points' uncertainties -------------------------------------------------

// The statistics with dy against the independent weighted least squares in quadruple precision,
// on the transformed coordinates with dz = dy, dy/y² or dy/|y|: χ², the weighted spread, R²,
// (XᵀWX)⁻¹ and the variance factor; ẑ is the reference's own weighted fit.
TEST(LeastSquaresStatistics, WeightedAsTheIndependentWeightedLeastSquares) {
  for (const test_support::WeightedModel& c : test_support::kWeightedModels) {
    SCOPED_TRACE(c.name);
    const test_support::UncertainPoints pts = test_support::GenerateUncertain(c, 300, 7);
    const std::vector<double>&x = pts.x, &y = pts.y, &dy = pts.dy;
    std::vector<Quad> u, z, w;
    for (std::size_t i = 0; i < x.size(); ++i) {
      u.push_back(InCoordinate(c.u, x[i]));
      z.push_back(InCoordinate(c.z, y[i]));
      w.push_back(test_support::WeightIn<Quad>(c.z, y[i], dy[i]));
    }
    const test_support::LeastSquares<Quad> ref(u, z, c.order, test_support::Basis::kPowers,
                                               test_support::Centring::kMeanAndRms, w);
    RegressionInput in;
    in.x = x;
    in.y = y;
    in.dy = dy;
    in.u = c.u;
    in.z = c.z;
    in.order = c.order;
    in.fitted = [&ref, &c](double v) {
      return static_cast<long double>(ref.Fitted(InCoordinate(c.u, v)));
    };
    const RegressionStatistics st = LeastSquaresStatistics(in);
    const int p = c.order + 1;
    ASSERT_EQ(st.rank, p);
    const double chi2 = static_cast<double>(ref.ResidualSum());
    EXPECT_NEAR(st.rss, chi2, 1e-12 * chi2);
    EXPECT_NEAR(*st.r_squared, static_cast<double>(ref.FitQuality()), 1e-12);
    EXPECT_NEAR(*st.sigma2, chi2 / (300 - p), 1e-12 * chi2);
    ExpectCovariance(st, ref.CovarianceInU(), 1e-11);
    for (const Quad at : {u.front(), u[150], u.back()}) {
      const double expected = static_cast<double>(ref.Variance(at));
      EXPECT_NEAR(st.VarianceFactor(static_cast<double>(at)), expected, 1e-11 * expected);
    }
  }
}

// dy = 1 everywhere is no weighting at all, to the last bit; a point of dy 1e30 counts as if it
// were not there; a dy that is no uncertainty is refused.
TEST(LeastSquaresStatistics, UnitHugeAndBadUncertainties) {
  std::vector<double> x, y;
  for (int i = 0; i < 40; ++i) {
    x.push_back(1990 + i);
    y.push_back(Wave(i) + 0.3 * std::sin(7.0 * i));
  }
  for (const int order : {1, 3}) {
    SCOPED_TRACE(order);
    RegressionInput plain = Unfitted(x, y, order);
    plain.fitted = [](double v) { return 50 + 0.01L * (v - 1990); };
    const std::vector<double> ones(x.size(), 1.0);
    RegressionInput unit = plain;
    unit.dy = ones;
    const RegressionStatistics a = LeastSquaresStatistics(plain), b = LeastSquaresStatistics(unit);
    EXPECT_EQ(a.rss, b.rss);
    EXPECT_EQ(a.tss, b.tss);
    EXPECT_EQ(a.covariance, b.covariance);
    EXPECT_EQ(a.basis_inverse, b.basis_inverse);
    EXPECT_EQ(a.condition, b.condition);

    // The last point carried with a dy of 1e30, against the points without it.
    std::vector<double> dy = ones;
    dy.back() = 1e30;
    RegressionInput huge = plain;
    huge.dy = dy;
    const std::span<const double> fewer_x(x.data(), x.size() - 1), fewer_y(y.data(), y.size() - 1);
    RegressionInput fewer = plain;
    fewer.x = fewer_x;
    fewer.y = fewer_y;
    const RegressionStatistics h = LeastSquaresStatistics(huge), f = LeastSquaresStatistics(fewer);
    EXPECT_NEAR(h.rss, f.rss, 1e-12 * f.rss);
    EXPECT_NEAR(h.tss, f.tss, 1e-12 * f.tss);
    for (std::size_t k = 0; k < f.covariance.size(); ++k)
      EXPECT_NEAR(h.covariance[k], f.covariance[k], 1e-9 * std::fabs(f.covariance[k]) + 1e-300);
  }
  const double nan = std::numeric_limits<double>::quiet_NaN();
  const double inf = std::numeric_limits<double>::infinity();
  for (const double bad : {0.0, -1.0, nan, inf}) {
    std::vector<double> dy(x.size(), 1.0);
    dy[5] = bad;
    RegressionInput in = Unfitted(x, y, 1);
    in.dy = dy;
    EXPECT_THROW(LeastSquaresStatistics(in), EKovixMath2Error) << bad;
  }
  const std::vector<double> short_dy(x.size() - 1, 1.0);
  RegressionInput in = Unfitted(x, y, 1);
  in.dy = short_dy;
  EXPECT_THROW(LeastSquaresStatistics(in), EKovixMath2Error);
}

TEST(LeastSquaresStatistics, NonFinitePointsAndTransformsRaise) {
  const double nan = std::numeric_limits<double>::quiet_NaN();
  const double inf = std::numeric_limits<double>::infinity();
  for (const bool hint : {false, true})
    for (const int order : {1, 3})
      for (const auto& [bad_x, bad_y] :
           {std::pair{nan, 1.0}, {1.0, nan}, {inf, 1.0}, {1.0, -inf}}) {
        const std::vector<double> x = {1, 2, bad_x, 4, 5}, y = {1, 2, bad_y, 4, 3};
        RegressionInput in = Unfitted(x, y, order);
        if (hint) in.centre = 3.0L;
        SCOPED_TRACE(testing::Message() << bad_x << ", " << bad_y << ", order " << order);
        EXPECT_THROW(LeastSquaresStatistics(in), EInvalidOp);
      }
  const std::vector<double> x = {0, 1, 2}, y = {1, 0, 2};
  RegressionInput ln_x = Unfitted(x, y, 1);
  ln_x.u = Coordinate::Ln;
  EXPECT_THROW(LeastSquaresStatistics(ln_x), EMathError);
  RegressionInput reciprocal_y = Unfitted(x, y, 1);
  reciprocal_y.z = Coordinate::Reciprocal;
  EXPECT_THROW(LeastSquaresStatistics(reciprocal_y), EMathError);

  TRovavAza store;
  for (const double v : {1.0, 2.0, 3.0}) store.AddPoint(v, v * v);
  const RegressionStatistics st = Solve(store, Model::Lin, 1, false).stats;
  EXPECT_THROW(st.VarianceFactor(nan), EInvalidOp);
}

}  // namespace
