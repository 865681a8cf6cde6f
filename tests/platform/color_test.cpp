#include "platform/color.h"

#include <gtest/gtest.h>

using namespace platform;

TEST(Color, ByteOrderIsRedGreenBlueFromTheLowByte) {
  EXPECT_EQ(RGB(0x12, 0x34, 0x56), 0x563412u);
  EXPECT_EQ(RedOf(clRed), 0xFF);
  EXPECT_EQ(BlueOf(clBlue), 0xFF);
  EXPECT_EQ(clBtnFace, 0xFF00000Fu);
}

TEST(Color, SystemColoursResolveToFixedRgb) {
  EXPECT_EQ(ResolveColor(clBtnFace), clSilver);
  EXPECT_EQ(ResolveColor(clBtnShadow), clGray);
  EXPECT_EQ(ResolveColor(clBtnHighlight), clWhite);
  EXPECT_EQ(ResolveColor(clGreen), clGreen);
  EXPECT_EQ(ResolveColor(0xFF0000FF), clBlack);  // an index past the table
}
