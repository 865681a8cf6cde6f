#include "platform/qt/spin_edit.h"

#include <QFocusEvent>
#include <QKeyEvent>
#include <QLineEdit>
#include <QSignalBlocker>
#include <QToolButton>
#include <algorithm>
#include <limits>

#include "platform/qt/event_dispatch.h"
#include "platform/qt/minus_sign.h"

namespace platform_qt {

SpinEdit::SpinEdit(QWidget* parent)
    : QWidget(parent),
      edit_(new QLineEdit(this)),
      up_(new QToolButton(this)),
      down_(new QToolButton(this)) {
  // The minus sign U+2212 counts as "-": dropping it would flip the sign without a word.
  edit_->setValidator(
      new MinusSignValidator(QRegularExpression(QStringLiteral("[-+0-9]*")), edit_));
  edit_->setText(QStringLiteral("0"));
  edit_->installEventFilter(this);
  up_->setArrowType(Qt::UpArrow);
  down_->setArrowType(Qt::DownArrow);
  for (auto* b : {up_, down_}) {
    b->setFocusPolicy(Qt::NoFocus);
    b->setAutoRepeat(true);
  }
  setFocusProxy(edit_);
  connect(edit_, &QLineEdit::textEdited, this, [this] { DispatchEvent(OnChange); });
  connect(up_, &QToolButton::clicked, this, [this] { DispatchEvent([this] { Step(1); }); });
  connect(down_, &QToolButton::clicked, this, [this] { DispatchEvent([this] { Step(-1); }); });
}

int SpinEdit::Value() const {
  bool ok = false;
  const int value = edit_->text().trimmed().toInt(&ok);
  return ok ? value : minValue_;
}

void SpinEdit::SetValue(int value) {
  value = std::min(value, maxValue_);
  value = std::max(value, minValue_);
  SetText(QString::number(value));
}

void SpinEdit::Step(int delta) {
  // A typed number may sit at the end of the int range; the step must not wrap around it.
  const long long next = static_cast<long long>(Value()) + delta;
  SetValue(static_cast<int>(std::clamp<long long>(next, std::numeric_limits<int>::min(),
                                                  std::numeric_limits<int>::max())));
}

void SpinEdit::ClampTypedText() {
  const QString text = edit_->text().trimmed();
  static const QRegularExpression integer(QStringLiteral("^[-+]?[0-9]+$"));
  // Text that holds no integer already reads as MinValue and stays as typed.
  if (!integer.match(text).hasMatch()) return;
  bool ok = false;
  long long typed = text.toLongLong(&ok);
  // Too many digits for any integer type: beyond either bound, on the side of its sign.
  if (!ok)
    typed = text.startsWith(u'-') ? std::numeric_limits<long long>::min()
                                  : std::numeric_limits<long long>::max();
  const long long clamped = std::max<long long>(std::min<long long>(typed, maxValue_), minValue_);
  if (clamped != typed) SetValue(static_cast<int>(clamped));
}

QString SpinEdit::Text() const {
  return edit_->text();
}

void SpinEdit::SetText(const QString& text) {
  if (text == edit_->text()) return;
  {
    const QSignalBlocker block(edit_);
    edit_->setText(text);
  }
  if (OnChange) OnChange();
}

void SpinEdit::resizeEvent(QResizeEvent*) {
  const int buttonWidth = 15;
  const int w = std::max(width() - buttonWidth, 0);
  edit_->setGeometry(0, 0, w, height());
  up_->setGeometry(w, 0, buttonWidth, height() / 2);
  down_->setGeometry(w, height() / 2, buttonWidth, height() - height() / 2);
}

bool SpinEdit::eventFilter(QObject* watched, QEvent* event) {
  if (watched == edit_ && event->type() == QEvent::FocusOut) {
    // The edit's own context menu takes the focus only for a moment.
    if (static_cast<QFocusEvent*>(event)->reason() != Qt::PopupFocusReason)
      DispatchEvent([this] { ClampTypedText(); });
  } else if (watched == edit_ && event->type() == QEvent::KeyPress) {
    const int key = static_cast<QKeyEvent*>(event)->key();
    if (key == Qt::Key_Up || key == Qt::Key_Down) {
      const int step = key == Qt::Key_Up ? 1 : -1;
      DispatchEvent([this, step] { Step(step); });
      return true;
    }
  }
  return QWidget::eventFilter(watched, event);
}

}  // namespace platform_qt
