#pragma once

#include <QWidget>

class QKeyEvent;
class QPushButton;
class QTextBrowser;

// The user's guide in its own window, beside the main window and never modal:
//
//   UserGuideWindow guide(mainWindow);   // one instance, kept by the main window
//   guide.ShowAndRaise();                // F1 or "Hilfe": shows it, or brings it to the front
//
// The guide is an HTML page compiled into the program (kGuideUrl), so it needs no installed
// files and no network. Its table of contents and cross-references are anchors inside the page;
// links to other places go to the desktop's browser. The window remembers nothing between runs.
class UserGuideWindow : public QWidget {
 public:
  static constexpr const char* kGuideUrl = "qrc:/guide/anleitung.html";

  explicit UserGuideWindow(QWidget* parent = nullptr);

  // Shows the window at the guide's start, or, when it is open already, restores it from the
  // task bar, raises it and gives it the focus, keeping the place the reader had reached.
  void ShowAndRaise();

  QTextBrowser* Browser;
  QPushButton* BackButton;
  QPushButton* ContentsButton;

 protected:
  void keyPressEvent(QKeyEvent* event) override;
};
