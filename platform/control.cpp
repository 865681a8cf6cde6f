#include "platform/control.h"

#include <algorithm>

namespace platform {

void Control::SetBounds(int left, int top, int width, int height) {
  // A negative size means an empty control; the drawing code computes with sizes as they are.
  width = std::max(width, 0);
  height = std::max(height, 0);
  const bool resized = width != width_ || height != height_;
  if (!resized && left == left_ && top == top_) return;
  left_ = left;
  top_ = top;
  width_ = width;
  height_ = height;
  if (host_) host_->BoundsChanged();
  if (resized) Resized();
}

void Control::SetVisible(bool visible) {
  if (visible == visible_) return;
  visible_ = visible;
  if (host_) host_->BoundsChanged();
}

void Control::SetEnabled(bool enabled) {
  if (enabled == enabled_) return;
  enabled_ = enabled;
  Invalidate();
}

void Control::Invalidate() {
  if (host_) host_->InvalidateHost();
}

void Control::Repaint() {
  if (!host_ || !visible_) return;
  Paint();
  host_->FlushHost();
}

}  // namespace platform
