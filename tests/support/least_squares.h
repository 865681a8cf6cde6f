#pragma once

// An independent least-squares polynomial for tests to compare fits, curves, covariances and
// bands with: Householder QR (Householder 1958, "Unitary triangularization of a nonsymmetric
// matrix", J. ACM 5) of the design on a polynomial basis of t = (u − centre)/scale, in the scalar
// type T: long double, or __float128 where a test needs more than the engine's own precision.
//   const test_support::LeastSquares<long double> ref(u, z, order);
//   ref.Fitted(u), ref.Variance(u), ref.FitQuality(), ref.ResidualVariance()
// With weights w (one a point), each row of the design and its z are multiplied by √w: weighted
// least squares, whose residual sum is χ² = Σ w·r² and whose covariance is (XᵀWX)⁻¹.
#include <algorithm>
#include <cmath>
#include <cstddef>
#include <type_traits>
#include <utility>
#include <vector>

namespace test_support {

// √v; for __float128 three Newton steps from the extended-precision root. 0 for v ≤ 0.
template <class T>
T Sqrt(T v) {
  if constexpr (std::is_same_v<T, long double>) {
    return std::sqrt(v);
  } else {
    if (v <= 0) return 0;
    T r = std::sqrt(static_cast<long double>(v));
    for (int i = 0; i < 3; ++i) r = (r + v / r) / 2;
    return r;
  }
}

// The columns of the design: powers of t, or Chebyshev polynomials of t (better conditioned at
// high orders over the data's range).
enum class Basis { kPowers, kChebyshev };
// t's centre and scale: the middle and half-width of the u range, or the mean and rms spread.
enum class Centring { kMidRange, kMeanAndRms };

template <class T>
class LeastSquares {
 public:
  using Matrix = std::vector<std::vector<T>>;

  LeastSquares(const std::vector<T>& u, const std::vector<T>& z, int order,
               Basis basis = Basis::kPowers, Centring centring = Centring::kMidRange,
               std::vector<T> weights = {})
      : m_(order + 1), n_(u.size()), basis_(basis) {
    if (weights.empty()) weights.assign(u.size(), 1);
    const std::size_t n = n_, m = static_cast<std::size_t>(m_);
    if (centring == Centring::kMidRange) {
      const auto [lo, hi] = std::minmax_element(u.begin(), u.end());
      centre_ = (*lo + *hi) / 2;
      scale_ = (*hi - *lo) / 2;
    } else {
      for (const T v : u) centre_ += v;
      centre_ /= static_cast<T>(n);
      T spread = 0;
      for (const T v : u) spread += (v - centre_) * (v - centre_);
      if (spread > 0) scale_ = Sqrt(spread / static_cast<T>(n));
    }
    T mean = 0, sum_w = 0;
    for (std::size_t i = 0; i < n; ++i) {
      mean += weights[i] * z[i];
      sum_w += weights[i];
    }
    mean /= sum_w;
    for (std::size_t i = 0; i < n; ++i) tss_ += weights[i] * (z[i] - mean) * (z[i] - mean);

    Matrix a(n, std::vector<T>(m + 1));
    for (std::size_t i = 0; i < n; ++i) {
      const T root = Sqrt(weights[i]);
      const std::vector<T> f = BasisAt(u[i]);
      for (std::size_t j = 0; j < m; ++j) a[i][j] = root * f[j];
      a[i][m] = root * z[i];
    }
    for (std::size_t k = 0; k < m; ++k) {
      T norm = 0;
      for (std::size_t i = k; i < n; ++i) norm += a[i][k] * a[i][k];
      norm = Sqrt(norm);
      const T alpha = a[k][k] > 0 ? -norm : norm;
      std::vector<T> v(n, 0);
      for (std::size_t i = k; i < n; ++i) v[i] = a[i][k];
      v[k] -= alpha;
      T vv = 0;
      for (std::size_t i = k; i < n; ++i) vv += v[i] * v[i];
      for (std::size_t j = k; j <= m; ++j) {
        T d = 0;
        for (std::size_t i = k; i < n; ++i) d += v[i] * a[i][j];
        for (std::size_t i = k; i < n; ++i) a[i][j] -= 2 * d / vv * v[i];
      }
    }
    for (std::size_t i = m; i < n; ++i) rss_ += a[i][m] * a[i][m];
    rinv_.assign(m, std::vector<T>(m, 0));
    for (std::size_t j = 0; j < m; ++j) {
      rinv_[j][j] = 1 / a[j][j];
      for (std::size_t i = j; i-- > 0;) {
        T sum = 0;
        for (std::size_t k = i + 1; k <= j; ++k) sum += a[i][k] * rinv_[k][j];
        rinv_[i][j] = -sum / a[i][i];
      }
    }
    beta_.assign(m, 0);
    for (std::size_t i = m; i-- > 0;) {
      T sum = a[i][m];
      for (std::size_t k = i + 1; k < m; ++k) sum -= a[i][k] * beta_[k];
      beta_[i] = sum / a[i][i];
    }
  }

