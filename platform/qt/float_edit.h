#pragma once

#include <QLineEdit>

namespace platform_qt {

// An edit for a number typed with the locale's decimal separator. A text that holds no number
// (empty, "-", anything else) reads as 0; the minus sign U+2212 reads as "-"; a number beyond the
// double range raises EOverflow.
class FloatEdit : public QLineEdit {
  Q_OBJECT

 public:
  explicit FloatEdit(QWidget* parent = nullptr);

  double Value() const;
  // Shows the value with Decimals places and the locale's separator.
  void SetValue(double value);
  // Shows the shortest text that reads back as the value, with the locale's separator; an
  // exponent only where the plain digits would run long.
  void SetValueExactly(double value);
  int Decimals() const { return decimals_; }
  void SetDecimals(int decimals) { decimals_ = decimals; }

 private:
  int decimals_ = 2;
};

}  // namespace platform_qt
