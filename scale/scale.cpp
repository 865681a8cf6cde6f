#include "scale/scale.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <optional>

#include "scale/label_thinning.h"
#include "scale/tick_labels.h"

using platform::Canvas;
using platform::TColor;
using platform::TPoint;

namespace {

// What screen canvases report as their resolution.
constexpr int kScreenPixelsPerInch = 96;

// Pixel arithmetic runs wide and is clamped: far-off ticks map to the ends of the int range, and
// margins, offsets and caption positions may be anything an int holds.
using Wide = long long;
int ClampPixel(Wide v) {
  return int(std::clamp<Wide>(v, std::numeric_limits<int>::min(), std::numeric_limits<int>::max()));
}

// The bound that replaces one equal to x: x + 1, or where that rounds back to x the next double
// above x (below it for infinity), so that the bounds always differ.
double OtherBound(double x) {
  if (x + 1 != x) return x + 1;
  return std::nextafter(x, x < HUGE_VAL ? HUGE_VAL : 0.0);
}

}  // namespace

TScale::TScale() {
  dateFormat_.OnChange = [this] { RefreshScale(); };
  SetBounds(0, 0, 400, 400);
  UpdateMapping();
}

TScale::~TScale() {
  dateFormat_.OnChange = nullptr;
}

// ---- layout properties

void TScale::SetRangeLow(double v) {
  rangeLow_ = v;
  if (v == rangeHigh_) rangeHigh_ = OtherBound(v);
  UpdateMapping();
  RefreshScale();
}

void TScale::SetRangeHigh(double v) {
  rangeHigh_ = v;
  if (v == rangeLow_) rangeLow_ = OtherBound(v);
  UpdateMapping();
  RefreshScale();
}

void TScale::SetMinTicks(int n) {
  minTicks_ = n == 0 ? 0 : std::clamp(n, 2, 10);
  RefreshScale();
}

void TScale::SetDecPlaces(int n) {
  decPlaces_ = std::clamp(n, -3, 12);
  UpdateMapping();
  RefreshScale();
}

void TScale::SetLogarithmic(bool b) {
  if (!b) {
    logarithmic_ = false;
  } else if (initializing_ ||
             (rangeLow_ >= 1e-100 && rangeHigh_ >= 1e-100 && labelType_ != ftDateTime)) {
    logarithmic_ = true;
  }
  UpdateMapping();
  RefreshScale();
}

void TScale::SetShortTicks(bool b) {
  if (b == shortTicks_) return;
  shortTicks_ = b;
  RefreshScale();
}

void TScale::SetLabelType(TFigType t) {
  labelType_ = t;
  if (t == ftDateTime && logarithmic_) {
    // The data must follow the linear ticks: the mapping changes with the mode.
    logarithmic_ = false;
    UpdateMapping();
  }
  if (t == ftTime) decPlaces_ = 4;
  RefreshScale();
}

void TScale::SetScaleType(TScaleType t) {
  if (t == scaleType_) return;
  scaleType_ = t;
  UpdateMapping();
  RefreshScale();
}

void TScale::SetMarginTop(int n) {
  marginTop_ = std::max(n, 0);
  UpdateMapping();
  RefreshScale();
}

void TScale::SetMarginBottom(int n) {
  marginBottom_ = std::max(n, 0);
  UpdateMapping();
  RefreshScale();
}

void TScale::SetMarginLeft(int n) {
  marginLeft_ = std::max(n, 0);
  UpdateMapping();
  RefreshScale();
}

void TScale::SetMarginRight(int n) {
  marginRight_ = std::max(n, 0);
  UpdateMapping();
  RefreshScale();
}

// ---- mapping

void TScale::UpdateMapping() {
  if (loading_ || rangeHigh_ == rangeLow_) return;
  using LD = long double;
  const LD L = rangeLow_;
  const LD H = rangeHigh_;
  const bool vertical = IsVerticalScale(scaleType_);
  const int size = vertical ? Height() : Width();
  const Wide u = vertical ? Wide(Height()) - marginTop_ - marginBottom_ - 1
                          : Wide(Width()) - marginLeft_ - marginRight_ - 1;
  if (u <= 0) {
    pixelsPerUnit_ = 0;
    pixelOffset_ = size / 2.0;
    return;
  }
  // Horizontal scales run from L at the left margin, vertical ones from H at the top margin.
  const LD start = vertical ? H : L;
  const LD end = vertical ? L : H;
  const int margin = vertical ? marginTop_ : marginLeft_;
  if (!logarithmic_) {
    pixelsPerUnit_ = double(u / (end - start));
    pixelOffset_ = double(margin - start * LD(pixelsPerUnit_));
  } else if (L > 0 && H > 0) {
    pixelsPerUnit_ = double(u / (std::log(end) - std::log(start)));
    pixelOffset_ = double(margin - std::log(start) * LD(pixelsPerUnit_));
  }
}

