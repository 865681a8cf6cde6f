#pragma once

#include <functional>
#include <vector>

#include "scale/tick_layout.h"

// Keeps tick labels from running into each other. Use, once the labels carry their texts:
//   ThinTickLabels(layout, options, measure, gap);
// then draw the ticks whose Labelled flag is still set. Ticks, values and texts stay as they
// are; where labels would overlap, only every k-th labelled tick keeps its label.

// A drawn text's box in pixels; right and bottom are excluded.
struct LabelBox {
  long long Left = 0;
  long long Top = 0;
  long long Right = 0;
  long long Bottom = 0;
};

// Labels nearer than this along the axis (in pixels) read as one run of characters: about the
// width of a blank in the 8-point labels, and well under a digit's, so that labels the layout
// spaced sensibly keep theirs.
inline constexpr int kLabelGap = 3;

// Whether two boxes clash: closer than gap pixels along the axis and overlapping across it.
// Across the axis they may touch: a date line sits right on top of the row of clock labels.
bool BoxesClash(const LabelBox& a, const LabelBox& b, int gap, bool vertical);

// Appends the boxes of what a labelled tick draws (its label, its date line) as the scale would
// draw them; empty texts draw nothing and get no box.
using LabelMeasure = std::function<void(const Tick& tick, std::vector<LabelBox>& boxes)>;

// Where the labels of the layout's labelled ticks clash, keeps the labels only on the ticks whose
// position in the layout's own unit (the step's multiple, the decade, the year, the month, the
// millisecond of a clock) is a multiple of the smallest label spacing that clears them; the
// spacings are whole multiples of the step, counted from zero in that unit, so that the labelled
// values are round ones. The other ticks lose only their Labelled flag. Date lines move to the
// ticks that keep their labels, by the same rule that placed them. Returns whether any label
// was dropped.
bool ThinTickLabels(TickLayout& layout, const TickOptions& options, const LabelMeasure& measure,
                    int gap = kLabelGap);
