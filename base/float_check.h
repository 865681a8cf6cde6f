#pragma once

#include <stdexcept>

// Floating-point errors: invalid operations, divisions by zero and overflows are errors; underflow
// and inexact results are not. The arithmetic runs with all exceptions masked: callers clear the
// status flags before the arithmetic and test them after, where the operation happens.
class EMathError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
  ~EMathError() override;
};

class EInvalidOp : public EMathError {
 public:
  EInvalidOp();
  ~EInvalidOp() override;
};

class EZeroDivide : public EMathError {
 public:
  EZeroDivide();
  ~EZeroDivide() override;
};

class EOverflow : public EMathError {
 public:
  EOverflow();
  ~EOverflow() override;
};

// Clears the invalid, division-by-zero and overflow flags.
void ClearFloatFlags();
// Throws EInvalidOp, EZeroDivide or EOverflow (checked in that order) when a flag is set since
// the last ClearFloatFlags; the flags are cleared before throwing.
void CheckFloatFlags();

// Clears the flags on construction; Check() raises what happened since.
class FloatCheck {
 public:
  FloatCheck() { ClearFloatFlags(); }
  void Check() const { CheckFloatFlags(); }
};

// A value as it is stored: rounded to a double, where a result beyond the double range is an
// overflow and a NaN an invalid operation.
double StoredDouble(long double v);
