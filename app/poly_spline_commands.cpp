#include <QLabel>
#include <string>

#include "app_core/curve_sampling.h"
#include "app/frm_main.h"
#include "app_core/model_table.h"
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
  ShowFittedModel(ModelRow({ModelKind::Polynomial, p}));
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
  ShowFittedModel(ModelRow({ModelKind::Spline, 0, SBarSmoothSpline->Position() / 1000.0}));
}
