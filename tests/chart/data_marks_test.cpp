#include "chart/data_marks.h"

#include <gtest/gtest.h>

#include <QImage>
#include <cmath>
#include <string>
#include <vector>

#include "platform/qt/qt_bitmap.h"
#include "tests/support/recording_canvas.h"

using namespace platform;

namespace {

constexpr TColor kPen = clRed;
constexpr TColor kBrush = clYellow;

void PrepareCanvas(Canvas& canvas, TBrushStyle brushStyle = bsSolid) {
  canvas.SetPen(Pen{kPen, 1, psSolid, pmCopy});
  canvas.SetBrush(Brush{kBrush, brushStyle});
}

// Marks drawn by the Qt canvas on a white picture, read back as rows of characters around the
// centre: 'X' the pen colour, '.' untouched white, '?' anything else.
class MarkPixels : public testing::Test {
 protected:
  static constexpr int kCentre = 10;

  MarkPixels() { PrepareCanvas(canvas()); }
  Canvas& canvas() { return bmp.GetCanvas(); }
  std::vector<std::string> Around(int radius) {
    std::vector<std::string> rows;
    for (int y = kCentre - radius; y <= kCentre + radius; ++y) {
      std::string row;
      for (int x = kCentre - radius; x <= kCentre + radius; ++x) {
        const TColor c = canvas().GetPixel(x, y);
        row += c == kPen ? 'X' : c == clWhite ? '.' : '?';
      }
      rows.push_back(row);
    }
    return rows;
  }
  char At(int dx, int dy) { return Around(3)[3 + dy][3 + dx]; }
  // Shrinking to nothing and growing back gives an all-white picture.
  void Blank() {
    bmp.SetSize(0, 0);
    bmp.SetSize(2 * kCentre + 1, 2 * kCentre + 1);
  }
  // Nothing outside the square of the given radius around the centre was touched.
  bool UntouchedBeyond(int radius) {
    for (int y = 0; y < bmp.Height(); ++y)
      for (int x = 0; x < bmp.Width(); ++x)
        if (std::abs(x - kCentre) > radius || std::abs(y - kCentre) > radius)
          if (canvas().GetPixel(x, y) != clWhite) return false;
    return true;
  }

