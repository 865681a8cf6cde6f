#include "chart/chart_objects.h"

#include <algorithm>
#include <string>

#include "chart/varori.h"
#include "chart/varori_error.h"

void TCrossHair::SetLayer(int n) {
  Store(layer_, std::clamp(n, 1, kNumLayers));
}

TJointLayers::TJointLayers(TVArori& chart) : chart_(chart) {
  for (int i = 0; i < kNumLayers; ++i) x_[i] = y_[i] = i + 1;
}

int TJointLayers::Index(int layer) {
  return std::clamp(layer, 1, kNumLayers) - 1;
}

void TJointLayers::SetControlledBy(bool horizontal, int layer, int controller) {
  auto& ctl = horizontal ? x_ : y_;
  const int l = Index(layer) + 1;
  if (controller < 1 || controller > kNumLayers)
    throw EKovixVAroriError("Destination layer " + std::to_string(controller) + " is out of range");
  if (controller == l) {
    ctl[l - 1] = l;
    return;
  }
  if (ctl[controller - 1] != controller)
    throw EKovixVAroriError("Destination layer " + std::to_string(controller) +
                            " is already joined");
  std::string joined;
  for (int i = 1; i <= kNumLayers; ++i) {
    if (i != l && ctl[i - 1] == l) joined += (joined.empty() ? "" : ", ") + std::to_string(i);
  }
  if (!joined.empty())
    throw EKovixVAroriError("Layer " + std::to_string(l) + " is joined by other layers (" + joined +
                            ")");
  ctl[l - 1] = controller;
  chart_.TakeRangeOf(horizontal, l, controller);
  if (OnChange) OnChange();
}

namespace {
std::string WithoutDirectory(const std::string& s) {
  const auto slash = s.find_last_of("/\\");
  return slash == std::string::npos ? s : s.substr(slash + 1);
}
}  // namespace

void TBakGndImg::SetName(const std::string& s) {
  Store(name_, includePath_ ? s : WithoutDirectory(s));
}

void TBakGndImg::SetIncludePath(bool b) {
  includePath_ = b;
  if (!b) name_ = WithoutDirectory(name_);
  if (OnChange) OnChange();
}
