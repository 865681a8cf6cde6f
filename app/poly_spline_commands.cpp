#include <QLabel>
#include <array>
#include <string>

#include "app/curve_sampling.h"
#include "app/frm_main.h"
#include "app/model_table.h"
#include "platform/qt/scroll_bar.h"
#include "platform/qt/speed_button.h"
#include "platform/qt/spin_edit.h"

namespace {

constexpr int kMaxOrder = PolynomialCurve::kMaxOrder;

}  // namespace

void TFrmMain::RunPolynomialCommand() {
  PrepareModelControls();
  LblPolyOrder->setEnabled(true);
  SEPolyOrder->setEnabled(true);
  RemoveFittedCurve();
  SBNewPnts->SetDown(false);

  // While the user types, the order may be anything; one outside 0..10 waits for the clamp that
  // comes when the spin edit loses the focus.
  const int p = SEPolyOrder->Value();
  if (p < 0 || p > kMaxOrder) return;
  std::array<double, kMaxOrder + 1> c{};
  double fitQual = 0;
  bool rankDeficient = false;
  PolynomialCurve curve;
  if (!Stats1.CalcPolynomialFit(std::uint8_t(p), c, fitQual, rankDeficient, curve)) return;
  NLabFitQual.SetValue(fitQual);
  NLabFitQual.SetEmpty(false);

  // The curve from the form the fit was solved in; the labels show the coefficients of x^j.
  const CurveSampling samples(VArori1.Scale1X().RangeLow(), VArori1.Scale1X().RangeHigh());
  SweepPolynomial(samples, curve, [&](double x, double y, bool move) {
    if (move)
      VArori1.AddMovePoint(x, y);
    else
      VArori1.AddLinePoint(x, y);
  });
  VArori1.ShowItems();

  LblFormula->setText(QString::fromStdString(PolynomialFormula(p)));
  LblParams->setText(QString::fromStdString(PolynomialParams(c, p)));
  LblFormula->setVisible(true);
  LblParams->setVisible(true);
}

void TFrmMain::RunSplineCommand() {
  PrepareModelControls();
  SBarSmoothSpline->setEnabled(true);
  LblSmoothSpline->setEnabled(true);
  DrawSmoothSpline();
  LblFormula->setVisible(false);
  LblParams->setVisible(false);
}

void TFrmMain::DrawSmoothSpline() {
  RemoveFittedCurve();
  SBNewPnts->SetDown(false);
  const CurveSampling samples(VArori1.Scale1X().RangeLow(), VArori1.Scale1X().RangeHigh());
  SweepSmoothSpline(
      Stats1, samples, SBarSmoothSpline->Position() / 1000.0,
      [&](double fitQual) {
        NLabFitQual.SetValue(fitQual);
        NLabFitQual.SetEmpty(false);
      },
      [&](double x, double y, bool move) {
        if (move)
          VArori1.AddMovePoint(x, y);
        else
          VArori1.AddLinePoint(x, y);
      });
  VArori1.ShowItems();
}
