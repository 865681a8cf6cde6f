#pragma once

#include <functional>
#include <memory>
#include <span>
#include <string>

#include "platform/graphics.h"

namespace platform {

class Bitmap;

// A drawing surface: a control's screen image or an off-screen bitmap. Integer pixels, origin
// top-left. LineTo leaves out its end pixel; Rectangle and Ellipse exclude right and bottom;
// text is placed by its top-left corner, on the brush colour when the brush is solid.
class Canvas {
 public:
  virtual ~Canvas() = default;

  Pen& GetPen() { return pen_; }
  Brush& GetBrush() { return brush_; }
  Font& GetFont() { return font_; }
  const Pen& GetPen() const { return pen_; }
  const Brush& GetBrush() const { return brush_; }
  const Font& GetFont() const { return font_; }
  void SetPen(const Pen& pen) { pen_ = pen; }
  void SetBrush(const Brush& brush) { brush_ = brush; }
  void SetFont(const Font& font) { font_ = font; }

  TPoint PenPos() const { return penPos_; }
  virtual void MoveTo(int x, int y) { penPos_ = {x, y}; }
  virtual void LineTo(int x, int y) = 0;
  virtual void Rectangle(int x1, int y1, int x2, int y2) = 0;
  virtual void Ellipse(int x1, int y1, int x2, int y2) = 0;
  virtual void Polygon(std::span<const TPoint> points) = 0;
  virtual void Polyline(std::span<const TPoint> points) = 0;
  virtual void SetPixel(int x, int y, TColor color) = 0;
  virtual TColor GetPixel(int x, int y) const = 0;
  virtual void TextOut(int x, int y, const std::string& text) = 0;
  virtual void TextRect(const TRect& clip, int x, int y, const std::string& text) = 0;
  virtual int TextWidth(const std::string& text) = 0;
  virtual int TextHeight(const std::string& text) = 0;
  virtual void Draw(int x, int y, const Bitmap& bitmap) = 0;
  virtual void StretchDraw(const TRect& rect, const Bitmap& picture) = 0;
  // Combines a bitmap with the picture under it by a bitwise AND of the colours, so that the
  // bitmap's white parts leave that picture visible. The default works pixel by pixel.
  virtual void DrawAnd(int x, int y, const Bitmap& bitmap);

  // Device pixels per logical pixel. Callers draw in logical pixels at every ratio; the surface
  // multiplies them, and text and the curve gain the resolution.
  virtual double PixelRatio() const { return 1.0; }

  // Device resolution: vertical pixels per inch and the pixel aspect (horizontal, vertical).
  virtual int PixelsPerInchY() const { return 96; }
  virtual TPoint PixelAspect() const { return {1, 1}; }
  // Nothing in this program prints.
  virtual bool IsPrinter() const { return false; }
  // Limits drawing to `clip` (nullptr: no limit). A bitmap's edges clip already; a surface that
  // takes a whole chart at once (a vector picture) needs it for the data area.
  virtual void SetClipRect(const TRect* /*clip*/) {}

 protected:
  void SetPenPos(TPoint p) { penPos_ = p; }

 private:
  Pen pen_;
  Brush brush_;
  Font font_;
  TPoint penPos_;
};

// An off-screen picture with its own canvas.
class Bitmap {
 public:
  virtual ~Bitmap() = default;
  virtual Canvas& GetCanvas() = 0;
  virtual int Width() const = 0;
  virtual int Height() const = 0;
  virtual void SetSize(int width, int height) = 0;
  void SetWidth(int width) { SetSize(width, Height()); }
  void SetHeight(int height) { SetSize(Width(), height); }
  // Device pixels per logical pixel; sizes stay logical. A picture composed for a surface takes
  // that surface's ratio, so that copying it there is pixel for pixel. Changing it rescales the
  // picture.
  virtual double PixelRatio() const { return 1.0; }
  virtual void SetPixelRatio(double /*ratio*/) {}
  // Replaces the picture by the image file's; false, with the picture unchanged, when the file
  // cannot be read as an image.
  virtual bool LoadFromFile(const std::string& /*fileName*/) { return false; }
};

// Bitmaps come from the one installed implementation (the Qt one in the program, a test double
// in layout tests), so code above this layer never names the toolkit.
using BitmapFactory = std::function<std::unique_ptr<Bitmap>(int width, int height)>;
void SetBitmapFactory(BitmapFactory factory);
// Throws std::logic_error when no implementation is installed.
std::unique_ptr<Bitmap> CreateBitmap(int width = 0, int height = 0);

}  // namespace platform
