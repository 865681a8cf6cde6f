#include "platform/qt/qt_bitmap.h"

#include <QPainter>
#include <algorithm>

namespace platform_qt {

QImage ResizedImage(const QImage& image, int width, int height) {
  QImage resized(std::max(width, 0), std::max(height, 0), QImage::Format_RGB32);
  resized.fill(Qt::white);
  if (!image.isNull() && !resized.isNull()) {
    QPainter p(&resized);
    p.drawImage(0, 0, image);
  }
  return resized;
}

QtBitmap::QtBitmap(int width, int height)
    : image_(ResizedImage(QImage(), width, height)), canvas_(&image_) {}

void QtBitmap::SetSize(int width, int height) {
  if (width == Width() && height == Height()) return;
  image_ = ResizedImage(image_, width, height);
}

bool QtBitmap::LoadFromFile(const std::string& fileName) {
  QImage loaded;
  if (fileName.empty() || !loaded.load(QString::fromStdString(fileName))) return false;
  image_ = loaded.convertToFormat(QImage::Format_RGB32);
  return true;
}

}  // namespace platform_qt
