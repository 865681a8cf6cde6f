#include "platform/qt/scroll_bar.h"

#include "platform/qt/event_dispatch.h"

namespace platform_qt {

ScrollBar::ScrollBar(QWidget* parent) : QScrollBar(Qt::Horizontal, parent) {
  setRange(0, 1000);
  setSingleStep(1);
  // No page: the thumb keeps its smallest size and a click beside it moves by one.
  setPageStep(1);
  connect(this, &QScrollBar::valueChanged, this, [this] {
    if (!byCode_) DispatchEvent(OnChange);
  });
}

void ScrollBar::SetPosition(int position) {
  const int before = value();
  byCode_ = true;
  setValue(position);
  byCode_ = false;
  if (value() != before && OnChange) OnChange();
}

}  // namespace platform_qt
