#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <functional>
#include <limits>
#include <string>
#include <utility>
#include <vector>

#include "base/float_check.h"
#include "fit/kovix_errors.h"
#include "fit/rovav_aza.h"

namespace {

using Points = std::vector<std::pair<double, double>>;
using Outputs = std::vector<double>;

const double e = std::exp(1.0);

void Fill(TRovavAza& store, const Points& points) {
  for (const auto& [x, y] : points) store.AddPoint(x, y);
}

// Each fit with its outputs in a vector, so that tables can cover all six. The outputs start at
// 7 so that a test sees whether the fit reset them.
struct Fit {
  const char* name;
  std::function<void(const TRovavAza&, Outputs&)> run;
};

const Fit kLin{"CalcLinFit", [](const TRovavAza& s, Outputs& o) {
                 o.assign(3, 7.0);
                 s.CalcLinFit(o[0], o[1], o[2]);
               }};
const Fit kParabol{"CalcParabolFit", [](const TRovavAza& s, Outputs& o) {
                     o.assign(4, 7.0);
                     s.CalcParabolFit(o[0], o[1], o[2], o[3]);
                   }};
const Fit kReciLin{"CalcReciLinFit", [](const TRovavAza& s, Outputs& o) {
                     o.assign(3, 7.0);
                     s.CalcReciLinFit(o[0], o[1], o[2]);
                   }};
const Fit kLog{"CalcLogFit", [](const TRovavAza& s, Outputs& o) {
                 o.assign(3, 7.0);
                 s.CalcLogFit(o[0], o[1], o[2]);
               }};
const Fit kReciLog{"CalcReciLogFit", [](const TRovavAza& s, Outputs& o) {
                     o.assign(3, 7.0);
                     s.CalcReciLogFit(o[0], o[1], o[2]);
                   }};
const Fit kExponential{"CalcExponentialFit", [](const TRovavAza& s, Outputs& o) {
                         o.assign(3, 7.0);
                         s.CalcExponentialFit(o[0], o[1], o[2]);
                       }};

// The polynomial of order 2 with its coefficients k0, k1, k2 and the quality.
const Fit kPolynomial2{"CalcPolynomialFit", [](const TRovavAza& s, Outputs& o) {
                         std::array<double, 3> k{};
                         double fit_qual = 0;
                         bool rank_deficient = false;
                         s.CalcPolynomialFit(2, k, fit_qual, rank_deficient);
                         o = {k[0], k[1], k[2], fit_qual};
                       }};

Outputs FitOn(const Fit& fit, const Points& points) {
  TRovavAza store;
  Fill(store, points);
  Outputs out;
  fit.run(store, out);
  return out;
}

// Runs a fit that must fail with `Error`; returns the message and checks the outputs were zeroed.
template <typename Error>
std::string Failure(const Fit& fit, const Points& points) {
  TRovavAza store;
  Fill(store, points);
  Outputs out;
  try {
    fit.run(store, out);
  } catch (const Error& error) {
    for (double v : out) EXPECT_EQ(v, 0.0) << fit.name;
    return error.what();
  }
  ADD_FAILURE() << fit.name << " did not raise the expected error";
  return {};
}

struct FitCase {
  const char* what;
  const Fit& fit;
  Points points;
  Outputs expected;
  double tolerance;  // 0: the arithmetic is exact
};

TEST(RegressionFits, DocumentedResults) {
  const double third = 1.0 / 3.0;
  const std::vector<FitCase> cases = {
      {"line exact", kLin, {{1, 1}, {2, 3}, {3, 5}}, {2, -1, 1}, 0},
      {"line", kLin, {{1, 1}, {2, 3}, {3, 4}}, {1.5, -1.0 / 3, 27.0 / 28}, 1e-15},
      {"line, y constant", kLin, {{1, 2}, {2, 2}, {3, 2}}, {0, 2, 1}, 0},
      {"line, x constant", kLin, {{2, 1}, {2, 5}}, {0, 0, 0}, 0},
      {"line, x constant, mean inexact", kLin, {{0.1, 1}, {0.1, 4}, {0.1, 2}}, {0, 0, 0}, 0},
      {"parabola exact", kParabol, {{0, 1}, {1, 2}, {2, 5}}, {1, 0, 1, 1}, 1e-15},
      {"parabola",
       kParabol,
       {{0, 1}, {1, 2}, {2, 5}, {3, 10.5}},
       {1.025, -0.225, 1.125, 4374.0 / 4375},
       1e-14},
      // x^2 is constant after centring: the quadratic term drops out and a line remains.
      {"parabola, two x values",
       kParabol,
       {{0, 1}, {0, 3}, {3, 5}, {3, 7}},
       {2, 4.0 / 3, 0, 0.8},
       1e-15},
      {"parabola, x constant", kParabol, {{2, 1}, {2, 3}, {2, 5}}, {3, 0, 0, 0}, 1e-15},
      {"parabola, y constant", kParabol, {{1, 4}, {2, 4}, {5, 4}}, {4, 0, 0, 1}, 0},
      {"reciprocal line", kReciLin, {{1, 1}, {2, 0.5}, {3, third}}, {0, 1, 1}, 1e-15},
      {"reciprocal line, 1/y constant", kReciLin, {{1, 4}, {2, 4}, {3, 4}}, {0.25, 0, 1}, 0},
      {"log", kLog, {{1, 2}, {e, 3}, {e * e, 4}}, {2, 1, 1}, 1e-15},
      {"log, y constant", kLog, {{1, 3}, {2, 3}, {5, 3}}, {3, 0, 1}, 1e-15},
      {"reciprocal log", kReciLog, {{1, 1}, {e, third}, {e * e, 0.2}}, {1, 2, 1}, 1e-15},
      {"exponential", kExponential, {{1, e}, {2, e * e}, {3, e * e * e}}, {1, 1, 1}, 1e-14},
      {"exponential, y constant", kExponential, {{1, 1}, {2, 1}, {3, 1}}, {1, 0, 1}, 0},
  };
  for (const FitCase& c : cases) {
    SCOPED_TRACE(c.what);
    const Outputs out = FitOn(c.fit, c.points);
    ASSERT_EQ(out.size(), c.expected.size());
    for (std::size_t i = 0; i < out.size(); ++i) {
      if (c.tolerance == 0) {
        EXPECT_EQ(out[i], c.expected[i]) << "output " << i;
      } else {
        EXPECT_NEAR(out[i], c.expected[i], c.tolerance) << "output " << i;
      }
    }
  }
}

// A plain two-pass least-squares line and its coefficient of determination, as a reference for
// the sum-based fits on data that no model fits exactly.
Outputs ReferenceLine(const std::vector<double>& u, const std::vector<double>& z) {
  const double n = static_cast<double>(u.size());
  double mu = 0, mz = 0;
  for (std::size_t i = 0; i < u.size(); ++i) {
    mu += u[i] / n;
    mz += z[i] / n;
  }
  double suu = 0, suz = 0, szz = 0;
  for (std::size_t i = 0; i < u.size(); ++i) {
    suu += (u[i] - mu) * (u[i] - mu);
    suz += (u[i] - mu) * (z[i] - mz);
    szz += (z[i] - mz) * (z[i] - mz);
  }
  const double b1 = suz / suu;
  return {mz - b1 * mu, b1, b1 * suz / szz};
}

TEST(RegressionFits, TransformedFitsMatchALineInTransformedCoordinates) {
  const Points points = {{0.5, 3.1}, {1.0, 1.7}, {2.0, 2.6}, {3.5, 0.9}, {4.0, 1.2}, {7.0, 0.4}};
  struct Transform {
    const Fit& fit;
    std::function<double(double)> u, z, k0;
  };
  const auto same = [](double v) { return v; };
  const auto rec = [](double v) { return 1 / v; };
  const auto ln = [](double v) { return std::log(v); };
  const auto exp = [](double v) { return std::exp(v); };
  const std::vector<Transform> transforms = {
      {kReciLin, same, rec, same},
      {kLog, ln, same, same},
      {kReciLog, ln, rec, same},
      {kExponential, same, ln, exp},
  };
  for (const Transform& t : transforms) {
    SCOPED_TRACE(t.fit.name);
    std::vector<double> u, z;
    for (const auto& [x, y] : points) {
      u.push_back(t.u(x));
      z.push_back(t.z(y));
    }
    Outputs expected = ReferenceLine(u, z);
    expected[0] = t.k0(expected[0]);
    ASSERT_GT(expected[2], 0.1);
    ASSERT_LT(expected[2], 0.99);
    const Outputs out = FitOn(t.fit, points);
    for (std::size_t i = 0; i < 3; ++i) {
      EXPECT_NEAR(out[i], expected[i], 1e-13 * std::fabs(expected[i])) << "output " << i;
    }
  }
}

TEST(RegressionFits, CentringKeepsALineFarFromTheOriginAccurate) {
  TRovavAza store;
  // x around 10^6 with a spread of about 100: raw sums of squares would cancel to a few digits.
  for (int i = 0; i < 100000; ++i) {
    const double x = 1e6 + i / 1024.0;
    store.AddPoint(x, 2.5 * x - 7);
  }
  double k = 0, d = 0, q = 0;
  store.CalcLinFit(k, d, q);
  EXPECT_NEAR(k, 2.5, 1e-12);
  EXPECT_NEAR(d, -7, 1e-6);
  EXPECT_NEAR(q, 1, 1e-12);

  double k0 = 0, k1 = 0, k2 = 0;
  store.CalcParabolFit(k0, k1, k2, q);
  // The uncentred coefficients magnify the tiny quadratic term by x and x^2.
  EXPECT_NEAR(k2, 0, 1e-15);
  EXPECT_NEAR(k1, 2.5, 1e-9);
  EXPECT_NEAR(k0, -7, 1e-3);
  EXPECT_NEAR(q, 1, 1e-12);
}

TEST(RegressionFits, IllConditionedDataKeepTheQualityInRangeAndTheSlopeSign) {
  // Data a user can type: x far from the origin compared with its spread, y with a large
  // offset, or two x values one ulp apart. Sums formed about the origin cancel to nothing here.
  const double x17 = std::nextafter(17.0, 0.0);
  const struct {
    const char* what;
    const Fit& fit;
    Points points;
    int slope_sign;  // of k (line) or k1; 0: not checked
  } cases[] = {
      {"x near 1e9", kLin, {{1000000001, 1}, {1000000002, 2}, {1000000003, 3}}, 1},
      {"x near 1e9", kParabol, {{1000000001, 1}, {1000000002, 2}, {1000000003, 3}}, 0},
      {"x near 1e9", kReciLin, {{1000000001, 1}, {1000000002, 2}, {1000000003, 3}}, -1},
      {"x near 1e9", kLog, {{1000000001, 1}, {1000000002, 2}, {1000000003, 3}}, 1},
      {"x near 1e9", kReciLog, {{1000000001, 1}, {1000000002, 2}, {1000000003, 3}}, -1},
      {"x near 1e9",
       kExponential,
       {{1000000001, 1 + 1e-9}, {1000000002, 1 + 2e-9}, {1000000003, 1 + 3e-9}},
       1},
      {"x near 1e11", kReciLin, {{1e11 + 1, 1}, {1e11 + 2, 2}, {1e11 + 3, 3}}, -1},
      {"x near 1e11", kLog, {{1e11 + 1, 1}, {1e11 + 2, 2}, {1e11 + 3, 3}}, 1},
      {"x near 1e11", kReciLog, {{1e11 + 1, 1}, {1e11 + 2, 2}, {1e11 + 3, 3}}, -1},
      {"x near 1e11",
       kExponential,
       {{1e11 + 1, 1 + 1e-11}, {1e11 + 2, 1 + 2e-11}, {1e11 + 3, 1 + 3e-11}},
       1},
      {"y near 1e9", kLog, {{1, 1e9 + 1}, {2, 1e9 + 3}, {3, 1e9 + 4}}, 1},
      {"y near 1e9", kReciLin, {{1, 1e9 + 1}, {2, 1e9 + 3}, {3, 1e9 + 4}}, -1},
      {"y near 1e9", kReciLog, {{1, 1e9 + 1}, {2, 1e9 + 3}, {3, 1e9 + 4}}, -1},
      {"y near 1e9", kPolynomial2, {{1, 1e9 + 1}, {2, 1e9 + 3}, {3, 1e9 + 4}, {4, 1e9 + 4}}, 0},
      {"y near 1e15", kPolynomial2, {{1, 1e15 + 1}, {2, 1e15 + 3}, {3, 1e15 + 4}}, 0},
      {"x one ulp apart", kLin, {{17, 17}, {17, 17}, {x17, 0}}, 1},
      {"x one ulp apart", kLog, {{17, 17}, {17, 17}, {x17, 0}}, 1},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.fit.name) + ", " + c.what);
    const Outputs out = FitOn(c.fit, c.points);
    const double fit_qual = out.back();
    EXPECT_GE(fit_qual, -1e-12);
    EXPECT_LE(fit_qual, 1 + 1e-12);
    const double slope = &c.fit == &kLin ? out[0] : out[1];
    if (c.slope_sign != 0) {
      EXPECT_EQ(slope > 0 ? 1 : -1, c.slope_sign) << "slope " << slope;
    }
  }
}

