#include "scale/num_lab.h"

#include <algorithm>

#include "scale/bevel_frame.h"

using namespace platform;

namespace {

// Text height is measured on a sample with ascenders, descenders and accents, so the vertical
// place of the texts does not depend on what they say. UTF-8, as every text of the label.
constexpr const char* kHeightSample = "(8g]}\xC3\x9C\xC3\x84\xC2\xA7";

constexpr TColor kEtchGray = 0x808080;

void SetPenAndBrush(Canvas& canvas, TColor pen, TColor brush) {
  canvas.GetPen().Color = pen;
  canvas.GetPen().Style = psSolid;
  canvas.GetPen().Mode = pmCopy;
  canvas.GetPen().Width = 1;
  canvas.GetBrush().Color = brush;
  canvas.GetBrush().Style = bsSolid;
}

void Line(Canvas& canvas, TColor color, int x0, int y0, int x1, int y1, int x2, int y2) {
  canvas.GetPen().Color = color;
  canvas.MoveTo(x0, y0);
  canvas.LineTo(x1, y1);
  canvas.LineTo(x2, y2);
}

}  // namespace

TNumLab::TNumLab() {
  SetBounds(0, 0, 160, 28);
}

template <typename T>
void TNumLab::Update(T& field, const T& value) {
  if (field == value) return;
  field = value;
  Repaint();
}

void TNumLab::SetValue(double value) {
  Update(value_, value);
}
void TNumLab::SetDisplayType(TDisplay type) {
  Update(text_.DisplayType, type);
}

void TNumLab::SetPrecision(int precision) {
  if (precision < 0) return;
  Update(text_.Precision, std::min(precision, 15));
}

void TNumLab::SetEmpty(bool empty) {
  Update(empty_, empty);
}
void TNumLab::SetLeftText(const std::string& text) {
  Update(leftText_, text);
}
void TNumLab::SetRightText(const std::string& text) {
  Update(rightText_, text);
}

void TNumLab::SetLeftSpace(int leftSpace) {
  if (leftSpace < 0) return;
  Update(leftSpace_, std::min(leftSpace, Width()));
}

void TNumLab::SetLabelWidth(int width) {
  Update(labelWidth_, width);
}
void TNumLab::SetAlignment(TAlignment alignment) {
  Update(alignment_, alignment);
}
void TNumLab::SetLeftTextAlignment(TAlignment alignment) {
  Update(leftTextAlignment_, alignment);
}
void TNumLab::SetRightTextAlignment(TAlignment alignment) {
  Update(rightTextAlignment_, alignment);
}
void TNumLab::SetFrameStyle(TFrameStyle style) {
  Update(frameStyle_, style);
}

void TNumLab::SetColorScheme(TColorScheme scheme) {
  if (scheme == colorScheme_) return;
  colorScheme_ = scheme;
  const FrameColors colors = FrameColorsFor(scheme);
  shadowColor_ = colors.Shadow;
  highlightColor_ = colors.Highlight;
  Repaint();
}

void TNumLab::SetColorLabBakG(TColor color) {
  Update(colorLabBakG_, color);
}
void TNumLab::SetColorLabText(TColor color) {
  Update(colorLabText_, color);
}
void TNumLab::SetColorOutBakG(TColor color) {
  Update(colorOutBakG_, color);
}
void TNumLab::SetColorOutText(TColor color) {
  Update(colorOutText_, color);
}
void TNumLab::SetComma(bool comma) {
  Update(text_.Comma, comma);
}
void TNumLab::SetForcePlusSign(bool force) {
  Update(text_.ForcePlusSign, force);
}
void TNumLab::SetOverflowIndicator(const std::string& text) {
  Update(text_.OverflowIndicator, text);
}
void TNumLab::SetStateText(const std::string& text) {
  Update(text_.StateText, text);
}
void TNumLab::SetDTFormat(const std::string& format) {
  Update(text_.DTFormat, format);
}
void TNumLab::SetFont(const platform::Font& font) {
  Update(font_, font);
}

