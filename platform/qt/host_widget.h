#pragma once

#include <QImage>
#include <QWidget>

#include "platform/control.h"
#include "platform/qt/qt_canvas.h"

namespace platform_qt {

// Shows a platform control: owns its screen image, follows its bounds both ways, and forwards
// paint, mouse, enter and leave events in client pixels; a disabled control gets no mouse
// buttons or moves. The control must outlive the host.
class ControlHostWidget : public QWidget, public platform::ControlHost {
  Q_OBJECT

 public:
  explicit ControlHostWidget(platform::Control& control, QWidget* parent = nullptr);
  ~ControlHostWidget() override;

  platform::Control& HostedControl() { return control_; }
  // The control's picture at the device pixel ratio it was last painted at.
  const QImage& ScreenImage() const { return screen_; }

  platform::Canvas& ScreenCanvas() override;
  void InvalidateHost() override;
  void FlushHost() override;
  void BoundsChanged() override;
  void CopyParentBackground() override;

 protected:
  void paintEvent(QPaintEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void moveEvent(QMoveEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseDoubleClickEvent(QMouseEvent* event) override;
  void enterEvent(QEnterEvent* event) override;
  void leaveEvent(QEvent* event) override;

 private:
  void SyncImageSize();
  void FollowWidgetBounds();

  platform::Control& control_;
  QImage screen_;
  QSize screenSize_;  // logical
  // The ratio of the device last painted on: the window's screen, or an image given to render().
  double ratio_ = 1.0;
  QtCanvas canvas_;
  bool needsPaint_ = true;
  bool syncing_ = false;
};

}  // namespace platform_qt
