#include "chart/scale_props.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace {
constexpr double kMax = std::numeric_limits<double>::max();
constexpr double kInf = std::numeric_limits<double>::infinity();
}  // namespace

void SeparateBounds(double& low, double& high, bool moveHigh) {
  low = std::clamp(low, -kMax, kMax);
  high = std::clamp(high, -kMax, kMax);
  if (low != high) return;
  double& moving = moveHigh ? high : low;
  double& other = moveHigh ? low : high;
  const double away = moveHigh ? kInf : -kInf;
  moving = std::nextafter(moving, away);
  if (std::isinf(moving)) {
    moving = other;
    other = std::nextafter(other, -away);
  }
}

TScaleProps::TScaleProps(TScaleLocation location) : location_(location) {
  dateFormat_.OnChange = [this] { Changed(); };
}

TScaleProps::~TScaleProps() {
  dateFormat_.OnChange = nullptr;
}

void TScaleProps::Changed() const {
  if (OnChange) OnChange();
}

// A span below MinRange moves the other bound; a NaN is refused, an infinity taken as the
// largest finite value, so no bound is ever unusable for the mapping.
void TScaleProps::SetRangeLow(double v) {
  if (std::isnan(v)) return;
  v = std::clamp(v, -kMax, kMax);
  if (std::fabs(rangeHigh_ - v) < minRange_) {
    rangeLow_ = v;
    rangeHigh_ = v + minRange_;
    SeparateBounds(rangeLow_, rangeHigh_, true);
  } else if (!logarithmic_ || v >= kLogMinimum) {
    rangeLow_ = v;
  }
  Changed();
}

void TScaleProps::SetRangeHigh(double v) {
  if (std::isnan(v)) return;
  v = std::clamp(v, -kMax, kMax);
  if (std::fabs(rangeLow_ - v) < minRange_) {
    rangeHigh_ = v;
    rangeLow_ = v - minRange_;
    SeparateBounds(rangeLow_, rangeHigh_, false);
  } else if (!logarithmic_ || v >= kLogMinimum) {
    rangeHigh_ = v;
  }
  Changed();
}

void TScaleProps::SetMinRange(double v) {
  if (!(v > kLogMinimum) || std::isinf(v)) return;
  minRange_ = v;
  if (std::fabs(rangeHigh_ - rangeLow_) < v) {
    // Halved first, so that huge bounds do not overflow.
    const double m = rangeLow_ / 2 + rangeHigh_ / 2;
    rangeLow_ = m - v / 2;
    rangeHigh_ = m + v / 2;
    SeparateBounds(rangeLow_, rangeHigh_, true);
    Changed();
  }
}

void TScaleProps::WriteRange(double low, double high) {
  rangeLow_ = low;
  rangeHigh_ = high;
}

void TScaleProps::SetLogarithmic(bool b) {
  if (!b) {
    logarithmic_ = false;
  } else if (loading_ ||
             (rangeLow_ >= kLogMinimum && rangeHigh_ >= kLogMinimum && labelType_ != ftDateTime)) {
    logarithmic_ = true;
  }
  Changed();
}

void TScaleProps::SetLabelType(TFigType t) {
  labelType_ = t;
  if (t == ftDateTime) logarithmic_ = false;
  if (t == ftTime) decPlaces_ = 4;
  Changed();
}

void TScaleProps::SetDecPlaces(int n) {
  decPlaces_ = std::clamp(n, -3, 12);
  Changed();
}

void TScaleProps::SetMinTicks(int n) {
  minTicks_ = n;
  Changed();
}

void TScaleProps::SetShortTicks(bool b) {
  shortTicks_ = b;
  Changed();
}

void TScaleProps::SetVisible(bool b) {
  visible_ = b;
  Changed();
}

void TScaleProps::SetCaption(const std::string& s) {
  caption_ = s;
  Changed();
}

void TScaleProps::SetCaptionPosX(int n) {
  captionPosX_ = n;
  Changed();
}

void TScaleProps::SetCaptionPosY(int n) {
  captionPosY_ = n;
  Changed();
}

void TScaleProps::SetCaptionAlignment(TAlignment a) {
  captionAlignment_ = a;
  Changed();
}

void TScaleProps::SetCaptionAnchor(TScaleUnitAnchor a) {
  captionAnchor_ = a;
  Changed();
}

void TScaleProps::SetColorScale(platform::TColor c) {
  colorScale_ = c;
  Changed();
}

void TScaleProps::SetScaleInscript(const std::string& s) {
  scaleInscript_ = s;
  Changed();
}

void TScaleProps::SetUserTickText(const std::string& s) {
  userTickText_ = s;
  Changed();
}

void TScaleProps::SetFont(const platform::Font& f) {
  font_ = f;
  Changed();
}

void TScaleProps::SetScalePos(int n) {
  (Horizontal() ? scalePosHoriz_ : scalePosVert_) = n;
  Changed();
}

void TScaleProps::StoreLocation(TScaleLocation l) {
  location_ = l;
  Changed();
}

TScaleType TScaleProps::ScaleTypeForChart() const {
  switch (location_) {
    case slTop:
      return sctXB;
    case slBottom:
      return sctXT;
    case slLeft:
      return sctYR;
    case slRight:
      return sctYL;
  }
  return sctXT;
}

void TScalePropsHoriz::SetScaleLocation(TScaleLocation l) {
  if (l == slTop || l == slBottom) StoreLocation(l);
}

void TScalePropsVert::SetScaleLocation(TScaleLocation l) {
  if (l == slLeft || l == slRight) StoreLocation(l);
}