  // The basis at u: the design's row there.
  std::vector<T> BasisAt(T u) const {
    const T t = (u - centre_) / scale_;
    std::vector<T> f(static_cast<std::size_t>(m_));
    f[0] = 1;
    for (std::size_t k = 1; k < f.size(); ++k) {
      f[k] = basis_ == Basis::kPowers || k == 1 ? f[k - 1] * t : 2 * t * f[k - 1] - f[k - 2];
    }
    return f;
  }
  T Fitted(T u) const {
    const std::vector<T> f = BasisAt(u);
    T sum = 0;
    for (std::size_t j = 0; j < f.size(); ++j) sum += f[j] * beta_[j];
    return sum;
  }
  // f(u)ᵀ(XᵀX)⁻¹f(u) = ‖R⁻ᵀ f‖², the variance of the fitted value at u over σ².
  T Variance(T u) const {
    const std::vector<T> f = BasisAt(u);
    T total = 0;
    for (std::size_t j = 0; j < f.size(); ++j) {
      T w = 0;
      for (std::size_t i = 0; i <= j; ++i) w += rinv_[i][j] * f[i];
      total += w * w;
    }
    return total;
  }
  // (XᵀX)⁻¹ for the coefficients of u^0..u^order (powers basis): T·R⁻¹R⁻ᵀ·Tᵀ with T[j][k] the
  // coefficient of u^j in t^k.
  Matrix CovarianceInU() const {
    const std::size_t p = static_cast<std::size_t>(m_);
    Matrix t(p, std::vector<T>(p, 0));
    for (std::size_t k = 0; k < p; ++k) {
      // (u − centre)^k / scale^k by repeated multiplication.
      std::vector<T> q(p, 0);
      q[0] = 1;
      for (std::size_t r = 0; r < k; ++r) {
        for (std::size_t j = p; j-- > 0;) q[j] = ((j > 0 ? q[j - 1] : 0) - centre_ * q[j]) / scale_;
      }
      for (std::size_t j = 0; j < p; ++j) t[j][k] = q[j];
    }
    Matrix cov_t(p, std::vector<T>(p, 0));
    for (std::size_t j = 0; j < p; ++j)
      for (std::size_t k = 0; k < p; ++k)
        for (std::size_t r = std::max(j, k); r < p; ++r) cov_t[j][k] += rinv_[j][r] * rinv_[k][r];
    Matrix cov(p, std::vector<T>(p, 0));
    for (std::size_t a = 0; a < p; ++a)
      for (std::size_t b = 0; b < p; ++b)
        for (std::size_t j = 0; j < p; ++j)
          for (std::size_t k = 0; k < p; ++k) cov[a][b] += t[a][j] * cov_t[j][k] * t[b][k];
    return cov;
  }
  T ResidualSum() const { return rss_; }
  // σ̂² = RSS/(n − order − 1).
  T ResidualVariance() const { return rss_ / static_cast<T>(n_ - static_cast<std::size_t>(m_)); }
  // R² = 1 − RSS/TSS.
  T FitQuality() const { return 1 - rss_ / tss_; }

 private:
  int m_;
  std::size_t n_;
  Basis basis_;
  T centre_ = 0, scale_ = 1;
  std::vector<T> beta_;
  Matrix rinv_;  // R⁻¹
  T rss_ = 0, tss_ = 0;
};

// The least-squares polynomial of order p through (x, y) points in extended precision, on
// Chebyshev polynomials over the x range.
inline LeastSquares<long double> PolynomialReference(
    const std::vector<std::pair<double, double>>& points, int p) {
  std::vector<long double> x, y;
  for (const auto& [px, py] : points) x.push_back(px), y.push_back(py);
  return LeastSquares<long double>(x, y, p, Basis::kChebyshev);
}

}  // namespace test_support
