#include "app_core/fit_command.h"

#include <ostream>
#include <sstream>
#include <stdexcept>
#include <vector>

#include "app_core/curve_sampling.h"
#include "app_core/data_axes.h"
#include "app_core/fit_analysis.h"
#include "app_core/fit_report.h"
#include "app_core/model_comparison.h"
#include "app_core/model_curve.h"
#include "app_core/model_table.h"
#include "fit/rovav_aza.h"
#include "format/format_fixed_width.h"
#include "io/data_file.h"

std::string WithRepeatedX(const std::string& message, const CommandLine& request,
                          const DataFileResult& file) {
  if (message.find("x-values are identical") == std::string::npos) return message;
  const DataFileResult lines = ReadDataFile(request.File, request.Columns, true);
  return message + RepeatedXNotice(file.points, lines.points.size() == file.points.size()
                                                    ? std::span<const long>(lines.pointLines)
                                                    : std::span<const long>());
}

bool StorePoints(const CommandLine& request, const DataFileResult& file, TRovavAza& store,
                 std::ostream& err) {
  store.AddPoints(file.points);
  const ModelChoice& m = request.Model.model;
  if (request.Model.what != ModelArgument::What::One || m.kind != ModelKind::Polynomial ||
      m.order <= store.NumPoints() - 1)
    return true;
  err << "poly:" << m.order << " needs at least " << m.order + 1 << " points; \"" << request.File
      << "\" has " << store.NumPoints() << ".\n";
  return false;
}

namespace {

std::string MergedNotice(const FitReport& report) {
  if (!report.mergedGroups) return {};
  return "--ties merge: " + std::to_string(report.mergedGroups) +
         (report.mergedGroups == 1 ? " x value" : " x values") + " repeated, " +
         std::to_string(report.n) + " points on " + std::to_string(report.groups) + " knots";
}

// The spline's curve lines: x and y with six decimals.
template <class Point>
std::string CurveLines(const std::vector<Point>& curve) {
  std::string text;
  for (const Point& p : curve)
    text += FormatFixedWidth(1, 6, p.x) + '\t' + FormatFixedWidth(1, 6, p.y) + '\n';
  return text;
}

// The lines the window's labels show: the formula, the parameters and the goodness of fit; for
// the spline the goodness of fit and its curve.
std::string FitText(const ModelRow& row, const std::string& formula, const std::string& params,
                    const std::string& fitQuality, const std::string& curveLines) {
  const std::string quality = "Anpassungsgrad: " + fitQuality + "\n";
  if (row.IsSpline()) return quality + curveLines;
  return formula + "\n" + params + "\n" + quality;
}

// --fit with --stats, --band, --residuals, --json or --ties merge.
int RunAnalysis(const CommandLine& request, const ModelRow& row, const DataFileResult& file,
                TRovavAza& store, std::ostream& out, std::ostream& err) {
  const DataAxes axes = AxesAround(file.points);
  const CurveSampling samples(axes.X.Low, axes.X.High);
  const bool spline = row.IsSpline();
  if (spline && row.Choice().factor == 0 &&
      (request.Stats || request.Band || request.Residuals || request.Json)) {
    err << "spline:0 interpolates the points: no degrees of freedom are left for --stats, "
           "--band, --residuals or --json\n";
    return 1;
  }
  if (spline && store.NumPoints() < 3 &&
      (request.Stats || request.Band || request.Residuals || request.Json)) {
    err << "--stats, --band, --residuals and --json need at least 3 points for the spline; \""
        << request.File << "\" has " << store.NumPoints() << ".\n";
    return 1;
  }
  const FitAnalysis a =
      AnalyseFit(store, file.points, row, request.Level, request.TiesMerge, samples, request.Band);
  const std::vector<ResidualRow> residuals =
      request.Residuals ? ResidualRows(a) : std::vector<ResidualRow>();
  std::string text;
  if (request.Json) {
    text = ReportJson(a.report, request.Band ? &a.curve : nullptr,
                      request.Residuals ? &residuals : nullptr);
  } else {
    text = FitText(row, a.report.formula, a.report.params, a.report.fitQuality,
                   spline && !request.Band ? CurveLines(a.curve) : "");
    if (spline && request.Band) text += BandText(a.curve, true);
    if (request.Stats) text += ReportText(a.report);
    if (request.Band && !spline) text += "\n" + BandText(a.curve, false);
    if (request.Residuals) text += "\n" + ResidualText(residuals);
  }
  if (const std::string merged = MergedNotice(a.report); !merged.empty()) err << merged << '\n';
  if (file.skippedCount) err << SkippedNotice(file) << '\n';
  out << text;
  return 0;
}

}  // namespace

int RunCommandLineFit(const CommandLine& request, std::ostream& out, std::ostream& err) {
  const DataFileResult file = ReadDataFile(request.File, request.Columns);
  if (!file.Ok()) {
    err << file.error << '\n';
    return 1;
  }
  std::string text;
  try {
    TRovavAza store;
    if (!StorePoints(request, file, store, err)) return 1;
    if (request.Model.what == ModelArgument::What::All) {
      std::vector<ModelComparison> rows = CompareModels(store, file.points, request.TiesMerge);
      // The spline's refusal names the first repeated x by its line, as on its own.
      for (ModelComparison& row : rows)
        if (!row.error.empty()) row.error = WithRepeatedX(row.error, request, file);
      text = request.Json ? ComparisonJson(rows, store.NumPoints()) : ComparisonText(rows);
    } else {
      const ModelRow row(request.Model.model);
      if (request.Stats || request.Band || request.Residuals || request.Json || request.TiesMerge)
        return RunAnalysis(request, row, file, store, out, err);
      // The spline's goodness of fit comes with its curve, drawn across the axes of an open.
      std::optional<CurveSampling> samples;
      if (row.IsSpline()) {
        const DataAxes axes = AxesAround(file.points);
        samples.emplace(axes.X.Low, axes.X.High);
      }
      const FittedModel fitted = FitModelCurveOrThrow(store, row, samples ? &*samples : nullptr);
      text = FitText(row, fitted.formula, fitted.params, FitQualityText(fitted.fitQual),
                     CurveLines(fitted.curve));
    }
  } catch (const std::invalid_argument& e) {
    err << e.what() << '\n';
    return 1;
  } catch (const std::exception& e) {
    err << WithRepeatedX(e.what(), request, file) << '\n';
    return 1;
  }
  if (file.skippedCount) err << SkippedNotice(file) << '\n';
  out << text;
  return 0;
}

int RunWithoutWindow(const CommandLine& request, std::ostream& out, std::ostream& err) {
  switch (request.Do) {
    case CommandLine::Action::Help:
      out << UsageText();
      return 0;
    case CommandLine::Action::Version:
      out << VersionText();
      return 0;
    case CommandLine::Action::Fit:
      return RunCommandLineFit(request, out, err);
    case CommandLine::Action::Usage:
    case CommandLine::Action::Plot:  // drawn by the Qt side
    case CommandLine::Action::Window:
      break;
  }
  err << "ravelon: " << request.Problem << "\n" << UsageText();
  return 2;
}
