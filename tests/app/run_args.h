#pragma once

#include <sstream>
#include <string>
#include <vector>

#include "app/command_line.h"
#include "app/fit_command.h"

// A request that needs no window, carried out in this process: its status and what it wrote.
struct Outcome {
  int status;
  std::string out, err;
};

inline Outcome RunArgs(const std::vector<std::string>& args) {
  std::ostringstream out, err;
  const int status = RunWithoutWindow(ParseCommandLine(args), out, err);
  return {status, out.str(), err.str()};
}
