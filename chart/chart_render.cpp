#include <algorithm>
#include <array>
#include <cmath>
#include <limits>
#include <vector>

#include "chart/data_marks.h"
#include "chart/pixel_math.h"
#include "chart/varori.h"

using platform::Canvas;
using platform::TColor;
using platform::TPoint;

namespace {

Wide Limit(Wide v) {
  return LimitPixel(v);
}

constexpr int kMaxBatch = 200;
// How far around the data area mark positions are remembered for runs of identical marks: as
// far as any mark shape reaches with a thin pen, so marks cut by the border are drawn once too.
constexpr int kStampMargin = 64;

constexpr int kMaxGridLines = 1000;

// Decade and rounded mantissa of a positive value; log10 values within 1e-14 of an integer
// count as that integer.
void DecadeOf(double v, double& decade, double& mantissa) {
  double l = std::log10(v);
  if (std::fabs(l - std::round(l)) < 1e-14) l = std::round(l);
  const double m = std::floor(l);
  decade = std::pow(10.0, m);
  mantissa = std::round(v / decade);
}

// The values at which grid lines are drawn along one axis, in ascending order and below the
// upper end `hi`. `ticks` is the scale's tick list of the last render.
std::vector<double> GridValues(double lo, double hi, double step, bool logarithmic,
                               const std::vector<double>& ticks) {
  std::vector<double> values;
  if (!(lo < hi)) return values;
  auto tick = [&](int k) { return k >= 1 && k <= int(ticks.size()) ? ticks[k - 1] : hi; };
  double v;
  if (logarithmic && step < 0) {
    if (!(lo > 0)) return values;
    double decade, t;
    DecadeOf(lo, decade, t);
    if (step == -1) {
      double l = std::log10(lo);
      if (std::fabs(l - std::round(l)) < 1e-14) l = std::round(l);
      v = std::pow(10.0, std::ceil(l));
    } else if (step == -2) {
      v = decade * (t <= 2 ? 2 : t <= 5 ? 5 : 10);
    } else {
      v = decade * t;
    }
  } else if (step == 0) {
    v = ticks.empty() ? lo : ticks.front();
  } else if (step > 0) {
    v = std::ceil(lo / step) * step;
  } else {
    v = lo;
  }
  for (int k = 2; values.size() < std::size_t(kMaxGridLines) && v < hi; ++k) {
    values.push_back(v);
    double next;
    if (logarithmic && step < 0) {
      double decade, t;
      DecadeOf(v, decade, t);
      if (step == -1)
        next = v * 10;
      else if (step == -2)
        next = v * (t == 2 ? 2.5 : 2);
      else
        next = decade * (t + 1);
    } else if (step == 0) {
      next = tick(k);
    } else {
      next = v + std::fabs(step);
    }
    if (!(next > v)) break;  // no progress: the rest would repeat the same line
    v = next;
  }
  return values;
}

std::vector<double> TickList(const TScale& scale) {
  std::vector<double> ticks(std::size_t(std::max(scale.NumTicks(), 0)));
  for (int i = 0; i < int(ticks.size()); ++i) ticks[i] = scale.TickPos(i + 1);
  return ticks;
}

}  // namespace

// ---- full paint

void TVArori::Paint() {
  if (!Visible() || loading_ || holdPaint_ || !Host()) return;
  MatchPictureRatio();
  DrawFrame(framePicture_->GetCanvas());
  PaintDataBackground(dataPicture_->GetCanvas(), 0, 0);
  RenderItems(dataPicture_->GetCanvas(), 0, 0, false, false);
  framePicture_->GetCanvas().Draw(ml_, mt_, *dataPicture_);
  CopyToScreen(0, 0, GetCanvas(), *framePicture_);
}

