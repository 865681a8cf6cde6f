#include <QLabel>
#include <string>

#include "app/frm_main.h"
#include "app_core/chart_setup.h"
#include "app_core/curve_sampling.h"
#include "app_core/fit_analysis.h"
#include "app_core/model_curve.h"
#include "platform/qt/speed_button.h"

void TFrmMain::RunFitCommand(ModelKind model) {
  const EvaluationUpdate update(*this);
  PrepareModelControls();
  RemoveFittedCurve();
  SBNewPnts->SetDown(false);
  ShowFittedModel(ModelRow({model}));
}

void TFrmMain::ShowFittedModel(const ModelRow& row) {
  // Also where the fit refuses the points: the evaluation windows show the refusal.
  ForgetShownModel();
  shownModel_ = row;
  const CurveSampling samples(VArori1.Scale1X().RangeLow(), VArori1.Scale1X().RangeHigh());
  HideBand(VArori1);
  // With the bands, one fit serves them and the curve.
  std::optional<ModelFit> fit;
  const FitAnalysis* banded = nullptr;
  if (BaenderZeigen1->isChecked()) {
    // The bands as --plot --band draws them, before the curve. Where the model has none (no
    // residual degrees of freedom) or refuses the points, the curve's own command says so.
    try {
      if (!row.IsSpline()) fit = row.Fit(Stats1);
      banded = &ShownAnalysisAt(EvaluationLevel(), true, fit ? &*fit : nullptr);
      ShowBand(VArori1, banded->curve);
    } catch (const std::exception&) {
      banded = nullptr;
    }
  }
  if (banded && row.IsSpline()) {
    // The spline the bands were taken of, swept as its command sweeps it: computed once.
    NLabFitQual.SetValue(banded->report.fitQual);
    NLabFitQual.SetEmpty(false);
    AddCurve(VArori1, banded->curve);
    VArori1.ShowItems();
    return;
  }
  const std::optional<ModelTexts> texts = FitAndSweep(
      Stats1, row, &samples,
      [this](double fitQual) {
        NLabFitQual.SetValue(fitQual);
        NLabFitQual.SetEmpty(false);
      },
      [this](double x, double y, bool move) { AddCurvePoint(VArori1, x, y, move); },
      fit ? &*fit : nullptr);
  if (!texts) return;
  VArori1.ShowItems();
  // The spline's labels stay hidden.
  if (row.IsSpline()) return;
  LblFormula->setText(QString::fromStdString(texts->formula));
  LblParams->setText(QString::fromStdString(texts->params));
  LblFormula->setVisible(true);
  LblParams->setVisible(true);
}
