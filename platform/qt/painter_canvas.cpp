#include "platform/qt/painter_canvas.h"

#include <QImage>
#include <QPainterPath>
#include <algorithm>
#include <cmath>
#include <vector>

#include "platform/qt/qt_bitmap.h"
#include "platform/qt/qt_canvas.h"

namespace platform_qt {

using platform::TPoint;
using platform::TRect;

namespace {

QPointF Centre(int x, int y) {
  return {x + 0.5, y + 0.5};
}

QRectF PixelRect(int x1, int y1, int x2, int y2) {
  return QRectF(QPointF(std::min(x1, x2), std::min(y1, y2)),
                QPointF(std::max(x1, x2), std::max(y1, y2)));
}

}  // namespace

void PainterCanvas::UsePen() {
  const platform::Pen& pen = GetPen();
  if (pen.Style == platform::psClear) {
    painter_.setPen(Qt::NoPen);
    return;
  }
  QPen p(ToQColor(pen.Color));
  const int width = std::max(pen.Width, 1);
  p.setWidthF(width);
  p.setCapStyle(width == 1 ? Qt::FlatCap : Qt::RoundCap);
  p.setJoinStyle(Qt::MiterJoin);
  // The raster canvas's runs, in pen widths (one pixel).
  const std::vector<int> runs = DashPattern(pen.Style);
  if (!runs.empty() && width == 1) p.setDashPattern(QVector<qreal>(runs.begin(), runs.end()));
  painter_.setPen(p);
}

void PainterCanvas::UseBrush() {
  if (GetBrush().Style == platform::bsSolid)
    painter_.setBrush(ToQColor(GetBrush().Color));
  else
    painter_.setBrush(Qt::NoBrush);
}

void PainterCanvas::LineTo(int x, int y) {
  const TPoint from = PenPos();
  SetPenPos({x, y});
  if (GetPen().Style == platform::psClear || (from.X == x && from.Y == y)) return;
  UsePen();
  if (GetPen().Width > 1) {
    painter_.drawLine(Centre(from.X, from.Y), Centre(x, y));
    return;
  }
  // From the start pixel's near edge to the end pixel's near edge: the end pixel stays out.
  const double dx = x - from.X, dy = y - from.Y;
  const double steps = std::max(std::fabs(dx), std::fabs(dy));
  const QPointF half(dx / steps / 2, dy / steps / 2);
  painter_.drawLine(Centre(from.X, from.Y) - half, Centre(x, y) - half);
}

void PainterCanvas::Rectangle(int x1, int y1, int x2, int y2) {
  const QRectF r = PixelRect(x1, y1, x2, y2);
  if (r.isEmpty()) return;
  if (GetBrush().Style == platform::bsSolid) painter_.fillRect(r, ToQColor(GetBrush().Color));
  if (GetPen().Style == platform::psClear) return;
  UsePen();
  painter_.setBrush(Qt::NoBrush);
  painter_.drawRect(r.adjusted(0.5, 0.5, -0.5, -0.5));
}

void PainterCanvas::Ellipse(int x1, int y1, int x2, int y2) {
  const QRectF r = PixelRect(x1, y1, x2, y2);
  if (r.isEmpty()) return;
  UsePen();
  UseBrush();
  painter_.drawEllipse(r.adjusted(0.5, 0.5, -0.5, -0.5));
}

void PainterCanvas::Polygon(std::span<const TPoint> points) {
  if (points.empty()) return;
  QPolygonF polygon;
  for (const TPoint& p : points) polygon << Centre(p.X, p.Y);
  UsePen();
  UseBrush();
  painter_.drawPolygon(polygon);
}

void PainterCanvas::Polyline(std::span<const TPoint> points) {
  if (points.empty()) return;
  QPolygonF line;
  for (const TPoint& p : points) line << Centre(p.X, p.Y);
  UsePen();
  painter_.setBrush(Qt::NoBrush);
  painter_.drawPolyline(line);
  SetPenPos(points.back());
}

void PainterCanvas::SetPixel(int x, int y, platform::TColor color) {
  painter_.fillRect(QRectF(x, y, 1, 1), ToQColor(color));
}

platform::TColor PainterCanvas::GetPixel(int, int) const {
  return platform::clWhite;
}

const QFontMetrics& PainterCanvas::Metrics() {
  // Measured as on the screen (no device), so text takes the room it takes in the window.
  if (!fontCache_ || fontCache_->source != GetFont()) {
    const QFont font = ToQFont(GetFont());
    fontCache_.emplace(FontCache{GetFont(), font, QFontMetrics(font)});
  }
  return fontCache_->metrics;
}

void PainterCanvas::DrawText(const TRect* clip, int x, int y, const std::string& text) {
  const QFontMetrics& metrics = Metrics();
  const QString s = QString::fromUtf8(text.data(), qsizetype(text.size()));
  painter_.save();
  if (clip)
    painter_.setClipRect(QRectF(clip->Left, clip->Top, clip->Width(), clip->Height()),
                         clip_ ? Qt::IntersectClip : Qt::ReplaceClip);
  if (GetBrush().Style == platform::bsSolid)
    painter_.fillRect(QRectF(x, y, metrics.horizontalAdvance(s), metrics.height()),
                      ToQColor(GetBrush().Color));
  painter_.setFont(fontCache_->font);
  painter_.setPen(ToQColor(GetFont().Color));
  painter_.drawText(QPointF(x, y + metrics.ascent()), s);
  painter_.restore();
  SetPenPos({x + metrics.horizontalAdvance(s), y});
}

void PainterCanvas::TextOut(int x, int y, const std::string& text) {
  DrawText(nullptr, x, y, text);
}

void PainterCanvas::TextRect(const TRect& clip, int x, int y, const std::string& text) {
  const TPoint saved = PenPos();
  DrawText(&clip, x, y, text);
  SetPenPos(saved);
}

int PainterCanvas::TextWidth(const std::string& text) {
  return Metrics().horizontalAdvance(QString::fromUtf8(text.data(), qsizetype(text.size())));
}

int PainterCanvas::TextHeight(const std::string&) {
  return Metrics().height();
}

void PainterCanvas::Draw(int x, int y, const platform::Bitmap& bitmap) {
  if (const auto* qt = dynamic_cast<const QtBitmap*>(&bitmap))
    painter_.drawImage(x, y, qt->Image());
}

void PainterCanvas::StretchDraw(const TRect& rect, const platform::Bitmap& picture) {
  if (const auto* qt = dynamic_cast<const QtBitmap*>(&picture))
    painter_.drawImage(QRectF(rect.Left, rect.Top, rect.Width(), rect.Height()), qt->Image());
}

void PainterCanvas::SetClipRect(const TRect* clip) {
  if (!clip) {
    clip_.reset();
    painter_.setClipping(false);
    return;
  }
  clip_ = *clip;
  painter_.setClipRect(QRectF(clip->Left, clip->Top, clip->Width(), clip->Height()));
}

}  // namespace platform_qt
