// The statistics of a linear least-squares fit (covariance, leverages, the band, R², F) from the
// fit's own design: the small symmetric eigenproblem by Jacobi's method (Jacobi 1846, "Über ein
// leichtes Verfahren ...", J. reine angew. Math. 30; rotations from numeric_kernels.h) and the
// singular values by one-sided Jacobi (Hestenes 1958, "Inversion of matrices by
// biorthogonalization", J. SIAM 6). The inference follows R's summary.lm.

#include "fit/regression_statistics.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstddef>
#include <limits>
#include <utility>

#include "base/float_check.h"
#include "base/two_halves.h"
#include "fit/kovix_errors.h"
#include "fit/numeric_kernels.h"

// The design's Gram matrix XᵀX is formed from power sums in a basis where it is well
// conditioned: the Chebyshev polynomials of t = (u − middle)/half, t over [−1, 1] (the lines:
// 1 and t = u − centre). Its entries are sums of the basis functions themselves, since
// T_j·T_k = (T_{j+k} + T_{|j−k|})/2, so one pass accumulates 2·order + 1 sums beside the
// residuals. A Jacobi eigen-decomposition of the equilibrated Gram matrix gives the rank and the
// pseudo-inverse; the exact change of basis carries them to the powers of u. Being a Gram matrix,
// it resolves singular values down to about the square root of the extended precision's
// rounding (kResolvable), not to the 1e-14 of the fit's decomposition of the design itself.

namespace {

constexpr int kMaxOrder = 10;
constexpr int kMaxParameters = kMaxOrder + 1;
using Vec = std::array<Ext, kMaxParameters>;
using Mat = std::array<Vec, kMaxParameters>;

// Below this fraction of the largest eigenvalue, an eigenvalue of the equilibrated Gram matrix
// is rounding: its sums carry a few hundred times 2^-64 relative error at the most, and so do the
// eigenvalues (2^-52 ≈ 2.2e-16, singular values 2^-26 ≈ 1.5e-8 of the largest). The fit's own
// cut-off, 1e-14 on the singular values, lies far below it.
constexpr Ext kResolvable = 0x1p-52L;
// Points per block, and blocks per group of the summation (see Accumulate).
constexpr int kBlock = 256;

[[noreturn]] void Refuse(const char* message) {
  throw EKovixMath2Error(message);
}

// Sums over the points, each in extended precision.
struct Sums {
  std::array<Ext, 2 * kMaxOrder + 1> power{};  // Σ T_k(t), or Σ t^k for the lines
  Ext rss = 0;                                 // Σ (z − ẑ)²
  // Σ (z − z0), Σ (z − z0)², z0 that of the first point: the spread of z without the
  // cancellation of Σ z² − (Σ z)²/n where z lies far from 0.
  Ext dz = 0, dzz = 0;