struct Refusal {
  const Fit& fit;
  Points points;
  std::string message;
};

TEST(RegressionFits, RefusalsInTheirOrder) {
  const std::vector<Refusal> refusals = {
      {kLin, {}, "CalcLinFit: not enough data points"},
      {kLin, {{1, 1}}, "CalcLinFit: not enough data points"},
      {kParabol, {{1, 1}, {2, 3}}, "CalcParabolFit: not enough data points"},
      {kReciLin, {{1, 0}, {2, 1}}, "CalcReciLinFit: not enough data points"},
      {kReciLin, {{1, 0}, {2, 1}, {3, 2}}, "CalcReciLinFit: y values must not be zero"},
      {kReciLin, {{1, 1e-31}, {2, 1}, {3, 2}}, "CalcReciLinFit: y values must not be zero"},
      {kReciLin, {{1, -5e-31}, {2, 1}, {3, 2}}, "CalcReciLinFit: y values must not be zero"},
      {kLog, {{0, 1}, {2, 1}}, "CalcLogFit: not enough data points"},
      {kLog, {{0, 1}, {2, 1}, {3, 2}}, "CalcLogFit: x values must not be negative or zero"},
      {kLog, {{-1, 1}, {2, 1}, {3, 2}}, "CalcLogFit: x values must not be negative or zero"},
      {kReciLog, {{1, 1}, {2, 2}}, "CalcReciLogFit: not enough data points"},
      {kReciLog,
       {{2, -1}, {-1, 2}, {3, 1}},
       "CalcReciLogFit: y values must not be negative or zero"},
      {kReciLog,
       {{2, 1e-31}, {1, 2}, {3, 1}},
       "CalcReciLogFit: y values must not be negative or zero"},
      {kReciLog, {{2, 0}, {1, 2}, {3, 1}}, "CalcReciLogFit: y values must not be negative or zero"},
      {kReciLog, {{0, 1}, {1, 2}, {3, 1}}, "CalcReciLogFit: x values must not be negative or zero"},
      {kExponential, {{1, 1}, {2, 2}}, "CalcExponentialFit: not enough data points"},
      {kExponential,
       {{-1, -1}, {1, 2}, {3, 1}},
       "CalcExponentialFit: y values must not be negative or zero"},
      {kExponential,
       {{0, 1}, {1, 2}, {3, 1}},
       "CalcExponentialFit: x values must not be negative or zero"},
      // ln y = x - 1000: the intercept -1000 has no double exponential.
      {kExponential,
       {{1000, 1}, {1001, e}, {1002, e * e}},
       "CalcExponentialFit: cannot fit function"},
      {kExponential,
       {{1, std::exp(-745.0 + 300)}, {2, std::exp(-745.0 + 600)}, {3, std::exp(-745.0 + 900)}},
       "CalcExponentialFit: cannot fit function"},
  };
  for (const Refusal& r : refusals) {
    SCOPED_TRACE(r.message);
    EXPECT_EQ(Failure<EKovixMath2Error>(r.fit, r.points), r.message);
  }
}

