#pragma once

#include <functional>
#include <string>

#include "chart/chart_types.h"
#include "platform/graphics.h"
#include "scale/date_label.h"
#include "scale/scale_types.h"

// The settings of one axis of one chart layer: its range with the rules that keep it usable,
// and what the chart copies into the axis scale. Every change raises OnChange.
class TScaleProps {
 public:
  static constexpr double kLogMinimum = 1e-100;

  TScaleProps(const TScaleProps&) = delete;
  TScaleProps& operator=(const TScaleProps&) = delete;
  virtual ~TScaleProps();

  double RangeLow() const { return rangeLow_; }
  void SetRangeLow(double v);
  double RangeHigh() const { return rangeHigh_; }
  void SetRangeHigh(double v);
  double MinRange() const { return minRange_; }
  void SetMinRange(double v);
  // Writes both bounds as they are, without notification (the chart's own range changes).
  void WriteRange(double low, double high);

  bool Logarithmic() const { return logarithmic_; }
  void SetLogarithmic(bool b);
  TFigType LabelType() const { return labelType_; }
  void SetLabelType(TFigType t);
  int DecPlaces() const { return decPlaces_; }
  void SetDecPlaces(int n);
  int MinTicks() const { return minTicks_; }
  void SetMinTicks(int n);
  bool ShortTicks() const { return shortTicks_; }
  void SetShortTicks(bool b);
  bool Visible() const { return visible_; }
  void SetVisible(bool b);
  const std::string& Caption() const { return caption_; }
  void SetCaption(const std::string& s);
  int CaptionPosX() const { return captionPosX_; }
  void SetCaptionPosX(int n);
  int CaptionPosY() const { return captionPosY_; }
  void SetCaptionPosY(int n);
  TAlignment CaptionAlignment() const { return captionAlignment_; }
  void SetCaptionAlignment(TAlignment a);
  TScaleUnitAnchor CaptionAnchor() const { return captionAnchor_; }
  void SetCaptionAnchor(TScaleUnitAnchor a);
  platform::TColor ColorScale() const { return colorScale_; }
  void SetColorScale(platform::TColor c);
  const std::string& ScaleInscript() const { return scaleInscript_; }
  void SetScaleInscript(const std::string& s);
  const std::string& UserTickText() const { return userTickText_; }
  void SetUserTickText(const std::string& s);
  const platform::Font& Font() const { return font_; }
  void SetFont(const platform::Font& f);
  TDTLabel& DateFormat() { return dateFormat_; }
  const TDTLabel& DateFormat() const { return dateFormat_; }

  // Kept in two fields, one for horizontal and one for vertical locations.
  int ScalePos() const { return Horizontal() ? scalePosHoriz_ : scalePosVert_; }
  void SetScalePos(int n);
  TScaleLocation ScaleLocation() const { return location_; }
  // The axis scale's type for this location: the labels lie outside the data area.
  TScaleType ScaleTypeForChart() const;

  // While the owning chart loads, Logarithmic is taken without checks.
  bool Loading() const { return loading_; }
  void SetLoading(bool b) { loading_ = b; }

  std::function<void()> OnChange;

 protected:
  explicit TScaleProps(TScaleLocation location);
  void StoreLocation(TScaleLocation l);
  bool Horizontal() const { return location_ == slTop || location_ == slBottom; }
  void Changed() const;

 private:
  double rangeLow_ = 0;
  double rangeHigh_ = 1;
  double minRange_ = 1e-10;
  bool logarithmic_ = false;
  TFigType labelType_ = ftNum;
  int decPlaces_ = -2;
  int minTicks_ = 3;
  bool shortTicks_ = true;
  bool visible_ = false;
  std::string caption_;
  int captionPosX_ = 0;
  int captionPosY_ = 0;
  TAlignment captionAlignment_ = taCenter;
  TScaleUnitAnchor captionAnchor_ = uaSclTopLft;
  platform::TColor colorScale_ = platform::clBlack;
  std::string scaleInscript_;
  std::string userTickText_;
  platform::Font font_;
  TDTLabel dateFormat_;
  int scalePosHoriz_ = 0;
  int scalePosVert_ = 0;
  TScaleLocation location_;
  bool loading_ = true;
};

class TScalePropsHoriz : public TScaleProps {
 public:
  TScalePropsHoriz() : TScaleProps(slBottom) {}
  // slTop or slBottom; others are ignored.
  void SetScaleLocation(TScaleLocation l);
};

class TScalePropsVert : public TScaleProps {
 public:
  TScalePropsVert() : TScaleProps(slLeft) {}
  // slLeft or slRight; others are ignored.
  void SetScaleLocation(TScaleLocation l);
};

// Bounds that the mapping can use: finite, and different from each other. An infinite bound
// becomes the largest finite value of its sign; where the bounds are equal, the one named by
// moveHigh moves to the next double away from the other (or the other one does, at the end of
// the double range).
void SeparateBounds(double& low, double& high, bool moveHigh);
