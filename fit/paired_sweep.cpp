#include "fit/paired_sweep.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <limits>
#include <span>
#include <vector>

#include "base/huge_pages.h"
#include "fit/numeric_kernels.h"
#include "fit/value_slope_problem.h"

using value_slope::At;

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

namespace value_slope {

namespace {

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

}  // namespace

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
  CompensatedSum<Lanes> sum;
  auto add = [&sum](Pair term) { sum.Add(term); };
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
  return LaneSum(sum);
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
  CompensatedSum<double> sum;
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
    sum.Add(r * r);
  }
  At(c, n2_) = 0;
  return sum.Extended();
}

template class PairedSweep<true>;
template class PairedSweep<false>;

}  // namespace value_slope
