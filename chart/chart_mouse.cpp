#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "base/float_check.h"
#include "chart/varori.h"
#include "platform/cursor.h"

using platform::TPoint;

namespace {

bool IsPanMode(TMouseActMode m) {
  return m == maPan || m == maPanHoriz || m == maPanVert;
}

bool IsBandMode(TMouseActMode m) {
  return m == maRubberBand || m == maZoomWind || m == maZoomWindPos;
}

}  // namespace

bool TVArori::InDataArea(int x, int y) const {
  return ml_ <= x && x <= DataRight() && mt_ <= y && y <= DataBottom();
}

void TVArori::DblClick() {
  doubleClick_ = true;
  if (OnDblClick) OnDblClick(*this);
}

void TVArori::MouseDown(platform::TMouseButton button, platform::TShiftState shift, int x, int y) {
  if (doubleClick_) {
    doubleClick_ = false;
    return;
  }
  if (OnMouseDown) OnMouseDown(*this, button, shift, x, y);
  if (IsBandMode(mouseAction_) && button == platform::mbLeft && InDataArea(x, y) && !bandActive_) {
    bandActive_ = true;
    bandDrawn_ = false;
    bandStart_ = bandEnd_ = {x, y};
  }
}

void TVArori::MouseUp(platform::TMouseButton button, platform::TShiftState shift, int x, int y) {
  if (doubleClick_) {
    doubleClick_ = false;
    return;
  }
  if (OnMouseUp) OnMouseUp(*this, button, shift, x, y);
  if (IsBandMode(mouseAction_) && bandActive_) EndBand(button);
}

void TVArori::MouseMove(platform::TShiftState shift, int x, int y) {
  if (OnMouseMove) OnMouseMove(*this, shift, x, y);
  if (IsPanMode(mouseAction_)) {
    if (!(shift & platform::ssLeft)) {
      panning_ = false;
    } else if (!panning_) {
      panOrigin_ = {x, y};
      for (int n = 1; n <= kNumLayers; ++n) {
        panStart_[n] = {ScaleX(n).RangeLow(), ScaleX(n).RangeHigh(), ScaleY(n).RangeLow(),
                        ScaleY(n).RangeHigh()};
      }
      panning_ = true;
    } else if (InDataArea(x, y)) {
      PanStep(x, y);
    }
  }
  if (IsBandMode(mouseAction_) && bandActive_) {
    TPoint p{int(std::clamp<long long>(x, ml_, DataRight())),
             int(std::clamp<long long>(y, mt_, DataBottom()))};
    if (isometric_) {
      // Square: the shorter side decides, so the band stays inside the data area.
      const int dx = p.X - bandStart_.X;
      const int dy = p.Y - bandStart_.Y;
      const int side = std::min(std::abs(dx), std::abs(dy));
      p = {bandStart_.X + (dx < 0 ? -side : side), bandStart_.Y + (dy < 0 ? -side : side)};
    }
    if (bandDrawn_) DrawBand();  // the XOR outline again erases it
    bandEnd_ = p;
    DrawBand();
  }
  UpdateCursor(x, y);
  double wx, wy;
  PixelToWorld(1, x, y, wx, wy);
  if (OnMouseMoveInChart) OnMouseMoveInChart(*this, InDataArea(x, y), shift, wx, wy);
}

void TVArori::MouseEnter() {
  if (OnMouseEnter) OnMouseEnter(*this);
}

void TVArori::MouseLeave() {
  if (OnMouseLeave) OnMouseLeave(*this);
}

void TVArori::UpdateCursor(int x, int y) {
  if (!InDataArea(x, y) || mouseCursorFixed_) {
    platform::SetScreenCursor(platform::crDefault);
    return;
  }
  switch (mouseAction_) {
    case maNone:
      platform::SetScreenCursor(platform::crCross);
      break;
    case maPan:
    case maPanHoriz:
    case maPanVert:
      platform::SetScreenCursor(platform::crHand);
      break;
    case maRubberBand:
    case maDragCrossH:
    case maDragLabel:
      platform::SetScreenCursor(platform::crDefault);
      break;
    case maZoomWind:
      platform::SetScreenCursor(platform::crZoomW);
      break;
    case maZoomWindPos:
      platform::SetScreenCursor(platform::crZoomP);
      break;
    case maZoomDrag:
      platform::SetScreenCursor(platform::crZoomD);
      break;
    default:
      break;
  }
}

