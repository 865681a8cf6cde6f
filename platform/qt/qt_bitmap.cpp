#include "platform/qt/qt_bitmap.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>

namespace platform_qt {

QImage ResizedImage(const QImage& image, int width, int height) {
  QImage resized(std::max(width, 0), std::max(height, 0), QImage::Format_RGB32);
  resized.fill(Qt::white);
  if (!image.isNull() && !resized.isNull()) {
    const QImage source = image.format() == QImage::Format_RGB32
                              ? image
                              : image.convertToFormat(QImage::Format_RGB32);
    const int w = std::min(source.width(), resized.width());
    for (int y = 0; y < std::min(source.height(), resized.height()); ++y)
      std::memcpy(resized.scanLine(y), source.constScanLine(y), std::size_t(w) * sizeof(QRgb));
  }
  resized.setDevicePixelRatio(image.devicePixelRatio());
  return resized;
}

QSize DeviceSize(int width, int height, double ratio) {
  auto device = [ratio](int logical) {
    const double d = std::floor(std::max(logical, 0) * ratio + 0.5);
    return d > std::numeric_limits<int>::max() / 8 ? 0 : int(d);
  };
  const int w = device(width), h = device(height);
  return w == 0 || h == 0 ? QSize(0, 0) : QSize(w, h);
}

QtBitmap::QtBitmap(int width, int height)
    : width_(std::max(width, 0)),
      height_(std::max(height, 0)),
      image_(ResizedImage(QImage(), DeviceSize(width, height, 1.0).width(),
                          DeviceSize(width, height, 1.0).height())),
      canvas_(&image_) {}

void QtBitmap::SetSize(int width, int height) {
  width = std::max(width, 0);
  height = std::max(height, 0);
  if (width == width_ && height == height_) return;
  width_ = width;
  height_ = height;
  const QSize device = DeviceSize(width, height, ratio_);
  image_ = ResizedImage(image_, device.width(), device.height());
  image_.setDevicePixelRatio(ratio_);
}

void QtBitmap::SetPixelRatio(double ratio) {
  if (!(ratio > 0) || ratio == ratio_) return;
  ratio_ = ratio;
  const QSize device = DeviceSize(width_, height_, ratio_);
  QImage rescaled = image_.isNull() || device.isEmpty()
                        ? ResizedImage(QImage(), device.width(), device.height())
                        : image_.scaled(device, Qt::IgnoreAspectRatio, Qt::FastTransformation);
  if (rescaled.format() != QImage::Format_RGB32)
    rescaled = rescaled.convertToFormat(QImage::Format_RGB32);
  image_ = rescaled;
  image_.setDevicePixelRatio(ratio_);
}

bool QtBitmap::LoadFromFile(const std::string& fileName) {
  QImage loaded;
  if (fileName.empty() || !loaded.load(QString::fromStdString(fileName))) return false;
  image_ = loaded.convertToFormat(QImage::Format_RGB32);
  image_.setDevicePixelRatio(1.0);
  ratio_ = 1.0;
  width_ = image_.width();
  height_ = image_.height();
  return true;
}

}  // namespace platform_qt
