#include <gtest/gtest.h>

#include <QApplication>
#include <QLabel>
#include <QMouseEvent>
#include <QTest>
#include <memory>
#include <string>
#include <vector>

#include "app/frm_main.h"
#include "app/message_boxes.h"
#include "platform/cursor.h"
#include "platform/locale.h"
#include "platform/qt/float_edit.h"
#include "platform/qt/host_widget.h"
#include "platform/qt/panel.h"
#include "platform/qt/speed_button.h"
#include "platform/qt/spin_edit.h"
#include "tests/app/work_dir.h"

namespace {

// The main window with real mouse events on the chart's window.
class ChartCommands : public ::testing::Test {
 protected:
  TemporaryWorkDir workDir;
  ChartCommands() {
    platform::LoadLocale("de_DE.UTF-8");
    SetErrorBoxHook([this](const std::string& t) { errors.push_back(t); });
    frm = std::make_unique<TFrmMain>();
    frm->show();
    chart = frm->VArori1Host;
  }
  ~ChartCommands() override {
    SetErrorBoxHook(nullptr);
    platform::LoadLocale("C");
  }

  void Send(QEvent::Type type, QPoint p, Qt::MouseButton button, Qt::MouseButtons buttons) {
    QMouseEvent e(type, QPointF(p), QPointF(chart->mapToGlobal(p)), button, buttons,
                  Qt::NoModifier);
    QApplication::sendEvent(chart, &e);
  }
  void Press(QPoint p, Qt::MouseButton b = Qt::LeftButton) {
    Send(QEvent::MouseButtonPress, p, b, b);
  }
  void Release(QPoint p, Qt::MouseButton b = Qt::LeftButton) {
    Send(QEvent::MouseButtonRelease, p, b, Qt::NoButton);
  }
  void Move(QPoint p, Qt::MouseButtons held = Qt::LeftButton) {
    Send(QEvent::MouseMove, p, Qt::NoButton, held);
  }
  void DoubleClick(QPoint p) {
    Press(p);
    Release(p);
    Send(QEvent::MouseButtonDblClick, p, Qt::LeftButton, Qt::LeftButton);
    Release(p);
  }
  TVArori& C() { return frm->VArori1; }

