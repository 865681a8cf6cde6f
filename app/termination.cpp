#include "app/termination.h"

#include <fcntl.h>
#include <unistd.h>
#include <QApplication>
#include <QSessionManager>
#include <QSocketNotifier>
#include <cerrno>
#include <csignal>

#include "app/frm_main.h"

namespace {

int wakePipe[2] = {-1, -1};

// Async-signal-safe: one write, errno kept for the interrupted code.
void OnTerminationSignal(int) {
  const int saved = errno;
  const char byte = 1;
  [[maybe_unused]] const ssize_t n = write(wakePipe[1], &byte, 1);
  errno = saved;
}

}  // namespace

void InstallTerminationHandlers() {
  if (wakePipe[0] >= 0) return;
  // Non-blocking, so a flood of signals can never block the handler on a full pipe.
  if (pipe2(wakePipe, O_CLOEXEC | O_NONBLOCK) != 0) return;
  struct sigaction action {};
  action.sa_handler = OnTerminationSignal;
  sigemptyset(&action.sa_mask);
  action.sa_flags = SA_RESTART;
  for (const int signal : {SIGTERM, SIGHUP, SIGINT}) sigaction(signal, &action, nullptr);
}

void CloseOnTermination(TFrmMain& window) {
  if (wakePipe[0] >= 0) {
    auto* notifier = new QSocketNotifier(wakePipe[0], QSocketNotifier::Read, &window);
    QObject::connect(notifier, &QSocketNotifier::activated, &window, [&window] {
      char bytes[64];
      while (read(wakePipe[0], bytes, sizeof bytes) > 0) {
      }
      // The close handler shows its own errors; the program ends even when it kept the window.
      // exit, unlike quit, also ends a message box's loop that the signal interrupted.
      window.close();
      QCoreApplication::exit(0);
    });
  }
#if QT_CONFIG(sessionmanager)
  QObject::connect(qApp, &QGuiApplication::commitDataRequest, &window,
                   [&window](QSessionManager&) { window.CommitSessionData(); });
#endif
}
