#pragma once

#include <QColor>
#include <QFont>
#include <QFontMetrics>
#include <QImage>
#include <optional>

#include "platform/canvas.h"

namespace platform_qt {

QColor ToQColor(platform::TColor color);
QFont ToQFont(const platform::Font& font);

// The canvas on a QImage (RGB32). Thin pens are rasterised here so that the end pixel rule, the
// line styles and XOR come out pixel-exact; wide pens, ellipses and text go through QPainter
// without antialiasing.
class QtCanvas : public platform::Canvas {
 public:
  // The image is not owned and must outlive the canvas or be replaced by SetImage.
  explicit QtCanvas(QImage* image = nullptr) : image_(image) {}
  void SetImage(QImage* image) { image_ = image; }
  QImage* Image() const { return image_; }

  void LineTo(int x, int y) override;
  void Rectangle(int x1, int y1, int x2, int y2) override;
  void Ellipse(int x1, int y1, int x2, int y2) override;
  void Polygon(std::span<const platform::TPoint> points) override;
  void Polyline(std::span<const platform::TPoint> points) override;
  void SetPixel(int x, int y, platform::TColor color) override;
  platform::TColor GetPixel(int x, int y) const override;
  void TextOut(int x, int y, const std::string& text) override;
  void TextRect(const platform::TRect& clip, int x, int y, const std::string& text) override;
  int TextWidth(const std::string& text) override;
  int TextHeight(const std::string& text) override;
  void Draw(int x, int y, const platform::Bitmap& bitmap) override;
  void StretchDraw(const platform::TRect& rect, const platform::Bitmap& picture) override;

 private:
  bool ThinPen() const;
  // Pen mode applied: copy or XOR.
  void Plot(int x, int y, QRgb rgb);
  // From (x1, y1) towards (x2, y2), the end pixel left out.
  void ThinLine(int x1, int y1, int x2, int y2);
  void FillRect(int x1, int y1, int x2, int y2, QRgb rgb);
  void PrepareShapePainter(class QPainter& painter) const;
  // Small thin-pen ellipses from a cached picture of the rasteriser's own result; false where
  // the ellipse needs the painter.
  bool FastEllipse(int x1, int y1, int x2, int y2);
  void DrawText(const platform::TRect* clip, int x, int y, const std::string& text);

  struct FontCache {
    platform::Font source;
    QFont font;
    QFontMetrics metrics;
  };
  const FontCache& CurrentFont() const;

  QImage* image_;
  mutable std::optional<FontCache> fontCache_;
};

}  // namespace platform_qt
