#include "platform/qt/minus_sign.h"

namespace platform_qt {

namespace {
constexpr char16_t kMinusSign = u'\u2212';
}

QString WithAsciiMinus(QString text) {
  return text.replace(QChar(kMinusSign), QChar(u'-'));
}

MinusSignValidator::MinusSignValidator(const QRegularExpression& pattern, QObject* parent)
    : QRegularExpressionValidator(pattern, parent) {}

QValidator::State MinusSignValidator::validate(QString& input, int& pos) const {
  // One character for one: the cursor position stays valid.
  input = WithAsciiMinus(input);
  return QRegularExpressionValidator::validate(input, pos);
}

}  // namespace platform_qt
