#include "fit/penalized_cubic_spline.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <cstddef>
#include <span>
#include <vector>

#include "fit/float_check.h"
#include "fit/huge_pages.h"
#include "fit/kovix_errors.h"

namespace {
using Ext = long double;

// The Newton iteration ends by itself for finite data: while it goes on, f2 rises strictly and
// stays below S, which finitely many floating-point values allow (in practice fewer than 70
// steps, the most when the factor is near 1 and p doubles per step). A NaN breaks that: every
// stopping test is then false. Ordered comparisons with a NaN raise the invalid-operation flag,
// which the check after each step turns into an error, but a comparison compiled as a quiet one
// would not; the bound ends the iteration in that case too.
constexpr int kMaxNewtonSteps = 1000;

// Relative distance from S within which a residual sum counts as on target.
constexpr Ext kResidualTolerance = 1e-10L;
// Only an S below this share of the line's residual has its root at a p worth searching for;
// closer to the line the root moves out towards infinity and the Newton result stands.
constexpr Ext kReachable = 1 - 1e-9L;
// R(p) = p²·e(p) with e falling, so R'(p) <= 2·R/p: across a bracket narrower than this share
// of p the exact residual sum changes by less than the tolerance.
constexpr Ext kBracketResolution = kResidualTolerance / 2;
// On many points the computed R(p) is not monotone: the banded system's condition grows like
// p·n³. A residual sum outside the two of a bracket narrower than this share of p shows that
// rounding, not p, decides the residual from there on, so narrowing further gains nothing. (Where
// rounding is smaller than R's change across such a bracket, no such sum occurs.) On a wider
// bracket it is the solve failing at large p, and the search goes on.
constexpr Ext kNoiseWidth = 1e-2L;
constexpr int kMaxWidenings = 64;
// The sweep's search ends within this share of S; its residual sums are good to about 1e-13 of
// S even at 10^6 random knots, so the smoothest spline within 1e-8 of S is reached.
constexpr Ext kSweepTolerance = 1e-12L;
// Newton converges in about five steps from the seed, three from the last result; the bound
// only ends a search that rounding keeps from the tolerance.
constexpr int kMaxSweepSteps = 100;
// The largest step of log p, a factor of 10^6.
constexpr Ext kMaxSweepStep = 13.8L;
constexpr int kMaxMendSteps = 200;

// The work arrays, each addressed n1 − 1..n2 + 1 and zero at the start. Those after kV hold the
// solutions at the two ends of the root finder's bracket.
enum WorkArray { kR, kR1, kR2, kT, kT1, kU, kV, kLoU, kLoV, kHiU, kHiV, kWorkArrays };

class Work {
 public:
  Work(std::vector<double>& cells, WorkArray which, int n1, int n2)
      : cells_(cells.data() + static_cast<std::size_t>(which) * Size(n1, n2)), base_(n1 - 1) {}
  static std::size_t Size(int n1, int n2) { return static_cast<std::size_t>(n2 - n1 + 3); }
  double& operator[](int i) const { return cells_[i - base_]; }

 private:
  double* cells_;
  int base_;
};

double Store(Ext value) {
  return static_cast<double>(value);
}

Ext Square(Ext value) {
  return value * value;
}

// Interval widths must be positive before they are divided by.
Ext CheckedWidth(Ext h) {
  if (h == 0) throw EKovixMath2Error("PenalizedCubicSpline: two or more x-values are identical");
  if (h < 0) throw EKovixMath2Error("PenalizedCubicSpline: x-values must be increasing");
  return h;
}


// The same spline reached through its values g and slopes s at the knots. On an interval of
// width h the cubic's ∫ g''² is ‖P·(z₊ − F·z)‖² with z = (g, s), F = [1 h; 0 1] and P the
// inverse Cholesky factor of [h³/3 h²/2; h²/2 h]; with the weighted residuals the spline at p
// minimises one least-squares sum in 2n unknowns whose matrix is block bidiagonal. Givens
// rotations reduce it knot by knot (a square-root information sweep, the natural end conditions
// coming from leaving both ends free) and back-substitution gives z. A rotation keeps each row's
// relative accuracy whatever its scale, so knots a hair apart, whose rows are huge, do not
// spoil the others, and the residuals come out as y − g instead of as divided differences of
// second derivatives over tiny intervals. In double: its rounding stays below the 1e-8 that the
// residual sum must meet, at less than half the time of the extended type.
class ValueSlopeSweep {
 public:
  ValueSlopeSweep(int n1, int n2, std::span<const double> x, std::span<const double> y,
                  std::span<const double> dy, std::vector<double>& rows)
      : n1_(n1), n2_(n2), x_(x), y_(y), dy_(dy), rows_(rows) {
    ResizeOnHugePages(rows_, kRowCells * static_cast<std::size_t>(n2 - n1));
  }

