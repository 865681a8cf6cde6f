#include "app/command_line.h"

#include <array>
#include <cctype>
#include <charconv>
#include <optional>
#include <ostream>
#include <sstream>
#include <stdexcept>
#include <vector>

#include "app/curve_sampling.h"
#include "app/data_axes.h"
#include "app/fit_analysis.h"
#include "app/fit_report.h"
#include "app/model_comparison.h"
#include "app/model_table.h"
#include "fit/rovav_aza.h"
#include "format/format_fixed_width.h"
#include "io/data_file.h"

#ifndef RAVELON_VERSION
#define RAVELON_VERSION "unknown"
#endif

namespace {

// The window's order control stops at 9.
constexpr int kMaxCommandLineOrder = 9;

bool IsOption(const std::string& arg) {
  return arg.size() > 1 && arg[0] == '-';
}

CommandLine Usage(std::string problem) {
  CommandLine r;
  r.Do = CommandLine::Action::Usage;
  r.Problem = std::move(problem);
  return r;
}

// The whole text must be the number.
template <class T>
bool ParseWhole(std::string_view text, T& value) {
  const char* end = text.data() + text.size();
  const auto [ptr, ec] = std::from_chars(text.data(), end, value);
  return ec == std::errc() && ptr == end;
}

CommandLine ParseFit(const std::string& model, const std::string& file) {
  CommandLine r;
  r.Do = CommandLine::Action::Fit;
  r.File = file;
  const std::string_view m = model;
  if (m == "all") {
    r.Model = model;
    return r;
  }
  if (m.starts_with("poly:")) {
    r.Model = "poly";
    if (!ParseWhole(m.substr(5), r.Order) || r.Order < 1 || r.Order > kMaxCommandLineOrder)
      return Usage("the order of poly:N must be a whole number from 1 to 9: \"" + model + "\"");
    return r;
  }
  if (m.starts_with("spline:")) {
    r.Model = "spline";
    if (!ParseWhole(m.substr(7), r.Factor) || !(r.Factor >= 0 && r.Factor <= 1))
      return Usage("the factor of spline:F must be a number from 0 to 1: \"" + model + "\"");
    return r;
  }
  for (const ModelRow& row : ModelRows())
    if (m == row.CommandLineName) {
      r.Model = model;
      return r;
    }
  return Usage("unknown model \"" + model + "\"");
}

CommandLine ParseWithoutOptions(std::span<const std::string> args) {
  if (args.empty()) return {};
  const std::string& first = args[0];
  for (const std::string& a : args.subspan(1)) {
    if (a == first && IsOption(a)) return Usage(a + " given twice");
    if (a.starts_with("--") && IsOption(first)) return Usage("unknown option \"" + a + "\"");
  }
  if (first == "--help" || first == "-h") {
    if (args.size() > 1) return Usage("--help takes no arguments");
    CommandLine r;
    r.Do = CommandLine::Action::Help;
    return r;
  }
  if (first == "--version") {
    if (args.size() > 1) return Usage("--version takes no arguments");
    CommandLine r;
    r.Do = CommandLine::Action::Version;
    return r;
  }
  if (first == "--fit") {
    if (args.size() < 3) return Usage("--fit needs a model and a file");
    if (args.size() > 3) return Usage("--fit takes one model and one file");
    return ParseFit(args[1], args[2]);
  }
  if (first == "--plot") {
    if (args.size() != 4) return Usage("--plot takes a picture, a model and a file");
    const std::string& output = args[1];
    if (!PictureFormatOf(output))
      return Usage("--plot writes .png, .svg or .pdf: \"" + output + "\"");
    CommandLine r = args[2] == "none" ? CommandLine{} : ParseFit(args[2], args[3]);
    if (r.Do == CommandLine::Action::Usage) return r;
    if (r.Model == "all") return Usage("--plot draws one model, not all");
    if (args[2] == "none") r.Model = "none";
    r.Do = CommandLine::Action::Plot;
    r.File = args[3];
    r.Output = output;
    return r;
  }
  for (const std::string& a : args)
    if (IsOption(a)) return Usage("unknown option \"" + a + "\"");
  if (args.size() > 1) return Usage("one file at a time");
  CommandLine r;
  r.File = first;
  return r;
}

// Which of the report's options go with the request; the problem, or nullptr.
const char* CheckAnalysisOptions(const CommandLine& r, bool stats, bool band, bool residuals,
                                 bool json, const std::optional<std::string>& level,
                                 const std::optional<std::string>& ties) {
  const bool fit = r.Do == CommandLine::Action::Fit;
  const bool plot = r.Do == CommandLine::Action::Plot;
  if (stats && !fit) return "--stats goes with --fit";
  if (residuals && !fit) return "--residuals goes with --fit";
  if (json && !fit) return "--json goes with --fit";
  if (band && !fit && !plot) return "--band goes with --fit or --plot";
  if (level && !fit && !plot) return "--level goes with --fit or --plot";
  if (ties && !fit && !plot) return "--ties goes with --fit or --plot";
  if (r.Model == "all" && (stats || band || residuals))
    return "--stats, --band and --residuals go with one model, not all";
  if (r.Model == "all" && level) return "--level goes with one model, not all";
  if (level && !stats && !band && !json) return "--level goes with --stats, --band or --json";
  if (band && r.Model == "none") return "--band needs a model";
  if (ties && r.Model != "spline" && r.Model != "all")
    return "--ties merge goes with spline:F or all";
  return nullptr;
}

}  // namespace

