#include "chart/stamped_positions.h"

#include <gtest/gtest.h>

#include <limits>

#include "tests/fit/failing_allocation.h"

namespace {

TEST(StampedPositions, ReportsRepeatsWithinARunAndForgetsThemAfter) {
  StampedPositions stamped;
  stamped.Track(-10, -10, 90, 90);
  ASSERT_TRUE(stamped.Tracking());
  EXPECT_FALSE(stamped.TestAndSet(-10, 5));
  EXPECT_TRUE(stamped.TestAndSet(-10, 5));
  EXPECT_FALSE(stamped.TestAndSet(90, 5));  // outside: never stamped
  EXPECT_FALSE(stamped.TestAndSet(90, 5));
  stamped.EndRun();
  EXPECT_FALSE(stamped.TestAndSet(-10, 5));
}

// An absurd area, or a table the allocator refuses, tracks nothing: each mark is drawn.
TEST(StampedPositions, AnAbsurdOrUnallocatableAreaIsNotTrackedAndNeverThrows) {
  const int big = std::numeric_limits<int>::max();
  struct Case {
    int left, top, right, bottom;
  };
  for (const Case c :
       {Case{0, 0, 2'000'000'000, 400}, Case{-big, -big, big, big}, Case{0, 0, 1 << 16, 1 << 16}}) {
    StampedPositions stamped;
    EXPECT_NO_THROW(stamped.Track(c.left, c.top, c.right, c.bottom));
    EXPECT_FALSE(stamped.Tracking());
    EXPECT_FALSE(stamped.TestAndSet(5, 5));
    EXPECT_FALSE(stamped.TestAndSet(5, 5));
  }
  StampedPositions stamped;
  bool threw = false;
  {
    FailNextAllocation fail(1000 * 1000 / 8);
    try {
      stamped.Track(0, 0, 1000, 1000);
    } catch (...) {
      threw = true;
    }
  }
  EXPECT_FALSE(threw);
  EXPECT_FALSE(stamped.Tracking());
  EXPECT_FALSE(stamped.TestAndSet(5, 5));
  EXPECT_FALSE(stamped.TestAndSet(5, 5));
  // Memory back: the next run tracks again.
  stamped.Track(0, 0, 1000, 1000);
  EXPECT_TRUE(stamped.Tracking());
  EXPECT_FALSE(stamped.TestAndSet(5, 5));
  EXPECT_TRUE(stamped.TestAndSet(5, 5));
}

}  // namespace
