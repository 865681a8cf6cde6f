#include "fit/value_slope_sweep.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <limits>
#include <span>
#include <vector>

#include "fit/float_check.h"
#include "fit/huge_pages.h"
#include "fit/penalized_cubic_spline.h"

// The spline at p minimises Σ ((y − g)/dy)² + (p/2)·∫ g''² over the values g and slopes s at the
// knots. On an interval of width h the cubic's ∫ g''² is
//   (12/h³)·(g₊ − g − (h/2)·(s + s₊))² + (1/h)·(s₊ − s)²,
// so with the weighted residuals the whole is one least-squares sum in 2n unknowns whose matrix
// is block bidiagonal. Orthogonal rotations reduce it knot by knot (a square-root information
// sweep, the natural end conditions coming from leaving both ends free) and back-substitution
// gives the knots' values and slopes. A rotation keeps each row's relative accuracy whatever its
// scale, so knots a hair apart, whose rows are huge, do not spoil the others, and the residuals
// come out as y − g instead of as divided differences of second derivatives over tiny intervals.
// Halley's method on log R over log p then finds the p whose residual sum is S.
namespace {

using Ext = long double;

Ext Square(Ext value) {
  return value * value;
}

double At(std::span<const double> v, int i) {
  return v[static_cast<std::size_t>(i)];
}

double& At(std::span<double> v, int i) {
  return v[static_cast<std::size_t>(i)];
}

// The search ends within this share of S. The sweeps' residual sums are good to about 1e-13 of
// S at 10^5 random knots and 1e-12 at 10^6 (where a search ends at the closest sum it found),
// so the smoothest spline within 1e-8 of S is reached.
constexpr Ext kSweepTolerance = 1e-12L;
// Below this share of S a residual sum is left as it is; above it, and within reach of one
// first-order step of the values and slopes (below), the result is moved onto S by that step.
constexpr Ext kExactTolerance = 1e-14L;
// The largest step of log p taken by moving the values and slopes along their derivative
// rather than by another sweep. The step's error is about half its square times the second
// derivative by log p, a few times the residuals: 1e-7 leaves it near 1e-14 of the residuals,
// below the sweep's own rounding.
constexpr Ext kMaxMovedStep = 1e-7L;
// A few steps from the seed, one or two from a predicted p; the bound only ends a search that
// rounding keeps from the tolerance.
constexpr int kMaxSweepSteps = 100;
// The largest step of log p, a factor of 10^6.
constexpr Ext kMaxSweepStep = 13.8L;

// log R over log p at one p, with its first two derivatives (the second may be unknown).
struct LogResidual {
  Ext value = 0;
  Ext slope = 0;
  Ext curvature = 0;
};

// The step of log p towards log R = target from a point with these derivatives: Halley's where
// the curvature is known and its correction moderate, Newton's otherwise.
Ext StepTowards(const LogResidual& at, Ext target) {
  const Ext gap = at.value - target;
  Ext step = -gap / at.slope;
  const Ext correction = gap * at.curvature / (2 * at.slope * at.slope);
  if (std::fabs(correction) < 0.5L) step = -gap / (at.slope * (1 - correction));
  return step;
}

// The piece of the spline across an interval of width h from its values and slopes at both ends:
// c and d of c·t² + d·t³. In double: the cubic's terms stay below the change of the value across
// the piece, whose rounding they share.
inline void Piece(double h, double g0, double s0, double g1, double s1, double& c, double& d) {
  const double slope = (g1 - g0) / h;
  c = (3 * slope - 2 * s0 - s1) / h;
  d = (s0 + s1 - 2 * slope) / (h * h);
}

// The pieces of the spline from its values (in a) and slopes (in b) at the knots.
void Pieces(int n1, int n2, std::span<const double> x, std::span<const double> a,
            std::span<const double> b, std::span<double> c, std::span<double> d) {
  for (int i = n1; i < n2; ++i) {
    Piece(At(x, i + 1) - At(x, i), At(a, i), At(b, i), At(a, i + 1), At(b, i + 1), At(c, i),
          At(d, i));
  }
  At(c, n2) = 0;
}

// The first sweep: Givens rotations with square roots, one knot after another from the left.
// Its rows keep their scale's square root, so it serves wherever the squared weights of the
// paired sweep below would leave the double range (knots 1e-120 apart among knots of unit
// spacing, say).
class RotationSweep {
 public:
  static constexpr bool kHasCurvature = false;

  RotationSweep(int n1, int n2, std::span<const double> x, std::span<const double> y,
                std::span<const double> dy, std::vector<double>& rows)
      : n1_(n1), n2_(n2), x_(x), y_(y), dy_(dy), rows_(rows) {
    ResizeOnHugePages(rows_, kRowCells * static_cast<std::size_t>(n2 - n1));
  }

