#pragma once

// An axis range around data whose ends are the multiples of the tick step, next below and above
// the data, that the scale itself lays out for that range: the axis starts and ends on a tick.
//
//   const AxisRange r = RoundRangeAround(minX, maxX, 6, 1e-10);
//   chart.Scale1X().SetRangeLow(r.Low);  chart.Scale1X().SetRangeHigh(r.High);
struct AxisRange {
  double Low = 0;
  double High = 0;
};

// low <= high, both finite. A span below minRange (all values equal) is widened around its
// middle first. Where rounding outward would leave the double range, the ends stay as given.
AxisRange RoundRangeAround(double low, double high, int minTicks, double minRange);