int TScale::ValueToPixel(double value) const {
  using LD = long double;
  LD p;
  if (!logarithmic_) {
    p = LD(pixelsPerUnit_) * value + pixelOffset_;
  } else if (value > 1e-100) {
    p = std::log(LD(value)) * pixelsPerUnit_ + pixelOffset_;
  } else {
    p = rangeHigh_ >= rangeLow_ ? 0 : Width();
  }
  if (std::isnan(p)) return 0;
  p = std::clamp<LD>(p, -2147483647.0L, 2147483647.0L);
  return int(std::nearbyint(p));
}

double TScale::TickPos(int index) const {
  if (index < 1 || index > NumTicks()) return 0.0;
  return tickList_[index - 1];
}

// ---- labels and appearance

void TScale::SetUserTickText(const std::string& s) {
  userTickText_ = s;
  RefreshScale();
}

void TScale::SetScaleInscript(const std::string& s) {
  scaleInscript_ = s;
  RefreshScale();
}

void TScale::SetShowBaseLine(bool b) {
  showBaseLine_ = b;
  RefreshScale();
}

void TScale::SetTransparent(bool b) {
  transparent_ = b;
  RefreshScale();
}

void TScale::SetColorScale(TColor c) {
  if (c == colorScale_) return;
  colorScale_ = c;
  RefreshScale();
}

void TScale::SetColorBackGnd(TColor c) {
  if (c == colorBackGnd_) return;
  colorBackGnd_ = c;
  RefreshScale();
}

void TScale::SetFrameStyle(TFrameStyle s) {
  if (s == frameStyle_) return;
  frameStyle_ = s;
  RefreshScale();
}

void TScale::SetColorScheme(TColorScheme s) {
  if (s == colorScheme_) return;
  colorScheme_ = s;
  const TColor line = frameColors_.Line;
  frameColors_ = FrameColorsFor(s);
  frameColors_.Line = line;
  RefreshScale();
}

void TScale::SetCaption(const std::string& s) {
  caption_ = s;
  RefreshScale();
}

void TScale::SetCaptionPosX(int n) {
  captionPosX_ = n;
  RefreshScale();
}

void TScale::SetCaptionPosY(int n) {
  captionPosY_ = n;
  RefreshScale();
}

void TScale::SetCaptionAnchor(TScaleUnitAnchor a) {
  captionAnchor_ = a;
  RefreshScale();
}

void TScale::SetCaptionAlignment(TAlignment a) {
  captionAlignment_ = a;
  RefreshScale();
}

void TScale::SetFont(const platform::Font& f) {
  font_ = f;
  RefreshScale();
}

// ---- rendering control

void TScale::SetRenderTarget(Canvas* canvas, int offsetX, int offsetY) {
  renderTarget_ = canvas;
  renderOffsetX_ = canvas ? offsetX : 0;
  renderOffsetY_ = canvas ? offsetY : 0;
}

void TScale::SetPaintSuppressed(bool b) {
  const bool cleared = paintSuppressed_ && !b;
  paintSuppressed_ = b;
  if (cleared) RefreshScale();
}

void TScale::SetEmbedded(bool b) {
  if (b == embedded_) return;
  embedded_ = b;
  RefreshScale();
}

void TScale::RenderNow() {
  const bool saved = paintSuppressed_;
  paintSuppressed_ = false;
  RefreshScale();
  paintSuppressed_ = saved;
}

void TScale::RefreshScale() {
  if (transparent_ && !embedded_) {
    Invalidate();
    return;
  }
  if (Render() && !renderTarget_ && Host()) Host()->FlushHost();
}

void TScale::HostChanged() {
  // A scale that gets a window of its own paints from then on.
  if (Host()) paintSuppressed_ = false;
}

void TScale::Loaded() {
  loading_ = false;
  UpdateMapping();
  initializing_ = false;
  RefreshScale();
}