  // The spline at p > 0: values into g and slopes into s (both addressed n1..n2); returns the
  // weighted residual sum Σ ((y − g)/dy)² of the stored values. Keeps the triangular factor.
  Ext Solve(Ext p, std::span<double> g, std::span<double> s);
  // dR/dp at the p of the last Solve, whose values g holds: with M the normal matrix, R'(p) =
  // 2·‖M^(−1/2)·ρ‖²/p for ρ the residuals divided by dy², one pass through the factor.
  Ext Slope(Ext p, std::span<const double> g) const;

 private:
  // Per interval: the two rows of the factor at its first knot, divided by their diagonals,
  // then the reciprocal diagonals.
  static constexpr std::size_t kRowCells = 9;
  const int n1_, n2_;
  std::span<const double> x_, y_, dy_;
  std::vector<double>& rows_;
  // The last knot's triangle.
  double last_r11_ = 0, last_r12_ = 0, last_r22_ = 0;
};

// One Givens rotation of rows u and v (cells From..To) that zeroes v[From] against u[From].
template <int From, int To>
inline void Rotate(double* u, double* v) {
  const double a = u[From];
  const double b = v[From];
  if (b == 0) return;
  const double norm = a * a + b * b;
  // The root and the reciprocal run side by side rather than one after the other.
  const double r = std::sqrt(norm);
  const double inverse = r * (1 / norm);
  const double c = a * inverse;
  const double sn = b * inverse;
  u[From] = r;
  v[From] = 0;
  for (int k = From + 1; k <= To; ++k) {
    const double uk = u[k];
    const double vk = v[k];
    u[k] = c * uk + sn * vk;
    v[k] = c * vk - sn * uk;
  }
}

Ext ValueSlopeSweep::Solve(Ext p, std::span<double> g, std::span<double> s) {
  auto X = [](std::span<const double> v, int i) { return v[static_cast<std::size_t>(i)]; };
  auto at = [](std::span<double> v, int i) -> double& { return v[static_cast<std::size_t>(i)]; };
  // Σ ((y − g)/dy)² + (p/2)·∫ g''², whose minimiser is Reinsch's spline at p.
  const double sigma = Store(std::sqrt(p / 2));
  const double root3 = std::sqrt(3.0);
  // The information on the current knot's z: an upper triangle and its right-hand side.
  double w = 1 / X(dy_, n1_);
  double r11 = w, r12 = 0, r22 = 0, d1 = w * X(y_, n1_), d2 = 0;
  double* out = rows_.data();
  for (int i = n1_; i < n2_; ++i) {
    const double h = X(x_, i + 1) - X(x_, i);
    const double scale = sigma / std::sqrt(h);
    const double stiff = 2 * root3 * scale / h;
    const double half_h = h / 2;
    // Columns: g and s of knot i, g and s of knot i + 1, right-hand side.
    double row1[5] = {r11, r12, 0, 0, d1};
    double row2[5] = {0, r22, 0, 0, d2};
    double row3[5] = {-stiff, -stiff * half_h, stiff, -stiff * half_h, 0};
    double row4[5] = {0, -scale, 0, scale, 0};
    // Row 4 has nothing in the first column, so its rotation with row 2 runs beside that of
    // rows 1 and 3, and leaves nothing in the third column: rows 3 and 4 end triangular.
    Rotate<0, 4>(row1, row3);
    Rotate<1, 4>(row2, row4);
    Rotate<1, 4>(row2, row3);
    const double inverse1 = 1 / row1[0];
    const double inverse2 = 1 / row2[1];
    out[0] = row1[1] * inverse1;
    out[1] = row1[2] * inverse1;
    out[2] = row1[3] * inverse1;
    out[3] = row1[4] * inverse1;
    out[4] = row2[2] * inverse2;
    out[5] = row2[3] * inverse2;
    out[6] = row2[4] * inverse2;
    out[7] = inverse1;
    out[8] = inverse2;
    out += kRowCells;
    // Knot i + 1: what the interval left, and its own residual row.
    w = 1 / X(dy_, i + 1);
    double obs[3] = {w, 0, w * X(y_, i + 1)};
    double top[3] = {row3[2], row3[3], row3[4]};
    double bottom[3] = {0, row4[3], row4[4]};
    Rotate<0, 2>(top, obs);
    Rotate<1, 2>(bottom, obs);
    r11 = top[0];
    r12 = top[1];
    d1 = top[2];
    r22 = bottom[1];
    d2 = bottom[2];
  }
  last_r11_ = r11;
  last_r12_ = r12;
  last_r22_ = r22;
  double s_next = d2 / r22;
  double g_next = (d1 - r12 * s_next) / r11;
  at(s, n2_) = s_next;
  at(g, n2_) = g_next;
  Ext residual = Square((static_cast<Ext>(X(y_, n2_)) - g_next) / X(dy_, n2_));
  for (int i = n2_ - 1; i >= n1_; --i) {
    out -= kRowCells;
    const double si = out[6] - out[4] * g_next - out[5] * s_next;
    const double gi = out[3] - out[0] * si - out[1] * g_next - out[2] * s_next;
    at(s, i) = si;
    at(g, i) = gi;
    s_next = si;
    g_next = gi;
    residual += Square((static_cast<Ext>(X(y_, i)) - gi) / X(dy_, i));
  }
  return residual;
}

Ext ValueSlopeSweep::Slope(Ext p, std::span<const double> g) const {
  auto X = [](std::span<const double> v, int i) { return v[static_cast<std::size_t>(i)]; };
  // Forward substitution with the transposed factor: column g of knot i holds 1 on the
  // diagonal and the previous knot's couplings out[1], out[4]; column s holds out[0], 1 and
  // out[2], out[5].
  Ext sum = 0;
  double tg = 0, ts = 0;
  const double* row = rows_.data();
  const double* prev = nullptr;
  for (int i = n1_; i <= n2_; ++i) {
    const double rho = (X(y_, i) - X(g, i)) / (X(dy_, i) * X(dy_, i));
    double vg = rho;
    double vs = 0;
    if (prev) {
      vg -= prev[1] * tg + prev[4] * ts;
      vs -= prev[2] * tg + prev[5] * ts;
    }
    if (i < n2_) {
      tg = vg;
      ts = vs - row[0] * tg;
      sum += Square(static_cast<Ext>(tg) * row[7]) + Square(static_cast<Ext>(ts) * row[8]);
      prev = row;
      row += kRowCells;
    } else {
      tg = vg;
      ts = vs - (last_r12_ / last_r11_) * tg;
      sum += Square(static_cast<Ext>(tg) / last_r11_) + Square(static_cast<Ext>(ts) / last_r22_);
    }
  }
  return 2 * sum / p;
}

Ext X(std::span<const double> s, int i) {
  return s[static_cast<std::size_t>(i)];
}

// Residual sum of the weighted least-squares line, the limit of R(p) as p grows. Centred and in
// extended precision, whose range holds every product of a few doubles. A zero dy has no
// weight to give; 0 then keeps the Newton result.
Ext LineResidual(int n1, int n2, std::span<const double> x, std::span<const double> y,
                 std::span<const double> dy) {
  Ext sw = 0, swx = 0, swy = 0;
  for (int i = n1; i <= n2; ++i) {
    const Ext s = X(dy, i);
    if (s == 0) return 0;
    const Ext w = 1 / (s * s);
    sw += w;
    swx += w * X(x, i);
    swy += w * X(y, i);
  }
  const Ext mean_x = swx / sw;
  const Ext mean_y = swy / sw;
  Ext sxx = 0, sxy = 0, syy = 0;
  for (int i = n1; i <= n2; ++i) {
    const Ext s = X(dy, i);
    const Ext w = 1 / (s * s);
    const Ext du = X(x, i) - mean_x;
    const Ext dv = X(y, i) - mean_y;
    sxx += w * du * du;
    sxy += w * du * dv;
    syy += w * dv * dv;
  }
  return syy - sxy * sxy / sxx;
}

// The search for the spline whose residual sum is S, with the value-slope sweep.
class SweepSearch {
 public:
  SweepSearch(int n1, int n2, std::span<const double> x, std::span<const double> y,
              std::span<const double> dy, Ext S, std::vector<double>& rows, Ext seed_p)
      : n1_(n1), n2_(n2), x_(x), y_(y), dy_(dy), S_(S), rows_(rows), seed_p_(seed_p) {}

