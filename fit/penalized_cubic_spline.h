#pragma once

#include <span>

// Reinsch's smoothing spline: among all functions with a square-integrable second derivative,
// the natural cubic spline g with knots x[n1..n2] that minimises ∫ g''² subject to
// Σ ((g(x_i) − y_i) / dy_i)² ≤ S. On return, for the piece from knot i,
// g(x) = a[i] + b[i]·t + c[i]·t² + d[i]·t³ with t = x − x[i]; a and c are written at n1..n2,
// b and d at n1..n2 − 1, and all four also serve as scratch space at n1 + 1..n2 − 1.
// x must increase strictly. S = 0 gives the interpolating spline.
// Throws EKovixMath2Error for n1 >= n2, for repeated or decreasing x, and for arrays that do
// not reach index n2 or an n1 below 0.
void PenalizedCubicSpline(int n1, int n2, std::span<const double> x, std::span<const double> y,
                          std::span<const double> dy, double S, std::span<double> a,
                          std::span<double> b, std::span<double> c, std::span<double> d);
