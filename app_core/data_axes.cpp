#include "app_core/data_axes.h"

#include <algorithm>

DataAxes AxesAround(std::span<const DataPoint> points) {
  if (points.empty()) return {};
  double xLow = points[0].x, xHigh = xLow, yLow = points[0].y, yHigh = yLow;
  for (const DataPoint& p : points) {
    xLow = std::min(xLow, p.x);
    xHigh = std::max(xHigh, p.x);
    yLow = std::min(yLow, p.y);
    yHigh = std::max(yHigh, p.y);
  }
  return {RoundRangeAround(xLow, xHigh, kChartMinTicks, kChartMinRange),
          RoundRangeAround(yLow, yHigh, kChartMinTicks, kChartMinRange)};
}