  std::vector<std::string> errors;
  std::unique_ptr<TFrmMain> frm;
  QWidget* chart = nullptr;
};

TEST_F(ChartCommands, ChartSettingsOfTheWindow) {
  EXPECT_EQ(C().MarginLeft(), 50);
  EXPECT_EQ(C().MarginRight(), 16);
  EXPECT_EQ(C().GridStyle(), gsDotLines);
  EXPECT_EQ(C().GridColor(), platform::clSilver);
  EXPECT_EQ(C().DataColor(), platform::clGreen);
  EXPECT_EQ(C().MouseAction(), maPan);
  EXPECT_FALSE(C().MouseCursorFixed());
  EXPECT_EQ(C().Scale1X().RangeHigh(), 10);
  EXPECT_EQ(C().Scale1Y().MinTicks(), 6);
  EXPECT_TRUE(C().Scale1Y().Visible());
  EXPECT_FALSE(C().Scale2X().Visible());
  EXPECT_FALSE(C().PaintHeld());
}

TEST_F(ChartCommands, ClicksAddPointsOnlyInEntryMode) {
  Press({200, 200});
  Release({200, 200});
  EXPECT_EQ(frm->Stats1.NumPoints(), 0);
  EXPECT_EQ(C().ItemCount(), 0);

  frm->SBNewPnts->click();
  ASSERT_TRUE(frm->SBNewPnts->Down());
  EXPECT_EQ(frm->LblParams->text().toStdString(), "click into chart to enter new data points");
  Press({200, 200}, Qt::RightButton);  // any button
  Release({200, 200}, Qt::RightButton);
  Press({5, 5});  // and anywhere in the control, also over the axis labels
  Release({5, 5});
  ASSERT_EQ(frm->Stats1.NumPoints(), 2);
  ASSERT_EQ(C().ItemCount(), 2);
  double x, y;
  C().PixelToWorld(1, 200, 200, x, y);
  EXPECT_EQ(frm->Stats1.PointTable().Elem(1, 1), x);
  EXPECT_EQ(frm->Stats1.PointTable().Elem(2, 1), y);
  EXPECT_EQ(C().Item(0).X, x);  // the mark carries the same doubles
  EXPECT_EQ(C().Item(0).Y, y);
  EXPECT_EQ(C().Item(0).MarkType, 26);
  EXPECT_EQ(C().Item(0).Color, platform::clGreen);
  C().PixelToWorld(1, 5, 5, x, y);
  EXPECT_LT(x, 0);
  EXPECT_EQ(frm->Stats1.PointTable().Elem(1, 2), x);

  // The dot is on the screen where the mouse was.
  int px, py;
  C().WorldToPixel(1, frm->Stats1.PointTable().Elem(1, 1), frm->Stats1.PointTable().Elem(2, 1), px,
                   py);
  EXPECT_EQ(QPoint(px, py), QPoint(200, 200));
  EXPECT_EQ(frm->VArori1Host->ScreenImage().pixel(200, 200) & 0xFFFFFF, 0x008000u);
}

TEST_F(ChartCommands, DoubleClickAndDragAddOnePoint) {
  frm->SBNewPnts->click();
  DoubleClick({300, 150});
  EXPECT_EQ(frm->Stats1.NumPoints(), 1);
  Press({250, 250});
  Move({260, 250});
  Move({300, 260});
  Release({300, 260});
  EXPECT_EQ(frm->Stats1.NumPoints(), 2);
  EXPECT_NE(C().Scale1X().RangeLow(), 0);  // the drag panned
}

TEST_F(ChartCommands, FirstClickSetsTheOrderLimitWithoutACommand) {
  int commands = 0;
  frm->PolynomialCommand = [&] { ++commands; };
  frm->SBNewPnts->click();
  Press({200, 200});
  EXPECT_EQ(frm->SEPolyOrder->MaxValue(), 0);
  EXPECT_EQ(frm->SEPolyOrder->Value(), 1);
  EXPECT_EQ(commands, 0);
  for (int i = 1; i < 12; ++i) {
    Release({200, 200});
    Press({200 + 10 * i, 200});
  }
  EXPECT_EQ(frm->Stats1.NumPoints(), 12);
  EXPECT_EQ(frm->SEPolyOrder->MaxValue(), 8);
}

TEST_F(ChartCommands, AClickThatClampsTheOrderRunsThePolynomialCommandInside) {
  frm->SEPolyOrder->SetValue(5);
  frm->SBClear->click();
  frm->SBNewPnts->click();
  std::vector<std::string> seen;
  frm->PolynomialCommand = [&] {
    seen.push_back(frm->SEPolyOrder->Text().toStdString() + " at " +
                   std::to_string(frm->Stats1.NumPoints()));
  };
  Press({200, 200});
  EXPECT_EQ(seen, std::vector<std::string>{"1 at 1"});
  EXPECT_EQ(frm->SEPolyOrder->MaxValue(), 0);

  // Its error reaches the error box through the outermost dispatch; the click ends there.
  frm->SEPolyOrder->SetMaxValue(9);
  frm->SEPolyOrder->SetValue(4);
  frm->PolynomialCommand = [] { throw std::runtime_error("CalcPolynomialFit: failed"); };
  Release({200, 200});
  Press({220, 200});
  EXPECT_EQ(errors, std::vector<std::string>{"CalcPolynomialFit: failed."});
  EXPECT_EQ(C().ItemCount(), 2);
}

TEST_F(ChartCommands, GrafikClearAndTestEingabe) {
  frm->SBNewPnts->click();
  Press({200, 200});
  Release({200, 200});
  // A curve as a fit leaves it.
  C().AddMovePoint(0, 0);
  C().AddLinePoint(10, 10);
  frm->BButLinFit->SetDown(true);
  frm->LblFormula->setVisible(true);

  frm->SBNewPnts->click();  // up again: the curve goes, the mark stays
  EXPECT_FALSE(frm->SBNewPnts->Down());
  EXPECT_EQ(C().ItemCount(), 1);
  EXPECT_FALSE(frm->BButLinFit->Down());
  EXPECT_FALSE(frm->LblFormula->isVisible());
  EXPECT_EQ(frm->LblParams->text(), QString());

  C().AddMovePoint(0, 0);
  C().AddLinePoint(10, 10);
  frm->BButLinFit->SetDown(true);
  frm->LblFormula->setVisible(true);
  frm->LblParams->setText("k = 1");
  const double low = C().Scale1X().RangeLow();
  frm->SBClear->click();
  EXPECT_EQ(C().ItemCount(), 0);
  EXPECT_EQ(frm->Stats1.NumPoints(), 0);
  EXPECT_TRUE(frm->BButLinFit->Down());  // the model buttons keep their state
  EXPECT_FALSE(frm->LblFormula->isVisible());
  EXPECT_TRUE(frm->LblParams->isVisible());
  EXPECT_EQ(frm->LblParams->text(), QString());
  EXPECT_EQ(C().Scale1X().RangeLow(), low);
}

TEST_F(ChartCommands, PanningFollowsTheMouse) {
  // A data area 500 pixels wide on 0..10.
  C().SetMarginRight(C().Width() - 50 - 500);
  ASSERT_EQ(C().Width() - C().MarginLeft() - C().MarginRight(), 500);
  Press({100, 100});
  Move({100, 100});  // the first move only records the start
  EXPECT_EQ(C().Scale1X().RangeLow(), 0);
  Move({150, 100});
  EXPECT_NEAR(C().Scale1X().RangeLow(), -1, 1e-12);
  EXPECT_NEAR(C().Scale1X().RangeHigh(), 9, 1e-12);
  EXPECT_EQ(platform::ScreenCursor(), platform::crHand);

  // Outside the data area nothing moves; back inside, the range matches the new position.
  Move({5, 100});
  EXPECT_NEAR(C().Scale1X().RangeLow(), -1, 1e-12);
  EXPECT_EQ(platform::ScreenCursor(), platform::crDefault);
  Move({200, 100});
  EXPECT_NEAR(C().Scale1X().RangeLow(), -2, 1e-12);
  EXPECT_NEAR(C().Scale1X().RangeHigh(), 8, 1e-12);

  // Release, then a move without the button: panning ends; the next drag starts afresh.
  Release({200, 100});
  Move({250, 100}, Qt::NoButton);
  EXPECT_FALSE(C().Panning());
  Press({250, 100});
  Move({250, 100});
  Move({250, 150});
  EXPECT_NEAR(C().Scale1X().RangeLow(), -2, 1e-12);
  EXPECT_GT(C().Scale1Y().RangeLow(), 0);
  EXPECT_TRUE(errors.empty());
}

TEST_F(ChartCommands, APanThatWouldOverflowIsRefused) {
  C().Scale1X().SetRangeHigh(1e308);
  C().Scale1X().SetRangeLow(-1e308);
  Press({300, 100});
  Move({300, 100});
  Move({55, 100});  // pushes the high end past the double range
  EXPECT_EQ(errors, std::vector<std::string>{"Gleitkommaüberlauf."});
  EXPECT_EQ(C().Scale1X().RangeLow(), -1e308);
  EXPECT_EQ(C().Scale1X().RangeHigh(), 1e308);
  Move({310, 100});  // small steps still work
  EXPECT_LT(C().Scale1X().RangeHigh(), 1e308);
  EXPECT_EQ(errors.size(), 1u);
}

TEST_F(ChartCommands, CursorComesBackOverThePanels) {
  Move({200, 200}, Qt::NoButton);
  EXPECT_EQ(platform::ScreenCursor(), platform::crHand);
  QMouseEvent e(QEvent::MouseMove, QPointF(5, 5), QPointF(frm->Panel2->mapToGlobal(QPoint(5, 5))),
                Qt::NoButton, Qt::NoButton, Qt::NoModifier);
  QApplication::sendEvent(frm->Panel2, &e);
  EXPECT_EQ(platform::ScreenCursor(), platform::crDefault);
}

TEST_F(ChartCommands, ResetAxis) {
  frm->GraphXmaxEdit->setText("25,5");
  frm->GraphYmaxEdit->setText("");
  frm->ResetAxisButton->click();
  EXPECT_EQ(C().Scale1X().RangeLow(), 0);
  EXPECT_EQ(C().Scale1X().RangeHigh(), 25.5);
  EXPECT_EQ(C().Scale1Y().RangeLow(), -1e-10);
  EXPECT_EQ(C().Scale1Y().RangeHigh(), 0);
  EXPECT_EQ(C().XScale(1).RangeHigh(), 25.5);  // the axis follows

  frm->GraphYmaxEdit->setText("-5");
  frm->ResetAxisButton->click();
  EXPECT_EQ(C().Scale1Y().RangeLow(), 0);
  EXPECT_EQ(C().Scale1Y().RangeHigh(), -5);

  frm->GraphXmaxEdit->setText("1e400");
  frm->ResetAxisButton->click();
  EXPECT_EQ(errors, std::vector<std::string>{"Gleitkommaüberlauf."});
  EXPECT_EQ(C().Scale1X().RangeHigh(), 25.5);
  EXPECT_EQ(C().Scale1Y().RangeHigh(), -5);
}

}  // namespace
