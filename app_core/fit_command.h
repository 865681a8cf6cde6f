#pragma once

#include <iosfwd>
#include <string>

#include "app_core/command_line.h"
#include "io/data_file.h"

// `ravelon --fit` and the other requests that need no window, run as the command line asked:
//
//   const CommandLine request = ParseCommandLine(args);
//   if (WantsNoWindow(args)) return RunWithoutWindow(request, std::cout, std::cerr);

// Reads the file, fits and prints as the window's labels show it (see README). Returns the exit
// status: 0, or 1 after writing the error to `err`. Nothing reaches `out` on an error. Lines
// skipped for a missing value are told on `err`, with status 0.
int RunCommandLineFit(const CommandLine& request, std::ostream& out, std::ostream& err);

// The spline's refusal of repeated x (any other message unchanged), followed by the first
// repeated x of the file's points and its line numbers; reads the file again for those.
std::string WithRepeatedX(const std::string& message, const CommandLine& request,
                          const DataFileResult& file);

// The message where the window's order control could not reach poly:N for the file's points,
// or empty.
std::string OrderBeyondPoints(const CommandLine& request, int points);

// Carries out a request that needs no window (Fit, Help, Version, Usage); returns the status.
int RunWithoutWindow(const CommandLine& request, std::ostream& out, std::ostream& err);
