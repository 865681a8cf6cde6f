#include "fit/rovav_aza.h"

#include <gtest/gtest.h>

#include <cfenv>
#include <cmath>
#include <span>
#include <string>
#include <vector>

#include "fit/kovix_errors.h"
#include "tests/fit/failing_allocation.h"

namespace {

using L = long double;

unsigned FlagBits(const TRovavAza& s) {
  return (s.HasFlag(TDataFlag::XNotPositive) ? 1u : 0u) |
         (s.HasFlag(TDataFlag::YNotPositive) ? 2u : 0u) |
         (s.HasFlag(TDataFlag::YNearZero) ? 4u : 0u);
}
constexpr unsigned kXNotPos = 1, kYNotPos = 2, kYNearZero = 4;

// The run-time logarithm, as the store computes it (a folded constant may round differently).
L Ln(L v) {
  volatile L copy = v;
  return std::log(static_cast<L>(copy));
}

TEST(TRovavAza, StartsEmpty) {
  TRovavAza s;
  EXPECT_EQ(s.NumPoints(), 0);
  EXPECT_EQ(s.MinX(), 1.7e308);
  EXPECT_EQ(s.Sums(), RunningSums{});
  EXPECT_TRUE(s.DataFlags().Empty());
  EXPECT_EQ(s.SmoothingFactor(), 0.5);
  EXPECT_FALSE(s.SplineValid());
  EXPECT_EQ(s.SplineFitQuality(), 0.0);
  EXPECT_EQ(s.PointTable().NrOfColumns(), 2);
  EXPECT_EQ(s.PointTable().NrOfRows(), 1000);
}

TEST(TRovavAza, KeepsPointsInInputOrderWithMinXAndSums) {
  TRovavAza s;
  s.AddPoint(3, 1);
  s.AddPoint(1, 2);
  s.AddPoint(2, 5);
  EXPECT_EQ(s.NumPoints(), 3);
  EXPECT_EQ(s.MinX(), 1);
  const double expected[3][2] = {{3, 1}, {1, 2}, {2, 5}};
  for (int r = 1; r <= 3; ++r) {
    EXPECT_EQ(s.PointTable().Elem(1, r), expected[r - 1][0]);
    EXPECT_EQ(s.PointTable().Elem(2, r), expected[r - 1][1]);
  }
  EXPECT_EQ(s.PointTable().Elem(1, 4), 0.0);
  const RunningSums& sum = s.Sums();
  EXPECT_EQ(sum.SumX, 6);
  EXPECT_EQ(sum.SumY, 8);
  EXPECT_EQ(sum.SumX2, 14);
  EXPECT_EQ(sum.SumY2, 30);
  EXPECT_EQ(sum.SumRecY, 1 + 0.5L + 0.2L);
  EXPECT_EQ(sum.SumLnX, Ln(3) + Ln(1) + Ln(2));
  EXPECT_EQ(sum.SumXLnY, Ln(1) * 3 + Ln(2) * 1 + Ln(5) * 2);
  EXPECT_TRUE(s.DataFlags().Empty());
}

// One point into an empty store: which flags it sets and which conditional sums take it.
TEST(TRovavAza, EachPointFeedsOnlyTheSumsItHasAValueFor) {
  struct Case {
    double x, y;
    unsigned flags;
    bool reciprocal, ln_x, ln_x_over_y, ln_y;
  } cases[] = {
      {2, 3, 0, true, true, true, true},
      {0, 5, kXNotPos, true, false, false, true},
      {-1, 2, kXNotPos, true, false, false, true},
      {2, 0, kYNearZero | kYNotPos, false, true, false, false},
      {2, 1e-31, kYNearZero, false, true, true, true},
      {2, -3, kYNotPos, true, true, true, false},
      {-2, -1e-31, kXNotPos | kYNotPos | kYNearZero, false, false, false, false},
      {0, 0, kXNotPos | kYNotPos | kYNearZero, false, false, false, false},
      // The limit is the extended 1e-30, just below the double nearest to 1e-30.
      {2, 1e-30, 0, true, true, true, true},
      {2, -1e-30, kYNotPos, true, true, true, false},
      {2, static_cast<double>(1e-30L) / 2, kYNearZero, false, true, true, true},
      {1e-300, 4, 0, true, true, true, true},
  };
  for (const Case& k : cases) {
    SCOPED_TRACE(testing::Message() << "(" << k.x << ", " << k.y << ")");
    TRovavAza s;
    s.AddPoint(k.x, k.y);
    EXPECT_EQ(FlagBits(s), k.flags);

    const L x = k.x, y = k.y;
    const L ln_x = k.ln_x ? Ln(x) : 0;
    const L ln_y = k.ln_y ? Ln(y) : 0;
    const RunningSums& sum = s.Sums();
    EXPECT_EQ(sum.SumX, x);
    EXPECT_EQ(sum.SumY, y);
    EXPECT_EQ(sum.SumX2, x * x);
    EXPECT_EQ(sum.SumY2, y * y);
    EXPECT_EQ(sum.SumRecY, k.reciprocal ? 1 / y : 0);
    EXPECT_EQ(sum.SumRecY2, k.reciprocal ? 1 / (y * y) : 0);
    EXPECT_EQ(sum.SumXRecY, k.reciprocal ? x / y : 0);
    EXPECT_EQ(sum.SumLnX, ln_x);
    EXPECT_EQ(sum.SumLnX2, ln_x * ln_x);
    EXPECT_EQ(sum.SumYLnX, ln_x * y);
    EXPECT_EQ(sum.SumLnXRecY, k.ln_x_over_y ? ln_x / y : 0);
    EXPECT_EQ(sum.SumLnY, ln_y);
    EXPECT_EQ(sum.SumLnY2, ln_y * ln_y);
    EXPECT_EQ(sum.SumXLnY, ln_y * x);
  }
}

TEST(TRovavAza, SumsAreAccumulatedInExtendedPrecision) {
  TRovavAza s;
  const double big = std::ldexp(1.0, 60);  // big + 1 needs more than a double's 53 bits
  s.AddPoint(big, 1);
  s.AddPoint(1, 1);
  s.AddPoint(-big, 1);
  EXPECT_EQ(s.Sums().SumX, 1);
}

TEST(TRovavAza, ExcludedPointsRaiseNoFloatingPointFlags) {
  TRovavAza s;
  std::feclearexcept(FE_ALL_EXCEPT);
  s.AddPoint(0, 0);
  s.AddPoint(-1, -1);
  s.AddPoint(2, 0);
  s.AddPoint(0, 1e-31);
  s.AddPoint(-3, 4);
  EXPECT_EQ(std::fetestexcept(FE_INVALID | FE_DIVBYZERO | FE_OVERFLOW), 0);
  EXPECT_EQ(FlagBits(s), kXNotPos | kYNotPos | kYNearZero);
}

TEST(TRovavAza, FlagsStayUntilClearData) {
  TRovavAza s;
  s.AddPoint(0, 1);
  s.AddPoint(5, 5);
  EXPECT_EQ(FlagBits(s), kXNotPos);
  s.AddPoint(5, -5);
  EXPECT_EQ(FlagBits(s), kXNotPos | kYNotPos);
  s.ClearData();
  EXPECT_TRUE(s.DataFlags().Empty());
  s.AddPoint(5, 5);
  EXPECT_TRUE(s.DataFlags().Empty());
}

TEST(TRovavAza, MinXIsTheSmallestXSinceTheLastClear) {
  TRovavAza s;
  s.AddPoint(1.75e308, 1);  // above the empty value: the empty value stays
  EXPECT_EQ(s.MinX(), 1.7e308);
  s.AddPoint(4, 1);
  s.AddPoint(-2, 1);
  s.AddPoint(3, 1);
  EXPECT_EQ(s.MinX(), -2);
  s.ClearData();
  EXPECT_EQ(s.MinX(), 1.7e308);
  s.AddPoint(7, 1);
  EXPECT_EQ(s.MinX(), 7);
}

TEST(TRovavAza, TableGrowsBy1000RowsKeepingThePoints) {
  TRovavAza s;
  for (int i = 1; i <= 1000; ++i) s.AddPoint(i, -i);
  EXPECT_EQ(s.PointTable().NrOfRows(), 1000);
  s.AddPoint(1001, -1001);
  EXPECT_EQ(s.PointTable().NrOfRows(), 2000);
  EXPECT_EQ(s.PointTable().NrOfColumns(), 2);
  EXPECT_EQ(s.NumPoints(), 1001);
  bool kept = true;
  for (int i = 1; i <= 1001; ++i) {
    kept = kept && s.PointTable().Elem(1, i) == i && s.PointTable().Elem(2, i) == -i;
  }
  EXPECT_TRUE(kept);
  EXPECT_EQ(s.PointTable().Elem(1, 1002), 0.0);
}

// A file's points go in with one call; the store must end exactly as after single adds.
// (Points with x <= 0, y = 0 and tiny y exercise every guarded term.)
TEST(TRovavAza, AddPointsEqualsAddingOneByOne) {
  std::vector<DataPoint> points;
  for (int i = 0; i < 2345; ++i)
    points.push_back({(i % 11 - 3) * 0.37, i % 13 == 0 ? 0.0 : (i % 7 - 2) * 1.5e-3});
  for (const std::size_t before : {std::size_t(0), std::size_t(999), std::size_t(1000)}) {
    TRovavAza bulk, single;
    for (std::size_t i = 0; i < before; ++i) {
      bulk.AddPoint(points[i].x, points[i].y);
      single.AddPoint(points[i].x, points[i].y);
    }
    bulk.AddPoints(std::span(points).subspan(before));
    // Reading the sums between adds brings the deferred ones up to date in steps; the result
    // must not depend on when they are read.
    for (std::size_t i = before; i < points.size(); ++i) {
      single.AddPoint(points[i].x, points[i].y);
      if (i % 7 == 0) (void)single.Sums();
    }
    EXPECT_EQ(bulk.NumPoints(), single.NumPoints());
    EXPECT_EQ(bulk.Sums(), single.Sums());
    EXPECT_EQ(FlagBits(bulk), FlagBits(single));
    EXPECT_EQ(bulk.MinX(), single.MinX());
    ASSERT_EQ(bulk.PointTable().NrOfRows(), single.PointTable().NrOfRows());
    bool same = true;
    for (int r = 1; r <= bulk.PointTable().NrOfRows(); ++r)
      for (int c = 1; c <= 2; ++c)
        same = same && bulk.PointTable().Elem(c, r) == single.PointTable().Elem(c, r);
    EXPECT_TRUE(same);
    double k1, d1, q1, k2, d2, q2;
    bulk.CalcLinFit(k1, d1, q1);
    single.CalcLinFit(k2, d2, q2);
    EXPECT_EQ(k1, k2);
    EXPECT_EQ(q1, q2);
  }
}

TEST(TRovavAza, ClearDataKeepsTheCapacityAndZeroesIt) {
  TRovavAza s;
  for (int i = 1; i <= 1500; ++i) s.AddPoint(i, i % 7 - 3);
  s.ClearData();
  EXPECT_EQ(s.NumPoints(), 0);
  EXPECT_EQ(s.MinX(), 1.7e308);
  EXPECT_EQ(s.Sums(), RunningSums{});
  EXPECT_TRUE(s.DataFlags().Empty());
  EXPECT_EQ(s.PointTable().NrOfColumns(), 2);
  EXPECT_EQ(s.PointTable().NrOfRows(), 2000);
  bool zero = true;
  for (int r = 1; r <= 2000; ++r) {
    zero = zero && s.PointTable().Elem(1, r) == 0.0 && s.PointTable().Elem(2, r) == 0.0;
  }
  EXPECT_TRUE(zero);
}

TEST(TRovavAza, SmoothingFactorIsStoredUnchecked) {
  TRovavAza s;
  for (double v : {0.0, 1.0, 0.5, -3.0, 1e9}) {
    s.SetSmoothingFactor(v);
    EXPECT_EQ(s.SmoothingFactor(), v);
    EXPECT_FALSE(s.SplineValid());
  }
}

// A point that cannot be stored must not be counted anywhere: the fits would otherwise combine
// sums over n + 1 points with a table of n.
TEST(TRovavAza, AddPointThatCannotGrowTheTableChangesNothing) {
  TRovavAza s;
  for (int i = 1; i <= 1000; ++i) s.AddPoint(i, i);
  const RunningSums before = s.Sums();

  std::string message;
  {
    FailNextAllocation fail(2000 * sizeof(double));
    try {
      s.AddPoint(-1, 0);
    } catch (const EKovixMatrixError& e) {
      message = e.what();
    }
    EXPECT_TRUE(fail.Happened());
  }
  EXPECT_EQ(message, "Component \"\": not enough memory on heap");
  EXPECT_EQ(s.NumPoints(), 1000);
  EXPECT_EQ(s.Sums(), before);
  EXPECT_TRUE(s.DataFlags().Empty());
  EXPECT_EQ(s.MinX(), 1);
  EXPECT_EQ(s.PointTable().NrOfRows(), 1000);
  EXPECT_EQ(s.PointTable().Elem(1, 1000), 1000);

  {
    const DataPoint more[] = {{-1, 0}, {5, 5}};
    FailNextAllocation fail(2000 * sizeof(double));
    try {
      s.AddPoints(more);
    } catch (const EKovixMatrixError& e) {
      message = e.what();
    }
    EXPECT_TRUE(fail.Happened());
  }
  EXPECT_EQ(s.NumPoints(), 1000);
  EXPECT_EQ(s.Sums(), before);

  s.AddPoint(-1, 0);
  EXPECT_EQ(s.NumPoints(), 1001);
  EXPECT_EQ(s.Sums().SumX, before.SumX - 1);
  EXPECT_EQ(s.MinX(), -1);
  EXPECT_EQ(FlagBits(s), kXNotPos | kYNotPos | kYNearZero);
  EXPECT_EQ(s.PointTable().Elem(1, 1001), -1);
}

}  // namespace
