#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "chart/varori.h"
#include "platform/cursor.h"
#include "platform/qt/install.h"
#include "tests/support/recording_canvas.h"

using namespace test_support;
using platform::mbLeft;
using platform::mbRight;
using platform::ssLeft;

namespace {

// A 600 x 400 chart (data area 530 x 340 from (50, 20)) that logs its mouse events.
class ChartMouse : public testing::Test {
 protected:
  void SetUp() override {
    InstallRecordingBitmaps();
    c = std::make_unique<TVArori>();
    c->SetHost(&host);
    c->SetBounds(0, 0, 600, 400);
    c->Scale1X().SetRangeHigh(10);
    c->Scale1Y().SetRangeHigh(10);
    c->OnMouseDown = [this](TVArori&, platform::TMouseButton, platform::TShiftState, int x, int) {
      log.push_back("down " + std::to_string(x));
    };
    c->OnMouseUp = [this](TVArori&, platform::TMouseButton, platform::TShiftState, int, int) {
      log.push_back("up");
    };
    c->OnMouseMove = [this](TVArori&, platform::TShiftState, int, int) {
      log.push_back("move " + std::to_string(c->Scale1X().RangeLow()).substr(0, 4));
    };
    c->OnDblClick = [this](TVArori&) { log.push_back("dbl"); };
    c->OnZoomPan = [this](TVArori&) { log.push_back("zoompan"); };
    c->OnMouseMoveInChart = [this](TVArori&, bool in, platform::TShiftState, double x, double y) {
      inChart = in;
      worldX = x;
      worldY = y;
      log.push_back("inchart " + std::to_string(c->Scale1X().RangeLow()).substr(0, 4));
    };
  }
  void TearDown() override {
    c.reset();
    platform_qt::InstallQtPlatform();
  }

