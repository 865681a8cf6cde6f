#pragma once

class TFrmMain;

// SIGTERM, SIGHUP and SIGINT end the program the way the user's close does: the window closes
// through its close handler (the points go into "veda.asc"), then the event loop ends. The
// signal handler only writes a byte into a pipe; a socket notifier reads it in the event loop.
//
//   int main(...) {
//     InstallTerminationHandlers();   // before the window: a signal from now on is never lost
//     QApplication app(...);  TFrmMain window;
//     CloseOnTermination(window);     // signals and the session manager reach the window
//     return app.exec();
//   }
void InstallTerminationHandlers();
// A signal that came before this call is acted on once the event loop runs. Also writes the
// points when the session manager asks before a logout.
void CloseOnTermination(TFrmMain& window);
