// The smoothing spline's smoother statistics and Bayesian band: leverages, trace and posterior
// covariance blocks by the recursion of Hutchinson and de Hoog (1985, "Smoothing noisy data with
// spline functions", Numer. Math. 47) along a Givens sweep in extended precision (or the paired
// sweep's, paired_sweep_statistics.h); GCV (Craven and Wahba 1979, "Smoothing noisy data with
// spline functions", Numer. Math. 31); the band of Wahba (1983, "Bayesian confidence intervals
// for the cross-validated smoothing spline", J. R. Statist. Soc. B 45).

#include "fit/spline_statistics.h"

#include <algorithm>
#include <boost/math/distributions/normal.hpp>
#include <cmath>
#include <cstddef>
#include <span>
#include <vector>

#include "base/float_check.h"
#include "base/huge_pages.h"
#include "fit/kovix_errors.h"
#include "fit/numeric_kernels.h"
#include "fit/paired_sweep_statistics.h"

namespace {

// Zeroes row[col] against top[col] by a Givens rotation of the two rows over columns col..last.
// A rotation keeps each row's relative accuracy whatever its scale. The entries are products of
// a few doubles, whose squares the extended range holds: no scaled hypot is needed.
void Rotate(Ext* top, Ext* row, int col, int last) {
  const Ext b = row[col];
  if (b == 0) return;
  const auto rotation = PlaneRotation<Ext>::Zeroing(top[col], b);
  for (int k = col; k <= last; ++k) rotation.Apply(top[k], row[k]);
  row[col] = 0;
}

// One knot's rows of the triangular factor R of the least-squares problem in the values and
// slopes z_i = (g_i, s_i): the upper triangular diagonal block (r00, r01, r11), the block
// coupling z_i to z_{i+1} (row-major) and the right-hand side.
struct FactorRows {
  double r00, r01, r11;
  double c00, c01, c10, c11;
  double rhs0, rhs1;
};

// The inverse of the upper triangular block.
struct Inverse2 {
  Ext k00, k01, k11;
};

Inverse2 InverseOf(const FactorRows& f) {
  const Ext k00 = 1 / static_cast<Ext>(f.r00);
  const Ext k11 = 1 / static_cast<Ext>(f.r11);
  return {k00, -f.r01 * k00 * k11, k11};
}

void Validate(std::span<const double> x, std::span<const double> y, std::span<const double> dy,
              double p) {
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
}

// The statistics' arrays sized for n knots, each advised for huge pages before it is touched:
// at 10^6 knots they are 80 MB.
SplineStatistics Sized(std::span<const double> x, double p) {
  const std::size_t n = x.size();
  SplineStatistics s;
  s.p = p;
  ResizeOnHugePages(s.fitted, n);
  ResizeOnHugePages(s.leverage, n);
  ResizeOnHugePages(s.covariance, n);
  ResizeOnHugePages(s.knots, n);
  std::copy(x.begin(), x.end(), s.knots.begin());
  return s;
}

void Finish(SplineStatistics& s, Ext trace, Ext rss) {
  const Ext n = static_cast<Ext>(s.fitted.size());
  const Ext spare = n - trace;
  s.trace = StoredDouble(trace);
  s.residual_sum = StoredDouble(rss);
  s.sigma2 = StoredDouble(rss / spare);
  s.gcv = StoredDouble(n * rss / (spare * spare));
}

// The rotation sweep in extended precision: fills s's arrays, returns tr A and the residual sum.
void ByRotations(std::span<const double> x, std::span<const double> y, std::span<const double> dy,
                 double p, SplineStatistics& s, Ext& trace_out, Ext& rss_out) {
  const std::size_t n = x.size();
  // The sweep: Givens rotations knot by knot from the left. Five rows over the columns g_i, s_i,
  // g_{i+1}, s_{i+1} and the right-hand side: the information carried to z_i (two rows), the
  // data row of knot i and the interval's two penalty rows. The first two rows come out as
  // knot i's rows of R, the next two carry on to z_{i+1}.
  std::vector<FactorRows> factor(n);
  const Ext half_p = static_cast<Ext>(p) / 2;
  Ext carried[2][5] = {};
  for (std::size_t i = 0; i < n; ++i) {
    const Ext root_w = 1 / static_cast<Ext>(dy[i]);
    Ext rows[5][5] = {{carried[0][0], carried[0][1], 0, 0, carried[0][4]},
                      {0, carried[1][1], 0, 0, carried[1][4]},
                      {root_w, 0, 0, 0, root_w * y[i]}};
    const bool last = i + 1 == n;
    if (!last) {
      const Ext h = static_cast<Ext>(x[i + 1]) - x[i];
      const Ext a = std::sqrt(half_p * 12 / (h * h * h));
      const Ext b = std::sqrt(half_p / h);
      const Ext row3[5] = {-a, -a * h / 2, a, -a * h / 2, 0};
      const Ext row4[5] = {0, -b, 0, b, 0};
      std::copy(row3, row3 + 5, rows[3]);
      std::copy(row4, row4 + 5, rows[4]);
    }
    const int count = last ? 3 : 5;
    for (int col = 0; col < (last ? 2 : 4); ++col) {
      for (int r = col + 1; r < count; ++r) Rotate(rows[col], rows[r], col, 4);
    }
    // Unchecked: an entry beyond the double range raises the overflow flag, checked at the end.
    FactorRows& f = factor[i];
    f.r00 = UncheckedDouble(rows[0][0]);
    f.r01 = UncheckedDouble(rows[0][1]);
    f.r11 = UncheckedDouble(rows[1][1]);
    f.c00 = UncheckedDouble(rows[0][2]);
    f.c01 = UncheckedDouble(rows[0][3]);
    f.c10 = UncheckedDouble(rows[1][2]);
    f.c11 = UncheckedDouble(rows[1][3]);
    f.rhs0 = UncheckedDouble(rows[0][4]);
    f.rhs1 = UncheckedDouble(rows[1][4]);
    if (!last) {
      carried[0][0] = rows[2][2];
      carried[0][1] = rows[2][3];
      carried[0][4] = rows[2][4];
      carried[1][1] = rows[3][3];
      carried[1][4] = rows[3][4];
    }
  }

  // From the right: back-substitution for the values and slopes, and the covariance of z_i,
  // the 2 × 2 diagonal block of M⁻¹ = R⁻¹·R⁻ᵀ (M the normal matrix), by the recursion of
  // Hutchinson and de Hoog for the band of the inverse: with K = R_ii⁻¹ and G = −K·C_i (C_i the
  // coupling block), Σ_i = K·Kᵀ + G·Σ_{i+1}·Gᵀ, a sum of two positive semidefinite terms that
  // cancels nothing. Then A = W^(1/2)·E·M⁻¹·Eᵀ·W^(1/2) (E picking the values), so the leverage
  // of knot i is w_i·Σ_i[g][g].
  Ext z0 = 0, z1 = 0;             // z_{i+1}
  Ext v00 = 0, v01 = 0, v11 = 0;  // Σ_{i+1}
  Ext trace = 0, rss = 0;
  for (std::size_t i = n; i-- > 0;) {
    const FactorRows& f = factor[i];
    const Inverse2 k = InverseOf(f);
    Ext t0 = f.rhs0, t1 = f.rhs1;
    Ext w00 = k.k00 * k.k00 + k.k01 * k.k01, w01 = k.k01 * k.k11, w11 = k.k11 * k.k11;
    KnotCovariance& c = s.covariance[i];
    c = KnotCovariance{};
    if (i + 1 < n) {
      t0 -= f.c00 * z0 + f.c01 * z1;
      t1 -= f.c10 * z0 + f.c11 * z1;
      // G = −K·C.
      const Ext g00 = -(k.k00 * f.c00 + k.k01 * f.c10);
      const Ext g01 = -(k.k00 * f.c01 + k.k01 * f.c11);
      const Ext g10 = -(k.k11 * f.c10);
      const Ext g11 = -(k.k11 * f.c11);
      // G·Σ_{i+1}.
      const Ext h00 = g00 * v00 + g01 * v01, h01 = g00 * v01 + g01 * v11;
      const Ext h10 = g10 * v00 + g11 * v01, h11 = g10 * v01 + g11 * v11;
      w00 += h00 * g00 + h01 * g01;
      w01 += h00 * g10 + h01 * g11;
      w11 += h10 * g10 + h11 * g11;
      // Cov(z_i, z_{i+1}) = G·Σ_{i+1}.
      c.next_gg = UncheckedDouble(h00);
      c.next_gs = UncheckedDouble(h01);
      c.next_sg = UncheckedDouble(h10);
      c.next_ss = UncheckedDouble(h11);
    }
    z1 = k.k11 * t1;
    z0 = k.k00 * t0 + k.k01 * t1;
    v00 = w00;
    v01 = w01;
    v11 = w11;
    c.gg = UncheckedDouble(w00);
    c.gs = UncheckedDouble(w01);
    c.ss = UncheckedDouble(w11);
    const Ext w = 1 / (static_cast<Ext>(dy[i]) * dy[i]);
    const Ext leverage = w * v00;
    const Ext r = (y[i] - z0) / dy[i];
    s.leverage[i] = UncheckedDouble(leverage);
    s.fitted[i] = UncheckedDouble(z0);
    trace += leverage;
    rss += r * r;
  }
  trace_out = trace;
  rss_out = rss;
}

}  // namespace

