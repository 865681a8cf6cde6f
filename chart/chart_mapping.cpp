#include <algorithm>
#include <cmath>
#include <limits>

#include "chart/pixel_math.h"
#include "chart/varori.h"
#include "chart/varori_error.h"

namespace {

using LD = long double;

// Factor and offset that put `low` on pixel `first` and `high` on pixel `last`.
void AxisMapping(LD low, LD high, bool logarithmic, Wide first, Wide last, LD& factor, LD& offset) {
  if (logarithmic) {
    if (!(low > 0) || !(high > 0))
      throw EKovixVAroriError("Logarithmic axis must not be negative.");
    low = std::log(low);
    high = std::log(high);
  }
  factor = LD(last - first) / (high - low);
  offset = (LD(first) * high - LD(last) * low) / (high - low);
}

}  // namespace

void TVArori::ComputeMapping() {
  if (loading_) return;
  const Wide w = DataRight() - ml_;
  const Wide h = DataBottom() - mt_;
  for (int n = 1; n <= kNumLayers; ++n) {
    LayerMapping& m = mapping_[n - 1];
    const TScaleProps& x = ScaleX(n);
    const TScaleProps& y = ScaleY(n);
    if (w > 0) {
      AxisMapping(x.RangeLow(), x.RangeHigh(), x.Logarithmic(), ml_, DataRight(), m.FactorX,
                  m.OffsetX);
    } else {
      m.FactorX = 0;
      m.OffsetX = LD(Width()) / 2;
    }
    if (h > 0) {
      // y grows downward: the high end sits at the top margin.
      AxisMapping(y.RangeLow(), y.RangeHigh(), y.Logarithmic(), DataBottom(), mt_, m.FactorY,
                  m.OffsetY);
    } else {
      m.FactorY = 0;
      m.OffsetY = LD(Height()) / 2;
    }
  }
}

bool TVArori::MapPoint(int layer, double x, double y, Wide& px, Wide& py) const {
  if (std::isnan(x) || std::isnan(y)) return false;
  int ix, iy;
  WorldToPixel(layer, x, y, ix, iy);
  px = ix;
  py = iy;
  return true;
}

void TVArori::WorldToPixel(int layer, double x, double y, int& px, int& py) const {
  layer = std::clamp(layer, 1, kNumLayers);
  const LayerMapping& m = mapping_[layer - 1];
  const TScaleProps& sx = *xProps_[layer - 1];
  const TScaleProps& sy = *yProps_[layer - 1];
  if (!sx.Logarithmic()) {
    px = ToPixel(m.FactorX, m.OffsetX, x);
  } else if (x > TScaleProps::kLogMinimum) {
    px = ToPixel(m.FactorX, m.OffsetX, std::log(LD(x)));
  } else {
    px = sx.RangeHigh() >= sx.RangeLow() ? 0 : Width();
  }
  if (!sy.Logarithmic()) {
    py = ToPixel(m.FactorY, m.OffsetY, y);
  } else if (y > TScaleProps::kLogMinimum) {
    py = ToPixel(m.FactorY, m.OffsetY, std::log(LD(y)));
  } else {
    py = sy.RangeHigh() >= sy.RangeLow() ? Height() : 0;
  }
}

void TVArori::PixelToWorld(int layer, int px, int py, double& x, double& y) const {
  layer = std::clamp(layer, 1, kNumLayers);
  const LayerMapping& m = mapping_[layer - 1];
  LD vx = (LD(px) - m.OffsetX) / m.FactorX;
  LD vy = (LD(py) - m.OffsetY) / m.FactorY;
  if (xProps_[layer - 1]->Logarithmic()) vx = std::exp(vx);
  if (yProps_[layer - 1]->Logarithmic()) vy = std::exp(vy);
  x = double(vx);
  y = double(vy);
}

void TVArori::ApplyScaleProps(TScale& scale, const TScaleProps& p) {
  const Wide pos = p.ScalePos();
  const Wide W = Width();
  const Wide H = Height();
  scale.SetScaleType(p.ScaleTypeForChart());
  switch (p.ScaleLocation()) {
    case slTop:
      scale.SetMarginBottom(ClampInt(pos + H - mt_ - 1));
      break;
    case slBottom:
      scale.SetMarginTop(ClampInt(pos + H - mb_ - sw_));
      break;
    case slRight:
      scale.SetMarginLeft(ClampInt(pos + W - mr_ - sw_));
      break;
    case slLeft:
      scale.SetMarginRight(ClampInt(pos + W - ml_ - 1));
      break;
  }
  scale.SetRangeLow(p.RangeLow());
  scale.SetRangeHigh(p.RangeHigh());
  scale.SetVisible(p.Visible());
  scale.SetCaption(p.Caption());
  scale.SetCaptionPosX(p.CaptionPosX());
  scale.SetCaptionPosY(p.CaptionPosY());
  scale.SetCaptionAlignment(p.CaptionAlignment());
  scale.SetCaptionAnchor(p.CaptionAnchor());
  scale.SetColorScale(p.ColorScale());
  scale.SetDecPlaces(p.DecPlaces());
  scale.SetLogarithmic(p.Logarithmic());
  scale.SetLabelType(p.LabelType());
  scale.SetShortTicks(p.ShortTicks());
  scale.SetMinTicks(p.MinTicks());
  scale.SetScaleInscript(p.ScaleInscript());
  scale.SetUserTickText(p.UserTickText());
  scale.SetFont(p.Font());
  scale.SetDateFormat(p.DateFormat());
}

