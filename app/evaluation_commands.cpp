#include <vector>

#include "app/evaluation_windows.h"
#include "app/frm_main.h"
#include "app_core/curve_sampling.h"
#include "app_core/fit_analysis.h"
#include "app_core/fit_report.h"
#include "app_core/model_comparison.h"
#include "platform/qt/scroll_bar.h"
#include "platform/qt/speed_button.h"
#include "platform/qt/spin_edit.h"

namespace {

std::vector<DataPoint> PointsOf(const TRovavAza& store) {
  const std::size_t n = std::size_t(store.NumPoints());
  const auto& table = store.PointTable();
  std::vector<DataPoint> points(n);
  for (std::size_t i = 0; i < n; ++i) points[i] = {table.Column(1)[i], table.Column(2)[i]};
  return points;
}

}  // namespace

void TFrmMain::ShowStatisticsWindow() {
  if (!Statistik) {
    Statistik = new StatisticsWindow(this);
    Statistik->OnLevelChanged = [this] {
      // The bands follow the report's level.
      if (BaenderZeigen1->isChecked()) ToggleBands();
      UpdateEvaluation();
    };
  }
  Statistik->ShowAndRaise();
  UpdateEvaluation();
}

void TFrmMain::ShowResidualWindow() {
  if (!Residuen) {
    Residuen = new ResidualWindow(this);
    VArori1.OnZoomPan = [this](TVArori&) { FollowMainChartX(); };
  }
  Residuen->ShowAndRaise();
  UpdateEvaluation();
}

void TFrmMain::FollowMainChartX() {
  if (Residuen && Residuen->isVisible())
    Residuen->FollowX(VArori1.Scale1X().RangeLow(), VArori1.Scale1X().RangeHigh());
}

void TFrmMain::ShowComparisonWindow() {
  if (!Vergleich) {
    Vergleich = new ComparisonWindow(this);
    Vergleich->OnChoose = [this](const ModelChoice& model) { ShowChosenModel(model); };
  }
  Vergleich->ShowAndRaise();
  UpdateEvaluation();
}

void TFrmMain::ForgetShownModel() {
  shownModel_.reset();
  analysis_.reset();
}

const std::vector<DataPoint>& TFrmMain::StorePoints() {
  if (storePoints_.size() != std::size_t(Stats1.NumPoints())) {
    analysis_.reset();
    storePoints_ = PointsOf(Stats1);
  }
  return storePoints_;
}

const FitAnalysis& TFrmMain::ShownAnalysisAt(double level, bool band, const ModelFit* known) {
  if (!analysis_ || analysis_->level != level || (band && !analysis_->band)) {
    analysis_.reset();
    const std::vector<DataPoint>& points = StorePoints();
    const CurveSampling samples(VArori1.Scale1X().RangeLow(), VArori1.Scale1X().RangeHigh());
    analysis_ = ShownAnalysis{AnalyseFit(Stats1, points, *shownModel_, level,
                                         shownModel_->Choice().mergeTies, samples, band, known),
                              level, band};
  }
  return analysis_->analysis;
}

void TFrmMain::UpdateEvaluation() noexcept {
  const bool statistics = Statistik && Statistik->isVisible();
  const bool residuals = Residuen && Residuen->isVisible();
  const bool comparison = Vergleich && Vergleich->isVisible() && comparisonStale_;
  if (statistics) {
    std::string text = kNoResultText;
    if (const std::optional<ModelRow> row = ShownModel()) {
      try {
        text = ResultText(ShownAnalysisAt(Statistik->Level(), false).report);
      } catch (const std::exception& e) {
        text = row->Name() + ": " + e.what();
      }
    }
    Statistik->SetText(text);
  }
  if (residuals) {
    FollowMainChartX();
    std::string message = kNoResultText;
    if (const std::optional<ModelRow> row = ShownModel()) {
      try {
        const FitAnalysis& a = ShownAnalysisAt(EvaluationLevel(), false);
        // Twice the mean leverage: the spline's parameters are its trace.
        const double p = a.report.spline ? a.report.trace : a.report.parameterCount;
        const double limit = 2 * p / a.report.n;
        // The limit rounded for reading: the colours compare the exact value.
        Residuen->SetResiduals(a, limit,
                               "Residuen y − ŷ von " + row->Name() +
                                   " über x; rot: Hebelwert über 2p/n = " +
                                   QString::number(limit, 'g', 3).toStdString());
        message.clear();
      } catch (const std::exception& e) {
        message = row->Name() + ": " + e.what();
      }
    }
    if (!message.empty()) Residuen->SetMessage(message);
  }
  if (comparison) {
    comparisonStale_ = false;
    ++comparisonGeneration_;
    const std::vector<DataPoint>& points = StorePoints();
    if (points.size() < 3) {
      Vergleich->SetMessage("Für den Vergleich sind mindestens drei Punkte nötig.");
    } else {
      try {
        Vergleich->SetMessage("Die Modelle werden verglichen \u2026");
        StartComparison(points);
      } catch (const std::exception& e) {
        Vergleich->SetMessage(e.what());
      }
    }
  }
}

void TFrmMain::StartComparison(std::vector<DataPoint> points) {
  const int generation = comparisonGeneration_;
  const bool merge = mergeTies_;
  comparisonThread_.start([this, points = std::move(points), merge, generation] {
    std::vector<ModelComparison> rows;
    std::string error;
    try {
      // A store of its own: the window's keeps its spline, and the two threads share nothing.
      TRovavAza store;
      store.AddPoints(points);
      rows = CompareModels(store, points, merge);
    } catch (const std::exception& e) {
      error = e.what();
    }
    QMetaObject::invokeMethod(
        this,
        [this, rows = std::move(rows), error, generation]() mutable {
          // Rows of points that changed meanwhile are dropped: a later comparison runs.
          if (generation != comparisonGeneration_ || !Vergleich) return;
          if (error.empty())
            Vergleich->SetRows(std::move(rows));
          else
            Vergleich->SetMessage(error);
        },
        Qt::QueuedConnection);
  });
}

double TFrmMain::EvaluationLevel() const {
  return Statistik ? Statistik->Level() : 0.95;
}

void TFrmMain::ToggleBands() {
  const std::optional<ModelRow> row = ShownModel();
  RemoveFittedCurve();
  if (row) {
    ShowFittedModel(*row);
  } else {
    VArori1.ShowItems();
  }
}

void TFrmMain::ShowChosenModel(const ModelChoice& model) {
  for (const auto& [button, kind] : FitButtons())
    if (kind == model.kind) button->click();
  if (model.kind == ModelKind::Polynomial) {
    SEPolyOrder->SetValue(model.order);
    BButPolynomial->click();
  }
  if (model.kind == ModelKind::Spline) {
    SBarSmoothSpline->SetPosition(int(model.factor * 1000));
    BButSpline->click();
  }
}
