#include "scale/round_range.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "scale/tick_layout.h"

namespace {

TEST(RoundRangeAround, EndsOnTicksAroundTheData) {
  struct Case {
    double low, high, wantLow, wantHigh;
  };
  const Case cases[] = {
      {0.13, 9.7, 0, 10},            // the window's default axes
      {1900, 2000, 1900, 2000},      // already round
      {1903, 1998, 1900, 2000},      //
      {-3.2, 0.35, -3.5, 0.5},       // across 0
      {0.31, 0.79, 0.3, 0.8},        // decimal steps come out as the nearest doubles
      {1e-7, 3.3e-7, 1e-7, 3.4e-7},  //
      {1000.2, 1009.9, 1000, 1010},  //
      {5, 5, 4.5, 5.5},              // one value: widened around it
      {0, 0, -1, 1},                 //
      {-2e6, 7.5e6, -2e6, 8e6},      //
  };
  for (const Case& c : cases) {
    const AxisRange r = RoundRangeAround(c.low, c.high, 6, 1e-10);
    EXPECT_EQ(r.Low, c.wantLow) << c.low << ".." << c.high;
    EXPECT_EQ(r.High, c.wantHigh) << c.low << ".." << c.high;
  }
}

// Whatever the data, the range holds it and both ends are ticks of the range's own layout.
TEST(RoundRangeAround, HoldsTheDataAndEndsOnItsOwnTicks) {
  std::uint32_t seed = 7;
  auto next = [&] {
    seed = seed * 1664525u + 1013904223u;
    return (seed >> 8) / double(1u << 24);
  };
  for (int i = 0; i < 2000; ++i) {
    const double scale = std::pow(10.0, std::floor(next() * 30) - 15);
    const double a = (next() - 0.3) * scale * 100, b = a + next() * scale;
    const AxisRange r = RoundRangeAround(a, b, 6, 1e-10 * scale);
    ASSERT_LE(r.Low, a);
    ASSERT_GE(r.High, b);
    const TickStep st = ComputeTickStep(r.Low, r.High, 6);
    const long double lowUnits = r.Low / (long double)st.Step;
    const long double highUnits = r.High / (long double)st.Step;
    EXPECT_NEAR(double(lowUnits), std::round(double(lowUnits)), 1e-6) << a << ".." << b;
    EXPECT_NEAR(double(highUnits), std::round(double(highUnits)), 1e-6) << a << ".." << b;
  }
}

TEST(RoundRangeAround, LeavesWhatCannotBeRoundedAsGiven) {
  const double big = std::numeric_limits<double>::max();
  const AxisRange whole = RoundRangeAround(-big, big, 6, 1e-10);
  EXPECT_EQ(whole.Low, -big);
  EXPECT_EQ(whole.High, big);
  const AxisRange nan = RoundRangeAround(std::nan(""), 1, 6, 1e-10);
  EXPECT_TRUE(std::isnan(nan.Low));
}

}  // namespace