void TVArori::ScalePropsChanged() {
  {
    PaintHold hold(*this);
    for (int n = 1; n <= kNumLayers; ++n) {
      ApplyScaleProps(XScale(n), ScaleX(n));
      ApplyScaleProps(YScale(n), ScaleY(n));
    }
    for (int n = 1; n <= kNumLayers; ++n) {
      SetLayerRangeJoined(n, ScaleX(n).RangeLow(), ScaleX(n).RangeHigh(), ScaleY(n).RangeLow(),
                          ScaleY(n).RangeHigh());
    }
  }
  // The hold has its old value back; the full paint does nothing while it is set.
  Repaint();
}

namespace {

// Writes a range as the chart's own change: only with a span of at least MinRange, on a
// logarithmic axis each bound only from the smallest value on, and never a bound that is no
// finite double.
void WriteLayerAxis(TScaleProps& p, long double low, long double high) {
  const double lo = double(low);
  const double hi = double(high);
  if (!std::isfinite(lo) || !std::isfinite(hi)) return;
  if (!(std::fabs(high - low) >= p.MinRange())) return;
  if (!p.Logarithmic()) {
    p.WriteRange(lo, hi);
    return;
  }
  p.WriteRange(lo >= TScaleProps::kLogMinimum ? lo : p.RangeLow(),
               hi >= TScaleProps::kLogMinimum ? hi : p.RangeHigh());
}

}  // namespace

void TVArori::SetLayerRange(int layer, long double xLow, long double xHigh, long double yLow,
                            long double yHigh) {
  layer = std::clamp(layer, 1, kNumLayers);
  WriteLayerAxis(ScaleX(layer), xLow, xHigh);
  WriteLayerAxis(ScaleY(layer), yLow, yHigh);
  ApplyScaleProps(XScale(layer), ScaleX(layer));
  ApplyScaleProps(YScale(layer), ScaleY(layer));
  ComputeMapping();
}

void TVArori::SetLayerRangeJoined(int layer, long double xLow, long double xHigh, long double yLow,
                                  long double yHigh) {
  layer = std::clamp(layer, 1, kNumLayers);
  const bool old = holdPaint_;
  {
    PaintHold hold(*this);
    const TJointLayers& j = *jointLayers_;
    if (j.XControlledBy(layer) != layer) {
      xLow = ScaleX(layer).RangeLow();
      xHigh = ScaleX(layer).RangeHigh();
    }
    if (j.YControlledBy(layer) != layer) {
      yLow = ScaleY(layer).RangeLow();
      yHigh = ScaleY(layer).RangeHigh();
    }
    SetLayerRange(layer, xLow, xHigh, yLow, yHigh);
    for (int i = 1; i <= kNumLayers; ++i) {
      if (i == layer) continue;
      const int cx = j.XControlledBy(i);
      const int cy = j.YControlledBy(i);
      if (cx != layer && cy != layer) continue;
      SetLayerRange(i, ScaleX(cx).RangeLow(), ScaleX(cx).RangeHigh(), ScaleY(cy).RangeLow(),
                    ScaleY(cy).RangeHigh());
    }
  }
  EndHold(old);
}

void TVArori::TakeRangeOf(bool horizontal, int layer, int controller) {
  if (horizontal) {
    SetLayerRange(layer, ScaleX(controller).RangeLow(), ScaleX(controller).RangeHigh(),
                  ScaleY(layer).RangeLow(), ScaleY(layer).RangeHigh());
  } else {
    SetLayerRange(layer, ScaleX(layer).RangeLow(), ScaleX(layer).RangeHigh(),
                  ScaleY(controller).RangeLow(), ScaleY(controller).RangeHigh());
  }
}

void TVArori::IsometricAdjust(int layer) {
  TScaleProps& x = ScaleX(layer);
  TScaleProps& y = ScaleY(layer);
  const LD c = (LD(y.RangeHigh()) + y.RangeLow()) / 2;
  const LD dataH = LD(Height()) - mt_ - mb_ - sw_ + 1;
  const LD dataW = LD(Width()) - ml_ - mr_ - sw_ + 1;
  if (!(dataW > 0)) return;
  const LD d = (LD(x.RangeHigh()) - x.RangeLow()) * dataH / dataW * aspectY_ / aspectX_ / 2;
  y.SetRangeHigh(double(c + d));
  y.SetRangeLow(double(c - d));
}
