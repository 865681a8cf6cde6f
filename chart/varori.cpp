#include "chart/varori.h"
#include "chart/pixel_math.h"

#include <algorithm>
#include <limits>

#include "platform/cursor.h"
#include "platform/message_box.h"

using platform::TColor;

namespace {

constexpr std::array<TColor, kNumLayers> kLayerColors = {
    platform::clBlack,  platform::clMaroon,  platform::clGreen, platform::clOlive,
    platform::clNavy,   platform::clPurple,  platform::clTeal,  platform::clGray,
    platform::clSilver, platform::clRed,     platform::clLime,  platform::clYellow,
    platform::clBlue,   platform::clFuchsia, platform::clAqua,  platform::clWhite};

struct LayoutRow {
  int Bottom, Top, Left, Right;
  int CaptionX, CaptionY;
  TAlignment Alignment;
  TCaptionAnchorHoriz AnchorH;
  TCaptionAnchorVert AnchorV;
};

constexpr LayoutRow kLayoutRows[] = {
    {40, 20, 50, 20, 0, -16, taRightJustify, cahChartRight, cavChartTop},
    {40, 24, 100, 20, 0, -16, taRightJustify, cahChartRight, cavChartTop},
    {40, 24, 150, 20, 0, -16, taRightJustify, cahChartRight, cavChartTop},
    {40, 24, 200, 20, 0, -16, taRightJustify, cahChartRight, cavChartTop},
    {40, 24, 50, 50, 0, -20, taCenter, cahChartCenter, cavChartTop},
    {70, 24, 100, 20, 0, -16, taRightJustify, cahChartRight, cavChartTop},
    {40, 48, 50, 50, 0, -46, taCenter, cahChartCenter, cavChartTop},
};

struct ScaleSetting {
  bool Shown;
  TScaleLocation Location;
  int CaptionX, CaptionY;
  TAlignment Alignment;
  TScaleUnitAnchor Anchor;
  int Pos;
};

constexpr ScaleSetting kHiddenX{false, slBottom, 10, 100, taCenter, uaSclCenter, 0};
constexpr ScaleSetting kHiddenY{false, slLeft, 10, 100, taRightJustify, uaSclTopLft, 0};
constexpr ScaleSetting kBottomX1{true, slBottom, 0, 22, taCenter, uaSclCenter, 0};

ScaleSetting LeftY(int pos) {
  return {true, slLeft, 0, -23, taRightJustify, uaSclTopLft, pos};
}

// The settings of x and y scales 1..4 in a layout.
void LayoutScales(TrcLayout layout, std::array<ScaleSetting, 4>& x,
                  std::array<ScaleSetting, 4>& y) {
  x.fill(kHiddenX);
  y.fill(kHiddenY);
  x[0] = kBottomX1;
  switch (layout) {
    case rcl_X1Bottom_Y1Left:
      y[0] = {true, slLeft, 0, -16, taLeftJustify, uaSclTopLft, 0};
      break;
    case rcl_X1Bottom_Y2Left:
    case rcl_X1Bottom_Y3Left:
    case rcl_X1Bottom_Y4Left: {
      const int shown = 2 + int(layout) - int(rcl_X1Bottom_Y2Left);
      for (int i = 0; i < shown; ++i) y[i] = LeftY(50 * i);
      break;
    }
    case rcl_X1Bottom_Y2Both:
      y[0] = LeftY(0);
      y[1] = {true, slRight, 0, -23, taLeftJustify, uaSclTopLft, 0};
      break;
    case rcl_X2Bottom_Y2Left:
      x[0] = {true, slBottom, -20, 7, taRightJustify, uaSclTopLft, 0};
      x[1] = {true, slBottom, -20, 7, taRightJustify, uaSclTopLft, 30};
      y[0] = LeftY(0);
      y[1] = LeftY(50);
      break;
    case rcl_X2Both_Y2Both:
      x[0] = {true, slBottom, -20, 7, taRightJustify, uaSclTopLft, 0};
      x[1] = {true, slTop, -20, -24, taRightJustify, uaSclTopLft, 0};
      y[0] = {true, slLeft, 0, -40, taRightJustify, uaSclTopLft, 0};
      y[1] = {true, slRight, 0, -40, taLeftJustify, uaSclTopLft, 0};
      y[2].CaptionX = y[3].CaptionX = 0;
      y[2].CaptionY = y[3].CaptionY = -23;
      break;
  }
}

template <class Props>
void ApplySetting(Props& p, const ScaleSetting& s) {
  p.SetScaleLocation(s.Location);
  p.SetCaptionPosX(s.CaptionX);
  p.SetCaptionPosY(s.CaptionY);
  p.SetCaptionAlignment(s.Alignment);
  p.SetCaptionAnchor(s.Anchor);
  p.SetScalePos(s.Pos);
  p.SetVisible(s.Shown);
}

}  // namespace

