#pragma once

#include <span>
#include <vector>

// Scratch space of PenalizedCubicSpline. Keeping one across calls saves its allocations.
struct PenalizedSplineWork {
  std::vector<double> cells;
  std::vector<double> rows;
  std::vector<double> slopes;
  // The smoothing parameter of the last result: where the next search starts, so that a small
  // change of S (a moved scroll bar) takes few steps.
  double last_p = 0;
  // Whether the last result is the spline of the parameter last_p. It is not after Reinsch's
  // iteration mended its result by combining the splines of two parameters (last_p is then 1).
  bool p_known = false;
  // Set by the caller when x, y and dy are those of the last call, only S being new: what
  // depends on the data alone is then taken from that call, and the search starts from a
  // prediction of the new p by the last result's log R(log p) and its first two derivatives.
  bool same_data = false;
  // Of the last call; valid only for the same data. data_known: the checks of x and dy passed
  // and the members up to line_residual describe them.
  bool data_known = false;
  bool sweep_applies = false;  // every dy positive and finite, the line's residual computed
  bool sweep_fits = false;     // the paired sweep's weights stay inside the double range
  long double line_residual = 0;
  bool prediction_known = false;
  double log_p = 0, log_residual = 0, log_slope = 0, log_curvature = 0;
};

// Reinsch's smoothing spline: among all functions with a square-integrable second derivative,
// the natural cubic spline g with knots x[n1..n2] that minimises ∫ g''² subject to
// Σ ((g(x_i) − y_i) / dy_i)² ≤ S. On return, for the piece from knot i,
// g(x) = a[i] + b[i]·t + c[i]·t² + d[i]·t³ with t = x − x[i]; a and c are written at n1..n2,
// b and d at n1..n2 − 1, and all four also serve as scratch space at n1 + 1..n2 − 1.
// x must increase strictly. S = 0 gives the interpolating spline.
//
// The residual sum R(p) grows with the smoothing parameter p from 0 towards L, the residual sum
// of the weighted least-squares line, so for 0 < S < L the spline has a residual sum of exactly
// S. With every dy positive and 0 < S < L the spline is found through its values and slopes at
// the knots: a square-root information sweep solves for one p in O(n) and Halley's method
// (Newton's where the curvature is unknown) on log R over log p finds the p whose residual sum,
// formed from the stored values, lies within 1e-12 of S (about five sweeps, three when work holds a
// nearby p). Reinsch's formulation in second derivatives loses the spline on many knots (its banded
// system's condition grows like p·n³ and like the inverse square of the closest knot spacing); the
// sweep does not. Reinsch's Newton iteration, unchanged, computes the rest: S = 0 (the
// interpolating spline), S ≥ L (the line), a zero dy, and data at the edge of the double range
// where the sweep's rows overflow; when it ends off target a bracketing root finder mends its
// result as before.
//
// Throws EKovixMath2Error for n1 >= n2, for repeated or decreasing x, and for arrays that do
// not reach index n2 or an n1 below 0.
void PenalizedCubicSpline(int n1, int n2, std::span<const double> x, std::span<const double> y,
                          std::span<const double> dy, double S, std::span<double> a,
                          std::span<double> b, std::span<double> c, std::span<double> d);
void PenalizedCubicSpline(int n1, int n2, std::span<const double> x, std::span<const double> y,
                          std::span<const double> dy, double S, std::span<double> a,
                          std::span<double> b, std::span<double> c, std::span<double> d,
                          PenalizedSplineWork& work);
