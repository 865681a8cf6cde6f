#include <QApplication>

#include "app/frm_main.h"

int main(int argc, char* argv[]) {
  QApplication app(argc, argv);
  QApplication::setApplicationName(QStringLiteral("Ravelon"));
  QApplication::setApplicationDisplayName(QStringLiteral("Ravelon"));

  TFrmMain frmMain;
  frmMain.show();
  return QApplication::exec();
}
