#include <gtest/gtest.h>

#include <QImage>
#include <cmath>
#include <set>
#include <utility>
#include <vector>

#include "chart/varori.h"
#include "platform/qt/host_widget.h"
#include "platform/qt/image_host.h"
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
struct WindowChart {
  WindowChart() {
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

class ChartPixels : public testing::Test {
 protected:
  const QImage& Screen() const { return window.Screen(); }

  WindowChart window;
  TVArori& chart = window.chart;
  std::unique_ptr<platform_qt::ControlHostWidget>& host = window.host;
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

TEST(DisplayListMemory, FailedBulkAddAddsNone) {
  TVArori chart;
  chart.SetAllocSize(2);
  chart.AddMark(1, 1, 26);
  const std::vector<DataPoint> points(5, DataPoint{2, 2});
  bool threw = false;
  {
    FailNextAllocation fail(sizeof(ChartItem) * 6);
    try {
      chart.AddMarks(points, 26);
    } catch (const std::bad_alloc&) {
      threw = true;
    }
  }
  EXPECT_TRUE(threw);
  EXPECT_EQ(chart.ItemCount(), 1);
  EXPECT_EQ(chart.Capacity(), 2);
}

// Many marks, most on a pixel already stamped, interleaved with other looks and with lines: the
// picture equals drawing every mark in turn onto the same background.
TEST_F(ChartPixels, RepeatedMarksGiveThePictureOfDrawingEveryMark) {
  std::uint32_t seed = 12345;
  auto next = [&] {
    seed = seed * 1664525u + 1013904223u;
    return (seed >> 8) / double(1u << 24);
  };
  struct Look {
    platform::TColor color;
    std::uint8_t shape;
    int width;
  };
  const Look looks[] = {{platform::clGreen, 26, 1}, {platform::clRed, 16, 1},
                        {platform::clBlue, 9, 3},   {platform::clGreen, 33, 1},
                        {platform::clRed, 26, 1},   {platform::clBlack, 65, 1}};
  int look = 0;
  for (int i = 0; i < 20000; ++i) {
    if (i % 2500 == 0) {
      look = (look + 1) % 6;
      chart.SetDataColor(looks[look].color);
      chart.SetLineWidth(std::uint8_t(looks[look].width));
    }
    // Clustered so that many marks share a pixel; some lie outside the data area.
    const double x = std::round(next() * 60) / 5 - 1, y = std::round(next() * 60) / 5 - 1;
    if (i % 997 == 0) {
      chart.AddMovePoint(x, y);
      chart.AddLinePoint(y, x);
    }
    chart.AddMark(x, y, looks[look].shape);
  }
  chart.ShowItems();

  // The reference draws every mark: a move before each mark ends any run of identical marks
  // and draws nothing (every line here follows its own move).
  WindowChart reference;
  for (int i = 0; i < chart.ItemCount(); ++i) {
    const ChartItem& it = chart.Item(i);
    reference.chart.SetDataColor(it.Color);
    reference.chart.SetLineWidth(std::uint8_t(it.LineWidth));
    if (it.Kind == ikMove) {
      reference.chart.AddMovePoint(it.X, it.Y);
    } else if (it.Kind == ikLine) {
      reference.chart.AddLinePoint(it.X, it.Y);
    } else {
      reference.chart.AddMovePoint(0, 0);
      reference.chart.AddMark(it.X, it.Y, it.MarkType);
    }
  }
  reference.chart.ShowItems();
  const QImage &shown = Screen(), &expected = reference.Screen();
  ASSERT_EQ(shown.size(), expected.size());
  int differing = 0, marked = 0;
  for (int y = 0; y < shown.height(); ++y)
    for (int x = 0; x < shown.width(); ++x) {
      differing += (shown.pixel(x, y) & 0xFFFFFF) != (expected.pixel(x, y) & 0xFFFFFF);
      marked += (shown.pixel(x, y) & 0xFFFFFF) == (QColor(Qt::red).rgb() & 0xFFFFFF);
    }
  EXPECT_GT(marked, 100);
  EXPECT_EQ(differing, 0);
}

}  // namespace

namespace {

bool BlockIs(const QImage& dense, int x, int y, QRgb rgb) {
  for (int dy = 0; dy < 2; ++dy)
    for (int dx = 0; dx < 2; ++dx)
      if ((dense.pixel(2 * x + dx, 2 * y + dy) & 0xFFFFFF) != (rgb & 0xFFFFFF)) return false;
  return true;
}

// At ratio 2 every logical pixel of the frame, the grid, the marks and the data area is exactly
// its 2 x 2 block of the ratio-1 picture; the scale labels gain the resolution; the picture
// drawn without a window is the window's.
TEST(ChartAtARatio, RatioTwoIsTheRatioOnePictureInBlocksExceptTheText) {
  WindowChart window;
  TVArori& chart = window.chart;
  const std::uint8_t marks[] = {26, 27, 16, 9, 33, 40};
  for (int i = 0; i < 60; ++i) chart.AddMark(i / 6.0, 5 + 4 * std::sin(i / 5.0), marks[i % 6]);
  chart.ShowItems();
  const QImage once = window.Screen().copy();

  QImage twice;
  {
    platform_qt::ImageHost offscreen(chart, 2);
    twice = offscreen.Render().copy();
    ASSERT_EQ(twice.size(), once.size() * 2);
    EXPECT_EQ(twice.devicePixelRatio(), 2);
    platform_qt::ImageHost plain(chart, 1);
    EXPECT_TRUE(plain.Render() == once);
  }
  // The window, rendered onto an image of ratio 2, shows the same.
  chart.SetHost(window.host.get());
  QImage grab(window.host->size() * 2, QImage::Format_RGB32);
  grab.setDevicePixelRatio(2);
  window.host->render(&grab);
  grab.setDevicePixelRatio(1);
  twice.setDevicePixelRatio(1);
  EXPECT_TRUE(grab == twice);

  // Down to the lowest tick label of the y axis and right of the x axis's labels: no text.
  int x0, y0;
  chart.WorldToPixel(1, 0, 0, x0, y0);
  int wrong = 0;
  for (int y = 0; y < y0 + 2; ++y)
    for (int x = x0 - 2; x < once.width(); ++x) wrong += !BlockIs(twice, x, y, once.pixel(x, y));
  EXPECT_EQ(wrong, 0);
  // The labels under the x axis are drawn at device resolution, not in blocks.
  int fine = 0;
  for (int y = y0 + 3; y < once.height(); ++y)
    for (int x = x0; x < once.width(); ++x)
      fine += !BlockIs(twice, x, y, twice.pixel(2 * x, 2 * y));
  EXPECT_GT(fine, 20);
}

}  // namespace

namespace {

// Pictures too large for any image are left empty rather than allocated, at any ratio.
TEST(ChartAtARatio, AChartTwoBillionPixelsWidePaintsOnRealPicturesWithoutFailing) {
  for (const double ratio : {1.0, 2.0}) {
    TVArori chart;
    platform_qt::ImageHost host(chart, ratio);
    chart.SetBounds(0, 0, 2'000'000'000, 400);
    chart.Scale1X().SetRangeHigh(10);
    chart.Scale1Y().SetRangeHigh(10);
    for (int i = 0; i < 100; ++i) chart.AddMark(i % 10, i / 10, 26);
    EXPECT_NO_THROW(host.Render()) << ratio;
    EXPECT_NO_THROW(chart.ShowItems()) << ratio;
    int px, py;
    chart.WorldToPixel(1, 5, 5, px, py);
    EXPECT_EQ(px, chart.MarginLeft() + (chart.DataAreaWidth() - 1) / 2) << ratio;
  }
}

}  // namespace