void TVArori::PaintTo(Canvas& target) {
  // The scales draw where they are told; for this picture, onto the target.
  const auto retarget = [this](Canvas* canvas) {
    for (auto* scales : {&xScales_, &yScales_})
      for (auto& s : *scales) s->SetRenderTarget(canvas, 0, 0);
  };
  retarget(&target);
  DrawFrame(target);
  retarget(&framePicture_->GetCanvas());
  const platform::TRect data{ml_, mt_, ClampInt(Wide(ml_) + DataAreaWidth()),
                             ClampInt(Wide(mt_) + DataAreaHeight())};
  target.SetClipRect(&data);
  PaintDataBackground(target, ml_, mt_);
  RenderItems(target, ml_, mt_, false, false);
  target.SetClipRect(nullptr);
}

// The pictures are composed at the screen's device resolution, whatever it is at this moment:
// copying them there is then pixel for pixel.
void TVArori::MatchPictureRatio() {
  const double ratio = GetCanvas().PixelRatio();
  framePicture_->SetPixelRatio(ratio);
  dataPicture_->SetPixelRatio(ratio);
}

void TVArori::DrawFrame(Canvas& c) {
  const Wide W = Width();
  const Wide H = Height();
  framePicture_->SetSize(Width(), Height());
  c.GetPen().Style = platform::psSolid;
  c.GetPen().Mode = platform::pmCopy;
  c.GetPen().Width = 1;
  c.GetBrush().Style = platform::bsSolid;
  c.GetBrush().Color = windColor_;
  c.GetPen().Color = windColor_;
  c.Rectangle(0, 0, Width(), Height());

  if (sw_ > 0) {
    const int w = Width(), h = Height(), s = sw_;
    c.GetBrush().Color = shadowBakColor_;
    c.GetPen().Color = shadowBakColor_;
    c.Rectangle(w - s, 0, w, s);
    c.Rectangle(0, h - s, s, h);
    c.GetBrush().Color = shadowColor_;
    const int e = shadowStyle_ == ssFlying ? s - 1 : 0;
    c.GetPen().Color = shadowStyle_ == ssFlying ? shadowColor_ : platform::clBlack;
    const TPoint bottom[] = {{e, h - s}, {s - 1, h - 1}, {w - 1, h - 1}, {w - s, h - s}};
    const TPoint right[] = {{w - s, h - s}, {w - 1, h - 1}, {w - 1, s - 1}, {w - s, e}};
    c.Polygon(bottom);
    c.Polygon(right);
    c.GetPen().Color = platform::clBlack;
    c.MoveTo(0, 0);
    c.LineTo(w - s, 0);
    c.LineTo(w - s, h - s);
    c.LineTo(0, h - s);
    c.LineTo(0, 0);
  }

  c.GetPen().Color = chartFrameColor_;
  c.GetBrush().Style = platform::bsClear;
  c.SetFont(font_);
  Wide ax = 0, ay = 0;
  switch (captionAnchorHoriz_) {
    case cahControlLeft:
      ax = 0;
      break;
    case cahChartLeft:
      ax = ml_;
      break;
    case cahChartCenter:
      ax = ml_ + (W - ml_ - mr_ - sw_) / 2;
      break;
    case cahChartRight:
      ax = W - mr_ - sw_;
      break;
    case cahControlRight:
      ax = W;
      break;
  }
  switch (captionAnchorVert_) {
    case cavControlTop:
      ay = 0;
      break;
    case cavChartTop:
      ay = mt_;
      break;
    case cavChartCenter:
      ay = mt_ + (H - mt_ - mb_ - sw_) / 2;
      break;
    case cavChartBottom:
      ay = H - mb_;
      break;
    case cavControlBottom:
      ay = H;
      break;
  }
  if (!caption_.empty()) {
    const Wide tw = c.TextWidth(caption_);
    Wide x = ax + captionPosX_;
    if (captionAlignment_ == taRightJustify) x -= tw;
    if (captionAlignment_ == taCenter) x -= tw / 2;
    c.TextOut(ClampInt(x), ClampInt(ay + captionPosY_), caption_);
  }
  c.GetBrush().Style = platform::bsSolid;

  ComputeMapping();
  for (auto& s : xScales_) s->RenderNow();
  for (auto& s : yScales_) s->RenderNow();
  if (OnScalesRendered) OnScalesRendered(*this, c, 0, 0);
}