  RecordingHost host;
  std::unique_ptr<TVArori> c;
  std::vector<std::string> log;
  bool inChart = false;
  double worldX = 0, worldY = 0;
};

TEST_F(ChartMouse, DoubleClickGivesOneDownOneDoubleClickTwoUps) {
  c->MouseDown(mbLeft, ssLeft, 100, 100);
  c->MouseUp(mbLeft, 0, 100, 100);
  c->DblClick();  // the second press arrives as a double click, then as a press
  c->MouseDown(mbLeft, ssLeft | platform::ssDouble, 100, 100);
  c->MouseUp(mbLeft, 0, 100, 100);
  EXPECT_EQ(log, (std::vector<std::string>{"down 100", "up", "dbl", "up"}));
}

TEST_F(ChartMouse, PanStepOrderAndModes) {
  c->SetMouseAction(maPan);
  c->MouseDown(mbLeft, ssLeft, 100, 100);
  c->MouseMove(ssLeft, 100, 100);
  c->MouseMove(ssLeft, 153, 100);  // 53 of 530 pixels: a tenth of the range
  EXPECT_EQ(log, (std::vector<std::string>{"down 100", "move 0.00", "inchart 0.00", "move 0.00",
                                           "zoompan", "inchart -1.0"}));
  EXPECT_NEAR(c->Scale1X().RangeHigh(), 9, 1e-12);
  EXPECT_EQ(c->XScale(1).RangeHigh(), c->Scale1X().RangeHigh());  // the axis follows

  c->MouseMove(0, 153, 100);
  c->SetMouseAction(maPanVert);
  c->MouseMove(ssLeft, 153, 100);
  c->MouseMove(ssLeft, 200, 134);  // 34 of 340 pixels down
  EXPECT_NEAR(c->Scale1X().RangeLow(), -1, 1e-12);
  EXPECT_NEAR(c->Scale1Y().RangeLow(), 1, 1e-12);

  c->MouseMove(0, 153, 100);
  c->SetMouseAction(maPanHoriz);
  c->MouseMove(ssLeft, 150, 100);
  c->MouseMove(ssLeft, 97, 200);
  EXPECT_NEAR(c->Scale1X().RangeLow(), 0, 1e-12);
  EXPECT_NEAR(c->Scale1Y().RangeLow(), 1, 1e-12);
}

TEST_F(ChartMouse, PanOnALogarithmicAxisKeepsThePointUnderTheMouse) {
  c->SetMouseAction(maPan);
  c->Scale1X().SetRangeLow(1);
  c->Scale1X().SetRangeHigh(1000);
  c->Scale1X().SetLogarithmic(true);
  double before, y;
  c->PixelToWorld(1, 200, 100, before, y);
  c->MouseMove(ssLeft, 200, 100);
  c->MouseMove(ssLeft, 300, 100);
  double after;
  c->PixelToWorld(1, 300, 100, after, y);
  EXPECT_NEAR(after / before, 1, 1e-12);
  EXPECT_NEAR(std::log10(c->Scale1X().RangeHigh() / c->Scale1X().RangeLow()), 3, 1e-12);
}

TEST_F(ChartMouse, PositionReportAndCursor) {
  c->SetMouseAction(maPan);
  c->SetMouseCursorFixed(false);
  c->MouseMove(0, 10, 380);  // over the axis labels
  EXPECT_FALSE(inChart);
  EXPECT_LT(worldX, 0);
  EXPECT_LT(worldY, 0);
  EXPECT_EQ(platform::ScreenCursor(), platform::crDefault);
  c->MouseMove(0, 50, 360);  // the corner belongs to the data area
  EXPECT_TRUE(inChart);
  EXPECT_EQ(platform::ScreenCursor(), platform::crHand);
  c->SetMouseAction(maNone);
  c->MouseMove(0, 60, 300);
  EXPECT_EQ(platform::ScreenCursor(), platform::crCross);
  c->SetMouseCursorFixed(true);
  c->MouseMove(0, 60, 300);
  EXPECT_EQ(platform::ScreenCursor(), platform::crDefault);
}

TEST_F(ChartMouse, RubberBandZoomsOrReports) {
  c->SetMouseAction(maZoomWind);
  c->MouseDown(mbLeft, ssLeft, 103, 54);
  ASSERT_TRUE(c->RubberBandActive());
  host.canvas.Clear();
  c->MouseMove(ssLeft, 156, 88);
  // Drawn with an XOR pen in white and no fill.
  std::vector<CanvasCall> rects;
  for (const auto& call : host.canvas.Calls())
    if (call.Op == "Rectangle") rects.push_back(call);
  ASSERT_EQ(rects.size(), 1u);
  EXPECT_EQ(rects[0].Pen.Mode, platform::pmXor);
  EXPECT_EQ(rects[0].Pen.Color, platform::clWhite);
  EXPECT_EQ(rects[0].Brush.Style, platform::bsClear);
  c->MouseMove(ssLeft, 209, 122);  // erases the old outline, draws the new one
  c->MouseUp(mbLeft, 0, 209, 122);
  EXPECT_FALSE(c->RubberBandActive());
  EXPECT_NEAR(c->Scale1X().RangeLow(), 1, 1e-9);
  EXPECT_NEAR(c->Scale1X().RangeHigh(), 3, 1e-9);
  EXPECT_NEAR(c->Scale1Y().RangeLow(), 7, 1e-9);
  EXPECT_NEAR(c->Scale1Y().RangeHigh(), 9, 1e-9);

  // The right button cancels.
  c->MouseDown(mbLeft, ssLeft, 100, 100);
  c->MouseMove(ssLeft, 200, 200);
  c->MouseUp(mbRight, 0, 200, 200);
  EXPECT_NEAR(c->Scale1X().RangeLow(), 1, 1e-9);

  // maRubberBand reports the corners instead of zooming.
  c->SetMouseAction(maRubberBand);
  std::vector<double> band;
  c->OnRubberBand = [&](TVArori&, int layer, double lx, double ly, double hx, double hy) {
    band = {double(layer), lx, ly, hx, hy};
  };
  c->MouseDown(mbLeft, ssLeft, 50, 20);
  c->MouseMove(ssLeft, 700, 500);  // limited to the data area
  c->MouseUp(mbLeft, 0, 700, 500);
  ASSERT_EQ(band.size(), 5u);
  EXPECT_EQ(band[0], 1);
  EXPECT_NEAR(band[1], 1, 1e-9);
  EXPECT_NEAR(band[3], 3, 1e-9);
  EXPECT_NEAR(c->Scale1X().RangeLow(), 1, 1e-9);
}

}  // namespace
