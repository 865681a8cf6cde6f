#pragma once

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "platform/canvas.h"
#include "platform/color.h"
#include "platform/control.h"
#include "platform/graphics.h"
#include "scale/bevel_frame.h"
#include "scale/date_label.h"
#include "scale/label_thinning.h"
#include "scale/scale_types.h"
#include "scale/tick_layout.h"

// One axis: lays out its ticks, labels them and draws base line, ticks, labels, caption and,
// when opaque, background and frame. Standing alone it paints onto its host's screen; under a
// chart it draws into the chart's canvas when told to (render target, RenderNow).
class TScale : public platform::Control {
 public:
  using ScaleRenderedEvent = std::function<void(TScale& sender, platform::Canvas& canvas)>;
  using ScaleTickDrawnEvent =
      std::function<void(TScale& sender, platform::Canvas& canvas, TScaleType scaleType,
                         double currentTickPos, int chartX, int chartY)>;
  using BeforeTickLabelEvent = std::function<void(TScale& sender, TScaleType scaleType,
                                                  double currentTickPos, std::string& tickLabel)>;

  TScale();
  ~TScale() override;

  // Layout.
  double RangeLow() const { return rangeLow_; }
  void SetRangeLow(double v);
  double RangeHigh() const { return rangeHigh_; }
  void SetRangeHigh(double v);
  int MinTicks() const { return minTicks_; }
  void SetMinTicks(int n);
  int DecPlaces() const { return decPlaces_; }
  void SetDecPlaces(int n);
  bool Logarithmic() const { return logarithmic_; }
  void SetLogarithmic(bool b);
  bool ShortTicks() const { return shortTicks_; }
  void SetShortTicks(bool b);
  TFigType LabelType() const { return labelType_; }
  void SetLabelType(TFigType t);
  TScaleType ScaleType() const { return scaleType_; }
  void SetScaleType(TScaleType t);
  int MarginTop() const { return marginTop_; }
  void SetMarginTop(int n);
  int MarginBottom() const { return marginBottom_; }
  void SetMarginBottom(int n);
  int MarginLeft() const { return marginLeft_; }
  void SetMarginLeft(int n);
  int MarginRight() const { return marginRight_; }
  void SetMarginRight(int n);

  // The mapping and the tick list of the last render.
  double PixelsPerUnit() const { return pixelsPerUnit_; }
  double PixelOffset() const { return pixelOffset_; }
  void UpdateMapping();
  int ValueToPixel(double value) const;
  int NumTicks() const { return int(tickList_.size()); }
  double TickPos(int index) const;

  // Labels.
  const std::string& UserTickText() const { return userTickText_; }
  void SetUserTickText(const std::string& s);
  const std::string& ScaleInscript() const { return scaleInscript_; }
  void SetScaleInscript(const std::string& s);
  TDTLabel& DateFormat() { return dateFormat_; }
  const TDTLabel& DateFormat() const { return dateFormat_; }
  void SetDateFormat(const TDTLabel& format) { dateFormat_.Assign(format); }

  // Appearance.
  bool ShowBaseLine() const { return showBaseLine_; }
  void SetShowBaseLine(bool b);
  bool Transparent() const { return transparent_; }
  void SetTransparent(bool b);
  platform::TColor ColorScale() const { return colorScale_; }
  void SetColorScale(platform::TColor c);
  platform::TColor ColorBackGnd() const { return colorBackGnd_; }
  void SetColorBackGnd(platform::TColor c);
  TFrameStyle FrameStyle() const { return frameStyle_; }
  void SetFrameStyle(TFrameStyle s);
  TColorScheme ColorScheme() const { return colorScheme_; }
  void SetColorScheme(TColorScheme s);
  const std::string& Caption() const { return caption_; }
  void SetCaption(const std::string& s);
  int CaptionPosX() const { return captionPosX_; }
  void SetCaptionPosX(int n);
  int CaptionPosY() const { return captionPosY_; }
  void SetCaptionPosY(int n);
  TScaleUnitAnchor CaptionAnchor() const { return captionAnchor_; }
  void SetCaptionAnchor(TScaleUnitAnchor a);
  TAlignment CaptionAlignment() const { return captionAlignment_; }
  void SetCaptionAlignment(TAlignment a);
  const platform::Font& Font() const { return font_; }
  void SetFont(const platform::Font& f);

