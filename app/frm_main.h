#pragma once

#include <QMainWindow>
#include <QThreadPool>
#include <array>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app_core/fit_analysis.h"
#include "app_core/model_table.h"
#include "chart/varori.h"
#include "fit/rovav_aza.h"
#include "io/data_file.h"
#include "scale/num_lab.h"

class QAction;
class QCloseEvent;
class QDragEnterEvent;
class QDragMoveEvent;
class QDropEvent;
class QLabel;
class QMenu;
class QPushButton;
class TFormHilfe;
class UserGuideWindow;
class StatisticsWindow;
class ComparisonWindow;
class ResidualWindow;

namespace platform_qt {
class ControlHostWidget;
class FloatEdit;
class Panel;
class ScrollBar;
class SpeedButton;
class SpinEdit;
class ValueGrid;
}  // namespace platform_qt

// The window's caption: the program and its version, and " - " and the file's name while its
// points are shown (fileName empty: none).
std::string CaptionText(const std::string& fileName);

// What the result's commands say where no model is shown.
inline constexpr char kNoResultText[] = "Noch kein Ergebnis: bitte zuerst ein Modell wählen.";

// The main window. Its controls carry their form names, as member and as object name; the
// handlers of the commands are wired as their parts arrive.
class TFrmMain : public QMainWindow {
 public:
  static constexpr int kDesignWidth = 841;
  static constexpr int kDesignHeight = 657;

  explicit TFrmMain(QWidget* parent = nullptr);
  ~TFrmMain() override;

  // Disables the smoothing and the order controls.
  void PrepareModelControls();
  // After points were added: the polynomial order may not exceed the number of points less one
  // (while there are at most 9). A clamp that changes the order's text runs the polynomial
  // command at once.
  void UpdateOrderLimit();
  // The model commands.
  void RunFitCommand(ModelKind model);
  // The least-squares model's fit, curve and labels, as its command shows them.
  void ShowFittedModel(const ModelRow& row);
  void RunPolynomialCommand();
  void RunSplineCommand();
  // Redraws the smoothing spline with the scroll bar's factor.
  void DrawSmoothSpline();
  // "Werte übernehmen": the table's rows replace the store's points.
  void TakeOverTable();
  // The close handler's work: the points into "veda.asc".
  void ExportOnClose();
  // A session manager's request before the session ends: the points into "veda.asc".
  void CommitSessionData();
  // Replaces the points with a data file's, as "Grafik Clear" followed by entering them would,
  // and sets both axes around them. A file that cannot be read raises its message and changes
  // nothing. Without a choice of columns, a file of more than two numeric columns asks for two
  // (cancelling changes nothing); lines skipped for a missing value are told after the chart
  // shows the rest.
  void OpenDataFile(const std::string& path, const ColumnChoice& columns = {});
  // Drops the items after the newest data mark: the curve of the last fit. Does not redraw.
  void RemoveFittedCurve();
  // After the points changed (entered, taken over, cleared): the caption loses the file's name
  // and the spline stops merging repeated x.
  void PointsChanged();

  // The menu's commands.
  // "Werte-Tabelle laden": a file chosen in the dialog, opened as by argument.
  void OpenFileCommand();
  // A file of "Zuletzt geöffnet"; one that no longer opens is dropped from the list.
  void OpenRecentFile(const std::string& path);
  // "Werte-Tabelle speichern": the points, exactly, as .csv, .tsv/.txt or .asc.
  void SavePointsCommand();
  // "Bild speichern …": the chart as shown now, as --plot draws it.
  void SavePictureCommand();
  // "Ergebnis an Clipboard": the result as text, HTML and picture.
  void CopyResultCommand();
  // "Auswertung": the windows beside the main window, made on first use.
  void ShowStatisticsWindow();
  void ShowComparisonWindow();
  void ShowResidualWindow();
  // The residual window's x range is the chart's.
  void FollowMainChartX();
  // Brings the shown evaluation windows up to date with the points and the model; an error of
  // the fit is shown in them as text, never thrown.
  void UpdateEvaluation() noexcept;
  // "Bänder zeigen": the shown model drawn again with or without its bands.
  void ToggleBands();
  // The level of intervals and bands: the statistics window's, else 95 %.
  double EvaluationLevel() const;
  // A model chosen in the comparison, shown as its button (and order or factor) would.
  void ShowChosenModel(const ModelChoice& model);
  // The model last drawn (or refused) by a model command; nullopt without points, after
  // "Test-Eingabe", "Grafik Clear", "Werte übernehmen", an open, or a removed curve.
  std::optional<ModelRow> ShownModel() const;
  // The recently opened files, newest first (at most kRecentFiles).
  static constexpr int kRecentFiles = 8;
  std::vector<std::string> RecentFiles() const;

  // The curve-fitting store the handlers work on.
  TRovavAza Stats1;
  // The polynomial command, run by every change of SEPolyOrder.
  std::function<void()> PolynomialCommand;

  std::array<platform_qt::SpeedButton*, 8> ModelButtons() const;
  // The buttons of the two- and three-parameter models, each with its model.
  std::array<std::pair<platform_qt::SpeedButton*, ModelKind>, 6> FitButtons() const;

