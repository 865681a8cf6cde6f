#pragma once

#include <QWidget>
#include <functional>

#include "platform/color.h"

namespace platform_qt {

// A plain container with a lowered outer and a raised inner bevel, one pixel each.
class Panel : public QWidget {
  Q_OBJECT

 public:
  explicit Panel(QWidget* parent = nullptr);

  platform::TColor Color() const { return color_; }
  void SetColor(platform::TColor color);
  // Width of both bevels together.
  static constexpr int kBorder = 2;

  std::function<void()> OnResize;

 protected:
  void paintEvent(QPaintEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;

 private:
  platform::TColor color_ = platform::clBtnFace;
};

}  // namespace platform_qt
