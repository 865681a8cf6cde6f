#pragma once

#include <stdexcept>

// The root of the system's exceptions. The message text is the only payload: what() returns it
// unchanged. Each layer derives its own (the engine's in fit/kovix_errors.h, the chart's in
// chart/varori_error.h).
class EKovixError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
  ~EKovixError() override;
};
