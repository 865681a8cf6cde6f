#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "app_core/fit_analysis.h"
#include "app_core/model_curve.h"
#include "base/data_point.h"
#include "chart/varori.h"

// The chart as the main window shows it: margins, fonts, colours, grid, the first x and y scale
// from 0 to 10 with the window's ticks, the other layers' scales hidden. The window and the
// picture written by `ravelon --plot` set their charts up alike.
void SetUpMainChart(TVArori& c);

// Holds the chart's painting while it lives and then restores it, painting once if it was not
// held before; also when an error leaves the scope.
class HeldPainting {
 public:
  explicit HeldPainting(TVArori& chart) : chart_(chart), old_(chart.PaintHeld()) {
    chart_.HoldPainting(true);
  }
  ~HeldPainting() { chart_.HoldPainting(old_); }
  HeldPainting(const HeldPainting&) = delete;
  HeldPainting& operator=(const HeldPainting&) = delete;

 private:
  TVArori& chart_;
  bool old_;
};

// The mark every point is drawn with: a filled circle (see TVArori::AddMark's mark types).
inline constexpr std::uint8_t kPointMark = 26;

// The chart as an open leaves it: the points as marks and both axes around them (AxesAround).
// The caller holds painting, so that it is one picture.
void ShowPointsOnChart(TVArori& c, std::span<const DataPoint> points);

// One point of a fitted model's curve as the chart's line item: a move where the curve starts
// anew.
inline void AddCurvePoint(TVArori& c, double x, double y, bool move) {
  if (move)
    c.AddMovePoint(x, y);
  else
    c.AddLinePoint(x, y);
}

// A fitted model's curve: points with x, y and move (CurvePoint, or SampledBand's curve).
template <class Points>
void AddCurve(TVArori& c, const Points& curve) {
  for (const auto& p : curve) AddCurvePoint(c, p.x, p.y, p.move);
}

// The confidence band as a light fill under the grid, the marks and the curve, drawn before them
// onto the data area; the prediction band as two thin lines among the chart's items (added now:
// before the curve, so that the curve is drawn over them). Bounds that do not exist (a
// reciprocal model's band near its pole) leave gaps.
void ShowBand(TVArori& chart, const std::vector<SampledBand>& band);
// Removes the fill; the lines go with the chart's items.
void HideBand(TVArori& chart);
