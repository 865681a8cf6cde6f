#pragma once

// The smoothing spline at one parameter p by Givens rotations with square roots, a square-root
// information sweep over the problem in values and slopes (value_slope_problem.h), with the
// first derivative of log R over log p for the parameter's search. Sources: Givens 1958 (the
// rotation, numeric_kernels.h); Reinsch 1967 and Hutchinson and de Hoog 1985 (the problem).

#include <cstddef>
#include <span>
#include <vector>

#include "fit/numeric_kernels.h"
#include "fit/value_slope_problem.h"

namespace value_slope {

// The first sweep: Givens rotations with square roots, one knot after another from the left.
// Its rows keep their scale's square root, so it serves wherever the squared weights of the
// paired sweep (paired_sweep.h) would leave the double range (knots 1e-120 apart among knots of
// unit spacing, say).
class RotationSweep {
 public:
  static constexpr bool kHasCurvature = false;

  RotationSweep(int n1, int n2, std::span<const double> x, std::span<const double> y,
                std::span<const double> dy, std::vector<double>& rows);

  // The spline at p > 0: values into g and slopes into s (both addressed n1..n2); returns the
  // weighted residual sum Σ ((y − g)/dy)² of the stored values. Keeps the triangular factor.
  Ext Solve(Ext p, std::span<double> g, std::span<double> s);
  // log R and its slope over log p at the p of the last Solve, whose values g holds and whose
  // residual sum is residual: with M the normal matrix, R'(p) = 2·‖M^(−1/2)·ρ‖²/p for ρ the
  // residuals divided by dy², one pass through the factor.
  LogResidual Derivatives(std::span<const double> g, Ext residual) const;
  // The pieces c, d of the spline whose values and slopes are g and s.
  void Pieces(std::span<const double> g, std::span<const double> s, std::span<double> c,
              std::span<double> d) const {
    value_slope::Pieces(n1_, n2_, x_, g, s, c, d);
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

}  // namespace value_slope
