#include "scale/bevel_frame.h"

using platform::Canvas;
using platform::TColor;

FrameColors FrameColorsFor(TColorScheme scheme) {
  FrameColors c;
  if (scheme == csSystem) {
    c.Shadow = platform::clBtnShadow;
    c.Highlight = platform::clBtnHighlight;
  } else {
    c.Shadow = platform::clGray;
    c.Highlight = platform::clWhite;
  }
  return c;
}

namespace {

void Bevel(Canvas& cv, int left, int top, int right, int bottom, TColor outerTopLeft,
           TColor outerBottomRight, TColor innerTopLeft, TColor innerBottomRight) {
  cv.GetPen().Color = outerTopLeft;
  cv.MoveTo(left, bottom);
  cv.LineTo(left, top);
  cv.LineTo(right + 1, top);
  cv.GetPen().Color = outerBottomRight;
  cv.MoveTo(right, top + 1);
  cv.LineTo(right, bottom);
  cv.LineTo(left - 1, bottom);
  cv.GetPen().Color = innerTopLeft;
  cv.MoveTo(left + 1, bottom - 1);
  cv.LineTo(left + 1, top + 1);
  cv.LineTo(right, top + 1);
  cv.GetPen().Color = innerBottomRight;
  cv.MoveTo(right - 1, top + 2);
  cv.LineTo(right - 1, bottom - 1);
  cv.LineTo(left, bottom - 1);
}

}  // namespace

void DrawBevelFrame(Canvas& cv, int left, int top, int right, int bottom, TFrameStyle style,
                    const FrameColors& c) {
  const TColor silver = platform::clSilver;
  switch (style) {
    case fsNone:
      return;
    case fsSimple: {
      const platform::Brush saved = cv.GetBrush();
      cv.GetBrush().Style = platform::bsClear;
      cv.GetPen().Color = c.Line;
      cv.Rectangle(left, top, right + 1, bottom + 1);
      cv.SetBrush(saved);
      return;
    }
    case fsLowered:
      Bevel(cv, left, top, right, bottom, c.Shadow, c.Highlight, c.Line, silver);
      return;
    case fsRaised:
      Bevel(cv, left, top, right, bottom, c.Highlight, c.Line, silver, c.Shadow);
      return;
    case fsEmbossed:
      Bevel(cv, left, top, right, bottom, c.Highlight, c.Shadow, c.Shadow, c.Highlight);
      return;
    case fsEngraved:
      Bevel(cv, left, top, right, bottom, c.Shadow, c.Highlight, c.Highlight, c.Shadow);
      return;
  }
}