bool WantsNoWindow(std::span<const std::string> args) {
  for (const std::string& a : args)
    if (a == "--fit" || a == "--plot" || a == "--help" || a == "-h" || a == "--version")
      return true;
  return false;
}

std::optional<PictureFormat> PictureFormatOf(const std::string& path) {
  const std::size_t dot = path.rfind('.');
  const std::size_t slash = path.rfind('/');
  if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return std::nullopt;
  std::string ext = path.substr(dot + 1);
  for (char& c : ext) c = char(std::tolower(static_cast<unsigned char>(c)));
  if (ext == "png") return PictureFormat::Png;
  if (ext == "svg") return PictureFormat::Svg;
  if (ext == "pdf") return PictureFormat::Pdf;
  return std::nullopt;
}

CommandLine ParseCommandLine(std::span<const std::string> allArgs) {
  // The options with a value may stand anywhere ("--name VALUE" or "--name=VALUE"); the rest is
  // read without them.
  std::vector<std::string> args;
  std::optional<std::string> columns, size, scale, level, ties;
  const std::pair<const char*, std::optional<std::string>*> valued[] = {{"--columns", &columns},
                                                                        {"--size", &size},
                                                                        {"--scale", &scale},
                                                                        {"--level", &level},
                                                                        {"--ties", &ties}};
  bool stats = false, band = false, residuals = false, json = false;
  const std::pair<const char*, bool*> flags[] = {
      {"--stats", &stats}, {"--band", &band}, {"--residuals", &residuals}, {"--json", &json}};
  for (std::size_t i = 0; i < allArgs.size(); ++i) {
    const std::string& a = allArgs[i];
    bool* flag = nullptr;
    for (const auto& [option, target] : flags)
      if (a == option) flag = target;
    if (flag) {
      if (*flag) return Usage(a + " given twice");
      *flag = true;
      continue;
    }
    std::optional<std::string>* slot = nullptr;
    std::string name, value;
    for (const auto& [option, target] : valued) {
      if (a == option) {
        if (i + 1 == allArgs.size()) return Usage(std::string(option) + " needs a value");
        slot = target;
        name = option;
        value = allArgs[++i];
      } else if (a.starts_with(std::string(option) + "=")) {
        slot = target;
        name = option;
        value = a.substr(name.size() + 1);
      }
    }
    if (!slot) {
      args.push_back(a);
      continue;
    }
    if (*slot) return Usage(name + " given twice");
    *slot = value;
  }
  CommandLine r = ParseWithoutOptions(args);
  if (r.Do == CommandLine::Action::Usage) return r;
  if (columns) {
    const bool withFile = r.Do == CommandLine::Action::Fit || r.Do == CommandLine::Action::Plot ||
                          (r.Do == CommandLine::Action::Window && !r.File.empty());
    if (!withFile) return Usage("--columns goes with a file");
    const std::optional<ColumnChoice> choice = ParseColumnChoice(*columns);
    if (!choice)
      return Usage("--columns takes two columns, names or numbers from 1, as X,Y: \"" + *columns +
                   "\"");
    r.Columns = *choice;
  }
  if ((size || scale) && r.Do != CommandLine::Action::Plot)
    return Usage(std::string(size ? "--size" : "--scale") + " goes with --plot");
  if (size) {
    const std::size_t x = size->find('x');
    if (x == std::string::npos || !ParseWhole(std::string_view(*size).substr(0, x), r.Width) ||
        !ParseWhole(std::string_view(*size).substr(x + 1), r.Height) || r.Width < 1 ||
        r.Height < 1 || r.Width > kMaxPictureSide || r.Height > kMaxPictureSide)
      return Usage("--size takes WIDTHxHEIGHT in pixels, each from 1 to " +
                   std::to_string(kMaxPictureSide) + ": \"" + *size + "\"");
  }
  if (scale && (!ParseWhole(*scale, r.Scale) || !(r.Scale >= kMinPictureScale) ||
                r.Scale > kMaxPictureScale))
    return Usage("--scale takes a device pixel ratio from 0.5 to 8: \"" + *scale + "\"");
  if (const char* problem = CheckAnalysisOptions(r, stats, band, residuals, json, level, ties))
    return Usage(problem);
  if (level && (!ParseWhole(*level, r.Level) || !(r.Level > 0 && r.Level < 1)))
    return Usage("--level takes a confidence level between 0 and 1, e.g. 0.95: \"" + *level + "\"");
  if (ties && *ties != "merge") return Usage("--ties takes \"merge\": \"" + *ties + "\"");
  r.Stats = stats;
  r.Band = band;
  r.Residuals = residuals;
  r.Json = json;
  r.TiesMerge = ties.has_value();
  if (r.Do == CommandLine::Action::Plot) {
    const long double w = r.Width ? r.Width : kDefaultPictureWidth;
    const long double h = r.Height ? r.Height : kDefaultPictureHeight;
    if (w * h * r.Scale * r.Scale > kMaxPicturePixels)
      return Usage("--size and --scale ask for a picture of more than " +
                   std::to_string(kMaxPicturePixels / 1000000) + " million pixels");
  }
  return r;
}

