#include "fit/matrix.h"

#include <algorithm>
#include <new>
#include <utility>

#include "base/float_check.h"
#include "base/huge_pages.h"
#include "fit/kovix_errors.h"
#include "fit/vector.h"

namespace {

// Resizes a column, growing its capacity geometrically; a large fresh block is advised for huge
// pages before its zeros are written.
void GrowColumn(std::vector<double>& column, std::size_t rows) {
  if (rows > column.capacity()) {
    column.reserve(std::max(rows, 2 * column.size()));
    AdviseHugePages(column.data(), column.capacity() * sizeof(double));
  }
  column.resize(rows, 0.0);
}

[[noreturn]] void ThrowOutOfMemory(const std::string& name) {
  throw EKovixMatrixError("Component \"" + name + "\": not enough memory on heap");
}

}  // namespace

void NormaliseRange(int& lo, int& hi, int count) {
  if (lo == 0 && hi == 0) {
    lo = 1;
    hi = count;
    return;
  }
  lo = std::min(std::max(lo, 1), count);
  hi = std::min(std::max(hi, 1), count);
  if (lo > hi) std::swap(lo, hi);
}

TMatrix::TMatrix() {
  try {
    cells_.assign(1, std::vector<double>(1, 0.0));
  } catch (const std::bad_alloc&) {
    ThrowOutOfMemory(name_);
  }
}

void TMatrix::SetNrOfColumns(int columns) {
  Resize(std::max(columns, 0), nr_of_rows_);
}

void TMatrix::SetNrOfRows(int rows) {
  Resize(nr_of_columns_, std::max(rows, 0));
}

bool TMatrix::Resize(int columns, int rows) {
  columns = std::max(columns, 0);
  rows = std::max(rows, 0);
  const std::size_t new_columns = static_cast<std::size_t>(std::max(columns, 1));
  const std::size_t new_rows = static_cast<std::size_t>(std::max(rows, 1));
  const std::size_t old_columns = cells_.size();
  const std::size_t old_rows = cells_.front().size();
  const std::size_t kept_columns = std::min(old_columns, new_columns);

  // Everything that can fail happens first and is undone on failure, so the matrix is either
  // resized completely or left as it was. Columns grow in place: their capacity grows
  // geometrically, which keeps a table that grows by a fixed number of rows at amortised O(1)
  // per row.
  std::size_t resized = 0;
  try {
    std::vector<std::vector<double>> added;
    if (new_columns > old_columns) {
      added.reserve(new_columns - old_columns);
      for (std::size_t c = old_columns; c < new_columns; ++c) added.emplace_back(new_rows, 0.0);
      cells_.reserve(new_columns);
    }
    for (; resized < kept_columns; ++resized) GrowColumn(cells_[resized], new_rows);
    cells_.resize(kept_columns);
    for (auto& column : added) cells_.push_back(std::move(column));
  } catch (const std::bad_alloc&) {
    for (std::size_t c = 0; c < resized; ++c) cells_[c].resize(old_rows);
    ThrowOutOfMemory(name_);
  }
  if (new_rows < old_rows) {
    for (auto& column : cells_) column.shrink_to_fit();
  }
  // With a count of 0 no cell is inside the size; the one the storage keeps must come back as 0.
  if (columns == 0 || rows == 0) {
    for (auto& column : cells_) std::fill(column.begin(), column.end(), 0.0);
  }

  nr_of_columns_ = columns;
  nr_of_rows_ = rows;
  Changed();
  return true;
}

void TMatrix::Fill(double value) {
  for (int c = 0; c < nr_of_columns_; ++c) {
    std::fill_n(cells_[static_cast<std::size_t>(c)].begin(), nr_of_rows_, value);
  }
  Changed();
}

double TMatrix::RegionMean(int c1, int r1, int c2, int r2) const {
  NormaliseRange(c1, c2, nr_of_columns_);
  NormaliseRange(r1, r2, nr_of_rows_);
  FloatCheck check;
  double sum = 0.0;
  for (int c = c1; c <= c2; ++c) {
    for (int r = r1; r <= r2; ++r) sum += Elem(c, r);
  }
  // An empty region (a count of 0) divides 0 by 0 and is reported as such.
  const double cells = static_cast<double>(c2 - c1 + 1) * static_cast<double>(r2 - r1 + 1);
  const double mean = sum / cells;
  check.Check();
  return mean;
}

void TMatrix::CopyColToVec(TVector* vector, int c, int r1, int r2) const {
  if (vector == nullptr) return;
  NormaliseRange(r1, r2, nr_of_rows_);
  c = std::min(std::max(c, 1), nr_of_columns_);
  r2 = std::min(r2, r1 + vector->NrOfElem() - 1);
  vector->Fill(0.0);
  for (int r = r1; r <= r2; ++r) vector->SetElem(r - r1 + 1, Elem(c, r));
}