  // The spline at p > 0: values into g and slopes into s (both addressed n1..n2); returns the
  // weighted residual sum Σ ((y − g)/dy)² of the stored values. Keeps the triangular factor.
  Ext Solve(Ext p, std::span<double> g, std::span<double> s);
  // log R and its slope over log p at the p of the last Solve, whose values g holds and whose
  // residual sum is residual: with M the normal matrix, R'(p) = 2·‖M^(−1/2)·ρ‖²/p for ρ the
  // residuals divided by dy², one pass through the factor.
  LogResidual Derivatives(std::span<const double> g, Ext residual) const;
  void Pieces(std::span<const double> g, std::span<const double> s, std::span<double> c,
              std::span<double> d) const {
    ::Pieces(n1_, n2_, x_, g, s, c, d);
  }

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

Ext RotationSweep::Solve(Ext p, std::span<double> g, std::span<double> s) {
  const double sigma = static_cast<double>(std::sqrt(p / 2));
  const double root3 = std::sqrt(3.0);
  // The information on the current knot's z: an upper triangle and its right-hand side.
  double w = 1 / At(dy_, n1_);
  double r11 = w, r12 = 0, r22 = 0, d1 = w * At(y_, n1_), d2 = 0;
  double* out = rows_.data();
  for (int i = n1_; i < n2_; ++i) {
    const double h = At(x_, i + 1) - At(x_, i);
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
    w = 1 / At(dy_, i + 1);
    double obs[3] = {w, 0, w * At(y_, i + 1)};
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
  At(s, n2_) = s_next;
  At(g, n2_) = g_next;
  Ext residual = Square((static_cast<Ext>(At(y_, n2_)) - g_next) / At(dy_, n2_));
  for (int i = n2_ - 1; i >= n1_; --i) {
    out -= kRowCells;
    const double si = out[6] - out[4] * g_next - out[5] * s_next;
    const double gi = out[3] - out[0] * si - out[1] * g_next - out[2] * s_next;
    At(s, i) = si;
    At(g, i) = gi;
    s_next = si;
    g_next = gi;
    residual += Square((static_cast<Ext>(At(y_, i)) - gi) / At(dy_, i));
  }
  return residual;
}

LogResidual RotationSweep::Derivatives(std::span<const double> g, Ext residual) const {
  // Forward substitution with the transposed factor: column g of knot i holds 1 on the
  // diagonal and the previous knot's couplings out[1], out[4]; column s holds out[0], 1 and
  // out[2], out[5].
  Ext sum = 0;
  double tg = 0, ts = 0;
  const double* row = rows_.data();
  const double* prev = nullptr;
  for (int i = n1_; i <= n2_; ++i) {
    const double rho = (At(y_, i) - At(g, i)) / (At(dy_, i) * At(dy_, i));
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
  // p·R'(p)/R(p)
  return {std::log(residual), 2 * sum / residual, 0};
}

// The paired sweep: the same least-squares problem reduced by Gentleman's rotations without
// square roots, each row held as a weight times a row whose pivot is 1; a rotation costs one
// division, no root. The reduction runs from both ends at once, the left half's knots in one
// lane of a pair of doubles and the right half's, mirrored (slopes negated), in the other, so the
// two chains of dependent divisions overlap; they meet at a middle knot, whose value and slope
// the two halves' information fixes, and back-substitution runs outward from there. Both the
// rotations and the order of elimination change only the rounding, which is of the order of the
// first sweep's. The weights are squares of the first sweep's row scales, so the double range
// holds fewer data: SweepFits says which.
typedef double Pair __attribute__((vector_size(16), may_alias));

// The information on one knot's value and slope from one side: g + u·s = bg with weight wg,
// s = bs with weight ws.
struct KnotInformation {
  Pair wg, u, bg, ws, bs;
};

// The stored rows of one elimination step, each lane's: the value row g + a0·s + a1·g₊ + a2·s₊ =
// a3 and the slope row s + b1·g₊ + b2·s₊ = b3 of the knot eliminated, with their weights'
// reciprocals.
enum PairedCell { kA0, kA1, kA2, kA3, kB1, kB2, kB3, kInverseWg, kInverseWs, kPairedCells };

// Eliminates the knot whose information is k across an interval of width h towards the next
// knot, whose residual row (value y_next, weight w_next; 0 for none) is then added. sigma2 = p/2.
inline void Eliminate(KnotInformation& k, Pair sigma2, Pair h, Pair y_next, Pair w_next,
                      Pair* out) {
  const Pair inverse_h = 1 / h;
  // The interval's rows, signed so that their pivots are 1:
  //   g + (h/2)·s − g₊ + (h/2)·s₊ with weight σ²·12/h³ and s − s₊ with weight σ²/h.
  const Pair w4 = sigma2 * inverse_h;
  const Pair w3 = 12 * w4 * inverse_h * inverse_h;
  const Pair half = h * 0.5;
  // The value row against the first interval row.
  const Pair wg1 = k.wg + w3;
  const Pair i1 = 1 / wg1;
  const Pair c1 = k.wg * i1;
  const Pair s1 = w3 * i1;
  const Pair w3b = w3 * c1;
  const Pair q = half - k.u;  // what the interval row keeps at s: h/2 − u
  // The slope row against the second interval row (its pivot s, nothing at g₊).
  const Pair ws1 = k.ws + w4;
  const Pair i2 = 1 / ws1;
  const Pair c2 = k.ws * i2;
  const Pair s2 = w4 * i2;
  const Pair w4b = w4 * c2;
  // The slope row against what the first interval row kept at s.
  const Pair ws2 = ws1 + w3b * q * q;
  const Pair i3 = 1 / ws2;
  const Pair c3 = ws1 * i3;
  const Pair s3 = w3b * q * i3;
  const Pair w3c = w3b * c3;
  out[kA0] = c1 * k.u + s1 * half;
  out[kA1] = -s1;
  out[kA2] = s1 * half;
  out[kA3] = c1 * k.bg;
  out[kB1] = -s3;
  out[kB2] = s3 * half - c3 * s2;
  out[kB3] = c3 * c2 * k.bs - s3 * k.bg;
  out[kInverseWg] = i1;
  out[kInverseWs] = i3;
  // What the interval rows leave on the next knot: g₊ + e·s₊ = f (weight w3c), s₊ = bs (w4b).
  const Pair e = -(half + q * s2);
  const Pair f = k.bg + q * c2 * k.bs;
  // The next knot's residual row g₊ = y_next against them.
  k.wg = w3c + w_next;
  const Pair i4 = 1 / k.wg;
  const Pair c4 = w3c * i4;
  const Pair s4 = w_next * i4;
  const Pair w_left = w_next * c4;  // the residual row's weight, now on s₊ with −e
  const Pair y_left = y_next - f;
  k.u = c4 * e;
  k.bg = c4 * f + s4 * y_next;
  k.ws = w4b + w_left * e * e;
  k.bs = (w4b * k.bs - w_left * e * y_left) / k.ws;
}

// kUnitWeights: every dy is 1 (as the store's are), which spares the sweep reading them.
template <bool kUnitWeights>
class PairedSweep {
 public:
  static constexpr bool kHasCurvature = true;

  PairedSweep(int n1, int n2, std::span<const double> x, std::span<const double> y,
              std::span<const double> dy, std::vector<double>& rows, std::vector<double>& slopes)
      : n1_(n1), n2_(n2), x_(x), y_(y), dy_(dy), rows_(rows), slopes_(slopes) {
    const int intervals = n2 - n1;
    // The right chain needs two intervals at least: its last step adds no residual row, which
    // its first step cannot do without (the first knot's slope is still free).
    right_steps_ = intervals >= 4 ? intervals / 2 : 0;
    left_steps_ = intervals - right_steps_;
    middle_ = n1 + left_steps_;
    ResizeOnHugePages(rows_, 2 * kPairedCells * static_cast<std::size_t>(left_steps_));
  }

  Ext Solve(Ext p, std::span<double> g, std::span<double> s);
  // The statistics at p (see SmoothingSplineStatistics): the values into fitted, w·Var g into
  // leverage and the covariance blocks into covariance (all addressed n1..n2); returns tr A and
  // the residual sum. With Uᵀ·D·U the normal matrix, the back-substitution z_i = U_ii⁻¹·(t_i −
  // C_i·z_next) of Solve gives the covariance by Hutchinson and de Hoog's recursion: with K =
  // U_ii⁻¹ and G = −K·C_i, Σ_i = K·D_i⁻¹·Kᵀ + G·Σ_next·Gᵀ and Cov(z_i, z_next) = G·Σ_next, lane
  // by lane outward from the middle knot, whose Σ is the inverse of its information.
  void Statistics(Ext p, double* fitted, double* leverage, KnotCovariance* covariance, Ext& trace,
                  Ext& residual);
  // log R with its slope and curvature over log p at the p of the last Solve (values in g,
  // residual sum residual). With M the normal matrix, ρ the residuals divided by dy², q =
  // M⁻¹·ρ (on the values) and φ = ρ·q: p·R'/R = 2φ/R and p²·R'' = 2·(3·Σ (q_g/dy)² − 2φ). q is
  // −p times the derivative of the spline's values and slopes by p; it is left in slopes_.
  LogResidual Derivatives(std::span<const double> g, Ext residual);
  // Moves the values g and slopes s of the last Derivatives by a step of log p to first order,
  // z − step·q, writes their pieces into c and d and returns their residual sum.
  Ext Move(Ext step, std::span<double> g, std::span<double> s, std::span<double> c,
           std::span<double> d) const;
  void Pieces(std::span<const double> g, std::span<const double> s, std::span<double> c,
              std::span<double> d) const {
    ::Pieces(n1_, n2_, x_, g, s, c, d);
  }

 private:
  // The knot a lane's step k reaches: leftwards in the right lane.
  int LeftKnot(int k) const { return n1_ + k; }
  int RightKnot(int k) const { return n2_ - k; }
  Pair* Rows(int k) { return reinterpret_cast<Pair*>(rows_.data()) + kPairedCells * k; }
  double Dy(int i) const { return kUnitWeights ? 1.0 : At(dy_, i); }
  double Weight(int i) const { return 1 / (Dy(i) * Dy(i)); }

  const int n1_, n2_;
  std::span<const double> x_, y_, dy_;
  std::vector<double>& rows_;
  std::vector<double>& slopes_;
  int left_steps_ = 0, right_steps_ = 0, middle_ = 0;
  // The middle knot's two rows after both halves met: g + u·s and s, with their weights, and
  // its value and slope.
  double middle_u_ = 0, middle_wg_ = 0, middle_ws_ = 0;
  double middle_g_ = 0, middle_s_ = 0;

  // The elimination of Solve: the rows into rows_, the middle knot's rows, value and slope into
  // the middle_ members.
  void Reduce(Ext p);
};

template <bool kUnitWeights>
void PairedSweep<kUnitWeights>::Reduce(Ext p) {
  const Pair sigma2 = Pair{1, 1} * static_cast<double>(p / 2);
  // Each chain starts from its end knot's residual row alone; the slope there is free.
  const double w_left = Weight(n1_), w_right = Weight(n2_);
  KnotInformation k{Pair{w_left, right_steps_ > 0 ? w_right : w_left}, Pair{0, 0},
                    Pair{At(y_, n1_), right_steps_ > 0 ? At(y_, n2_) : At(y_, n1_)}, Pair{0, 0},
                    Pair{0, 0}};
  int step = 0;
  // Both lanes, the right one adding the residual rows of the knots it reaches.
  for (; step < right_steps_ - 1; ++step) {
    const int l = LeftKnot(step), r = RightKnot(step);
    Eliminate(k, sigma2, Pair{At(x_, l + 1) - At(x_, l), At(x_, r) - At(x_, r - 1)},
              Pair{At(y_, l + 1), At(y_, r - 1)}, Pair{Weight(l + 1), Weight(r - 1)}, Rows(step));
  }
  // The right lane reaches the middle knot, whose residual row the left lane adds.
  if (right_steps_ > 0) {
    const int l = LeftKnot(step), r = RightKnot(step);
    Eliminate(k, sigma2, Pair{At(x_, l + 1) - At(x_, l), At(x_, r) - At(x_, r - 1)},
              Pair{At(y_, l + 1), 0}, Pair{Weight(l + 1), 0}, Rows(step));
    ++step;
  }
  // The left lane alone; the right one repeats its steps and is not read.
  KnotInformation right = k;
  for (; step < left_steps_; ++step) {
    const int l = LeftKnot(step);
    const double h = At(x_, l + 1) - At(x_, l);
    const double y_next = At(y_, l + 1), w_next = Weight(l + 1);
    Eliminate(k, sigma2, Pair{h, h}, Pair{y_next, y_next}, Pair{w_next, w_next}, Rows(step));
  }

  // The middle knot: the right half's rows, turned to the left's slope (s = −s'), rotated into
  // the left half's.
  double wg = k.wg[0], u = k.u[0], bg = k.bg[0], ws = k.ws[0], bs = k.bs[0];
  if (right_steps_ > 0) {
    const double rwg = right.wg[1], ru = -right.u[1], rbg = right.bg[1];
    const double rws = right.ws[1], rbs = -right.bs[1];
    const double wg2 = wg + rwg;
    const double c = wg / wg2, sn = rwg / wg2;
    const double left_s = ru - u, left_b = rbg - bg, left_w = rwg * c;
    u = c * u + sn * ru;
    bg = c * bg + sn * rbg;
    wg = wg2;
    const double ws2 = ws + left_w * left_s * left_s;
    bs = (ws * bs + left_w * left_s * left_b) / ws2;
    const double ws3 = ws2 + rws;
    bs = (ws2 * bs + rws * rbs) / ws3;
    ws = ws3;
  }
  middle_u_ = u;
  middle_wg_ = wg;
  middle_ws_ = ws;
  middle_s_ = bs;
  middle_g_ = bg - u * bs;
}

template <bool kUnitWeights>
Ext PairedSweep<kUnitWeights>::Solve(Ext p, std::span<double> g, std::span<double> s) {
  Reduce(p);
  const double s_middle = middle_s_;
  const double g_middle = middle_g_;
  At(g, middle_) = g_middle;
  At(s, middle_) = s_middle;

  // Back-substitution outward from the middle, with the residual sum, compensated per lane.
  Pair sum{0, 0}, carry{0, 0};
  auto add = [&sum, &carry](Pair term) {
    const Pair y = term - carry;
    const Pair t = sum + y;
    carry = (t - sum) - y;
    sum = t;
  };
  const double r_middle = (At(y_, middle_) - g_middle) / Dy(middle_);
  add(Pair{r_middle * r_middle, 0});
  Pair g_next{g_middle, g_middle}, s_next{s_middle, -s_middle};
  int step = left_steps_ - 1;
  for (; step >= right_steps_; --step) {
    const Pair* row = Rows(step);
    const Pair si = row[kB3] - row[kB1] * g_next - row[kB2] * s_next;
    const Pair gi = row[kA3] - row[kA0] * si - row[kA1] * g_next - row[kA2] * s_next;
    const int l = LeftKnot(step);
    At(g, l) = gi[0];
    At(s, l) = si[0];
    const double r = (At(y_, l) - gi[0]) / Dy(l);
    add(Pair{r * r, 0});
    g_next = gi;
    s_next = si;
  }
  g_next[1] = g_middle;
  s_next[1] = -s_middle;
  for (; step >= 0; --step) {
    const Pair* row = Rows(step);
    const Pair si = row[kB3] - row[kB1] * g_next - row[kB2] * s_next;
    const Pair gi = row[kA3] - row[kA0] * si - row[kA1] * g_next - row[kA2] * s_next;
    const int l = LeftKnot(step), r = RightKnot(step);
    At(g, l) = gi[0];
    At(s, l) = si[0];
    At(g, r) = gi[1];
    At(s, r) = -si[1];
    const Pair residual = (Pair{At(y_, l), At(y_, r)} - gi) / Pair{Dy(l), Dy(r)};
    add(residual * residual);
    g_next = gi;
    s_next = si;
  }
  return (static_cast<Ext>(sum[0]) - carry[0]) + (static_cast<Ext>(sum[1]) - carry[1]);
}

template <bool kUnitWeights>
void PairedSweep<kUnitWeights>::Statistics(Ext p, double* fitted, double* leverage,
                                           KnotCovariance* covariance, Ext& trace,
                                           Ext& residual) {
  Reduce(p);
  // The middle knot: its rows g + u·s (weight wg) and s (weight ws) have K = [[1, −u], [0, 1]].
  const double inverse_ws = 1 / middle_ws_;
  const double m00 = 1 / middle_wg_ + middle_u_ * middle_u_ * inverse_ws;
  const double m01 = -middle_u_ * inverse_ws;
  const double m11 = inverse_ws;
  // Each lane's Σ_next in its own orientation: the right lane's slopes are mirrored.
  Pair g_next{middle_g_, middle_g_}, s_next{middle_s_, -middle_s_};
  Pair v00{m00, m00}, v01{m01, -m01}, v11{m11, m11};
  // tr A and the residual sum, compensated per lane.
  Pair sums[2] = {{0, 0}, {0, 0}}, carries[2] = {{0, 0}, {0, 0}};
  auto add = [&sums, &carries](int which, Pair term) {
    const Pair y = term - carries[which];
    const Pair t = sums[which] + y;
    carries[which] = (t - sums[which]) - y;
    sums[which] = t;
  };
  {
    const double leverage_middle = Weight(middle_) * m00;
    const double r = (At(y_, middle_) - middle_g_) / Dy(middle_);
    fitted[middle_] = middle_g_;
    leverage[middle_] = leverage_middle;
    covariance[middle_] = {m00, m01, m11, 0, 0, 0, 0};
    add(0, Pair{leverage_middle, 0});
    add(1, Pair{r * r, 0});
  }
  covariance[n2_].next_gg = covariance[n2_].next_gs = 0;
  covariance[n2_].next_sg = covariance[n2_].next_ss = 0;
  for (int step = left_steps_ - 1; step >= 0; --step) {
    const bool both = step < right_steps_;
    if (step == right_steps_ - 1) {
      g_next[1] = middle_g_;
      s_next[1] = -middle_s_;
      v00[1] = m00;
      v01[1] = -m01;
      v11[1] = m11;
    }
    const Pair* row = Rows(step);
    const Pair a0 = row[kA0], a1 = row[kA1], a2 = row[kA2], b1 = row[kB1], b2 = row[kB2];
    const Pair si = row[kB3] - b1 * g_next - b2 * s_next;
    const Pair gi = row[kA3] - a0 * si - a1 * g_next - a2 * s_next;
    // G = −K·C with C = [[a1, a2], [b1, b2]].
    const Pair g00 = a0 * b1 - a1, g01 = a0 * b2 - a2, g10 = -b1, g11 = -b2;
    // H = G·Σ_next = Cov(z_i, z_next).
    const Pair h00 = g00 * v00 + g01 * v01, h01 = g00 * v01 + g01 * v11;
    const Pair h10 = g10 * v00 + g11 * v01, h11 = g10 * v01 + g11 * v11;
    // K·D⁻¹·Kᵀ + H·Gᵀ.
    const Pair iws = row[kInverseWs];
    const Pair a0_iws = a0 * iws;
    v00 = row[kInverseWg] + a0 * a0_iws + (h00 * g00 + h01 * g01);
    v01 = (h00 * g10 + h01 * g11) - a0_iws;
    v11 = iws + (h10 * g10 + h11 * g11);
    g_next = gi;
    s_next = si;

    const int l = LeftKnot(step), r = both ? RightKnot(step) : l;
    const Pair w{Weight(l), Weight(r)};
    const Pair lev = w * v00;
    const Pair res = (Pair{At(y_, l), At(y_, r)} - gi) / Pair{Dy(l), Dy(r)};
    Pair lev_term = lev, res_term = res * res;
    fitted[l] = gi[0];
    leverage[l] = lev[0];
    KnotCovariance& left = covariance[l];
    left.gg = v00[0];
    left.gs = v01[0];
    left.ss = v11[0];
    left.next_gg = h00[0];
    left.next_gs = h01[0];
    left.next_sg = h10[0];
    left.next_ss = h11[0];
    if (both) {
      // Back to the right lane's slopes: J·Σ·J and the transpose of J·H·J, J = diag(1, −1).
      fitted[r] = gi[1];
      leverage[r] = lev[1];
      KnotCovariance& right = covariance[r];
      right.gg = v00[1];
      right.gs = -v01[1];
      right.ss = v11[1];
      KnotCovariance& before = covariance[r - 1];
      before.next_gg = h00[1];
      before.next_gs = -h10[1];
      before.next_sg = -h01[1];
      before.next_ss = h11[1];
    } else {
      lev_term[1] = 0;
      res_term[1] = 0;
    }
    add(0, lev_term);
    add(1, res_term);
  }
  trace = (static_cast<Ext>(sums[0][0]) - carries[0][0]) + (static_cast<Ext>(sums[0][1]) - carries[0][1]);
  residual = (static_cast<Ext>(sums[1][0]) - carries[1][0]) + (static_cast<Ext>(sums[1][1]) - carries[1][1]);
}

template <bool kUnitWeights>
LogResidual PairedSweep<kUnitWeights>::Derivatives(std::span<const double> g, Ext residual) {
  // Forward substitution Uᵀ·t = ρ with the unit upper triangular rows U, in the order of
  // elimination, lane by lane; φ = Σ t²/w. The scaled t/w wait in slopes_ (two per knot) for the
  // back-substitution U·q = t/w that follows.
  ResizeOnHugePages(slopes_, 2 * static_cast<std::size_t>(n2_ + 1));
  double* tq = slopes_.data();
  auto rho = [&](int i) { return (At(y_, i) - At(g, i)) * Weight(i); };
  Pair phi{0, 0};
  Pair tg{0, 0}, ts{0, 0};
  double right_tg = 0, right_ts = 0;
  const Pair* right_row = nullptr;
  const Pair* prev = nullptr;
  for (int step = 0; step < left_steps_; ++step) {
    const Pair* row = Rows(step);
    const bool both = step < right_steps_;
    const int l = LeftKnot(step), r = both ? RightKnot(step) : l;
    Pair vg{rho(l), rho(r)};
    Pair vs{0, 0};
    if (prev) {
      vg -= prev[kA1] * tg + prev[kB1] * ts;
      vs -= prev[kA2] * tg + prev[kB2] * ts;
    }
    tg = vg;
    ts = vs - row[kA0] * tg;
    const Pair scaled_g = tg * row[kInverseWg];
    const Pair scaled_s = ts * row[kInverseWs];
    Pair term = tg * scaled_g + ts * scaled_s;
    if (!both) term[1] = 0;
    phi += term;
    tq[2 * l] = scaled_g[0];
    tq[2 * l + 1] = scaled_s[0];
    if (both) {
      tq[2 * r] = scaled_g[1];
      tq[2 * r + 1] = scaled_s[1];
    }
    if (step == right_steps_ - 1) {
      right_tg = tg[1];
      right_ts = ts[1];
      right_row = row;
    }
    prev = row;
  }
  // The middle knot takes the last rows of both halves; the right half's slope is mirrored.
  double tg_middle = rho(middle_), ts_middle = 0;
  if (prev) {
    tg_middle -= prev[kA1][0] * tg[0] + prev[kB1][0] * ts[0];
    ts_middle -= prev[kA2][0] * tg[0] + prev[kB2][0] * ts[0];
  }
  if (right_row) {
    tg_middle -= right_row[kA1][1] * right_tg + right_row[kB1][1] * right_ts;
    ts_middle += right_row[kA2][1] * right_tg + right_row[kB2][1] * right_ts;
  }
  ts_middle -= middle_u_ * tg_middle;
  const double phi_sum =
      phi[0] + phi[1] + tg_middle * tg_middle / middle_wg_ + ts_middle * ts_middle / middle_ws_;

  // Back-substitution for q, outward from the middle as in Solve; Σ (q_g/dy)² on the way.
  const double qs_middle = ts_middle / middle_ws_;
  const double qg_middle = tg_middle / middle_wg_ - middle_u_ * qs_middle;
  tq[2 * middle_] = qg_middle;
  tq[2 * middle_ + 1] = qs_middle;
  Pair qq{qg_middle * qg_middle * Weight(middle_), 0};
  Pair g_next{qg_middle, qg_middle}, s_next{qs_middle, -qs_middle};
  for (int step = left_steps_ - 1; step >= 0; --step) {
    const Pair* row = Rows(step);
    const bool both = step < right_steps_;
    if (step == right_steps_ - 1) {
      g_next[1] = qg_middle;
      s_next[1] = -qs_middle;
    }
    const int l = LeftKnot(step), r = both ? RightKnot(step) : l;
    const Pair si = Pair{tq[2 * l + 1], tq[2 * r + 1]} - row[kB1] * g_next - row[kB2] * s_next;
    const Pair gi =
        Pair{tq[2 * l], tq[2 * r]} - row[kA0] * si - row[kA1] * g_next - row[kA2] * s_next;
    Pair term = gi * gi * Pair{Weight(l), Weight(r)};
    if (!both) term[1] = 0;
    qq += term;
    tq[2 * l] = gi[0];
    tq[2 * l + 1] = si[0];
    if (both) {
      tq[2 * r] = gi[1];
      tq[2 * r + 1] = -si[1];
    }
    g_next = gi;
    s_next = si;
  }
  const Ext a = static_cast<Ext>(qq[0]) + qq[1];
  const Ext slope = 2 * phi_sum / residual;
  return {std::log(residual), slope, slope + 2 * (3 * a - 2 * phi_sum) / residual - slope * slope};
}

template <bool kUnitWeights>
Ext PairedSweep<kUnitWeights>::Move(Ext step, std::span<double> g, std::span<double> s,
                                    std::span<double> c, std::span<double> d) const {
  const double* q = slopes_.data();
  const double by = static_cast<double>(step);
  double sum = 0, carry = 0;
  double g_before = 0, s_before = 0;
  for (int i = n1_; i <= n2_; ++i) {
    const double gi = At(g, i) - by * q[2 * i];
    const double si = At(s, i) - by * q[2 * i + 1];
    At(g, i) = gi;
    At(s, i) = si;
    if (i > n1_) {
      Piece(At(x_, i) - At(x_, i - 1), g_before, s_before, gi, si, At(c, i - 1), At(d, i - 1));
    }
    g_before = gi;
    s_before = si;
    const double r = (At(y_, i) - gi) / Dy(i);
    const double term = r * r - carry;
    const double total = sum + term;
    carry = (total - sum) - term;
    sum = total;
  }
  At(c, n2_) = 0;
  return static_cast<Ext>(sum) - carry;
}

// A first p for the search when no earlier one is at hand: ∫ g''² scales with the cube of the
// x range and the residual sum with the points' weights, so this starts at the same place for
// data that differ only in units, within a few steps of the root for ordinary smoothing.
Ext Seed(int n1, int n2, std::span<const double> x, std::span<const double> dy) {
  const Ext range = At(x, n2) - At(x, n1);
  Ext weight = 0;
  for (int i = n1; i <= n2; ++i) weight += 1 / Square(At(dy, i));
  return range * range * range * weight / 1000;
}

// The spline whose residual sum is S, found with the sweep from log p = start; writes its values
// into a and slopes into b and returns its log p, or NaN when the sweep gave no finite result.
// Steps of Halley's method (Newton's where the curvature is unknown) on log R − log S over
// log p: R ≈ p²·e(0) for small p and R → L for large p, so the function rises with a slope
// falling from 2 to 0 and is close to its tangent over wide ranges of p. Each step stays inside
// the bracket found so far: a step that would leave it bisects it (or moves by a factor e
// towards the unknown side), and no step moves p by more than a factor of 10^6. The last
// derivatives, moved to the result, go into work for the next search on the same data.
template <class Sweep>
Ext Search(Sweep& sweep, Ext S, Ext start, std::span<double> a, std::span<double> b,
           std::span<double> c, std::span<double> d, PenalizedSplineWork& work) {
  const Ext log_s = std::log(S);
  // log p below and above the root, once known.
  Ext below = -std::numeric_limits<Ext>::infinity();
  Ext above = std::numeric_limits<Ext>::infinity();
  Ext t = start;
  Ext best_t = t;
  Ext best_gap = std::numeric_limits<Ext>::infinity();
  Ext best_residual = 0;
  Ext last_t = t;
  LogResidual known{};
  Ext known_t = 0;
  bool derivatives = false;
  bool moved = false;
  for (int step = 0; step < kMaxSweepSteps; ++step) {
    const Ext p = std::exp(t);
    const Ext residual = sweep.Solve(p, a, b);
    last_t = t;
    if (!std::isfinite(residual) || !(residual > 0)) return std::numeric_limits<Ext>::quiet_NaN();
    const Ext gap = std::fabs(residual - S);
    if (gap < best_gap) {
      best_t = t;
      best_gap = gap;
      best_residual = residual;
    }
    if (gap <= kExactTolerance * S) break;
    if (!Sweep::kHasCurvature && gap <= kSweepTolerance * S) break;
    (residual < S ? below : above) = t;
    known = sweep.Derivatives(a, residual);
    known_t = t;
    derivatives = std::isfinite(known.slope) && known.slope > 0;
    if (!std::isfinite(known.curvature)) known.curvature = 0;
    const Ext towards = derivatives ? StepTowards(known, log_s) : 0;
    if constexpr (Sweep::kHasCurvature) {
      if (derivatives && std::fabs(towards) <= kMaxMovedStep) {
        // Close enough for the derivative of the values and slopes to carry them onto S.
        const Ext moved_residual = sweep.Move(towards, a, b, c, d);
        if (std::fabs(moved_residual - S) <= kSweepTolerance * S) {
          best_t = t + towards;
          best_residual = moved_residual;
          last_t = best_t;
          moved = true;
          break;
        }
        // Not on target after all: back to the solution at t.
        sweep.Move(-towards, a, b, c, d);
      }
    }
    if (gap <= kSweepTolerance * S) break;
    Ext next = derivatives ? t + towards : t;
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
  if (!moved) {
    if (last_t != best_t) best_residual = sweep.Solve(std::exp(best_t), a, b);
    sweep.Pieces(a, b, c, d);
  }
  work.prediction_known = derivatives;
  if (derivatives) {
    work.log_p = static_cast<double>(best_t);
    work.log_residual = static_cast<double>(std::log(best_residual));
    work.log_slope = static_cast<double>(known.slope + known.curvature * (best_t - known_t));
    work.log_curvature = static_cast<double>(known.curvature);
    if (!(work.log_slope > 0)) work.prediction_known = false;
  }
  return best_t;
}

// Runs one sweep's search under its own floating-point check: the log p found, or NaN where
// the sweep raised an error or gave nothing finite.
template <class Sweep>
Ext Attempt(Sweep& sweep, Ext S, Ext start, std::span<double> a, std::span<double> b,
            std::span<double> c, std::span<double> d, PenalizedSplineWork& work) {
  FloatCheck check;
  const Ext found = Search(sweep, S, start, a, b, c, d, work);
  try {
    check.Check();
  } catch (const EMathError&) {
    // Knots 1e-30 apart among values of 1e150, say: the rows overflow.
    return std::numeric_limits<Ext>::quiet_NaN();
  }
  return found;
}

}  // namespace

// The widths and dy span at most 10^40 each, inside 10^±60.
bool SweepFits(int n1, int n2, std::span<const double> x, std::span<const double> dy) {
  double min_h = std::numeric_limits<double>::infinity(), max_h = 0;
  double min_dy = min_h, max_dy = 0;
  for (int i = n1; i < n2; ++i) {
    const double h = At(x, i + 1) - At(x, i);
    min_h = std::min(min_h, h);
    max_h = std::max(max_h, h);
  }
  for (int i = n1; i <= n2; ++i) {
    min_dy = std::min(min_dy, At(dy, i));
    max_dy = std::max(max_dy, At(dy, i));
  }
  constexpr double kSpan = 1e40;
  // The weights scale with p, which the search sets from the data's own scales; the spans
  // decide how far apart the weights of one sweep lie.
  return max_h <= kSpan * min_h && max_dy <= kSpan * min_dy && max_h < 1e60 && min_h > 1e-60 &&
         max_dy < 1e60 && min_dy > 1e-60;
}

double ValueSlopeSpline(int n1, int n2, std::span<const double> x, std::span<const double> y,
                        std::span<const double> dy, double S, std::span<double> a,
                        std::span<double> b, std::span<double> c, std::span<double> d,
                        PenalizedSplineWork& work) {
  // Where to start: a prediction from the last result on the same data, else its p, else the
  // seed.
  Ext start = 0;
  if (work.same_data && work.prediction_known) {
    LogResidual last{work.log_residual, work.log_slope, work.log_curvature};
    Ext step = StepTowards(last, std::log(static_cast<Ext>(S)));
    step = std::clamp(step, -kMaxSweepStep, kMaxSweepStep);
    start = work.log_p + step;
  } else if (work.last_p > 0) {
    start = std::log(static_cast<Ext>(work.last_p));
  } else {
    start = std::log(Seed(n1, n2, x, dy));
  }
  work.prediction_known = false;

  Ext found = std::numeric_limits<Ext>::quiet_NaN();
  if (work.sweep_fits) {
    const bool unit =
        std::all_of(dy.begin() + n1, dy.begin() + n2 + 1, [](double v) { return v == 1; });
    if (unit) {
      PairedSweep<true> sweep(n1, n2, x, y, dy, work.rows, work.slopes);
      found = Attempt(sweep, S, start, a, b, c, d, work);
    } else {
      PairedSweep<false> sweep(n1, n2, x, y, dy, work.rows, work.slopes);
      found = Attempt(sweep, S, start, a, b, c, d, work);
    }
  }
  if (std::isnan(found)) {
    work.prediction_known = false;
    RotationSweep sweep(n1, n2, x, y, dy, work.rows);
    found = Attempt(sweep, S, start, a, b, c, d, work);
  }
  if (std::isnan(found)) {
    work.prediction_known = false;
    ClearFloatFlags();
    return 0;
  }
  return static_cast<double>(std::exp(found));
}

bool PairedSweepStatistics(std::span<const double> x, std::span<const double> y,
                           std::span<const double> dy, double p, std::span<double> fitted,
                           std::span<double> leverage, std::span<KnotCovariance> covariance,
                           long double& trace, long double& residual, std::vector<double>& rows) {
  const int n2 = static_cast<int>(x.size()) - 1;
  if (!SweepFits(0, n2, x, dy)) return false;
  std::vector<double> no_slopes;
  FloatCheck check;
  const bool unit = std::all_of(dy.begin(), dy.end(), [](double v) { return v == 1; });
  if (unit) {
    PairedSweep<true> sweep(0, n2, x, y, dy, rows, no_slopes);
    sweep.Statistics(p, fitted.data(), leverage.data(), covariance.data(), trace, residual);
  } else {
    PairedSweep<false> sweep(0, n2, x, y, dy, rows, no_slopes);
    sweep.Statistics(p, fitted.data(), leverage.data(), covariance.data(), trace, residual);
  }
  try {
    check.Check();
  } catch (const EMathError&) {
    return false;
  }
  return std::isfinite(trace) && std::isfinite(residual);
}