std::string UsageText() {
  return "Usage: ravelon [--columns X,Y] [FILE]\n"
         "       ravelon --fit MODEL FILE [--stats] [--band] [--residuals] [--json] [--level L]\n"
         "                                [--ties merge] [--columns X,Y]\n"
         "       ravelon --fit all FILE [--json] [--ties merge] [--columns X,Y]\n"
         "       ravelon --plot OUT MODEL FILE [--band] [--level L] [--ties merge] [--size WxH]\n"
         "                                     [--scale F] [--columns X,Y]\n"
         "       ravelon --help | --version\n"
         "\n"
         "Opens the window, with the points of FILE when given, prints the fit of MODEL to\n"
         "the points of FILE without a window, or writes the chart the window would show as a\n"
         "picture OUT (.png, .svg or .pdf; MODEL none for the points alone).\n"
         "--stats        after the fit, its report: parameters with standard errors, t, p and\n"
         "               confidence intervals, R², F, AIC, BIC, covariance and correlation; for\n"
         "               the spline its parameter, tr A, residual variance and GCV\n"
         "--band         the sampled curve with its confidence and prediction band (x, y,\n"
         "               confidence low, high, prediction low, high)\n"
         "--residuals    every point: x, y, fitted, residual, leverage\n"
         "--json         all of it as one JSON object (see README)\n"
         "--level L      the confidence level of intervals and bands (default 0.95)\n"
         "--ties merge   the spline fits points with repeated x: one knot per x, at the mean y\n"
         "--size WxH     the chart's size in pixels (default 571x532, the window's)\n"
         "--scale F      the picture's device pixel ratio (default 2)\n"
         "--columns X,Y  the columns of FILE that give x and y: header names or numbers from 1\n"
         "               (a row-name column not counted); without it the first two.\n"
         "MODEL: lin, parabolic, reciproc, log, reciplog, expon, poly:N (N from 1 to 9) or\n"
         "       spline:F (smoothing factor F from 0 to 1, e.g. spline:0.5); all compares\n"
         "       every model by AIC.\n"
         "FILE:  the program's own export (veda.asc) or delimited text, one point per line:\n"
         "       fields separated by TAB, \";\", \",\" or blanks, quoted or not; lines with a\n"
         "       missing x or y (empty, NA, NaN, N/A, #N/A) are skipped and counted.\n";
}

std::string VersionText() {
  return std::string("ravelon ") + RAVELON_VERSION + "\n";
}

std::string WithRepeatedX(const std::string& message, const CommandLine& request,
                          const DataFileResult& file) {
  if (message.find("x-values are identical") == std::string::npos) return message;
  const DataFileResult lines = ReadDataFile(request.File, request.Columns, true);
  return message + RepeatedXNotice(file.points, lines.points.size() == file.points.size()
                                                    ? std::span<const long>(lines.pointLines)
                                                    : std::span<const long>());
}