void TScale::Assign(const TScale& o) {
  if (&o == this) return;
  frameStyle_ = o.frameStyle_;
  colorScale_ = o.colorScale_;
  colorBackGnd_ = o.colorBackGnd_;
  frameColors_ = o.frameColors_;
  colorScheme_ = o.colorScheme_;
  OnScaleTickDrawn = o.OnScaleTickDrawn;
  OnBeforeTickLabel = o.OnBeforeTickLabel;
  logarithmic_ = o.logarithmic_;
  pixelsPerUnit_ = o.pixelsPerUnit_;
  pixelOffset_ = o.pixelOffset_;
  rangeLow_ = o.rangeLow_;
  rangeHigh_ = o.rangeHigh_;
  shortTicks_ = o.shortTicks_;
  minTicks_ = o.minTicks_;
  decPlaces_ = o.decPlaces_;
  showBaseLine_ = o.showBaseLine_;
  transparent_ = o.transparent_;
  labelType_ = o.labelType_;
  {
    // One refresh at the end, not one for the date format on its own.
    auto notify = std::move(dateFormat_.OnChange);
    dateFormat_.OnChange = nullptr;
    dateFormat_.Assign(o.dateFormat_);
    dateFormat_.OnChange = std::move(notify);
  }
  marginTop_ = o.marginTop_;
  marginBottom_ = o.marginBottom_;
  marginLeft_ = o.marginLeft_;
  marginRight_ = o.marginRight_;
  captionPosX_ = o.captionPosX_;
  captionPosY_ = o.captionPosY_;
  userTickText_ = o.userTickText_;
  scaleInscript_ = o.scaleInscript_;
  tickList_ = o.tickList_;
  caption_ = o.caption_;
  captionAnchor_ = o.captionAnchor_;
  captionAlignment_ = o.captionAlignment_;
  renderTarget_ = o.renderTarget_;
  renderOffsetX_ = o.renderOffsetX_;
  renderOffsetY_ = o.renderOffsetY_;
  scaleType_ = o.scaleType_;
  paintSuppressed_ = o.paintSuppressed_;
  RefreshScale();
}

// ---- painting

void TScale::Paint() {
  Render();
}

TickOptions TScale::Options() const {
  TickOptions o;
  o.RangeLow = rangeLow_;
  o.RangeHigh = rangeHigh_;
  o.MinTicks = minTicks_;
  o.DecPlaces = decPlaces_;
  o.Logarithmic = logarithmic_;
  o.ShortTicks = shortTicks_;
  o.LabelType = labelType_;
  o.Vertical = IsVerticalScale(scaleType_);
  o.UserTickText = userTickText_;
  o.ScaleInscript = scaleInscript_;
  o.DateFormat = dateFormat_.Values();
  return o;
}

int TScale::AxisPosition(int dx, int dy) const {
  switch (scaleType_) {
    case sctXB:
      return ClampPixel(Wide(dy) + Height() - marginBottom_ - 1);
    case sctXT:
      return ClampPixel(Wide(dy) + marginTop_);
    case sctYL:
      return ClampPixel(Wide(dx) + marginLeft_);
    case sctYR:
      return ClampPixel(Wide(dx) + Width() - marginRight_ - 1);
  }
  return 0;
}

bool TScale::Render() {
  if (!Visible() || loading_ || paintSuppressed_) return false;
  Canvas* target = renderTarget_;
  int dx = renderOffsetX_;
  int dy = renderOffsetY_;
  if (!target) {
    if (!Host()) return false;
    target = &GetCanvas();
    dx = dy = 0;
  }
  target->SetFont(font_);
  if (OnBeforeScaleRendered) OnBeforeScaleRendered(*this, *target);

  if (transparent_) {
    target->GetPen().Color = colorScale_;
    const int axis = AxisPosition(dx, dy);
    DrawAxis(*target, axis);
    DrawBaseLine(*target, axis);
    if (OnAfterScaleRendered) OnAfterScaleRendered(*this, *target);
    return true;
  }

  // Composed off screen so that the window never shows a half-drawn axis.
  auto bitmap = platform::CreateBitmap(Width(), Height());
  bitmap->SetPixelRatio(target->PixelRatio());
  Canvas& bc = bitmap->GetCanvas();
  bc.SetFont(font_);
  bc.GetPen().Color = colorBackGnd_;
  bc.GetBrush().Color = colorBackGnd_;
  bc.GetBrush().Style = platform::bsSolid;
  bc.Rectangle(0, 0, Width(), Height());
  bc.GetPen().Color = colorScale_;
  const int axis = AxisPosition(0, 0);
  DrawAxis(bc, axis);
  DrawBaseLine(bc, axis);
  if (OnAfterScaleRendered) OnAfterScaleRendered(*this, bc);
  DrawBevelFrame(bc, 0, 0, Width() - 1, Height() - 1, frameStyle_, frameColors_);
  target->Draw(dx, dy, *bitmap);
  return true;
}

