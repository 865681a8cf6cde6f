#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <initializer_list>
#include <limits>
#include <ostream>
#include <random>
#include <string>
#include <vector>

#include "base/float_check.h"
#include "fit/kovix_errors.h"
#include "fit/matrix.h"
#include "fit/vector.h"
#include "tests/fit/failing_allocation.h"

namespace {

// Rows given as lists, stored as (column, row) cells.
void SetRows(TMatrix& a, std::initializer_list<std::initializer_list<double>> rows) {
  const int m = static_cast<int>(rows.size());
  const int n = static_cast<int>(rows.begin()->size());
  a.Resize(n, m);
  int r = 1;
  for (const auto& row : rows) {
    int c = 1;
    for (double value : row) a.SetElem(c++, r, value);
    ++r;
  }
}

void SetElems(TVector& v, std::initializer_list<double> values) {
  v.Resize(static_cast<int>(values.size()));
  int i = 1;
  for (double value : values) v.SetElem(i++, value);
}

TEST(LeastSquaresSVD, SolvesOverdeterminedLine) {
  TMatrix a;
  SetRows(a, {{1, 1}, {2, 1}, {3, 1}});
  TVector b;
  SetElems(b, {1, 3, 5});
  TVector x;
  x.Resize(2);
  bool rank_deficient = true;
  EXPECT_TRUE(a.LeastSquaresSVD(b, x, rank_deficient));
  EXPECT_FALSE(rank_deficient);
  EXPECT_NEAR(x.Elem(1), 2.0, 1e-14);
  EXPECT_NEAR(x.Elem(2), -1.0, 1e-14);
}

TEST(LeastSquaresSVD, EqualColumnsGiveMinimumNormSolution) {
  TMatrix a;
  SetRows(a, {{1, 1}, {1, 1}, {1, 1}});
  TVector b;
  SetElems(b, {2, 2, 2});
  TVector x;
  x.Resize(2);
  bool rank_deficient = false;
  EXPECT_TRUE(a.LeastSquaresSVD(b, x, rank_deficient));
  EXPECT_TRUE(rank_deficient);
  // Any x1 + x2 = 2 fits exactly; the shortest is (1, 1).
  EXPECT_NEAR(x.Elem(1), 1.0, 1e-14);
  EXPECT_NEAR(x.Elem(2), 1.0, 1e-14);
}

TEST(LeastSquaresSVD, MinimumNormAmongThreeColumns) {
  // Columns x, x², 1 at x = 1, 1, 2: only two distinct rows, so the fit is exact on the means
  // (1.5 at x = 1, 3 at x = 2) and the shortest such vector is (15, 9, 18) / 28.
  TMatrix a;
  SetRows(a, {{1, 1, 1}, {1, 1, 1}, {2, 4, 1}});
  TVector b;
  SetElems(b, {1, 2, 3});
  TVector x;
  x.Resize(3);
  bool rank_deficient = false;
  EXPECT_TRUE(a.LeastSquaresSVD(b, x, rank_deficient));
  EXPECT_TRUE(rank_deficient);
  EXPECT_NEAR(x.Elem(1), 15.0 / 28, 1e-13);
  EXPECT_NEAR(x.Elem(2), 9.0 / 28, 1e-13);
  EXPECT_NEAR(x.Elem(3), 18.0 / 28, 1e-13);
}

TEST(LeastSquaresSVD, CutOffIsTheExtendedProductRoundedOnce) {
  // The threshold is 1e-14 times the largest singular value, formed in extended precision and
  // rounded to double once. For this largest value the product of the two doubles rounds one
  // step lower, which would keep the value just below the true threshold.
  const double wmax = 1.0000000000001295;
  const double threshold = 1.0000000000001295e-14;
  const struct {
    double w2;
    bool rank_deficient;
  } cases[] = {{std::nextafter(threshold, 0.0), true}, {threshold, false}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.w2);
    TMatrix a;
    SetRows(a, {{wmax, 0}, {0, c.w2}});
    TVector b;
    SetElems(b, {wmax, c.w2});
    TVector x;
    x.Resize(2);
    bool rank_deficient = !c.rank_deficient;
    EXPECT_TRUE(a.LeastSquaresSVD(b, x, rank_deficient));
    EXPECT_EQ(rank_deficient, c.rank_deficient);
    EXPECT_EQ(x.Elem(1), 1.0);
    EXPECT_EQ(x.Elem(2), c.rank_deficient ? 0.0 : 1.0);
  }
}