TVArori::TVArori() {
  classShown_.fill(true);
  layerShown_.fill(true);
  panLayer_.fill(false);
  panLayer_[1] = true;

  for (int i = 0; i < kNumCrossHairs; ++i) {
    crossHairs_[i].SetLayer(i + 1);
    crossHairs_[i].OnChange = [this] { RepaintIfAuto(); };
  }
  for (auto& label : textLabels_) {
    label.Font = font_;
    label.OnChange = [this] { RepaintIfAuto(); };
  }
  jointLayers_ = std::make_unique<TJointLayers>(*this);
  jointLayers_->OnChange = [this] { RepaintIfAuto(); };
  bakGndImg_.OnChange = [this] { RepaintIfAuto(); };

  dataPicture_ =
      platform::CreateBitmap(std::max(DataAreaWidth(), 0), std::max(DataAreaHeight(), 0));
  framePicture_ = platform::CreateBitmap(Width(), Height());
  auxPicture_ = platform::CreateBitmap(10, 10);
  const platform::TPoint aspect = auxPicture_->GetCanvas().PixelAspect();
  aspectX_ = aspect.X;
  aspectY_ = aspect.Y;

  for (int n = 1; n <= kNumLayers; ++n) {
    const int i = n - 1;
    for (bool horizontal : {true, false}) {
      auto scale = std::make_unique<TScale>();
      scale->SetPaintSuppressed(true);
      scale->SetEmbedded(true);
      scale->SetRenderTarget(&framePicture_->GetCanvas(), 0, 0);
      scale->OnScaleTickDrawn = [this](TScale&, platform::Canvas& c, TScaleType t, double pos,
                                       int x, int y) {
        if (OnScaleTickDrawn) OnScaleTickDrawn(*this, c, t, pos, x, y);
      };
      scale->OnBeforeTickLabel = [this](TScale&, TScaleType t, double pos, std::string& label) {
        if (OnBeforeTickLabel) OnBeforeTickLabel(*this, t, pos, label);
      };
      (horizontal ? xScales_ : yScales_)[i] = std::move(scale);
      (horizontal ? xScaleNames_ : yScaleNames_)[i] =
          (horizontal ? "RC_FScale_X_" : "RC_FScale_Y_") + std::to_string(n);
    }
    xProps_[i] = std::make_unique<TScalePropsHoriz>();
    yProps_[i] = std::make_unique<TScalePropsVert>();
    for (TScaleProps* p : {static_cast<TScaleProps*>(xProps_[i].get()),
                           static_cast<TScaleProps*>(yProps_[i].get())}) {
      p->SetColorScale(kLayerColors[i]);
    }
    xProps_[i]->SetScaleLocation(n % 2 ? slBottom : slTop);
    xProps_[i]->SetScalePos(((n - 1) / 2) * 30);
    yProps_[i]->SetScaleLocation(n % 2 ? slLeft : slRight);
    yProps_[i]->SetScalePos(((n - 1) / 2) * 50);
  }
  for (int i = 0; i < kNumLayers; ++i) {
    xProps_[i]->OnChange = [this] { ScalePropsChanged(); };
    yProps_[i]->OnChange = [this] { ScalePropsChanged(); };
  }

  holdPaint_ = true;
  SetBounds(Left(), Top(), 280, 200);
  SetStandardLayout(rcl_X1Bottom_Y1Left);

  for (int n = 1; n <= kNumLayers; ++n) {
    for (TScale* s : {&XScale(n), &YScale(n)}) {
      s->SetTransparent(true);
      s->SetColorBackGnd(windColor_);
      s->SetFrameStyle(fsNone);
    }
    ApplyScaleProps(XScale(n), ScaleX(n));
    ApplyScaleProps(YScale(n), ScaleY(n));
    SetScaleSizeAndMargins(n);
  }
  autoRedraw_ = true;
}

