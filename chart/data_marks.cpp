#include "chart/data_marks.h"

#include <algorithm>
#include <array>
#include <initializer_list>
#include <iterator>
#include <span>
#include <string>

namespace {

using platform::Canvas;
using platform::TPoint;

// How a closed figure uses the brush. A filled figure takes the pen colour inside and keeps the
// caller's brush style (a clear brush gives the outline only); an open one is drawn with a clear
// brush, which is then left solid.
enum class Fill { kOpen, kFilled };

template <class DrawFigure>
void Figure(Canvas& canvas, Fill fill, DrawFigure draw) {
  if (fill == Fill::kFilled)
    canvas.GetBrush().Color = canvas.GetPen().Color;
  else
    canvas.GetBrush().Style = platform::bsClear;
  draw();
  if (fill == Fill::kOpen) canvas.GetBrush().Style = platform::bsSolid;
}

// Seven rows from y - 3 down; bit 6 of a row is column x - 3, bit 0 column x + 3.
struct PixelMask {
  std::uint8_t shape;
  std::array<std::uint8_t, 7> rows;
};

constexpr PixelMask kPixelMasks[] = {
    {1, {0x00, 0x00, 0x08, 0x1C, 0x08, 0x00, 0x00}},   // plus, arm 1
    {2, {0x00, 0x08, 0x08, 0x3E, 0x08, 0x08, 0x00}},   // plus, arm 2
    {3, {0x08, 0x08, 0x08, 0x7F, 0x08, 0x08, 0x08}},   // plus, arm 3
    {4, {0x00, 0x00, 0x14, 0x08, 0x14, 0x00, 0x00}},   // diagonal cross, arm 1
    {5, {0x00, 0x22, 0x14, 0x08, 0x14, 0x22, 0x00}},   // diagonal cross, arm 2
    {6, {0x41, 0x22, 0x14, 0x08, 0x14, 0x22, 0x41}},   // diagonal cross, arm 3
    {18, {0x55, 0x2A, 0x55, 0x2A, 0x55, 0x2A, 0x55}},  // checkerboard
    {25, {0x63, 0x77, 0x3E, 0x1C, 0x3E, 0x77, 0x63}},  // bold diagonal cross
};

// Ellipses and rectangles by their bounds relative to the centre, right and bottom exclusive,
// some with an upright plus over them reaching `plusArm` pixels from the centre.
struct Box {
  std::uint8_t shape;
  bool ellipse;
  Fill fill;
  int left, top, right, bottom;
  int plusArm = 0;
};

constexpr Box kBoxes[] = {
    {7, false, Fill::kFilled, -1, -1, 2, 2},   {8, false, Fill::kFilled, -2, -2, 3, 3},
    {9, false, Fill::kFilled, -3, -3, 4, 4},   {16, true, Fill::kOpen, -2, -2, 3, 3},
    {17, true, Fill::kOpen, -3, -3, 4, 4},     {24, true, Fill::kFilled, -3, -3, 4, 4},
    {26, true, Fill::kFilled, -2, -2, 3, 3},   {27, true, Fill::kOpen, -2, -2, 2, 2},
    {28, true, Fill::kFilled, -2, -2, 2, 2},   {39, true, Fill::kOpen, -3, -3, 4, 4, 3},
    {48, false, Fill::kOpen, -3, -3, 4, 4, 3}, {49, false, Fill::kOpen, -2, -2, 3, 3, 4},
};

// Triangles and the filled diamonds by their corners relative to the centre.
struct Corners {
  std::uint8_t shape;
  Fill fill;
  std::size_t count;
  std::array<TPoint, 4> points;
};

constexpr Corners kPolygons[] = {
    {14, Fill::kFilled, 4, {{{-2, 0}, {0, 2}, {2, 0}, {0, -2}}}},
    {15, Fill::kFilled, 4, {{{-3, 0}, {0, 3}, {3, 0}, {0, -3}}}},
    {29, Fill::kFilled, 3, {{{-2, 0}, {0, 2}, {2, 0}}}},
    {30, Fill::kFilled, 3, {{{-3, 0}, {0, 3}, {3, 0}}}},
    {31, Fill::kOpen, 3, {{{-2, 0}, {0, 2}, {2, 0}}}},
    {32, Fill::kOpen, 3, {{{-3, 0}, {0, 3}, {3, 0}}}},
    {33, Fill::kOpen, 3, {{{-4, -3}, {0, 4}, {4, -3}}}},
    {34, Fill::kFilled, 3, {{{-4, -3}, {0, 4}, {4, -3}}}},
    {35, Fill::kOpen, 3, {{{-4, 3}, {0, -4}, {4, 3}}}},
    {36, Fill::kFilled, 3, {{{-4, 3}, {0, -4}, {4, 3}}}},
    {40, Fill::kOpen, 3, {{{3, -2}, {-2, 0}, {3, 2}}}},
    {41, Fill::kFilled, 3, {{{3, -2}, {-2, 0}, {3, 2}}}},
    {42, Fill::kOpen, 3, {{{4, -3}, {-3, 0}, {4, 3}}}},
    {43, Fill::kFilled, 3, {{{4, -3}, {-3, 0}, {4, 3}}}},
    {44, Fill::kOpen, 3, {{{-3, -2}, {2, 0}, {-3, 2}}}},
    {45, Fill::kFilled, 3, {{{-3, -2}, {2, 0}, {-3, 2}}}},
    {46, Fill::kOpen, 3, {{{-4, -3}, {3, 0}, {-4, 3}}}},
    {47, Fill::kFilled, 3, {{{-4, -3}, {3, 0}, {-4, 3}}}},
};

// Where each shape number's row stands in its table; built once, as a mark is drawn up to a
// million times a picture.
struct ShapeRows {
  std::array<const PixelMask*, 256> mask{};
  std::array<const Corners*, 256> corners{};
  std::array<const Box*, 256> box{};
};

const ShapeRows& Rows() {
  static const ShapeRows rows = [] {
    ShapeRows r;
    for (const PixelMask& m : kPixelMasks) r.mask[m.shape] = &m;
    for (const Corners& c : kPolygons) r.corners[c.shape] = &c;
    for (const Box& b : kBoxes) r.box[b.shape] = &b;
    return r;
  }();
  return rows;
}

void DrawPixelMask(Canvas& canvas, const PixelMask& mask, int x, int y) {
  const platform::TColor color = canvas.GetPen().Color;
  for (int row = 0; row < 7; ++row)
    for (int bit = 0; bit < 7; ++bit)
      if (mask.rows[row] & (1u << bit)) canvas.SetPixel(x + 3 - bit, y - 3 + row, color);
}

void DrawBox(Canvas& canvas, const Box& box, int x, int y) {
  Figure(canvas, box.fill, [&] {
    if (box.ellipse)
      canvas.Ellipse(x + box.left, y + box.top, x + box.right, y + box.bottom);
    else
      canvas.Rectangle(x + box.left, y + box.top, x + box.right, y + box.bottom);
  });
}

void DrawPolygon(Canvas& canvas, const Corners& corners, int x, int y) {
  std::array<TPoint, 4> points;
  for (std::size_t i = 0; i < corners.count; ++i)
    points[i] = {x + corners.points[i].X, y + corners.points[i].Y};
  Figure(canvas, corners.fill,
         [&] { canvas.Polygon(std::span<const TPoint>(points.data(), corners.count)); });
}

// The line leaves out its end pixel, so the ends are given one step beyond the last pixel.
void Line(Canvas& canvas, int x1, int y1, int x2, int y2) {
  canvas.MoveTo(x1, y1);
  canvas.LineTo(x2, y2);
}

// Lines through the corners in turn, back to the first: every corner pixel is drawn.
void ClosedOutline(Canvas& canvas, std::initializer_list<TPoint> corners) {
  canvas.MoveTo(corners.begin()->X, corners.begin()->Y);
  for (auto it = corners.begin() + 1; it != corners.end(); ++it) canvas.LineTo(it->X, it->Y);
  canvas.LineTo(corners.begin()->X, corners.begin()->Y);
}

// An upright plus reaching `arm` pixels from the centre on every side.
void Plus(Canvas& canvas, int x, int y, int arm) {
  Line(canvas, x - arm, y, x + arm + 1, y);
  Line(canvas, x, y - arm, x, y + arm + 1);
}

// Two lines from the centre to (x - a, y + dy) and (x + a, y + dy).
void Vee(Canvas& canvas, int x, int y, int a, int dy) {
  Line(canvas, x, y, x - a, y + dy);
  Line(canvas, x, y, x + a, y + dy);
}

void DrawShape(Canvas& canvas, std::uint8_t shape, int x, int y) {
  const ShapeRows& rows = Rows();
  if (const PixelMask* mask = rows.mask[shape]) return DrawPixelMask(canvas, *mask, x, y);
  if (const Corners* corners = rows.corners[shape]) return DrawPolygon(canvas, *corners, x, y);
  if (const Box* box = rows.box[shape]) {
    DrawBox(canvas, *box, x, y);
    if (box->plusArm > 0) Plus(canvas, x, y, box->plusArm);
    return;
  }
  switch (shape) {
    case 0:
      canvas.SetPixel(x, y, canvas.GetPen().Color);
      break;
    case 10:
    case 11:
    case 12: {
      const int a = shape - 9;
      ClosedOutline(canvas, {{x - a, y - a}, {x + a, y - a}, {x + a, y + a}, {x - a, y + a}});
      break;
    }
    case 13:
    case 19:
      ClosedOutline(canvas, {{x - 3, y}, {x, y + 3}, {x + 3, y}, {x, y - 3}});
      if (shape == 13) canvas.SetPixel(x, y, canvas.GetPen().Color);
      break;
    case 20:
    case 21:
      Vee(canvas, x, y, shape - 17, shape - 17);
      break;
    case 22:
    case 23:
      Vee(canvas, x, y, shape - 19, -(shape - 19));
      break;
    case 37:
      Line(canvas, x - 3, y, x + 4, y);
      Line(canvas, x, y, x, y - 8);
      break;
    case 38:
      Line(canvas, x - 3, y - 2, x + 4, y - 2);
      Line(canvas, x - 3, y + 2, x + 4, y + 2);
      Line(canvas, x, y - 2, x, y + 2);
      break;
    case 50:
      canvas.GetBrush().Style = platform::bsSolid;
      Plus(canvas, x, y, 4);
      Line(canvas, x - 3, y - 3, x + 4, y + 4);
      Line(canvas, x - 3, y + 3, x + 4, y - 4);
      break;
    case 51:
      canvas.GetBrush().Style = platform::bsSolid;
      Plus(canvas, x, y, 4);
      Line(canvas, x - 1, y - 3, x + 2, y - 3);
      Line(canvas, x - 1, y + 3, x + 2, y + 3);
      Line(canvas, x - 3, y - 1, x - 3, y + 2);
      Line(canvas, x + 3, y - 1, x + 3, y + 2);
      break;
  }
}

// Codes 200..209 are the digits; any other code is the Latin-1 character of that number, in
// UTF-8 as the canvas takes its text.
std::string MarkText(std::uint8_t code) {
  if (code >= 200 && code <= 209) return std::string(1, char('0' + (code - 200)));
  if (code < 0x80) return std::string(1, char(code));
  return {char(0xC0 | (code >> 6)), char(0x80 | (code & 0x3F))};
}

}  // namespace

void DrawMark(Canvas& canvas, std::uint8_t markType, int x, int y) {
  if (markType >= 52) {
    const std::string text = MarkText(markType);
    canvas.TextOut(x - canvas.TextWidth(text) / 2, y - canvas.TextHeight(text) / 2, text);
    return;
  }
  const platform::TColor brushColor = canvas.GetBrush().Color;
  DrawShape(canvas, markType, x, y);
  canvas.GetBrush().Color = brushColor;
}
