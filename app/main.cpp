#include <QApplication>
#include <QIcon>
#include <QTimer>
#include <clocale>
#include <iostream>
#include <string>
#include <vector>

#include "app/frm_main.h"
#include "app/plot_file.h"
#include "app/termination.h"
#include "app_core/command_line.h"
#include "app_core/fit_command.h"
#include "platform/qt/event_dispatch.h"
#include "platform/qt/install.h"

int main(int argc, char* argv[]) {
  // The command-line fit, the picture, help, version and usage errors need no display. They
  // keep the signals' default actions: Ctrl+C ends a long fit at once (a picture is renamed into
  // place only when whole, so none is left half written).
  const std::vector<std::string> args(argv + std::min(argc, 1), argv + argc);
  if (WantsNoWindow(args)) {
    const CommandLine request = ParseCommandLine(args);
    if (request.Do != CommandLine::Action::Plot)
      return RunWithoutWindow(request, std::cout, std::cerr);
    // A picture needs Qt's fonts and painting but no display: the offscreen platform, at the
    // ratio the request names rather than one the environment sets.
    qputenv("QT_QPA_PLATFORM", "offscreen");
    for (const char* name : {"QT_SCALE_FACTOR", "QT_SCREEN_SCALE_FACTORS", "QT_FONT_DPI"})
      qunsetenv(name);
    QApplication app(argc, argv);
    std::setlocale(LC_NUMERIC, "C");
    platform_qt::InstallQtPlatform();
    return RunPlot(request, std::cerr);
  }

  InstallTerminationHandlers();
  QApplication app(argc, argv);
  // Qt adopts the user's locale for the C library; numbers the program writes use ".", and typed
  // numbers are read with the separator from platform/locale.h.
  std::setlocale(LC_NUMERIC, "C");
  // What Qt left of the arguments: at most one file.
  std::vector<std::string> rest;
  for (const QString& a : QCoreApplication::arguments().mid(1)) rest.push_back(a.toStdString());
  const CommandLine request = ParseCommandLine(rest);
  if (request.Do != CommandLine::Action::Window)
    return RunWithoutWindow(request, std::cout, std::cerr);

  QApplication::setApplicationName(QStringLiteral("Ravelon"));
  // Lets the desktop match the windows to the installed entry and its icon.
  QGuiApplication::setDesktopFileName(QStringLiteral("ravelon"));
  QApplication::setWindowIcon(QIcon(QStringLiteral(":/ravelon-64.png")));
  platform_qt::InstallQtPlatform();

  TFrmMain frmMain;
  CloseOnTermination(frmMain);
  frmMain.show();
  // Opened from inside the event loop, so that a signal during its message ends that loop too.
  if (!request.File.empty())
    QTimer::singleShot(0, &frmMain, [&] {
      platform_qt::DispatchEvent([&] { frmMain.OpenDataFile(request.File, request.Columns); });
    });
  return QApplication::exec();
}
