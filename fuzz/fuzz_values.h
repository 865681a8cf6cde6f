#pragma once

#include <fuzzer/FuzzedDataProvider.h>

#include <cmath>

// A double from one of the families that find edges: any bit pattern (NaN and the infinities
// included), small multiples of a binary fraction, powers of ten over the whole range, plain
// values of a usual size.
inline double PickDouble(FuzzedDataProvider& in) {
  switch (in.ConsumeIntegralInRange(0, 3)) {
    case 0:
      return in.ConsumeFloatingPoint<double>();
    case 1:
      return in.ConsumeIntegralInRange(-100000, 100000) / 8.0;
    case 2:
      return std::pow(10.0, in.ConsumeIntegralInRange(-320, 308)) * (in.ConsumeBool() ? -1 : 1);
    default:
      return in.ConsumeFloatingPointInRange(-1e6, 1e6);
  }
}
