#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "platform/color.h"
#include "platform/qt/install.h"
#include "platform/qt/qt_bitmap.h"
#include "scale/scale.h"

namespace {

using platform::ResolveColor;
using platform::TColor;

constexpr double kY2000 = 36526;  // 1 January 2000

// Date/time scales over 36 hours from 06:00 (long ticks every 6 hours, short ones every 2),
// drawn by the Qt canvas and read back pixel by pixel.
class DateTimePixels : public testing::Test {
 protected:
  void SetUp() override {
    platform_qt::InstallQtPlatform();
    scale.SetFrameStyle(fsNone);
    scale.SetLabelType(ftDateTime);
    scale.SetMinTicks(6);
    scale.SetRangeLow(kY2000 + 0.25);
    scale.SetRangeHigh(kY2000 + 1.75);
  }

  void Render(int width, int height) {
    target = std::make_unique<platform_qt::QtBitmap>(width, height);
    scale.SetBounds(0, 0, width, height);
    scale.SetRenderTarget(&target->GetCanvas(), 0, 0);
    scale.RenderNow();
    target->GetCanvas().SetFont(scale.Font());
  }
  TColor At(int x, int y) { return target->GetCanvas().GetPixel(x, y); }
  int TextHeight(const std::string& s) { return target->GetCanvas().TextHeight(s); }
  int TextWidth(const std::string& s) { return target->GetCanvas().TextWidth(s); }
  // Pixels of the rectangle [x1, x2) x [y1, y2) that are not background.
  int Inked(int x1, int y1, int x2, int y2) {
    const TColor background = ResolveColor(platform::clBtnFace);
    int n = 0;
    for (int y = y1; y < y2; ++y) {
      for (int x = x1; x < x2; ++x) n += At(x, y) != background;
    }
    return n;
  }

  std::unique_ptr<platform_qt::QtBitmap> target;
  TScale scale;
};

TEST_F(DateTimePixels, HorizontalTicksLabelsAndDateLines) {
  Render(400, 90);
  const int a = 90 - 20 - 1;
  const TColor background = ResolveColor(platform::clBtnFace);
  // The long tick at 06:00 (x = 20) is 7 pixels, the short one at 08:00 is 4.
  EXPECT_EQ(At(20, a - 6), 0u);
  EXPECT_EQ(At(20, a - 7), background);
  const int eight = scale.ValueToPixel(kY2000 + 8.0 / 24);
  EXPECT_EQ(At(eight, a - 3), 0u);
  EXPECT_EQ(At(eight, a - 4), background);

  const int h = TextHeight("06:00");
  const int labelTop = a - 7 - h;
  const int dateTop = labelTop - TextHeight("01-Jan-2000");
  // Clock labels above every long tick; dates one line further up at 06:00 and at midnight only.
  for (const double hours : {6.0, 12.0, 24.0, 36.0}) {
    const int p = scale.ValueToPixel(kY2000 + hours / 24);
    SCOPED_TRACE(hours);
    EXPECT_GT(Inked(p - 3, labelTop, p + 3, a - 7), 0);
    const bool withDate = hours == 6 || hours == 24;
    const int dateInk = Inked(p - 3, dateTop, p + 3, labelTop);
    if (withDate) {
      EXPECT_GT(dateInk, 0);
    } else {
      EXPECT_EQ(dateInk, 0);
    }
  }
  // Nothing between the labels.
  const int three = scale.ValueToPixel(kY2000 + 15.0 / 24);
  EXPECT_EQ(Inked(three - 2, dateTop, three + 2, a - 7), 0);
}

TEST_F(DateTimePixels, VerticalLabelsBesideTheAxisAndTheMessage) {
  scale.SetScaleType(sctYL);
  Render(120, 400);
  const int a = 20;
  const TColor background = ResolveColor(platform::clBtnFace);
  // The long tick at 06:00 sits at the bottom (y = 379), 6 pixels to the right.
  EXPECT_EQ(At(a + 5, 379), 0u);
  EXPECT_EQ(At(a + 6, 379), background);

  const int h = TextHeight("06:00");
  const int hd = TextHeight("01-Jan-2000");
  const int noon = scale.ValueToPixel(kY2000 + 0.5);
  for (const int p : {379, noon}) {
    SCOPED_TRACE(p);
    // The clock label from a + 8, centred on the tick.
    EXPECT_GT(Inked(a + 8, p - h / 2, a + 8 + TextWidth("06:00"), p - h / 2 + h), 0);
    EXPECT_EQ(Inked(a + 6, p - h / 2, a + 8, p + h / 2), 0);  // between tick end and label
  }
  // The date line above the first label only.
  const int dateTop = 379 - 3 * (hd / 2);
  EXPECT_GT(Inked(a + 8, dateTop, a + 8 + TextWidth("01-Jan-2000"), 379 - h / 2), 0);
  EXPECT_EQ(Inked(a + 8, noon - 3 * (hd / 2), 120, noon - h / 2), 0);

  // A reversed range: three message lines around the middle, two pixels right of the axis.
  scale.SetRangeLow(kY2000 + 2);
  Render(120, 400);
  const int m = scale.ValueToPixel((scale.RangeLow() + scale.RangeHigh()) / 2);
  const int t = TextHeight("T");
  EXPECT_GT(Inked(a + 2, m - t, a + 2 + TextWidth("invalid"), m), 0);
  EXPECT_GT(Inked(a + 2, m + t, a + 2 + TextWidth("scale"), m + 2 * t), 0);
  EXPECT_EQ(Inked(a + 2, 20, 120, m - t - 1), 0);  // no ticks, no labels
}

}  // namespace
