#pragma once

#include <QFont>
#include <QFontMetrics>
#include <QPainter>
#include <optional>

#include "platform/canvas.h"

namespace platform_qt {

// A canvas on a QPainter over any paint device, in logical pixels: each call becomes a shape or
// a text of the device's own (an SVG or PDF keeps them as vectors). The pixel rules hold as
// geometry: pixel (x, y) is the unit square at (x, y); a thin line runs through pixel centres
// from its start pixel up to, not into, its end pixel; rectangles and ellipses exclude right and
// bottom. Text is measured as on the screen, so layouts match the raster pictures. Nothing can
// be read back (GetPixel gives white), and XOR draws as copy.
class PainterCanvas : public platform::Canvas {
 public:
  // The painter is not owned and must be active while the canvas draws.
  explicit PainterCanvas(QPainter& painter) : painter_(painter) {}

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
  void SetClipRect(const platform::TRect* clip) override;

 private:
  void UsePen();
  void UseBrush();
  void DrawText(const platform::TRect* clip, int x, int y, const std::string& text);
  const QFontMetrics& Metrics();

  QPainter& painter_;
  std::optional<platform::TRect> clip_;
  struct FontCache {
    platform::Font source;
    QFont font;
    QFontMetrics metrics;
  };
  std::optional<FontCache> fontCache_;
};

}  // namespace platform_qt