SplineStatistics SmoothingSplineStatistics(std::span<const double> x, std::span<const double> y,
                                           std::span<const double> dy, double p,
                                           std::vector<double>& scratch) {
  Validate(x, y, dy, p);
  SplineStatistics s = Sized(x, p);
  Ext trace = 0, rss = 0;
  // The sweep in double where it fits; the rotations in extended precision where it does not.
  // The first leaves the flags clear, whatever it met.
  const bool swept =
      PairedSweepStatistics(x, y, dy, p, s.fitted, s.leverage, s.covariance, trace, rss, scratch);
  FloatCheck check;
  if (!swept) ByRotations(x, y, dy, p, s, trace, rss);
  Finish(s, trace, rss);
  check.Check();
  return s;
}

SplineStatistics SmoothingSplineStatistics(std::span<const double> x, std::span<const double> y,
                                           std::span<const double> dy, double p) {
  std::vector<double> scratch;
  return SmoothingSplineStatistics(x, y, dy, p, scratch);
}

SplineStatistics SmoothingSplineStatisticsByRotations(std::span<const double> x,
                                                      std::span<const double> y,
                                                      std::span<const double> dy, double p) {
  Validate(x, y, dy, p);
  SplineStatistics s = Sized(x, p);
  FloatCheck check;
  Ext trace = 0, rss = 0;
  ByRotations(x, y, dy, p, s, trace, rss);
  Finish(s, trace, rss);
  check.Check();
  return s;
}

