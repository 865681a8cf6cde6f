#include <QApplication>

#include "app/frm_main.h"
#include "platform/qt/install.h"

int main(int argc, char* argv[]) {
  QApplication app(argc, argv);
  QApplication::setApplicationName(QStringLiteral("Ravelon"));
  QApplication::setApplicationDisplayName(QStringLiteral("Ravelon"));
  platform_qt::InstallQtPlatform();

  TFrmMain frmMain;
  frmMain.show();
  return QApplication::exec();
}