TVArori::~TVArori() {
  // Nobody keeps a reference to a chart that is gone: sharers keep a copy of the list, and
  // the owner forgets this sharer.
  for (TVArori* sharer : sharers_) {
    sharer->list_ = list_;
    sharer->useDataOf_ = nullptr;
  }
  sharers_.clear();
  LeaveOwner();
  for (auto& p : xProps_) p->OnChange = nullptr;
  for (auto& p : yProps_) p->OnChange = nullptr;
}

// ---- loading

void TVArori::BeginLoading() {
  loading_ = true;
  for (auto& p : xProps_) p->SetLoading(true);
  for (auto& p : yProps_) p->SetLoading(true);
}

void TVArori::Loaded() {
  loading_ = false;
  for (int n = 1; n <= kNumLayers; ++n) {
    ApplyScaleProps(XScale(n), ScaleX(n));
    ApplyScaleProps(YScale(n), ScaleY(n));
  }
  for (auto& p : xProps_) p->SetLoading(false);
  for (auto& p : yProps_) p->SetLoading(false);
  for (auto& s : xScales_) s->Loaded();
  for (auto& s : yScales_) s->Loaded();
  ComputeMapping();
  Repaint();
}

void TVArori::HostChanged() {
  // Getting a window is the moment painting may start.
  if (Host()) holdPaint_ = false;
}

// ---- geometry

Wide TVArori::DataRight() const {
  return Wide(Width()) - mr_ - sw_;
}

Wide TVArori::DataBottom() const {
  return Wide(Height()) - mb_ - sw_;
}

int TVArori::DataAreaWidth() const {
  return ClampInt(std::max<Wide>(DataRight() - ml_ + 1, 0));
}

int TVArori::DataAreaHeight() const {
  return ClampInt(std::max<Wide>(DataBottom() - mt_ + 1, 0));
}

void TVArori::SetMarginLeft(int n) {
  SetMargin(Margin::Left, n);
}
void TVArori::SetMarginRight(int n) {
  SetMargin(Margin::Right, n);
}
void TVArori::SetMarginTop(int n) {
  SetMargin(Margin::Top, n);
}
void TVArori::SetMarginBottom(int n) {
  SetMargin(Margin::Bottom, n);
}
void TVArori::SetShadowWidth(int n) {
  SetMargin(Margin::Shadow, n);
}

void TVArori::SetMargin(Margin which, int value) {
  switch (which) {
    case Margin::Left:
      ml_ = value;
      break;
    case Margin::Right:
      mr_ = value;
      break;
    case Margin::Top:
      mt_ = value;
      break;
    case Margin::Bottom:
      mb_ = value;
      break;
    case Margin::Shadow:
      sw_ = std::clamp(value, 0, 32);
      break;
  }
  dataPicture_->SetSize(DataAreaWidth(), DataAreaHeight());
  const bool shadow = which == Margin::Shadow;
  for (int n = 1; n <= kNumLayers; ++n) {
    if (isometric_ && !shadow) IsometricAdjust(n);
    ApplyScaleProps(XScale(n), ScaleX(n));
    ApplyScaleProps(YScale(n), ScaleY(n));
    PassMarginsToScales(n, which == Margin::Left, which == Margin::Right || shadow,
                        which == Margin::Top, which == Margin::Bottom || shadow);
  }
  ComputeMapping();
  RepaintIfAuto();
}

