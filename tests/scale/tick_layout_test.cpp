#include "scale/tick_layout.h"

#include <gtest/gtest.h>

#include <cmath>
#include <ostream>
#include <vector>

namespace {

struct StepCase {
  double low, high;
  int minTicks;
  double step;
  int subdivisions;
  double first;
};

void PrintTo(const StepCase& c, std::ostream* os) {
  *os << c.low << ".." << c.high << " MinTicks " << c.minTicks;
}

class TickStepTest : public testing::TestWithParam<StepCase> {};

TEST_P(TickStepTest, StepSubdivisionsAndFirstTick) {
  const StepCase& c = GetParam();
  const TickStep s = ComputeTickStep(c.low, c.high, c.minTicks);
  EXPECT_DOUBLE_EQ(s.Step, c.step);
  EXPECT_EQ(s.Subdivisions, c.subdivisions);
  EXPECT_NEAR(s.First, c.first, 1e-12 * std::abs(c.step));
}

INSTANTIATE_TEST_SUITE_P(
    Ranges, TickStepTest,
    testing::Values(StepCase{0, 10, 6, 1, 5, 0}, StepCase{0, 100, 6, 10, 5, 0},
                    StepCase{0, 1, 6, 0.1, 5, 0}, StepCase{0, 7, 3, 2, 4, 0},
                    // x exactly 2, 5 or 10 times a power of ten
                    StepCase{0, 10, 5, 1, 5, 0}, StepCase{0, 2, 4, 0.2, 4, 0},
                    StepCase{0, 100, 10, 10, 5, 0}, StepCase{0, 1, 2, 0.2, 4, 0},
                    StepCase{0, 0.001, 10, 0.0001, 5, 0}, StepCase{0, 50, 10, 2, 4, 0},
                    // just above the boundaries
                    StepCase{0, 4.002, 2, 2, 4, 0}, StepCase{0, 50.01, 10, 5, 5, 0},
                    StepCase{10, 0, 6, -1, 5, 10}, StepCase{5, -5, 4, -2, 4, 4},
                    StepCase{0, 20, 0, 1, 1, 0}, StepCase{0, 10, 0, 1, 5, 0},
                    StepCase{0.2, 0.7, 0, 1, 5, 1}, StepCase{-1, 1, 4, 0.2, 4, -1},
                    StepCase{3, 17, 3, 2, 4, 4}, StepCase{0.05, 0.95, 6, 0.1, 5, 0.1},
                    // a tick a hair below the low end still counts as the first one
                    StepCase{0.9999999, 10, 6, 1, 5, 1}, StepCase{-7.3, 12.1, 4, 2, 4, -6}));

TEST(TickStep, EqualBoundsGiveNoStep) {
  const TickStep s = ComputeTickStep(3, 3, 6);
  EXPECT_EQ(s.Step, 0);
  EXPECT_EQ(s.First, 3);
  EXPECT_EQ(s.Subdivisions, 1);
}

TEST(Decimals, AutomaticLinearDecimals) {
  struct Case {
    double low, high;
    int decPlaces, expected;
  };
  for (const Case& c : std::vector<Case>{
           {0, 10, -2, 1},     {0, 100, -2, 0},  {0, 1, -2, 2},       {0, 1e6, -2, -1},
           {0, 1e-4, -2, -1},  {0, 99.9, -2, 0}, {0, 42.5, -2, 1},    {0, 42.6, -2, 0},
           {0, 3.48, -2, 2},   {0, 3.5, -2, 1},  {0, 0.00015, -2, 6}, {0, 0.0002, -2, 5},
           {10, 0, -2, 1},     {0, 10, -3, 1},   {0, 10, 3, 3},       {0, 1e9, 0, 0},
           {0, 999999, -2, 0}, {5, 5.02, -2, 4}, {-1, 1, -2, 2},      {0, 10, -1, -1}}) {
    EXPECT_EQ(AutoDecimals(c.low, c.high, c.decPlaces), c.expected)
        << c.low << ".." << c.high << " DecPlaces " << c.decPlaces;
  }
}

TEST(Decimals, AutomaticLogarithmicDecimals) {
  EXPECT_EQ(AutoLogDecimals(1, 1000, -2), 0);
  EXPECT_EQ(AutoLogDecimals(0.01, 100, -2), 3);
  EXPECT_EQ(AutoLogDecimals(100, 0.01, -2), 3);
  EXPECT_EQ(AutoLogDecimals(0.5, 50, -2), 1);
  EXPECT_EQ(AutoLogDecimals(1, 2e6, -2), -1);
  EXPECT_EQ(AutoLogDecimals(1e-7, 1e-5, -2), -1);
  EXPECT_EQ(AutoLogDecimals(0.01, 100, -3), -3);
  EXPECT_EQ(AutoLogDecimals(0.01, 100, 2), 2);
}

TickOptions Linear(double low, double high, int minTicks, bool shortTicks = false,
                   bool vertical = false) {
  TickOptions o;
  o.RangeLow = low;
  o.RangeHigh = high;
  o.MinTicks = minTicks;
  o.ShortTicks = shortTicks;
  o.Vertical = vertical;
  return o;
}

std::vector<double> Values(const TickLayout& l, bool major) {
  std::vector<double> v;
  for (const Tick& t : l.Ticks) {
    if (t.Major == major) v.push_back(t.Value);
  }
  return v;
}

TEST(LinearLayout, MajorTicksOfTypicalRanges) {
  using V = std::vector<double>;
  EXPECT_EQ(Values(LayOutTicks(Linear(0, 10, 6)), true), (V{0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10}));
  EXPECT_EQ(Values(LayOutTicks(Linear(0, 100, 6)), true),
            (V{0, 10, 20, 30, 40, 50, 60, 70, 80, 90, 100}));
  EXPECT_EQ(Values(LayOutTicks(Linear(0, 7, 3)), true), (V{0, 2, 4, 6}));
  EXPECT_EQ(Values(LayOutTicks(Linear(10, 0, 6)), true), (V{10, 9, 8, 7, 6, 5, 4, 3, 2, 1, 0}));
  EXPECT_EQ(Values(LayOutTicks(Linear(-3, 3, 2)), true), (V{-2, 0, 2}));
  // The first major tick is produced even beyond the range end.
  EXPECT_EQ(Values(LayOutTicks(Linear(0.2, 0.7, 0)), true), (V{1}));
}

TEST(LinearLayout, TicksAreMultiplesOfTheStepNotRunningSums) {
  const TickLayout l = LayOutTicks(Linear(0, 1, 10));
  const std::vector<double> majors = Values(l, true);
  ASSERT_EQ(majors.size(), 11u);
  for (int i = 0; i <= 10; ++i) EXPECT_EQ(majors[i], i / 10.0) << i;
  // Far from zero the same holds: no drift along the scale.
  const std::vector<double> far = Values(LayOutTicks(Linear(1e6, 1e6 + 0.001, 10)), true);
  ASSERT_EQ(far.size(), 11u);
  for (int i = 0; i <= 10; ++i) EXPECT_EQ(far[i], double(1e6L + i * 0.0001L)) << i;
}

TEST(LinearLayout, ShortTicksComeFirstAndFallOnTheMajorsToo) {
  const TickLayout l = LayOutTicks(Linear(0, 10, 3, true));  // step 2, 4 subdivisions
  const std::vector<double> minors = Values(l, false);
  ASSERT_EQ(minors.size(), 21u);
  for (int j = 0; j <= 20; ++j) EXPECT_EQ(minors[j], j * 0.5);
  ASSERT_EQ(l.Ticks.size(), 27u);
  for (std::size_t i = 0; i < 21; ++i) EXPECT_FALSE(l.Ticks[i].Major);
  for (std::size_t i = 21; i < 27; ++i) EXPECT_TRUE(l.Ticks[i].Major);
  EXPECT_EQ(l.Ticks[21].Value, 0);
  EXPECT_EQ(l.Ticks[26].Value, 10);
}

TEST(LinearLayout, ShortTicksStartAtTheLowEnd) {
  // MinTicks 0 on 0.2..0.7: minor 0.2 from 0; only the ones at or above 0.2 are produced.
  const std::vector<double> minors = Values(LayOutTicks(Linear(0.2, 0.7, 0, true)), false);
  ASSERT_EQ(minors.size(), 3u);
  EXPECT_DOUBLE_EQ(minors[0], 0.2);
  EXPECT_DOUBLE_EQ(minors[2], 0.6);
  // Descending: from the high value downwards.
  const std::vector<double> down = Values(LayOutTicks(Linear(1, 0, 2, true)), false);
  ASSERT_FALSE(down.empty());
  EXPECT_DOUBLE_EQ(down.front(), 1);
  EXPECT_DOUBLE_EQ(down.back(), 0);
}

TEST(LinearLayout, TickListDependsOnOrientation) {
  // Horizontal: only the short ticks while they are shown; vertical: short and long ticks.
  EXPECT_EQ(LayOutTicks(Linear(0, 10, 3, true, false)).TickList.size(), 21u);
  EXPECT_EQ(LayOutTicks(Linear(0, 10, 3, true, true)).TickList.size(), 27u);
  EXPECT_EQ(LayOutTicks(Linear(0, 10, 3, false, false)).TickList.size(), 6u);
  EXPECT_EQ(LayOutTicks(Linear(0, 10, 3, false, true)).TickList.size(), 6u);
}

TEST(LinearLayout, TickListKeepsTheFirst250Positions) {
  const TickLayout l = LayOutTicks(Linear(0, 1000, 0));
  EXPECT_EQ(l.Ticks.size(), 1001u);
  ASSERT_EQ(l.TickList.size(), 250u);
  EXPECT_EQ(l.TickList.front(), 0);
  EXPECT_EQ(l.TickList.back(), 249);
}

TEST(LinearLayout, AHugeRangeWithUnitStepsEnds) {
  // MinTicks 0 keeps the step at 1 whatever the range: production stops at a fixed bound.
  const TickLayout l = LayOutTicks(Linear(0, 1e12, 0, true));
  EXPECT_LE(l.Ticks.size(), 200000u);
  EXPECT_EQ(l.TickList.size(), 250u);
}

TEST(LinearLayout, EqualOrNonFiniteBoundsGiveNoTicks) {
  EXPECT_TRUE(LayOutTicks(Linear(5, 5, 6)).Ticks.empty());
  EXPECT_EQ(LayOutTicks(Linear(5, 5, 6)).Kind, tlNone);
  EXPECT_TRUE(LayOutTicks(Linear(0, INFINITY, 6)).Ticks.empty());
  EXPECT_TRUE(LayOutTicks(Linear(NAN, 1, 6)).Ticks.empty());
}

TEST(LinearLayout, NoFiguresMeansNoLabels) {
  TickOptions o = Linear(0, 10, 6);
  EXPECT_TRUE(LayOutTicks(o).Ticks.front().Labelled);
  o.LabelType = ftNoFigs;
  const TickLayout l = LayOutTicks(o);
  EXPECT_EQ(l.Ticks.size(), 11u);
  for (const Tick& t : l.Ticks) EXPECT_FALSE(t.Labelled);
}

TickOptions Log(double low, double high, int minTicks, bool shortTicks) {
  TickOptions o = Linear(low, high, minTicks, shortTicks);
  o.Logarithmic = true;
  return o;
}

TEST(LogarithmicLayout, DecadesOnlyWhenTheyAreEnough) {
  const TickLayout l = LayOutTicks(Log(1, 1000, 3, true));
  EXPECT_EQ(l.Kind, tlLogarithmic);
  EXPECT_EQ(Values(l, true), (std::vector<double>{1, 10, 100, 1000}));
  EXPECT_TRUE(Values(l, false).empty());
  EXPECT_EQ(l.TickList, (std::vector<double>{1, 10, 100, 1000}));
}

TEST(LogarithmicLayout, ExtraTicksInProductionOrder) {
  const TickLayout l = LayOutTicks(Log(1, 100, 6, true));
  std::vector<double> all;
  std::vector<double> labelled;
  for (const Tick& t : l.Ticks) {
    all.push_back(t.Value);
    if (t.Labelled) labelled.push_back(t.Value);
  }
  EXPECT_EQ(labelled, (std::vector<double>{1, 2, 5, 10, 20, 50, 100}));
  EXPECT_EQ(all, (std::vector<double>{1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 20, 30, 40, 50, 60, 70, 80, 90,
                                      100}));
  EXPECT_EQ(l.TickList, all);
  // Without short ticks only the labelled ones remain.
  const TickLayout noShort = LayOutTicks(Log(1, 100, 6, false));
  EXPECT_EQ(noShort.Ticks.size(), 7u);
}

TEST(LogarithmicLayout, ValuesBeyondTheRangeAreLeftOut) {
  const TickLayout l = LayOutTicks(Log(3, 300, 6, false));
  EXPECT_EQ(Values(l, true), (std::vector<double>{5, 10, 20, 50, 100, 200}));
  // Descending scales produce the same values, still from the low value upwards.
  EXPECT_EQ(Values(LayOutTicks(Log(300, 3, 6, false)), true),
            (std::vector<double>{5, 10, 20, 50, 100, 200}));
}

TEST(LogarithmicLayout, DecadeTicksAreMarked) {
  const TickLayout l = LayOutTicks(Log(0.01, 100, 6, false));
  std::vector<double> decades;
  for (const Tick& t : l.Ticks) {
    if (t.Decade) decades.push_back(t.Value);
  }
  EXPECT_EQ(decades, (std::vector<double>{0.01, 0.1, 1, 10, 100}));
}

TEST(LogarithmicLayout, LessThanADecadeIsLaidOutLinearly) {
  const TickLayout l = LayOutTicks(Log(2, 8, 2, false));
  EXPECT_EQ(l.Kind, tlLinear);
  EXPECT_EQ(Values(l, true), (std::vector<double>{2, 4, 6, 8}));
}

TEST(LogarithmicLayout, BoundAtOrBelowZeroGivesNoTicks) {
  EXPECT_TRUE(LayOutTicks(Log(0, 100, 6, true)).Ticks.empty());
  EXPECT_TRUE(LayOutTicks(Log(-5, 100, 6, true)).Ticks.empty());
}

TEST(TimeLayout, StepIndexFromTheRangePerTick) {
  EXPECT_EQ(TimeStepIndex(0, 3600, 6), 20);
  EXPECT_EQ(TimeStepIndex(0, 600000, 6), 28);
  EXPECT_EQ(TimeStepIndex(0, 0.5, 6), 6);
  EXPECT_EQ(TimeStepIndex(0, 0.005, 6), 0);
  EXPECT_EQ(TimeStepIndex(0, 60, 3), 14);  // 20 s
  EXPECT_EQ(TimeStepIndex(0, 3600, 0), 0);
}

TickOptions Time(double low, double high, int minTicks, bool shortTicks, bool vertical = false) {
  TickOptions o = Linear(low, high, minTicks, shortTicks, vertical);
  o.LabelType = ftTime;
  o.DecPlaces = 4;
  return o;
}

TEST(TimeLayout, HourRangeWithTenMinuteSteps) {
  const TickLayout l = LayOutTicks(Time(0, 3600, 6, true));
  EXPECT_EQ(l.Kind, tlTime);
  EXPECT_EQ(l.TimeIndex, 20);
  EXPECT_EQ(Values(l, true), (std::vector<double>{0, 600, 1200, 1800, 2400, 3000, 3600}));
  const std::vector<double> minors = Values(l, false);
  ASSERT_EQ(minors.size(), 31u);
  EXPECT_EQ(minors[1], 120);
  EXPECT_EQ(minors.back(), 3600);
  EXPECT_EQ(l.TickList.size(), 31u);                                          // horizontal
  EXPECT_EQ(LayOutTicks(Time(0, 3600, 6, true, true)).TickList.size(), 38u);  // vertical
}

TEST(TimeLayout, NegativeStartKeepsItsFirstTicks) {
  const TickLayout l = LayOutTicks(Time(-500, 3100, 6, true));
  const std::vector<double> minors = Values(l, false);
  ASSERT_FALSE(minors.empty());
  EXPECT_EQ(minors.front(), -480);
  EXPECT_EQ(minors.back(), 3000);
  EXPECT_EQ(Values(l, true), (std::vector<double>{0, 600, 1200, 1800, 2400, 3000}));
}

TEST(TimeLayout, DescendingRangeKeepsBothEnds) {
  EXPECT_EQ(Values(LayOutTicks(Time(3600, 0, 6, false)), true),
            (std::vector<double>{3600, 3000, 2400, 1800, 1200, 600, 0}));
}

TEST(TimeLayout, UnsuitableRangesFallBackToNumbers) {
  const TickLayout l = LayOutTicks(Time(0, 600000, 6, false));
  EXPECT_EQ(l.Kind, tlLinear);
  EXPECT_EQ(l.Decimals, 4);
  EXPECT_EQ(Values(l, true).size(), 7u);  // step 100000
  // MinTicks 0 has no time step: the numeric rule for MinTicks 0 applies.
  const TickLayout zero = LayOutTicks(Time(0, 20, 0, false));
  EXPECT_EQ(zero.Kind, tlLinear);
  EXPECT_EQ(Values(zero, true).size(), 21u);
}

}  // namespace
