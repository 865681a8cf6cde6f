#pragma once

#include <sstream>
#include <string>
#include <vector>

#include "app/plot_file.h"
#include "app_core/command_line.h"
#include "app_core/fit_command.h"

// A request that needs no window, carried out in this process as main carries it out: its status
// and what it wrote. A picture needs the QApplication the test's main makes.
struct Outcome {
  int status;
  std::string out, err;
};

inline Outcome RunArgs(const std::vector<std::string>& args) {
  std::ostringstream out, err;
  const CommandLine request = ParseCommandLine(args);
  const int status = request.Do == CommandLine::Action::Plot ? RunPlot(request, err)
                                                             : RunWithoutWindow(request, out, err);
  return {status, out.str(), err.str()};
}