void TScale::DrawAxis(Canvas& canvas, int a) {
  if (canvas.IsPrinter()) {
    // Sized at the screen's resolution and only then given the printer's: the labels keep their
    // pixel height, in proportion to an axis whose geometry is in pixels too.
    platform::Font f = canvas.GetFont();
    f.PixelsPerInch = kScreenPixelsPerInch;
    f.SetSize(font_.Size());
    f.PixelsPerInch = canvas.PixelsPerInchY();
    canvas.SetFont(f);
  }
  canvas.GetBrush().Style = transparent_ ? platform::bsClear : platform::bsSolid;

  const TickOptions options = Options();
  TickLayout layout = BuildTicks(options);
  tickList_ = layout.TickList;

  const bool vertical = IsVerticalScale(scaleType_);
  // Vertical numeric labels share the height of "0"; date/time labels use their own.
  std::optional<int> labelHeight;
  if (vertical && layout.Kind != tlDateTime) labelHeight = canvas.TextHeight("0");
  // Labels that would clash give way before anything is drawn; those dropped are never drawn,
  // so the label event does not see them. Texts are measured as the layout wrote them.
  ThinTickLabels(layout, options, [&](const Tick& t, std::vector<LabelBox>& boxes) {
    AppendLabelBoxes(canvas, t, ValueToPixel(t.Value), a, labelHeight, boxes);
  });
  // Horizontal linear and all time scales label a long tick before reporting it.
  const bool labelFirst =
      layout.Kind == tlTime || layout.Kind == tlDateTime || (layout.Kind == tlLinear && !vertical);
  for (const Tick& t : layout.Ticks) {
    const int p = ValueToPixel(t.Value);
    int length = 4;
    if (t.Major) {
      length = vertical ? 6 : 7;
    } else if (vertical && layout.Kind == tlLogarithmic) {
      length = 6;
    }
    // Inward: up for sctXB, left for sctYR, down or right for the others.
    const int inward = scaleType_ == sctXB || scaleType_ == sctYR ? -length : length;
    const TPoint at = vertical ? TPoint{a, p} : TPoint{p, a};
    TPoint end = at;
    (vertical ? end.X : end.Y) = ClampPixel(Wide(a) + inward);
    canvas.MoveTo(at.X, at.Y);
    canvas.LineTo(end.X, end.Y);
    auto tickDrawn = [&](double value) {
      if (OnScaleTickDrawn) OnScaleTickDrawn(*this, canvas, scaleType_, value, at.X, at.Y);
    };
    if (!t.Major) {
      tickDrawn(t.Value);
    } else if (labelFirst) {
      if (t.Labelled) {
        const int height = DrawLabel(canvas, t, p, a, labelHeight);
        if (!t.DateLine.empty()) DrawDateLine(canvas, t.DateLine, p, a, height);
      }
      tickDrawn(layout.Kind == tlLinear ? t.LabelValue : t.Value);
    } else {
      tickDrawn(t.Value);
      if (t.Labelled) DrawLabel(canvas, t, p, a, labelHeight);
    }
  }
  if (!layout.Message.empty()) DrawMessage(canvas, layout.Message, a);
  if (!caption_.empty()) DrawCaption(canvas, a);
}

Wide TScale::HorizontalLabelLeft(Canvas& canvas, const std::string& text, int p) const {
  Wide hw = canvas.TextWidth(text) / 2;
  if (p + hw >= Wide(Width()) - 2) return Width() - 2 * hw - 2;
  hw = std::min(hw, p - Wide(2));
  return p - hw;
}

Wide TScale::VerticalLabelLeft(Canvas& canvas, const std::string& text, int a) const {
  return scaleType_ == sctYL ? Wide(a) + 8 : Wide(a) - 8 - canvas.TextWidth(text);
}

TScale::TextPlace TScale::LabelPlace(Canvas& canvas, const std::string& text, int p, int a,
                                     int h) const {
  if (IsVerticalScale(scaleType_)) return {VerticalLabelLeft(canvas, text, a), Wide(p) - h / 2};
  const Wide top = scaleType_ == sctXT ? Wide(a) + 7 : Wide(a) - 7 - h;
  return {HorizontalLabelLeft(canvas, text, p), top};
}

