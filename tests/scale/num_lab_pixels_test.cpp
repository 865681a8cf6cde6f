#include <gtest/gtest.h>

#include <QApplication>
#include <QImage>
#include <algorithm>
#include <climits>
#include <string>

#include "platform/qt/host_widget.h"
#include "platform/qt/install.h"
#include "platform/qt/panel.h"
#include "scale/num_lab.h"

using namespace platform;

namespace {

QRgb Rgb(TColor c) {
  c = ResolveColor(c);
  return qRgb(RedOf(c), GreenOf(c), BlueOf(c));
}

const QRgb kGray = qRgb(0x80, 0x80, 0x80);
const QRgb kWhite = qRgb(0xFF, 0xFF, 0xFF);
const QRgb kBlack = qRgb(0, 0, 0);

struct Ink {
  int count = 0;
  int minX = INT_MAX, minY = INT_MAX, maxX = INT_MIN, maxY = INT_MIN;
};

// Where a colour occurs inside [left, right) x [top, bottom).
Ink InkOf(const QImage& image, QRgb color, int left, int top, int right, int bottom) {
  Ink ink;
  for (int y = top; y < bottom; ++y) {
    for (int x = left; x < right; ++x) {
      if (image.pixel(x, y) != color) continue;
      ++ink.count;
      ink.minX = std::min(ink.minX, x);
      ink.maxX = std::max(ink.maxX, x);
      ink.minY = std::min(ink.minY, y);
      ink.maxY = std::max(ink.maxY, y);
    }
  }
  return ink;
}

// The goodness-of-fit label of the main window, drawn by the Qt canvas.
class NumLabPixels : public ::testing::Test {
 protected:
  void SetUp() override {
    platform_qt::InstallQtPlatform();
    lab.SetBounds(0, 0, 193, 22);
    lab.SetLeftSpace(120);
    lab.SetLabelWidth(60);
    lab.SetLeftText("Anpassungsgrad:  ");
    lab.SetPrecision(4);
    lab.SetColorLabBakG(clSilver);
  }

  QImage Render() {
    lab.Repaint();
    return host.ScreenImage().copy();
  }

