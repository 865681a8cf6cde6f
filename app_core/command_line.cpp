#include "app_core/command_line.h"

#include <array>
#include <cctype>
#include <charconv>
#include <optional>
#include <vector>

#include "app_core/model_table.h"
#include "app_core/parse_whole.h"
#include "io/data_file.h"

#ifndef RAVELON_VERSION
#define RAVELON_VERSION "unknown"
#endif

namespace {

bool IsOption(const std::string& arg) {
  return arg.size() > 1 && arg[0] == '-';
}

CommandLine Usage(std::string problem) {
  CommandLine r;
  r.Do = CommandLine::Action::Usage;
  r.Problem = std::move(problem);
  return r;
}

// MODEL and FILE of --fit (also all) and --plot (also none).
CommandLine ParseModelAndFile(const std::string& model, const std::string& file, bool plot) {
  auto [argument, problem] = ParseModelArgument(model, true, plot);
  if (!argument) return Usage(problem);
  CommandLine r;
  r.Do = plot ? CommandLine::Action::Plot : CommandLine::Action::Fit;
  r.File = file;
  r.Model = *argument;
  return r;
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
    return ParseModelAndFile(args[1], args[2], false);
  }
  if (first == "--plot") {
    if (args.size() != 4) return Usage("--plot takes a picture, a model and a file");
    const std::string& output = args[1];
    if (!PictureFormatOf(output))
      return Usage("--plot writes .png, .svg or .pdf: \"" + output + "\"");
    CommandLine r = ParseModelAndFile(args[2], args[3], true);
    if (r.Do == CommandLine::Action::Usage) return r;
    if (r.Model.what == ModelArgument::What::All) return Usage("--plot draws one model, not all");
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
  const bool all = r.Model.what == ModelArgument::What::All;
  const bool one = r.Model.what == ModelArgument::What::One;
  if (all && (stats || band || residuals))
    return "--stats, --band and --residuals go with one model, not all";
  if (all && level) return "--level goes with one model, not all";
  if (level && !stats && !band && !json) return "--level goes with --stats, --band or --json";
  if (band && r.Model.what == ModelArgument::What::None) return "--band needs a model";
  if (ties && !all && !(one && ModelRow(r.Model.model).IsSpline()))
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

std::string ProgramVersion() {
  return RAVELON_VERSION;
}

std::string VersionText() {
  return std::string("ravelon ") + RAVELON_VERSION + "\n";
}