TScale::TextPlace TScale::DateLinePlace(Canvas& canvas, const std::string& text, int p, int a,
                                        int labelHeight) const {
  const int h = canvas.TextHeight(text);
  if (IsVerticalScale(scaleType_))
    return {VerticalLabelLeft(canvas, text, a), Wide(p) - 3 * (h / 2)};
  // One line further from the axis than the clock label.
  const Wide top = scaleType_ == sctXT ? Wide(a) + 7 + h : Wide(a) - 7 - labelHeight - h;
  return {HorizontalLabelLeft(canvas, text, p), top};
}

void TScale::AppendLabelBoxes(Canvas& canvas, const Tick& tick, int p, int a,
                              std::optional<int> labelHeight, std::vector<LabelBox>& boxes) const {
  auto box = [&](const std::string& text, TextPlace at) {
    boxes.push_back(
        {at.Left, at.Top, at.Left + canvas.TextWidth(text), at.Top + canvas.TextHeight(text)});
  };
  const int h = labelHeight ? *labelHeight : canvas.TextHeight(tick.Text);
  if (!tick.Text.empty()) box(tick.Text, LabelPlace(canvas, tick.Text, p, a, h));
  if (!tick.DateLine.empty()) box(tick.DateLine, DateLinePlace(canvas, tick.DateLine, p, a, h));
}

int TScale::DrawLabel(Canvas& canvas, const Tick& tick, int p, int a,
                      std::optional<int> labelHeight) {
  std::string text = tick.Text;
  if (OnBeforeTickLabel) OnBeforeTickLabel(*this, scaleType_, tick.LabelValue, text);
  const int h = labelHeight ? *labelHeight : canvas.TextHeight(text);
  if (text.empty()) return h;
  const TextPlace at = LabelPlace(canvas, text, p, a, h);
  canvas.TextOut(ClampPixel(at.Left), ClampPixel(at.Top), text);
  return h;
}

void TScale::DrawDateLine(Canvas& canvas, const std::string& text, int p, int a, int labelHeight) {
  const TextPlace at = DateLinePlace(canvas, text, p, a, labelHeight);
  canvas.TextOut(ClampPixel(at.Left), ClampPixel(at.Top), text);
}

void TScale::DrawMessage(Canvas& canvas, const std::vector<std::string>& lines, int a) {
  const Wide m = ValueToPixel((rangeLow_ + rangeHigh_) / 2);
  if (!IsVerticalScale(scaleType_)) {
    const std::string& text = lines.front();
    canvas.TextOut(ClampPixel(m - canvas.TextWidth(text) / 2), ClampPixel(Wide(a) + 7), text);
    return;
  }
  const int h = canvas.TextHeight("T");
  Wide top = m - h;
  for (const std::string& line : lines) {
    const Wide left = scaleType_ == sctYL ? Wide(a) + 2 : Wide(a) - 2 - canvas.TextWidth(line);
    canvas.TextOut(ClampPixel(left), ClampPixel(top), line);
    top += h;
  }
}

void TScale::DrawCaption(Canvas& canvas, int a) {
  const int w = canvas.TextWidth(caption_);
  Wide x;
  Wide y;
  if (IsVerticalScale(scaleType_)) {
    Wide anchor = marginTop_;
    if (captionAnchor_ == uaSclCenter) {
      anchor = marginTop_ + (Wide(Height()) - marginTop_ - marginBottom_) / 2;
    } else if (captionAnchor_ == uaSclBotRgt) {
      anchor = Wide(Height()) - marginBottom_;
    }
    x = Wide(a) + captionPosX_;
    y = anchor + captionPosY_;
  } else {
    Wide anchor = marginLeft_;
    if (captionAnchor_ == uaSclCenter) {
      anchor = marginLeft_ + (Wide(Width()) - marginLeft_ - marginRight_) / 2;
    } else if (captionAnchor_ == uaSclBotRgt) {
      anchor = Wide(Width()) - marginRight_;
    }
    x = anchor + captionPosX_;
    y = Wide(a) + captionPosY_;
  }
  if (captionAlignment_ == taRightJustify) {
    x -= w;
  } else if (captionAlignment_ == taCenter) {
    x -= w / 2;
  }
  canvas.TextOut(ClampPixel(x), ClampPixel(y), caption_);
}

void TScale::DrawBaseLine(Canvas& canvas, int a) {
  if (!showBaseLine_) return;
  if (IsVerticalScale(scaleType_)) {
    canvas.MoveTo(a, marginTop_);
    canvas.LineTo(a, ClampPixel(Wide(Height()) - marginBottom_ - 1));
  } else {
    canvas.MoveTo(marginLeft_, a);
    canvas.LineTo(ClampPixel(Wide(Width()) - marginRight_ - 1), a);
  }
}