// The least-squares solution of the old road: the whole matrix decomposed, the same cut-off,
// back-substitution with U.
std::vector<double> FullDecompositionSolution(const TMatrix& source, const TVector& b,
                                              bool& rank_deficient) {
  const int m = source.NrOfRows();
  const int n = source.NrOfColumns();
  TMatrix a;
  a.Resize(n, m);
  for (int c = 1; c <= n; ++c) {
    for (int r = 1; r <= m; ++r) a.SetElem(c, r, source.Elem(c, r));
  }
  TMatrix v;
  v.Resize(n, n);
  TVector w;
  w.Resize(n);
  EXPECT_TRUE(a.SVDecompose(v, w));
  double wmax = 0;
  for (int j = 1; j <= n; ++j) wmax = std::max(wmax, w.Elem(j));
  const double threshold = static_cast<double>(1e-14L * wmax);
  rank_deficient = false;
  for (int j = 1; j <= n; ++j) {
    if (w.Elem(j) < threshold) {
      w.SetElem(j, 0);
      rank_deficient = true;
    }
  }
  TVector x;
  x.Resize(n);
  a.SVDBackSubstitute(v, w, b, x);
  std::vector<double> result;
  for (int j = 1; j <= n; ++j) result.push_back(x.Elem(j));
  return result;
}

TEST(LeastSquaresSVD, TallProblemsAgreeWithTheWholeMatrixDecomposed) {
  // A tall matrix is reduced to its triangular factor before the decomposition; the solution,
  // the cut-off and RankDeficient must come out as from the whole matrix.
  std::mt19937 gen(11);
  std::normal_distribution<double> normal;
  const struct {
    const char* what;
    int rows, columns;
    double column_scale;  // column c is scaled by column_scale^(c − 1)
    int copy_of_first;    // a column repeating the first one; 0: none
    bool rank_deficient;
    double tolerance;  // of the solution, relative to its largest element
  } cases[] = {
      {"random", 300, 6, 1, 0, false, 1e-13},
      {"random, many rows", 3000, 10, 1, 0, false, 1e-13},
      // Condition about 1e5: full rank.
      {"columns from 1 to 1e5", 500, 6, 10, 0, false, 1e-12},
      // Condition about 1e15: the smallest singular value falls below the cut-off in both, and
      // the kept ones span a condition of 1e12, which bounds how closely the two agree.
      {"columns from 1 to 1e15", 500, 6, 1e3, 0, true, 1e-6},
      {"repeated column", 200, 5, 1, 3, true, 1e-13},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    TMatrix a;
    a.Resize(c.columns, c.rows);
    TVector b;
    b.Resize(c.rows);
    for (int r = 1; r <= c.rows; ++r) {
      for (int col = 1; col <= c.columns; ++col) {
        a.SetElem(col, r, normal(gen) * std::pow(c.column_scale, col - 1));
      }
      if (c.copy_of_first != 0) a.SetElem(c.copy_of_first, r, a.Elem(1, r));
      b.SetElem(r, normal(gen));
    }
    bool expected_rank_deficient = false;
    const std::vector<double> expected = FullDecompositionSolution(a, b, expected_rank_deficient);
    TVector x;
    x.Resize(c.columns);
    bool rank_deficient = !expected_rank_deficient;
    EXPECT_TRUE(a.LeastSquaresSVD(b, x, rank_deficient));
    EXPECT_EQ(rank_deficient, expected_rank_deficient);
    EXPECT_EQ(rank_deficient, c.rank_deficient);
    double largest = 0;
    for (double v : expected) largest = std::max(largest, std::fabs(v));
    for (int j = 1; j <= c.columns; ++j) {
      EXPECT_NEAR(x.Elem(j), expected[static_cast<std::size_t>(j - 1)], c.tolerance * largest)
          << "element " << j;
    }
  }
}

TEST(SVDecompose, DiagonalMatrixKeepsItsValuesInPlace) {
  // Singular values are not sorted; negative diagonal entries come out positive with the sign
  // moved into V.
  TMatrix a;
  SetRows(a, {{1, 0, 0}, {0, -3, 0}, {0, 0, 2}});
  TMatrix v;
  v.Resize(3, 3);
  TVector w;
  w.Resize(3);
  EXPECT_TRUE(a.SVDecompose(v, w));
  EXPECT_DOUBLE_EQ(w.Elem(1), 1.0);
  EXPECT_DOUBLE_EQ(w.Elem(2), 3.0);
  EXPECT_DOUBLE_EQ(w.Elem(3), 2.0);
}

double Reconstructed(const TMatrix& u, const TVector& w, const TMatrix& v, int r, int c) {
  long double sum = 0;
  for (int k = 1; k <= w.NrOfElem(); ++k) {
    sum += static_cast<long double>(u.Elem(k, r)) * w.Elem(k) * v.Elem(k, c);
  }
  return static_cast<double>(sum);
}

// Inner product of columns i and j of a matrix with `rows` rows.
double ColumnDot(const TMatrix& q, int rows, int i, int j) {
  long double sum = 0;
  for (int r = 1; r <= rows; ++r) sum += static_cast<long double>(q.Elem(i, r)) * q.Elem(j, r);
  return static_cast<double>(sum);
}

struct Shape {
  int rows;
  int columns;
};
void PrintTo(const Shape& s, std::ostream* os) {
  *os << s.rows << " x " << s.columns;
}

