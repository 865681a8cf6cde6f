#include "app/frm_main.h"

TFrmMain::TFrmMain(QWidget* parent) : QMainWindow(parent) {
  setWindowTitle(QStringLiteral("      Ravelon V0.6    -    Univariante Regression"));
  resize(kDesignWidth, kDesignHeight);
  setMinimumSize(kDesignWidth, kDesignHeight);
}
