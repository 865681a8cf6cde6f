#pragma once

#include <functional>
#include <span>
#include <string>
#include <vector>

class TVector;

// A 1-based matrix of doubles addressed as (column, row). Reads outside the addressable range
// give 0 and writes there are ignored. The storage always keeps at least one column of at least
// one row, even when a count is 0.
class TMatrix {
 public:
  using TNotifyEvent = std::function<void(TMatrix& sender)>;

  // One column of one row, 0.0.
  TMatrix();
  TMatrix(const TMatrix&) = delete;
  TMatrix& operator=(const TMatrix&) = delete;

  const std::string& Name() const { return name_; }
  void SetName(std::string name) { name_ = std::move(name); }

  int NrOfColumns() const { return nr_of_columns_; }
  void SetNrOfColumns(int columns);
  int NrOfRows() const { return nr_of_rows_; }
  void SetNrOfRows(int rows);

  // Negative counts are taken as 0. Cells inside both the old and the new size keep their
  // values, new cells are 0. Either succeeds completely or throws and leaves the matrix as it was.
  bool Resize(int columns, int rows);

  double Elem(int c, int r) const { return InRange(c, r) ? cells_[Index(c)][Index(r)] : 0.0; }
  void SetElem(int c, int r, double value) {
    if (!InRange(c, r)) return;
    cells_[Index(c)][Index(r)] = value;
    Changed();
  }

  // The addressable cells of column c, rows 1..NrOfRows in order; empty outside the columns.
  std::span<const double> Column(int c) const {
    if (c < 1 || c > nr_of_columns_) return {};
    return {cells_[Index(c)].data(), static_cast<std::size_t>(nr_of_rows_)};
  }

  // Every addressable cell.
  void Fill(double value);
  // Mean of the cells in the normalised rectangle, summed in double precision.
  double RegionMean(int c1, int r1, int c2, int r2) const;
  // Rows r1..r2 (normalised) of column c into elements 1, 2, ... of vector, which is zeroed
  // first and never resized; the range is cut to the vector's length.
  void CopyColToVec(TVector* vector, int c, int r1, int r2) const;

  // Singular value decomposition A = U·diag(W)·Vᵀ of this matrix (m rows, n columns), which is
  // overwritten by U. V receives the n × n right factor and W the n singular values, unsorted;
  // cells outside their sizes are skipped. Missing rows when m < n read as zeros. False when a
  // singular value did not converge within 30 sweeps.
  bool SVDecompose(TMatrix& V, TVector& W);
  // x := V·diag(1/W)·Uᵀ·b with this matrix as U; singular values that are exactly 0 drop out.
  void SVDBackSubstitute(const TMatrix& V, const TVector& W, const TVector& b, TVector& x) const;
  // Minimum-norm least-squares solution of A·x = b; A is overwritten. Singular values below
  // 1e-14 of the largest are zeroed and set RankDeficient. When the decomposition does not
  // converge the result is false and x is left unchanged. With more rows than columns A is
  // first reduced to its triangular factor R (A = QR), whose decomposition has A's singular
  // values; A itself then stays as it is.
  bool LeastSquaresSVD(const TVector& b, TVector& x, bool& RankDeficient);

  TNotifyEvent OnChange;

 private:
  static std::size_t Index(int one_based) { return static_cast<std::size_t>(one_based - 1); }
  bool InRange(int c, int r) const {
    return c >= 1 && c <= nr_of_columns_ && r >= 1 && r <= nr_of_rows_;
  }
  void Changed() {
    if (OnChange) OnChange(*this);
  }

  std::string name_;
  int nr_of_columns_ = 1;
  int nr_of_rows_ = 1;
  // cells_[c - 1][r - 1]: one contiguous array per column.
  std::vector<std::vector<double>> cells_;
};

// Brings lo..hi into 1..count: both 0 means the whole range; otherwise each bound is clamped
// and the two are swapped when lo > hi.
void NormaliseRange(int& lo, int& hi, int count);