  void Add(const Sums& other) {
    for (std::size_t k = 0; k < power.size(); ++k) power[k] += other.power[k];
    rss += other.rss;
    dz += other.dz;
    dzz += other.dzz;
  }
};

struct Pass {
  Sums sums;
  double lo = 0, hi = 0;  // the range of x
  double probe = 0;       // NaN when a coordinate is not finite
};

// The weight of every point where the points carry none: terms are added as they are, without
// the product by 1 (which would leave them as they are, at a cost).
struct UnitWeight {};
inline Ext Weighted(const UnitWeight&, int, Ext term) {
  return term;
}
template <class W>
Ext Weighted(const W& w, int i, Ext term) {
  return w(i) * term;
}

// The power sums of the block's t (t(i) its i-th point's, w(i) its weight) into power[1..]:
// Σ w·t, Σ w·t² for the lines, Σ w·T_1..w·T_top for the Chebyshev basis. With top known when
// compiled, the sums stay in the extended unit's registers instead of memory; the operations and
// their order are the same for every top.
template <int kTop, class T, class W>
void ChebyshevSums(int count, const T& t, const W& w, Sums& block) {
  std::array<Ext, kTop + 1> sum{};
  // T_{k+1} = 2t·T_k − T_{k−1}, two points at a time: each recurrence is a chain of dependent
  // operations, and two chains keep the floating-point unit busy.
  int i = 0;
  for (; i + 1 < count; i += 2) {
    const Ext ta = t(i), tb = t(i + 1);
    const Ext a2 = 2 * ta, b2 = 2 * tb;
    Ext a0 = 1, a1 = ta, b0 = 1, b1 = tb;
    sum[1] += Weighted(w, i, a1) + Weighted(w, i + 1, b1);
    for (int k = 2; k <= kTop; ++k) {
      const Ext an = a2 * a1 - a0, bn = b2 * b1 - b0;
      a0 = a1;
      a1 = an;
      b0 = b1;
      b1 = bn;
      sum[static_cast<std::size_t>(k)] += Weighted(w, i, an) + Weighted(w, i + 1, bn);
    }
  }
  for (; i < count; ++i) {
    const Ext ta = t(i);
    const Ext a2 = 2 * ta;
    Ext a0 = 1, a1 = ta;
    sum[1] += Weighted(w, i, a1);
    for (int k = 2; k <= kTop; ++k) {
      const Ext an = a2 * a1 - a0;
      a0 = a1;
      a1 = an;
      sum[static_cast<std::size_t>(k)] += Weighted(w, i, an);
    }
  }
  for (int k = 1; k <= kTop; ++k)
    block.power[static_cast<std::size_t>(k)] = sum[static_cast<std::size_t>(k)];
}

template <class T, class W>
void PowerSums(int count, const T& t, const W& w, bool chebyshev, int top, Sums& block) {
  if (!chebyshev) {
    Ext s1 = 0, s2 = 0;
    for (int i = 0; i < count; ++i) {
      const Ext ti = t(i);
      s1 += Weighted(w, i, ti);
      s2 += Weighted(w, i, ti * ti);
    }
    block.power[1] = s1;
    block.power[2] = s2;
    return;
  }
  // The instance of top: 2, 4, …, 2·kMaxOrder.
  [&]<std::size_t... K>(std::index_sequence<K...>) {
    ((top == 2 * static_cast<int>(K + 1) &&
      (ChebyshevSums<2 * (K + 1)>(count, t, w, block), true)) ||
     ...);
  }
  (std::make_index_sequence<kMaxOrder>());
}

// The sums of one block of points, `count` ≤ kBlock from `xs`, `ys` (and `dys` where weighted).
template <bool kWeighted>
Sums BlockSums(const RegressionInput& in, const double* xs, const double* ys, const double* dys,
               int count, Ext z0, Ext centre, Ext scale, bool chebyshev, Pass& pass) {
  // The calls come first, so that no extended value has to live across them; then short loops
  // whose few sums stay in the eight registers of the extended unit.
  std::array<Ext, kBlock> fitted, t;
  [[maybe_unused]] std::array<Ext, kBlock> weight;
  for (int i = 0; i < count; ++i) fitted[i] = in.fitted(xs[i]);
  if constexpr (kWeighted)
    for (int i = 0; i < count; ++i) weight[i] = UncertaintyWeight(in.z, ys[i], dys[i]);
  Sums block;
  Ext rss = 0, dz = 0, dzz = 0, sum_w = 0;
  double probe = 0, lo = pass.lo, hi = pass.hi;
  for (int i = 0; i < count; ++i) {
    const double x = xs[i], y = ys[i];
    probe += (x - x) + (y - y);
    lo = std::min(lo, x);
    hi = std::max(hi, x);
    const Ext z = InCoordinate(in.z, y);
    const Ext r = z - fitted[i];
    const Ext d = z - z0;
    if constexpr (kWeighted) {
      const Ext w = weight[i];
      rss += w * r * r;
      dz += w * d;
      dzz += w * d * d;
      sum_w += w;
    } else {
      rss += r * r;
      dz += d;
      dzz += d * d;
    }
  }
  block.rss = rss;
  block.dz = dz;
  block.dzz = dzz;
  pass.probe += probe;
  pass.lo = lo;
  pass.hi = hi;
  block.power[0] = kWeighted ? sum_w : Ext(count);
  const int top = 2 * in.order;
  const auto sums = [&](const auto& at) {
    if constexpr (kWeighted)
      PowerSums(
          count, at, [&weight](int i) { return weight[static_cast<std::size_t>(i)]; }, chebyshev,
          top, block);
    else
      PowerSums(count, at, UnitWeight{}, chebyshev, top, block);
  };
  if (in.u == Coordinate::Same) {
    // t from x as it is needed: storing and loading an extended value costs more than forming it.
    sums([xs, centre, scale](int i) { return (Ext(xs[i]) - centre) * scale; });
  } else {
    for (int i = 0; i < count; ++i) t[i] = (InCoordinate(in.u, xs[i]) - centre) * scale;
    sums([&t](int i) { return t[static_cast<std::size_t>(i)]; });
  }
  return block;
}

// The smallest and largest x as std::minmax_element finds them, four at a time: four chains of
// comparisons instead of one. NaNs fall where they may; the pass refuses them.
std::pair<double, double> RangeOf(std::span<const double> x) {
  std::array<double, 4> lo, hi;
  lo.fill(x[0]);
  hi.fill(x[0]);
  std::size_t i = 0;
  for (; i + 4 <= x.size(); i += 4)
    for (std::size_t k = 0; k < 4; ++k) {
      lo[k] = x[i + k] < lo[k] ? x[i + k] : lo[k];
      hi[k] = hi[k] < x[i + k] ? x[i + k] : hi[k];
    }
  for (; i < x.size(); ++i) {
    lo[0] = x[i] < lo[0] ? x[i] : lo[0];
    hi[0] = hi[0] < x[i] ? x[i] : hi[0];
  }
  const double low = std::min({lo[0], lo[1], lo[2], lo[3]});
  const double high = std::max({hi[0], hi[1], hi[2], hi[3]});
  // Zeros of both signs compare equal: which one is taken, as minmax_element takes it (the first
  // smallest, the last largest), is left to it.
  if (low == 0 || high == 0) {
    const auto [first, last] = std::minmax_element(x.begin(), x.end());
    return {*first, *last};
  }
  return {low, high};
}

// The one pass over the points: residuals, the spread of z and the power sums of t. Blocks are
// summed in groups of kBlock and the groups into the totals, so that a sum's rounding grows
// with the block size and the number of groups rather than with n: the power sums decide the
// rank, and at 10^6 points summed one by one their rounding reaches kResolvable. From two groups
// on, a second thread forms the later half of the groups; the totals add the groups in order, so
// the sums are the same to the last bit whichever thread formed a group.
Pass Accumulate(const RegressionInput& in, Ext centre, Ext half, bool chebyshev) {
  constexpr std::size_t kGroup = static_cast<std::size_t>(kBlock) * kBlock;
  const std::size_t n = in.x.size();
  // A product rounds as the quotient would, and costs a fraction of it.
  const Ext scale = 1 / half;
  const Ext z0 = InCoordinate(in.z, in.y[0]);
  const std::size_t groups = (n + kGroup - 1) / kGroup;
  std::vector<Sums> group(groups);
  auto run = [&](std::size_t first, std::size_t last, Pass& part) {
    part.lo = part.hi = in.x[first * kGroup];
    for (std::size_t g = first; g < last; ++g)
      for (std::size_t start = g * kGroup; start < std::min(n, (g + 1) * kGroup); start += kBlock) {
        const int count = static_cast<int>(std::min<std::size_t>(kBlock, n - start));
        const double* xs = in.x.data() + start;
        const double* ys = in.y.data() + start;
        group[g].Add(in.dy.empty() ? BlockSums<false>(in, xs, ys, nullptr, count, z0, centre, scale,
                                                      chebyshev, part)
                                   : BlockSums<true>(in, xs, ys, in.dy.data() + start, count, z0,
                                                     centre, scale, chebyshev, part));
      }
  };
  Pass pass, later;
  InTwoHalves(groups, [&](std::size_t first, std::size_t last) {
    run(first, last, first == 0 ? pass : later);
  });
  if (groups >= 2) {
    pass.lo = std::min(pass.lo, later.lo);
    pass.hi = std::max(pass.hi, later.hi);
    pass.probe += later.probe;
  }
  for (const Sums& g : group) pass.sums.Add(g);
  return pass;
}

// Cyclic Jacobi on the symmetric a (p × p, destroyed): eigenvalues w, eigenvectors the columns of
// v. Accurate for the small eigenvalues of an equilibrated matrix, and p ≤ 11 costs nothing.
void SymmetricEigen(int p, Mat& a, Vec& w, Mat& v) {
  for (int i = 0; i < p; ++i)
    for (int j = 0; j < p; ++j) v[i][j] = i == j ? 1 : 0;
  for (int sweep = 0; sweep < 100; ++sweep) {
    bool rotated = false;
    for (int r = 0; r < p; ++r) {
      for (int s = r + 1; s < p; ++s) {
        const Ext ars = a[r][s];
        if (ars == 0) continue;
        // An off-diagonal element below the rounding of both diagonal elements is 0.
        const Ext g = 256 * std::fabs(ars);
        if (std::fabs(a[r][r]) + g == std::fabs(a[r][r]) &&
            std::fabs(a[s][s]) + g == std::fabs(a[s][s])) {
          a[r][s] = a[s][r] = 0;
          continue;
        }
        rotated = true;
        const Ext theta = (a[s][s] - a[r][r]) / (2 * ars);
        const Ext tan = (theta >= 0 ? 1 : -1) / (std::fabs(theta) + std::sqrt(theta * theta + 1));
        const Ext cos = 1 / std::sqrt(tan * tan + 1);
        const Ext sin = tan * cos;
        // [cos −sin; sin cos] applied to (x, y) is the kernel's rotation with s = −sin.
        const PlaneRotation<Ext> rotation{cos, -sin};
        for (int k = 0; k < p; ++k) rotation.Apply(a[k][r], a[k][s]);
        for (int k = 0; k < p; ++k) rotation.Apply(a[r][k], a[s][k]);
        a[r][s] = a[s][r] = 0;
        for (int k = 0; k < p; ++k) rotation.Apply(v[k][r], v[k][s]);
      }
    }
    if (!rotated) break;
  }
  for (int i = 0; i < p; ++i) w[i] = a[i][i];
}

// The singular values of f (p × p, destroyed) by one-sided Jacobi: the columns are rotated until
// they are orthogonal, and their norms are the singular values. Column scaling, as the powers of
// u have it, does not disturb it.
Vec SingularValues(int p, Mat f) {
  for (int sweep = 0; sweep < 100; ++sweep) {
    bool rotated = false;
    for (int r = 0; r < p; ++r) {
      for (int s = r + 1; s < p; ++s) {
        Ext alpha = 0, beta = 0, gamma = 0;
        for (int k = 0; k < p; ++k) {
          alpha += f[k][r] * f[k][r];
          beta += f[k][s] * f[k][s];
          gamma += f[k][r] * f[k][s];
        }
        if (gamma == 0 ||
            std::fabs(gamma) <= std::numeric_limits<Ext>::epsilon() * std::sqrt(alpha * beta))
          continue;
        rotated = true;
        const Ext zeta = (beta - alpha) / (2 * gamma);
        const Ext tan = (zeta >= 0 ? 1 : -1) / (std::fabs(zeta) + std::sqrt(zeta * zeta + 1));
        const Ext cos = 1 / std::sqrt(tan * tan + 1);
        const Ext sin = tan * cos;
        // [cos −sin; sin cos] applied to (x, y) is the kernel's rotation with s = −sin.
        const PlaneRotation<Ext> rotation{cos, -sin};
        for (int k = 0; k < p; ++k) rotation.Apply(f[k][r], f[k][s]);
      }
    }
    if (!rotated) break;
  }
  Vec sigma{};
  for (int j = 0; j < p; ++j) {
    Ext sum = 0;
    for (int k = 0; k < p; ++k) sum += f[k][j] * f[k][j];
    sigma[j] = std::sqrt(sum);
  }
  return sigma;
}

// q·t in the basis: Chebyshev t·T_0 = T_1, t·T_k = (T_{k+1} + T_{k−1})/2; monomials shift. The
// callers' q stay below degree p − 1, so nothing falls off the end.
Vec TimesT(int p, const Vec& q, bool chebyshev) {
  Vec r{};
  for (int k = 0; k + 1 < p; ++k) {
    if (!chebyshev || k == 0) {
      r[k + 1] += q[k];
    } else {
      r[k + 1] += q[k] / 2;
      r[k - 1] += q[k] / 2;
    }
  }
  return r;
}

// Column j: the basis coefficients of (alpha + beta·t)^j, the j-th power of a design's
// variable written in t. Multiplying the internal basis by this matrix gives that design.
Mat PowersInBasis(int p, Ext alpha, Ext beta, bool chebyshev) {
  Mat m{};
  Vec q{};
  q[0] = 1;
  for (int j = 0; j < p; ++j) {
    for (int k = 0; k < p; ++k) m[k][j] = q[k];
    if (j + 1 == p) break;
    const Vec tq = TimesT(p, q, chebyshev);
    for (int k = 0; k < p; ++k) q[k] = alpha * q[k] + beta * tq[k];
  }
  return m;
}

// Column k: the coefficients of u^0..u^(p−1) of the k-th basis function of t = (u − centre)/half:
// the change from basis coefficients to those of the powers of u.
Mat BasisInPowers(int p, Ext centre, Ext half, bool chebyshev) {
  auto times_t = [p, centre, half](const Vec& q) {
    Vec r{};
    for (int j = 0; j < p; ++j) r[j] = ((j > 0 ? q[j - 1] : 0) - centre * q[j]) / half;
    return r;
  };
  Mat m{};
  Vec previous{}, current{};
  current[0] = 1;
  for (int k = 0; k < p; ++k) {
    for (int j = 0; j < p; ++j) m[j][k] = current[j];
    Vec next = times_t(current);
    if (k > 0 && chebyshev)
      for (int j = 0; j < p; ++j) next[j] = 2 * next[j] - previous[j];
    previous = current;
    current = next;
  }
  return m;
}

// a·b and a·bᵀ of p × p matrices.
Mat Product(int p, const Mat& a, const Mat& b) {
  Mat c{};
  for (int i = 0; i < p; ++i)
    for (int j = 0; j < p; ++j)
      for (int k = 0; k < p; ++k) c[i][j] += a[i][k] * b[k][j];
  return c;
}

Mat ProductTransposed(int p, const Mat& a, const Mat& b) {
  Mat c{};
  for (int i = 0; i < p; ++i)
    for (int j = 0; j < p; ++j)
      for (int k = 0; k < p; ++k) c[i][j] += a[i][k] * b[j][k];
  return c;
}

// The null space of the design in the powers of u: the dropped eigenvectors of the equilibrated
// Gram matrix, unscaled (D⁻¹·v) and converted, orthonormalised by modified Gram–Schmidt, twice.
std::vector<Vec> NullSpace(int p, const Mat& to_powers, const Mat& vectors, const Vec& scale,
                           const std::array<bool, kMaxParameters>& kept) {
  std::vector<Vec> null;
  for (int i = 0; i < p; ++i) {
    if (kept[i]) continue;
    Vec v{};
    for (int a = 0; a < p; ++a)
      for (int k = 0; k < p; ++k) v[a] += to_powers[a][k] * vectors[k][i] / scale[k];
    for (int again = 0; again < 2; ++again)
      for (const Vec& q : null) {
        Ext dot = 0;
        for (int a = 0; a < p; ++a) dot += q[a] * v[a];
        for (int a = 0; a < p; ++a) v[a] -= dot * q[a];
      }
    Ext norm = 0;
    for (int a = 0; a < p; ++a) norm += v[a] * v[a];
    norm = std::sqrt(norm);
    for (int a = 0; a < p; ++a) v[a] /= norm;
    null.push_back(v);
  }
  return null;
}

}  // namespace

