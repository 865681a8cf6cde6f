#pragma once

#include <iosfwd>
#include <span>
#include <string>

#include "io/data_file.h"

// What the program's arguments ask for:
//   ravelon                      the window
//   ravelon FILE                 the window with the file's points
//   ravelon --fit MODEL FILE     the fit printed, no window (MODEL: lin, parabolic, reciproc,
//                                log, reciplog, expon, poly:N with N 1..9, spline:F with F 0..1)
//   ravelon --help | --version
// "--columns X,Y" anywhere beside FILE picks the file's x and y columns (names or numbers).
// Usage errors exit with status 2, a file or fit error of --fit with 1.
struct CommandLine {
  enum class Action { Window, Fit, Help, Version, Usage };
  Action Do = Action::Window;
  std::string File;      // Window (empty: none) and Fit
  std::string Model;     // Fit: the model's name, "poly" or "spline"
  int Order = 0;         // poly:N
  double Factor = 0;     // spline:F
  ColumnChoice Columns;  // Window and Fit: empty for the file's first two
  std::string Problem;   // Usage: what is wrong with the arguments
};

// The arguments after the program's name; in the window's case those that Qt left.
CommandLine ParseCommandLine(std::span<const std::string> args);
// Whether the arguments ask for anything but the window, so that no display is needed.
bool WantsNoWindow(std::span<const std::string> args);

std::string UsageText();
std::string VersionText();

// Reads the file, fits and prints as the window's labels show it (see README). Returns the exit
// status: 0, or 1 after writing the error to `err`. Nothing reaches `out` on an error. Lines
// skipped for a missing value are told on `err`, with status 0.
int RunCommandLineFit(const CommandLine& request, std::ostream& out, std::ostream& err);

// Carries out a request that needs no window (Fit, Help, Version, Usage); returns the status.
int RunWithoutWindow(const CommandLine& request, std::ostream& out, std::ostream& err);
