// The point store and every fit on arbitrary points: each fit either gives finite results with
// the goodness of fit in [0, 1] or raises an error derived from std::runtime_error.
#include <fuzzer/FuzzedDataProvider.h>

#include <array>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <exception>
#include <functional>
#include <stdexcept>
#include <string>
#include <vector>

#include "fit/rovav_aza.h"
#include "fuzz/fuzz_check.h"

namespace {

double PickCoordinate(FuzzedDataProvider& in) {
  switch (in.ConsumeIntegralInRange(0, 3)) {
    case 0:
      return in.ConsumeFloatingPoint<double>();  // any double, NaN and infinities included
    case 1:
      return in.ConsumeIntegralInRange(-20, 20);  // repeated and small values
    case 2:  // clustered far from the origin: ill-conditioned sums
      return 1e6 + in.ConsumeIntegralInRange(-100, 100) * 1e-3;
    default:
      return in.ConsumeFloatingPointInRange<double>(-1e3, 1e3);
  }
}

std::string PointsText(const TRovavAza& store) {
  std::string out;
  char buf[80];
  for (int r = 1; r <= store.NumPoints() && r <= 40; ++r) {
    std::snprintf(buf, sizeof buf, " (%.17g, %.17g)", double(store.PointTable().Elem(1, r)),
                  double(store.PointTable().Elem(2, r)));
    out += buf;
  }
  return std::to_string(store.NumPoints()) + " points:" + out;
}

// Runs one fit: an error must derive from std::runtime_error, and a result must be finite with
// the goodness of fit in [0, 1].
void CheckFit(const char* name, const TRovavAza& store, const std::function<void()>& fit,
              const std::vector<const double*>& results, const double& fitQual) {
  try {
    fit();
  } catch (const std::runtime_error&) {
    return;
  } catch (const std::exception& e) {
    FuzzFail("a fit raises only errors derived from std::runtime_error",
             std::string(name) + " raised \"" + e.what() + "\" on " + PointsText(store));
  }
  for (const double* r : results)
    if (!std::isfinite(*r))
      FuzzFail("a fit's results are finite",
               std::string(name) + " gave " + std::to_string(*r) + " on " + PointsText(store));
  if (!(fitQual >= 0 && fitQual <= 1)) {
    char q[40];
    std::snprintf(q, sizeof q, "%.17g", fitQual);
    FuzzFail("goodness of fit lies in [0, 1]",
             std::string(name) + " gave FitQual " + q + " on " + PointsText(store));
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  FuzzedDataProvider in(data, size);
  TRovavAza store;
  const int n = in.ConsumeIntegralInRange(0, 60);
  for (int i = 0; i < n; ++i) {
    const double x = PickCoordinate(in);
    const double y = PickCoordinate(in);
    try {
      store.AddPoint(x, y);
    } catch (const std::runtime_error&) {
      FuzzFail("adding a point succeeds", "AddPoint refused a point");
    }
    // The table keeps the point as given, NaN included, in input order.
    const auto same = [](double stored, double given) {
      return stored == given || (std::isnan(stored) && std::isnan(given));
    };
    FUZZ_CHECK(
        same(store.PointTable().Elem(1, i + 1), x) && same(store.PointTable().Elem(2, i + 1), y),
        PointsText(store));
  }
  FUZZ_CHECK(store.NumPoints() == n, PointsText(store));

  double a = 0, b = 0, c = 0, q = 0;
  CheckFit(
      "CalcLinFit", store, [&] { store.CalcLinFit(a, b, q); }, {&a, &b}, q);
  CheckFit(
      "CalcParabolFit", store, [&] { store.CalcParabolFit(a, b, c, q); }, {&a, &b, &c}, q);
  CheckFit(
      "CalcReciLinFit", store, [&] { store.CalcReciLinFit(a, b, q); }, {&a, &b}, q);
  CheckFit(
      "CalcLogFit", store, [&] { store.CalcLogFit(a, b, q); }, {&a, &b}, q);
  CheckFit(
      "CalcReciLogFit", store, [&] { store.CalcReciLogFit(a, b, q); }, {&a, &b}, q);
  CheckFit(
      "CalcExponentialFit", store, [&] { store.CalcExponentialFit(a, b, q); }, {&a, &b}, q);

  std::array<double, 11> coefficients{};
  std::vector<const double*> coefficientPointers;
  for (const double& k : coefficients) coefficientPointers.push_back(&k);
  for (int order = 0; order <= 10; ++order) {
    bool rankDeficient = false;
    bool converged = true;
    coefficients.fill(0);
    const std::string name = "CalcPolynomialFit order " + std::to_string(order);
    CheckFit(
        name.c_str(), store,
        [&] {
          converged = store.CalcPolynomialFit(std::uint8_t(order), coefficients, q, rankDeficient);
        },
        coefficientPointers, q);
    if (!converged)
      for (double k : coefficients) FUZZ_CHECK(k == 0, name + ": no convergence, yet coefficients");
  }

  store.SetSmoothingFactor(in.ConsumeBool() ? in.ConsumeFloatingPointInRange(0.0, 1.0)
                                            : in.ConsumeFloatingPoint<double>());
  const int evaluations = in.ConsumeIntegralInRange(0, 8);
  for (int i = 0; i < evaluations; ++i) {
    const double x = PickCoordinate(in);
    bool valid = false;
    double value = 0;
    char at[40];
    std::snprintf(at, sizeof at, "SmoothSplineValue at %.17g", x);
    CheckFit(
        at, store, [&] { value = store.SmoothSplineValue(x, q, valid); }, {&value}, q);
    if (!valid) FUZZ_CHECK(value == 0, std::string(at) + ": invalid, yet a value");
  }
  return 0;
}
