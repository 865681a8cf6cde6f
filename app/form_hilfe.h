#pragma once

#include <QDialog>

class QLabel;
class QPushButton;

// The about box: created once, shown modally over the main window any number of times, hidden
// again by "Close" or its own close button.
class TFormHilfe : public QDialog {
 public:
  explicit TFormHilfe(QWidget* parent = nullptr);

  // Shows the box modally; returns when it is closed.
  void ShowModal();

  QLabel* Label1;
  QLabel* Label3;
  QPushButton* Button1;
};