void TVArori::PassMarginsToScales(int layer, bool left, bool right, bool top, bool bottom) {
  if (left) XScale(layer).SetMarginLeft(ml_);
  if (right) XScale(layer).SetMarginRight(ClampInt(Wide(mr_) + sw_ - 1));
  if (top) YScale(layer).SetMarginTop(mt_);
  if (bottom) YScale(layer).SetMarginBottom(ClampInt(Wide(mb_) + sw_ - 1));
}

void TVArori::SetScaleSizeAndMargins(int layer) {
  XScale(layer).SetBounds(0, 0, Width(), Height());
  YScale(layer).SetBounds(0, 0, Width(), Height());
  PassMarginsToScales(layer, true, true, true, true);
}

void TVArori::SetBounds(int left, int top, int width, int height) {
  PaintHold hold(*this);
  height = ClampInt(std::max<Wide>(height, Wide(mt_) + 20 + mb_ + sw_));
  width = ClampInt(std::max<Wide>(width, Wide(ml_) + 80 + mr_ + sw_));
  Control::SetBounds(left, top, width, height);
  for (int n = 1; n <= kNumLayers; ++n) {
    if (isometric_) IsometricAdjust(n);
    ApplyScaleProps(XScale(n), ScaleX(n));
    ApplyScaleProps(YScale(n), ScaleY(n));
    SetScaleSizeAndMargins(n);
  }
  Control::SetBounds(left, top, width, height);
  ComputeMapping();
}

// ---- appearance setters

void TVArori::SetShadowStyle(TShadowStyle s) {
  shadowStyle_ = s;
  RepaintIfAuto();
}
void TVArori::SetShadowColor(TColor c) {
  shadowColor_ = c;
  RepaintIfAuto();
}
void TVArori::SetShadowBakColor(TColor c) {
  shadowBakColor_ = c;
  RepaintIfAuto();
}
void TVArori::SetWindColor(TColor c) {
  windColor_ = c;
  RepaintIfAuto();
}
void TVArori::SetChartColor(TColor c) {
  chartColor_ = c;
  RepaintIfAuto();
}
void TVArori::SetChartFrameColor(TColor c) {
  chartFrameColor_ = c;
  RepaintIfAuto();
}
void TVArori::SetGridStyle(GridStyleType s) {
  gridStyle_ = s;
  RepaintIfAuto();
}
void TVArori::SetGridColor(TColor c) {
  gridColor_ = c;
  RepaintIfAuto();
}
void TVArori::SetGridDx(double v) {
  if (v < -3) return;
  gridDx_ = v;
  RepaintIfAuto();
}
void TVArori::SetGridDy(double v) {
  if (v < -3) return;
  gridDy_ = v;
  RepaintIfAuto();
}
void TVArori::SetCaption(const std::string& s) {
  caption_ = s;
  RepaintIfAuto();
}
void TVArori::SetCaptionPosX(int n) {
  captionPosX_ = n;
  RepaintIfAuto();
}
void TVArori::SetCaptionPosY(int n) {
  captionPosY_ = n;
  RepaintIfAuto();
}
void TVArori::SetCaptionAlignment(TAlignment a) {
  captionAlignment_ = a;
  RepaintIfAuto();
}
void TVArori::SetCaptionAnchorHoriz(TCaptionAnchorHoriz a) {
  captionAnchorHoriz_ = a;
  RepaintIfAuto();
}
void TVArori::SetCaptionAnchorVert(TCaptionAnchorVert a) {
  captionAnchorVert_ = a;
  RepaintIfAuto();
}
void TVArori::SetFont(const platform::Font& f) {
  font_ = f;
  RepaintIfAuto();
}
void TVArori::SetTextFontStyle(unsigned s) {
  textFontStyle_ = s;
  RepaintIfAuto();
}
void TVArori::SetTextBkStyle(TTextBkg s) {
  textBkStyle_ = s;
  RepaintIfAuto();
}
void TVArori::SetTextBkColor(TColor c) {
  textBkColor_ = c;
  RepaintIfAuto();
}
void TVArori::SetTextAlignment(TAlignment a) {
  textAlignment_ = a;
  RepaintIfAuto();
}

