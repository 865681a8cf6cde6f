#include "platform/qt/host_widget.h"

#include <QMouseEvent>
#include <QPaintEngine>
#include <QPainter>
#include <optional>

#include "platform/qt/event_dispatch.h"
#include "platform/qt/qt_bitmap.h"

namespace platform_qt {

namespace {

std::optional<platform::TMouseButton> ToButton(Qt::MouseButton button) {
  switch (button) {
    case Qt::LeftButton:
      return platform::mbLeft;
    case Qt::RightButton:
      return platform::mbRight;
    case Qt::MiddleButton:
      return platform::mbMiddle;
    default:
      return std::nullopt;
  }
}

platform::TShiftState ShiftOf(const QMouseEvent* event) {
  platform::TShiftState shift = 0;
  const auto mods = event->modifiers();
  if (mods & Qt::ShiftModifier) shift |= platform::ssShift;
  if (mods & Qt::AltModifier) shift |= platform::ssAlt;
  if (mods & Qt::ControlModifier) shift |= platform::ssCtrl;
  const auto buttons = event->buttons();
  if (buttons & Qt::LeftButton) shift |= platform::ssLeft;
  if (buttons & Qt::RightButton) shift |= platform::ssRight;
  if (buttons & Qt::MiddleButton) shift |= platform::ssMiddle;
  return shift;
}

}  // namespace

ControlHostWidget::ControlHostWidget(platform::Control& control, QWidget* parent)
    : QWidget(parent), control_(control), canvas_(&screen_) {
  setMouseTracking(true);
  setAttribute(Qt::WA_OpaquePaintEvent);
  ratio_ = devicePixelRatio();
  control_.SetHost(this);
  BoundsChanged();
  SyncImageSize();
}

ControlHostWidget::~ControlHostWidget() {
  if (control_.Host() == this) control_.SetHost(nullptr);
}

void ControlHostWidget::SyncImageSize() {
  const int w = std::max(control_.Width(), 0);
  const int h = std::max(control_.Height(), 0);
  if (screenSize_ != QSize(w, h) || screen_.devicePixelRatio() != ratio_) {
    const QSize device = DeviceSize(w, h, ratio_);
    screen_ = ResizedImage(screen_, device.width(), device.height());
    screen_.setDevicePixelRatio(ratio_);
    screenSize_ = QSize(w, h);
    needsPaint_ = true;
  }
}

platform::Canvas& ControlHostWidget::ScreenCanvas() {
  SyncImageSize();
  return canvas_;
}

void ControlHostWidget::InvalidateHost() {
  needsPaint_ = true;
  update();
}

void ControlHostWidget::FlushHost() {
  update();
}

void ControlHostWidget::BoundsChanged() {
  syncing_ = true;
  setGeometry(control_.Left(), control_.Top(), control_.Width(), control_.Height());
  setVisible(control_.Visible());
  syncing_ = false;
  SyncImageSize();
  update();
}

void ControlHostWidget::CopyParentBackground() {
  QWidget* parent = parentWidget();
  if (!parent) return;
  SyncImageSize();
  // The parent alone: its children, this host among them, are not part of its background. The
  // image's ratio makes the parent draw at it.
  parent->render(&screen_, QPoint(0, 0), QRegion(geometry()), QWidget::DrawWindowBackground);
}

void ControlHostWidget::FollowWidgetBounds() {
  if (syncing_) return;
  syncing_ = true;
  const QRect g = geometry();
  DispatchEvent([&] { control_.SetBounds(g.x(), g.y(), g.width(), g.height()); });
  syncing_ = false;
  SyncImageSize();
}

void ControlHostWidget::resizeEvent(QResizeEvent*) {
  FollowWidgetBounds();
}

void ControlHostWidget::moveEvent(QMoveEvent*) {
  FollowWidgetBounds();
}

void ControlHostWidget::paintEvent(QPaintEvent*) {
  {
    // There is no event for a window moved to a screen of another ratio: it is compared here,
    // on the device actually painted.
    QPainter probe(this);
    const QPaintDevice* device = probe.paintEngine() ? probe.paintEngine()->paintDevice() : nullptr;
    ratio_ = device ? device->devicePixelRatio() : devicePixelRatio();
  }
  SyncImageSize();
  if (needsPaint_) {
    needsPaint_ = false;
    DispatchEvent([&] { control_.Paint(); });
  }
  QPainter p(this);
  p.drawImage(0, 0, screen_);
}

void ControlHostWidget::mousePressEvent(QMouseEvent* event) {
  if (!control_.Enabled()) return;
  const auto button = ToButton(event->button());
  if (!button) return;
  const QPoint pos = event->position().toPoint();
  const auto shift = ShiftOf(event);
  DispatchEvent([&] { control_.MouseDown(*button, shift, pos.x(), pos.y()); });
}

void ControlHostWidget::mouseReleaseEvent(QMouseEvent* event) {
  if (!control_.Enabled()) return;
  const auto button = ToButton(event->button());
  if (!button) return;
  const QPoint pos = event->position().toPoint();
  const auto shift = ShiftOf(event);
  DispatchEvent([&] { control_.MouseUp(*button, shift, pos.x(), pos.y()); });
}

void ControlHostWidget::mouseMoveEvent(QMouseEvent* event) {
  if (!control_.Enabled()) return;
  const QPoint pos = event->position().toPoint();
  const auto shift = ShiftOf(event);
  DispatchEvent([&] { control_.MouseMove(shift, pos.x(), pos.y()); });
}

// The second press of a double click: the control hears of the double click first, then of
// the press marked ssDouble.
void ControlHostWidget::mouseDoubleClickEvent(QMouseEvent* event) {
  if (!control_.Enabled()) return;
  const auto button = ToButton(event->button());
  if (!button) return;
  const QPoint pos = event->position().toPoint();
  const auto shift = ShiftOf(event) | platform::ssDouble;
  DispatchEvent([&] {
    control_.DblClick();
    control_.MouseDown(*button, shift, pos.x(), pos.y());
  });
}

void ControlHostWidget::enterEvent(QEnterEvent*) {
  DispatchEvent([&] { control_.MouseEnter(); });
}

void ControlHostWidget::leaveEvent(QEvent*) {
  DispatchEvent([&] { control_.MouseLeave(); });
}

}  // namespace platform_qt