RegressionStatistics LeastSquaresStatistics(const RegressionInput& in) {
  if (in.order < 1 || in.order > kMaxOrder)
    Refuse("LeastSquaresStatistics: order must lie in 1..10");
  if (in.x.size() != in.y.size()) Refuse("LeastSquaresStatistics: x and y differ in length");
  if (!in.dy.empty()) {
    if (in.dy.size() != in.x.size()) Refuse("LeastSquaresStatistics: dy and x differ in length");
    for (const double v : in.dy)
      if (!(v > 0) || !std::isfinite(v))
        Refuse("LeastSquaresStatistics: every dy must be positive and finite");
  }
  if (in.u == Coordinate::Reciprocal) Refuse("LeastSquaresStatistics: u is x or ln x");
  if (!in.fitted) Refuse("LeastSquaresStatistics: no fitted values");
  const int p = in.order + 1;
  if (in.x.size() < static_cast<std::size_t>(p)) {
    Refuse("LeastSquaresStatistics: fewer points than parameters");
  }

  FloatCheck check;
  const bool chebyshev = in.order >= 2;
  Ext centre = 0, half = 1;
  if (in.centre && !chebyshev) {
    centre = *in.centre;
  } else {
    const auto [lo, hi] = RangeOf(in.x);
    const Ext ulo = InCoordinate(in.u, lo), uhi = InCoordinate(in.u, hi);
    centre = (ulo + uhi) / 2;
    half = (uhi - ulo) / 2;
    if (!(half > 0)) half = 1;  // all x equal (or not finite, found below)
  }
  const Pass pass = Accumulate(in, centre, half, chebyshev);
  if (std::isnan(pass.probe)) throw EInvalidOp();
  check.Check();

  RegressionStatistics st;
  st.n = static_cast<int>(in.x.size());
  st.parameters = p;
  st.basis_centre = centre;
  st.basis_half = half;
  st.basis_chebyshev = chebyshev;
  const Ext n = st.n;

  // The Gram matrix in the basis, equilibrated to a unit diagonal.
  Mat gram{};
  for (int j = 0; j < p; ++j)
    for (int k = 0; k < p; ++k)
      gram[j][k] = chebyshev ? (pass.sums.power[j + k] + pass.sums.power[std::abs(j - k)]) / 2
                             : pass.sums.power[j + k];
  Vec scale{};
  for (int j = 0; j < p; ++j) scale[j] = gram[j][j] > 0 ? std::sqrt(gram[j][j]) : 1;
  Mat equilibrated{};
  for (int j = 0; j < p; ++j)
    for (int k = 0; k < p; ++k) equilibrated[j][k] = gram[j][k] / (scale[j] * scale[k]);
  Vec lambda{};
  Mat vectors{};
  SymmetricEigen(p, equilibrated, lambda, vectors);
  const Ext largest = *std::max_element(lambda.begin(), lambda.begin() + p);
  const Ext floor = largest * kResolvable;
  std::array<bool, kMaxParameters> kept{};
  for (int i = 0; i < p; ++i) {
    kept[i] = lambda[i] > floor;
    st.rank += kept[i] ? 1 : 0;
  }

  // (XᵀX)⁺ in the basis: D⁻¹·V·Λ⁺·Vᵀ·D⁻¹.
  Mat inverse{};
  for (int j = 0; j < p; ++j)
    for (int k = 0; k < p; ++k) {
      Ext sum = 0;
      for (int i = 0; i < p; ++i)
        if (kept[i]) sum += vectors[j][i] * vectors[k][i] / lambda[i];
      inverse[j][k] = sum / (scale[j] * scale[k]);
    }
  st.basis_inverse.resize(static_cast<std::size_t>(p * p));
  for (int j = 0; j < p; ++j)
    for (int k = 0; k < p; ++k)
      st.basis_inverse[static_cast<std::size_t>(j * p + k)] = inverse[j][k];

  // To the powers of u: b = T·a, so (XᵀX)⁺ becomes T·H·Tᵀ; where the rank is short, projected
  // onto the complement of the null space, which makes it the Moore–Penrose inverse there.
  const Mat to_powers = BasisInPowers(p, centre, half, chebyshev);
  Mat cov = ProductTransposed(p, Product(p, to_powers, inverse), to_powers);
  if (st.rank < p) {
    const std::vector<Vec> null = NullSpace(p, to_powers, vectors, scale, kept);
    Mat projector{};
    for (int a = 0; a < p; ++a) {
      projector[a][a] = 1;
      for (int b = 0; b < p; ++b)
        for (const Vec& q : null) projector[a][b] -= q[a] * q[b];
    }
    cov = Product(p, Product(p, projector, cov), projector);
    for (const Vec& q : null) {
      // Signed so that the highest power that takes part counts up.
      Ext biggest = 0;
      for (int a = 0; a < p; ++a) biggest = std::max(biggest, std::fabs(q[a]));
      int top = p - 1;
      while (top > 0 && std::fabs(q[top]) <= 1e-12L * biggest) --top;
      const Ext sign = q[top] < 0 ? -1 : 1;
      std::vector<double> direction(static_cast<std::size_t>(p));
      for (int a = 0; a < p; ++a)
        direction[static_cast<std::size_t>(a)] = StoredDouble(sign * q[a]);
      st.undetermined.push_back(std::move(direction));
    }
  }
  st.covariance.resize(static_cast<std::size_t>(p * p));
  for (int a = 0; a < p; ++a)
    for (int b = 0; b < p; ++b)
      st.covariance[static_cast<std::size_t>(a * p + b)] =
          StoredDouble((cov[a][b] + cov[b][a]) / 2);

  // The condition number of the design the fit solved: its singular values are those of R·M,
  // R = Λ^½·Vᵀ·D the square-root factor of the Gram matrix and M the design's powers in the
  // basis.
  st.condition = std::numeric_limits<double>::infinity();
  if (st.rank == p) {
    Ext alpha = centre, beta = half;  // u = centre + half·t
    if (!in.solved_raw) {
      const Ext ulo = InCoordinate(in.u, pass.lo), uhi = InCoordinate(in.u, pass.hi);
      const Ext middle = (ulo + uhi) / 2, width = (uhi - ulo) / 2;
      alpha = (centre - middle) / width;
      beta = half / width;
    }
    Mat root{};
    for (int i = 0; i < p; ++i)
      for (int k = 0; k < p; ++k) root[i][k] = std::sqrt(lambda[i]) * vectors[k][i] * scale[k];
    const Vec sigma = SingularValues(p, Product(p, root, PowersInBasis(p, alpha, beta, chebyshev)));
    const Ext top = *std::max_element(sigma.begin(), sigma.begin() + p);
    const Ext bottom = *std::min_element(sigma.begin(), sigma.begin() + p);
    if (bottom > 0) st.condition = StoredDouble(top / bottom);
  }

  const Ext rss = pass.sums.rss;
  // Around the (weighted) mean: Σw is n without weights.
  const Ext tss =
      std::max<Ext>(pass.sums.dzz - pass.sums.dz * pass.sums.dz / pass.sums.power[0], 0);
  st.rss = StoredDouble(rss);
  st.tss = StoredDouble(tss);
  st.df_residual = st.n - st.rank;
  const Ext df = st.df_residual;
  if (st.df_residual > 0) st.sigma2 = StoredDouble(rss / df);
  if (tss > 0) {
    st.r_squared = StoredDouble(1 - rss / tss);
    if (st.df_residual > 0) st.adj_r_squared = StoredDouble(1 - (rss / df) / (tss / (n - 1)));
    if (st.rank > 1 && st.df_residual > 0 && rss > 0)
      st.f_statistic = StoredDouble(((tss - rss) / (st.rank - 1)) / (rss / df));
  }
  check.Check();
  return st;
}

