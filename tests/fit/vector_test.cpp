#include "fit/vector.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <initializer_list>
#include <random>
#include <string>
#include <tuple>
#include <vector>

#include "fit/kovix_errors.h"
#include "tests/fit/failing_allocation.h"

namespace {

using ::testing::ElementsAre;
using ::testing::ElementsAreArray;

std::vector<double> Contents(const TVector& v) {
  std::vector<double> out;
  for (int i = 1; i <= v.NrOfElem(); ++i) out.push_back(v.Elem(i));
  return out;
}

void Assign(TVector& v, std::initializer_list<double> values) {
  v.Resize(static_cast<int>(values.size()));
  int i = 1;
  for (double value : values) v.SetElem(i++, value);
}

// Counts OnChange and records every exchange reported by OnSortExchange.
struct Recorder {
  int changes = 0;
  std::vector<std::tuple<int, int, int, int, int>> exchanges;  // what, index1, index2, first, last

  void Attach(TVector& v) {
    v.OnChange = [this, &v](TVector& sender) {
      EXPECT_EQ(&sender, &v);
      ++changes;
    };
    v.OnSortExchange = [this, &v](TVector& sender, std::uint8_t what, int i1, int i2, int first,
                                  int last) {
      EXPECT_EQ(&sender, &v);
      exchanges.emplace_back(what, i1, i2, first, last);
    };
  }
};

TEST(TVector, StartsWithOneZeroElementAndIgnoresCountsBelowOne) {
  TVector v;
  EXPECT_EQ(v.NrOfElem(), 1);
  EXPECT_EQ(v.Elem(1), 0.0);
  EXPECT_EQ(v.Name(), "");

  Recorder rec;
  rec.Attach(v);
  v.SetNrOfElem(0);
  v.SetNrOfElem(-3);
  v.SetNrOfElem(1);
  EXPECT_EQ(v.NrOfElem(), 1);
  EXPECT_EQ(rec.changes, 0);
}

TEST(TVector, ResizeKeepsTheLeadingValuesAndZeroesNewOnes) {
  TVector v;
  Assign(v, {1, 2, 3});
  Recorder rec;
  rec.Attach(v);

  EXPECT_TRUE(v.Resize(5));
  EXPECT_THAT(Contents(v), ElementsAre(1, 2, 3, 0, 0));
  v.SetNrOfElem(2);
  EXPECT_THAT(Contents(v), ElementsAre(1, 2));
  EXPECT_EQ(rec.changes, 2);

  // Growing again must not bring back the values cut off before.
  v.SetNrOfElem(3);
  EXPECT_THAT(Contents(v), ElementsAre(1, 2, 0));

  rec.changes = 0;
  EXPECT_TRUE(v.Resize(3));
  EXPECT_FALSE(v.Resize(0));
  EXPECT_FALSE(v.Resize(-3));
  EXPECT_EQ(v.NrOfElem(), 3);
  EXPECT_EQ(rec.changes, 0);
}

TEST(TVector, AccessOutsideTheElementsReadsZeroAndWritesNothing) {
  TVector v;
  Assign(v, {7, 8, 9});
  Recorder rec;
  rec.Attach(v);

  for (int i : {0, -1, 4, 1000}) {
    EXPECT_EQ(v.Elem(i), 0.0) << i;
    v.SetElem(i, 42);
  }
  EXPECT_THAT(Contents(v), ElementsAre(7, 8, 9));
  EXPECT_EQ(rec.changes, 0);

  v.SetElem(3, 1.5);
  v.Fill(-2);
  EXPECT_THAT(Contents(v), ElementsAre(-2, -2, -2));
  EXPECT_EQ(rec.changes, 2);
}

TEST(TVector, SortReportsEveryExchangeOfTheCombSortInOrder) {
  TVector v;
  Assign(v, {5, 4, 3, 2, 1});
  Recorder rec;
  rec.Attach(v);

  v.SortElems(true, 5, 1);

  EXPECT_THAT(Contents(v), ElementsAre(1, 2, 3, 4, 5));
  // Gaps 3, 2, 1, 1.
  EXPECT_THAT(rec.exchanges,
              ElementsAre(std::make_tuple(0, 1, 4, 0, 0), std::make_tuple(0, 2, 5, 0, 0),
                          std::make_tuple(0, 1, 2, 0, 0), std::make_tuple(0, 4, 5, 0, 0)));
  EXPECT_EQ(rec.changes, 1);
}

TEST(TVector, SortDescendingAndOnlyWithinTheClampedRange) {
  TVector v;
  Assign(v, {1, 2, 3, 4, 5});
  v.SortElems(false, 1, 5);
  EXPECT_THAT(Contents(v), ElementsAre(5, 4, 3, 2, 1));

  Assign(v, {9, 3, 8, 1, 0});
  v.SortElems(true, 2, 4);
  EXPECT_THAT(Contents(v), ElementsAre(9, 1, 3, 8, 0));

  Assign(v, {3, 1, 2});
  v.SortElems(true, -7, 100);
  EXPECT_THAT(Contents(v), ElementsAre(1, 2, 3));
}

TEST(TVector, SortOfAtMostOneElementFiresNothing) {
  TVector v;
  Assign(v, {3, 2, 1});
  Recorder rec;
  rec.Attach(v);

  v.SortElems(true, 3, 3);
  v.SortElems(true, 10, 20);  // both clamp to 3
  v.SortElems(true, -5, 0);   // both clamp to 1

  EXPECT_THAT(Contents(v), ElementsAre(3, 2, 1));
  EXPECT_TRUE(rec.exchanges.empty());
  EXPECT_EQ(rec.changes, 0);
}

// Mirroring each reported exchange in a second vector must keep the pairs together, including
// for equal keys: that is how the y values follow the sorted x values.
TEST(TVector, MirroredExchangesKeepPairsTogether) {
  std::mt19937 gen(7);
  std::uniform_int_distribution<int> key(0, 20);
  const int n = 200;
  TVector x;
  TVector y;
  x.Resize(n);
  y.Resize(n);
  std::vector<std::pair<double, double>> pairs;
  for (int i = 1; i <= n; ++i) {
    x.SetElem(i, key(gen));
    y.SetElem(i, i);
    pairs.emplace_back(x.Elem(i), i);
  }
  x.OnSortExchange = [&y](TVector&, std::uint8_t, int i1, int i2, int, int) {
    const double t = y.Elem(i1);
    y.SetElem(i1, y.Elem(i2));
    y.SetElem(i2, t);
  };

  x.SortElems(true, 1, n);

  std::vector<std::pair<double, double>> sorted;
  for (int i = 1; i <= n; ++i) {
    if (i > 1) {
      EXPECT_LE(x.Elem(i - 1), x.Elem(i));
    }
    sorted.emplace_back(x.Elem(i), y.Elem(i));
  }
  std::sort(pairs.begin(), pairs.end());
  std::sort(sorted.begin(), sorted.end());
  EXPECT_EQ(sorted, pairs);
}

template <class F>
std::string VectorErrorOf(F operation) {
  try {
    operation();
  } catch (const EKovixVectorError& e) {
    return e.what();
  }
  return "no error";
}

TEST(TVector, AllocationFailuresRaiseVectorErrors) {
  EXPECT_EQ(VectorErrorOf([] {
              FailNextAllocation fail(1);
              TVector v;
            }),
            "Component \"\": not enough memory on heap");

  TVector v;
  Assign(v, {1, 2});
  v.SetName("Knots");
  EXPECT_EQ(VectorErrorOf([&v] {
              FailNextAllocation fail(8000);
              v.Resize(1000);
            }),
            "Component \"Knots\": not enough memory");
  EXPECT_THAT(Contents(v), ElementsAre(1, 2));
}

}  // namespace
