#pragma once

#include <QMainWindow>

// The main window. Its controls and handlers are added as their parts arrive.
class TFrmMain : public QMainWindow {
  Q_OBJECT

 public:
  static constexpr int kDesignWidth = 841;
  static constexpr int kDesignHeight = 657;

  explicit TFrmMain(QWidget* parent = nullptr);
};
