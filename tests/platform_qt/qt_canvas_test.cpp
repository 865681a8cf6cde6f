#include "platform/qt/qt_canvas.h"

#include <gtest/gtest.h>

#include <QPainter>
#include <set>
#include <string>

#include "platform/qt/install.h"
#include "platform/qt/qt_bitmap.h"

using namespace platform;
using platform_qt::QtBitmap;

namespace {

class QtCanvasTest : public ::testing::Test {
 protected:
  QtCanvasTest() : bmp(40, 30) {
    canvas().GetPen() = Pen{clBlack, 1, psSolid, pmCopy};
    canvas().GetBrush() = Brush{clWhite, bsSolid};
  }
  Canvas& canvas() { return bmp.GetCanvas(); }
  TColor At(int x, int y) { return canvas().GetPixel(x, y); }
  std::set<TColor> Colours() {
    std::set<TColor> colours;
    for (int y = 0; y < bmp.Height(); ++y)
      for (int x = 0; x < bmp.Width(); ++x) colours.insert(At(x, y));
    return colours;
  }
  QtBitmap bmp;
};

TEST_F(QtCanvasTest, LineToLeavesOutItsEndPixelAndMovesThePen) {
  canvas().MoveTo(2, 5);
  canvas().LineTo(10, 5);
  for (int x = 2; x < 10; ++x) EXPECT_EQ(At(x, 5), clBlack) << x;
  EXPECT_EQ(At(10, 5), clWhite);
  EXPECT_EQ(canvas().PenPos(), (TPoint{10, 5}));
  canvas().LineTo(10, 15);
  EXPECT_EQ(At(10, 5), clBlack);
  EXPECT_EQ(At(10, 14), clBlack);
  EXPECT_EQ(At(10, 15), clWhite);
  canvas().MoveTo(0, 20);
  canvas().LineTo(5, 25);
  for (int i = 0; i < 5; ++i) EXPECT_EQ(At(i, 20 + i), clBlack) << i;
  EXPECT_EQ(At(5, 25), clWhite);
}

TEST_F(QtCanvasTest, RectangleExcludesRightAndBottomAndFillsWithTheBrush) {
  canvas().GetBrush().Color = clRed;
  canvas().Rectangle(2, 3, 8, 9);
  for (int x = 2; x < 8; ++x) {
    EXPECT_EQ(At(x, 3), clBlack) << x;
    EXPECT_EQ(At(x, 8), clBlack) << x;
    EXPECT_EQ(At(x, 9), clWhite) << x;
  }
  for (int y = 3; y < 9; ++y) {
    EXPECT_EQ(At(2, y), clBlack) << y;
    EXPECT_EQ(At(7, y), clBlack) << y;
    EXPECT_EQ(At(8, y), clWhite) << y;
  }
  EXPECT_EQ(At(3, 4), clRed);
  EXPECT_EQ(At(6, 7), clRed);

  canvas().GetBrush().Style = bsClear;
  canvas().GetPen().Color = clBlue;
  canvas().Rectangle(20, 3, 25, 9);
  EXPECT_EQ(At(20, 3), clBlue);
  EXPECT_EQ(At(22, 5), clWhite);
}

TEST_F(QtCanvasTest, EllipseStaysInsideItsExclusiveBounds) {
  canvas().GetBrush().Color = clLime;
  canvas().Ellipse(5, 5, 21, 15);
  int leftmost = 100, rightmost = -1, top = 100, bottom = -1;
  for (int y = 0; y < 30; ++y) {
    for (int x = 0; x < 40; ++x) {
      if (At(x, y) == clWhite) continue;
      leftmost = std::min(leftmost, x);
      rightmost = std::max(rightmost, x);
      top = std::min(top, y);
      bottom = std::max(bottom, y);
    }
  }
  EXPECT_EQ(leftmost, 5);
  EXPECT_EQ(rightmost, 20);
  EXPECT_EQ(top, 5);
  EXPECT_EQ(bottom, 14);
  EXPECT_EQ(At(13, 10), clLime);
}

TEST_F(QtCanvasTest, DrawingInXorModeTwiceRestoresThePicture) {
  canvas().GetBrush().Color = clAqua;
  canvas().Rectangle(0, 0, 20, 20);
  canvas().GetPen().Color = clRed;
  canvas().MoveTo(0, 25);
  canvas().LineTo(39, 25);
  const QImage before = bmp.Image().copy();

  canvas().GetPen() = Pen{clWhite, 1, psSolid, pmXor};
  canvas().GetBrush().Style = bsClear;
  for (int pass = 0; pass < 2; ++pass) {
    canvas().MoveTo(5, 0);
    canvas().LineTo(5, 29);
    canvas().MoveTo(0, 10);
    canvas().LineTo(39, 28);
    canvas().Rectangle(3, 3, 30, 27);
    if (pass == 0) {
      EXPECT_NE(bmp.Image(), before);
      EXPECT_EQ(At(5, 25), RGB(0, 255, 255));  // red xor white
    }
  }
  EXPECT_EQ(bmp.Image(), before);
}

TEST_F(QtCanvasTest, DottedPenAlternatesRunsOfThreePixels) {
  canvas().GetPen().Style = psDot;
  canvas().MoveTo(0, 1);
  canvas().LineTo(12, 1);
  const TColor k = clBlack, w = clWhite;
  const TColor expected[] = {k, k, k, w, w, w, k, k, k, w, w, w, w};
  for (int x = 0; x <= 12; ++x) EXPECT_EQ(At(x, 1), expected[x]) << x;
}

TEST_F(QtCanvasTest, TextOutFillsItsBoxWithASolidBrushOnly) {
  canvas().GetFont() = Font{"Liberation Sans", 13, clBlue, 0, 96};
  canvas().GetBrush().Color = clYellow;
  const int w = canvas().TextWidth("Hg");
  const int h = canvas().TextHeight("Hg");
  ASSERT_GT(w, 0);
  ASSERT_GT(h, 8);
  canvas().TextOut(3, 2, "Hg");
  std::set<TColor> inside;
  for (int y = 2; y < 2 + h; ++y)
    for (int x = 3; x < 3 + w; ++x) inside.insert(At(x, y));
  EXPECT_EQ(inside, (std::set<TColor>{clYellow, clBlue}));
  EXPECT_EQ(At(2, 2), clWhite);
  EXPECT_EQ(At(3 + w, 2), clWhite);
  EXPECT_EQ(At(3, 2 + h), clWhite);
  EXPECT_EQ(canvas().PenPos(), (TPoint{3 + w, 2}));

  QtBitmap clear(40, 30);
  clear.GetCanvas().GetFont() = canvas().GetFont();
  clear.GetCanvas().GetBrush() = Brush{clYellow, bsClear};
  clear.GetCanvas().TextOut(3, 2, "Hg");
  std::set<TColor> colours;
  for (int y = 0; y < 30; ++y)
    for (int x = 0; x < 40; ++x) colours.insert(clear.GetCanvas().GetPixel(x, y));
  EXPECT_EQ(colours, (std::set<TColor>{clWhite, clBlue}));
}

TEST_F(QtCanvasTest, TextRectDrawsOnlyInsideItsRectangle) {
  canvas().GetFont() = Font{"Liberation Sans", 20, clBlack, fsBold, 96};
  canvas().GetBrush().Color = clYellow;
  const TRect clip{5, 5, 15, 12};
  canvas().TextRect(clip, 2, 2, "WWWW");
  bool drawnInside = false;
  for (int y = 0; y < 30; ++y) {
    for (int x = 0; x < 40; ++x) {
      const bool inside = x >= clip.Left && x < clip.Right && y >= clip.Top && y < clip.Bottom;
      if (!inside) {
        EXPECT_EQ(At(x, y), clWhite) << x << "," << y;
      }
      if (inside && At(x, y) == clBlack) drawnInside = true;
    }
  }
  EXPECT_TRUE(drawnInside);
}

TEST_F(QtCanvasTest, NothingIsAntialiased) {
  canvas().GetPen() = Pen{clRed, 3, psSolid, pmCopy};
  canvas().GetBrush().Color = clLime;
  canvas().MoveTo(0, 0);
  canvas().LineTo(39, 17);
  canvas().Ellipse(2, 8, 30, 29);
  canvas().GetPen().Width = 1;
  canvas().Polygon(std::vector<TPoint>{{30, 2}, {38, 28}, {20, 20}});
  canvas().GetFont() = Font{"Liberation Serif", 17, clBlue, fsItalic, 96};
  canvas().GetBrush().Style = bsClear;
  canvas().TextOut(4, 10, "Ravelon");
  for (TColor c : Colours())
    EXPECT_TRUE(c == clWhite || c == clRed || c == clLime || c == clBlue) << std::hex << c;
}

TEST_F(QtCanvasTest, RectanglesReachingPastTheImageAreClipped) {
  canvas().GetBrush().Color = clRed;
  canvas().GetPen().Style = psClear;
  canvas().Rectangle(-10, -10, 100, 100);
  EXPECT_EQ(Colours(), (std::set<TColor>{clRed}));
}

TEST_F(QtCanvasTest, TextMetricsFollowEveryFontChange) {
  canvas().GetFont() = Font{"Liberation Sans", 13};
  const int narrow = canvas().TextWidth("Hello");
  const int low = canvas().TextHeight("Hello");
  canvas().GetFont().Height = 26;
  EXPECT_GT(canvas().TextWidth("Hello"), narrow);
  EXPECT_GT(canvas().TextHeight("Hello"), low);
  canvas().GetFont().Height = 13;
  EXPECT_EQ(canvas().TextWidth("Hello"), narrow);
  canvas().GetFont().Style = fsBold;
  EXPECT_GT(canvas().TextWidth("Hello"), narrow);
}

TEST_F(QtCanvasTest, SystemColoursAreResolved) {
  canvas().SetPixel(1, 1, clBtnFace);
  EXPECT_EQ(At(1, 1), clSilver);
  EXPECT_EQ(At(-1, 0), 0xFFFFFFFFu);
}

TEST(QtBitmap, FactoryMakesQtBitmapsThatKeepTheirPictureWhenResizedAndCanBeDrawn) {
  platform_qt::InstallQtPlatform();
  auto bitmap = CreateBitmap(4, 3);
  ASSERT_NE(dynamic_cast<QtBitmap*>(bitmap.get()), nullptr);
  EXPECT_EQ(bitmap->Width(), 4);
  bitmap->GetCanvas().SetPixel(1, 1, clRed);
  bitmap->SetSize(8, 6);
  EXPECT_EQ(bitmap->GetCanvas().GetPixel(1, 1), clRed);
  EXPECT_EQ(bitmap->GetCanvas().GetPixel(7, 5), clWhite);

  QtBitmap target(20, 20);
  target.GetCanvas().Draw(10, 5, *bitmap);
  EXPECT_EQ(target.GetCanvas().GetPixel(11, 6), clRed);
  target.GetCanvas().StretchDraw(TRect{0, 0, 16, 12}, *bitmap);
  EXPECT_EQ(target.GetCanvas().GetPixel(2, 2), clRed);
  EXPECT_EQ(target.GetCanvas().GetPixel(3, 3), clRed);
  EXPECT_EQ(target.GetCanvas().GetPixel(4, 4), clWhite);
}

}  // namespace

