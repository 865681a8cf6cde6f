#pragma once

#include <QRegularExpressionValidator>
#include <QString>

namespace platform_qt {

// The text with every minus sign U+2212, which keyboard layouts and copied text bring, as "-",
// so that a typed "−3" keeps its sign.
QString WithAsciiMinus(QString text);

// A pattern validator that first turns U+2212 into "-", which the pattern then accepts.
class MinusSignValidator : public QRegularExpressionValidator {
 public:
  MinusSignValidator(const QRegularExpression& pattern, QObject* parent);
  State validate(QString& input, int& pos) const override;
};

}  // namespace platform_qt
