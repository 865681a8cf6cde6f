#include <QLabel>
#include <string>

#include "app/frm_main.h"
#include "app/message_boxes.h"
#include "app_core/curve_sampling.h"
#include "app_core/fit_analysis.h"
#include "app_core/model_table.h"
#include "fit/kovix_errors.h"
#include "format/shortest_text.h"
#include "platform/qt/scroll_bar.h"
#include "platform/qt/speed_button.h"
#include "platform/qt/spin_edit.h"

namespace {

constexpr int kMaxOrder = PolynomialCurve::kMaxOrder;

}  // namespace

void TFrmMain::RunPolynomialCommand() {
  const EvaluationUpdate update(*this);
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
  const EvaluationUpdate update(*this);
  RemoveFittedCurve();
  SBNewPnts->SetDown(false);
  const double factor = SBarSmoothSpline->Position() / 1000.0;
  if (!mergeTies_) {
    try {
      ShowFittedModel(ModelRow({ModelKind::Spline, 0, factor}));
      return;
    } catch (const EKovixMath2Error& e) {
      // Repeated x: the spline of the means of each x is offered; "Abbrechen" ends the command
      // with the spline's own message.
      if (std::string(e.what()).find("x-values are identical") == std::string::npos) throw;
      const RepeatedX repeated =
          FindRepeatedX(Stats1.PointTable().Column(1).first(std::size_t(Stats1.NumPoints())));
      if (repeated.count == 0) throw;
      if (!QuestionBox(
              "Die Punkte enthalten " + std::to_string(repeated.count) +
                  " mehrfach vorkommende x-Werte (das erste: x = " + ShortestText(repeated.first) +
                  "). Den Spline der Mittelwerte je x zeichnen?",
              "Mitteln", "Abbrechen"))
        throw;
      mergeTies_ = true;
      comparisonStale_ = true;
    }
  }
  ShowFittedModel(ModelRow({ModelKind::Spline, 0, factor, true}));
}
