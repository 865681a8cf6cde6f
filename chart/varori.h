#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "base/data_point.h"
#include "chart/chart_objects.h"
#include "chart/chart_types.h"
#include "chart/display_list.h"
#include "chart/pixel_math.h"
#include "chart/scale_props.h"
#include "chart/stamped_positions.h"
#include "platform/canvas.h"
#include "platform/control.h"
#include "scale/scale.h"

// The chart: a frame with axes and a data area inside four margins, 16 layers that map world
// coordinates onto that area, and a display list that is rendered anew on every paint. It
// draws through platform::Canvas only and composes every picture off screen.
//
// One class holds the logic and the published interface: nothing derives from it.
class TVArori : public platform::Control {
 public:
  using RenderEvent =
      std::function<void(TVArori& sender, platform::Canvas& canvas, int top, int left)>;
  using ScaleTickDrawnEvent =
      std::function<void(TVArori& sender, platform::Canvas& canvas, TScaleType scaleType,
                         double currentTickPos, int chartX, int chartY)>;
  using BeforeTickLabelEvent = std::function<void(TVArori& sender, TScaleType scaleType,
                                                  double currentTickPos, std::string& tickLabel)>;
  using MouseMoveInChartEvent = std::function<void(
      TVArori& sender, bool inChart, platform::TShiftState shift, double x, double y)>;
  using MouseButtonEvent = std::function<void(TVArori& sender, platform::TMouseButton button,
                                              platform::TShiftState shift, int x, int y)>;
  using MouseMoveEvent =
      std::function<void(TVArori& sender, platform::TShiftState shift, int x, int y)>;
  using NotifyEvent = std::function<void(TVArori& sender)>;
  using RubberBandEvent = std::function<void(TVArori& sender, int layer, double loX, double loY,
                                             double hiX, double hiY)>;

  static constexpr int kNumCrossHairs = 4;
  static constexpr int kNumTextLabels = 30;
  static constexpr int kPixelLimit = kDrawLimit;

  TVArori();
  ~TVArori() override;

  // ---- loading: between BeginLoading and Loaded nothing is mapped or painted
  void BeginLoading();
  void Loaded();
  bool IsLoading() const { return loading_; }

  // ---- geometry
  int MarginLeft() const { return ml_; }
  void SetMarginLeft(int n);
  int MarginRight() const { return mr_; }
  void SetMarginRight(int n);
  int MarginTop() const { return mt_; }
  void SetMarginTop(int n);
  int MarginBottom() const { return mb_; }
  void SetMarginBottom(int n);
  int ShadowWidth() const { return sw_; }
  void SetShadowWidth(int n);
  // Raises the size to the minimum that leaves a data area.
  void SetBounds(int left, int top, int width, int height) override;
  // The data area's picture size (0 where the margins leave none).
  int DataAreaWidth() const;
  int DataAreaHeight() const;

  // ---- appearance
  TShadowStyle ShadowStyle() const { return shadowStyle_; }
  void SetShadowStyle(TShadowStyle s);
  platform::TColor ShadowColor() const { return shadowColor_; }
  void SetShadowColor(platform::TColor c);
  platform::TColor ShadowBakColor() const { return shadowBakColor_; }
  void SetShadowBakColor(platform::TColor c);
  platform::TColor WindColor() const { return windColor_; }
  void SetWindColor(platform::TColor c);
  platform::TColor ChartColor() const { return chartColor_; }
  void SetChartColor(platform::TColor c);
  platform::TColor ChartFrameColor() const { return chartFrameColor_; }
  void SetChartFrameColor(platform::TColor c);
  GridStyleType GridStyle() const { return gridStyle_; }
  void SetGridStyle(GridStyleType s);
  platform::TColor GridColor() const { return gridColor_; }
  void SetGridColor(platform::TColor c);
  double GridDx() const { return gridDx_; }
  void SetGridDx(double v);
  double GridDy() const { return gridDy_; }
  void SetGridDy(double v);
  const std::string& Caption() const { return caption_; }
  void SetCaption(const std::string& s);
  int CaptionPosX() const { return captionPosX_; }
  void SetCaptionPosX(int n);
  int CaptionPosY() const { return captionPosY_; }
  void SetCaptionPosY(int n);
  TAlignment CaptionAlignment() const { return captionAlignment_; }
  void SetCaptionAlignment(TAlignment a);
  TCaptionAnchorHoriz CaptionAnchorHoriz() const { return captionAnchorHoriz_; }
  void SetCaptionAnchorHoriz(TCaptionAnchorHoriz a);
  TCaptionAnchorVert CaptionAnchorVert() const { return captionAnchorVert_; }
  void SetCaptionAnchorVert(TCaptionAnchorVert a);
  const platform::Font& Font() const { return font_; }
  void SetFont(const platform::Font& f);
  unsigned TextFontStyle() const { return textFontStyle_; }
  void SetTextFontStyle(unsigned s);
  TTextBkg TextBkStyle() const { return textBkStyle_; }
  void SetTextBkStyle(TTextBkg s);
  platform::TColor TextBkColor() const { return textBkColor_; }
  void SetTextBkColor(platform::TColor c);
  TAlignment TextAlignment() const { return textAlignment_; }
  void SetTextAlignment(TAlignment a);

