#include <QApplication>
#include <QIcon>
#include <clocale>

#include "app/frm_main.h"
#include "platform/qt/install.h"

int main(int argc, char* argv[]) {
  QApplication app(argc, argv);
  // Qt adopts the user's locale for the C library; numbers the program writes use ".", and typed
  // numbers are read with the separator from platform/locale.h.
  std::setlocale(LC_NUMERIC, "C");
  QApplication::setApplicationName(QStringLiteral("Ravelon"));
  // Lets the desktop match the windows to the installed entry and its icon.
  QGuiApplication::setDesktopFileName(QStringLiteral("ravelon"));
  QApplication::setWindowIcon(QIcon(QStringLiteral(":/ravelon-64.png")));
  platform_qt::InstallQtPlatform();

  TFrmMain frmMain;
  frmMain.show();
  return QApplication::exec();
}
