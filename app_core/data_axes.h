#pragma once

#include <span>

#include "base/data_point.h"
#include "scale/round_range.h"

// The tick count and the smallest span the window gives both chart axes.
inline constexpr int kChartMinTicks = 6;
inline constexpr double kChartMinRange = 1e-10;

// The axes a file's points are shown on: each from the smallest to the largest value, rounded
// outward to the scale's ticks. The window sets them after opening a file; the command-line
// spline sweeps the same x range.
struct DataAxes {
  AxisRange X;
  AxisRange Y;
};
DataAxes AxesAround(std::span<const DataPoint> points);
