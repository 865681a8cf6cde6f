#include <gtest/gtest.h>

#include <QImage>
#include <set>
#include <utility>

#include "chart/varori.h"
#include "platform/qt/host_widget.h"
#include "platform/qt/qt_canvas.h"
#include "tests/fit/failing_allocation.h"

namespace {

using Pixels = std::set<std::pair<int, int>>;

Pixels PixelsOf(const QImage& image, QRgb rgb, QRect area) {
  Pixels out;
  for (int y = area.top(); y <= area.bottom(); ++y)
    for (int x = area.left(); x <= area.right(); ++x)
      if ((image.pixel(x, y) & 0xFFFFFF) == (rgb & 0xFFFFFF)) out.insert({x, y});
  return out;
}

// The chart as the main window sets it up, in a real window image.
class ChartPixels : public testing::Test {
 protected:
  void SetUp() override {
    chart.SetGridStyle(gsDotLines);
    chart.SetGridColor(platform::clSilver);
    chart.SetDataColor(platform::clGreen);
    chart.SetMarginRight(16);
    for (TScaleProps* p : {static_cast<TScaleProps*>(&chart.Scale1X()),
                           static_cast<TScaleProps*>(&chart.Scale1Y())}) {
      p->SetRangeHigh(10);
      p->SetMinTicks(3);
      p->SetShortTicks(false);
    }
    chart.Loaded();
    host = std::make_unique<platform_qt::ControlHostWidget>(chart);
    chart.SetBounds(0, 0, 500, 400);
    chart.Repaint();
  }

  const QImage& Screen() const { return host->ScreenImage(); }

  TVArori chart;
  std::unique_ptr<platform_qt::ControlHostWidget> host;
};

TEST_F(ChartPixels, DataMarkIsTheFilledEllipse) {
  chart.AddMark(5, 5, 26);
  chart.ShowItems();
  int px, py;
  chart.WorldToPixel(1, 5, 5, px, py);
  QImage expected(500, 400, QImage::Format_RGB32);
  expected.fill(Qt::white);
  platform_qt::QtCanvas canvas(&expected);
  canvas.GetPen().Color = platform::clGreen;
  canvas.GetBrush().Color = platform::clGreen;
  canvas.Ellipse(px - 2, py - 2, px + 3, py + 3);
  const QRect around(px - 6, py - 6, 13, 13);
  const Pixels dot = PixelsOf(Screen(), qRgb(0, 128, 0), around);
  EXPECT_EQ(dot, PixelsOf(expected, qRgb(0, 128, 0), around));
  EXPECT_EQ(dot.size(), 21u);  // a dot 5 pixels across
  EXPECT_TRUE(dot.count({px, py}));
}

TEST_F(ChartPixels, OutlineCoversAMarkOnTheBorder) {
  chart.AddMark(0, 5, 26);
  chart.ShowItems();
  int px, py;
  chart.WorldToPixel(1, 0, 5, px, py);
  ASSERT_EQ(px, 50);
  for (int dy = -2; dy <= 2; ++dy) {
    EXPECT_EQ(Screen().pixel(50, py + dy) & 0xFFFFFF, 0u) << dy;         // the black outline
    EXPECT_EQ(Screen().pixel(51, py + dy) & 0xFFFFFF, 0x008000u) << dy;  // the dot inside
  }
  // Outside the data area the frame's background shows, not the dot.
  EXPECT_NE(Screen().pixel(49, py) & 0xFFFFFF, 0x008000u);
}

TEST_F(ChartPixels, DottedGridAndAxes) {
  int x4, ytop, ybottom, x10;
  chart.WorldToPixel(1, 4, 10, x4, ytop);
  chart.WorldToPixel(1, 10, 0, x10, ybottom);
  int silver = 0, white = 0;
  for (int y = ytop + 1; y < ybottom; ++y) {
    const QRgb p = Screen().pixel(x4, y) & 0xFFFFFF;
    silver += p == 0xC0C0C0;
    white += p == 0xFFFFFF;
  }
  EXPECT_GT(silver, 100);  // dotted: about half the pixels
  EXPECT_GT(white, 100);
  // No grid line at the range's upper end: that column is the outline.
  for (int y = ytop + 1; y < ybottom; ++y) EXPECT_EQ(Screen().pixel(x10, y) & 0xFFFFFF, 0u);
  // Labels below the x axis: some dark pixels under the base line.
  int dark = 0;
  for (int y = ybottom + 3; y < 400; ++y)
    for (int x = 40; x < 500; ++x) dark += (Screen().pixel(x, y) & 0xFFFFFF) == 0;
  EXPECT_GT(dark, 20);
}

TEST(DisplayListMemory, FailedGrowthLeavesTheListAsItWas) {
  TVArori chart;
  chart.SetAllocSize(2);
  chart.AddMark(1, 1, 26);
  chart.AddMark(2, 2, 26);
  // No test macro while armed: they allocate themselves.
  bool threw = false;
  {
    FailNextAllocation fail(sizeof(ChartItem) * 4);
    try {
      chart.AddMark(3, 3, 26);
    } catch (const std::bad_alloc&) {
      threw = true;
    }
  }
  EXPECT_TRUE(threw);
  EXPECT_EQ(chart.ItemCount(), 2);
  EXPECT_EQ(chart.Capacity(), 2);
  EXPECT_EQ(chart.Item(1).X, 2);
  chart.AddMark(3, 3, 26);
  EXPECT_EQ(chart.Capacity(), 4);
}

}  // namespace
