#include "platform/cursor.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <vector>

using namespace platform;

namespace {

TEST(ScreenCursor, KeepsTheNumberAndTellsTheBackendOfChanges) {
  std::vector<TCursor> shown;
  SetCursorBackend([&](TCursor c) { shown.push_back(c); });
  SetScreenCursor(crHand);
  SetScreenCursor(crHand);
  SetScreenCursor(crCross);
  SetScreenCursor(crDefault);
  EXPECT_EQ(shown, (std::vector<TCursor>{crDefault, crHand, crCross, crDefault}));
  EXPECT_EQ(ScreenCursor(), crDefault);
  SetCursorBackend(nullptr);
}

TEST(CustomCursorImage, TheFourCursorsHaveTheirNamesAndDistinctPictures) {
  const char* names[] = {"CURHAND", "CURZOOMW", "CURZOOMD", "CURZOOMP"};
  for (TCursor c = crHand; c <= crZoomP; ++c) {
    const auto& image = CustomCursorImage(c);
    EXPECT_EQ(image.Name, names[c - 1]);
    ASSERT_EQ(image.Pixels.size(), std::size_t(image.Width * image.Height));
    EXPECT_LT(image.HotX, image.Width);
    EXPECT_LT(image.HotY, image.Height);
    EXPECT_EQ(image.At(0, image.Height - 1), CursorImage::Transparent);
    for (TCursor other = crHand; other < c; ++other)
      EXPECT_NE(image.Pixels, CustomCursorImage(other).Pixels);
  }
  EXPECT_THROW(CustomCursorImage(0), std::out_of_range);
  EXPECT_THROW(CustomCursorImage(5), std::out_of_range);
}

}  // namespace