  // ---- properties of items added from now on
  platform::TColor DataColor() const { return dataColor_; }
  void SetDataColor(platform::TColor c) { dataColor_ = c; }
  platform::TColor FillColor() const { return fillColor_; }
  void SetFillColor(platform::TColor c) { fillColor_ = c; }
  platform::TPenStyle PenStyle() const { return penStyle_; }
  void SetPenStyle(platform::TPenStyle s) { penStyle_ = s; }
  std::uint8_t LineWidth() const { return lineWidth_; }
  void SetLineWidth(std::uint8_t w) { lineWidth_ = w; }
  std::uint8_t ClassDefault() const { return classDefault_; }
  void SetClassDefault(std::uint8_t c);

  // ---- behaviour
  bool AutoRedraw() const { return autoRedraw_; }
  void SetAutoRedraw(bool b) { autoRedraw_ = b; }
  bool Isometric() const { return isometric_; }
  void SetIsometric(bool b);
  TrcLayout StandardLayout() const { return standardLayout_; }
  void SetStandardLayout(TrcLayout layout);
  TMouseActMode MouseAction() const { return mouseAction_; }
  void SetMouseAction(TMouseActMode m) { mouseAction_ = m; }
  bool MouseCursorFixed() const { return mouseCursorFixed_; }
  void SetMouseCursorFixed(bool b) { mouseCursorFixed_ = b; }

  // ---- owned objects
  TScalePropsHoriz& ScaleX(int layer);
  TScalePropsVert& ScaleY(int layer);
  TScalePropsHoriz& Scale1X() { return ScaleX(1); }
  TScalePropsVert& Scale1Y() { return ScaleY(1); }
  TScalePropsHoriz& Scale2X() { return ScaleX(2); }
  TScalePropsVert& Scale2Y() { return ScaleY(2); }
  TScalePropsHoriz& Scale3X() { return ScaleX(3); }
  TScalePropsVert& Scale3Y() { return ScaleY(3); }
  TScalePropsHoriz& Scale4X() { return ScaleX(4); }
  TScalePropsVert& Scale4Y() { return ScaleY(4); }
  // The axis scales that draw layer n's axes ("RC_FScale_X_n", "RC_FScale_Y_n").
  TScale& XScale(int layer);
  TScale& YScale(int layer);
  const std::string& XScaleName(int layer) const;
  const std::string& YScaleName(int layer) const;
  TCrossHair& CrossHair(int n);  // 1..4
  TCrossHair& CrossHair1() { return CrossHair(1); }
  TCrossHair& CrossHair2() { return CrossHair(2); }
  TCrossHair& CrossHair3() { return CrossHair(3); }
  TCrossHair& CrossHair4() { return CrossHair(4); }
  TTextLabel& TextLabel(int n);  // 1..30
  TJointLayers& JointLayers() { return *jointLayers_; }
  TBakGndImg& BackGroundImg() { return bakGndImg_; }
  // The off-screen pictures: the whole control and the data area.
  const platform::Bitmap& FramePicture() const { return *framePicture_; }
  const platform::Bitmap& DataPicture() const { return *dataPicture_; }

  // ---- display list
  void AddMark(double x, double y, std::uint8_t markType);
  // One mark per point, in order, as AddMark would add them; the storage grows once. Either all
  // are added or, when the storage cannot grow, none.
  void AddMarks(std::span<const DataPoint> points, std::uint8_t markType);
  void AddMovePoint(double x, double y);
  void AddLinePoint(double x, double y);
  void ClearItems();
  void DropLastItem();
  std::uint8_t LastItemKind() const;
  void ShowItems();
  int ItemCount() const { return List().Count(); }
  int Capacity() const { return List().Capacity(); }
  const ChartItem& Item(int index) const { return List().At(index); }
  int AllocSize() const { return allocSize_; }
  void SetAllocSize(int n);
  TVArori* UseDataOf() const { return useDataOf_; }
  void SetUseDataOf(TVArori* chart);
  int NumSharers() const { return int(sharers_.size()); }