double BandVarianceFactor(const SplineStatistics& stats, std::span<const double> knots, double x) {
  if (std::isnan(x)) throw EInvalidOp();
  const std::size_t n = knots.size();
  if (n < 2 || stats.covariance.size() != n) {
    throw EKovixMath2Error("BandVarianceFactor: the statistics have no covariance for these knots");
  }
  if (x < knots.front() || x > knots.back()) {
    throw EKovixMath2Error("BandVarianceFactor: x lies outside the knots");
  }
  // The last knot not above x.
  const std::size_t i =
      static_cast<std::size_t>(std::upper_bound(knots.begin(), knots.end(), x) - knots.begin()) - 1;
  const KnotCovariance& a = stats.covariance[i];
  if (x == knots[i]) return a.gg;
  const KnotCovariance& b = stats.covariance[i + 1];
  FloatCheck check;
  const Ext h = static_cast<Ext>(knots[i + 1]) - knots[i];
  const Ext t = (x - static_cast<Ext>(knots[i])) / h;
  const Ext u = 1 - t;
  // The Hermite basis at t: the factors of g_i, s_i, g_{i+1} and s_{i+1}.
  const Ext v0 = (1 + 2 * t) * u * u;
  const Ext v1 = h * t * u * u;
  const Ext v2 = t * t * (3 - 2 * t);
  const Ext v3 = -h * t * t * u;
  const Ext left = v0 * (v0 * a.gg + 2 * v1 * a.gs) + v1 * v1 * a.ss;
  const Ext right = v2 * (v2 * b.gg + 2 * v3 * b.gs) + v3 * v3 * b.ss;
  const Ext across =
      2 * (v0 * (v2 * a.next_gg + v3 * a.next_gs) + v1 * (v2 * a.next_sg + v3 * a.next_ss));
  // The bridge: Var of g(x) given the ends' values and slopes under the prior, σ²·(2/p)·s³(h −
  // s)³/(3h³) at s = t·h from the left end.
  const Ext stu = h * t * u;
  const Ext bridge = 2 / static_cast<Ext>(stats.p) * stu * stu * stu / 3;
  const double result = StoredDouble(left + right + across + bridge);
  check.Check();
  return result;
}

double BandVarianceFactor(const SplineStatistics& stats, double x) {
  return BandVarianceFactor(stats, stats.knots, x);
}

double BandQuantile(double level) {
  if (!(level > 0 && level < 1)) {
    throw EKovixMath2Error("BandQuantile: the level must lie between 0 and 1");
  }
  return boost::math::quantile(boost::math::normal_distribution<double>(), (1 + level) / 2);
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
