// The command line's report of a fit on arbitrary points: every model either refuses with an
// error derived from std::runtime_error (or the report's std::invalid_argument) or gives a
// report whose values hang together: errors not negative, p in [0, 1], intervals ordered around
// their estimate, leverages in [0, 1], bands holding the curve, and JSON without NaN or
// infinities.
#include <fuzzer/FuzzedDataProvider.h>

#include <cmath>
#include <cstdint>
#include <exception>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "app_core/curve_sampling.h"
#include "app_core/data_axes.h"
#include "app_core/fit_analysis.h"
#include "app_core/fit_report.h"
#include "fit/rovav_aza.h"
#include "fuzz/fuzz_check.h"

namespace {

double PickCoordinate(FuzzedDataProvider& in) {
  switch (in.ConsumeIntegralInRange(0, 4)) {
    case 0:
      return in.ConsumeIntegralInRange(-20, 20);  // repeated and small values
    case 1:  // clustered far from the origin: ill-conditioned designs
      return 2000 + in.ConsumeIntegralInRange(-300, 300) * 0.1;
    case 2:
      return in.ConsumeFloatingPointInRange<double>(-1e6, 1e6);
    case 3:
      return in.ConsumeFloatingPointInRange<double>(1e-3, 10);
    default:
      return in.ConsumeFloatingPointInRange<double>(-1e3, 1e3);
  }
}

std::string PointsText(const std::vector<DataPoint>& points) {
  std::string out = std::to_string(points.size()) + " points:";
  char buf[80];
  for (std::size_t i = 0; i < points.size() && i < 40; ++i) {
    std::snprintf(buf, sizeof buf, " (%.17g, %.17g)", points[i].x, points[i].y);
    out += buf;
  }
  return out;
}

// Rounding may carry a value a hair past its bound. The leverages come from sums of powers,
// which resolve a design's directions down to about 1e-8 of its largest: on a design near that
// (two x values 3e-5 apart at 678 and a third at -20, for a parabola) a leverage of 1 comes out
// as 1.000015.
constexpr double kSlack = 1e-9;
constexpr double kLeverageSlack = 1e-3;

void CheckReport(const FitAnalysis& a, const std::vector<DataPoint>& points,
                 const std::string& what) {
  const FitReport& r = a.report;
  const std::string at = what + " on " + PointsText(points);
  for (const ReportParameter& p : r.parameters) {
    if (p.standardError) FUZZ_CHECK(*p.standardError >= 0, "negative error: " + at);
    if (p.p) FUZZ_CHECK(*p.p >= 0 && *p.p <= 1, "p outside [0, 1]: " + at);
    if (p.low && p.high) FUZZ_CHECK(*p.low <= *p.high, "interval reversed: " + at);
  }
  if (r.rSquared) FUZZ_CHECK(*r.rSquared <= 1 + kSlack, "R² above 1: " + at);
  if (r.fP) FUZZ_CHECK(*r.fP >= 0 && *r.fP <= 1, "p of F outside [0, 1]: " + at);
  FUZZ_CHECK(r.rss >= 0, "negative RSS: " + at);
  for (const SampledBand& s : a.curve) {
    const BandValues& b = s.band;
    if (b.confidenceLow && b.confidenceHigh)
      FUZZ_CHECK(*b.confidenceLow <= *b.confidenceHigh, "confidence band reversed: " + at);
    if (b.predictionLow && b.confidenceLow)
      FUZZ_CHECK(*b.predictionLow <= *b.confidenceLow, "prediction inside confidence: " + at);
  }
  for (const ResidualRow& row : ResidualRows(a))
    if (row.leverage && std::isfinite(*row.leverage))
      FUZZ_CHECK(*row.leverage >= -kLeverageSlack && *row.leverage <= 1 + kLeverageSlack,
                 "leverage outside [0, 1]: " + at);
  const std::string json = ReportJson(r, &a.curve, nullptr);
  for (const char* bad : {"nan", "inf"}) FUZZ_CHECK(json.find(bad) == std::string::npos, json);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  FuzzedDataProvider in(data, size);
  std::vector<DataPoint> points;
  const int n = in.ConsumeIntegralInRange(1, 40);
  for (int i = 0; i < n; ++i) points.push_back({PickCoordinate(in), PickCoordinate(in)});
  const double level = in.ConsumeFloatingPointInRange(0.01, 0.999);
  const ModelChoice choices[] = {{ModelKind::Lin},
                                 {ModelKind::Parabolic},
                                 {ModelKind::Reciproc},
                                 {ModelKind::Log},
                                 {ModelKind::RecipLog},
                                 {ModelKind::Expon},
                                 {ModelKind::Polynomial, in.ConsumeIntegralInRange(1, 9)},
                                 {ModelKind::Spline, 0, in.ConsumeFloatingPointInRange(0.0, 1.0)}};
  const DataAxes axes = AxesAround(points);
  const CurveSampling samples(axes.X.Low, axes.X.High);
  for (const ModelChoice& choice : choices) {
    const ModelRow row(choice);
    for (const bool merge : {false, true}) {
      if (merge && !row.IsSpline()) continue;
      TRovavAza store;
      store.AddPoints(points);
      if (choice.kind == ModelKind::Polynomial && choice.order > n - 1) continue;
      const std::string what = row.Name() + (merge ? " merged" : "");
      try {
        CheckReport(AnalyseFit(store, points, row, level, merge, samples, true), points, what);
      } catch (const std::runtime_error&) {
      } catch (const std::invalid_argument&) {
      } catch (const std::exception& e) {
        FuzzFail("the report raises only runtime errors", what + ": " + e.what());
      }
    }
  }
  return 0;
}
