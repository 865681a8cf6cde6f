#include "app/message_boxes.h"

#include <QApplication>
#include <QEventLoop>
#include <QFileDialog>
#include <QMessageBox>
#include <QPushButton>
#include <memory>

#include "platform/qt/event_dispatch.h"

namespace {

std::function<void(const std::string&)>& ErrorHook() {
  static std::function<void(const std::string&)> hook;
  return hook;
}

std::function<void(const std::string&)>& WarningHook() {
  static std::function<void(const std::string&)> hook;
  return hook;
}

std::function<void(const std::string&)>& InformationHook() {
  static std::function<void(const std::string&)> hook;
  return hook;
}

std::function<bool(const std::string&)>& QuestionHook() {
  static std::function<bool(const std::string&)> hook;
  return hook;
}

std::function<std::string(const std::string&)>& FileDialogHook() {
  static std::function<std::string(const std::string&)> hook;
  return hook;
}

QString FromStd(const std::string& text) {
  return QString::fromUtf8(text.data(), qsizetype(text.size()));
}

}  // namespace

std::string ErrorBoxText(const std::string& message) {
  if (!message.empty() && static_cast<unsigned char>(message.back()) > '.') return message + ".";
  return message;
}

void ShowErrorBox(const std::string& message) {
  const std::string text = ErrorBoxText(message);
  if (ErrorHook()) {
    ErrorHook()(text);
    return;
  }
  QMessageBox box(QMessageBox::Critical, QStringLiteral("Ravelon"), FromStd(text), QMessageBox::Ok);
  box.setWindowModality(Qt::ApplicationModal);
  platform_qt::NestedEventLoopScope scope;
  box.exec();
}

void ShowErrorBox(const std::exception& error) {
  ShowErrorBox(std::string(error.what()));
}

void WarningBox(const std::string& text) {
  if (WarningHook()) {
    WarningHook()(text);
    return;
  }
  // A blank title: an empty one would be replaced by the application name.
  auto box = std::make_unique<QMessageBox>(QMessageBox::Warning, QStringLiteral(" "), FromStd(text),
                                           QMessageBox::Ok);
  box->setWindowModality(Qt::NonModal);
  // Closing the main window ends the program, also while this owner-less box is open.
  box->setAttribute(Qt::WA_QuitOnClose, false);
  QEventLoop loop;
  QObject::connect(box.get(), &QMessageBox::finished, &loop, &QEventLoop::quit);
  // The box settles its window flags when first shown, so the top-most flag comes after.
  box->show();
  box->setWindowFlag(Qt::WindowStaysOnTopHint);
  box->show();
  platform_qt::NestedEventLoopScope scope;
  loop.exec();
}

void InformationBox(const std::string& text) {
  if (InformationHook()) {
    InformationHook()(text);
    return;
  }
  QMessageBox box(QMessageBox::Information, QStringLiteral("Ravelon"), FromStd(text),
                  QMessageBox::Ok);
  box.setWindowModality(Qt::ApplicationModal);
  platform_qt::NestedEventLoopScope scope;
  box.exec();
}

void SetErrorBoxHook(std::function<void(const std::string&)> hook) {
  ErrorHook() = std::move(hook);
}

void SetWarningBoxHook(std::function<void(const std::string&)> hook) {
  WarningHook() = std::move(hook);
}

void SetInformationBoxHook(std::function<void(const std::string&)> hook) {
  InformationHook() = std::move(hook);
}

void SetQuestionBoxHook(std::function<bool(const std::string&)> hook) {
  QuestionHook() = std::move(hook);
}

void SetFileDialogHook(std::function<std::string(const std::string&)> hook) {
  FileDialogHook() = std::move(hook);
}

bool QuestionBox(const std::string& text, const std::string& yes, const std::string& no) {
  if (QuestionHook()) return QuestionHook()(text);
  QMessageBox box(QMessageBox::Question, QStringLiteral("Ravelon"), FromStd(text));
  QPushButton* yesButton = box.addButton(FromStd(yes), QMessageBox::AcceptRole);
  QPushButton* noButton = box.addButton(FromStd(no), QMessageBox::RejectRole);
  box.setDefaultButton(yesButton);
  box.setEscapeButton(noButton);
  box.setWindowModality(Qt::ApplicationModal);
  platform_qt::NestedEventLoopScope scope;
  box.exec();
  return box.clickedButton() == yesButton;
}

namespace {

std::string AskFileName(bool save, const std::string& title, const std::string& start,
                        const std::string& filters) {
  if (FileDialogHook()) return FileDialogHook()(title);
  platform_qt::NestedEventLoopScope scope;
  const auto ask = save ? &QFileDialog::getSaveFileName : &QFileDialog::getOpenFileName;
  return ask(QApplication::activeWindow(), FromStd(title), FromStd(start), FromStd(filters),
             nullptr, QFileDialog::Options())
      .toStdString();
}

}  // namespace

std::string AskOpenFileName(const std::string& title, const std::string& start,
                            const std::string& filters) {
  return AskFileName(false, title, start, filters);
}

std::string AskSaveFileName(const std::string& title, const std::string& start,
                            const std::string& filters) {
  return AskFileName(true, title, start, filters);
}
