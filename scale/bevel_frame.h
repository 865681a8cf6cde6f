#pragma once

#include "platform/canvas.h"
#include "platform/color.h"
#include "scale/scale_types.h"

// The colours a 3-D frame is drawn with.
struct FrameColors {
  platform::TColor Shadow = platform::clGray;
  platform::TColor Highlight = platform::clWhite;
  platform::TColor Line = platform::clBlack;  // the dark edge and the simple outline
};

FrameColors FrameColorsFor(TColorScheme scheme);

// Draws a frame whose outer pixels run along left..right and top..bottom (both inclusive).
// fsNone draws nothing; fsSimple one outline in the line colour; the bevel styles two nested
// rectangles, each as a top-left and a bottom-right pair of edges. Leaves the pen colour changed.
void DrawBevelFrame(platform::Canvas& canvas, int left, int top, int right, int bottom,
                    TFrameStyle style, const FrameColors& colors);
