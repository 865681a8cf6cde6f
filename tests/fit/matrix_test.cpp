#include "fit/matrix.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "base/float_check.h"
#include "fit/kovix_errors.h"
#include "fit/vector.h"
#include "tests/fit/failing_allocation.h"

namespace {

using ::testing::ElementsAre;

// 3 columns x 4 rows, cell (c, r) = 10 * c + r.
void FillPattern(TMatrix& m) {
  m.Resize(3, 4);
  for (int c = 1; c <= 3; ++c) {
    for (int r = 1; r <= 4; ++r) m.SetElem(c, r, 10 * c + r);
  }
}

std::vector<double> Contents(const TVector& v) {
  std::vector<double> out;
  for (int i = 1; i <= v.NrOfElem(); ++i) out.push_back(v.Elem(i));
  return out;
}

TEST(TMatrix, StartsAsOneZeroCell) {
  TMatrix m;
  EXPECT_EQ(m.NrOfColumns(), 1);
  EXPECT_EQ(m.NrOfRows(), 1);
  EXPECT_EQ(m.Elem(1, 1), 0.0);
  EXPECT_EQ(m.Name(), "");
}

TEST(TMatrix, ZeroAndNegativeCountsLeaveNothingAddressable) {
  TMatrix m;
  m.SetElem(1, 1, 5);
  EXPECT_TRUE(m.Resize(2, 0));
  EXPECT_EQ(m.NrOfColumns(), 2);
  EXPECT_EQ(m.NrOfRows(), 0);
  m.SetElem(1, 1, 9);
  m.Fill(3);
  for (int c = 0; c <= 3; ++c) {
    for (int r = 0; r <= 2; ++r) EXPECT_EQ(m.Elem(c, r), 0.0) << c << "," << r;
  }

  m.Resize(-4, -1);
  EXPECT_EQ(m.NrOfColumns(), 0);
  EXPECT_EQ(m.NrOfRows(), 0);

  m.SetNrOfRows(3);
  m.SetNrOfColumns(-2);
  EXPECT_EQ(m.NrOfColumns(), 0);
  EXPECT_EQ(m.NrOfRows(), 3);
  m.SetNrOfColumns(2);
  EXPECT_EQ(m.NrOfColumns(), 2);
  EXPECT_EQ(m.NrOfRows(), 3);
}

TEST(TMatrix, ResizeKeepsTheCellsInsideBothSizes) {
  TMatrix m;
  m.Resize(2, 1000);
  for (int r = 1; r <= 1000; ++r) {
    m.SetElem(1, r, r);
    m.SetElem(2, r, -r);
  }
  m.Resize(2, 2000);
  bool kept = true;
  for (int r = 1; r <= 1000; ++r) kept = kept && m.Elem(1, r) == r && m.Elem(2, r) == -r;
  EXPECT_TRUE(kept);
  EXPECT_EQ(m.Elem(1, 1001), 0.0);
  EXPECT_EQ(m.Elem(2, 2000), 0.0);
  EXPECT_EQ(m.Elem(2, 2001), 0.0);

  FillPattern(m);
  m.Resize(2, 5);
  EXPECT_EQ(m.Elem(2, 4), 24);
  EXPECT_EQ(m.Elem(2, 5), 0);
  EXPECT_EQ(m.Elem(3, 1), 0);
  m.Resize(3, 5);
  EXPECT_EQ(m.Elem(3, 1), 0) << "a column cut off comes back empty";

  // A count of 0 leaves no cell inside the size, although the storage keeps one.
  for (const auto& [columns, rows] : {std::pair{3, 0}, std::pair{0, 5}}) {
    FillPattern(m);
    m.Resize(columns, rows);
    m.Resize(3, 5);
    EXPECT_EQ(m.Elem(1, 1), 0) << "through " << columns << " x " << rows;
  }
}

TEST(TMatrix, AccessOutsideTheCellsReadsZeroAndWritesNothing) {
  TMatrix m;
  FillPattern(m);
  int changes = 0;
  m.OnChange = [&](TMatrix& sender) {
    EXPECT_EQ(&sender, &m);
    ++changes;
  };
  const int outside[][2] = {{0, 1}, {1, 0}, {4, 1}, {1, 5}, {-1, -1}};
  for (const auto& cell : outside) {
    EXPECT_EQ(m.Elem(cell[0], cell[1]), 0.0);
    m.SetElem(cell[0], cell[1], 99);
  }
  EXPECT_EQ(changes, 0);
  EXPECT_EQ(m.RegionMean(0, 0, 0, 0), 22.5);

  m.SetElem(3, 4, 1);
  m.Fill(2);
  m.Resize(3, 4);
  m.SetNrOfRows(6);
  EXPECT_EQ(changes, 4);
  EXPECT_EQ(m.Elem(3, 4), 2);
}

TEST(TMatrix, RegionMeanNormalisesItsBounds) {
  TMatrix m;
  FillPattern(m);
  struct Case {
    int c1, r1, c2, r2;
    double mean;
  } cases[] = {
      {0, 0, 0, 0, 22.5},  // all cells
      {2, 3, 2, 3, 23},    // one cell
      {1, 1, 1, 4, 12.5},  // column 1
      {3, 4, 1, 1, 22.5},  // swapped bounds
      {-5, 2, 9, 2, 22},   // row 2, columns clamped to 1..3
      {2, 9, 2, 0, 22.5},  // rows clamped to 1..4
      {0, 0, 2, 2, 16.5},  // a 0 beside a non-zero bound is 1: columns and rows 1..2
  };
  for (const Case& k : cases) {
    EXPECT_EQ(m.RegionMean(k.c1, k.r1, k.c2, k.r2), k.mean)
        << k.c1 << "," << k.r1 << "," << k.c2 << "," << k.r2;
  }
}

TEST(TMatrix, RegionMeanOfNoCellsIsAnInvalidOperation) {
  TMatrix m;
  m.Resize(2, 0);
  EXPECT_THROW(m.RegionMean(1, 0, 1, 0), EInvalidOp);
}

TEST(TMatrix, CopyColToVecCutsAndNormalisesTheRange) {
  TMatrix m;
  FillPattern(m);
  TVector v;
  m.CopyColToVec(nullptr, 1, 1, 4);

  v.Resize(4);
  m.CopyColToVec(&v, 2, 0, 0);
  EXPECT_THAT(Contents(v), ElementsAre(21, 22, 23, 24));

  v.Resize(6);
  v.Fill(7);
  m.CopyColToVec(&v, 9, 4, 2);  // column clamped to 3, rows swapped
  EXPECT_THAT(Contents(v), ElementsAre(32, 33, 34, 0, 0, 0));

  v.Resize(2);
  m.CopyColToVec(&v, -1, 2, 4);  // column clamped to 1, cut after two rows
  EXPECT_THAT(Contents(v), ElementsAre(12, 13));

  v.Resize(3);
  m.CopyColToVec(&v, 1, 3, 3);
  EXPECT_THAT(Contents(v), ElementsAre(13, 0, 0));
}

template <class F>
std::string MatrixErrorOf(F operation) {
  try {
    operation();
  } catch (const EKovixMatrixError& e) {
    return e.what();
  }
  return "no error";
}

TEST(TMatrix, AllocationFailureRaisesAndLeavesTheMatrixAsItWas) {
  EXPECT_EQ(MatrixErrorOf([] {
              FailNextAllocation fail(1);
              TMatrix m;
            }),
            "Component \"\": not enough memory on heap");

  TMatrix m;
  FillPattern(m);
  int changes = 0;
  m.OnChange = [&](TMatrix&) { ++changes; };
  // The first column of 1000 rows is allocated; the second one fails.
  std::string message = MatrixErrorOf([&m] {
    FailNextAllocation fail(8000, 1);
    m.Resize(3, 1000);
  });
  EXPECT_EQ(message, "Component \"\": not enough memory on heap");
  EXPECT_EQ(m.NrOfColumns(), 3);
  EXPECT_EQ(m.NrOfRows(), 4);
  EXPECT_EQ(m.RegionMean(0, 0, 0, 0), 22.5);
  EXPECT_EQ(changes, 0);

  m.SetName("Design");
  EXPECT_EQ(MatrixErrorOf([&m] {
              FailNextAllocation fail(8000);
              m.SetNrOfRows(1000);
            }),
            "Component \"Design\": not enough memory on heap");
}

}  // namespace