// ---- data area background

void TVArori::PaintDataBackground(Canvas& c, int left, int top) {
  dataPicture_->SetSize(DataAreaWidth(), DataAreaHeight());
  const int pw = dataPicture_->Width();
  const int ph = dataPicture_->Height();
  c.GetPen().Style = platform::psSolid;
  c.GetPen().Mode = platform::pmCopy;
  c.GetBrush().Style = platform::bsSolid;
  c.GetBrush().Color = chartColor_;
  c.GetPen().Color = chartFrameColor_;
  const int right = ClampInt(Wide(left) + pw);
  const int bottom = ClampInt(Wide(top) + ph);

  if (!bakGndImg_.Name().empty()) {
    if (loadedImageName_ != bakGndImg_.Name()) {
      if (auxPicture_->LoadFromFile(bakGndImg_.Name())) {
        loadedImageName_ = bakGndImg_.Name();
      } else {
        loadedImageName_.clear();
        bakGndImg_.DropName();
      }
    }
  }
  if (bakGndImg_.Name().empty()) {
    c.Rectangle(left, top, right, bottom);
    if (bakGndImg_.AreaMode() == bamNone) return;
    Wide x1, y1, x2, y2;
    if (!MapPoint(1, bakGndImg_.AreaLeft(), bakGndImg_.AreaTop(), x1, y1) ||
        !MapPoint(1, bakGndImg_.AreaRight(), bakGndImg_.AreaBottom(), x2, y2))
      return;
    const TPoint a = ToCanvas(x1, y1, left, top);
    const TPoint b = ToCanvas(x2, y2, left, top);
    c.GetPen().Color = bakGndImg_.AreaColor();
    c.GetBrush().Color = bakGndImg_.AreaColor();
    switch (bakGndImg_.AreaMode()) {
      case bamLeft:
        c.Rectangle(left, top, a.X, bottom);
        break;
      case bamRight:
        c.Rectangle(b.X, top, right, bottom);
        break;
      case bamTop:
        c.Rectangle(left, top, right, a.Y);
        break;
      case bamBottom:
        c.Rectangle(left, b.Y, right, bottom);
        break;
      case bamVStripe:
        c.Rectangle(a.X, top, b.X, bottom);
        break;
      case bamHStripe:
        c.Rectangle(left, a.Y, right, b.Y);
        break;
      case bamRect:
        c.Rectangle(a.X, a.Y, b.X, b.Y);
        break;
      case bamNone:
        break;
    }
    return;
  }
  switch (bakGndImg_.FillMode()) {
    case bfSimple:
      c.Rectangle(left, top, right, bottom);
      c.Draw(left, top, *auxPicture_);
      break;
    case bfStretch:
      c.StretchDraw({left, top, right, bottom}, *auxPicture_);
      break;
    case bfTile: {
      const int iw = auxPicture_->Width();
      const int ih = auxPicture_->Height();
      if (iw <= 0 || ih <= 0) break;
      for (Wide y = top; y < bottom; y += ih)
        for (Wide x = left; x < right; x += iw) c.Draw(int(x), int(y), *auxPicture_);
      break;
    }
  }
}

// ---- grid and display list

