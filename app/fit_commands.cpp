#include <QLabel>
#include <string>

#include "app/curve_sampling.h"
#include "app/frm_main.h"
#include "app/model_curve.h"
#include "app/model_table.h"
#include "platform/qt/speed_button.h"

void TFrmMain::RunFitCommand(FitModel model) {
  PrepareModelControls();
  RemoveFittedCurve();
  SBNewPnts->SetDown(false);

  const ModelRow& row = ModelRowOf(model);
  const ModelFit fit = row.Fit(Stats1);
  NLabFitQual.SetValue(fit.FitQual);
  NLabFitQual.SetEmpty(false);

  const CurveSampling samples(VArori1.Scale1X().RangeLow(), VArori1.Scale1X().RangeHigh());
  SweepModel(row, fit, samples, [&](double x, double y, bool move) {
    if (move)
      VArori1.AddMovePoint(x, y);
    else
      VArori1.AddLinePoint(x, y);
  });
  VArori1.ShowItems();

  LblFormula->setText(QString::fromUtf8(row.Formula.data(), qsizetype(row.Formula.size())));
  LblParams->setText(QString::fromStdString(row.Params(fit)));
  LblFormula->setVisible(true);
  LblParams->setVisible(true);
}