  Ext Run(std::span<double> a, std::span<double> b, std::span<double> c, std::span<double> d);

 private:
  Ext Seed() const;

  const int n1_, n2_;
  std::span<const double> x_, y_, dy_;
  const Ext S_;
  std::vector<double>& rows_;
  const Ext seed_p_;
};

// A first p for the search when no earlier one is at hand: ∫ g''² scales with the cube of the
// x range and the residual sum with the points' weights, so this starts at the same place for
// data that differ only in units, within a few steps of the root for ordinary smoothing.
Ext SweepSearch::Seed() const {
  const Ext range = X(x_, n2_) - X(x_, n1_);
  Ext weight = 0;
  for (int i = n1_; i <= n2_; ++i) weight += 1 / Square(X(dy_, i));
  return range * range * range * weight / 1000;
}

// The spline whose residual sum is S, found with the value-slope sweep; writes its pieces and
// returns its p, or 0 when the sweep gave no finite result (the caller then keeps Reinsch's).
// Newton's method on log R − log S over log p: R ≈ p²·e(0) for small p and R → L for large p,
// so the function rises with a slope falling from 2 to 0 and is close to its tangent over wide
// ranges of p. Each step stays inside the bracket found so far: a step that would leave it
// bisects it (or moves by a factor e towards the unknown side), and no step moves p by more
// than a factor of 10^6.
Ext SweepSearch::Run(std::span<double> a, std::span<double> b, std::span<double> c,
                     std::span<double> d) {
  ValueSlopeSweep sweep(n1_, n2_, x_, y_, dy_, rows_);
  const Ext log_s = std::log(S_);
  // log p below and above the root, once known.
  Ext below = -std::numeric_limits<Ext>::infinity();
  Ext above = std::numeric_limits<Ext>::infinity();
  Ext t = std::log(seed_p_ > 0 ? seed_p_ : Seed());
  Ext best_t = t;
  Ext best_gap = std::numeric_limits<Ext>::infinity();
  Ext last_t = t;
  for (int step = 0; step < kMaxSweepSteps; ++step) {
    const Ext p = std::exp(t);
    const Ext residual = sweep.Solve(p, a, b);
    last_t = t;
    if (!std::isfinite(residual)) return 0;
    const Ext gap = std::fabs(residual - S_);
    if (gap < best_gap) {
      best_t = t;
      best_gap = gap;
    }
    if (gap <= kSweepTolerance * S_) break;
    (residual < S_ ? below : above) = t;
    const Ext log_slope = p * sweep.Slope(p, a) / residual;
    Ext next = t - (std::log(residual) - log_s) / log_slope;
    if (!(next > t - kMaxSweepStep)) next = t - kMaxSweepStep;
    if (!(next < t + kMaxSweepStep)) next = t + kMaxSweepStep;
    if (!(next > below && next < above)) {
      if (std::isinf(below)) {
        next = above - 1;
      } else if (std::isinf(above)) {
        next = below + 1;
      } else {
        next = below + (above - below) / 2;
      }
    }
    if (!(next > below && next < above) || next == t) break;
    t = next;
  }
  if (last_t != best_t) sweep.Solve(std::exp(best_t), a, b);
  auto at = [](std::span<double> v, int i) -> double& { return v[static_cast<std::size_t>(i)]; };
  for (int i = n1_; i < n2_; ++i) {
    const Ext h = X(x_, i + 1) - X(x_, i);
    const Ext slope = (static_cast<Ext>(at(a, i + 1)) - at(a, i)) / h;
    const Ext s0 = at(b, i);
    const Ext s1 = at(b, i + 1);
    at(c, i) = Store((3 * slope - 2 * s0 - s1) / h);
    at(d, i) = Store((s0 + s1 - 2 * slope) / (h * h));
  }
  at(c, n2_) = 0;
  return std::exp(best_t);
}

// One run of the solver over its arrays.
class Reinsch {
 public:
  Reinsch(int n1, int n2, std::span<const double> x, std::span<const double> y,
          std::span<const double> dy, Ext S, std::vector<double>& cells)
      : n1_(n1),
        n2_(n2),
        m1_(n1 + 1),
        m2_(n2 - 1),
        x_(x),
        y_(y),
        dy_(dy),
        S_(S),
        r_(cells, kR, n1, n2),
        r1_(cells, kR1, n1, n2),
        r2_(cells, kR2, n1, n2),
        t_(cells, kT, n1, n2),
        t1_(cells, kT1, n1, n2),
        u_(cells, kU, n1, n2),
        v_(cells, kV, n1, n2),
        lo_u_(cells, kLoU, n1, n2),
        lo_v_(cells, kLoV, n1, n2),
        hi_u_(cells, kHiU, n1, n2),
        hi_v_(cells, kHiV, n1, n2) {}

