// Householder QR (Householder 1958, "Unitary triangularization of a nonsymmetric matrix",
// J. ACM 5) of a tall least-squares problem fed row by row, in blocks, in extended precision.

#include "fit/triangular_reduction.h"

#include <cmath>
#include <new>

#include "fit/kovix_errors.h"
#include "fit/matrix.h"
#include "fit/numeric_kernels.h"
#include "fit/vector.h"

namespace {

// Σ a[k]·b[k] over k = lo..hi − 1 in extended precision, in four interleaved sums: one running
// sum would wait on the latency of every addition.
Ext Dot(const double* a, const double* b, int lo, int hi) {
  Ext s0 = 0, s1 = 0, s2 = 0, s3 = 0;
  int k = lo;
  for (; k + 4 <= hi; k += 4) {
    s0 += static_cast<Ext>(a[k]) * b[k];
    s1 += static_cast<Ext>(a[k + 1]) * b[k + 1];
    s2 += static_cast<Ext>(a[k + 2]) * b[k + 2];
    s3 += static_cast<Ext>(a[k + 3]) * b[k + 3];
  }
  for (; k < hi; ++k) s0 += static_cast<Ext>(a[k]) * b[k];
  return (s0 + s1) + (s2 + s3);
}

}  // namespace

TriangularReduction::TriangularReduction(int columns)
    : columns_(columns),
      capacity_(static_cast<std::size_t>(columns) + BlockRows),
      filled_(columns) {
  try {
    cells_.assign(capacity_ * static_cast<std::size_t>(columns), 0.0);
    rhs_.assign(capacity_, 0.0);
  } catch (const std::bad_alloc&) {
    throw EKovixMatrixError("Component \"\": not enough memory on heap");
  }
}

void TriangularReduction::AddRow(std::span<const double> row, double rhs) {
  if (filled_ == static_cast<int>(capacity_)) Reduce();
  for (int c = 0; c < columns_; ++c) At(filled_, c) = row[static_cast<std::size_t>(c)];
  rhs_[static_cast<std::size_t>(filled_)] = rhs;
  ++filled_;
}

// Householder reflections on the buffered rows, R's included: afterwards rows 0..columns − 1
// hold the new R and the first elements of Qᵀ·b; the other rows only carried residuals.
void TriangularReduction::Reduce() {
  const int m = filled_;
  for (int i = 0; i < columns_ && i < m; ++i) {
    double* const ci = &At(0, i);
    const Ext s = Dot(ci, ci, i, m);
    if (s == 0) continue;
    const Ext f = ci[i];
    const Ext g = (f >= 0 ? -1 : 1) * std::sqrt(s);
    const Ext h = f * g - s;
    ci[i] = UncheckedDouble(f - g);
    for (int j = i + 1; j < columns_; ++j) {
      double* const cj = &At(0, j);
      const Ext factor = Dot(ci, cj, i, m) / h;
      for (int k = i; k < m; ++k) cj[k] = UncheckedDouble(cj[k] + factor * ci[k]);
    }
    double* const rhs = rhs_.data();
    const Ext factor = Dot(ci, rhs, i, m) / h;
    for (int k = i; k < m; ++k) rhs[k] = UncheckedDouble(rhs[k] + factor * ci[k]);
    ci[i] = UncheckedDouble(g);
    // The reflector's vector below the diagonal is spent; R is zero there.
    for (int k = i + 1; k < m; ++k) ci[k] = 0.0;
  }
  filled_ = columns_;
}

void TriangularReduction::Finish(TMatrix& r, TVector& qtb) {
  if (filled_ > columns_) Reduce();
  check_.Check();
  for (int i = 0; i < columns_; ++i) {
    for (int j = 0; j < columns_; ++j) r.SetElem(j + 1, i + 1, j >= i ? At(i, j) : 0.0);
    qtb.SetElem(i + 1, rhs_[static_cast<std::size_t>(i)]);
  }
}

bool TriangularReduction::Solve(TVector& solution, bool& rankDeficient) {
  TMatrix r;
  r.Resize(columns_, columns_);
  TVector qtb;
  qtb.Resize(columns_);
  Finish(r, qtb);
  return r.LeastSquaresSVD(qtb, solution, rankDeficient);
}
