#include <gtest/gtest.h>

#include <cstring>

#include <cmath>
#include <limits>
#include <string>
#include <vector>

#include "chart/varori.h"
#include "chart/varori_error.h"
#include "platform/message_box.h"
#include "platform/qt/install.h"
#include "tests/support/recording_canvas.h"

using namespace test_support;

namespace {

// A chart on recording bitmaps with a recording window, loaded like the main window's.
class ChartTest : public testing::Test {
 protected:
  void SetUp() override {
    InstallRecordingBitmaps();
    platform::SetInformationBoxBackend([this](const std::string& t) { messages.push_back(t); });
  }
  void TearDown() override {
    platform::SetInformationBoxBackend(nullptr);
    platform_qt::InstallQtPlatform();
  }

  std::vector<std::string> messages;
};

TEST_F(ChartTest, ConstructionEndsWithTheStandardLayout) {
  TVArori c;
  EXPECT_EQ(c.MarginLeft(), 50);
  EXPECT_EQ(c.MarginRight(), 20);
  EXPECT_EQ(c.MarginTop(), 20);
  EXPECT_EQ(c.MarginBottom(), 40);
  EXPECT_EQ(c.Width(), 280);
  EXPECT_EQ(c.Height(), 200);
  EXPECT_TRUE(c.AutoRedraw());
  EXPECT_EQ(c.AllocSize(), 1000);
  EXPECT_EQ(c.MouseAction(), maNone);
  EXPECT_EQ(c.CaptionPosY(), -16);
  EXPECT_EQ(c.CaptionAlignment(), taRightJustify);
  EXPECT_TRUE(c.PaintHeld());  // until it gets a window
  EXPECT_EQ(c.XScaleName(1), "RC_FScale_X_1");
  EXPECT_EQ(c.YScaleName(16), "RC_FScale_Y_16");

  // Per layer: palette colour, alternating sides, positions further out in pairs.
  EXPECT_EQ(c.ScaleX(3).ColorScale(), platform::clGreen);
  EXPECT_EQ(c.ScaleY(16).ColorScale(), platform::clWhite);
  EXPECT_EQ(c.ScaleX(6).ScaleLocation(), slTop);
  EXPECT_EQ(c.ScaleX(6).ScalePos(), 60);
  EXPECT_EQ(c.ScaleY(7).ScaleLocation(), slLeft);
  EXPECT_EQ(c.ScaleY(7).ScalePos(), 150);
  EXPECT_TRUE(c.ScaleX(1).Visible());
  EXPECT_FALSE(c.ScaleX(2).Visible());
  EXPECT_EQ(c.ScaleY(1).CaptionAlignment(), taLeftJustify);
  EXPECT_EQ(c.XScale(1).ScaleType(), sctXT);  // labels below a bottom axis
  EXPECT_EQ(c.YScale(1).ScaleType(), sctYR);

  EXPECT_FALSE(c.TextLabel(30).Visible);
  EXPECT_EQ(c.TextLabel(1).Mode, tlOff);
  EXPECT_EQ(c.TextLabel(5).ShadowDx, 3);
  EXPECT_EQ(c.CrossHair(3).Layer(), 3);
  EXPECT_EQ(c.CrossHair(3).Mode(), chOff);
}

TEST_F(ChartTest, SettersClampOrIgnore) {
  TVArori c;
  c.SetShadowWidth(40);
  EXPECT_EQ(c.ShadowWidth(), 32);
  c.SetShadowWidth(-1);
  EXPECT_EQ(c.ShadowWidth(), 0);
  c.SetClassDefault(7);
  c.SetClassDefault(255);
  EXPECT_EQ(c.ClassDefault(), 7);
  for (int bad : {0, -5, 2000000}) c.SetAllocSize(bad);
  EXPECT_EQ(c.AllocSize(), 1000);
  c.SetGridDx(-3.5);
  EXPECT_EQ(c.GridDx(), 0);
  c.SetGridDx(-3);
  EXPECT_EQ(c.GridDx(), -3);
  c.CrossHair(1).SetLayer(0);
  EXPECT_EQ(c.CrossHair(1).Layer(), 1);
  c.CrossHair(1).SetLayer(20);
  EXPECT_EQ(c.CrossHair(1).Layer(), 16);
  c.ScaleX(1).SetDecPlaces(20);
  EXPECT_EQ(c.ScaleX(1).DecPlaces(), 12);
  c.ScaleX(1).SetLabelType(ftTime);
  EXPECT_EQ(c.ScaleX(1).DecPlaces(), 4);
}

TEST_F(ChartTest, ResizeKeepsRoomForADataArea) {
  TVArori c;
  c.SetBounds(0, 0, 10, 10);
  EXPECT_EQ(c.Width(), 50 + 80 + 20);
  EXPECT_EQ(c.Height(), 20 + 20 + 40);
  c.SetShadowWidth(5);
  c.SetBounds(0, 0, 10, 10);
  EXPECT_EQ(c.Width(), 155);
  EXPECT_EQ(c.Height(), 85);
  // Huge margins do not overflow the minimum.
  c.SetMarginLeft(std::numeric_limits<int>::max());
  c.SetBounds(0, 0, 10, 10);
  EXPECT_EQ(c.Width(), std::numeric_limits<int>::max());
  EXPECT_EQ(c.DataAreaWidth(), 0);
}

TEST_F(ChartTest, StandardLayouts) {
  struct Row {
    TrcLayout layout;
    int bottom, top, left, right;
    std::vector<int> shownX, shownY;
    int y2Pos;
  };
  const Row rows[] = {
      {rcl_X1Bottom_Y1Left, 40, 20, 50, 20, {1}, {1}, 0},
      {rcl_X1Bottom_Y2Left, 40, 24, 100, 20, {1}, {1, 2}, 50},
      {rcl_X1Bottom_Y3Left, 40, 24, 150, 20, {1}, {1, 2, 3}, 50},
      {rcl_X1Bottom_Y4Left, 40, 24, 200, 20, {1}, {1, 2, 3, 4}, 50},
      {rcl_X1Bottom_Y2Both, 40, 24, 50, 50, {1}, {1, 2}, 0},
      {rcl_X2Bottom_Y2Left, 70, 24, 100, 20, {1, 2}, {1, 2}, 50},
      {rcl_X2Both_Y2Both, 40, 48, 50, 50, {1, 2}, {1, 2}, 0},
  };
  TVArori c;
  for (const Row& r : rows) {
    SCOPED_TRACE(int(r.layout));
    c.SetStandardLayout(r.layout);
    EXPECT_EQ(c.MarginBottom(), r.bottom);
    EXPECT_EQ(c.MarginTop(), r.top);
    EXPECT_EQ(c.MarginLeft(), r.left);
    EXPECT_EQ(c.MarginRight(), r.right);
    for (int n = 1; n <= kNumLayers; ++n) {
      const bool x = std::find(r.shownX.begin(), r.shownX.end(), n) != r.shownX.end();
      const bool y = std::find(r.shownY.begin(), r.shownY.end(), n) != r.shownY.end();
      EXPECT_EQ(c.ScaleX(n).Visible(), x) << n;
      EXPECT_EQ(c.ScaleY(n).Visible(), y) << n;
      EXPECT_EQ(c.XScale(n).Visible(), x) << n;
    }
    EXPECT_EQ(c.ScaleY(2).ScalePos(), r.y2Pos);
  }
  EXPECT_EQ(c.ScaleX(2).ScaleLocation(), slTop);
  EXPECT_EQ(c.ScaleY(2).ScaleLocation(), slRight);
  EXPECT_EQ(c.ScaleY(2).CaptionAlignment(), taLeftJustify);
  EXPECT_EQ(c.ScaleY(3).CaptionPosY(), -23);
  EXPECT_EQ(c.ScaleX(3).CaptionPosY(), 100);
  EXPECT_EQ(c.CaptionAnchorHoriz(), cahChartCenter);
}

// ---- mapping

class MappingTest : public ChartTest {
 protected:
  void SetUp() override {
    ChartTest::SetUp();
    c.SetBounds(0, 0, 600, 400);
    c.Scale1X().SetRangeHigh(10);
    c.Scale1Y().SetRangeHigh(10);
  }
  TVArori c;
};

TEST_F(MappingTest, WorldAndPixel) {
  int px, py;
  c.WorldToPixel(1, 0, 0, px, py);
  EXPECT_EQ(px, 50);
  EXPECT_EQ(py, 400 - 40);
  c.WorldToPixel(1, 10, 10, px, py);
  EXPECT_EQ(px, 580);
  EXPECT_EQ(py, 20);
  double x, y;
  c.PixelToWorld(1, 315, 190, x, y);
  EXPECT_DOUBLE_EQ(x, 5);
  EXPECT_DOUBLE_EQ(y, 5);
  c.PixelToWorld(1, 10, 0, x, y);  // outside the data area: extrapolated, no error
  EXPECT_LT(x, 0);
  EXPECT_GT(y, 10);

  c.WorldToPixel(1, 1e300, -1e300, px, py);
  EXPECT_EQ(px, 2147483647);
  EXPECT_EQ(py, 2147483647);
  c.WorldToPixel(1, -std::numeric_limits<double>::infinity(), 0, px, py);
  EXPECT_EQ(px, -2147483647);
  // A NaN has no place; it never reaches an integer conversion.
  c.WorldToPixel(1, std::nan(""), std::nan(""), px, py);
  EXPECT_EQ(px, 0);
  EXPECT_EQ(py, 0);

  // Halves round to even: 53 pixels per unit over 0..10 would not give halves, so use 1..531.
  c.SetBounds(0, 0, 50 + 20 + 2, 400);  // raised to the minimum width 150: w = 80
  c.Scale1X().SetRangeLow(0);
  c.Scale1X().SetRangeHigh(160);  // half a pixel per unit
  c.WorldToPixel(1, 1, 0, px, py);
  EXPECT_EQ(px, 50);  // 50.5 -> 50
  c.WorldToPixel(1, 3, 0, px, py);
  EXPECT_EQ(px, 52);  // 51.5 -> 52
}

TEST_F(MappingTest, RangeRules) {
  TScalePropsHoriz& x = c.Scale1X();
  x.SetRangeLow(5);
  x.SetRangeHigh(5);
  EXPECT_EQ(x.RangeHigh(), 5);
  EXPECT_EQ(x.RangeLow(), 5 - 1e-10);
  x.SetRangeHigh(11);
  x.SetRangeLow(9);
  x.SetMinRange(4);
  EXPECT_EQ(x.RangeLow(), 8);
  EXPECT_EQ(x.RangeHigh(), 12);
  x.SetMinRange(1e-120);
  EXPECT_EQ(x.MinRange(), 4);
  x.SetMinRange(1e-10);
  x.SetRangeLow(5);
  x.SetRangeHigh(5);
  x.SetRangeLow(5);
  EXPECT_EQ(x.RangeLow(), 5);
  EXPECT_EQ(x.RangeHigh(), 5 + 1e-10);
  // A range may descend.
  x.SetRangeLow(20);
  EXPECT_EQ(x.RangeLow(), 20);
  int px, py;
  c.WorldToPixel(1, 20, 0, px, py);
  EXPECT_EQ(px, 50);
}

TEST_F(MappingTest, BoundsStayFiniteAndDistinct) {
  TScalePropsHoriz& x = c.Scale1X();
  const double big = 1e300;
  x.SetRangeLow(0);
  x.SetRangeHigh(big);
  x.SetRangeLow(big);  // big + MinRange rounds back to big
  EXPECT_EQ(x.RangeLow(), big);
  EXPECT_GT(x.RangeHigh(), big);
  x.SetRangeHigh(std::numeric_limits<double>::infinity());
  EXPECT_EQ(x.RangeHigh(), std::numeric_limits<double>::max());
  x.SetRangeLow(std::numeric_limits<double>::max());
  EXPECT_LT(x.RangeLow(), x.RangeHigh());
  EXPECT_TRUE(std::isfinite(x.RangeLow()));
  x.SetRangeLow(std::nan(""));
  EXPECT_FALSE(std::isnan(x.RangeLow()));
  x.SetMinRange(std::nan(""));
  EXPECT_EQ(x.MinRange(), 1e-10);
  int px, py;
  c.WorldToPixel(1, x.RangeHigh(), 5, px, py);
  EXPECT_EQ(px, 580);
  c.WorldToPixel(1, x.RangeLow(), 5, px, py);
  EXPECT_EQ(px, 50);
}

TEST_F(MappingTest, LogarithmicAxes) {
  TScalePropsHoriz& x = c.Scale1X();
  x.SetRangeLow(1);
  x.SetRangeHigh(1000);
  x.SetLogarithmic(true);
  EXPECT_TRUE(x.Logarithmic());  // not loaded yet: taken without checks
  c.Loaded();
  x.SetLogarithmic(false);
  x.SetRangeLow(0);
  x.SetLogarithmic(true);
  EXPECT_FALSE(x.Logarithmic());  // loaded: a bound below 1e-100 refuses it
  x.SetRangeLow(1);
  x.SetLogarithmic(true);
  ASSERT_TRUE(x.Logarithmic());
  int px, py;
  c.WorldToPixel(1, 10, 0, px, py);
  EXPECT_EQ(px, 50 + 530 / 3 + 1);  // 226.67 rounds to 227
  c.WorldToPixel(1, 0, 0, px, py);
  EXPECT_EQ(px, 0);
  double wx, wy;
  c.PixelToWorld(1, 580, 0, wx, wy);
  EXPECT_NEAR(wx, 1000, 1e-9);
  x.SetRangeLow(0);  // ignored while the span stays above MinRange
  EXPECT_EQ(x.RangeLow(), 1);
  x.SetLabelType(ftDateTime);
  EXPECT_FALSE(x.Logarithmic());

  // A logarithmic axis with a non-positive bound fails at the next recomputation, which the
  // change itself starts.
  TScalePropsVert& y = c.Scale1Y();
  y.SetLoading(true);
  try {
    y.SetLogarithmic(true);
    ADD_FAILURE() << "no error";
  } catch (const EKovixVAroriError& e) {
    EXPECT_STREQ(e.what(), "Logarithmic axis must not be negative.");
  }
}

TEST_F(MappingTest, JointLayers) {
  TJointLayers& j = c.JointLayers();
  auto message = [&](auto f) {
    try {
      f();
    } catch (const EKovixVAroriError& e) {
      return std::string(e.what());
    }
    return std::string("no error");
  };
  EXPECT_EQ(message([&] { j.SetXControlledBy(2, 17); }), "Destination layer 17 is out of range");
  c.ScaleX(2).SetRangeLow(-3);
  j.SetXControlledBy(2, 1);
  EXPECT_EQ(c.ScaleX(2).RangeLow(), 0);  // took layer 1's x range
  EXPECT_EQ(c.ScaleX(2).RangeHigh(), 10);
  EXPECT_EQ(message([&] { j.SetXControlledBy(3, 2); }), "Destination layer 2 is already joined");
  j.SetXControlledBy(3, 1);
  EXPECT_EQ(message([&] { j.SetXControlledBy(1, 4); }), "Layer 1 is joined by other layers (2, 3)");
  EXPECT_EQ(j.XControlledBy(1), 1);

  // Joined layers follow their controller.
  c.SetLayerRangeJoined(1, -1, 9, 0, 10);
  EXPECT_EQ(c.ScaleX(3).RangeLow(), -1);
  EXPECT_EQ(c.ScaleX(3).RangeHigh(), 9);
  j.SetXControlledBy(3, 3);
  EXPECT_EQ(j.XControlledBy(3), 3);
}

TEST_F(MappingTest, IsometricMakesUnitsSquare) {
  // Data area 531 x 341 pixels, x range 0..10: y gets 10 * 341 / 531 around its centre.
  c.SetIsometric(true);
  const double d = 10.0 * 341 / 531 / 2;
  EXPECT_NEAR(c.Scale1Y().RangeLow(), 5 - d, 1e-12);
  EXPECT_NEAR(c.Scale1Y().RangeHigh(), 5 + d, 1e-12);
  EXPECT_EQ(c.Scale1X().RangeHigh(), 10);
}

// ---- display list

TEST_F(ChartTest, DisplayListGrowthAndRemoval) {
  TVArori c;
  EXPECT_EQ(c.LastItemKind(), ikNone);
  c.DropLastItem();
  EXPECT_EQ(c.ItemCount(), 0);
  for (int i = 0; i < 1000; ++i) c.AddMark(i, i, 26);
  EXPECT_EQ(c.Capacity(), 1000);
  c.AddMark(1000, 1000, 26);
  EXPECT_EQ(c.Capacity(), 2000);
  EXPECT_EQ(c.Item(999).X, 999);
  EXPECT_EQ(c.Item(999).Kind, ikMark);

  c.AddMovePoint(0, 0);
  for (int i = 0; i < 200; ++i) c.AddLinePoint(i, i);
  EXPECT_EQ(c.LastItemKind(), ikLine);
  while (c.LastItemKind() != ikMark && c.LastItemKind() != ikNone) c.DropLastItem();
  EXPECT_EQ(c.ItemCount(), 1001);
  EXPECT_EQ(c.Capacity(), 2000);  // removing keeps the storage

  c.ClearItems();
  EXPECT_EQ(c.Capacity(), 0);
  c.AddMark(1, 1, 26);
  c.DropLastItem();
  EXPECT_EQ(c.Capacity(), 0);  // the last item takes the storage with it
  c.SetAllocSize(3);
  c.AddMark(1, 1, 26);
  EXPECT_EQ(c.Capacity(), 3);
}

// Bulk adds reach the same list, capacity included, as adding the marks one at a time.
TEST_F(ChartTest, AddMarksEqualsOneAtATime) {
  struct Case {
    int allocSize, before, added;
  };
  for (const Case& k : {Case{1000, 0, 2500}, Case{1000, 999, 1}, Case{1000, 1000, 1}, Case{7, 3, 0},
                        Case{1, 0, 5}, Case{1000000, 10, 10}}) {
    TVArori bulk, single;
    for (TVArori* c : {&bulk, &single}) {
      c->SetAllocSize(k.allocSize);
      c->SetDataColor(platform::clRed);
      for (int i = 0; i < k.before; ++i) c->AddMark(-i, i, 7);
      c->SetDataColor(platform::clGreen);
      c->SetClassDefault(3);
    }
    std::vector<DataPoint> points;
    for (int i = 0; i < k.added; ++i) points.push_back({i * 0.5, -i * 2.0});
    bulk.AddMarks(points, 26);
    for (const DataPoint& p : points) single.AddMark(p.x, p.y, 26);
    SCOPED_TRACE(testing::Message() << k.allocSize << " " << k.before << " " << k.added);
    ASSERT_EQ(bulk.ItemCount(), single.ItemCount());
    EXPECT_EQ(bulk.Capacity(), single.Capacity());
    for (int i = 0; i < bulk.ItemCount(); ++i) {
      const ChartItem &a = bulk.Item(i), &b = single.Item(i);
      ASSERT_EQ(std::memcmp(&a, &b, sizeof(ChartItem)), 0) << "item " << i;
    }
  }
}

TEST_F(ChartTest, ItemsKeepThePropertiesOfTheirMoment) {
  TVArori c;
  c.SetDataColor(platform::clRed);
  c.SetClassDefault(4);
  c.SetLineWidth(3);
  c.SetPenStyle(platform::psDot);
  c.SetFillColor(platform::clBlue);
  c.AddMark(1, 2, 26);
  c.AddLinePoint(3, 4);
  c.SetDataColor(platform::clGreen);
  c.SetFillColor(platform::clLime);
  c.AddLinePoint(5, 6);
  const ChartItem& m = c.Item(0);
  EXPECT_EQ(m.Color, platform::clRed);
  EXPECT_EQ(m.ClassNumber, 4);
  EXPECT_EQ(m.LineWidth, 3);
  EXPECT_EQ(m.PenStyle, platform::psDot);
  EXPECT_EQ(m.Layer, 1);
  EXPECT_EQ(m.MarkType, 26);
  EXPECT_EQ(m.FillColor, 0u);  // marks carry no fill colour
  EXPECT_EQ(c.Item(1).FillColor, platform::clBlue);
  EXPECT_EQ(c.Item(1).Color, platform::clRed);
  EXPECT_EQ(c.Item(2).Color, platform::clGreen);
}

TEST_F(ChartTest, SharingMessagesAndGroups) {
  TVArori owner, a;
  owner.SetUseDataOf(&owner);
  EXPECT_EQ(owner.UseDataOf(), nullptr);
  a.SetUseDataOf(&owner);
  a.AddMark(1, 2, 26);  // through a sharer
  EXPECT_EQ(owner.ItemCount(), 1);
  EXPECT_EQ(owner.Item(0).Y, 2);
  owner.SetUseDataOf(&a);  // an owner with sharers cannot share
  EXPECT_EQ(owner.UseDataOf(), nullptr);

  TVArori b, c3, d, e;
  b.SetUseDataOf(&a);  // a sharer stands for its owner: no chains
  EXPECT_EQ(b.UseDataOf(), &owner);
  c3.SetUseDataOf(&owner);
  d.SetUseDataOf(&owner);
  e.SetUseDataOf(&owner);
  EXPECT_EQ(e.UseDataOf(), nullptr);
  EXPECT_EQ(messages, (std::vector<std::string>{
                          "VArori: Cannot share data with myself",
                          "VArori: Cannot use foreign data. Other VAroris are using my own data.",
                          "VArori: Max. number of data shares exceeded"}));

  // Leaving keeps a copy of the list as it was.
  b.SetUseDataOf(nullptr);
  owner.AddMark(3, 4, 26);
  EXPECT_EQ(b.ItemCount(), 1);
  EXPECT_EQ(a.ItemCount(), 2);
  EXPECT_EQ(owner.NumSharers(), 3);
}

TEST_F(ChartTest, DestroyingAGroupMemberLeavesNoDanglingReference) {
  TVArori sharer;
  {
    TVArori owner;
    owner.AddMark(1, 1, 26);
    sharer.SetUseDataOf(&owner);
    {
      TVArori other;
      other.SetUseDataOf(&owner);
      EXPECT_EQ(owner.NumSharers(), 2);
    }
    EXPECT_EQ(owner.NumSharers(), 1);
  }
  EXPECT_EQ(sharer.UseDataOf(), nullptr);
  ASSERT_EQ(sharer.ItemCount(), 1);
  EXPECT_EQ(sharer.Item(0).X, 1);
  sharer.AddMark(2, 2, 26);
  EXPECT_EQ(sharer.ItemCount(), 2);
}

}  // namespace
