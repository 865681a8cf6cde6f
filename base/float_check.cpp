#include "base/float_check.h"

#include <cmath>

#include <cfenv>

namespace {
constexpr int kErrorFlags = FE_INVALID | FE_DIVBYZERO | FE_OVERFLOW;
}

EMathError::~EMathError() = default;

EInvalidOp::EInvalidOp() : EMathError("Ungültige Gleitkommaoperation") {}
EInvalidOp::~EInvalidOp() = default;

EZeroDivide::EZeroDivide() : EMathError("Gleitkommadivision durch Null") {}
EZeroDivide::~EZeroDivide() = default;

EOverflow::EOverflow() : EMathError("Gleitkommaüberlauf") {}
EOverflow::~EOverflow() = default;

void ClearFloatFlags() {
  std::feclearexcept(kErrorFlags);
}

void CheckFloatFlags() {
  const int raised = std::fetestexcept(kErrorFlags);
  if (raised == 0) return;
  std::feclearexcept(kErrorFlags);
  if (raised & FE_INVALID) throw EInvalidOp();
  if (raised & FE_DIVBYZERO) throw EZeroDivide();
  throw EOverflow();
}

double StoredDouble(long double v) {
  if (std::isnan(v)) throw EInvalidOp();
  const double d = static_cast<double>(v);
  if (std::isinf(d)) throw EOverflow();
  return d;
}
