#include <gtest/gtest.h>

#include "platform/color.h"
#include "platform/qt/install.h"
#include "platform/qt/qt_bitmap.h"
#include "scale/scale.h"

namespace {

using platform::ResolveColor;
using platform::TColor;

// The frame of an opaque scale drawn by the Qt canvas, read back pixel by pixel.
class ScalePixels : public testing::Test {
 protected:
  void SetUp() override {
    platform_qt::InstallQtPlatform();
    scale.SetBounds(0, 0, 60, 40);
    scale.SetRenderTarget(&target.GetCanvas(), 0, 0);
  }
  TColor At(int x, int y) { return target.GetCanvas().GetPixel(x, y); }

  platform_qt::QtBitmap target{60, 40};
  TScale scale;
};

TEST_F(ScalePixels, FrameStylesWithGrayAndWhite) {
  const TColor S = 0x808080, H = 0xFFFFFF, K = 0x000000, G = 0xC0C0C0;
  const TColor B = ResolveColor(platform::clBtnFace);
  struct Case {
    TFrameStyle style;
    TColor outerTL, outerBR, innerTL, innerBR;
  };
  for (const Case& c :
       {Case{fsNone, B, B, B, B}, Case{fsSimple, K, K, B, B}, Case{fsLowered, S, H, K, G},
        Case{fsRaised, H, K, G, S}, Case{fsEmbossed, H, S, S, H}, Case{fsEngraved, S, H, H, S}}) {
    scale.SetFrameStyle(c.style);
    scale.RenderNow();
    SCOPED_TRACE(int(c.style));
    EXPECT_EQ(At(5, 0), c.outerTL);
    EXPECT_EQ(At(0, 5), c.outerTL);
    EXPECT_EQ(At(59, 5), c.outerBR);
    EXPECT_EQ(At(5, 39), c.outerBR);
    EXPECT_EQ(At(5, 1), c.innerTL);
    EXPECT_EQ(At(1, 5), c.innerTL);
    EXPECT_EQ(At(58, 5), c.innerBR);
    EXPECT_EQ(At(5, 38), c.innerBR);
    EXPECT_EQ(At(3, 3), B);
  }
}

TEST_F(ScalePixels, LoweredCornersAndSystemColours) {
  scale.RenderNow();
  EXPECT_EQ(At(0, 0), 0x808080u);
  EXPECT_EQ(At(59, 0), 0x808080u);  // the top edge runs to the right end
  EXPECT_EQ(At(0, 39), 0xFFFFFFu);  // the bottom edge runs to the left end
  EXPECT_EQ(At(59, 39), 0xFFFFFFu);
  EXPECT_EQ(At(1, 38), 0xC0C0C0u);
  scale.SetColorScheme(csSystem);
  scale.RenderNow();
  EXPECT_EQ(At(5, 0), ResolveColor(platform::clBtnShadow));
  EXPECT_EQ(At(5, 39), ResolveColor(platform::clBtnHighlight));
}

TEST_F(ScalePixels, BaseLineAndTicksOnTheScreen) {
  scale.SetFrameStyle(fsNone);
  scale.SetShortTicks(false);
  scale.SetMinTicks(2);  // 0..100 in steps of 20 over 19 pixels
  scale.SetLabelType(ftNoFigs);
  scale.RenderNow();
  // Base line from x = 20 to 38 (its end pixel left out) at y = 19.
  EXPECT_EQ(At(20, 19), 0u);
  EXPECT_EQ(At(38, 19), 0u);
  EXPECT_EQ(At(39, 19), 0u);  // the tick at 100 starts there
  EXPECT_EQ(At(19, 19), ResolveColor(platform::clBtnFace));
  // The long tick at 0: 7 pixels up from the line, the end pixel left out.
  EXPECT_EQ(At(20, 13), 0u);
  EXPECT_EQ(At(20, 12), ResolveColor(platform::clBtnFace));
}

}  // namespace
