#include "fit/spline_statistics.h"

#include <boost/math/distributions/normal.hpp>
#include <cmath>
#include <cstddef>
#include <span>
#include <utility>
#include <vector>

#include "fit/float_check.h"
#include "fit/kovix_errors.h"

namespace {

using Ext = long double;

// The symmetric pentadiagonal matrix B = QᵀD²Q + T/p of the interior knots, its factorisation
// B = L·diag(e)·Lᵀ (L unit lower triangular with two subdiagonals) and the central band of B⁻¹.
struct Band {
  explicit Band(std::size_t m) : b0(m), b1(m), b2(m), l1(m), l2(m), e(m), s0(m), s1(m), s2(m) {}
  // B[j][j], B[j][j+1], B[j][j+2].
  std::vector<Ext> b0, b1, b2;
  // L[j][j−1], L[j][j−2].
  std::vector<Ext> l1, l2;
  std::vector<Ext> e;
  // B⁻¹[j][j], B⁻¹[j][j+1], B⁻¹[j][j+2].
  std::vector<Ext> s0, s1, s2;
};

}  // namespace

SplineStatistics SmoothingSplineStatistics(std::span<const double> x, std::span<const double> y,
                                           std::span<const double> dy, double p) {
  const std::size_t n = x.size();
  if (n < 3) throw EKovixMath2Error("SmoothingSplineStatistics: at least three knots are needed");
  if (y.size() != n || dy.size() != n) {
    throw EKovixMath2Error("SmoothingSplineStatistics: x, y and dy must have the same length");
  }
  if (!(p > 0 && std::isfinite(p))) {
    throw EKovixMath2Error("SmoothingSplineStatistics: p must be positive and finite");
  }
  for (std::size_t i = 0; i < n; ++i) {
    if (!(dy[i] > 0 && std::isfinite(dy[i]))) {
      throw EKovixMath2Error("SmoothingSplineStatistics: every dy must be positive and finite");
    }
    if (i + 1 < n && !(x[i + 1] > x[i])) {
      throw EKovixMath2Error("SmoothingSplineStatistics: x-values must be increasing");
    }
  }

  FloatCheck check;
  const std::size_t m = n - 2;
  auto h = [&](std::size_t i) { return static_cast<Ext>(x[i + 1]) - x[i]; };
  auto w2 = [&](std::size_t i) { return static_cast<Ext>(dy[i]) * dy[i]; };
  // Column j of Q belongs to the interior knot k = j + 1: 1/h(k−1) at row k − 1,
  // −1/h(k−1) − 1/h(k) at row k, 1/h(k) at row k + 1.
  auto q_lo = [&](std::size_t j) { return 1 / h(j); };
  auto q_mid = [&](std::size_t j) { return -1 / h(j) - 1 / h(j + 1); };
  auto q_hi = [&](std::size_t j) { return 1 / h(j + 1); };

  Band band(m);
  const Ext inv_p = 1 / static_cast<Ext>(p);
  for (std::size_t j = 0; j < m; ++j) {
    const std::size_t k = j + 1;
    band.b0[j] = q_lo(j) * q_lo(j) * w2(k - 1) + q_mid(j) * q_mid(j) * w2(k) +
                 q_hi(j) * q_hi(j) * w2(k + 1) + inv_p * 2 * (h(k - 1) + h(k)) / 3;
    if (j + 1 < m) {
      band.b1[j] =
          q_mid(j) * q_lo(j + 1) * w2(k) + q_hi(j) * q_mid(j + 1) * w2(k + 1) + inv_p * h(k) / 3;
    }
    if (j + 2 < m) band.b2[j] = q_hi(j) * q_lo(j + 2) * w2(k + 1);
  }

  // B = L·diag(e)·Lᵀ, row by row.
  for (std::size_t j = 0; j < m; ++j) {
    Ext l2 = 0, l1 = 0;
    if (j >= 2) l2 = band.b2[j - 2] / band.e[j - 2];
    if (j >= 1) {
      l1 = band.b1[j - 1];
      if (j >= 2) l1 -= l2 * band.e[j - 2] * band.l1[j - 1];
      l1 /= band.e[j - 1];
    }
    band.l1[j] = l1;
    band.l2[j] = l2;
    Ext e = band.b0[j];
    if (j >= 1) e -= l1 * l1 * band.e[j - 1];
    if (j >= 2) e -= l2 * l2 * band.e[j - 2];
    band.e[j] = e;
  }

  // u = B⁻¹·Qᵀy by the factorisation, then ĝ = y − D²Q·u.
  std::vector<Ext> u(m);
  for (std::size_t j = 0; j < m; ++j) {
    Ext v = q_lo(j) * y[j] + q_mid(j) * y[j + 1] + q_hi(j) * y[j + 2];
    if (j >= 1) v -= band.l1[j] * u[j - 1];
    if (j >= 2) v -= band.l2[j] * u[j - 2];
    u[j] = v;
  }
  for (std::size_t j = m; j-- > 0;) {
    Ext v = u[j] / band.e[j];
    if (j + 1 < m) v -= band.l1[j + 1] * u[j + 1];
    if (j + 2 < m) v -= band.l2[j + 2] * u[j + 2];
    u[j] = v;
  }

  // Hutchinson and de Hoog: Lᵀ·B⁻¹ = diag(e)⁻¹·L⁻¹ is lower triangular with diagonal 1/e, so on
  // and above the diagonal B⁻¹[j][i] = δ_ij/e_j − L[j+1][j]·B⁻¹[j+1][i] − L[j+2][j]·B⁻¹[j+2][i],
  // which from the last row up needs only the band already found.
  for (std::size_t j = m; j-- > 0;) {
    const Ext a1 = j + 1 < m ? band.l1[j + 1] : 0;
    const Ext a2 = j + 2 < m ? band.l2[j + 2] : 0;
    const Ext s11 = j + 1 < m ? band.s0[j + 1] : 0;  // B⁻¹[j+1][j+1]
    const Ext s12 = j + 1 < m ? band.s1[j + 1] : 0;  // B⁻¹[j+1][j+2]
    const Ext s22 = j + 2 < m ? band.s0[j + 2] : 0;  // B⁻¹[j+2][j+2]
    band.s2[j] = -a1 * s12 - a2 * s22;
    band.s1[j] = -a1 * s11 - a2 * s12;
    band.s0[j] = 1 / band.e[j] - a1 * band.s1[j] - a2 * band.s2[j];
  }
  // Row i of Q has its entries in the columns of the knots i − 1, i, i + 1 that are interior.
  auto inverse = [&](std::size_t a, std::size_t b) -> Ext {
    if (a > b) std::swap(a, b);
    switch (b - a) {
      case 0:
        return band.s0[a];
      case 1:
        return band.s1[a];
      default:
        return band.s2[a];
    }
  };

  SplineStatistics s;
  s.p = p;
  s.fitted.resize(n);
  s.leverage.resize(n);
  Ext trace = 0, rss = 0;
  for (std::size_t i = 0; i < n; ++i) {
    // The columns touching row i and their entries in it.
    std::size_t col[3];
    Ext q[3];
    int count = 0;
    if (i >= 2) {  // knot i − 1, column i − 2
      col[count] = i - 2;
      q[count++] = q_hi(i - 2);
    }
    if (i >= 1 && i + 1 < n) {  // knot i, column i − 1
      col[count] = i - 1;
      q[count++] = q_mid(i - 1);
    }
    if (i + 2 < n) {  // knot i + 1, column i
      col[count] = i;
      q[count++] = q_lo(i);
    }
    Ext quad = 0, qu = 0;
    for (int a = 0; a < count; ++a) {
      qu += q[a] * u[col[a]];
      for (int b = 0; b < count; ++b) quad += q[a] * q[b] * inverse(col[a], col[b]);
    }
    const Ext leverage = 1 - w2(i) * quad;
    const Ext fitted = y[i] - w2(i) * qu;
    const Ext r = (y[i] - fitted) / dy[i];
    s.leverage[i] = StoredDouble(leverage);
    s.fitted[i] = StoredDouble(fitted);
    trace += leverage;
    rss += r * r;
  }
  const Ext spare = static_cast<Ext>(n) - trace;
  s.trace = StoredDouble(trace);
  s.residual_sum = StoredDouble(rss);
  s.sigma2 = StoredDouble(rss / spare);
  s.gcv = StoredDouble(static_cast<Ext>(n) * rss / (spare * spare));
  check.Check();
  return s;
}

std::vector<double> BandHalfWidths(const SplineStatistics& stats, double level) {
  if (!(level > 0 && level < 1)) {
    throw EKovixMath2Error("BandHalfWidths: the level must lie between 0 and 1");
  }
  FloatCheck check;
  const Ext z = boost::math::quantile(boost::math::normal_distribution<double>(), (1 + level) / 2);
  std::vector<double> half(stats.leverage.size());
  for (std::size_t i = 0; i < half.size(); ++i) {
    half[i] = StoredDouble(z * std::sqrt(static_cast<Ext>(stats.sigma2) * stats.leverage[i]));
  }
  check.Check();
  return half;
}
