#pragma once

#include <QApplication>

#include "platform/qt/install.h"

// The widgets' application on the offscreen platform, made on the first call, for the
// benchmarks that time the window.
inline void StartOffscreenApplication() {
  static int argc = 1;
  static char name[] = "bench";
  static char* argv[] = {name, nullptr};
  qputenv("QT_QPA_PLATFORM", "offscreen");
  // Never destroyed: the window's objects may outlive this function's statics at exit.
  static QApplication* app = new QApplication(argc, argv);
  (void)app;
  platform_qt::InstallQtPlatform();
}
