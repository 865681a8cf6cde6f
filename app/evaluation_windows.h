#pragma once

#include <QWidget>
#include <functional>
#include <string>
#include <vector>

#include "app_core/model_comparison.h"
#include "app_core/model_table.h"

class QDoubleSpinBox;
class QLabel;
class QPlainTextEdit;
class QTableWidget;

// A window of its own beside the main window, never modal, that keeps its place and size between
// runs in the user's settings under `key`.
class KeptWindow : public QWidget {
 public:
  KeptWindow(QWidget* parent, const char* key, const QString& title, QSize size);
  // Shows it, or raises it where it is shown already.
  void ShowAndRaise();

 protected:
  void hideEvent(QHideEvent* event) override;

 private:
  const char* key_;
};

// "Statistik": the report of the model the main window shows, as `--stats` prints it, at a level
// the user sets; the text can be selected and copied.
class StatisticsWindow : public KeptWindow {
 public:
  explicit StatisticsWindow(QWidget* parent);
  // The confidence level of the intervals, 0.5..0.999.
  double Level() const;
  void SetText(const std::string& text);
  std::string Text() const;
  // A change of the level asks for the text anew.
  std::function<void()> OnLevelChanged;

  QDoubleSpinBox* LevelEdit;
  QPlainTextEdit* Report;
};

// "Modellvergleich": every model on the points, best AIC first, refused ones last with their
// message; choosing a row (double click or Enter) shows that model in the main window.
class ComparisonWindow : public KeptWindow {
 public:
  explicit ComparisonWindow(QWidget* parent);
  void SetRows(std::vector<ModelComparison> rows);
  // Shown instead of the rows, where there are none to compare.
  void SetMessage(const std::string& text);
  std::function<void(const ModelChoice& model)> OnChoose;

  QTableWidget* Table;
  QLabel* Message;

 private:
  std::vector<ModelComparison> rows_;
};
