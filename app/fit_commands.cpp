#include <QLabel>
#include <string>

#include "app_core/chart_setup.h"
#include "app_core/curve_sampling.h"
#include "app/frm_main.h"
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
  const CurveSampling samples(VArori1.Scale1X().RangeLow(), VArori1.Scale1X().RangeHigh());
  const std::optional<ModelTexts> texts = FitAndSweep(
      Stats1, row, &samples,
      [this](double fitQual) {
        NLabFitQual.SetValue(fitQual);
        NLabFitQual.SetEmpty(false);
      },
      [this](double x, double y, bool move) {
        if (move)
          VArori1.AddMovePoint(x, y);
        else
          VArori1.AddLinePoint(x, y);
      });
  if (!texts) return;
  VArori1.ShowItems();
  // The spline's labels stay hidden.
  if (row.IsSpline()) return;
  LblFormula->setText(QString::fromStdString(texts->formula));
  LblParams->setText(QString::fromStdString(texts->params));
  LblFormula->setVisible(true);
  LblParams->setVisible(true);
}