void TVArori::PanStep(int x, int y) {
  using LD = long double;
  const LD w = LD(DataRight()) - ml_;
  const LD h = LD(DataBottom()) - mt_;
  const bool old = holdPaint_;
  {
    PaintHold hold(*this);
    // A new bound beyond the double range is an overflow; the range then stays as it was.
    for (int n = 1; n <= kNumLayers; ++n) {
      if (!panLayer_[n]) continue;
      const TScaleProps& sx = ScaleX(n);
      const TScaleProps& sy = ScaleY(n);
      const PanStart& s = panStart_[n];
      double xl = sx.RangeLow(), xh = sx.RangeHigh();
      double yl = sy.RangeLow(), yh = sy.RangeHigh();
      if (mouseAction_ != maPanVert && w > 0) {
        if (!sx.Logarithmic()) {
          const LD dx = (LD(xh) - xl) * (x - panOrigin_.X) / w;
          xl = StoredDouble(s.XLow - dx);
          xh = StoredDouble(s.XHigh - dx);
        } else {
          const LD f = std::exp(std::log(LD(xh) / xl) * (panOrigin_.X - x) / w);
          xl = StoredDouble(s.XLow * f);
          xh = StoredDouble(s.XHigh * f);
        }
      }
      if (mouseAction_ != maPanHoriz && h > 0) {
        if (!sy.Logarithmic()) {
          const LD dy = (LD(yh) - yl) * (y - panOrigin_.Y) / h;
          yl = StoredDouble(s.YLow + dy);
          yh = StoredDouble(s.YHigh + dy);
        } else {
          const LD f = std::exp(std::log(LD(yh) / yl) * (y - panOrigin_.Y) / h);
          yl = StoredDouble(s.YLow * f);
          yh = StoredDouble(s.YHigh * f);
        }
      }
      SetLayerRangeJoined(n, xl, xh, yl, yh);
    }
  }
  EndHold(old);
  if (OnZoomPan) OnZoomPan(*this);
}

void TVArori::DrawBand() {
  if (!Host()) return;
  platform::Canvas& c = GetCanvas();
  const platform::Pen pen = c.GetPen();
  const platform::Brush brush = c.GetBrush();
  c.GetPen() = {platform::clWhite, 1, platform::psSolid, platform::pmXor};
  c.GetBrush().Style = platform::bsClear;
  const int x1 = std::min(bandStart_.X, bandEnd_.X), x2 = std::max(bandStart_.X, bandEnd_.X);
  const int y1 = std::min(bandStart_.Y, bandEnd_.Y), y2 = std::max(bandStart_.Y, bandEnd_.Y);
  c.Rectangle(x1, y1, x2 + 1, y2 + 1);
  c.SetPen(pen);
  c.SetBrush(brush);
  bandDrawn_ = !bandDrawn_;
  Host()->FlushHost();
}

void TVArori::EndBand(platform::TMouseButton button) {
  bandActive_ = false;
  const bool sized = bandStart_.X != bandEnd_.X && bandStart_.Y != bandEnd_.Y;
  if (button != platform::mbLeft || !sized) {
    if (bandDrawn_) DrawBand();
    return;
  }
  const bool old = holdPaint_;
  {
    PaintHold hold(*this);
    for (int n = 1; n <= kNumLayers; ++n) {
      if (!panLayer_[n]) continue;
      double x1, y1, x2, y2;
      PixelToWorld(n, bandStart_.X, bandStart_.Y, x1, y1);
      PixelToWorld(n, bandEnd_.X, bandEnd_.Y, x2, y2);
      const double loX = std::min(x1, x2), hiX = std::max(x1, x2);
      const double loY = std::min(y1, y2), hiY = std::max(y1, y2);
      if (mouseAction_ == maRubberBand) {
        if (OnRubberBand) OnRubberBand(*this, n, loX, loY, hiX, hiY);
      } else {
        SetLayerRangeJoined(n, loX, hiX, loY, hiY);
      }
    }
    if (OnZoomPan) OnZoomPan(*this);
  }
  bandDrawn_ = false;
  EndHold(old);
}
