#pragma once

#include <cstddef>
#include <span>
#include <vector>

#include "base/float_check.h"

class TMatrix;
class TVector;

// Householder QR of a tall least-squares problem A·x ≈ b fed row by row: keeps only the
// triangular factor R and the first n elements of Qᵀ·b, which have the whole problem's singular
// values and least-squares solution. Rows are reduced in blocks small enough to stay in cache,
// so A is never stored. Like the decomposition, every element is loaded, combined in extended
// precision and rounded once when stored: R and Qᵀ·b are doubles.
class TriangularReduction {
 public:
  // Rows buffered before each reduction.
  static constexpr int BlockRows = 256;

  explicit TriangularReduction(int columns);

  // The next row of A (`columns` values) and its element of b.
  void AddRow(std::span<const double> row, double rhs);
  // R into the columns × columns matrix r (upper triangular, zero below) and Qᵀ·b into qtb.
  // Both must be of that size already. Raises the floating-point errors of the arithmetic.
  void Finish(TMatrix& r, TVector& qtb);
  // The least-squares solution of the rows given: Finish, then TMatrix::LeastSquaresSVD of R.
  bool Solve(TVector& solution, bool& rankDeficient);

 private:
  double& At(int row, int column) {
    return cells_[static_cast<std::size_t>(column) * capacity_ + static_cast<std::size_t>(row)];
  }
  void Reduce();

  int columns_;
  std::size_t capacity_;  // rows: R's columns_ above BlockRows new ones
  int filled_;            // rows in use, R's included
  std::vector<double> cells_;
  std::vector<double> rhs_;
  FloatCheck check_;
};
