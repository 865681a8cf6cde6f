#pragma once

#include "platform/canvas.h"

namespace platform {

enum TMouseButton { mbLeft, mbRight, mbMiddle };

// Shift state bits of mouse events.
enum TShiftStateBit : unsigned {
  ssShift = 1,
  ssAlt = 2,
  ssCtrl = 4,
  ssLeft = 8,
  ssRight = 16,
  ssMiddle = 32,
  ssDouble = 64,
};
using TShiftState = unsigned;

// What a control needs of the window that shows it: its screen image and a way to get it
// onto the screen. The Qt host widget implements it; tests may use their own.
class ControlHost {
 public:
  virtual ~ControlHost() = default;
  // The control's screen image, sized to the control.
  virtual Canvas& ScreenCanvas() = 0;
  // Schedule a paint; the host then calls Control::Paint.
  virtual void InvalidateHost() = 0;
  // Show what was drawn into the screen image now.
  virtual void FlushHost() = 0;
  // The control's bounds changed; the host follows them.
  virtual void BoundsChanged() = 0;
  // Puts the parent's picture under the control into the screen image, for a control that lets
  // the parent show through. A host without a parent leaves the image as it is.
  virtual void CopyParentBackground() {}
};

// Base of the window-less controls (chart, scale, numeric label): bounds, visibility,
// enabled state, painting and mouse events, all in client pixels.
class Control {
 public:
  Control() = default;
  virtual ~Control() = default;
  Control(const Control&) = delete;
  Control& operator=(const Control&) = delete;

  int Left() const { return left_; }
  int Top() const { return top_; }
  int Width() const { return width_; }
  int Height() const { return height_; }
  // Negative sizes are taken as 0. Controls with a minimum size or their own layout override it;
  // they call this one to store.
  virtual void SetBounds(int left, int top, int width, int height);
  void SetWidth(int width) { SetBounds(left_, top_, width, height_); }
  void SetHeight(int height) { SetBounds(left_, top_, width_, height); }

  bool Visible() const { return visible_; }
  virtual void SetVisible(bool visible);
  bool Enabled() const { return enabled_; }
  virtual void SetEnabled(bool enabled);

  void SetHost(ControlHost* host) {
    host_ = host;
    HostChanged();
  }
  ControlHost* Host() const { return host_; }
  bool HasCanvas() const { return host_ != nullptr; }
  // The screen image; only valid while a host is attached.
  Canvas& GetCanvas() { return host_->ScreenCanvas(); }

  // Paint later.
  void Invalidate();
  // Paint now and show the result.
  void Repaint();
  // The parent's picture under the control into the screen image (see ControlHost).
  void CopyParentBackground() {
    if (host_) host_->CopyParentBackground();
  }

  // Draws the control onto its screen canvas; called by Repaint and by the host.
  virtual void Paint() {}

  virtual void MouseDown(TMouseButton, TShiftState, int /*x*/, int /*y*/) {}
  virtual void MouseUp(TMouseButton, TShiftState, int /*x*/, int /*y*/) {}
  virtual void MouseMove(TShiftState, int /*x*/, int /*y*/) {}
  virtual void DblClick() {}
  virtual void MouseEnter() {}
  virtual void MouseLeave() {}

 protected:
  // After the size changed.
  virtual void Resized() {}
  // After a host was attached or detached.
  virtual void HostChanged() {}

 private:
  int left_ = 0;
  int top_ = 0;
  int width_ = 0;
  int height_ = 0;
  bool visible_ = true;
  bool enabled_ = true;
  ControlHost* host_ = nullptr;
};

}  // namespace platform