  // Returns the p of the result (1 after a combination of two solutions).
  Ext Run(std::span<double> a, std::span<double> b, std::span<double> c, std::span<double> d);

 private:
  void SetUp(std::span<double> a, std::span<double> b, std::span<double> c, std::span<double> d);
  Ext Solve(Ext p, std::span<const double> a, std::span<const double> b, std::span<const double> c,
            std::span<const double> d);
  void Keep(const Work& u, const Work& v) const;
  bool OnTarget(Ext residual) const {
    return residual <= S_ && S_ - residual <= kResidualTolerance * S_;
  }
  Ext Mend(Ext p, Ext f2, Ext lo_p, std::span<const double> a, std::span<const double> b,
           std::span<const double> c, std::span<const double> d);
  void Combine(Ext lo_p, Ext hi_p);

  const int n1_, n2_, m1_, m2_;
  std::span<const double> x_, y_, dy_;
  const Ext S_;
  Work r_, r1_, r2_, t_, t1_, u_, v_, lo_u_, lo_v_, hi_u_, hi_v_;
  FloatCheck check_;
};

void Reinsch::SetUp(std::span<double> a, std::span<double> b, std::span<double> c,
                    std::span<double> d) {
  auto at = [](std::span<double> s, int i) -> double& { return s[static_cast<std::size_t>(i)]; };
  Work &r = r_, &r1 = r1_, &r2 = r2_, &t = t_, &t1 = t1_;
  // Second divided differences into a, the tridiagonal T into t and t1, Q into r2, r1, r.
  Ext h = CheckedWidth(X(x_, m1_) - X(x_, n1_));
  Ext f = (X(y_, m1_) - X(y_, n1_)) / h;
  for (int i = m1_; i <= m2_; ++i) {
    const Ext g = h;
    h = CheckedWidth(X(x_, i + 1) - X(x_, i));
    const Ext e = f;
    f = (X(y_, i + 1) - X(y_, i)) / h;
    at(a, i) = Store(f - e);
    t[i] = Store(2 * (g + h) / 3);
    t1[i] = Store(h / 3);
    r2[i] = Store(X(dy_, i - 1) / g);
    r[i] = Store(X(dy_, i + 1) / h);
    r1[i] = Store(-X(dy_, i) / g - X(dy_, i) / h);
  }
  // QᵀD²Q into b, c, d.
  for (int i = m1_; i <= m2_; ++i) {
    at(b, i) = Store(static_cast<Ext>(r[i]) * r[i] + static_cast<Ext>(r1[i]) * r1[i] +
                     static_cast<Ext>(r2[i]) * r2[i]);
    at(c, i) = Store(static_cast<Ext>(r[i]) * r1[i + 1] + static_cast<Ext>(r1[i]) * r2[i + 1]);
    at(d, i) = Store(static_cast<Ext>(r[i]) * r2[i + 2]);
  }
  check_.Check();
}

// Solves (QᵀD²Q·p + T)·u = Qᵀy by the banded Cholesky decomposition and forms v = D²Qu;
// returns e = vᵀD⁻²v, so the residual sum at p is e·p². Leaves the factor in r, r1, r2.

Ext Reinsch::Solve(Ext p, std::span<const double> a, std::span<const double> b,
                   std::span<const double> c, std::span<const double> d) {
  Work &r = r_, &r1 = r1_, &r2 = r2_, &t = t_, &t1 = t1_, &u = u_, &v = v_;
  // r[n1 − 1] and r[n1] stay 0, so the first pass multiplies these only by 0.
  Ext f = 0;
  Ext g = 0;
  Ext h = 0;
  for (int i = m1_; i <= m2_; ++i) {
    r1[i - 1] = Store(f * r[i - 1]);
    r2[i - 2] = Store(g * r[i - 2]);
    r[i] = Store(1 / (p * X(b, i) + t[i] - f * r1[i - 1] - g * r2[i - 2]));
    u[i] = Store(X(a, i) - r1[i - 1] * static_cast<Ext>(u[i - 1]) -
                 r2[i - 2] * static_cast<Ext>(u[i - 2]));
    f = p * X(c, i) + t1[i] - h * r1[i - 1];
    g = h;
    h = X(d, i) * p;
  }
  for (int i = m2_; i >= m1_; --i) {
    u[i] = Store(r[i] * static_cast<Ext>(u[i]) - r1[i] * static_cast<Ext>(u[i + 1]) -
                 r2[i] * static_cast<Ext>(u[i + 2]));
  }
  Ext e = 0;
  h = 0;
  for (int i = n1_; i <= m2_; ++i) {
    g = h;
    h = (static_cast<Ext>(u[i + 1]) - u[i]) / (X(x_, i + 1) - X(x_, i));
    v[i] = Store((h - g) * X(dy_, i) * X(dy_, i));
    e = e + v[i] * (h - g);
  }
  g = -h * X(dy_, n2_) * X(dy_, n2_);
  v[n2_] = Store(g);
  e = e - g * h;
  check_.Check();
  return e;
}

Ext Reinsch::Run(std::span<double> a, std::span<double> b, std::span<double> c,
                 std::span<double> d) {
  auto at = [](std::span<double> s, int i) -> double& { return s[static_cast<std::size_t>(i)]; };
  Work &r = r_, &r1 = r1_, &r2 = r2_, &u = u_, &v = v_;
  SetUp(a, b, c, d);

  // Newton's method on p; p = 0 is the interpolating spline. The last iterate below S is the
  // lower end of the bracket should the result need mending.
  Ext p = 0;
  Ext f2 = -S_;
  Ext below_p = 0;
  for (int step = 1; step <= kMaxNewtonSteps; ++step) {
    const Ext e = Solve(p, a, b, c, d);
    Ext g = f2;
    f2 = e * p * p;
    if (f2 < S_) below_p = p;
    if (f2 >= S_ || f2 <= g) break;

    Ext f = 0;
    Ext h = (static_cast<Ext>(v[m1_]) - v[n1_]) / (X(x_, m1_) - X(x_, n1_));
    for (int i = m1_; i <= m2_; ++i) {
      g = h;
      h = (static_cast<Ext>(v[i + 1]) - v[i]) / (X(x_, i + 1) - X(x_, i));
      g = h - g - r1[i - 1] * static_cast<Ext>(r[i - 1]) - r2[i - 2] * static_cast<Ext>(r[i - 2]);
      f = f + g * r[i] * g;
      r[i] = Store(g);
    }
    h = e - p * f;
    if (h <= 0) break;
    p = p + (S_ - f2) / ((std::sqrt(S_ / e) + p) * h);
    check_.Check();
  }

  if (S_ > 0 && std::fabs(f2 - S_) > kResidualTolerance * S_ && S_ < kReachable * LineResidual(n1_, n2_, x_, y_, dy_)) {
    p = Mend(p, f2, below_p, a, b, c, d);
  }

  for (int i = n1_; i <= n2_; ++i) {
    at(a, i) = Store(X(y_, i) - p * v[i]);
    at(c, i) = u[i];
  }
  for (int i = n1_; i <= m2_; ++i) {
    const Ext h = X(x_, i + 1) - X(x_, i);
    at(d, i) = Store((static_cast<Ext>(at(c, i + 1)) - at(c, i)) / (3 * h));
    at(b, i) =
        Store((static_cast<Ext>(at(a, i + 1)) - at(a, i)) / h - (h * at(d, i) + at(c, i)) * h);
  }
  check_.Check();
  return p;
}


void Reinsch::Keep(const Work& u, const Work& v) const {
  for (int i = n1_; i <= n2_; ++i) {
    u[i] = u_[i];
    v[i] = v_[i];
  }
}

// Carries on where the Newton iteration stopped off target, from p with residual sum f2 and an
// earlier iterate lo_p below S: brackets the root of R(p) = S, then narrows the bracket by
// Illinois (regula falsi) steps on √R − √S, bisecting when it stops halving. Returns the p whose
// solution u, v holds; after Combine that is 1, with v holding the residuals themselves.
Ext Reinsch::Mend(Ext p, Ext f2, Ext lo_p, std::span<const double> a, std::span<const double> b,
                  std::span<const double> c, std::span<const double> d) {
  Ext hi_p = p;
  Ext lo_f2 = 0;
  Ext hi_f2 = f2;
  if (f2 > S_) {
    Keep(hi_u_, hi_v_);
    lo_f2 = Solve(lo_p, a, b, c, d) * lo_p * lo_p;
    Keep(lo_u_, lo_v_);
  } else {
    // Stopped below S: widen p until the residual sum passes S.
    const Ext newton_p = p;
    lo_p = p;
    lo_f2 = f2;
    Keep(lo_u_, lo_v_);
    bool passed = false;
    for (int step = 0; step < kMaxWidenings && lo_p > 0 && !passed; ++step) {
      const Ext q = 4 * lo_p;
      const Ext fq = Solve(q, a, b, c, d) * q * q;
      if (OnTarget(fq)) return q;
      if (fq <= lo_f2) break;
      passed = fq > S_;
      Keep(passed ? hi_u_ : lo_u_, passed ? hi_v_ : lo_v_);
      (passed ? hi_p : lo_p) = q;
      (passed ? hi_f2 : lo_f2) = fq;
    }
    if (!passed) {
      Solve(newton_p, a, b, c, d);
      return newton_p;
    }
  }

  // 1/√R is close to linear in 1/p both for small p (R ≈ p²·e(0)) and for large p (R ≈ L − k/p),
  // so the secant runs on ψ = 1/√R − 1/√S over z = 1/p.
  const Ext inv_root_s = 1 / std::sqrt(S_);
  Ext psi_lo = lo_p > 0 ? 1 / std::sqrt(lo_f2) - inv_root_s : 0;
  Ext psi_hi = 1 / std::sqrt(hi_f2) - inv_root_s;
  int kept_side = 0;
  int slow_steps = 0;
  for (int step = 0; step < kMaxMendSteps && hi_p - lo_p > kBracketResolution * lo_p; ++step) {
    const Ext width = hi_p - lo_p;
    Ext q = 0;
    if (lo_p > 0 && slow_steps < 2) {
      const Ext z_lo = 1 / lo_p;
      const Ext z_hi = 1 / hi_p;
      q = 1 / (z_hi - psi_hi * (z_lo - z_hi) / (psi_lo - psi_hi));
    }
    if (!(q > lo_p && q < hi_p)) {
      q = lo_p > 0 ? std::sqrt(lo_p) * std::sqrt(hi_p) : hi_p / 2;
      slow_steps = 0;
    }
    if (!(q > lo_p && q < hi_p)) break;  // no value of p left between the two
    const Ext fq = Solve(q, a, b, c, d) * q * q;
    if (OnTarget(fq)) return q;
    if ((fq < lo_f2 || fq > hi_f2) && width < kNoiseWidth * lo_p) break;
    const Ext psi = 1 / std::sqrt(fq) - inv_root_s;
    if (fq > S_) {
      Keep(hi_u_, hi_v_);
      hi_p = q;
      hi_f2 = fq;
      psi_hi = psi;
      if (kept_side == 1) psi_lo /= 2;
      kept_side = 1;
    } else {
      Keep(lo_u_, lo_v_);
      lo_p = q;
      lo_f2 = fq;
      psi_lo = psi;
      if (kept_side == -1) psi_hi /= 2;
      kept_side = -1;
    }
    slow_steps = hi_p - lo_p > width / 2 ? slow_steps + 1 : 0;
  }
  Combine(lo_p, hi_p);
  return 1;
}

// The splines at lo_p and hi_p have residual sums on either side of S; so has every
// combination (1 − θ)·lo + θ·hi, which is again a natural cubic spline on the same knots. Picks
// the θ whose residual sum is S, leaving the residuals in v and the combined u.
void Reinsch::Combine(Ext lo_p, Ext hi_p) {
  auto residual = [&](Ext theta, int i) {
    return (1 - theta) * lo_p * lo_v_[i] + theta * hi_p * hi_v_[i];
  };
  Ext aa = 0, bb = 0, cc = 0;
  for (int i = n1_; i <= n2_; ++i) {
    const Ext q = lo_p * lo_v_[i] / X(dy_, i);
    const Ext w = (hi_p * hi_v_[i] - lo_p * lo_v_[i]) / X(dy_, i);
    aa += w * w;
    bb += q * w;
    cc += q * q;
  }
  // aa·θ² + 2·bb·θ + cc = S, the root in (0, 1), in the form that does not cancel.
  Ext theta = (S_ - cc) / (bb + std::sqrt(bb * bb + aa * (S_ - cc)));
  if (!(theta >= 0 && theta <= 1)) theta = 1;
  // The residuals are stored rounded; their sum decides. θ = 0 (the lower spline) is below S
  // and θ = 1 above, so bisection settles any rounding that left the root off the band.
  auto stored_sum = [&](Ext t) {
    Ext sum = 0;
    for (int i = n1_; i <= n2_; ++i) {
      const Ext q = Store(residual(t, i)) / X(dy_, i);
      sum += q * q;
    }
    return sum;
  };
  Ext below = 0;
  Ext above = 1;
  for (int step = 0; step < kMaxMendSteps; ++step) {
    const Ext sum = stored_sum(theta);
    (sum <= S_ ? below : above) = theta;
    if (OnTarget(sum)) break;
    const Ext next = below + (above - below) / 2;
    if (!(next > below && next < above)) break;
    theta = next;
  }
  theta = below;
  for (int i = n1_; i <= n2_; ++i) {
    v_[i] = Store(residual(theta, i));
    u_[i] = Store((1 - theta) * lo_u_[i] + theta * hi_u_[i]);
  }
  check_.Check();
}

}  // namespace