  TNumLab lab;
  platform_qt::ControlHostWidget host{lab};
};

TEST_F(NumLabPixels, FrameStylesColourTheirOutlineAndEdges) {
  const QRgb silver = Rgb(clSilver);
  const QRgb face = Rgb(clBtnFace);
  const struct {
    TFrameStyle style;
    QRgb outline, topLeft, bottomRight;
  } cases[] = {
      {fsLowered, kGray, kBlack, kWhite}, {fsRaised, kGray, kWhite, kBlack},
      {fsEmbossed, kWhite, kGray, kGray}, {fsEngraved, kGray, kWhite, kWhite},
      {fsSimple, kGray, silver, kGray},   {fsNone, silver, silver, silver},
  };
  lab.SetEmpty(true);
  for (const auto& c : cases) {
    lab.SetFrameStyle(c.style);
    const QImage image = Render();
    const bool edges = c.style != fsSimple && c.style != fsNone;
    EXPECT_EQ(image.pixel(5, 1), face) << c.style;
    // The box rectangle's outline: left, top and right edges.
    EXPECT_EQ(image.pixel(120, 10), c.outline) << c.style;
    EXPECT_EQ(image.pixel(150, 0), c.outline) << c.style;
    EXPECT_EQ(image.pixel(181, 10), c.outline) << c.style;
    EXPECT_EQ(image.pixel(122, 10), silver) << c.style;
    // Top-left edge inside the box, bottom-right edge below and right of it.
    EXPECT_EQ(image.pixel(121, 10), c.topLeft) << c.style;
    EXPECT_EQ(image.pixel(150, 1), c.topLeft) << c.style;
    EXPECT_EQ(image.pixel(150, 21), edges ? c.bottomRight : c.outline) << c.style;
    EXPECT_EQ(image.pixel(182, 10), edges ? c.bottomRight : face) << c.style;
    // Line ends are left out.
    EXPECT_EQ(image.pixel(182, 0), face) << c.style;
  }
}

TEST_F(NumLabPixels, SystemSchemeTakesTheButtonColours) {
  lab.SetColorScheme(csSystem);
  const QImage image = Render();
  EXPECT_EQ(image.pixel(120, 10), Rgb(clBtnShadow));
  EXPECT_EQ(image.pixel(150, 21), Rgb(clBtnHighlight));
}

TEST_F(NumLabPixels, ValueTextIsBlackAndCentredInTheBox) {
  lab.SetValue(0.98765);
  const QImage image = Render();
  const Ink text = InkOf(image, kBlack, 123, 2, 179, 19);
  ASSERT_GT(text.count, 0);
  EXPECT_LE(std::abs((text.minX - 123) - (178 - text.maxX)), 3);
  EXPECT_EQ(InkOf(image, kGray, 123, 2, 179, 19).count, 0);
}

TEST_F(NumLabPixels, EmptyBoxShowsOnlyItsBackground) {
  lab.SetEmpty(true);
  const QImage image = Render();
  EXPECT_EQ(InkOf(image, Rgb(clSilver), 123, 2, 179, 19).count, 56 * 17);
}

TEST_F(NumLabPixels, DisabledTextsAreEtchedInGrayOnWhite) {
  lab.SetWidth(230);  // room for the right text's white copy
  lab.SetRightText("%");
  const QImage enabled = Render();
  EXPECT_GT(InkOf(enabled, kBlack, 0, 0, 120, 22).count, 0);
  EXPECT_EQ(InkOf(enabled, kGray, 0, 0, 120, 22).count, 0);

  lab.SetEnabled(false);
  const QImage image = Render();
  for (const auto& [left, right] : {std::pair{0, 120}, std::pair{183, 230}}) {
    const Ink gray = InkOf(image, kGray, left, 0, right, 22);
    const Ink white = InkOf(image, kWhite, left, 0, right, 22);
    ASSERT_GT(gray.count, 0) << left;
    EXPECT_EQ(InkOf(image, kBlack, left, 0, right, 22).count, 0) << left;
    // The white copy lies one pixel right of and below the gray text.
    EXPECT_EQ(white.maxX, gray.maxX + 1) << left;
    EXPECT_EQ(white.maxY, gray.maxY + 1) << left;
  }
  // The value is gray, not etched.
  EXPECT_GT(InkOf(image, kGray, 123, 2, 179, 19).count, 0);
  EXPECT_EQ(InkOf(image, kBlack, 123, 2, 179, 19).count, 0);
  EXPECT_EQ(InkOf(image, kWhite, 123, 2, 179, 19).count, 0);
}

TEST_F(NumLabPixels, TransparentLabelLetsTheBackgroundThroughItsWhiteParts) {
  Render();
  const TColor parent = RGB(0x30, 0xC0, 0x90);
  Canvas& screen = host.ScreenCanvas();
  screen.GetPen().Color = parent;
  screen.GetBrush() = Brush{parent, bsSolid};
  screen.Rectangle(0, 0, 193, 22);
  lab.SetTransparent(true);
  lab.Paint();
  const QImage& image = host.ScreenImage();
  EXPECT_EQ(image.pixel(5, 1), Rgb(parent));
  // Under the box the parent does not show.
  EXPECT_EQ(image.pixel(125, 3), Rgb(clSilver));
  EXPECT_GT(InkOf(image, kBlack, 123, 2, 179, 19).count, 0);
  // The frame's gray ANDed with the parent.
  EXPECT_EQ(image.pixel(120, 10), Rgb(RGB(0x00, 0x80, 0x80)));
}

TEST(NumLabOnAParent, TransparentLabelShowsTheParentAndNotItsOwnEarlierPicture) {
  platform_qt::InstallQtPlatform();
  platform_qt::Panel parent;
  parent.resize(260, 50);
  const TColor back = RGB(0x30, 0xC0, 0x90);
  parent.SetColor(back);
  TNumLab lab;
  lab.SetBounds(20, 10, 193, 22);
  lab.SetLeftSpace(120);
  lab.SetLabelWidth(60);
  lab.SetLeftText("Anpassungsgrad:  ");
  lab.SetColorLabBakG(clSilver);
  platform_qt::ControlHostWidget host(lab, &parent);
  parent.show();
  // Through the host's paint, as a transparent label waits for the parent.
  lab.SetTransparent(true);
  QApplication::processEvents();
  EXPECT_EQ(host.ScreenImage().pixel(5, 1), Rgb(back));
  EXPECT_EQ(parent.grab().toImage().pixel(25, 11), Rgb(back));
  EXPECT_GT(InkOf(host.ScreenImage(), kBlack, 0, 0, 118, 22).count, 0);
  EXPECT_EQ(host.ScreenImage().pixel(125, 3), Rgb(clSilver));

  lab.SetLeftText("");
  EXPECT_EQ(InkOf(host.ScreenImage(), kBlack, 0, 0, 118, 22).count, 0);
  EXPECT_EQ(host.ScreenImage().pixel(5, 1), Rgb(back));
}

}  // namespace
