#pragma once

#include <map>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "platform/canvas.h"
#include "platform/control.h"
#include "platform/graphics.h"

namespace test_support {

// One call on a RecordingCanvas with its arguments and the drawing state at that moment.
struct CanvasCall {
  std::string Op;         // "MoveTo", "LineTo", "Rectangle", "TextOut", "Draw", ...
  std::vector<int> Args;  // coordinates in call order
  std::string Text;
  platform::Pen Pen;
  platform::Brush Brush;
  platform::Font Font;
  platform::TPoint From;                // pen position before a LineTo
  std::vector<CanvasCall> BitmapCalls;  // Draw of a recording bitmap: what was drawn into it
};

struct Segment {
  int X1, Y1, X2, Y2;
  platform::TColor Color;
  friend bool operator==(const Segment& a, const Segment& b) {
    return a.X1 == b.X1 && a.Y1 == b.Y1 && a.X2 == b.X2 && a.Y2 == b.Y2 && a.Color == b.Color;
  }
};

struct TextCall {
  int X, Y;
  std::string Text;
};

// A canvas that draws nothing and logs every call. Text metrics are fixed: 6 pixels per
// character wide, 13 pixels high (also for an empty text).
class RecordingCanvas : public platform::Canvas {
 public:
  static constexpr int kCharWidth = 6;
  static constexpr int kTextHeight = 13;

  void MoveTo(int x, int y) override;
  void LineTo(int x, int y) override;
  void Rectangle(int x1, int y1, int x2, int y2) override;
  void Ellipse(int x1, int y1, int x2, int y2) override;
  void Polygon(std::span<const platform::TPoint> points) override;
  void Polyline(std::span<const platform::TPoint> points) override;
  void SetPixel(int x, int y, platform::TColor color) override;
  platform::TColor GetPixel(int x, int y) const override;
  void TextOut(int x, int y, const std::string& text) override;
  void TextRect(const platform::TRect& clip, int x, int y, const std::string& text) override;
  int TextWidth(const std::string& text) override;
  int TextHeight(const std::string& text) override;
  void Draw(int x, int y, const platform::Bitmap& bitmap) override;
  void StretchDraw(const platform::TRect& rect, const platform::Bitmap& picture) override;

  const std::vector<CanvasCall>& Calls() const { return calls_; }
  void Clear() { calls_.clear(); }

 private:
  CanvasCall& Record(std::string op, std::vector<int> args, std::string text = {});
  std::vector<CanvasCall> calls_;
  std::map<std::pair<int, int>, platform::TColor> pixels_;
};

// Views on a call log: the LineTo segments (from the pen position) and the TextOut calls.
std::vector<Segment> Segments(const std::vector<CanvasCall>& calls);
std::vector<TextCall> Texts(const std::vector<CanvasCall>& calls);
// The calls drawn into the first recording bitmap that was copied onto the canvas.
const std::vector<CanvasCall>& FirstDrawnBitmap(const std::vector<CanvasCall>& calls);

class RecordingBitmap : public platform::Bitmap {
 public:
  RecordingBitmap(int width, int height) : width_(width), height_(height) {}
  platform::Canvas& GetCanvas() override { return canvas_; }
  const RecordingCanvas& Recording() const { return canvas_; }
  int Width() const override { return width_; }
  int Height() const override { return height_; }
  void SetSize(int width, int height) override {
    width_ = width;
    height_ = height;
  }

 private:
  RecordingCanvas canvas_;
  int width_;
  int height_;
};

// Makes platform::CreateBitmap hand out recording bitmaps; counts them.
void InstallRecordingBitmaps();
int RecordingBitmapsCreated();

// A host whose screen is a recording canvas; counts invalidations and flushes.
class RecordingHost : public platform::ControlHost {
 public:
  platform::Canvas& ScreenCanvas() override { return canvas; }
  void InvalidateHost() override { ++invalidated; }
  void FlushHost() override { ++flushed; }
  void BoundsChanged() override { ++boundsChanged; }

  RecordingCanvas canvas;
  int invalidated = 0;
  int flushed = 0;
  int boundsChanged = 0;
};

}  // namespace test_support
