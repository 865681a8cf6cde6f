#pragma once

#include <QWidget>
#include <functional>

class QLineEdit;
class QToolButton;

namespace platform_qt {

// An integer edit with up and down buttons. MaxValue may lie below MinValue; setting Value
// clamps to MaxValue first and then to MinValue, so the minimum wins. Typed text may leave the
// bounds while the user types; it is clamped the same way when the edit loses the focus. Every
// change of the text fires OnChange: a change by code as a direct call, so its error reaches the
// caller.
class SpinEdit : public QWidget {
  Q_OBJECT

 public:
  explicit SpinEdit(QWidget* parent = nullptr);

  // The integer in the text, or MinValue when the text holds none.
  int Value() const;
  void SetValue(int value);
  int MinValue() const { return minValue_; }
  void SetMinValue(int value) { minValue_ = value; }
  int MaxValue() const { return maxValue_; }
  void SetMaxValue(int value) { maxValue_ = value; }
  QString Text() const;
  void SetText(const QString& text);
  QLineEdit* Editor() const { return edit_; }
  QToolButton* UpButton() const { return up_; }
  QToolButton* DownButton() const { return down_; }

  std::function<void()> OnChange;

 protected:
  void resizeEvent(QResizeEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  // Value by one up or down, by the buttons and the arrow keys.
  void Step(int delta);
  // Brings typed text into MinValue..MaxValue when the edit loses the focus.
  void ClampTypedText();

  QLineEdit* edit_;
  QToolButton* up_;
  QToolButton* down_;
  int minValue_ = 0;
  int maxValue_ = 0;
};

}  // namespace platform_qt