void TNumLab::SetTransparent(bool transparent) {
  if (transparent == transparent_) return;
  transparent_ = transparent;
  // The parent has to paint underneath first, so a transparent label waits for the next paint.
  if (transparent_) {
    Invalidate();
  } else {
    Repaint();
  }
}

void TNumLab::SetEnabled(bool enabled) {
  Control::SetEnabled(enabled);
  Repaint();
}

void TNumLab::Assign(const TNumLab& source) {
  leftSpace_ = source.leftSpace_;
  empty_ = source.empty_;
  labelWidth_ = source.labelWidth_;
  text_.Precision = source.text_.Precision;
  leftText_ = source.leftText_;
  rightText_ = source.rightText_;
  frameStyle_ = source.frameStyle_;
  alignment_ = source.alignment_;
  leftTextAlignment_ = source.leftTextAlignment_;
  rightTextAlignment_ = source.rightTextAlignment_;
  text_.OverflowIndicator = source.text_.OverflowIndicator;
  value_ = source.value_;
  text_.StateText = source.text_.StateText;
  transparent_ = source.transparent_;
  colorLabBakG_ = source.colorLabBakG_;
  colorLabText_ = source.colorLabText_;
  colorOutBakG_ = source.colorOutBakG_;
  colorOutText_ = source.colorOutText_;
  frameLineColor_ = source.frameLineColor_;
  shadowColor_ = source.shadowColor_;
  highlightColor_ = source.highlightColor_;
  colorScheme_ = source.colorScheme_;
  text_.DisplayType = source.text_.DisplayType;
  Repaint();
}

void TNumLab::DrawSideText(Canvas& canvas, int x, int y, const std::string& text) {
  if (text.empty()) return;
  if (Enabled()) {
    canvas.GetFont().Color = colorOutText_;
    canvas.TextOut(x, y, text);
    return;
  }
  canvas.GetBrush().Style = bsClear;
  canvas.GetFont().Color = clWhite;
  canvas.TextOut(x + 1, y + 1, text);
  canvas.GetFont().Color = kEtchGray;
  canvas.TextOut(x, y, text);
}

void TNumLab::DrawValueBox(Canvas& canvas) {
  const int left = leftSpace_;
  const int right = leftSpace_ + labelWidth_;
  const int height = Height();
  TColor outline = shadowColor_;
  if (frameStyle_ == fsNone) outline = colorLabBakG_;
  if (frameStyle_ == fsEmbossed) outline = highlightColor_;
  SetPenAndBrush(canvas, outline, colorLabBakG_);
  if (frameStyle_ == fsNone || frameStyle_ == fsSimple) {
    canvas.Rectangle(left, 0, right + 2, height);
    return;
  }
  canvas.Rectangle(left, 0, right + 2, height - 1);
  TColor topLeft = frameLineColor_;
  TColor bottomRight = highlightColor_;
  switch (frameStyle_) {
    case fsRaised:
      topLeft = highlightColor_;
      bottomRight = frameLineColor_;
      break;
    case fsEmbossed:
      topLeft = shadowColor_;
      bottomRight = shadowColor_;
      break;
    case fsEngraved:
      topLeft = highlightColor_;
      bottomRight = highlightColor_;
      break;
    default:
      break;
  }
  Line(canvas, topLeft, left + 1, height - 3, left + 1, 1, right + 1, 1);
  Line(canvas, bottomRight, left + 1, height - 1, right + 2, height - 1, right + 2, 0);
}

