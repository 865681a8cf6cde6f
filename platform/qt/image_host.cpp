#include "platform/qt/image_host.h"

#include <algorithm>

#include "platform/qt/qt_bitmap.h"

namespace platform_qt {

ImageHost::ImageHost(platform::Control& control, double ratio)
    : control_(control), ratio_(ratio > 0 ? ratio : 1.0), canvas_(&image_) {
  control_.SetHost(this);
  Sync();
}

ImageHost::~ImageHost() {
  if (control_.Host() == this) control_.SetHost(nullptr);
}

void ImageHost::Sync() {
  const QSize size(std::max(control_.Width(), 0), std::max(control_.Height(), 0));
  if (size == size_ && !image_.isNull()) return;
  size_ = size;
  const QSize device = DeviceSize(size.width(), size.height(), ratio_);
  image_ = ResizedImage(QImage(), device.width(), device.height());
  image_.setDevicePixelRatio(ratio_);
}

platform::Canvas& ImageHost::ScreenCanvas() {
  Sync();
  return canvas_;
}

const QImage& ImageHost::Render() {
  Sync();
  control_.Paint();
  return image_;
}

}  // namespace platform_qt