TEST(RegressionFits, ExponentialInterceptJustAboveTheLimitGivesASubnormalFactor) {
  // ln y = -744 + 300 x: e^-744 is below the smallest normal double but still representable.
  const Outputs out = FitOn(
      kExponential,
      {{1, std::exp(-744.0 + 300)}, {2, std::exp(-744.0 + 600)}, {3, std::exp(-744.0 + 900)}});
  EXPECT_GT(out[0], 0);
  EXPECT_LT(out[0], std::numeric_limits<double>::min());
  EXPECT_NEAR(out[1], 300, 1e-9);
  EXPECT_NEAR(out[2], 1, 1e-12);
}

TEST(RegressionFits, ExponentialTakesYValuesNearZeroThatArePositive) {
  // ln y = 10 x - 90: every y lies below 1e-30, which only the reciprocal fits refuse.
  const Outputs out =
      FitOn(kExponential, {{1, std::exp(-80.0)}, {2, std::exp(-70.0)}, {3, std::exp(-60.0)}});
  EXPECT_NEAR(out[0] / std::exp(-90.0), 1, 1e-12);
  EXPECT_NEAR(out[1], 10, 1e-12);
  EXPECT_NEAR(out[2], 1, 1e-12);
}

TEST(RegressionFits, FloatingPointFaultsAreRaisedNotReturned) {
  const double nan = std::numeric_limits<double>::quiet_NaN();
  const double inf = std::numeric_limits<double>::infinity();
  struct Fault {
    const char* what;
    const Fit& fit;
    Points points;
    std::string message;
  };
  const std::string invalid = "Ungültige Gleitkommaoperation";
  const std::string zero_divide = "Gleitkommadivision durch Null";
  const std::string overflow = "Gleitkommaüberlauf";
  const std::vector<Fault> faults = {
      // All x equal: the determinant of the transformed line is 0 and so is each numerator.
      {"x constant", kReciLin, {{2, 1}, {2, 2}, {2, 4}}, invalid},
      {"x constant", kExponential, {{2, 1}, {2, 2}, {2, 4}}, invalid},
      {"ln x constant 0", kLog, {{1, 1}, {1, 2}, {1, 4}}, invalid},
      {"ln x constant 0", kReciLog, {{1, 1}, {1, 2}, {1, 4}}, invalid},
      // 3/y rounds, so a numerator keeps a remainder while the determinant is exactly 0.
      {"x constant, numerator rounded", kReciLin, {{3, 3}, {3, 7}, {3, 11}}, zero_divide},
      // ln y = 710 - 300 x: the intercept is fine, its exponential exceeds the double range.
      {"factor too large",
       kExponential,
       {{1, std::exp(410.0)}, {2, std::exp(110.0)}, {3, std::exp(-190.0)}},
       overflow},
      {"squares too large", kLin, {{1e300, 1}, {-1e300, 2}, {0, 3}}, overflow},
      {"fourth powers too large", kParabol, {{-1e80, 1}, {1e80, 2}, {0, 3}}, overflow},
      {"NaN in the store", kLin, {{1, 1}, {nan, 2}, {3, 3}}, invalid},
      {"NaN in the store", kParabol, {{1, 1}, {2, nan}, {3, 3}}, invalid},
      {"NaN in the store", kReciLin, {{1, 1}, {nan, 2}, {3, 3}}, invalid},
      {"NaN in the store", kLog, {{1, 1}, {2, nan}, {3, 3}}, invalid},
      {"infinity in the store", kLin, {{1, 1}, {inf, 2}, {3, 3}}, invalid},
      {"infinity in the store", kReciLin, {{1, 1}, {inf, 2}, {3, 3}}, invalid},
  };
  for (const Fault& f : faults) {
    SCOPED_TRACE(std::string(f.fit.name) + ", " + f.what);
    EXPECT_EQ(Failure<EMathError>(f.fit, f.points), f.message);
  }
}

