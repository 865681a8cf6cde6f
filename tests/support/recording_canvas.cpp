#include "tests/support/recording_canvas.h"

#include <stdexcept>

namespace test_support {

using platform::TColor;
using platform::TPoint;

CanvasCall& RecordingCanvas::Record(std::string op, std::vector<int> args, std::string text) {
  CanvasCall c;
  c.Op = std::move(op);
  c.Args = std::move(args);
  c.Text = std::move(text);
  c.Pen = GetPen();
  c.Brush = GetBrush();
  c.Font = GetFont();
  c.From = PenPos();
  calls_.push_back(std::move(c));
  return calls_.back();
}

void RecordingCanvas::MoveTo(int x, int y) {
  Record("MoveTo", {x, y});
  Canvas::MoveTo(x, y);
}

void RecordingCanvas::LineTo(int x, int y) {
  Record("LineTo", {x, y});
  SetPenPos({x, y});
}

void RecordingCanvas::Rectangle(int x1, int y1, int x2, int y2) {
  Record("Rectangle", {x1, y1, x2, y2});
}

void RecordingCanvas::Ellipse(int x1, int y1, int x2, int y2) {
  Record("Ellipse", {x1, y1, x2, y2});
}

void RecordingCanvas::Polygon(std::span<const TPoint> points) {
  std::vector<int> args;
  for (const TPoint& p : points) {
    args.push_back(p.X);
    args.push_back(p.Y);
  }
  Record("Polygon", std::move(args));
}

void RecordingCanvas::Polyline(std::span<const TPoint> points) {
  std::vector<int> args;
  for (const TPoint& p : points) {
    args.push_back(p.X);
    args.push_back(p.Y);
  }
  Record("Polyline", std::move(args));
}

void RecordingCanvas::SetPixel(int x, int y, TColor color) {
  Record("SetPixel", {x, y, int(color)});
  pixels_[{x, y}] = color;
}

TColor RecordingCanvas::GetPixel(int x, int y) const {
  const auto it = pixels_.find({x, y});
  return it == pixels_.end() ? platform::clWhite : it->second;
}

void RecordingCanvas::TextOut(int x, int y, const std::string& text) {
  Record("TextOut", {x, y}, text);
}

void RecordingCanvas::TextRect(const platform::TRect& clip, int x, int y, const std::string& text) {
  Record("TextRect", {clip.Left, clip.Top, clip.Right, clip.Bottom, x, y}, text);
}

int RecordingCanvas::TextWidth(const std::string& text) {
  return kCharWidth * int(text.size());
}

int RecordingCanvas::TextHeight(const std::string&) {
  return kTextHeight;
}

void RecordingCanvas::Draw(int x, int y, const platform::Bitmap& bitmap) {
  CanvasCall& c = Record("Draw", {x, y, bitmap.Width(), bitmap.Height()});
  if (const auto* rb = dynamic_cast<const RecordingBitmap*>(&bitmap)) {
    c.BitmapCalls = rb->Recording().Calls();
  }
}

void RecordingCanvas::StretchDraw(const platform::TRect& rect, const platform::Bitmap&) {
  Record("StretchDraw", {rect.Left, rect.Top, rect.Right, rect.Bottom});
}

std::vector<Segment> Segments(const std::vector<CanvasCall>& calls) {
  std::vector<Segment> out;
  for (const CanvasCall& c : calls) {
    if (c.Op == "LineTo") out.push_back({c.From.X, c.From.Y, c.Args[0], c.Args[1], c.Pen.Color});
  }
  return out;
}

std::vector<TextCall> Texts(const std::vector<CanvasCall>& calls) {
  std::vector<TextCall> out;
  for (const CanvasCall& c : calls) {
    if (c.Op == "TextOut") out.push_back({c.Args[0], c.Args[1], c.Text});
  }
  return out;
}

const std::vector<CanvasCall>& FirstDrawnBitmap(const std::vector<CanvasCall>& calls) {
  for (const CanvasCall& c : calls) {
    if (c.Op == "Draw") return c.BitmapCalls;
  }
  throw std::logic_error("no bitmap was drawn");
}

namespace {
int& CreatedCount() {
  static int count = 0;
  return count;
}
}  // namespace

void InstallRecordingBitmaps() {
  platform::SetBitmapFactory([](int w, int h) -> std::unique_ptr<platform::Bitmap> {
    ++CreatedCount();
    return std::make_unique<RecordingBitmap>(w, h);
  });
}

int RecordingBitmapsCreated() {
  return CreatedCount();
}

}  // namespace test_support
