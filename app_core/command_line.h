#pragma once

#include <iosfwd>
#include <optional>
#include <span>
#include <string>

#include "app_core/model_table.h"
#include "io/data_file.h"

// What the program's arguments ask for:
//   ravelon                      the window
//   ravelon FILE                 the window with the file's points
//   ravelon --fit MODEL FILE     the fit printed, no window (MODEL: lin, parabolic, reciproc,
//                                log, reciplog, expon, poly:N with N 1..9, spline:F with F 0..1,
//                                or all: every model compared)
//   ravelon --plot OUT MODEL FILE  the chart as a picture (MODEL also none), no window
//   ravelon --help | --version
// "--columns X,Y" anywhere beside FILE picks the file's x and y columns (names or numbers);
// "--size WxH" and "--scale F" go with --plot; "--stats", "--band", "--residuals", "--json",
// "--level L" and "--ties merge" with --fit (--band, --level and --ties also with --plot).
// Usage errors exit with status 2, a file or fit error of --fit with 1.
struct CommandLine {
  enum class Action { Window, Fit, Plot, Help, Version, Usage };
  Action Do = Action::Window;
  std::string File;           // Window (empty: none), Fit and Plot
  ModelArgument Model;        // Fit (one or all) and Plot (one or none)
  ColumnChoice Columns;       // Window, Fit and Plot: empty for the file's first two
  std::string Output;         // Plot: the picture's path
  int Width = 0, Height = 0;  // Plot: the chart's size in logical pixels; 0: the window's
  double Scale = 2;           // Plot: device pixels per logical pixel
  // Fit (and Plot for Band): the report, the bands, the residuals, all as JSON, at the level.
  bool Stats = false, Band = false, Residuals = false, Json = false;
  double Level = 0.95;
  bool TiesMerge = false;  // --ties merge: the spline merges repeated x
  std::string Problem;     // Usage: what is wrong with the arguments
};

enum class PictureFormat { Png, Svg, Pdf };
// By the path's extension (any case); nullopt for another.
std::optional<PictureFormat> PictureFormatOf(const std::string& path);

// Bounds of --size and --scale: large enough for any print, small enough to be drawn in memory.
inline constexpr int kMaxPictureSide = 20000;
inline constexpr double kMinPictureScale = 0.5;
inline constexpr double kMaxPictureScale = 8;
inline constexpr long long kMaxPicturePixels = 256'000'000;  // a gigabyte of RGB32
// The window's chart at the window's design size.
inline constexpr int kDefaultPictureWidth = 571;
inline constexpr int kDefaultPictureHeight = 532;

// The arguments after the program's name; in the window's case those that Qt left.
CommandLine ParseCommandLine(std::span<const std::string> args);
// Whether the arguments ask for anything but the window, so that no display is needed (a
// picture is drawn on the offscreen platform).
bool WantsNoWindow(std::span<const std::string> args);

std::string UsageText();
std::string VersionText();
// The project's version, "0.7": the window's caption and the about box show it too.
std::string ProgramVersion();

// Running the request that needs no window: fit_command.h.
