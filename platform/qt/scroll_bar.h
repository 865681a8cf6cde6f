#pragma once

#include <QScrollBar>
#include <functional>

namespace platform_qt {

// A horizontal scroll bar whose position changes fire OnChange: a change by code as a direct
// call, one by the user through the event dispatch.
class ScrollBar : public QScrollBar {
  Q_OBJECT

 public:
  explicit ScrollBar(QWidget* parent = nullptr);

  int Position() const { return value(); }
  void SetPosition(int position);

  std::function<void()> OnChange;

 private:
  bool byCode_ = false;
};

}  // namespace platform_qt
