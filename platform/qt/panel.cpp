#include "platform/qt/panel.h"

#include <QPainter>

#include "platform/qt/event_dispatch.h"
#include "platform/qt/qt_canvas.h"

namespace platform_qt {

Panel::Panel(QWidget* parent) : QWidget(parent) {
  setAttribute(Qt::WA_OpaquePaintEvent);
}

void Panel::SetColor(platform::TColor color) {
  color_ = color;
  update();
}

void Panel::resizeEvent(QResizeEvent*) {
  DispatchEvent(OnResize);
}

void Panel::paintEvent(QPaintEvent*) {
  QPainter p(this);
  p.fillRect(rect(), ToQColor(color_));
  const QColor shadow = ToQColor(platform::clBtnShadow);
  const QColor light = ToQColor(platform::clBtnHighlight);
  auto bevel = [&](QRect r, const QColor& topLeft, const QColor& bottomRight) {
    p.setPen(topLeft);
    p.drawLine(r.left(), r.top(), r.right(), r.top());
    p.drawLine(r.left(), r.top(), r.left(), r.bottom());
    p.setPen(bottomRight);
    p.drawLine(r.left(), r.bottom(), r.right(), r.bottom());
    p.drawLine(r.right(), r.top(), r.right(), r.bottom());
  };
  bevel(rect(), shadow, light);
  bevel(rect().adjusted(1, 1, -1, -1), light, shadow);
}

}  // namespace platform_qt
