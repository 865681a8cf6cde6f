#pragma once

#include <QImage>

#include "platform/qt/qt_canvas.h"

namespace platform_qt {

// An off-screen picture on a QImage. A new or grown area is white.
class QtBitmap : public platform::Bitmap {
 public:
  QtBitmap(int width = 0, int height = 0);
  QtBitmap(const QtBitmap&) = delete;
  QtBitmap& operator=(const QtBitmap&) = delete;

  platform::Canvas& GetCanvas() override { return canvas_; }
  int Width() const override { return image_.width(); }
  int Height() const override { return image_.height(); }
  void SetSize(int width, int height) override;
  bool LoadFromFile(const std::string& fileName) override;
  const QImage& Image() const { return image_; }

 private:
  QImage image_;
  QtCanvas canvas_;
};

// Image and its picture in RGB32, with the area outside the old picture white.
QImage ResizedImage(const QImage& image, int width, int height);

}  // namespace platform_qt