  // ---- mapping
  void PixelToWorld(int layer, int px, int py, double& x, double& y) const;
  void WorldToPixel(int layer, double x, double y, int& px, int& py) const;
  virtual void ComputeMapping();
  void ApplyScaleProps(TScale& scale, const TScaleProps& props);
  void ScalePropsChanged();
  void SetLayerRange(int layer, long double xLow, long double xHigh, long double yLow,
                     long double yHigh);
  void SetLayerRangeJoined(int layer, long double xLow, long double xHigh, long double yLow,
                           long double yHigh);
  // Layer `layer` takes over the x (or y) range of `controller`; used by the joint layers.
  void TakeRangeOf(bool horizontal, int layer, int controller);

  // ---- mouse
  void MouseDown(platform::TMouseButton button, platform::TShiftState shift, int x, int y) override;
  void MouseUp(platform::TMouseButton button, platform::TShiftState shift, int x, int y) override;
  void MouseMove(platform::TShiftState shift, int x, int y) override;
  void DblClick() override;
  void MouseEnter() override;
  void MouseLeave() override;
  bool Panning() const { return panning_; }
  bool RubberBandActive() const { return bandActive_; }

  // ---- painting
  void Paint() override;
  virtual void PaintDataBackground(platform::Canvas& canvas, int left, int top);
  virtual void RenderItems(platform::Canvas& canvas, int left, int top, bool monochrome,
                           bool noGrid);
  virtual void HoldPainting(bool hold);
  bool PaintHeld() const { return holdPaint_; }
  void DrawFrame(platform::Canvas& canvas);
  // The picture Paint composes, drawn straight onto `target` at (0, 0) instead, with the data
  // area clipped: for a surface that keeps what is drawn as shapes and text (a vector picture).
  void PaintTo(platform::Canvas& target);
  void MatchPictureRatio();
  void CopyToScreen(int x, int y, platform::Canvas& target, platform::Bitmap& picture);

  // ---- events
  RenderEvent OnBeforeRenderData;
  RenderEvent OnDataRendered;
  RenderEvent OnScalesRendered;
  ScaleTickDrawnEvent OnScaleTickDrawn;
  BeforeTickLabelEvent OnBeforeTickLabel;
  MouseMoveInChartEvent OnMouseMoveInChart;
  MouseButtonEvent OnMouseDown;
  MouseButtonEvent OnMouseUp;
  MouseMoveEvent OnMouseMove;
  NotifyEvent OnDblClick;
  NotifyEvent OnMouseEnter;
  NotifyEvent OnMouseLeave;
  NotifyEvent OnZoomPan;
  RubberBandEvent OnRubberBand;
  std::function<void(TVArori& sender, TCrossHair& which)> OnCrossHairMove;
  std::function<void(TVArori& sender, TTextLabel& which)> OnTextLabelMove;

 protected:
  void HostChanged() override;

 private:
  struct LayerMapping {
    long double FactorX = 0;
    long double OffsetX = 0;
    long double FactorY = 0;
    long double OffsetY = 0;
  };

  // Sets the paint hold for its lifetime and puts the old value back without painting, also
  // when an error leaves the scope.
  class PaintHold {
   public:
    explicit PaintHold(TVArori& chart) : chart_(chart), old_(chart.holdPaint_) {
      chart.holdPaint_ = true;
    }
    ~PaintHold() { chart_.holdPaint_ = old_; }
    bool OldValue() const { return old_; }
    PaintHold(const PaintHold&) = delete;
    PaintHold& operator=(const PaintHold&) = delete;

   private:
    TVArori& chart_;
    bool old_;
  };

  // After a PaintHold scope: HoldPainting with the value from before it, so the chart paints
  // when painting was not held before.
  void EndHold(bool old) {
    holdPaint_ = true;
    HoldPainting(old);
  }

  enum class Margin { Left, Right, Top, Bottom, Shadow };

  // Geometry in wide integers: margins and sizes may be anything an int holds.
  long long DataRight() const;   // W − MR − SW
  long long DataBottom() const;  // H − MB − SW
  void SetMargin(Margin which, int value);
  void PassMarginsToScales(int layer, bool left, bool right, bool top, bool bottom);
  void IsometricAdjust(int layer);
  void RepaintIfAuto();
  void RefreshShared();
  void SetScaleSizeAndMargins(int layer);
  void ApplyLayout(TrcLayout layout);

