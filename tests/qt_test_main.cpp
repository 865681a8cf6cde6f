#include <gtest/gtest.h>

#include <QApplication>

// Widgets need an application object before the first test builds one.
int main(int argc, char* argv[]) {
  qputenv("QT_QPA_PLATFORM", qgetenv("QT_QPA_PLATFORM").isEmpty() ? "offscreen"
                                                                   : qgetenv("QT_QPA_PLATFORM"));
  QApplication app(argc, argv);
  QApplication::setApplicationName(QStringLiteral("Ravelon"));
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