void TNumLab::DrawValue(Canvas& canvas, int y) {
  std::string text = NumLabValueText(value_, text_);
  if (OnBeforeDisplay) OnBeforeDisplay(*this, text);
  canvas.GetFont().Color = Enabled() ? colorLabText_ : kEtchGray;
  int w = canvas.TextWidth(text);
  // A state text is clipped instead: it is a word, not a number that would mislead when cut.
  if (w > labelWidth_ - 6 && text_.DisplayType != dtState) {
    text = text_.OverflowIndicator;
    w = canvas.TextWidth(text);
  }
  const int right = leftSpace_ + labelWidth_;
  const TRect clip{leftSpace_ + 3, 2, right - 1, Height() - 3};
  int x = leftSpace_ + 2 + (labelWidth_ - w) / 2;
  if (alignment_ == taLeftJustify) x = leftSpace_ + 4;
  if (alignment_ == taRightJustify) x = right - w - 2;
  SetPenAndBrush(canvas, colorLabBakG_, colorLabBakG_);
  canvas.Rectangle(clip.Left, clip.Top, clip.Right, clip.Bottom);
  canvas.TextRect(clip, x, y, text);
}

void TNumLab::Output(Canvas& screen) {
  if (!transparent_) {
    screen.Draw(0, 0, *bitmap_);
    return;
  }
  // The parent must not show through the value box: ANDed onto the box colour a black text
  // keeps the box as it is; a coloured text needs white under it to keep its colour.
  const TColor under = colorLabText_ != clBlack ? clWhite : colorLabBakG_;
  CopyParentBackground();
  SetPenAndBrush(screen, under, under);
  screen.Rectangle(leftSpace_ + 2, 2, leftSpace_ + labelWidth_, Height() - 2);
  screen.DrawAnd(0, 0, *bitmap_);
}

void TNumLab::Paint() {
  if (!Visible() || !HasCanvas()) return;
  if (!bitmap_) bitmap_ = CreateBitmap(Width(), Height());
  if (bitmap_->Width() != Width() || bitmap_->Height() != Height()) {
    bitmap_->SetSize(Width(), Height());
  }
  // Composed at the screen's device resolution, so that the text gains it.
  bitmap_->SetPixelRatio(GetCanvas().PixelRatio());
  Canvas& canvas = bitmap_->GetCanvas();
  canvas.SetFont(font_);
  const int y = (Height() - canvas.TextHeight(kHeightSample)) / 2;

  const TColor outside = transparent_ ? clWhite : colorOutBakG_;
  SetPenAndBrush(canvas, outside, outside);
  canvas.Rectangle(0, 0, Width(), Height());

  const int w = Width();
  int x = 0;
  const int leftWidth = canvas.TextWidth(leftText_);
  switch (leftTextAlignment_) {
    case taLeftJustify:
      x = 7;
      break;
    case taRightJustify:
      x = leftSpace_ - leftWidth - 5;
      break;
    case taCenter:
      x = (leftSpace_ - leftWidth) / 2;
      break;
  }
  DrawSideText(canvas, x, y, leftText_);

  const int r = leftSpace_ + labelWidth_;
  const int rightWidth = canvas.TextWidth(rightText_);
  switch (rightTextAlignment_) {
    case taLeftJustify:
      x = r + 7;
      break;
    case taRightJustify:
      x = w - rightWidth - 6;
      break;
    case taCenter:
      x = r + 1 + (w - r - rightWidth) / 2;
      break;
  }
  DrawSideText(canvas, x, y, rightText_);

  DrawValueBox(canvas);
  if (!empty_) DrawValue(canvas, y);
  Output(GetCanvas());
}

void TNumLab::MouseDown(TMouseButton button, TShiftState shift, int x, int y) {
  if (button == mbLeft) leftButtonDown_ = true;
  if (OnMouseDown) OnMouseDown(*this, button, shift, x, y);
}

void TNumLab::MouseUp(TMouseButton button, TShiftState shift, int x, int y) {
  if (OnMouseUp) OnMouseUp(*this, button, shift, x, y);
  if (button != mbLeft) return;
  const bool click = leftButtonDown_ && x >= 0 && y >= 0 && x < Width() && y < Height();
  leftButtonDown_ = false;
  if (click && OnClick) OnClick(*this);
}

void TNumLab::MouseMove(TShiftState shift, int x, int y) {
  if (OnMouseMove) OnMouseMove(*this, shift, x, y);
}

void TNumLab::DblClick() {
  if (OnDblClick) OnDblClick(*this);
}
