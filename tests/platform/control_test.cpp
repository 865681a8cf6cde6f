#include "platform/control.h"

#include <gtest/gtest.h>

#include <climits>
#include <stdexcept>

using namespace platform;

namespace {

class CountingHost : public ControlHost {
 public:
  Canvas& ScreenCanvas() override { throw std::logic_error("no canvas in this test"); }
  void InvalidateHost() override { ++invalidated; }
  void FlushHost() override { ++flushed; }
  void BoundsChanged() override { ++boundsChanged; }
  int invalidated = 0;
  int flushed = 0;
  int boundsChanged = 0;
};

class PaintCounter : public Control {
 public:
  void Paint() override { ++paints; }
  int paints = 0;
  int resizes = 0;

 protected:
  void Resized() override { ++resizes; }
};

TEST(Control, RepaintPaintsAndFlushesOnlyWithAHostAndWhenVisible) {
  PaintCounter c;
  c.Repaint();
  EXPECT_EQ(c.paints, 0);
  CountingHost host;
  c.SetHost(&host);
  c.Repaint();
  EXPECT_EQ(c.paints, 1);
  EXPECT_EQ(host.flushed, 1);
  c.SetVisible(false);
  c.Repaint();
  EXPECT_EQ(c.paints, 1);
}

TEST(Control, BoundsNotifyTheHostAndResizeOnlyOnSizeChanges) {
  PaintCounter c;
  CountingHost host;
  c.SetHost(&host);
  c.SetBounds(1, 2, 30, 40);
  c.SetBounds(5, 6, 30, 40);
  c.SetBounds(5, 6, 30, 40);
  EXPECT_EQ(host.boundsChanged, 2);
  EXPECT_EQ(c.resizes, 1);
  EXPECT_EQ(c.Left(), 5);
  EXPECT_EQ(c.Height(), 40);
}

TEST(Control, NegativeSizesAreTakenAsZero) {
  struct Case {
    int width, height, expectedWidth, expectedHeight;
  };
  const Case cases[] = {
      {-1, 5, 0, 5}, {7, -40, 7, 0}, {INT_MIN, INT_MIN, 0, 0}, {INT_MAX, 0, INT_MAX, 0}};
  for (const Case& c : cases) {
    PaintCounter control;
    control.SetBounds(-3, -4, 10, 10);
    control.SetBounds(-3, -4, c.width, c.height);
    EXPECT_EQ(control.Width(), c.expectedWidth) << c.width;
    EXPECT_EQ(control.Height(), c.expectedHeight) << c.height;
    EXPECT_EQ(control.Left(), -3);
    EXPECT_EQ(control.Top(), -4);
  }
  PaintCounter control;
  control.SetBounds(0, 0, 0, 0);
  control.SetWidth(-5);
  control.SetHeight(INT_MIN);
  // Still 0 by 0: no resize.
  EXPECT_EQ(control.resizes, 0);
}

TEST(Bitmap, CreatingWithoutAnImplementationIsALogicError) {
  SetBitmapFactory(nullptr);
  EXPECT_THROW(CreateBitmap(10, 10), std::logic_error);
}

}  // namespace
