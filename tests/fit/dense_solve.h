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

// The textbook roughness penalty of the natural cubic spline through the knots (Green and
// Silverman): ∫ g''² = gᵀ·K·g with K = Q·R⁻¹·Qᵀ, R the tridiagonal of (h_{k−1} + h_k)/3 and
// h_k/6. Also R⁻¹·Qᵀ, which gives the second derivatives γ = R⁻¹·Qᵀ·g.
struct DensePenalty {
  DenseMatrix k;       // n × n
  DenseMatrix second;  // (n − 2) × n: R⁻¹·Qᵀ
};

inline DensePenalty RoughnessPenalty(const std::vector<double>& knots) {
  const std::size_t n = knots.size();
  const std::size_t m = n - 2;
  auto h = [&](std::size_t i) { return static_cast<long double>(knots[i + 1]) - knots[i]; };
  DenseMatrix q(n, std::vector<long double>(m, 0));
  DenseMatrix r(m, std::vector<long double>(m, 0));
  for (std::size_t j = 0; j < m; ++j) {
    q[j][j] = 1 / h(j);
    q[j + 1][j] = -1 / h(j) - 1 / h(j + 1);
    q[j + 2][j] = 1 / h(j + 1);
    r[j][j] = (h(j) + h(j + 1)) / 3;
    if (j + 1 < m) r[j][j + 1] = r[j + 1][j] = h(j + 1) / 6;
  }
  DensePenalty out;
  out.second.assign(m, std::vector<long double>(n));
  for (std::size_t i = 0; i < n; ++i)
    for (std::size_t j = 0; j < m; ++j) out.second[j][i] = q[i][j];
  SolveDense(r, out.second);
  out.k.assign(n, std::vector<long double>(n, 0));
  for (std::size_t i = 0; i < n; ++i)
    for (std::size_t c = 0; c < n; ++c) {
      long double sum = 0;
      for (std::size_t j = 0; j < m; ++j) sum += q[i][j] * out.second[j][c];
      out.k[i][c] = sum;
    }
  return out;
}