  // Rendering control.
  void SetRenderTarget(platform::Canvas* canvas, int offsetX, int offsetY);
  platform::Canvas* RenderTarget() const { return renderTarget_; }
  bool PaintSuppressed() const { return paintSuppressed_; }
  void SetPaintSuppressed(bool b);
  bool Embedded() const { return embedded_; }
  void SetEmbedded(bool b);
  // Draws once now, even while painting is suppressed.
  void RenderNow();
  // Paints at once, or for a free-standing transparent scale asks its host to paint later.
  void RefreshScale();

  // Loading from stored settings: between BeginLoading and Loaded nothing is mapped or painted.
  bool Initializing() const { return initializing_; }
  void BeginLoading() { loading_ = true; }
  void Loaded();

  // Takes over the other scale's settings, tick list and render target, then refreshes.
  void Assign(const TScale& other);

  void Paint() override;

  ScaleRenderedEvent OnBeforeScaleRendered;
  ScaleRenderedEvent OnAfterScaleRendered;
  ScaleTickDrawnEvent OnScaleTickDrawn;
  BeforeTickLabelEvent OnBeforeTickLabel;

 protected:
  void Resized() override { UpdateMapping(); }
  void HostChanged() override;

 private:
  bool Render();
  int AxisPosition(int dx, int dy) const;
  void DrawAxis(platform::Canvas& canvas, int axis);
  // Draws a tick's label at height labelHeight, or its own text height; returns the height.
  int DrawLabel(platform::Canvas& canvas, const Tick& tick, int p, int axis,
                std::optional<int> labelHeight);
  void DrawDateLine(platform::Canvas& canvas, const std::string& text, int p, int axis,
                    int labelHeight);
  void DrawMessage(platform::Canvas& canvas, const std::vector<std::string>& lines, int axis);
  struct TextPlace {
    long long Left;
    long long Top;
  };
  // Top-left corners of a label of height h and of a date line, as drawn.
  TextPlace LabelPlace(platform::Canvas& canvas, const std::string& text, int p, int axis,
                       int h) const;
  TextPlace DateLinePlace(platform::Canvas& canvas, const std::string& text, int p, int axis,
                          int labelHeight) const;
  // The boxes of a tick's label and date line, for keeping labels apart.
  void AppendLabelBoxes(platform::Canvas& canvas, const Tick& tick, int p, int axis,
                        std::optional<int> labelHeight, std::vector<LabelBox>& boxes) const;
  // Left edges of labels: centred on the tick and kept inside the control, or beside the axis.
  long long HorizontalLabelLeft(platform::Canvas& canvas, const std::string& text, int p) const;
  long long VerticalLabelLeft(platform::Canvas& canvas, const std::string& text, int axis) const;
  void DrawCaption(platform::Canvas& canvas, int axis);
  void DrawBaseLine(platform::Canvas& canvas, int axis);
  TickOptions Options() const;

  double rangeLow_ = 0;
  double rangeHigh_ = 100;
  int minTicks_ = 3;
  int decPlaces_ = -2;
  bool logarithmic_ = false;
  bool shortTicks_ = true;
  TFigType labelType_ = ftNum;
  TScaleType scaleType_ = sctXB;
  int marginTop_ = 20;
  int marginBottom_ = 20;
  int marginLeft_ = 20;
  int marginRight_ = 20;

  double pixelsPerUnit_ = 1.0;
  double pixelOffset_ = 0.0;
  std::vector<double> tickList_;

  std::string userTickText_;
  std::string scaleInscript_;
  TDTLabel dateFormat_;

  bool showBaseLine_ = true;
  bool transparent_ = false;
  platform::TColor colorScale_ = platform::clBlack;
  platform::TColor colorBackGnd_ = platform::clBtnFace;
  TFrameStyle frameStyle_ = fsLowered;
  TColorScheme colorScheme_ = csBWG;
  FrameColors frameColors_ = FrameColorsFor(csBWG);
  std::string caption_;
  int captionPosX_ = 4;
  int captionPosY_ = 4;
  TScaleUnitAnchor captionAnchor_ = uaSclTopLft;
  TAlignment captionAlignment_ = taCenter;
  platform::Font font_;

  platform::Canvas* renderTarget_ = nullptr;
  int renderOffsetX_ = 0;
  int renderOffsetY_ = 0;
  bool paintSuppressed_ = true;
  bool embedded_ = false;
  bool initializing_ = true;
  bool loading_ = false;
};
