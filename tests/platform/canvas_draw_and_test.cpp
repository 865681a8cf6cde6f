#include <gtest/gtest.h>

#include <map>
#include <utility>

#include "platform/canvas.h"

using namespace platform;

namespace {

// Only pixels; everything else is not needed to combine pictures.
class PixelCanvas : public Canvas {
 public:
  explicit PixelCanvas(TColor background) : background_(background) {}
  void LineTo(int, int) override {}
  void Rectangle(int, int, int, int) override {}
  void Ellipse(int, int, int, int) override {}
  void Polygon(std::span<const TPoint>) override {}
  void Polyline(std::span<const TPoint>) override {}
  void SetPixel(int x, int y, TColor color) override { pixels_[{x, y}] = color; }
  TColor GetPixel(int x, int y) const override {
    const auto it = pixels_.find({x, y});
    return it == pixels_.end() ? background_ : it->second;
  }
  void TextOut(int, int, const std::string&) override {}
  void TextRect(const TRect&, int, int, const std::string&) override {}
  int TextWidth(const std::string&) override { return 0; }
  int TextHeight(const std::string&) override { return 0; }
  void Draw(int, int, const Bitmap&) override {}
  void StretchDraw(const TRect&, const Bitmap&) override {}
  int PixelsSet() const { return static_cast<int>(pixels_.size()); }

 private:
  TColor background_;
  std::map<std::pair<int, int>, TColor> pixels_;
};

class PixelBitmap : public Bitmap {
 public:
  PixelBitmap(int w, int h, TColor background) : canvas_(background), w_(w), h_(h) {}
  Canvas& GetCanvas() override { return canvas_; }
  int Width() const override { return w_; }
  int Height() const override { return h_; }
  void SetSize(int w, int h) override {
    w_ = w;
    h_ = h;
  }

 private:
  PixelCanvas canvas_;
  int w_, h_;
};

TEST(CanvasDrawAnd, WhiteLeavesThePictureAndOtherColoursMaskIt) {
  PixelCanvas screen(RGB(0x12, 0x34, 0x56));
  screen.SetPixel(4, 3, RGB(0xFF, 0xFF, 0x00));
  PixelBitmap bitmap(3, 2, clWhite);
  bitmap.GetCanvas().SetPixel(1, 1, RGB(0x00, 0xF0, 0xFF));
  bitmap.GetCanvas().SetPixel(2, 0, clBlack);

  screen.DrawAnd(3, 2, bitmap);

  EXPECT_EQ(screen.GetPixel(3, 2), RGB(0x12, 0x34, 0x56));
  EXPECT_EQ(screen.GetPixel(4, 3), RGB(0x00, 0xF0, 0x00));
  EXPECT_EQ(screen.GetPixel(5, 2), clBlack);
  // Only the bitmap's area is touched.
  EXPECT_EQ(screen.PixelsSet(), 6);
}

TEST(CanvasDrawAnd, SystemColoursCombineAsTheColourTheyStandFor) {
  PixelCanvas screen(clWhite);
  PixelBitmap bitmap(1, 1, clBtnFace);
  screen.DrawAnd(0, 0, bitmap);
  EXPECT_EQ(screen.GetPixel(0, 0), ResolveColor(clBtnFace));
}

}  // namespace
