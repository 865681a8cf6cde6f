#pragma once

// The smoothing spline at one parameter p by the paired sweep in double: Gentleman's rotations
// without square roots (Gentleman 1973, "Least squares computations by Givens transformations
// without square roots", J. Inst. Maths Applics 12) over the problem in values and slopes
// (value_slope_problem.h), from both ends at once; with the first two derivatives of log R over
// log p for the parameter's search, and the factor its statistics reuse
// (paired_sweep_statistics.h).

#include <cstddef>
#include <span>
#include <vector>

#include "base/huge_pages.h"
#include "fit/numeric_kernels.h"
#include "fit/spline_statistics.h"
#include "fit/value_slope_problem.h"

// Whether the paired sweep's weights stay well inside the double range for any p the search can
// try on x[n1..n2] and dy[n1..n2] (x increasing strictly, dy positive): the widths and the dy
// each span at most 10^40, inside 10^±60.
bool SweepFits(int n1, int n2, std::span<const double> x, std::span<const double> dy);

namespace value_slope {

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
// The same lanes as a template argument, which keeps no attribute but the vector size.
typedef double Lanes __attribute__((vector_size(16)));

// The two lanes' compensated sums added in extended precision, each with its carry taken back.
// The kernel's sum runs in both lanes at once, the same operations in each.
inline Ext LaneSum(const CompensatedSum<Lanes>& s) {
  return (static_cast<Ext>(s.sum[0]) - s.carry[0]) + (static_cast<Ext>(s.sum[1]) - s.carry[1]);
}

// The information on one knot's value and slope from one side: g + u·s = bg with weight wg,
// s = bs with weight ws.
struct KnotInformation {
  Pair wg, u, bg, ws, bs;
};

// The stored rows of one elimination step, each lane's: the value row g + a0·s + a1·g₊ + a2·s₊ =
// a3 and the slope row s + b1·g₊ + b2·s₊ = b3 of the knot eliminated, with their weights'
// reciprocals.
enum PairedCell { kA0, kA1, kA2, kA3, kB1, kB2, kB3, kInverseWg, kInverseWs, kPairedCells };

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
    value_slope::Pieces(n1_, n2_, x_, g, s, c, d);
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

}  // namespace value_slope
