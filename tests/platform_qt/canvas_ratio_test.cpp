#include <gtest/gtest.h>

#include <QImage>
#include <cmath>
#include <functional>
#include <string>
#include <vector>

#include "platform/qt/qt_bitmap.h"
#include "platform/qt/qt_canvas.h"

using namespace platform;
using platform_qt::QtBitmap;
using platform_qt::QtCanvas;

namespace {

constexpr int kW = 48, kH = 36;

long long Edge(long long e, double r) {
  return static_cast<long long>(std::floor(e * r + 0.5));
}

long long Thickness(double r) {
  return std::max(1LL, static_cast<long long>(std::floor(r)));
}

// A white picture of the logical size at the ratio, drawn on by `draw`.
QImage Drawn(double r, const std::function<void(Canvas&)>& draw) {
  QtBitmap bmp(kW, kH);
  bmp.SetPixelRatio(r);
  Canvas& c = bmp.GetCanvas();
  c.GetPen() = Pen{clBlack, 1, psSolid, pmCopy};
  c.GetBrush() = Brush{clYellow, bsSolid};
  draw(c);
  return bmp.Image();
}

// The ratio-1 picture with each pixel laid on its whole cell.
QImage Cells(const QImage& once, double r) {
  QImage out(int(Edge(once.width(), r)), int(Edge(once.height(), r)), QImage::Format_RGB32);
  for (int y = 0; y < once.height(); ++y)
    for (int x = 0; x < once.width(); ++x)
      for (long long dy = Edge(y, r); dy < Edge(y + 1, r); ++dy)
        for (long long dx = Edge(x, r); dx < Edge(x + 1, r); ++dx)
          out.setPixel(int(dx), int(dy), once.pixel(x, y));
  return out;
}

// The ratio-1 picture of thin lines, each pen pixel as the strip its line covers: the cell's
// length along the line and the fixed thickness across, from the cell's top or left.
QImage Strips(const QImage& once, double r, bool alongX) {
  QImage out(int(Edge(once.width(), r)), int(Edge(once.height(), r)), QImage::Format_RGB32);
  out.fill(Qt::white);
  const long long t = Thickness(r);
  for (int y = 0; y < once.height(); ++y)
    for (int x = 0; x < once.width(); ++x) {
      if ((once.pixel(x, y) & 0xFFFFFF) == 0xFFFFFF) continue;
      const long long x2 = alongX ? Edge(x + 1, r) : Edge(x, r) + t;
      const long long y2 = alongX ? Edge(y, r) + t : Edge(y + 1, r);
      for (long long dy = Edge(y, r); dy < y2; ++dy)
        for (long long dx = Edge(x, r); dx < x2; ++dx)
          out.setPixel(int(dx), int(dy), once.pixel(x, y));
    }
  return out;
}

struct Figure {
  std::string name;
  std::function<void(Canvas&)> draw;
};

// Fills, points, small ellipses (the marks) and wide pens cover whole cells: at any ratio the
// ratio-1 picture laid on cells, which tile without gaps or overlaps.
TEST(CanvasAtARatio, FillsPointsEllipsesAndWidePensCoverWholeCells) {
  const std::vector<Figure> figures = {
      {"filled rectangles side by side",
       [](Canvas& c) {
         c.GetPen().Style = psClear;
         c.Rectangle(2, 2, 12, 9);
         c.GetBrush().Color = clBlue;
         c.Rectangle(11, 2, 20, 9);
         c.Rectangle(2, 8, 20, 15);
       }},
      {"wide-outlined rectangles",
       [](Canvas& c) {
         c.GetPen().Width = 2;
         c.Rectangle(1, 1, 17, 11);
         c.GetPen().Width = 3;
         c.GetPen().Color = clRed;
         c.Rectangle(20, 3, 40, 20);
       }},
      {"a checkerboard of points",
       [](Canvas& c) {
         for (int y = 4; y < 20; ++y)
           for (int x = 5; x < 31; ++x) c.SetPixel(x, y, (x + y) % 2 ? clRed : clBlue);
       }},
      {"small ellipses at neighbouring positions",
       [](Canvas& c) {
         for (int x = 3; x < 40; x += 7) {
           c.Ellipse(x, 3, x + 5, 8);
           c.Ellipse(x + 1, 12, x + 6, 17);
         }
       }},
      {"a large ellipse and a polygon",
       [](Canvas& c) {
         c.Ellipse(2, 2, 30, 34);
         c.GetPen().Width = 2;
         const TPoint corners[] = {{30, 4}, {46, 10}, {36, 30}};
         c.Polygon(corners);
       }},
      {"a wide line",
       [](Canvas& c) {
         c.GetPen().Width = 4;
         c.MoveTo(4, 30);
         c.LineTo(40, 6);
       }},
  };
  for (const Figure& f : figures) {
    const QImage once = Drawn(1, f.draw);
    for (const double r : {1.25, 1.5, 2.0, 3.0}) {
      EXPECT_TRUE(Drawn(r, f.draw) == Cells(once, r)) << f.name << " at " << r;
    }
  }
}

// A thin line is floor(r) device pixels thick wherever it lies, and covers its cells along its
// length without gaps: solid, dashed and dotted, in every direction.
TEST(CanvasAtARatio, ThinLinesHaveOneThicknessAndKeepTheirPattern) {
  struct Line {
    std::string name;
    bool alongX;
    std::function<void(Canvas&)> draw;
  };
  auto rows = [](TPenStyle style) {
    return [style](Canvas& c) {
      c.GetPen().Style = style;
      for (int y = 1; y < kH; y += 3) {  // every phase of the cells
        c.MoveTo(1 + y % 4, y);
        c.LineTo(kW - 2, y);
      }
    };
  };
  const std::vector<Line> lines = {
      {"solid rows", true, rows(psSolid)},
      {"dotted rows", true, rows(psDot)},
      {"dash-dot rows", true, rows(psDashDot)},
      {"columns", false,
       [](Canvas& c) {
         for (int x = 1; x < kW; x += 3) {
           c.MoveTo(x, kH - 2);
           c.LineTo(x, 1 + x % 3);
         }
       }},
      {"shallow slopes", true,
       [](Canvas& c) {
         c.MoveTo(1, 2);
         c.LineTo(46, 17);
         c.MoveTo(46, 20);
         c.LineTo(1, 33);
       }},
      {"steep slopes", false,
       [](Canvas& c) {
         c.MoveTo(3, 1);
         c.LineTo(15, 34);
         c.MoveTo(40, 34);
         c.LineTo(28, 1);
       }},
  };
  for (const Line& l : lines) {
    const QImage once = Drawn(1, l.draw);
    for (const double r : {1.25, 1.5, 2.0, 2.5}) {
      const QImage dense = Drawn(r, l.draw);
      EXPECT_TRUE(dense == Strips(once, r, l.alongX)) << l.name << " at " << r;
    }
  }
  // Explicitly: each column of a row at 1.5 is one device pixel thick, and at 2 two.
  for (const double r : {1.5, 2.0}) {
    const QImage dense = Drawn(r, rows(psSolid));
    for (int x = int(Edge(5, r)); x < int(Edge(kW - 2, r)); ++x) {
      int ink = 0;
      for (int y = 0; y < dense.height(); ++y) ink += (dense.pixel(x, y) & 0xFFFFFF) == 0;
      EXPECT_EQ(ink, 12 * Thickness(r)) << x << " at " << r;
    }
  }
}

// Rubber bands: an XOR outline drawn twice leaves the picture as it was, so no pixel is covered
// twice by one outline at any ratio.
TEST(CanvasAtARatio, XorOutlinesUndoThemselves) {
  for (const double r : {1.25, 1.5, 2.0}) {
    const auto background = [](Canvas& c) {
      c.GetPen().Style = psClear;
      c.GetBrush().Color = clTeal;
      c.Rectangle(0, 0, kW / 2, kH);
    };
    const QImage before = Drawn(r, background);
    const QImage after = Drawn(r, [&](Canvas& c) {
      background(c);
      c.GetPen() = Pen{clWhite, 1, psSolid, pmXor};
      c.GetBrush().Style = bsClear;
      for (int i = 0; i < 2; ++i) {
        c.Rectangle(3, 4, 40, 30);
        c.MoveTo(5, 33);
        c.LineTo(44, 7);
      }
    });
    EXPECT_TRUE(after == before) << r;
  }
}

bool AllBlocksUniform(const QImage& image, QRect area) {
  for (int y = area.top(); y < area.bottom(); y += 2)
    for (int x = area.left(); x < area.right(); x += 2) {
      const QRgb p = image.pixel(x, y);
      if (image.pixel(x + 1, y) != p || image.pixel(x, y + 1) != p ||
          image.pixel(x + 1, y + 1) != p)
        return false;
    }
  return true;
}

// The curve and text gain the resolution: neither is made of 2 x 2 blocks at ratio 2; a level
// stretch of the curve, though, is exactly its cells, and the text keeps its logical metrics.
TEST(CanvasAtARatio, TheCurveAndTextGainTheResolution) {
  const auto curve = [](Canvas& c) {
    const TPoint points[] = {{2, 30}, {20, 30}, {44, 3}};
    c.Polyline(points);
  };
  const QImage once = Drawn(1, curve);
  const QImage twice = Drawn(2, curve);
  EXPECT_TRUE(twice.copy(0, 56, 40, 8) == Cells(once, 2).copy(0, 56, 40, 8));
  EXPECT_FALSE(AllBlocksUniform(twice, QRect(40, 0, 56, 60)));
  // The steep slope is one line two device pixels thick: across each row exactly two.
  for (int y = 8; y < 56; ++y) {
    int ink = 0;
    for (int x = 40; x < twice.width(); ++x) ink += (twice.pixel(x, y) & 0xFFFFFF) == 0;
    EXPECT_EQ(ink, 2) << y;
  }

  int widthOnce = 0, widthTwice = 0;
  const auto text = [](int& width) {
    return [&width](Canvas& c) {
      c.GetFont().Height = 13;
      c.TextOut(2, 2, "Wasgau 1990");
      width = c.TextWidth("Wasgau 1990");
    };
  };
  Drawn(1, text(widthOnce));
  const QImage textTwice = Drawn(2, text(widthTwice));
  EXPECT_EQ(widthTwice, widthOnce);
  EXPECT_FALSE(AllBlocksUniform(textTwice, QRect(4, 4, 2 * widthOnce, 26)));
}

// Pictures composed at the target's ratio are copied pixel for pixel; others are laid on cells.
TEST(CanvasAtARatio, BitmapsAreCopiedAtTheTargetsResolution) {
  QtBitmap source(10, 8);
  source.GetCanvas().GetPen().Color = clRed;
  source.GetCanvas().MoveTo(1, 1);
  source.GetCanvas().LineTo(9, 6);
  for (const double r : {1.5, 2.0}) {
    const QImage plain = Drawn(r, [&](Canvas& c) { c.Draw(7, 5, source); });
    const QImage once = Drawn(1, [&](Canvas& c) { c.Draw(7, 5, source); });
    EXPECT_TRUE(plain == Cells(once, r)) << r;
    QtBitmap dense(10, 8);
    dense.SetPixelRatio(r);
    dense.GetCanvas().GetPen().Color = clRed;
    dense.GetCanvas().TextOut(0, 0, "Ab");
    const QImage copied = Drawn(r, [&](Canvas& c) { c.Draw(7, 5, dense); });
    EXPECT_TRUE(copied.copy(int(Edge(7, r)), int(Edge(5, r)), dense.Image().width(),
                            dense.Image().height()) == dense.Image().copy())
        << r;
    // ANDed onto yellow: the text's black stays, its white leaves the yellow.
    const QImage anded = Drawn(r, [&](Canvas& c) {
      c.GetPen().Style = psClear;
      c.Rectangle(0, 0, kW + 1, kH + 1);
      c.DrawAnd(7, 5, dense);
    });
    for (int y = 0; y < dense.Image().height(); ++y)
      for (int x = 0; x < dense.Image().width(); ++x) {
        const QRgb s = dense.Image().pixel(x, y),
                   d = anded.pixel(x + int(Edge(7, r)), y + int(Edge(5, r)));
        ASSERT_EQ(d & 0xFFFFFF, s & qRgb(255, 255, 0) & 0xFFFFFF) << x << "," << y;
      }
  }
}

}  // namespace