  DisplayList& List();
  const DisplayList& List() const;
  ChartItem MakeItem(std::uint8_t kind, double x, double y, std::uint8_t markType) const;
  void AppendItem(std::uint8_t kind, double x, double y, std::uint8_t markType);
  void LeaveOwner();
  bool MapPoint(int layer, double x, double y, long long& px, long long& py) const;
  // Inline: the renderer places every item through it.
  platform::TPoint ToCanvas(long long px, long long py, int left, int top) const {
    return {ClampInt(LimitPixel(px) - ml_ + left), ClampInt(LimitPixel(py) - mt_ + top)};
  }
  void DrawGrid(platform::Canvas& canvas, int left, int top);
  const ChartItem* StampRun(platform::Canvas& canvas, const ChartItem* first, const ChartItem* end,
                            const FastPixels& fast, int left, int top);
  bool InDataArea(int x, int y) const;
  void PanStep(int x, int y);
  void UpdateCursor(int x, int y);
  void DrawBand();
  void EndBand(platform::TMouseButton button);
  void DrawCrossHair(platform::Canvas& canvas, const TCrossHair& ch, int dx, int dy);

  // layout
  int ml_ = 50, mr_ = 10, mt_ = 16, mb_ = 32, sw_ = 0;
  TShadowStyle shadowStyle_ = ssFlying;
  platform::TColor shadowColor_ = platform::clGrayText;
  platform::TColor shadowBakColor_ = platform::clBtnFace;
  platform::TColor windColor_ = platform::clBtnFace;
  platform::TColor chartColor_ = platform::clWhite;
  platform::TColor chartFrameColor_ = platform::clBlack;
  GridStyleType gridStyle_ = gsNone;
  platform::TColor gridColor_ = platform::clBlack;
  double gridDx_ = 0;
  double gridDy_ = 0;
  std::string caption_;
  int captionPosX_ = 0;
  int captionPosY_ = -15;
  TAlignment captionAlignment_ = taRightJustify;
  TCaptionAnchorHoriz captionAnchorHoriz_ = cahChartRight;
  TCaptionAnchorVert captionAnchorVert_ = cavChartTop;
  platform::Font font_;
  unsigned textFontStyle_ = 0;
  TTextBkg textBkStyle_ = tbClear;
  platform::TColor textBkColor_ = platform::clWhite;
  TAlignment textAlignment_ = taCenter;

  platform::TColor dataColor_ = platform::clBlack;
  platform::TColor fillColor_ = platform::clSilver;
  platform::TPenStyle penStyle_ = platform::psSolid;
  std::uint8_t lineWidth_ = 1;
  std::uint8_t classDefault_ = 0;

  bool autoRedraw_ = false;
  bool isometric_ = false;
  TrcLayout standardLayout_ = rcl_X1Bottom_Y1Left;
  TMouseActMode mouseAction_ = maNone;
  bool mouseCursorFixed_ = true;
  bool loading_ = false;
  bool holdPaint_ = true;
  int activeLayer_ = 1;
  long double aspectX_ = 1;
  long double aspectY_ = 1;

  std::array<std::unique_ptr<TScalePropsHoriz>, kNumLayers> xProps_;
  std::array<std::unique_ptr<TScalePropsVert>, kNumLayers> yProps_;
  std::array<std::unique_ptr<TScale>, kNumLayers> xScales_;
  std::array<std::unique_ptr<TScale>, kNumLayers> yScales_;
  std::array<std::string, kNumLayers> xScaleNames_;
  std::array<std::string, kNumLayers> yScaleNames_;
  std::array<LayerMapping, kNumLayers> mapping_;
  std::array<TCrossHair, kNumCrossHairs> crossHairs_;
  std::array<TTextLabel, kNumTextLabels> textLabels_;
  std::unique_ptr<TJointLayers> jointLayers_;
  TBakGndImg bakGndImg_;
  std::string loadedImageName_;
  std::unique_ptr<platform::Bitmap> framePicture_;
  std::unique_ptr<platform::Bitmap> dataPicture_;
  // The renderer's memory of stamped mark positions, kept to reuse its table.
  StampedPositions stamped_;
  std::unique_ptr<platform::Bitmap> auxPicture_;

  // display list and its sharing group
  DisplayList list_;
  int allocSize_ = 1000;
  TVArori* useDataOf_ = nullptr;
  std::vector<TVArori*> sharers_;
  std::array<bool, 256> classShown_;
  std::array<bool, kNumLayers + 1> layerShown_;
  std::array<bool, kNumLayers + 1> panLayer_;

  // mouse state
  struct PanStart {
    double XLow, XHigh, YLow, YHigh;
  };
  bool panning_ = false;
  bool doubleClick_ = false;
  platform::TPoint panOrigin_;
  std::array<PanStart, kNumLayers + 1> panStart_{};
  bool bandActive_ = false;
  bool bandDrawn_ = false;
  platform::TPoint bandStart_;
  platform::TPoint bandEnd_;
};
