#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <string>
#include <vector>

#include "chart/varori.h"
#include "platform/qt/install.h"
#include "tests/support/recording_canvas.h"

using namespace test_support;

namespace {

std::vector<CanvasCall> Only(const std::vector<CanvasCall>& calls, const std::string& op) {
  std::vector<CanvasCall> out;
  std::copy_if(calls.begin(), calls.end(), std::back_inserter(out),
               [&](const CanvasCall& c) { return c.Op == op; });
  return out;
}

// A 600 x 400 chart in a recording window, x and y 0..10.
class ChartRender : public testing::Test {
 protected:
  void SetUp() override {
    InstallRecordingBitmaps();
    chart = std::make_unique<TVArori>();
    chart->SetHost(&host);
    chart->SetBounds(0, 0, 600, 400);
    chart->Scale1X().SetRangeHigh(10);
    chart->Scale1Y().SetRangeHigh(10);
  }
  void TearDown() override {
    chart.reset();
    platform_qt::InstallQtPlatform();
  }

  RecordingCanvas& DataCanvas() {
    return static_cast<RecordingCanvas&>(
        const_cast<platform::Bitmap&>(chart->DataPicture()).GetCanvas());
  }
  // What ShowItems drew into the data picture.
  std::vector<CanvasCall> ShowItems() {
    DataCanvas().Clear();
    host.canvas.Clear();
    chart->ShowItems();
    return DataCanvas().Calls();
  }

  RecordingHost host;
  std::unique_ptr<TVArori> chart;
};

TEST_F(ChartRender, LinesAreBatchedIntoPolylinesOf200) {
  chart->AddMovePoint(0, 0);
  for (int i = 1; i <= 450; ++i) chart->AddLinePoint(i / 45.0, i / 45.0);
  const auto lines = Only(ShowItems(), "Polyline");
  ASSERT_EQ(lines.size(), 3u);
  EXPECT_EQ(lines[0].Args.size(), 2u * 200);
  EXPECT_EQ(lines[1].Args.size(), 2u * 200);
  EXPECT_EQ(lines[2].Args.size(), 2u * 53);
  // The first batch starts at the move point (0, 0) = canvas (0, 340); each later one at the
  // end of the one before.
  EXPECT_EQ(lines[0].Args[0], 0);
  EXPECT_EQ(lines[0].Args[1], 340);
  for (int b = 1; b < 3; ++b) {
    const auto& prev = lines[b - 1].Args;
    EXPECT_EQ(lines[b].Args[0], prev[prev.size() - 2]);
    EXPECT_EQ(lines[b].Args[1], prev[prev.size() - 1]);
  }
  EXPECT_EQ(lines[2].Args[104], 530);
  EXPECT_EQ(lines[2].Args[105], 0);
}

TEST_F(ChartRender, PenStateAcrossItems) {
  chart->AddLinePoint(5, 5);  // starts at the data area's top-left corner
  chart->SetDataColor(platform::clRed);
  chart->AddLinePoint(10, 0);
  chart->AddMark(100000, -1e9, 26);     // far off: limited to 30000 pixels
  chart->AddMark(std::nan(""), 1, 26);  // no place: skipped
  chart->AddLinePoint(std::nan(""), 1);
  const auto calls = ShowItems();
  const auto lines = Only(calls, "Polyline");
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_EQ(lines[0].Args, (std::vector<int>{0, 0, 265, 170}));
  EXPECT_EQ(lines[0].Pen.Color, platform::clBlack);
  EXPECT_EQ(lines[1].Args, (std::vector<int>{265, 170, 530, 340}));
  EXPECT_EQ(lines[1].Pen.Color, platform::clRed);
  const auto marks = Only(calls, "Ellipse");
  ASSERT_EQ(marks.size(), 1u);
  EXPECT_EQ(marks[0].Args[0], 30000 - 50 - 2);
  EXPECT_EQ(marks[0].Args[1], 30000 - 20 - 2);
  EXPECT_EQ(marks[0].Pen.Color, platform::clRed);
}

TEST_F(ChartRender, OutlineIsDrawnLastOverTheItems) {
  chart->SetChartFrameColor(platform::clBlue);
  chart->AddMark(0, 0, 26);
  const auto calls = ShowItems();
  ASSERT_GE(calls.size(), 5u);
  const std::vector<CanvasCall> tail(calls.end() - 5, calls.end());
  EXPECT_EQ(tail[0].Op, "MoveTo");
  EXPECT_EQ(tail[0].Args, (std::vector<int>{0, 0}));
  const std::vector<std::vector<int>> corners = {{530, 0}, {530, 340}, {0, 340}, {0, 0}};
  for (int i = 0; i < 4; ++i) {
    EXPECT_EQ(tail[i + 1].Op, "LineTo");
    EXPECT_EQ(tail[i + 1].Args, corners[i]);
    EXPECT_EQ(tail[i + 1].Pen.Color, platform::clBlue);
  }
}

TEST_F(ChartRender, DottedGridAtTheTicksBelowTheMaximum) {
  chart->SetGridStyle(gsDotLines);
  chart->Scale1X().SetMinTicks(3);
  chart->Scale1X().SetShortTicks(false);
  chart->Repaint();  // the grid follows the tick list of the last full paint
  std::vector<double> ticks;
  for (int i = 1; i <= chart->XScale(1).NumTicks(); ++i)
    ticks.push_back(chart->XScale(1).TickPos(i));
  ASSERT_EQ(ticks, (std::vector<double>{0, 2, 4, 6, 8, 10}));
  chart->SetGridColor(platform::clSilver);
  std::vector<int> vertical;
  for (const CanvasCall& call : Only(ShowItems(), "LineTo")) {
    if (call.Pen.Style != platform::psDot) continue;
    EXPECT_EQ(call.Pen.Color, platform::clSilver);
    if (call.From.X == call.Args[0] && call.From.Y == 340 && call.Args[1] == 0)
      vertical.push_back(call.Args[0]);
  }
  EXPECT_EQ(vertical, (std::vector<int>{0, 106, 212, 318, 424}));
}

TEST_F(ChartRender, PartialAndFullPaints) {
  chart->AddMark(5, 5, 26);
  ShowItems();
  auto draws = Only(host.canvas.Calls(), "Draw");
  ASSERT_EQ(draws.size(), 1u);
  EXPECT_EQ(draws[0].Args, (std::vector<int>{50, 20, 531, 341}));

  chart->SetAutoRedraw(false);
  host.canvas.Clear();
  chart->SetChartColor(platform::clYellow);
  chart->SetDataColor(platform::clRed);
  EXPECT_TRUE(host.canvas.Calls().empty());
  chart->ShowItems();  // without AutoRedraw: the whole chart
  draws = Only(host.canvas.Calls(), "Draw");
  ASSERT_EQ(draws.size(), 1u);
  EXPECT_EQ(draws[0].Args, (std::vector<int>{0, 0, 600, 400}));
}

TEST_F(ChartRender, FrameWithShadowAndCaption) {
  chart->SetShadowWidth(10);
  chart->SetCaption("Titel");
  auto& frame = static_cast<RecordingCanvas&>(
      const_cast<platform::Bitmap&>(chart->FramePicture()).GetCanvas());
  frame.Clear();
  chart->Repaint();
  const auto polygons = Only(frame.Calls(), "Polygon");
  ASSERT_EQ(polygons.size(), 2u);
  // ssFlying: e = SW - 1.
  EXPECT_EQ(polygons[0].Args, (std::vector<int>{9, 390, 9, 399, 599, 399, 590, 390}));
  const auto texts = Texts(frame.Calls());
  ASSERT_FALSE(texts.empty());
  // Right-justified at the data area's right edge, 16 pixels above its top.
  EXPECT_EQ(texts[0].Text, "Titel");
  EXPECT_EQ(texts[0].X, 600 - 20 - 10 - 5 * RecordingCanvas::kCharWidth);
  EXPECT_EQ(texts[0].Y, 20 - 16);
}

}  // namespace

