#pragma once

#include <QPushButton>
#include <functional>

namespace platform_qt {

// A button that can stay down. Buttons with the same non-zero group number under the same
// parent are exclusive; group 0 is a plain push button. A press toggles a grouped button (or
// keeps it down when all-up is not allowed), releases the others of its group, then fires
// OnClick. Setting Down by code fires nothing.
class SpeedButton : public QPushButton {
  // Its own meta-object, so that finding the group's buttons among the children sees only
  // speed buttons.
  Q_OBJECT

 public:
  explicit SpeedButton(QWidget* parent = nullptr);

  int GroupIndex() const { return groupIndex_; }
  void SetGroupIndex(int group);
  bool AllowAllUp() const { return allowAllUp_; }
  void SetAllowAllUp(bool allow) { allowAllUp_ = allow; }
  bool Down() const { return isChecked(); }
  void SetDown(bool down);
  // A 21 x 21 picture beside the caption; the icon may hold it drawn for several pixel ratios.
  static constexpr int kGlyphSide = 21;
  void SetGlyph(const QIcon& glyph);

  std::function<void()> OnClick;

 protected:
  void nextCheckState() override;

 private:
  void ReleaseOthers();

  int groupIndex_ = 0;
  bool allowAllUp_ = false;
};

}  // namespace platform_qt
