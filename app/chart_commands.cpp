#include <QEvent>
#include <QLabel>
#include <QObject>
#include <QPushButton>

#include "app/frm_main.h"
#include "app_core/chart_setup.h"
#include "platform/cursor.h"
#include "platform/qt/event_dispatch.h"
#include "platform/qt/float_edit.h"
#include "platform/qt/host_widget.h"
#include "platform/qt/panel.h"
#include "platform/qt/speed_button.h"

namespace {

// Over the window's background and the two panels the arrow comes back: the chart sets the
// program's cursor while the mouse is over it and does not know when it has left.
class CursorReset : public QObject {
 public:
  using QObject::QObject;

 protected:
  bool eventFilter(QObject*, QEvent* event) override {
    if (event->type() == QEvent::MouseMove)
      platform_qt::DispatchEvent([] { platform::SetScreenCursor(platform::crDefault); });
    return false;
  }
};

}  // namespace

void TFrmMain::WireChartCommands() {
  VArori1.OnMouseDown = [this](TVArori&, platform::TMouseButton, platform::TShiftState, int x,
                               int y) { ChartMouseDown(x, y); };
  SBClear->OnClick = [this] { GrafikClear(); };
  SBNewPnts->OnClick = [this] { TestEingabe(); };
  connect(ResetAxisButton, &QPushButton::clicked, this,
          [this] { platform_qt::DispatchEvent([this] { ResetAxis(); }); });
  auto* reset = new CursorReset(this);
  for (QWidget* w :
       {centralWidget(), static_cast<QWidget*>(Panel1), static_cast<QWidget*>(Panel2)}) {
    w->setMouseTracking(true);
    w->installEventFilter(reset);
  }
}

void TFrmMain::RemoveFittedCurve() {
  ForgetShownModel();
  HideBand(VArori1);
  while (VArori1.LastItemKind() != ikMark && VArori1.LastItemKind() != ikNone)
    VArori1.DropLastItem();
}

void TFrmMain::ChartMouseDown(int x, int y) {
  if (!SBNewPnts->Down()) return;
  const EvaluationUpdate update(*this);
  double wx, wy;
  VArori1.PixelToWorld(1, x, y, wx, wy);
  VArori1.AddMark(wx, wy, kPointMark);
  Stats1.AddPoint(wx, wy);
  PointsChanged();
  UpdateOrderLimit();
  VArori1.ShowItems();
}

void TFrmMain::GrafikClear() {
  const EvaluationUpdate update(*this);
  Stats1.ClearData();
  PointsChanged();
  VArori1.ClearItems();
  HideBand(VArori1);
  ForgetShownModel();
  VArori1.ShowItems();
  SBNewPnts->SetDown(false);
  LblFormula->setVisible(false);
  LblParams->setVisible(true);
  LblParams->clear();
  PrepareModelControls();
}

void TFrmMain::TestEingabe() {
  const EvaluationUpdate update(*this);
  PrepareModelControls();
  for (auto* b : ModelButtons()) b->SetDown(false);
  RemoveFittedCurve();
  VArori1.ShowItems();
  LblFormula->setVisible(false);
  LblParams->setText(SBNewPnts->Down() ? QStringLiteral("click into chart to enter new data points")
                                       : QString());
  LblParams->setVisible(true);
}

void TFrmMain::ResetAxis() {
  // Both edits are read first, in this order: a value the edit refuses changes no range.
  const double xMax = GraphXmaxEdit->Value();
  const double yMax = GraphYmaxEdit->Value();
  VArori1.Scale1X().SetRangeLow(0);
  VArori1.Scale1X().SetRangeHigh(xMax);
  VArori1.Scale1Y().SetRangeLow(0);
  VArori1.Scale1Y().SetRangeHigh(yMax);
  FollowMainChartX();
}
