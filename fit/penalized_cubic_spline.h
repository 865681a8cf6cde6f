#pragma once

#include <span>
#include <vector>

// Scratch space of PenalizedCubicSpline. Keeping one across calls saves its allocations.
struct PenalizedSplineWork {
  std::vector<double> cells;
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
// S. Reinsch's Newton iteration on p runs first, unchanged; when it ends with a residual sum
// within a relative 1e-10 of S, that is the result. Otherwise, for 0 < S < (1 − 1e-9)·L, a
// bracketing root finder on p takes over and the result has a residual sum of at most S and
// within a relative 1e-10 of S. On many points the computed R(p) is noisy far above 1e-10 (the
// banded system's condition grows like p·n³); once the bracket is so narrow that the exact R
// varies by less than the tolerance across it, or rounding visibly decides R, the result is the
// combination of the two bracketing splines (itself a natural cubic spline on the same knots)
// whose residual sum is S. Closer to L, with some dy = 0, or where the computed R stops growing
// short of S when p is widened from the Newton result (the solve of many points breaks down at
// large p, the limit no longer being the line), the Newton result stands.
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
