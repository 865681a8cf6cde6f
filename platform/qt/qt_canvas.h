#pragma once

#include <QColor>
#include <QFont>
#include <QFontMetrics>
#include <QImage>
#include <functional>
#include <optional>
#include <vector>

#include "platform/canvas.h"

namespace platform_qt {

QColor ToQColor(platform::TColor color);
QFont ToQFont(const platform::Font& font);
// On/off run lengths in pixels of the thin line styles, starting with "on"; empty for solid.
std::vector<int> DashPattern(platform::TPenStyle style);

// The canvas on a QImage (RGB32). Thin pens are rasterised here so that the end pixel rule, the
// line styles and XOR come out pixel-exact; wide pens, ellipses and text go through QPainter
// without antialiasing.
//
// Callers draw in logical pixels; the image's device pixel ratio r says how many device pixels
// make one. Logical edge e lies on device edge round(e * r), so logical pixels are cells that
// tile without gaps or overlaps; fills, points, marks and bitmaps cover whole cells. A thin line
// is floor(r) device pixels thick (at least one) at the top or left of its cells and covers them
// along its length: the same thickness wherever it lies, never reaching into a neighbouring cell,
// so the end pixel rule and XOR hold as at ratio 1. At an integral ratio every logical pixel is
// exactly its r x r block. Text and polylines (the chart's curve) are drawn at device
// resolution. At ratio 1 every picture is what it always was.
class QtCanvas : public platform::Canvas {
 public:
  // The image is not owned and must outlive the canvas or be replaced by SetImage. Its
  // devicePixelRatio is the canvas's ratio, read at every call.
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
  void DrawAnd(int x, int y, const platform::Bitmap& bitmap) override;
  double PixelRatio() const override { return image_ ? image_->devicePixelRatio() : 1.0; }

 private:
  bool ThinPen() const;
  bool Unit() const { return PixelRatio() == 1.0; }
  // The device edge of logical edge e.
  long long Edge(long long e) const;
  // Device pixels across a thin line.
  long long LineThickness() const;
  // Logical size of the image, rounded up.
  QRect LogicalArea() const;
  // Device pixels [x1, x2) x [y1, y2), clipped; XOR or copy.
  void DeviceFill(long long x1, long long y1, long long x2, long long y2, QRgb rgb, bool xorMode);
  // One pixel of a thin line, pen mode applied: copy or XOR. Along x the line covers the cell's
  // width and the line thickness down from its top; along y the other way round.
  void Plot(int x, int y, QRgb rgb, bool alongX = true);
  // From (x1, y1) towards (x2, y2), the end pixel left out.
  void ThinLine(int x1, int y1, int x2, int y2);
  // The same at device resolution between the cells' top-left corners.
  void DeviceThinLine(long long x1, long long y1, long long x2, long long y2);
  void FillRect(int x1, int y1, int x2, int y2, QRgb rgb);
  void PrepareShapePainter(class QPainter& painter, bool rasterOps = true) const;
  // Above ratio 1: a shape the painter draws, rasterised at logical resolution within `bounds`
  // and laid on whole cells, so that it covers exactly what it covers at ratio 1.
  void PaintInCells(const QRect& bounds, const std::function<void(class QPainter&)>& paint);
  // Device pixels of `pixels` onto the image from device (x, y): copied or ANDed.
  void Blit(long long x, long long y, const QImage& pixels, bool andMode);
  // A bitmap's pixels for the logical rectangle at (x, y) of its size, or `target` when given.
  QImage DevicePixels(const platform::Bitmap& bitmap, const platform::TRect& target) const;
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