void TVArori::DrawGrid(Canvas& c, int left, int top) {
  const TScaleProps& sx = ScaleX(activeLayer_);
  const TScaleProps& sy = ScaleY(activeLayer_);
  c.GetBrush().Color = chartColor_;
  const double xs = std::min(sx.RangeLow(), sx.RangeHigh());
  const double xe = std::max(sx.RangeLow(), sx.RangeHigh());
  const double ys = std::min(sy.RangeLow(), sy.RangeHigh());
  const double ye = std::max(sy.RangeLow(), sy.RangeHigh());
  const std::vector<double> xv =
      GridValues(xs, xe, gridDx_, sx.Logarithmic(), TickList(XScale(activeLayer_)));
  const std::vector<double> yv =
      GridValues(ys, ye, gridDy_, sy.Logarithmic(), TickList(YScale(activeLayer_)));

  c.GetPen().Color = gridColor_;
  const bool dotted =
      gridStyle_ == gsVertDotLines || gridStyle_ == gsHorizDotLines || gridStyle_ == gsDotLines;
  c.GetPen().Style = dotted ? platform::psDot : platform::psSolid;
  auto line = [&](double x1, double y1, double x2, double y2) {
    Wide px1, py1, px2, py2;
    if (!MapPoint(activeLayer_, x1, y1, px1, py1) || !MapPoint(activeLayer_, x2, y2, px2, py2))
      return;
    const TPoint a = ToCanvas(px1, py1, left, top);
    const TPoint b = ToCanvas(px2, py2, left, top);
    c.MoveTo(a.X, a.Y);
    c.LineTo(b.X, b.Y);
  };
  const bool vertical = gridStyle_ == gsVertLines || gridStyle_ == gsVertDotLines ||
                        gridStyle_ == gsLines || gridStyle_ == gsDotLines;
  const bool horizontal = gridStyle_ == gsHorizLines || gridStyle_ == gsHorizDotLines ||
                          gridStyle_ == gsLines || gridStyle_ == gsDotLines;
  if (vertical)
    for (double x : xv) line(x, sy.RangeLow(), x, sy.RangeHigh());
  if (horizontal)
    for (double y : yv) line(sx.RangeLow(), y, sx.RangeHigh(), y);
  if (gridStyle_ == gsPoints) {
    int drawn = 0;
    for (double x : xv) {
      for (double y : yv) {
        if (drawn++ >= kMaxGridLines) break;
        Wide px, py;
        if (!MapPoint(activeLayer_, x, y, px, py)) continue;
        const TPoint p = ToCanvas(px, py, left, top);
        c.SetPixel(p.X, p.Y, gridColor_);
      }
    }
  }
  c.GetPen().Style = platform::psSolid;
}

