#pragma once

#include <iosfwd>
#include <string>

#include "app_core/command_line.h"
#include "fit/rovav_aza.h"
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

// Puts the file's points into the store; false, after writing the reason to `err`, where the
// request cannot be carried out on them: poly:N beyond the window's order control, which never
// goes above the number of points less one.
bool StorePoints(const CommandLine& request, const DataFileResult& file, TRovavAza& store,
                 std::ostream& err);

// Carries out a request that needs no window (Fit, Help, Version, Usage); returns the status.
int RunWithoutWindow(const CommandLine& request, std::ostream& out, std::ostream& err);
