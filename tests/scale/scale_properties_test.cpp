#include <gtest/gtest.h>

#include <cmath>

#include "scale/scale.h"

namespace {

TEST(ScaleProperties, ConstructionDefaults) {
  TScale s;
  EXPECT_EQ(s.RangeLow(), 0);
  EXPECT_EQ(s.RangeHigh(), 100);
  EXPECT_EQ(s.MinTicks(), 3);
  EXPECT_EQ(s.DecPlaces(), -2);
  EXPECT_FALSE(s.Logarithmic());
  EXPECT_TRUE(s.ShortTicks());
  EXPECT_EQ(s.LabelType(), ftNum);
  EXPECT_EQ(s.ScaleType(), sctXB);
  EXPECT_EQ(s.MarginTop(), 20);
  EXPECT_EQ(s.MarginBottom(), 20);
  EXPECT_EQ(s.MarginLeft(), 20);
  EXPECT_EQ(s.MarginRight(), 20);
  EXPECT_EQ(s.NumTicks(), 0);
  EXPECT_EQ(s.Width(), 400);
  EXPECT_EQ(s.Height(), 400);
  EXPECT_TRUE(s.ShowBaseLine());
  EXPECT_FALSE(s.Transparent());
  EXPECT_EQ(s.ColorScale(), platform::clBlack);
  EXPECT_EQ(s.ColorBackGnd(), platform::clBtnFace);
  EXPECT_EQ(s.FrameStyle(), fsLowered);
  EXPECT_EQ(s.ColorScheme(), csBWG);
  EXPECT_EQ(s.CaptionPosX(), 4);
  EXPECT_EQ(s.CaptionPosY(), 4);
  EXPECT_EQ(s.CaptionAnchor(), uaSclTopLft);
  EXPECT_EQ(s.CaptionAlignment(), taCenter);
  EXPECT_TRUE(s.PaintSuppressed());
  EXPECT_FALSE(s.Embedded());
  EXPECT_TRUE(s.Initializing());
  EXPECT_EQ(s.DateFormat().TimeFormat(), tfHHMMSS);
  EXPECT_EQ(s.DateFormat().DateSeparator(), '-');
  EXPECT_EQ(s.DateFormat().TimeSeparator(), ':');
  EXPECT_EQ(s.DateFormat().YearLength(), ylYYYY);
  EXPECT_TRUE(s.DateFormat().MonthName());
  EXPECT_EQ(s.DateFormat().DateOrder(), doDDMMYY);
  EXPECT_EQ(s.DateFormat().DateForTime(), dtOnePerDay);
  // The mapping is ready at once.
  EXPECT_EQ(s.ValueToPixel(0), 20);
  EXPECT_EQ(s.ValueToPixel(100), 379);
}

TEST(ScaleProperties, BoundsNeverEqual) {
  TScale s;
  s.SetRangeHigh(0);
  EXPECT_EQ(s.RangeHigh(), 0);
  EXPECT_EQ(s.RangeLow(), 1);  // now descending from 1 to 0
  TScale t;
  t.SetRangeLow(100);
  EXPECT_EQ(t.RangeLow(), 100);
  EXPECT_EQ(t.RangeHigh(), 101);
  TScale u;
  u.SetRangeHigh(1e17);
  u.SetRangeLow(1e17);  // 1e17 + 1 is 1e17 again
  EXPECT_NE(u.RangeLow(), u.RangeHigh());
  u.SetRangeHigh(HUGE_VAL);
  u.SetRangeLow(HUGE_VAL);  // nothing lies above infinity: the other bound goes below it
  EXPECT_NE(u.RangeLow(), u.RangeHigh());
}

TEST(ScaleProperties, ClampsAndSideEffects) {
  TScale s;
  struct Case {
    int set, minTicks;
  };
  for (const Case& c : {Case{1, 2}, Case{15, 10}, Case{0, 0}, Case{-4, 2}, Case{7, 7}}) {
    s.SetMinTicks(c.set);
    EXPECT_EQ(s.MinTicks(), c.minTicks) << c.set;
  }
  s.SetDecPlaces(20);
  EXPECT_EQ(s.DecPlaces(), 12);
  s.SetDecPlaces(-7);
  EXPECT_EQ(s.DecPlaces(), -3);
  s.SetMarginLeft(-5);
  s.SetMarginTop(-1);
  EXPECT_EQ(s.MarginLeft(), 0);
  EXPECT_EQ(s.MarginTop(), 0);
  s.SetLabelType(ftTime);
  EXPECT_EQ(s.DecPlaces(), 4);
}

TEST(ScaleProperties, LogarithmicOnlyWithPositiveBoundsAfterLoading) {
  TScale s;
  s.SetLogarithmic(true);  // still initializing: accepted
  EXPECT_TRUE(s.Logarithmic());
  s.SetLogarithmic(false);
  s.Loaded();
  EXPECT_FALSE(s.Initializing());
  s.SetLogarithmic(true);  // RangeLow is 0
  EXPECT_FALSE(s.Logarithmic());
  s.SetRangeLow(1e-101);
  s.SetLogarithmic(true);
  EXPECT_FALSE(s.Logarithmic());
  s.SetRangeLow(1);
  s.SetRangeHigh(1000);
  s.SetLabelType(ftDateTime);
  s.SetLogarithmic(true);
  EXPECT_FALSE(s.Logarithmic());
  s.SetLabelType(ftNum);
  s.SetLogarithmic(true);
  EXPECT_TRUE(s.Logarithmic());
  s.SetLabelType(ftDateTime);  // switches it off
  EXPECT_FALSE(s.Logarithmic());
}

TEST(ScaleMapping, DateTimeLabelsSwitchALogarithmicMappingToLinear) {
  TScale s;
  s.SetRangeLow(1);
  s.SetRangeHigh(1000);
  s.SetLogarithmic(true);
  EXPECT_EQ(s.ValueToPixel(10), 20 + 120);  // a third of 359 pixels
  s.SetLabelType(ftDateTime);
  EXPECT_FALSE(s.Logarithmic());
  EXPECT_DOUBLE_EQ(s.PixelsPerUnit(), 359.0 / 999);
  EXPECT_EQ(s.ValueToPixel(500.5), 200);  // the middle, where the linear ticks put it
}

TEST(ScaleMapping, LinearBothOrientations) {
  TScale s;
  EXPECT_DOUBLE_EQ(s.PixelsPerUnit(), 3.59);
  EXPECT_DOUBLE_EQ(s.PixelOffset(), 20);
  EXPECT_EQ(s.ValueToPixel(50), 199);  // the stored 3.59 lies a hair below 3.59
  s.SetScaleType(sctYL);
  EXPECT_EQ(s.ValueToPixel(100), 20);
  EXPECT_EQ(s.ValueToPixel(0), 379);
  s.SetRangeLow(100);
  s.SetRangeHigh(0);  // descending: the high value still sits at the top margin
  EXPECT_EQ(s.ValueToPixel(0), 20);
  EXPECT_EQ(s.ValueToPixel(100), 379);
  s.SetBounds(0, 0, 400, 200);
  EXPECT_EQ(s.ValueToPixel(100), 179);
}

TEST(ScaleMapping, RoundsHalvesToEvenAndClamps) {
  TScale s;
  s.SetMarginLeft(0);
  s.SetMarginRight(0);
  s.SetWidth(201);  // 2 pixels per unit from 0
  EXPECT_EQ(s.ValueToPixel(0.25), 0);
  EXPECT_EQ(s.ValueToPixel(0.75), 2);
  EXPECT_EQ(s.ValueToPixel(1.25), 2);
  EXPECT_EQ(s.ValueToPixel(-0.75), -2);
  EXPECT_EQ(s.ValueToPixel(1e300), 2147483647);
  EXPECT_EQ(s.ValueToPixel(-1e300), -2147483647);
}

TEST(ScaleMapping, NoUsableLength) {
  TScale s;
  s.SetWidth(45);
  EXPECT_EQ(s.ValueToPixel(0), 20);
  EXPECT_EQ(s.ValueToPixel(100), 24);  // u = 4
  s.SetWidth(41);                      // u = 0: everything at Width / 2 = 20.5, rounded to 20
  EXPECT_EQ(s.PixelsPerUnit(), 0);
  EXPECT_EQ(s.ValueToPixel(0), 20);
  EXPECT_EQ(s.ValueToPixel(1e6), 20);
}

TEST(ScaleMapping, Logarithmic) {
  TScale s;
  s.SetRangeLow(1);
  s.SetRangeHigh(1000);
  s.SetLogarithmic(true);
  EXPECT_EQ(s.ValueToPixel(1), 20);
  EXPECT_EQ(s.ValueToPixel(1000), 379);
  EXPECT_EQ(s.ValueToPixel(10), 140);  // 20 + 359 / 3
  EXPECT_EQ(s.ValueToPixel(1e-101), 0);
  EXPECT_EQ(s.ValueToPixel(-5), 0);
  s.SetScaleType(sctYL);  // vertical: the high value at the top margin
  EXPECT_EQ(s.ValueToPixel(1000), 20);
  EXPECT_EQ(s.ValueToPixel(1), 379);
  EXPECT_EQ(s.ValueToPixel(10), 259);  // 20 + 2 * 359 / 3
  s.SetScaleType(sctXB);
  s.SetRangeLow(2000);  // descending: values without a logarithm go to the far end
  EXPECT_EQ(s.ValueToPixel(0), 400);
  // A bound at zero leaves the mapping as it was.
  const double ppu = s.PixelsPerUnit();
  s.SetRangeLow(0);
  EXPECT_EQ(s.PixelsPerUnit(), ppu);
}

TEST(ScaleMapping, NothingIsMappedWhileLoading) {
  TScale s;
  s.BeginLoading();
  s.SetRangeHigh(200);
  EXPECT_EQ(s.ValueToPixel(200), 738);  // still the old mapping
  s.Loaded();
  EXPECT_EQ(s.ValueToPixel(200), 379);
}

TEST(ScaleTickList, OutOfRangeIndexesReadZero) {
  TScale s;
  EXPECT_EQ(s.TickPos(0), 0.0);
  EXPECT_EQ(s.TickPos(1), 0.0);
  EXPECT_EQ(s.TickPos(-3), 0.0);
}

}  // namespace
