#pragma once

#include <array>
#include <functional>
#include <string>

#include "chart/chart_types.h"
#include "platform/graphics.h"
#include "scale/scale_types.h"

// The small objects a chart owns besides its scales. Every setter stores and raises OnChange,
// through which the chart repaints.

class TCrossHair {
 public:
  double PosX() const { return posX_; }
  void SetPosX(double v) { Store(posX_, v); }
  double PosY() const { return posY_; }
  void SetPosY(double v) { Store(posY_, v); }
  platform::TColor Color() const { return color_; }
  void SetColor(platform::TColor c) { Store(color_, c); }
  int Layer() const { return layer_; }
  void SetLayer(int n);
  TCrossHMode Mode() const { return mode_; }
  void SetMode(TCrossHMode m) { Store(mode_, m); }
  platform::TPenStyle LineType() const { return lineType_; }
  void SetLineType(platform::TPenStyle s) { Store(lineType_, s); }
  int LineWid() const { return lineWid_; }
  void SetLineWid(int n) { Store(lineWid_, n); }

  std::function<void()> OnChange;

 private:
  template <class T>
  void Store(T& field, T v) {
    field = v;
    if (OnChange) OnChange();
  }

  double posX_ = 0;
  double posY_ = 0;
  platform::TColor color_ = platform::clBlack;
  int layer_ = 1;
  TCrossHMode mode_ = chOff;
  platform::TPenStyle lineType_ = platform::psSolid;
  int lineWid_ = 1;
};

enum TTextLabelMode { tlOff, tlSimple, tlBox, tlUnderline };
enum TTextLabelAttach { tlamNone, tlamX, tlamY, tlamBoth };
enum TVertAlignment { vaTop, vaCenter, vaBottom };

// A caption the chart can place over its data; this program keeps all of them hidden.
class TTextLabel {
 public:
  double PosX = 0;
  double PosY = 0;
  int Layer = 1;
  TTextLabelAttach AttachToData = tlamBoth;
  TAlignment Alignment = taCenter;
  TVertAlignment VerticalAlignment = vaBottom;
  platform::TColor ColorBkg = platform::clWhite;
  platform::TColor ColorBorder = platform::clBlack;
  int ShadowDx = 3;
  int ShadowDy = 3;
  platform::TColor ColorShadow = platform::clGray;
  bool Transparent = false;
  std::string Caption;
  platform::Font Font;
  bool Visible = false;
  TTextLabelMode Mode = tlOff;

  // Call after changing a field.
  void Changed() const {
    if (OnChange) OnChange();
  }
  std::function<void()> OnChange;
};

class TVArori;

// Which layer controls the x and the y range of each layer; every layer controls itself at
// first. The setters check the joining rules and raise EKovixVAroriError when one is broken.
class TJointLayers {
 public:
  explicit TJointLayers(TVArori& chart);

  // layer and the result 1..16.
  int XControlledBy(int layer) const { return x_[Index(layer)]; }
  int YControlledBy(int layer) const { return y_[Index(layer)]; }
  void SetXControlledBy(int layer, int controller) { SetControlledBy(true, layer, controller); }
  void SetYControlledBy(int layer, int controller) { SetControlledBy(false, layer, controller); }

  std::function<void()> OnChange;

 private:
  static int Index(int layer);
  void SetControlledBy(bool horizontal, int layer, int controller);

  TVArori& chart_;
  std::array<int, kNumLayers> x_;
  std::array<int, kNumLayers> y_;
};

// The data area's background picture and a coloured area given in world coordinates.
class TBakGndImg {
 public:
  const std::string& Name() const { return name_; }
  // Without IncludePath the directory part is dropped.
  void SetName(const std::string& s);
  bool IncludePath() const { return includePath_; }
  void SetIncludePath(bool b);
  TBkgFill FillMode() const { return fillMode_; }
  void SetFillMode(TBkgFill m) { Store(fillMode_, m); }
  TBGAreaMode AreaMode() const { return areaMode_; }
  void SetAreaMode(TBGAreaMode m) { Store(areaMode_, m); }
  platform::TColor AreaColor() const { return areaColor_; }
  void SetAreaColor(platform::TColor c) { Store(areaColor_, c); }
  double AreaLeft() const { return areaLeft_; }
  void SetAreaLeft(double v) { Store(areaLeft_, v); }
  double AreaRight() const { return areaRight_; }
  void SetAreaRight(double v) { Store(areaRight_, v); }
  double AreaTop() const { return areaTop_; }
  void SetAreaTop(double v) { Store(areaTop_, v); }
  double AreaBottom() const { return areaBottom_; }
  void SetAreaBottom(double v) { Store(areaBottom_, v); }

  // An image that cannot be loaded is forgotten without a word (and without OnChange: the
  // chart finds out while it paints).
  void DropName() { name_.clear(); }

  std::function<void()> OnChange;

 private:
  template <class T>
  void Store(T& field, T v) {
    field = v;
    if (OnChange) OnChange();
  }

  std::string name_;
  bool includePath_ = false;
  TBkgFill fillMode_ = bfStretch;
  TBGAreaMode areaMode_ = bamNone;
  platform::TColor areaColor_ = 0xDDDDDD;
  double areaLeft_ = -1;
  double areaRight_ = 1;
  double areaTop_ = 1;
  double areaBottom_ = -1;
};
