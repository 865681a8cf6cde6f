#include <cmath>

#include "app/frm_main.h"
#include "app/message_boxes.h"
#include "app_core/chart_setup.h"
#include "base/float_check.h"
#include "platform/locale.h"
#include "platform/qt/speed_button.h"
#include "platform/qt/value_grid.h"

namespace {

// A cell's number as the store keeps it; beyond the double range it is an overflow.
double CellValue(const std::string& text) {
  return StoredDouble(platform::StrToFloat(text));
}

}  // namespace

void TFrmMain::TakeOverTable() {
  const EvaluationUpdate update(*this);
  for (auto* b : {BButLinFit, BButLogFit, BButParabolFit, BButCalcReciprLine, SBRecipLog, SBExpo,
                  BButPolynomial, BButSpline})
    b->SetDown(false);
  Stats1.ClearData();
  PointsChanged();
  int r = 1;
  while (!WerteTabelleGrid->Cell(0, r).empty()) ++r;
  const int n = r - 1;
  if (n <= 0) {
    WarningBox("Tabelle ist leer");
  } else {
    for (int i = 1; i <= n; ++i) {
      const double x = CellValue(WerteTabelleGrid->Cell(0, i));
      const double y = CellValue(WerteTabelleGrid->Cell(1, i));
      VArori1.AddMark(x, y, kPointMark);
      Stats1.AddPoint(x, y);
    }
    UpdateOrderLimit();
  }
  VArori1.ShowItems();
}