// Small ellipses come from a cached picture of the painter's result; they must be the
// painter's pixels at every position, filled or open, also far from the origin.
TEST(QtCanvasEllipse, CachedSmallEllipsesMatchThePainter) {
  struct Case {
    int x, y, w, h;
    bool filled;
  };
  const Case cases[] = {{3, 3, 5, 5, true},   {101, 57, 7, 7, false},      {1990, 1003, 4, 4, true},
                        {40, 40, 9, 5, true}, {2017, 1030, 30, 20, false}, {0, 0, 1, 1, true}};
  for (const Case& c : cases) {
    SCOPED_TRACE(std::to_string(c.x) + "," + std::to_string(c.y));
    QImage viaCanvas(2100, 1100, QImage::Format_RGB32);
    viaCanvas.fill(Qt::white);
    QImage viaPainter = viaCanvas.copy();
    platform_qt::QtCanvas canvas(&viaCanvas);
    canvas.GetPen().Color = clRed;
    canvas.GetBrush().Color = clBlue;
    canvas.GetBrush().Style = c.filled ? bsSolid : bsClear;
    canvas.Ellipse(c.x, c.y, c.x + c.w, c.y + c.h);
    QPainter p(&viaPainter);
    p.setRenderHint(QPainter::Antialiasing, false);
    QPen pen(QColor(255, 0, 0), 1, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
    pen.setCosmetic(true);
    p.setPen(pen);
    if (c.filled) p.setBrush(QColor(0, 0, 255));
    p.drawEllipse(QRect(c.x, c.y, c.w - 1, c.h - 1));
    p.end();
    EXPECT_EQ(viaCanvas, viaPainter);
  }
}
