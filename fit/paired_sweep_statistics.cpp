// The smoother's leverages, trace and posterior covariance blocks of the smoothing spline from the
// paired sweep's banded factor (paired_sweep.h), by the recursion of Hutchinson and de Hoog 1985,
// "Smoothing noisy data with spline functions", Numer. Math. 47, for the band of the inverse of
// the normal matrix, run along the back-substitution; the Bayesian reading of the blocks is
// Wahba's (1983, "Bayesian confidence intervals for the cross-validated smoothing spline",
// J. R. Statist. Soc. B 45).

#include "fit/paired_sweep_statistics.h"

#include <algorithm>
#include <cmath>
#include <span>
#include <vector>

#include "base/float_check.h"
#include "fit/numeric_kernels.h"
#include "fit/paired_sweep.h"
#include "fit/value_slope_problem.h"

namespace value_slope {

template <bool kUnitWeights>
void PairedSweep<kUnitWeights>::Statistics(Ext p, double* fitted, double* leverage,
                                           KnotCovariance* covariance, Ext& trace, Ext& residual) {
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
  CompensatedSum<Lanes> sums[2];
  auto add = [&sums](int which, Pair term) { sums[which].Add(term); };
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
  trace = LaneSum(sums[0]);
  residual = LaneSum(sums[1]);
}

template void PairedSweep<true>::Statistics(Ext, double*, double*, KnotCovariance*, Ext&, Ext&);
template void PairedSweep<false>::Statistics(Ext, double*, double*, KnotCovariance*, Ext&, Ext&);

}  // namespace value_slope

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
    value_slope::PairedSweep<true> sweep(0, n2, x, y, dy, rows, no_slopes);
    sweep.Statistics(p, fitted.data(), leverage.data(), covariance.data(), trace, residual);
  } else {
    value_slope::PairedSweep<false> sweep(0, n2, x, y, dy, rows, no_slopes);
    sweep.Statistics(p, fitted.data(), leverage.data(), covariance.data(), trace, residual);
  }
  try {
    check.Check();
  } catch (const EMathError&) {
    return false;
  }
  return std::isfinite(trace) && std::isfinite(residual);
}