void TVArori::SetClassDefault(std::uint8_t c) {
  if (c != 255) classDefault_ = c;
}

void TVArori::SetIsometric(bool b) {
  isometric_ = b;
  if (!b) return;
  for (int n = 1; n <= kNumLayers; ++n) IsometricAdjust(n);
  RepaintIfAuto();
}

void TVArori::SetStandardLayout(TrcLayout layout) {
  standardLayout_ = layout;
  const bool old = holdPaint_;
  {
    PaintHold hold(*this);
    ApplyLayout(layout);
  }
  EndHold(old);
}

void TVArori::ApplyLayout(TrcLayout layout) {
  const LayoutRow& row = kLayoutRows[layout];
  SetMarginBottom(row.Bottom);
  SetMarginTop(row.Top);
  SetMarginLeft(row.Left);
  SetMarginRight(row.Right);
  SetCaptionPosX(row.CaptionX);
  SetCaptionPosY(row.CaptionY);
  SetCaptionAlignment(row.Alignment);
  SetCaptionAnchorHoriz(row.AnchorH);
  SetCaptionAnchorVert(row.AnchorV);
  std::array<ScaleSetting, 4> x, y;
  LayoutScales(layout, x, y);
  for (int n = 1; n <= 4; ++n) {
    ApplySetting(ScaleX(n), x[n - 1]);
    ApplySetting(ScaleY(n), y[n - 1]);
  }
  for (int n = 5; n <= kNumLayers; ++n) {
    ScaleX(n).SetVisible(false);
    ScaleY(n).SetVisible(false);
  }
  for (int n = 1; n <= kNumLayers; ++n) {
    ApplyScaleProps(XScale(n), ScaleX(n));
    ApplyScaleProps(YScale(n), ScaleY(n));
  }
}

void TVArori::HoldPainting(bool hold) {
  const bool was = holdPaint_;
  holdPaint_ = hold;
  if (was && !hold) Repaint();
}

void TVArori::RepaintIfAuto() {
  if (autoRedraw_) Repaint();
}

// ---- owned objects

TScalePropsHoriz& TVArori::ScaleX(int layer) {
  return *xProps_[std::clamp(layer, 1, kNumLayers) - 1];
}
TScalePropsVert& TVArori::ScaleY(int layer) {
  return *yProps_[std::clamp(layer, 1, kNumLayers) - 1];
}
TScale& TVArori::XScale(int layer) {
  return *xScales_[std::clamp(layer, 1, kNumLayers) - 1];
}
TScale& TVArori::YScale(int layer) {
  return *yScales_[std::clamp(layer, 1, kNumLayers) - 1];
}
const std::string& TVArori::XScaleName(int layer) const {
  return xScaleNames_[std::clamp(layer, 1, kNumLayers) - 1];
}
const std::string& TVArori::YScaleName(int layer) const {
  return yScaleNames_[std::clamp(layer, 1, kNumLayers) - 1];
}
TCrossHair& TVArori::CrossHair(int n) {
  return crossHairs_[std::clamp(n, 1, kNumCrossHairs) - 1];
}
TTextLabel& TVArori::TextLabel(int n) {
  return textLabels_[std::clamp(n, 1, kNumTextLabels) - 1];
}

// ---- display list and sharing

DisplayList& TVArori::List() {
  return useDataOf_ ? useDataOf_->list_ : list_;
}

const DisplayList& TVArori::List() const {
  return useDataOf_ ? useDataOf_->list_ : list_;
}

void TVArori::SetAllocSize(int n) {
  if (n >= 1 && n <= 1000000) allocSize_ = n;
}

