#pragma once

#include <cmath>
#include <cstddef>
#include <utility>
#include <vector>

// Dense extended-precision algebra for the brute-force references of the spline tests.
using DenseMatrix = std::vector<std::vector<long double>>;

// Solves M·X = R in place by Gauss-Jordan elimination with partial pivoting; R becomes X.
inline void SolveDense(DenseMatrix m, DenseMatrix& r) {
  const std::size_t n = m.size();
  for (std::size_t c = 0; c < n; ++c) {
    std::size_t pivot = c;
    for (std::size_t i = c + 1; i < n; ++i) {
      if (std::fabs(m[i][c]) > std::fabs(m[pivot][c])) pivot = i;
    }
    std::swap(m[c], m[pivot]);
    std::swap(r[c], r[pivot]);
    for (std::size_t i = 0; i < n; ++i) {
      if (i == c) continue;
      const long double f = m[i][c] / m[c][c];
      for (std::size_t k = c; k < n; ++k) m[i][k] -= f * m[c][k];
      for (std::size_t k = 0; k < r[i].size(); ++k) r[i][k] -= f * r[c][k];
    }
  }
  for (std::size_t i = 0; i < n; ++i) {
    for (long double& v : r[i]) v /= m[i][i];
  }
}
