#pragma once

#include <QImage>

#include "platform/qt/qt_canvas.h"

namespace platform_qt {

// An off-screen picture on a QImage. A new or grown area is white. Sizes are logical; the image
// has the device pixels of its ratio.
class QtBitmap : public platform::Bitmap {
 public:
  QtBitmap(int width = 0, int height = 0);
  QtBitmap(const QtBitmap&) = delete;
  QtBitmap& operator=(const QtBitmap&) = delete;

  platform::Canvas& GetCanvas() override { return canvas_; }
  int Width() const override { return width_; }
  int Height() const override { return height_; }
  void SetSize(int width, int height) override;
  double PixelRatio() const override { return ratio_; }
  void SetPixelRatio(double ratio) override;
  bool LoadFromFile(const std::string& fileName) override;
  const QImage& Image() const { return image_; }

 private:
  int width_ = 0;
  int height_ = 0;
  double ratio_ = 1.0;
  QImage image_;
  QtCanvas canvas_;
};

// Image and its picture in RGB32, with the area outside the old picture white; same ratio.
QImage ResizedImage(const QImage& image, int width, int height);

// Device pixels of a logical size at a ratio: each logical edge e on round(e * ratio). A size
// beyond what an image can hold gives an empty one.
QSize DeviceSize(int width, int height, double ratio);

}  // namespace platform_qt