namespace {

std::string MergedNotice(const FitReport& report) {
  if (!report.mergedGroups) return {};
  return "--ties merge: " + std::to_string(report.mergedGroups) +
         (report.mergedGroups == 1 ? " x value" : " x values") + " repeated, " +
         std::to_string(report.n) + " points on " + std::to_string(report.groups) + " knots";
}

// --fit with --stats, --band, --residuals, --json or --ties merge.
int RunAnalysis(const CommandLine& request, const DataFileResult& file, TRovavAza& store,
                std::ostream& out, std::ostream& err) {
  const DataAxes axes = AxesAround(file.points);
  const CurveSampling samples(axes.X.Low, axes.X.High);
  const bool spline = request.Model == "spline";
  if (spline && request.Factor == 0 &&
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
      AnalyseFit(store, file.points, {request.Model, request.Order, request.Factor}, request.Level,
                 request.TiesMerge, samples, request.Band);
  const std::vector<ResidualRow> residuals =
      request.Residuals ? a.residuals() : std::vector<ResidualRow>();
  std::string text;
  if (request.Json) {
    text = ReportJson(a.report, request.Band ? &a.curve : nullptr,
                      request.Residuals ? &residuals : nullptr);
  } else {
    const std::string quality = "Anpassungsgrad: " + a.report.fitQuality + "\n";
    if (spline) {
      text = quality;
      if (request.Band) {
        text += BandText(a.curve, true);
      } else {
        for (const SampledBand& p : a.curve)
          text += FormatFixedWidth(1, 6, p.x) + '\t' + FormatFixedWidth(1, 6, p.y) + '\n';
      }
    } else {
      text = a.report.formula + "\n" + a.report.params + "\n" + quality;
    }
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
  std::ostringstream text;
  try {
    TRovavAza store;
    store.AddPoints(file.points);
    const std::string quality = "Anpassungsgrad: ";
    if (request.Model == "poly") {
      const int p = request.Order;
      // The window's order control never goes above the number of points less one.
      if (p > store.NumPoints() - 1) {
        err << "poly:" << p << " needs at least " << p + 1 << " points; \"" << request.File
            << "\" has " << store.NumPoints() << ".\n";
        return 1;
      }
    }
    if (request.Model == "all") {
      std::vector<ModelComparison> rows = CompareModels(store, file.points, request.TiesMerge);
      // The spline's refusal names the first repeated x by its line, as on its own.
      for (ModelComparison& row : rows)
        if (!row.error.empty()) row.error = WithRepeatedX(row.error, request, file);
      text << (request.Json ? ComparisonJson(rows, store.NumPoints()) : ComparisonText(rows));
    } else if (request.Stats || request.Band || request.Residuals || request.Json ||
               request.TiesMerge) {
      return RunAnalysis(request, file, store, out, err);
    } else if (request.Model == "poly") {
      const int p = request.Order;
      std::array<double, 11> c{};
      double fitQual = 0;
      bool rankDeficient = false;
      if (!store.CalcPolynomialFit(std::uint8_t(p), c, fitQual, rankDeficient)) {
        err << "CalcPolynomialFit: the decomposition did not converge\n";
        return 1;
      }
      text << PolynomialFormula(p) << '\n'
           << PolynomialParams(c, p) << '\n'
           << quality << FitQualityText(fitQual) << '\n';
    } else if (request.Model == "spline") {
      const DataAxes axes = AxesAround(file.points);
      std::vector<DataPoint> curve;
      double fitQual = 0;
      SweepSmoothSpline(
          store, CurveSampling(axes.X.Low, axes.X.High), request.Factor,
          [&](double q) { fitQual = q; },
          [&](double x, double y, bool) {
            curve.push_back({x, y});
          });
      text << quality << FitQualityText(fitQual) << '\n';
      for (const DataPoint& p : curve)
        text << FormatFixedWidth(1, 6, p.x) << '\t' << FormatFixedWidth(1, 6, p.y) << '\n';
    } else {
      for (const ModelRow& row : ModelRows()) {
        if (row.CommandLineName != request.Model) continue;
        const ModelFit fit = row.Fit(store);
        text << row.Formula << '\n'
             << row.Params(fit) << '\n'
             << quality << FitQualityText(fit.FitQual) << '\n';
      }
    }
  } catch (const std::invalid_argument& e) {
    err << e.what() << '\n';
    return 1;
  } catch (const std::exception& e) {
    err << WithRepeatedX(e.what(), request, file) << '\n';
    return 1;
  }
  if (file.skippedCount) err << SkippedNotice(file) << '\n';
  out << text.str();
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
