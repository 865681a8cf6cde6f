#include "platform/qt/speed_button.h"

#include "platform/qt/event_dispatch.h"

namespace platform_qt {

SpeedButton::SpeedButton(QWidget* parent) : QPushButton(parent) {
  setFocusPolicy(Qt::NoFocus);
  connect(this, &QPushButton::clicked, this, [this] { DispatchEvent(OnClick); });
}

void SpeedButton::SetGroupIndex(int group) {
  groupIndex_ = group;
  setCheckable(group != 0);
  if (group == 0) setChecked(false);
}

void SpeedButton::SetDown(bool down) {
  if (groupIndex_ == 0) return;
  setChecked(down);
  if (down) ReleaseOthers();
}

void SpeedButton::SetGlyph(const QIcon& glyph) {
  setIcon(glyph);
  setIconSize(QSize(kGlyphSide, kGlyphSide));
}

void SpeedButton::nextCheckState() {
  if (groupIndex_ == 0) return;
  SetDown(Down() ? !allowAllUp_ : true);
}

void SpeedButton::ReleaseOthers() {
  if (!parentWidget()) return;
  for (auto* other : parentWidget()->findChildren<SpeedButton*>(Qt::FindDirectChildrenOnly))
    if (other != this && other->groupIndex_ == groupIndex_) other->setChecked(false);
}

}  // namespace platform_qt