TEST(RegressionFits, TransformedFitsTreatAllXEqualAsAZeroDeterminant) {
  // The squares and logarithms of these x round, so the determinant formed from the sums is
  // rounding noise instead of 0 and would give parameters without meaning.
  for (const double x : {0.1, 0.3, 7.7}) {
    for (const Fit* fit : {&kReciLin, &kLog, &kReciLog, &kExponential}) {
      SCOPED_TRACE(std::string(fit->name) + ", x = " + std::to_string(x));
      EXPECT_NE(Failure<EMathError>(*fit, {{x, 1}, {x, 2}, {x, 3}}), "");
    }
  }
  // Clearing forgets x values that differed before.
  TRovavAza store;
  Fill(store, {{1, 1}, {2, 2}});
  store.ClearData();
  Fill(store, {{0.3, 1}, {0.3, 2}, {0.3, 3}});
  double k0 = 0, k1 = 0, q = 0;
  EXPECT_THROW(store.CalcExponentialFit(k0, k1, q), EMathError);
}

TEST(RegressionFits, LeaveTheStoreAndTheFloatingPointFlagsAlone) {
  TRovavAza store;
  Fill(store, {{1, 2}, {2, 3}, {4, 3.5}, {5, 7}});
  const RunningSums sums = store.Sums();
  Outputs out;
  for (const Fit* fit : {&kLin, &kParabol, &kReciLin, &kLog, &kReciLog, &kExponential}) {
    fit->run(store, out);
    EXPECT_NO_THROW(CheckFloatFlags()) << fit->name;
  }
  EXPECT_EQ(store.Sums(), sums);
  EXPECT_EQ(store.NumPoints(), 4);
  EXPECT_EQ(store.PointTable().Elem(2, 3), 3.5);
}

}  // namespace

// Found by fuzzing: on nearly collinear points far from the origin the parabola's quality came
// out as 1.0000000013, a better than perfect fit.
TEST(CalcParabolFit, QualityStaysWithinOneOnIllConditionedPoints) {
  TRovavAza store;
  store.AddPoint(-262.725830078125, 1000000.037);
  store.AddPoint(512.176513671875, 996.7815073933798);
  for (int i = 0; i < 8; ++i) store.AddPoint(999999.99399999995, 999999.99399999995);
  store.AddPoint(999999.99399999995, 999999.94700000004);
  double k0, k1, k2, q;
  store.CalcParabolFit(k0, k1, k2, q);
  EXPECT_GE(q, 0);
  EXPECT_LE(q, 1);
  EXPECT_GT(q, 0.999);
}