 protected:
  void closeEvent(QCloseEvent* event) override;
  void dragEnterEvent(QDragEnterEvent* event) override;
  void dragMoveEvent(QDragMoveEvent* event) override;
  void dropEvent(QDropEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 public:
  platform_qt::Panel* Panel3;
  platform_qt::Panel* Panel1;
  platform_qt::Panel* Panel2;
  // The chart. Its window is VArori1Host, which fills the area below Panel1 beside Panel2.
  TVArori VArori1;
  platform_qt::ControlHostWidget* VArori1Host = nullptr;
  platform_qt::SpeedButton* SBNewPnts;
  platform_qt::SpeedButton* SBClear;
  // The goodness of fit: the fit commands set its Value, then Empty := false.
  TNumLab NLabFitQual;
  QLabel* Label1;
  QLabel* LblFormula;
  QLabel* LblParams;
  platform_qt::SpeedButton* BButLinFit;
  platform_qt::SpeedButton* BButLogFit;
  platform_qt::SpeedButton* BButParabolFit;
  platform_qt::SpeedButton* BButCalcReciprLine;
  platform_qt::SpeedButton* SBRecipLog;
  platform_qt::SpeedButton* SBExpo;
  platform_qt::SpeedButton* BButPolynomial;
  platform_qt::SpinEdit* SEPolyOrder;
  QLabel* LblPolyOrder;
  platform_qt::SpeedButton* BButSpline;
  platform_qt::ScrollBar* SBarSmoothSpline;
  QLabel* LblSmoothSpline;
  platform_qt::FloatEdit* GraphXmaxEdit;
  QLabel* GraphXmaxEditLabel;
  platform_qt::FloatEdit* GraphYmaxEdit;
  QLabel* GraphYmaxEditLabel;
  QPushButton* ResetAxisButton;
  QLabel* Label2;
  platform_qt::ValueGrid* WerteTabelleGrid;
  QPushButton* BitBtn2;
  QPushButton* WerteUebernehmenBtn;

  QMenu* Datei1;
  QAction* ErgebnisAnClipboard;
  QAction* WerteTabellespeichern1;
  QAction* WerteTabelleladen1;
  QAction* BildSpeichern1;
  QMenu* ZuletztGeoeffnet1;
  QAction* Ende1;
  QAction* Hilfe1;
  QAction* Info1;
  TFormHilfe* FormHilfe;
  // The user's guide, made on the first "Hilfe" and raised by every later one.
  UserGuideWindow* Guide = nullptr;
  QMenu* Auswertung1;
  QAction* Statistik1;
  QAction* BaenderZeigen1;
  QAction* Residuen1;
  QAction* Modellvergleich1;
  StatisticsWindow* Statistik = nullptr;
  ResidualWindow* Residuen = nullptr;
  ComparisonWindow* Vergleich = nullptr;

 private:
  void CreatePanels();
  void CreatePanel3Controls();
  void SetUpFitQualityLabel();
  void SetUpChart(QWidget* parent);
  void CreatePanel1Controls();
  void CreatePanel2Controls();
  void CreateMenu();
  // Chart commands.
  void WireChartCommands();
  void WireModelCommands();
  void ChartMouseDown(int x, int y);
  void GrafikClear();
  void TestEingabe();
  void ResetAxis();
  // Lets files be dropped on the window and every child, the edits included.
  void AcceptDroppedFiles();
  // Keeps the table, its label and its buttons at their distance from Panel2's bottom.
  void AnchorTableControls();

  // Remembers a file opened: first in the recent list, its folder the dialogs' start.
  void RememberFile(const std::string& path);
  void ForgetRecentFile(const std::string& path);
  void FillRecentMenu();
  // The chart as shown now, for a picture: the window's chart's items, ranges and size.
  void DrawPictureOf(const std::function<void(TVArori& chart, const std::string& caption)>& use);
  // The dialogs start in the folder of the last file opened or saved.
  std::string DialogFolder() const;
  void RememberFolder(const std::string& path);

  int designPanel2Height_ = 0;
  // The name of the file whose points are shown, for the caption; empty once they change.
  std::string shownFile_;
  std::optional<ModelRow> shownModel_;
  // The shown model's analysis at a level, computed once for the bands and the evaluation
  // windows; its residuals read `storePoints_`.
  struct ShownAnalysis {
    FitAnalysis analysis;
    double level;
    bool band;
  };
  std::optional<ShownAnalysis> analysis_;
  // The store's points in their order, copied once for the evaluation after the points change.
  std::vector<DataPoint> storePoints_;
  const std::vector<DataPoint>& StorePoints();
  void ForgetShownModel();
  // The analysis of the shown model at the level, made once (with the band where asked) and
  // kept until the model, the points or the level change. Throws the fit's errors. `known`: the
  // shown least-squares model's fit, made already.
  const FitAnalysis& ShownAnalysisAt(double level, bool band, const ModelFit* known = nullptr);
  // "Mitteln" was chosen: the spline merges repeated x until the points change.
  bool mergeTies_ = false;
  // The comparison belongs to other points (or ties) than those shown now.
  bool comparisonStale_ = true;
  // Every model on a million points takes seconds: the comparison runs on a copy of the points
  // in a thread of its own, and its rows are shown when it ends unless a later one was started.
  // Declared last but the hosts: destroyed early, it waits for a running comparison, whose
  // result then goes to the window's event queue (and is dropped with it).
  QThreadPool comparisonThread_;
  int comparisonGeneration_ = 0;
  void StartComparison(std::vector<DataPoint> points);
  // Shows NLabFitQual in Panel3. Declared after the label: the host is destroyed first, as the
  // label must outlive it.
  std::unique_ptr<platform_qt::ControlHostWidget> nLabFitQualHost_;
  // Likewise the chart's host, declared after the chart.
  std::unique_ptr<platform_qt::ControlHostWidget> varori1Host_;
};

// Brings the evaluation windows up to date when a handler ends, also when an error ends it.
class EvaluationUpdate {
 public:
  explicit EvaluationUpdate(TFrmMain& window) : window_(window) {}
  ~EvaluationUpdate() { window_.UpdateEvaluation(); }
  EvaluationUpdate(const EvaluationUpdate&) = delete;
  EvaluationUpdate& operator=(const EvaluationUpdate&) = delete;

 private:
  TFrmMain& window_;
};