void TVArori::RenderItems(Canvas& c, int left, int top, bool monochrome, bool noGrid) {
  {
    const TColor brush = c.GetBrush().Color;
    const TColor pen = c.GetPen().Color;
    if (OnBeforeRenderData)
      OnBeforeRenderData(*this, c, ClampInt(Wide(mt_) - top), ClampInt(Wide(ml_) - left));
    c.GetBrush().Color = brush;
    c.GetPen().Color = pen;
  }
  if (gridStyle_ != gsNone && !noGrid) DrawGrid(c, left, top);

  int width = lineWidth_;
  c.GetPen().Width = width;
  TPoint penPos{left, top};
  c.MoveTo(left, top);
  TColor color = chartColor_;
  std::uint8_t style = platform::psSolid;
  TColor fill = chartColor_;
  c.GetPen().Color = color;
  c.GetPen().Style = platform::psSolid;
  c.GetBrush().Color = fill;

  // Within a run of identical marks each position is stamped once (StampedPositions).
  const Wide areaW = DataAreaWidth(), areaH = DataAreaHeight();
  stamped_.Track(ClampInt(Wide(left) - kStampMargin), ClampInt(Wide(top) - kStampMargin),
                 ClampInt(left + areaW + kStampMargin), ClampInt(top + areaH + kStampMargin));
  struct MarkRun {
    bool open = false;
    bool repeatable = false;
    TColor color = 0;
    std::uint8_t style = 0, markType = 0;
    std::int32_t width = 0;
  } run;

  std::vector<TPoint> batch;
  batch.reserve(kMaxBatch);
  auto flush = [&] {
    if (batch.empty()) return;
    c.Polyline(batch);
    penPos = batch.back();
    batch.clear();
  };

  // Layers with two linear axes map their points inline, which matters with a million marks.
  std::array<bool, kNumLayers + 1> linear{};
  std::array<FastPixels, kNumLayers + 1> fast;
  for (int n = 1; n <= kNumLayers; ++n) {
    const LayerMapping& m = mapping_[n - 1];
    linear[n] = !xProps_[n - 1]->Logarithmic() && !yProps_[n - 1]->Logarithmic();
    fast[n] = FastPixels(m.FactorX, m.OffsetX, m.FactorY, m.OffsetY);
  }

  const ChartItem* const end = List().end();
  for (const ChartItem* it = List().begin(); it != end; ++it) {
    const ChartItem& item = *it;
    if (!classShown_[item.ClassNumber]) continue;
    if (item.Layer < 1 || item.Layer > kNumLayers || !layerShown_[item.Layer]) continue;
    if (item.Kind != ikMove && item.Kind != ikLine && item.Kind != ikMark) continue;
    // A point without a place (NaN) is not drawn; the pen stays where it was.
    Wide px, py;
    if (linear[item.Layer]) {
      if (std::isnan(item.X) || std::isnan(item.Y)) continue;
      int fx, fy;
      if (fast[item.Layer].Map(item.X, item.Y, fx, fy)) {
        px = fx;
        py = fy;
      } else {
        const LayerMapping& m = mapping_[item.Layer - 1];
        px = ToPixel(m.FactorX, m.OffsetX, item.X);
        py = ToPixel(m.FactorY, m.OffsetY, item.Y);
      }
    } else if (!MapPoint(item.Layer, item.X, item.Y, px, py)) {
      continue;
    }
    const TColor itemColor = monochrome ? platform::clBlack : item.Color;
    if (item.LineWidth != width) {
      flush();
      width = item.LineWidth;
      c.GetPen().Width = width;
    }
    const TPoint p = ToCanvas(px, py, left, top);
    switch (item.Kind) {
      case ikMove:
        flush();
        run.open = false;
        penPos = p;
        c.MoveTo(p.X, p.Y);
        break;
      case ikLine:
        if (itemColor != color || item.PenStyle != style || item.FillColor != fill) {
          flush();
          color = itemColor;
          style = item.PenStyle;
          fill = item.FillColor;
          c.GetPen().Color = color;
          c.GetPen().Style = platform::TPenStyle(style);
          c.GetBrush().Color = fill;
        }
        run.open = false;
        if (batch.empty()) batch.push_back(penPos);
        batch.push_back(p);
        if (int(batch.size()) >= kMaxBatch) flush();
        break;
      case ikMark:
        flush();
        if (itemColor != color) {
          color = itemColor;
          c.GetPen().Color = color;
        }
        if (item.PenStyle != style) {
          style = item.PenStyle;
          c.GetPen().Style = platform::TPenStyle(style);
        }
        if (!run.open || run.color != itemColor || run.style != item.PenStyle ||
            run.width != item.LineWidth || run.markType != item.MarkType) {
          stamped_.EndRun();
          // Text marks paint a background beside the glyph: not one colour, so drawn every time.
          const bool oneColour = c.GetPen().Mode == platform::pmCopy && item.MarkType < 52;
          run = {true, oneColour, itemColor, item.PenStyle, item.MarkType, item.LineWidth};
        }
        if (!run.repeatable || !stamped_.TestAndSet(p.X, p.Y)) DrawMark(c, item.MarkType, p.X, p.Y);
        if (run.repeatable && linear[item.Layer])
          it = StampRun(c, it, end, fast[item.Layer], left, top);
        break;
    }
  }
  flush();
  c.GetPen().Width = 1;

  if (OnDataRendered)
    OnDataRendered(*this, c, ClampInt(Wide(mt_) - top), ClampInt(Wide(ml_) - left));

  const int r = ClampInt(Wide(left) + Width() - ml_ - mr_ - sw_);
  const int b = ClampInt(Wide(top) + Height() - mt_ - mb_ - sw_);
  c.GetPen().Color = chartFrameColor_;
  c.GetPen().Style = platform::psSolid;
  c.MoveTo(left, top);
  c.LineTo(r, top);
  c.LineTo(r, b);
  c.LineTo(left, b);
  c.LineTo(left, top);
}

