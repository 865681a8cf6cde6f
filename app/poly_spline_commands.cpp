#include <QLabel>
#include <algorithm>
#include <array>
#include <string>

#include "app/curve_sampling.h"
#include "app/frm_main.h"
#include "app/model_table.h"
#include "fit/float_check.h"
#include "platform/qt/scroll_bar.h"
#include "platform/qt/speed_button.h"
#include "platform/qt/spin_edit.h"

namespace {

constexpr int kMaxOrder = 10;

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
  if (!Stats1.CalcPolynomialFit(std::uint8_t(p), c, fitQual, rankDeficient)) return;
  NLabFitQual.SetValue(fitQual);
  NLabFitQual.SetEmpty(false);

  // Summed as written, in doubles; an overflow is raised where it happens.
  auto P = [&](double x) {
    const int order = std::clamp(SEPolyOrder->Value(), 0, kMaxOrder);
    FloatCheck check;
    double sum = 0, power = 1;
    for (int j = 0; j <= order; ++j) {
      sum = sum + c[j] * power;
      power = power * x;
    }
    check.Check();
    return sum;
  };
  const CurveSampling samples(VArori1.Scale1X().RangeLow(), VArori1.Scale1X().RangeHigh());
  const double x0 = StoredDouble(samples.RL() + static_cast<long double>(samples.Step()));
  VArori1.AddMovePoint(x0, P(x0));
  for (int i = 1; i <= CurveSampling::kSamples; ++i) {
    const double x = samples.Sample(i);
    VArori1.AddLinePoint(x, P(x));
  }
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
