#include "platform/qt/float_edit.h"

#include <array>
#include <charconv>

#include "base/float_check.h"
#include "platform/locale.h"
#include "platform/qt/minus_sign.h"

namespace platform_qt {

FloatEdit::FloatEdit(QWidget* parent) : QLineEdit(parent) {
  SetValue(10);
}

double FloatEdit::Value() const {
  long double value = 0;
  if (!platform::TryStrToFloat(WithAsciiMinus(text()).toStdString(), platform::DecimalSeparator(),
                               value))
    return 0;
  // A typed number beyond the double range overflows when it is stored, like any other overflow.
  FloatCheck check;
  const double result = static_cast<double>(value);
  check.Check();
  return result;
}

void FloatEdit::SetValue(double value) {
  std::array<char, 400> buffer{};
  const auto result = std::to_chars(buffer.data(), buffer.data() + buffer.size(), value,
                                    std::chars_format::fixed, decimals_);
  std::string text(buffer.data(), result.ptr);
  for (char& c : text)
    if (c == '.') c = platform::DecimalSeparator();
  setText(QString::fromStdString(text));
}

void FloatEdit::SetValueExactly(double value) {
  // Longer plain forms (1e-7 as 0.0000001) are harder to read than the exponent form.
  constexpr std::size_t kPlainLength = 12;
  std::array<char, 400> buffer{};
  auto result =
      std::to_chars(buffer.data(), buffer.data() + buffer.size(), value, std::chars_format::fixed);
  if (std::size_t(result.ptr - buffer.data()) > kPlainLength)
    result = std::to_chars(buffer.data(), buffer.data() + buffer.size(), value);
  std::string text(buffer.data(), result.ptr);
  for (char& c : text)
    if (c == '.') c = platform::DecimalSeparator();
  setText(QString::fromStdString(text));
}

}  // namespace platform_qt