ChartItem TVArori::MakeItem(std::uint8_t kind, double x, double y, std::uint8_t markType) const {
  // The item keeps the properties of this moment; fields its kind does not use stay zero.
  ChartItem item;
  item.X = x;
  item.Y = y;
  item.Kind = kind;
  item.Layer = activeLayer_;
  item.ClassNumber = classDefault_;
  item.Color = dataColor_;
  item.PenStyle = std::uint8_t(penStyle_);
  item.LineWidth = lineWidth_;
  if (kind == ikLine) item.FillColor = fillColor_;
  if (kind == ikMark) item.MarkType = markType;
  return item;
}

void TVArori::AppendItem(std::uint8_t kind, double x, double y, std::uint8_t markType) {
  List().Append(MakeItem(kind, x, y, markType), allocSize_);
}

void TVArori::AddMark(double x, double y, std::uint8_t markType) {
  AppendItem(ikMark, x, y, markType);
}

void TVArori::AddMarks(std::span<const DataPoint> points, std::uint8_t markType) {
  DisplayList& list = List();
  list.Reserve(static_cast<long long>(list.Count()) + static_cast<long long>(points.size()),
               allocSize_);
  ChartItem item = MakeItem(ikMark, 0, 0, markType);
  for (const DataPoint& p : points) {
    item.X = p.x;
    item.Y = p.y;
    list.Append(item, allocSize_);
  }
}

void TVArori::AddMovePoint(double x, double y) {
  AppendItem(ikMove, x, y, 0);
}

void TVArori::AddLinePoint(double x, double y) {
  AppendItem(ikLine, x, y, 0);
}

void TVArori::ClearItems() {
  PaintDataBackground(dataPicture_->GetCanvas(), 0, 0);
  List().Clear();
}

void TVArori::DropLastItem() {
  List().DropLast();
}

std::uint8_t TVArori::LastItemKind() const {
  const DisplayList& list = List();
  return list.Count() == 0 ? std::uint8_t(ikNone) : list.At(list.Count() - 1).Kind;
}

void TVArori::ShowItems() {
  if (Visible()) {
    if (!autoRedraw_) {
      Repaint();
    } else if (Host() && !loading_) {
      MatchPictureRatio();
      PaintDataBackground(dataPicture_->GetCanvas(), 0, 0);
      RenderItems(dataPicture_->GetCanvas(), 0, 0, false, false);
      CopyToScreen(ml_, mt_, GetCanvas(), *dataPicture_);
      Host()->FlushHost();
    }
  }
  RefreshShared();
}

void TVArori::RefreshShared() {
  auto refresh = [](TVArori* c) {
    if (c->autoRedraw_) c->Repaint();
  };
  if (useDataOf_) {
    refresh(useDataOf_);
    for (TVArori* c : useDataOf_->sharers_) refresh(c);
  }
  for (TVArori* c : sharers_) refresh(c);
}

void TVArori::LeaveOwner() {
  if (!useDataOf_) return;
  auto& s = useDataOf_->sharers_;
  s.erase(std::remove(s.begin(), s.end(), this), s.end());
}

void TVArori::SetUseDataOf(TVArori* chart) {
  if (chart == useDataOf_) return;
  if (chart == this) {
    platform::InformationBox("VArori: Cannot share data with myself");
    return;
  }
  if (chart == nullptr) {
    list_ = useDataOf_->list_;
    LeaveOwner();
    useDataOf_ = nullptr;
    RepaintIfAuto();
    return;
  }
  if (!sharers_.empty()) {
    platform::InformationBox(
        "VArori: Cannot use foreign data. Other VAroris are using my own data.");
    return;
  }
  TVArori* owner = chart->useDataOf_ ? chart->useDataOf_ : chart;
  if (owner == useDataOf_) return;
  if (owner == this) {
    platform::InformationBox("VArori: Cannot share data with myself");
    return;
  }
  if (owner->sharers_.size() >= 4) {
    platform::InformationBox("VArori: Max. number of data shares exceeded");
    return;
  }
  LeaveOwner();
  useDataOf_ = owner;
  list_.Clear();
  owner->sharers_.push_back(this);
  RepaintIfAuto();
}