// The marks after `first` that look, lie and belong like it, as far as the double mapping
// places them: each drawn where no mark of the run is yet. The loop of a million marks, kept
// free of everything the general one checks per item. Returns the last mark it took.
const ChartItem* TVArori::StampRun(Canvas& c, const ChartItem* first, const ChartItem* end,
                                   const FastPixels& fast, int left, int top) {
  const ChartItem& a = *first;
  const ChartItem* it = first;
  for (const ChartItem* next = first + 1; next != end; ++next) {
    const ChartItem& b = *next;
    if (b.Kind != ikMark || b.Layer != a.Layer || b.ClassNumber != a.ClassNumber ||
        b.Color != a.Color || b.PenStyle != a.PenStyle || b.LineWidth != a.LineWidth ||
        b.MarkType != a.MarkType)
      break;
    int px, py;
    if (!fast.Map(b.X, b.Y, px, py)) break;
    const TPoint p = ToCanvas(px, py, left, top);
    if (!stamped_.TestAndSet(p.X, p.Y)) DrawMark(c, b.MarkType, p.X, p.Y);
    it = next;
  }
  return it;
}

// ---- screen and crosshairs

void TVArori::CopyToScreen(int x, int y, Canvas& target, platform::Bitmap& picture) {
  const bool any = std::any_of(crossHairs_.begin(), crossHairs_.end(),
                               [](const TCrossHair& ch) { return ch.Mode() != chOff; });
  if (any) {
    Canvas& pc = picture.GetCanvas();
    const platform::Pen saved = pc.GetPen();
    for (const TCrossHair& ch : crossHairs_)
      if (ch.Mode() != chOff) DrawCrossHair(pc, ch, -x, -y);
    pc.SetPen(saved);
  }
  target.Draw(x, y, picture);
}

void TVArori::DrawCrossHair(Canvas& c, const TCrossHair& ch, int dx, int dy) {
  c.GetPen().Color = ch.Color();
  c.GetPen().Width = ch.LineWid();
  c.GetPen().Style = ch.LineType();
  c.GetBrush().Color = chartColor_;
  Wide px, py;
  if (!MapPoint(ch.Layer(), ch.PosX(), ch.PosY(), px, py)) return;
  const Wide h = ch.LineWid() / 2;
  const Wide right = DataRight();
  const Wide bottom = DataBottom();
  auto line = [&](Wide x1, Wide y1, Wide x2, Wide y2) {
    c.MoveTo(ClampInt(Limit(x1) + dx), ClampInt(Limit(y1) + dy));
    c.LineTo(ClampInt(Limit(x2) + dx), ClampInt(Limit(y2) + dy));
  };
  const TCrossHMode mode = ch.Mode();
  if ((mode == chHoriz || mode == chBoth) && mt_ + h < py && py < bottom - h)
    line(ml_ + h + 1, py, right - h, py);
  if ((mode == chVert || mode == chBoth) && ml_ + h < px && px < right - h)
    line(px, mt_ + h + 1, px, bottom - h);
  if (mode == chBox) {
    line(px - 10, py, px + 10, py);
    line(px, py - 10, px, py + 10);
    c.Rectangle(ClampInt(Limit(px - 2) + dx), ClampInt(Limit(py - 2) + dy),
                ClampInt(Limit(px + 3) + dx), ClampInt(Limit(py + 3) + dy));
  }
}