namespace {

// Huge settings are computed wide and clamped: painting stays defined (the sanitizer build
// would report an overflow) and the data area is simply empty or far off.
TEST_F(ChartRender, HugeMarginsAndScalePositionsPaintWithoutOverflow) {
  const int big = std::numeric_limits<int>::max();
  chart->ScaleX(1).SetScalePos(big);
  chart->ScaleY(1).SetScalePos(-big);
  chart->SetShadowWidth(32);
  chart->SetCaption("c");
  chart->SetCaptionPosX(big);
  chart->SetCaptionAnchorHoriz(cahControlRight);
  chart->SetMarginBottom(big);
  chart->SetMarginRight(big);
  chart->AddMark(5, 5, 26);
  chart->AddLinePoint(1e300, -1e300);
  chart->Repaint();
  chart->ShowItems();
  EXPECT_EQ(chart->DataAreaWidth(), 0);
  EXPECT_EQ(chart->DataAreaHeight(), 0);
  int px, py;
  chart->WorldToPixel(1, 5, 5, px, py);
  EXPECT_EQ(px, chart->Width() / 2);  // no span: the middle of the control
}

}  // namespace

namespace {

// A control two billion pixels wide: the mapping stays exact and painting neither allocates for
// the whole data area nor fails; with nothing tracked every mark is drawn.
TEST_F(ChartRender, TwoBillionPixelsWideMapsExactlyAndDrawsEveryMark) {
  chart->SetBounds(0, 0, 2'000'000'000, 400);
  for (const double x : {0.0, 5.0, 10.0}) chart->AddMark(x, 5, 26);
  chart->AddMark(5, 5, 26);  // a repeat of the same position
  EXPECT_NO_THROW(chart->Repaint());
  std::vector<CanvasCall> calls;
  EXPECT_NO_THROW(calls = ShowItems());
  int x0, x5, x10, py;
  chart->WorldToPixel(1, 0, 5, x0, py);
  chart->WorldToPixel(1, 5, 5, x5, py);
  chart->WorldToPixel(1, 10, 5, x10, py);
  EXPECT_EQ(x0, chart->MarginLeft());
  EXPECT_EQ(x10 - x0, chart->DataAreaWidth() - 1);
  EXPECT_EQ(2 * (x5 - x0), x10 - x0);
  // Drawing coordinates far out are limited; the repeat is drawn again all the same.
  std::vector<int> centres;
  for (const CanvasCall& c : calls)
    if (c.Op == "Ellipse") centres.push_back((c.Args[0] + c.Args[2]) / 2);
  ASSERT_EQ(centres.size(), 4u);
  EXPECT_EQ(centres[0], 0);
}

}  // namespace