double RegressionStatistics::VarianceFactor(double u) const {
  double factor = 0;
  VarianceFactors({&u, 1}, {&factor, 1});
  return factor;
}

void RegressionStatistics::VarianceFactors(std::span<const double> u,
                                           std::span<double> factors) const {
  if (parameters < 1 || basis_inverse.size() != static_cast<std::size_t>(parameters * parameters))
    Refuse("VarianceFactor: no statistics");
  // One clearing and one test of the flags for the whole run: they cost more than the sum.
  FloatCheck check;
  const int p = parameters;
  for (std::size_t i = 0; i < u.size(); ++i) {
    const Ext t = (u[i] - basis_centre) / basis_half;
    // Only g[0..p) is read: left unset beyond, which at 10^6 points is most of the time.
    Vec g;
    g[0] = 1;
    if (p > 1) g[1] = t;
    for (int k = 2; k < p; ++k) g[k] = basis_chebyshev ? 2 * t * g[k - 1] - g[k - 2] : t * g[k - 1];
    Ext v = 0;
    for (int j = 0; j < p; ++j) {
      Ext row = 0;
      for (int k = 0; k < p; ++k) row += basis_inverse[static_cast<std::size_t>(j * p + k)] * g[k];
      v += g[j] * row;
    }
    // A flag raised on the way names the error, as it would for a single u.
    if (!std::isfinite(v)) check.Check();
    factors[i] = StoredDouble(std::max<Ext>(v, 0));
  }
  check.Check();
}
