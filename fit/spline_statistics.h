#pragma once

#include <span>
#include <vector>

// What the smoothing spline at one smoothing parameter says about itself (Wahba; Silverman).
// The spline with parameter p minimises Σ ((y_i − g(x_i)) / dy_i)² + p·∫ g''² / 2 over the
// functions with a square-integrable second derivative, which is PenalizedCubicSpline's spline
// at the same p (p = 0 interpolates, p → ∞ gives the weighted least-squares line). Its values at
// the knots are linear in y, ĝ = A·y; A is the smoother matrix.
struct SplineStatistics {
  double p = 0;                  // the smoothing parameter the statistics are of
  double trace = 0;              // tr A, the effective degrees of freedom: from 2 to n
  double residual_sum = 0;       // RSS = Σ ((y_i − ĝ_i) / dy_i)²
  double sigma2 = 0;             // σ̂² = RSS / (n − tr A), the variance of a unit weight
  double gcv = 0;                // n·RSS / (n − tr A)², the generalised cross-validation score
  std::vector<double> fitted;    // ĝ_i, the spline at each knot
  std::vector<double> leverage;  // A_ii, each in (0, 1]
};

// The statistics of the smoothing spline through x (strictly increasing), y and dy (positive),
// three or more knots, for a positive finite p. The spline is solved as the least-squares
// problem in its values and slopes at the knots, by Givens rotations knot by knot (a
// square-root information sweep, as the solver's); the diagonal blocks of the inverse normal
// matrix follow from that banded factor by Hutchinson and de Hoog's recursion, and A_ii is w_i
// times the variance of the value at knot i (w = 1/dy²): O(n) time, no n × n matrix. Knots a
// hair apart (1e-9 among unit spacings) keep the leverages' accuracy, which Reinsch's
// formulation in second derivatives loses.
//
// Nothing here runs during the spline's own computation: it is asked for separately, with the
// p the solver found (PenalizedSplineWork::last_p, when p_known). Throws EKovixMath2Error for
// fewer than three knots, arrays of unequal length, x not increasing, a dy not positive or a p
// not positive and finite; EMathError when the arithmetic overflows.
SplineStatistics SmoothingSplineStatistics(std::span<const double> x, std::span<const double> y,
                                           std::span<const double> dy, double p);

// The pointwise Bayesian confidence band of the spline at its knots (Wahba): ĝ_i ± the i-th
// half-width z·√(σ̂²·A_ii), z the normal quantile of (1 + level)/2, so 0.95 gives z ≈ 1.96.
// Throws EKovixMath2Error for a level outside (0, 1).
std::vector<double> BandHalfWidths(const SplineStatistics& stats, double level);
