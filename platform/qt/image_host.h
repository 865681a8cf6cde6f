#pragma once

#include <QImage>

#include "platform/control.h"
#include "platform/qt/qt_canvas.h"

namespace platform_qt {

// Shows a control on an image instead of a window: the picture as a file, drawn without a
// display. The image has the control's size in logical pixels times the ratio, with that
// devicePixelRatio; the control draws as it would on a screen of that ratio. The control must
// outlive the host.
class ImageHost : public platform::ControlHost {
 public:
  ImageHost(platform::Control& control, double ratio);
  ~ImageHost() override;
  ImageHost(const ImageHost&) = delete;
  ImageHost& operator=(const ImageHost&) = delete;

  // The control painted anew at its current size.
  const QImage& Render();
  const QImage& Image() const { return image_; }

  platform::Canvas& ScreenCanvas() override;
  void InvalidateHost() override {}
  void FlushHost() override {}
  void BoundsChanged() override { Sync(); }

 private:
  void Sync();

  platform::Control& control_;
  double ratio_;
  QSize size_;  // logical
  QImage image_;
  QtCanvas canvas_;
};

}  // namespace platform_qt
