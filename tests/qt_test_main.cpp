#include <gtest/gtest.h>

#include <QApplication>
#include <QTemporaryDir>

#include "platform/qt/install.h"

// Widgets need an application object and the Qt platform before the first test builds one.
int main(int argc, char* argv[]) {
  qputenv("QT_QPA_PLATFORM",
          qgetenv("QT_QPA_PLATFORM").isEmpty() ? "offscreen" : qgetenv("QT_QPA_PLATFORM"));
  // The window keeps its recent files in the user's settings: the tests keep theirs apart.
  const QTemporaryDir config;
  qputenv("XDG_CONFIG_HOME", config.path().toUtf8());
  QApplication app(argc, argv);
  QApplication::setApplicationName(QStringLiteral("Ravelon"));
  platform_qt::InstallQtPlatform();
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