class SVDecomposeRandom : public ::testing::TestWithParam<Shape> {};

TEST_P(SVDecomposeRandom, ReconstructsWithOrthonormalFactors) {
  const auto [m, n] = GetParam();
  std::mt19937 gen(12345u + static_cast<unsigned>(m * 1000 + n));
  std::uniform_real_distribution<double> dist(-10.0, 10.0);
  TMatrix a;
  a.Resize(n, m);
  std::vector<double> original(static_cast<std::size_t>(m * n));
  for (int r = 1; r <= m; ++r) {
    for (int c = 1; c <= n; ++c) {
      const double value = dist(gen);
      a.SetElem(c, r, value);
      original[static_cast<std::size_t>((r - 1) * n + (c - 1))] = value;
    }
  }
  TMatrix v;
  v.Resize(n, n);
  TVector w;
  w.Resize(n);
  ASSERT_TRUE(a.SVDecompose(v, w));

  double wmax = 0;
  for (int k = 1; k <= n; ++k) {
    EXPECT_GE(w.Elem(k), 0.0);
    wmax = std::max(wmax, w.Elem(k));
  }
  const double tol = 1e-13 * wmax;
  for (int r = 1; r <= m; ++r) {
    for (int c = 1; c <= n; ++c) {
      EXPECT_NEAR(Reconstructed(a, w, v, r, c),
                  original[static_cast<std::size_t>((r - 1) * n + (c - 1))], tol)
          << "row " << r << " column " << c;
    }
  }
  for (int i = 1; i <= n; ++i) {
    for (int j = 1; j <= n; ++j) {
      EXPECT_NEAR(ColumnDot(v, n, i, j), i == j ? 1.0 : 0.0, 1e-14) << "V " << i << "," << j;
      // U has orthonormal columns when there are enough rows for them.
      if (m >= n) {
        EXPECT_NEAR(ColumnDot(a, m, i, j), i == j ? 1.0 : 0.0, 1e-14) << "U " << i << "," << j;
      }
    }
  }
  if (m < n) {
    // Rank at most m: the other n - m singular values vanish.
    int zero = 0;
    for (int k = 1; k <= n; ++k) zero += w.Elem(k) <= 1e-13 * wmax ? 1 : 0;
    EXPECT_EQ(zero, n - m);
  }
}

INSTANTIATE_TEST_SUITE_P(Shapes, SVDecomposeRandom,
                         ::testing::Values(Shape{1, 1}, Shape{3, 2}, Shape{5, 5}, Shape{12, 7},
                                           Shape{50, 4}, Shape{200, 10}, Shape{2, 4}, Shape{1, 3}),
                         [](const auto& info) {
                           return std::to_string(info.param.rows) + "x" +
                                  std::to_string(info.param.columns);
                         });

TEST(SVDecompose, WrongSizedFactorsAreFilledWhereTheyFit) {
  TMatrix a;
  SetRows(a, {{3, 0}, {0, 4}});
  TMatrix v;  // 1 × 1 instead of 2 × 2
  TVector w;  // 1 element instead of 2
  EXPECT_TRUE(a.SVDecompose(v, w));
  EXPECT_EQ(v.NrOfColumns(), 1);
  EXPECT_EQ(w.NrOfElem(), 1);
  EXPECT_DOUBLE_EQ(w.Elem(1), 3.0);
  EXPECT_DOUBLE_EQ(std::fabs(v.Elem(1, 1)), 1.0);
}

TEST(SVDecompose, InfiniteElementIsAnInvalidOperation) {
  TMatrix a;
  SetRows(a, {{1, 2}, {std::numeric_limits<double>::infinity(), 4}, {5, 6}});
  TMatrix v;
  v.Resize(2, 2);
  TVector w;
  w.Resize(2);
  EXPECT_THROW(a.SVDecompose(v, w), EInvalidOp);
}

TEST(LeastSquaresSVD, OutOfMemoryRaisesTheContainerError) {
  // 100 columns: V's column array is the first temporary above 2000 bytes; the decomposition's
  // 101 × 101 work matrix is the first above 50000.
  const struct {
    std::size_t min_bytes;
    std::string message;
  } cases[] = {{2000, "Component \"\": not enough memory on heap"},
               {50000, "Component \"Design\": not enough memory on heap"}};
  for (const auto& c : cases) {
    TMatrix a;
    a.SetName("Design");
    a.Resize(100, 2);
    TVector b;
    b.Resize(2);
    TVector x;
    x.Resize(100);
    bool rank_deficient = false;
    std::string message = "no error";
    try {
      FailNextAllocation fail(c.min_bytes);
      a.LeastSquaresSVD(b, x, rank_deficient);
    } catch (const EKovixMatrixError& e) {
      message = e.what();
    }
    EXPECT_EQ(message, c.message) << c.min_bytes;
  }
}

}  // namespace
