#pragma once

#include "chart/scale_props.h"
#include "fit/float_check.h"

// The x positions at which the model commands sample their curves: 200 steps across the chart's
// x range, read when the command starts.
class CurveSampling {
 public:
  static constexpr int kSamples = 200;

  explicit CurveSampling(const TScalePropsHoriz& scale);
  double RL() const { return scale_.RangeLow(); }
  double RH() const { return scale_.RangeHigh(); }
  double Step() const { return step_; }
  // x_i = RL + i * CurveStep, i = 1..200.
  double Sample(int i) const;

 private:
  const TScalePropsHoriz& scale_;
  double step_;
};
