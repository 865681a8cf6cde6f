#pragma once

// An independent least-squares polynomial for tests to compare fits and curves with.
#include <algorithm>
#include <cmath>
#include <utility>
#include <vector>

namespace test_support {

// An independent least-squares fit for comparison: modified Gram–Schmidt, twice, in extended
// precision, on Chebyshev polynomials of the centred and scaled x.
struct Reference {
  long double middle, half;
  std::vector<long double> coefficients;  // of T_0..T_p
  long double fitQual;

  long double At(double x) const {
    const long double t = (x - middle) / half;
    long double t0 = 1, t1 = t, sum = coefficients[0];
    for (std::size_t k = 1; k < coefficients.size(); ++k) {
      sum += coefficients[k] * t1;
      const long double t2 = 2 * t * t1 - t0;
      t0 = t1;
      t1 = t2;
    }
    return sum;
  }
};

Reference LeastSquares(const std::vector<std::pair<double, double>>& points, int p) {
  const std::size_t n = points.size();
  double lo = points[0].first, hi = lo;
  for (const auto& [x, y] : points) {
    lo = std::min(lo, x);
    hi = std::max(hi, x);
  }
  Reference ref{
      (static_cast<long double>(lo) + hi) / 2, (static_cast<long double>(hi) - lo) / 2, {}, 0};
  const int m = p + 1;
  std::vector<std::vector<long double>> q(m, std::vector<long double>(n));
  for (std::size_t i = 0; i < n; ++i) {
    const long double t = (points[i].first - ref.middle) / ref.half;
    long double t0 = 1, t1 = t;
    q[0][i] = 1;
    for (int k = 1; k < m; ++k) {
      q[k][i] = t1;
      const long double t2 = 2 * t * t1 - t0;
      t0 = t1;
      t1 = t2;
    }
  }
  std::vector<std::vector<long double>> r(m, std::vector<long double>(m, 0));
  auto dot = [n](const std::vector<long double>& a, const std::vector<long double>& b) {
    long double s = 0;
    for (std::size_t i = 0; i < n; ++i) s += a[i] * b[i];
    return s;
  };
  for (int k = 0; k < m; ++k) {
    for (int pass = 0; pass < 2; ++pass)
      for (int j = 0; j < k; ++j) {
        const long double d = dot(q[j], q[k]);
        r[j][k] += d;
        for (std::size_t i = 0; i < n; ++i) q[k][i] -= d * q[j][i];
      }
    const long double norm = std::sqrt(dot(q[k], q[k]));
    r[k][k] = norm;
    for (std::size_t i = 0; i < n; ++i) q[k][i] /= norm;
  }
  std::vector<long double> y(n), qty(m);
  long double mean = 0;
  for (std::size_t i = 0; i < n; ++i) mean += y[i] = points[i].second;
  mean /= n;
  for (int k = 0; k < m; ++k) qty[k] = dot(q[k], y);
  ref.coefficients.assign(m, 0);
  for (int k = m - 1; k >= 0; --k) {
    long double s = qty[k];
    for (int j = k + 1; j < m; ++j) s -= r[k][j] * ref.coefficients[j];
    ref.coefficients[k] = s / r[k][k];
  }
  long double rss = 0, tss = 0;
  for (std::size_t i = 0; i < n; ++i) {
    long double fitted = 0;
    for (int k = 0; k < m; ++k) fitted += q[k][i] * qty[k];
    rss += (y[i] - fitted) * (y[i] - fitted);
    tss += (y[i] - mean) * (y[i] - mean);
  }
  ref.fitQual = 1 - rss / tss;
  return ref;
}

}  // namespace test_support
