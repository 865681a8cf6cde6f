#include <QLabel>
#include <string>

#include "app/curve_sampling.h"
#include "app/frm_main.h"
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
  const double rl = samples.RL();
  if (const auto y0 = row.Value(fit, rl)) {
    VArori1.AddMovePoint(rl, *y0);
  } else if (model == FitModel::Log) {
    VArori1.AddMovePoint(0, -1000000);
  }
  if (model == FitModel::Lin) {
    const double rh = samples.RH();
    VArori1.AddLinePoint(rh, *row.Value(fit, rh));
  } else {
    for (int i = 1; i <= CurveSampling::kSamples; ++i) {
      const double x = samples.Sample(i);
      if (const auto yi = row.Value(fit, x)) VArori1.AddLinePoint(x, *yi);
    }
  }
  VArori1.ShowItems();

  LblFormula->setText(QString::fromUtf8(row.Formula.data(), qsizetype(row.Formula.size())));
  LblParams->setText(QString::fromStdString(row.Params(fit)));
  LblFormula->setVisible(true);
  LblParams->setVisible(true);
}