void PenalizedCubicSpline(int n1, int n2, std::span<const double> x, std::span<const double> y,
                          std::span<const double> dy, double S, std::span<double> a,
                          std::span<double> b, std::span<double> c, std::span<double> d) {
  PenalizedSplineWork work;
  PenalizedCubicSpline(n1, n2, x, y, dy, S, a, b, c, d, work);
}

void PenalizedCubicSpline(int n1, int n2, std::span<const double> x, std::span<const double> y,
                          std::span<const double> dy, double S, std::span<double> a,
                          std::span<double> b, std::span<double> c, std::span<double> d,
                          PenalizedSplineWork& work) {
  if (n1 >= n2) throw EKovixMath2Error("PenalizedCubicSpline: n1 must not be greater than n2");
  const std::size_t needed = static_cast<std::size_t>(n2) + 1;
  if (n1 < 0 || x.size() < needed || y.size() < needed || dy.size() < needed || a.size() < needed ||
      b.size() < needed || c.size() < needed || d.size() < needed) {
    throw EKovixMath2Error("PenalizedCubicSpline: arrays must hold indices n1..n2");
  }
  // The sweep wherever it applies: positive weights and 0 < S < L. Reinsch's iteration serves
  // the rest (S = 0, the interpolating spline; S ≥ L, the line), and data at the edge of the
  // double range, where the sweep's rows overflow and the text's arithmetic decides.
  if (S > 0 && std::all_of(dy.begin() + n1, dy.begin() + n2 + 1,
                           [](double w) { return w > 0 && std::isfinite(w); })) {
    for (int i = n1; i < n2; ++i) CheckedWidth(X(x, i + 1) - X(x, i));
    FloatCheck check;
    if (S < LineResidual(n1, n2, x, y, dy)) {
      const Ext found = SweepSearch(n1, n2, x, y, dy, S, work.rows, work.last_p).Run(a, b, c, d);
      try {
        check.Check();
        if (found > 0) {
          work.last_p = static_cast<double>(found);
          return;
        }
      } catch (const EMathError&) {
        // Knots 1e-30 apart among values of 1e150, say: the rows overflow.
      }
    }
    ClearFloatFlags();
  }
  work.cells.assign(kWorkArrays * Work::Size(n1, n2), 0.0);
  work.last_p = static_cast<double>(Reinsch(n1, n2, x, y, dy, S, work.cells).Run(a, b, c, d));
}