  platform_qt::QtBitmap bmp{2 * kCentre + 1, 2 * kCentre + 1};
};

TEST_F(MarkPixels, DataPointDotIsTheFilledEllipseInThePenColour) {
  DrawMark(canvas(), 26, kCentre, kCentre);
  EXPECT_EQ(canvas().GetBrush(), (Brush{kBrush, bsSolid}));

  platform_qt::QtBitmap reference(bmp.Width(), bmp.Height());
  Canvas& ref = reference.GetCanvas();
  PrepareCanvas(ref);
  ref.GetBrush().Color = kPen;
  ref.Ellipse(8, 8, 13, 13);
  EXPECT_EQ(bmp.Image(), reference.Image());

  const std::vector<std::string> dot = {
      ".......",  //
      "..XXX..",  //
      ".XXXXX.",  //
      ".XXXXX.",  //
      ".XXXXX.",  //
      "..XXX..",  //
      ".......",
  };
  EXPECT_EQ(Around(3), dot);
  EXPECT_TRUE(UntouchedBeyond(3));
}

TEST_F(MarkPixels, PixelMasksSetExactlyTheirPixels) {
  struct Case {
    std::uint8_t shape;
    std::vector<std::string> pixels;
  };
  const Case cases[] = {
      {1, {".......", ".......", "...X...", "..XXX..", "...X...", ".......", "......."}},
      {2, {".......", "...X...", "...X...", ".XXXXX.", "...X...", "...X...", "......."}},
      {3, {"...X...", "...X...", "...X...", "XXXXXXX", "...X...", "...X...", "...X..."}},
      {4, {".......", ".......", "..X.X..", "...X...", "..X.X..", ".......", "......."}},
      {5, {".......", ".X...X.", "..X.X..", "...X...", "..X.X..", ".X...X.", "......."}},
      {6, {"X.....X", ".X...X.", "..X.X..", "...X...", "..X.X..", ".X...X.", "X.....X"}},
      {18, {"X.X.X.X", ".X.X.X.", "X.X.X.X", ".X.X.X.", "X.X.X.X", ".X.X.X.", "X.X.X.X"}},
      {25, {"XX...XX", "XXX.XXX", ".XXXXX.", "..XXX..", ".XXXXX.", "XXX.XXX", "XX...XX"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(int(c.shape));
    canvas().GetBrush().Style = bsClear;
    canvas().GetPen().Style = psClear;  // masks are pixels in the pen colour, not pen strokes
    Blank();
    DrawMark(canvas(), c.shape, kCentre, kCentre);
    EXPECT_EQ(Around(3), c.pixels);
    EXPECT_TRUE(UntouchedBeyond(3));
    EXPECT_EQ(canvas().GetBrush(), (Brush{kBrush, bsClear}));
  }
}

// A filled figure takes the pen colour inside with the brush style it finds; an open one never
// fills and leaves the brush solid. Outlines of plain lines leave the brush alone; 50 and 51,
// lines only, set it solid. The probe is a pixel inside the figure and off its lines.
TEST_F(MarkPixels, FilledAndOpenFiguresAndTheBrushStyleTheyLeave) {
  struct Case {
    std::uint8_t shape;
    TBrushStyle before;
    char inside;
    TBrushStyle after;
    TPoint probe = {-1, -1};
  };
  const Case cases[] = {
      {24, bsSolid, 'X', bsSolid},         {24, bsClear, '.', bsClear},  // filled circle
      {9, bsSolid, 'X', bsSolid},          {9, bsClear, '.', bsClear},   // filled square
      {34, bsSolid, 'X', bsSolid},         {15, bsClear, '.', bsClear},  // filled triangle, diamond
      {17, bsSolid, '.', bsSolid},         {17, bsClear, '.', bsSolid},  // open circle
      {33, bsSolid, '.', bsSolid},         {33, bsClear, '.', bsSolid},  // open triangle
      {48, bsClear, '.', bsSolid},         {49, bsClear, '.', bsSolid},  // open squares with a plus
      {12, bsClear, '.', bsClear},         {19, bsClear, '.', bsClear},  // outlines of lines
      {50, bsClear, '.', bsSolid, {1, 2}}, {51, bsClear, '.', bsSolid, {1, 2}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << int(c.shape) << (c.before == bsSolid ? " solid" : " clear"));
    Blank();
    canvas().GetBrush().Style = c.before;
    DrawMark(canvas(), c.shape, kCentre, kCentre);
    EXPECT_EQ(At(c.probe.X, c.probe.Y), c.inside);
    EXPECT_EQ(canvas().GetBrush(), (Brush{kBrush, c.after}));
  }
}

TEST_F(MarkPixels, DigitMarkIsTheDigitCentredOnThePoint) {
  bmp.SetSize(40, 30);
  canvas().GetBrush().Style = bsClear;
  DrawMark(canvas(), 203, 20, 15);

  platform_qt::QtBitmap reference(40, 30);
  Canvas& ref = reference.GetCanvas();
  PrepareCanvas(ref, bsClear);
  ref.TextOut(20 - ref.TextWidth("3") / 2, 15 - ref.TextHeight("3") / 2, "3");
  EXPECT_EQ(bmp.Image(), reference.Image());
  EXPECT_NE(bmp.Image(), platform_qt::QtBitmap(40, 30).Image());
}

// Calls recorded for a mark at (100, 50), written relative to the centre; a figure says how its
// brush was set: "filled" (pen colour, solid as before), "open" (clear).
std::string Geometry(std::uint8_t shape) {
  constexpr int cx = 100, cy = 50;
  test_support::RecordingCanvas canvas;
  PrepareCanvas(canvas);
  DrawMark(canvas, shape, cx, cy);
  std::string out;
  for (const test_support::CanvasCall& call : canvas.Calls()) {
    if (!out.empty()) out += ", ";
    out += call.Op;
    const std::size_t coordinates = call.Op == "SetPixel" ? 2 : call.Args.size();
    for (std::size_t i = 0; i < coordinates; ++i)
      out += " " + std::to_string(call.Args[i] - (i % 2 == 0 ? cx : cy));
    if (call.Op == "SetPixel" && TColor(call.Args[2]) != kPen) out += " in another colour";
    if (call.Op == "Rectangle" || call.Op == "Ellipse" || call.Op == "Polygon") {
      if (call.Brush == Brush{kPen, bsSolid})
        out += " filled";
      else if (call.Brush.Style == bsClear)
        out += " open";
      else
        out += " with the caller's brush";
    }
  }
  return out;
}

TEST(MarkGeometry, ShapesAreDrawnWithTheirFiguresAndLines) {
  const std::string plus3 = "MoveTo -3 0, LineTo 4 0, MoveTo 0 -3, LineTo 0 4";
  const std::string plus4 = "MoveTo -4 0, LineTo 5 0, MoveTo 0 -4, LineTo 0 5";
  const std::string diamond = "MoveTo -3 0, LineTo 0 3, LineTo 3 0, LineTo 0 -3, LineTo -3 0";
  const std::pair<int, std::string> cases[] = {
      {0, "SetPixel 0 0"},
      {7, "Rectangle -1 -1 2 2 filled"},
      {8, "Rectangle -2 -2 3 3 filled"},
      {9, "Rectangle -3 -3 4 4 filled"},
      {10, "MoveTo -1 -1, LineTo 1 -1, LineTo 1 1, LineTo -1 1, LineTo -1 -1"},
      {11, "MoveTo -2 -2, LineTo 2 -2, LineTo 2 2, LineTo -2 2, LineTo -2 -2"},
      {12, "MoveTo -3 -3, LineTo 3 -3, LineTo 3 3, LineTo -3 3, LineTo -3 -3"},
      {13, diamond + ", SetPixel 0 0"},
      {14, "Polygon -2 0 0 2 2 0 0 -2 filled"},
      {15, "Polygon -3 0 0 3 3 0 0 -3 filled"},
      {16, "Ellipse -2 -2 3 3 open"},
      {17, "Ellipse -3 -3 4 4 open"},
      {19, diamond},
      {20, "MoveTo 0 0, LineTo -3 3, MoveTo 0 0, LineTo 3 3"},
      {21, "MoveTo 0 0, LineTo -4 4, MoveTo 0 0, LineTo 4 4"},
      {22, "MoveTo 0 0, LineTo -3 -3, MoveTo 0 0, LineTo 3 -3"},
      {23, "MoveTo 0 0, LineTo -4 -4, MoveTo 0 0, LineTo 4 -4"},
      {24, "Ellipse -3 -3 4 4 filled"},
      {26, "Ellipse -2 -2 3 3 filled"},
      {27, "Ellipse -2 -2 2 2 open"},
      {28, "Ellipse -2 -2 2 2 filled"},
      {29, "Polygon -2 0 0 2 2 0 filled"},
      {30, "Polygon -3 0 0 3 3 0 filled"},
      {31, "Polygon -2 0 0 2 2 0 open"},
      {32, "Polygon -3 0 0 3 3 0 open"},
      {33, "Polygon -4 -3 0 4 4 -3 open"},
      {34, "Polygon -4 -3 0 4 4 -3 filled"},
      {35, "Polygon -4 3 0 -4 4 3 open"},
      {36, "Polygon -4 3 0 -4 4 3 filled"},
      {37, "MoveTo -3 0, LineTo 4 0, MoveTo 0 0, LineTo 0 -8"},
      {38, "MoveTo -3 -2, LineTo 4 -2, MoveTo -3 2, LineTo 4 2, MoveTo 0 -2, LineTo 0 2"},
      {39, "Ellipse -3 -3 4 4 open, " + plus3},
      {40, "Polygon 3 -2 -2 0 3 2 open"},
      {41, "Polygon 3 -2 -2 0 3 2 filled"},
      {42, "Polygon 4 -3 -3 0 4 3 open"},
      {43, "Polygon 4 -3 -3 0 4 3 filled"},
      {44, "Polygon -3 -2 2 0 -3 2 open"},
      {45, "Polygon -3 -2 2 0 -3 2 filled"},
      {46, "Polygon -4 -3 3 0 -4 3 open"},
      {47, "Polygon -4 -3 3 0 -4 3 filled"},
      {48, "Rectangle -3 -3 4 4 open, " + plus3},
      {49, "Rectangle -2 -2 3 3 open, " + plus4},
      {50, plus4 + ", MoveTo -3 -3, LineTo 4 4, MoveTo -3 3, LineTo 4 -4"},
      {51, plus4 +
               ", MoveTo -1 -3, LineTo 2 -3, MoveTo -1 3, LineTo 2 3, MoveTo -3 -1, LineTo -3 2, "
               "MoveTo 3 -1, LineTo 3 2"},
  };
  for (const auto& [shape, calls] : cases) EXPECT_EQ(Geometry(std::uint8_t(shape)), calls) << shape;
}

TEST(MarkGeometry, CharacterMarksAreCentredTextInUtf8) {
  // Codes from 128 are Latin-1 characters, so 128..159 are the C1 control characters.
  const std::pair<int, std::string> cases[] = {
      {52, "4"},  {65, "A"},  {128, "\u0080"}, {199, "Ç"}, {200, "0"},
      {203, "3"}, {209, "9"}, {210, "Ò"},      {233, "é"}, {255, "ÿ"},
  };
  for (const auto& [code, text] : cases) {
    test_support::RecordingCanvas canvas;
    PrepareCanvas(canvas);
    DrawMark(canvas, std::uint8_t(code), 100, 50);
    const int width = canvas.TextWidth(text), height = canvas.TextHeight(text);
    ASSERT_EQ(canvas.Calls().size(), 1u) << code;
    const auto& call = canvas.Calls()[0];
    EXPECT_EQ(call.Op, "TextOut") << code;
    EXPECT_EQ(call.Text, text) << code;
    EXPECT_EQ(call.Args, (std::vector<int>{100 - width / 2, 50 - height / 2})) << code;
  }
  // With the fixed metrics of the recording canvas: 6 wide, 13 high.
  test_support::RecordingCanvas canvas;
  DrawMark(canvas, 203, 100, 50);
  EXPECT_EQ(canvas.Calls().at(0).Args, (std::vector<int>{97, 44}));
}

}  // namespace

namespace {

long long CellEdge(long long e, double r) {
  return static_cast<long long>(std::floor(e * r + 0.5));
}

// Every shape mark on a denser screen: at ratio 2 its ratio-1 pixels in 2 x 2 blocks; at 1.25
// and 1.5 ink only within the cells of its ratio-1 pixels, and in each of them.
TEST(MarkAtARatio, ShapeMarksKeepTheirPixelsOnCells) {
  constexpr int kSize = 21, kCentre = 10;
  auto draw = [](double r, std::uint8_t type) {
    platform_qt::QtBitmap bmp(kSize, kSize);
    bmp.SetPixelRatio(r);
    PrepareCanvas(bmp.GetCanvas());
    DrawMark(bmp.GetCanvas(), type, kCentre, kCentre);
    return bmp.Image();
  };
  for (int type = 0; type < 52; ++type) {
    const QImage once = draw(1, std::uint8_t(type));
    for (const double r : {1.25, 1.5, 2.0}) {
      const QImage dense = draw(r, std::uint8_t(type));
      for (int y = 0; y < kSize; ++y)
        for (int x = 0; x < kSize; ++x) {
          const QRgb colour = once.pixel(x, y);
          int same = 0, cell = 0;
          for (long long dy = CellEdge(y, r); dy < CellEdge(y + 1, r); ++dy)
            for (long long dx = CellEdge(x, r); dx < CellEdge(x + 1, r); ++dx) {
              ++cell;
              same += dense.pixel(int(dx), int(dy)) == colour;
            }
          if (r == 2.0 || colour == qRgb(255, 255, 255))
            ASSERT_EQ(same, cell) << "mark " << type << " at " << r << ": " << x << "," << y;
          else
            ASSERT_GT(same, 0) << "mark " << type << " at " << r << ": " << x << "," << y;
        }
    }
  }
}

}  // namespace
