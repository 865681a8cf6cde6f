#include "platform/qt/qt_canvas.h"

#include <QFontMetrics>
#include <QPainter>
#include <QPolygon>
#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <map>
#include <utility>
#include <vector>

#include "platform/qt/qt_bitmap.h"

namespace platform_qt {

using platform::TColor;
using platform::TPoint;
using platform::TRect;

namespace {

QRgb ToRgb(TColor color) {
  const TColor c = platform::ResolveColor(color);
  return qRgb(platform::RedOf(c), platform::GreenOf(c), platform::BlueOf(c));
}

Qt::PenStyle ToQtPenStyle(platform::TPenStyle style) {
  switch (style) {
    case platform::psDash:
      return Qt::DashLine;
    case platform::psDot:
      return Qt::DotLine;
    case platform::psDashDot:
      return Qt::DashDotLine;
    case platform::psDashDotDot:
      return Qt::DashDotDotLine;
    case platform::psClear:
      return Qt::NoPen;
    default:
      return Qt::SolidLine;
  }
}

}  // namespace

std::vector<int> DashPattern(platform::TPenStyle style) {
  switch (style) {
    case platform::psDash:
      return {18, 6};
    case platform::psDot:
      return {3, 3};
    case platform::psDashDot:
      return {9, 6, 3, 6};
    case platform::psDashDotDot:
      return {9, 3, 3, 3, 3, 3};
    default:
      return {};
  }
}

QColor ToQColor(TColor color) {
  return QColor::fromRgb(ToRgb(color));
}

QFont ToQFont(const platform::Font& font) {
  QFont f(QString::fromStdString(font.Name));
  f.setPixelSize(std::max(1, font.Height));
  f.setBold(font.Style & platform::fsBold);
  f.setItalic(font.Style & platform::fsItalic);
  f.setUnderline(font.Style & platform::fsUnderline);
  f.setStrikeOut(font.Style & platform::fsStrikeOut);
  f.setStyleStrategy(QFont::NoAntialias);
  // Qt drops hinting on scaled screens; a fixed choice keeps the pictures the same everywhere.
  f.setHintingPreference(QFont::PreferVerticalHinting);
  return f;
}

bool QtCanvas::ThinPen() const {
  return GetPen().Width <= 1;
}

long long QtCanvas::Edge(long long e) const {
  const double r = PixelRatio();
  if (r == 1.0) return e;
  return static_cast<long long>(std::floor(static_cast<double>(e) * r + 0.5));
}

long long QtCanvas::LineThickness() const {
  return std::max(1LL, static_cast<long long>(std::floor(PixelRatio())));
}

QRect QtCanvas::LogicalArea() const {
  if (!image_) return {};
  const double r = PixelRatio();
  return QRect(0, 0, int(std::ceil(image_->width() / r)), int(std::ceil(image_->height() / r)));
}

void QtCanvas::DeviceFill(long long x1, long long y1, long long x2, long long y2, QRgb rgb,
                          bool xorMode) {
  if (!image_) return;
  x1 = std::max(x1, 0LL);
  y1 = std::max(y1, 0LL);
  x2 = std::min<long long>(x2, image_->width());
  y2 = std::min<long long>(y2, image_->height());
  if (x1 >= x2) return;
  for (long long y = y1; y < y2; ++y) {
    auto* line = reinterpret_cast<QRgb*>(image_->scanLine(int(y)));
    if (xorMode) {
      for (long long x = x1; x < x2; ++x) line[x] = 0xFF000000u | ((line[x] ^ rgb) & 0x00FFFFFFu);
    } else {
      std::fill(line + x1, line + x2, rgb);
    }
  }
}

void QtCanvas::Plot(int x, int y, QRgb rgb, bool alongX) {
  if (!image_) return;
  const bool xorMode = GetPen().Mode == platform::pmXor;
  if (!Unit()) {
    const long long t = LineThickness();
    if (alongX)
      DeviceFill(Edge(x), Edge(y), Edge(x + 1LL), Edge(y) + t, rgb, xorMode);
    else
      DeviceFill(Edge(x), Edge(y), Edge(x) + t, Edge(y + 1LL), rgb, xorMode);
    return;
  }
  if (x < 0 || y < 0 || x >= image_->width() || y >= image_->height()) return;
  auto* line = reinterpret_cast<QRgb*>(image_->scanLine(y));
  if (xorMode)
    line[x] = 0xFF000000u | ((line[x] ^ rgb) & 0x00FFFFFFu);
  else
    line[x] = rgb;
}

namespace {

// Bresenham's walk from (x1, y1) towards (x2, y2), the end pixel left out, with the pen's dashes
// (on/off runs of steps, empty for solid): plot(x, y, alongX) for each step drawn. Int is int for
// logical pixels and long long for device pixels, whose coordinates may pass the int range.
template <class Int, class Plot>
void WalkThinLine(Int x1, Int y1, Int x2, Int y2, const std::vector<int>& pattern,
                  const Plot& plot) {
  std::size_t run = 0;
  int left = pattern.empty() ? 0 : pattern[0];
  const Int dx = x2 > x1 ? x2 - x1 : x1 - x2;
  const Int dy = -(y2 > y1 ? y2 - y1 : y1 - y2);
  const int sx = x1 < x2 ? 1 : -1;
  const int sy = y1 < y2 ? 1 : -1;
  const bool alongX = dx >= -dy;
  Int err = dx + dy;
  Int x = x1;
  Int y = y1;
  while (x != x2 || y != y2) {
    if (pattern.empty() || run % 2 == 0) plot(x, y, alongX);
    if (!pattern.empty() && --left == 0) {
      run = (run + 1) % pattern.size();
      left = pattern[run];
    }
    const Int e2 = 2 * err;
    if (e2 >= dy) {
      err += dy;
      x += sx;
    }
    if (e2 <= dx) {
      err += dx;
      y += sy;
    }
  }
}

}  // namespace

void QtCanvas::ThinLine(int x1, int y1, int x2, int y2) {
  const auto& pen = GetPen();
  // An empty image (a picture too large to allocate) takes no step of a line of any length.
  if (pen.Style == platform::psClear || !image_ || image_->isNull()) return;
  const QRgb rgb = ToRgb(pen.Color);
  WalkThinLine(x1, y1, x2, y2, DashPattern(pen.Style),
               [&](int x, int y, bool alongX) { Plot(x, y, rgb, alongX); });
}

void QtCanvas::DeviceThinLine(long long x1, long long y1, long long x2, long long y2) {
  const auto& pen = GetPen();
  if (pen.Style == platform::psClear || !image_ || image_->isNull()) return;
  const QRgb rgb = ToRgb(pen.Color);
  const bool xorMode = pen.Mode == platform::pmXor;
  std::vector<int> pattern = DashPattern(pen.Style);
  for (int& length : pattern) length = std::max(1, int(std::lround(length * PixelRatio())));
  const long long t = LineThickness();
  WalkThinLine(x1, y1, x2, y2, pattern, [&](long long x, long long y, bool alongX) {
    if (alongX)
      DeviceFill(x, y, x + 1, y + t, rgb, xorMode);
    else
      DeviceFill(x, y, x + t, y + 1, rgb, xorMode);
  });
}

void QtCanvas::FillRect(int x1, int y1, int x2, int y2, QRgb rgb) {
  DeviceFill(Edge(x1), Edge(y1), Edge(x2), Edge(y2), rgb, GetPen().Mode == platform::pmXor);
}

void QtCanvas::PaintInCells(const QRect& bounds, const std::function<void(QPainter&)>& paint) {
  const QRect area = bounds.intersected(LogicalArea());
  if (area.isEmpty()) return;
  QImage cells(area.size(), QImage::Format_ARGB32);
  if (cells.isNull()) return;
  cells.fill(Qt::transparent);
  {
    QPainter p(&cells);
    PrepareShapePainter(p, false);
    p.translate(-area.topLeft());
    paint(p);
  }
  const bool xorMode = GetPen().Mode == platform::pmXor;
  for (int y = 0; y < cells.height(); ++y) {
    const auto* line = reinterpret_cast<const QRgb*>(cells.constScanLine(y));
    for (int x = 0; x < cells.width(); ++x) {
      if (qAlpha(line[x]) == 0) continue;
      const long long lx = area.left() + x, ly = area.top() + y;
      DeviceFill(Edge(lx), Edge(ly), Edge(lx + 1), Edge(ly + 1), line[x] | 0xFF000000u, xorMode);
    }
  }
}

const QtCanvas::FontCache& QtCanvas::CurrentFont() const {
  // Building a QFont and its metrics costs far more than a short label; most draws reuse one.
  if (!fontCache_ || fontCache_->source != GetFont()) {
    QFont font = ToQFont(GetFont());
    fontCache_.emplace(FontCache{GetFont(), font, QFontMetrics(font)});
  }
  return *fontCache_;
}

void QtCanvas::PrepareShapePainter(QPainter& painter, bool rasterOps) const {
  painter.setRenderHint(QPainter::Antialiasing, false);
  if (rasterOps && GetPen().Mode == platform::pmXor)
    painter.setCompositionMode(QPainter::RasterOp_SourceXorDestination);
  const auto& pen = GetPen();
  QPen qpen(ToQColor(pen.Color), std::max(pen.Width, 1), ToQtPenStyle(pen.Style), Qt::RoundCap,
            Qt::RoundJoin);
  if (pen.Width <= 1) qpen.setCosmetic(true);
  painter.setPen(qpen);
  if (GetBrush().Style == platform::bsSolid)
    painter.setBrush(ToQColor(GetBrush().Color));
  else
    painter.setBrush(Qt::NoBrush);
}

void QtCanvas::LineTo(int x, int y) {
  const TPoint from = PenPos();
  if (image_) {
    if (ThinPen()) {
      ThinLine(from.X, from.Y, x, y);
    } else if (GetPen().Style != platform::psClear && Unit()) {
      QPainter p(image_);
      PrepareShapePainter(p);
      p.drawLine(from.X, from.Y, x, y);
    } else if (GetPen().Style != platform::psClear) {
      const int w = GetPen().Width;
      const QRect bounds = QRect(QPoint(std::min(from.X, x), std::min(from.Y, y)),
                                 QPoint(std::max(from.X, x), std::max(from.Y, y)))
                               .adjusted(-w, -w, w, w);
      PaintInCells(bounds, [&](QPainter& p) { p.drawLine(from.X, from.Y, x, y); });
    }
  }
  SetPenPos({x, y});
}

void QtCanvas::Rectangle(int x1, int y1, int x2, int y2) {
  if (!image_) return;
  if (x2 < x1) std::swap(x1, x2);
  if (y2 < y1) std::swap(y1, y2);
  const bool fill = GetBrush().Style == platform::bsSolid;
  const QRgb brush = ToRgb(GetBrush().Color);
  if (GetPen().Style == platform::psClear) {
    // Without an outline the filled area is one pixel smaller, as callers of the classic
    // drawing surface expect.
    if (fill) FillRect(x1, y1, x2 - 1, y2 - 1, brush);
    return;
  }
  const int w = std::max(GetPen().Width, 1);
  if (fill) FillRect(x1 + w, y1 + w, x2 - w, y2 - w, brush);
  if (w == 1) {
    const TPoint saved = PenPos();
    ThinLine(x1, y1, x2 - 1, y1);
    ThinLine(x2 - 1, y1, x2 - 1, y2 - 1);
    ThinLine(x2 - 1, y2 - 1, x1, y2 - 1);
    ThinLine(x1, y2 - 1, x1, y1);
    SetPenPos(saved);
    if (x2 - x1 == 1 || y2 - y1 == 1) FillRect(x1, y1, x2, y2, ToRgb(GetPen().Color));
    return;
  }
  // Wide outlines lie inside the bounds.
  const QRgb pen = ToRgb(GetPen().Color);
  FillRect(x1, y1, x2, std::min(y1 + w, y2), pen);
  FillRect(x1, std::max(y2 - w, y1 + w), x2, y2, pen);
  FillRect(x1, y1 + w, std::min(x1 + w, x2), y2 - w, pen);
  FillRect(std::max(x2 - w, x1 + w), y1 + w, x2, y2 - w, pen);
}

namespace {

// Which pixels of an ellipse the rasteriser gives the outline and which the inside, relative
// to the bounding box's top-left corner. Drawing is the same at every integer position, so one
// picture per size serves all; data marks draw thousands of the same small ellipse.
struct EllipseMask {
  std::vector<std::pair<int, int>> outline;
  std::vector<std::pair<int, int>> inside;
};

constexpr int kMaxMaskedEllipse = 64;

// Pixels of a mask lie at most this far outside the bounding box.
constexpr int kMaskMargin = 4;

const EllipseMask& MaskFor(int w, int h) {
  // Marks draw one size over and over: the last mask is kept at hand.
  static const EllipseMask* last = nullptr;
  static std::pair<int, int> lastSize;
  if (last && lastSize == std::pair{w, h}) return *last;
  static std::map<std::pair<int, int>, EllipseMask> cache;
  auto [it, fresh] = cache.try_emplace({w, h});
  last = &it->second;
  lastSize = {w, h};
  if (!fresh) return it->second;
  constexpr int kMargin = kMaskMargin;
  QImage picture(w + 2 * kMargin, h + 2 * kMargin, QImage::Format_RGB32);
  picture.fill(Qt::black);
  {
    QPainter p(&picture);
    p.setRenderHint(QPainter::Antialiasing, false);
    QPen pen(QColor(255, 0, 0), 1, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
    pen.setCosmetic(true);
    p.setPen(pen);
    p.setBrush(QColor(0, 255, 0));
    p.drawEllipse(QRect(kMargin, kMargin, w - 1, h - 1));
  }
  for (int y = 0; y < picture.height(); ++y) {
    for (int x = 0; x < picture.width(); ++x) {
      const QRgb c = picture.pixel(x, y) & 0xFFFFFF;
      if (c == 0xFF0000) it->second.outline.push_back({x - kMargin, y - kMargin});
      if (c == 0x00FF00) it->second.inside.push_back({x - kMargin, y - kMargin});
    }
  }
  return it->second;
}

}  // namespace

bool QtCanvas::FastEllipse(int x1, int y1, int x2, int y2) {
  const auto& pen = GetPen();
  const int w = x2 - x1, h = y2 - y1;
  if (pen.Width > 1 || pen.Mode != platform::pmCopy || w < 1 || h < 1 || w > kMaxMaskedEllipse ||
      h > kMaxMaskedEllipse)
    return false;
  // Without an outline the painter fills a smaller area; dashed outlines need the painter too.
  if (pen.Style != platform::psSolid && pen.Style != platform::psInsideFrame) return false;
  const EllipseMask& mask = MaskFor(w, h);
  // Straight into the pixels: one detach for the whole figure instead of one per pixel, and no
  // test per pixel where the figure lies inside the picture.
  auto* bits = reinterpret_cast<QRgb*>(image_->bits());
  const qsizetype stride = image_->bytesPerLine() / qsizetype(sizeof(QRgb));
  const double r = PixelRatio();
  // At an integral ratio k each pixel of the mask is its k x k block; other ratios fill cells.
  const int k = r == std::floor(r) && r >= 1 && r <= 16 ? int(r) : 0;
  const long long width = k ? image_->width() / k : 0;
  const long long height = k ? image_->height() / k : 0;
  const bool inside = k && x1 >= kMaskMargin && y1 >= kMaskMargin &&
                      static_cast<long long>(x2) + kMaskMargin <= width &&
                      static_cast<long long>(y2) + kMaskMargin <= height;
  auto put = [&](const std::vector<std::pair<int, int>>& pixels, QRgb rgb) {
    if (inside && k == 1) {
      QRgb* origin = bits + qsizetype(y1) * stride + x1;
      for (const auto& [dx, dy] : pixels) origin[dy * stride + dx] = rgb;
      return;
    }
    if (inside && k == 2) {
      // The usual dense screen: each block as two 64-bit stores, half the work of four.
      const std::uint64_t pair = std::uint64_t(rgb) | (std::uint64_t(rgb) << 32);
      QRgb* origin = bits + qsizetype(y1) * 2 * stride + qsizetype(x1) * 2;
      for (const auto& [dx, dy] : pixels) {
        QRgb* block = origin + qsizetype(dy) * 2 * stride + qsizetype(dx) * 2;
        std::memcpy(block, &pair, sizeof pair);
        std::memcpy(block + stride, &pair, sizeof pair);
      }
      return;
    }
    if (inside) {
      QRgb* origin = bits + qsizetype(y1) * k * stride + qsizetype(x1) * k;
      for (const auto& [dx, dy] : pixels) {
        QRgb* block = origin + qsizetype(dy) * k * stride + qsizetype(dx) * k;
        for (int j = 0; j < k; ++j, block += stride) std::fill(block, block + k, rgb);
      }
      return;
    }
    for (const auto& [dx, dy] : pixels) {
      const long long x = static_cast<long long>(x1) + dx;
      const long long y = static_cast<long long>(y1) + dy;
      if (k == 1) {
        if (x >= 0 && y >= 0 && x < width && y < height) bits[qsizetype(y) * stride + x] = rgb;
      } else {
        DeviceFill(Edge(x), Edge(y), Edge(x + 1), Edge(y + 1), rgb, false);
      }
    }
  };
  if (GetBrush().Style == platform::bsSolid) put(mask.inside, ToRgb(GetBrush().Color));
  put(mask.outline, ToRgb(pen.Color));
  return true;
}

void QtCanvas::Ellipse(int x1, int y1, int x2, int y2) {
  if (!image_) return;
  if (x2 < x1) std::swap(x1, x2);
  if (y2 < y1) std::swap(y1, y2);
  if (FastEllipse(x1, y1, x2, y2)) return;
  // An outlined QRect(x, y, w, h) covers w + 1 columns; without an outline the fill covers w,
  // one pixel less, as with the classic drawing surface.
  const QRect box(x1, y1, x2 - x1 - 1, y2 - y1 - 1);
  if (!Unit()) {
    const int w = GetPen().Width + 2;
    PaintInCells(box.adjusted(-w, -w, w, w), [&](QPainter& p) { p.drawEllipse(box); });
    return;
  }
  QPainter p(image_);
  PrepareShapePainter(p);
  p.drawEllipse(box);
}

void QtCanvas::Polygon(std::span<const TPoint> points) {
  if (!image_ || points.empty()) return;
  QPolygon poly;
  for (const auto& pt : points) poly << QPoint(pt.X, pt.Y);
  const int margin = GetPen().Width + 2;
  const QRect bounds = poly.boundingRect().adjusted(-margin, -margin, margin, margin);
  if (!ThinPen() && !Unit()) {
    PaintInCells(bounds, [&](QPainter& p) { p.drawPolygon(poly, Qt::OddEvenFill); });
    return;
  }
  if (!ThinPen()) {
    QPainter p(image_);
    PrepareShapePainter(p);
    p.drawPolygon(poly, Qt::OddEvenFill);
    return;
  }
  if (GetBrush().Style == platform::bsSolid && !Unit()) {
    PaintInCells(bounds, [&](QPainter& p) {
      p.setPen(Qt::NoPen);
      p.drawPolygon(poly, Qt::OddEvenFill);
    });
  } else if (GetBrush().Style == platform::bsSolid) {
    QPainter p(image_);
    p.setRenderHint(QPainter::Antialiasing, false);
    if (GetPen().Mode == platform::pmXor)
      p.setCompositionMode(QPainter::RasterOp_SourceXorDestination);
    p.setPen(Qt::NoPen);
    p.setBrush(ToQColor(GetBrush().Color));
    p.drawPolygon(poly, Qt::OddEvenFill);
  }
  for (std::size_t i = 0; i < points.size(); ++i) {
    const TPoint& a = points[i];
    const TPoint& b = points[(i + 1) % points.size()];
    ThinLine(a.X, a.Y, b.X, b.Y);
  }
  if (points.size() == 1) Plot(points[0].X, points[0].Y, ToRgb(GetPen().Color));
}

void QtCanvas::Polyline(std::span<const TPoint> points) {
  if (!image_ || points.size() < 2) return;
  // The curve: at device resolution, from cell corner to cell corner.
  if (ThinPen() && !Unit()) {
    for (std::size_t i = 1; i < points.size(); ++i)
      DeviceThinLine(Edge(points[i - 1].X), Edge(points[i - 1].Y), Edge(points[i].X),
                     Edge(points[i].Y));
    return;
  }
  if (ThinPen()) {
    for (std::size_t i = 1; i < points.size(); ++i)
      ThinLine(points[i - 1].X, points[i - 1].Y, points[i].X, points[i].Y);
    return;
  }
  if (GetPen().Style == platform::psClear) return;
  QPolygon poly;
  for (const auto& pt : points) poly << QPoint(pt.X, pt.Y);
  // The painter works in logical pixels on an image of another ratio: a wide curve gains the
  // resolution as well.
  QPainter p(image_);
  PrepareShapePainter(p);
  p.drawPolyline(poly);
}

void QtCanvas::SetPixel(int x, int y, TColor color) {
  if (!image_) return;
  if (!Unit()) {
    DeviceFill(Edge(x), Edge(y), Edge(x + 1LL), Edge(y + 1LL), ToRgb(color), false);
    return;
  }
  if (x < 0 || y < 0 || x >= image_->width() || y >= image_->height()) return;
  reinterpret_cast<QRgb*>(image_->scanLine(y))[x] = ToRgb(color);
}

// The pixel at the cell's top-left corner.
TColor QtCanvas::GetPixel(int x, int y) const {
  if (!image_) return 0xFFFFFFFFu;
  const long long dx = Edge(x), dy = Edge(y);
  if (dx < 0 || dy < 0 || dx >= image_->width() || dy >= image_->height()) return 0xFFFFFFFFu;
  const QRgb rgb = image_->pixel(int(dx), int(dy));
  return platform::RGB(std::uint8_t(qRed(rgb)), std::uint8_t(qGreen(rgb)),
                       std::uint8_t(qBlue(rgb)));
}

void QtCanvas::DrawText(const TRect* clip, int x, int y, const std::string& text) {
  const QFont& font = CurrentFont().font;
  const QFontMetrics& metrics = CurrentFont().metrics;
  const QString s = QString::fromUtf8(text.data(), qsizetype(text.size()));
  // An empty picture (one too large to hold) takes no text; a painter on it only complains.
  const bool drawable = image_ && !image_->isNull();
  if (drawable && !Unit()) {
    // Background on whole cells; glyphs through the painter, which the image's ratio scales:
    // they gain the resolution.
    const double r = PixelRatio();
    long long left = Edge(x), top = Edge(y);
    long long right = Edge(static_cast<long long>(x) + metrics.horizontalAdvance(s));
    long long bottom = Edge(static_cast<long long>(y) + metrics.height());
    QRectF clipArea;
    if (clip) {
      const long long cl = Edge(clip->Left), ct = Edge(clip->Top);
      const long long cr = Edge(clip->Right), cb = Edge(clip->Bottom);
      left = std::max(left, cl);
      top = std::max(top, ct);
      right = std::min(right, cr);
      bottom = std::min(bottom, cb);
      clipArea = QRectF(cl / r, ct / r, (cr - cl) / r, (cb - ct) / r);
    }
    if (GetBrush().Style == platform::bsSolid && left < right && top < bottom)
      DeviceFill(left, top, right, bottom, ToRgb(GetBrush().Color), false);
    QPainter p(image_);
    p.setRenderHint(QPainter::TextAntialiasing, false);
    if (clip) p.setClipRect(clipArea);
    p.setFont(font);
    p.setPen(ToQColor(GetFont().Color));
    p.drawText(x, y + metrics.ascent(), s);
  } else if (drawable) {
    QPainter p(image_);
    p.setRenderHint(QPainter::TextAntialiasing, false);
    if (clip) p.setClipRect(QRect(clip->Left, clip->Top, clip->Width(), clip->Height()));
    if (GetBrush().Style == platform::bsSolid)
      p.fillRect(QRect(x, y, metrics.horizontalAdvance(s), metrics.height()),
                 ToQColor(GetBrush().Color));
    p.setFont(font);
    p.setPen(ToQColor(GetFont().Color));
    p.drawText(x, y + metrics.ascent(), s);
  }
  // The pen moves to the end of the text, as after the classic text output.
  SetPenPos({x + metrics.horizontalAdvance(s), y});
}

void QtCanvas::TextOut(int x, int y, const std::string& text) {
  DrawText(nullptr, x, y, text);
}

void QtCanvas::TextRect(const TRect& clip, int x, int y, const std::string& text) {
  const TPoint saved = PenPos();
  DrawText(&clip, x, y, text);
  SetPenPos(saved);
}

int QtCanvas::TextWidth(const std::string& text) {
  return CurrentFont().metrics.horizontalAdvance(
      QString::fromUtf8(text.data(), qsizetype(text.size())));
}

int QtCanvas::TextHeight(const std::string&) {
  return CurrentFont().metrics.height();
}

namespace {

// Any bitmap as an image: the Qt one directly, another implementation pixel by pixel.
QImage ImageOf(const platform::Bitmap& bitmap) {
  if (const auto* qt = dynamic_cast<const QtBitmap*>(&bitmap)) return qt->Image();
  QImage image(bitmap.Width(), bitmap.Height(), QImage::Format_RGB32);
  auto& canvas = const_cast<platform::Bitmap&>(bitmap).GetCanvas();
  for (int y = 0; y < image.height(); ++y)
    for (int x = 0; x < image.width(); ++x) image.setPixel(x, y, ToRgb(canvas.GetPixel(x, y)));
  return image;
}

}  // namespace

QImage QtCanvas::DevicePixels(const platform::Bitmap& bitmap, const TRect& target) const {
  QImage source = ImageOf(bitmap);
  if (source.isNull()) return source;
  if (source.format() != QImage::Format_RGB32)
    source = source.convertToFormat(QImage::Format_RGB32);
  const bool sameSize = target.Width() == bitmap.Width() && target.Height() == bitmap.Height();
  // A picture composed at this ratio is copied as it is, so that cells stay cells.
  const double sr = source.devicePixelRatio();
  if (sameSize && sr == PixelRatio()) return source;
  const long long w = Edge(target.Right) - Edge(target.Left);
  const long long h = Edge(target.Bottom) - Edge(target.Top);
  if (w <= 0 || h <= 0 || w > std::numeric_limits<int>::max() ||
      h > std::numeric_limits<int>::max())
    return {};
  if (!sameSize)
    return source.scaled(int(w), int(h), Qt::IgnoreAspectRatio, Qt::FastTransformation);
  // Another ratio: each of the picture's logical pixels, as its top-left device pixel shows it,
  // on its whole cell here.
  const double r = PixelRatio();
  auto sourcePixels = [&](int logicalOrigin, long long count, int limit) {
    const long long origin = Edge(logicalOrigin);
    std::vector<int> pixels(static_cast<std::size_t>(count));
    for (long long d = 0; d < count; ++d) {
      long long l = static_cast<long long>(std::floor(double(origin + d) / r));
      while (Edge(l + 1) <= origin + d) ++l;
      while (Edge(l) > origin + d) --l;
      const double e = std::floor(double(l - logicalOrigin) * sr + 0.5);
      pixels[std::size_t(d)] = int(std::clamp<double>(e, 0, limit - 1));
    }
    return pixels;
  };
  const std::vector<int> columns = sourcePixels(target.Left, w, source.width());
  const std::vector<int> rows = sourcePixels(target.Top, h, source.height());
  QImage out(int(w), int(h), QImage::Format_RGB32);
  if (out.isNull()) return out;
  for (int y = 0; y < out.height(); ++y) {
    const auto* from = reinterpret_cast<const QRgb*>(source.constScanLine(rows[std::size_t(y)]));
    auto* to = reinterpret_cast<QRgb*>(out.scanLine(y));
    for (int x = 0; x < out.width(); ++x) to[x] = from[columns[std::size_t(x)]];
  }
  return out;
}

void QtCanvas::Blit(long long x, long long y, const QImage& pixels, bool andMode) {
  if (!image_ || pixels.isNull()) return;
  const long long x1 = std::max(x, 0LL), y1 = std::max(y, 0LL);
  const long long x2 = std::min<long long>(x + pixels.width(), image_->width());
  const long long y2 = std::min<long long>(y + pixels.height(), image_->height());
  if (x1 >= x2) return;
  for (long long row = y1; row < y2; ++row) {
    auto* to = reinterpret_cast<QRgb*>(image_->scanLine(int(row))) + x1;
    const auto* from = reinterpret_cast<const QRgb*>(pixels.constScanLine(int(row - y))) + (x1 - x);
    if (andMode) {
      for (long long i = 0; i < x2 - x1; ++i) to[i] = 0xFF000000u | (to[i] & from[i]);
    } else {
      std::copy(from, from + (x2 - x1), to);
    }
  }
}

void QtCanvas::Draw(int x, int y, const platform::Bitmap& bitmap) {
  if (!image_) return;
  const QImage source = ImageOf(bitmap);
  if (Unit() && source.devicePixelRatio() == 1.0) {
    QPainter p(image_);
    p.drawImage(x, y, source);
    return;
  }
  const TRect target{x, y,
                     int(std::min<long long>(static_cast<long long>(x) + bitmap.Width(),
                                             std::numeric_limits<int>::max())),
                     int(std::min<long long>(static_cast<long long>(y) + bitmap.Height(),
                                             std::numeric_limits<int>::max()))};
  Blit(Edge(x), Edge(y), DevicePixels(bitmap, target), false);
}

void QtCanvas::StretchDraw(const TRect& rect, const platform::Bitmap& picture) {
  if (!image_) return;
  const QImage source = ImageOf(picture);
  if (Unit() && source.devicePixelRatio() == 1.0) {
    QPainter p(image_);
    p.setRenderHint(QPainter::SmoothPixmapTransform, false);
    p.drawImage(QRect(rect.Left, rect.Top, rect.Width(), rect.Height()), source);
    return;
  }
  Blit(Edge(rect.Left), Edge(rect.Top), DevicePixels(picture, rect), false);
}

void QtCanvas::DrawAnd(int x, int y, const platform::Bitmap& bitmap) {
  if (!image_) return;
  const TRect target{x, y,
                     int(std::min<long long>(static_cast<long long>(x) + bitmap.Width(),
                                             std::numeric_limits<int>::max())),
                     int(std::min<long long>(static_cast<long long>(y) + bitmap.Height(),
                                             std::numeric_limits<int>::max()))};
  Blit(Edge(x), Edge(y), DevicePixels(bitmap, target), true);
}

}  // namespace platform_qt
