#pragma once

#include <QWidget>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "app_core/fit_analysis.h"
#include "app_core/model_comparison.h"
#include "app_core/model_table.h"
#include "chart/varori.h"

class QDoubleSpinBox;
class QLabel;
class QPlainTextEdit;
class QTableWidget;
namespace platform_qt {
class ControlHostWidget;
}

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

// "Residuen": the residuals of the model the main window shows against x, as marks on a chart of
// the main chart's kind with a zero line; its x range is the main chart's, its y range fits the
// residuals (the mouse pans it up and down). Points of high leverage are marked in a second
// colour.
class ResidualWindow : public KeptWindow {
 public:
  explicit ResidualWindow(QWidget* parent);
  ~ResidualWindow() override;
  // The marks of the analysis' points that have a residual; those of leverage above
  // `leverageLimit` in the second colour. `about` names the model and the limit above the chart.
  void SetResiduals(const FitAnalysis& analysis, double leverageLimit, const std::string& about);
  // No residuals, and why.
  void SetMessage(const std::string& text);
  // The x range of the main chart.
  void FollowX(double low, double high);

  // The marks' colours: ordinary points as in the main chart, high leverage.
  static constexpr platform::TColor kPointColor = platform::clGreen;
  static constexpr platform::TColor kLeverageColor = platform::clRed;

  QLabel* About;
  TVArori Chart;
  QWidget* ChartHost;

 private:
  // Declared after the chart: destroyed before it.
  std::unique_ptr<platform_qt::ControlHostWidget> host_;
};
