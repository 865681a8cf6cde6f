#pragma once

// The smoothing spline as the store (TRovavAza) and the merged spline for repeated x
// (MergedSmoothingSpline) both keep and judge it: the line that scales the smoothing, the
// solve into pieces, the evaluation and the goodness of fit over the points. One code for both,
// so that without repeated x the merged spline is the store's bit for bit. The spline itself is
// Reinsch's (penalized_cubic_spline.h); the sums are sequential in the order of the sorted points.

#include <span>

struct PenalizedSplineWork;

// The pieces of a spline on knots ascending strictly: for the piece from knot i,
// a[i] + b[i]·t + c[i]·t² + d[i]·t³ with t = x − knots[i]; all five of one size.
struct SplinePieces {
  std::span<const double> knots, a, b, c, d;
};

// The residual sum of the least-squares line y = k·x + d over the points (x ascending) and their
// spread Σ (y − mean)², each a sequential sum that rounds to double after every term, as the
// store sums them. Overflows raise the flag only (the caller checks).
void LineResidualAndSpread(std::span<const double> xs, std::span<const double> ys, double k,
                           double d, double mean, double& line_residual, double& spread);

// PenalizedCubicSpline on the knots n1..n2 with pieces into a, b, c, d, then b and d of the last
// knot set to 0: it has no piece of its own, and an evaluation there multiplies them by t = 0,
// which must not meet a non-finite leftover of an earlier computation. Throws as
// PenalizedCubicSpline.
void SolveSplinePieces(int n1, int n2, std::span<const double> x, std::span<const double> y,
                       std::span<const double> dy, double S, std::span<double> a,
                       std::span<double> b, std::span<double> c, std::span<double> d,
                       PenalizedSplineWork& work);

// The spline at x, O(log n) by a binary search for the last knot not above x: valid false and 0
// outside the knots. Throws EInvalidOp for a NaN x and EOverflow (the flags cleared) for a value
// beyond the double range.
double SplineValue(const SplinePieces& spline, double x, bool& valid);

// Σ (y − ĝ)² over the points (xs ascending, repeated x allowed), ĝ the spline's value at the
// point's knot: values holds one per distinct x, in order. Compensated (numeric_kernels.h): as
// close to the exact sum of the rounded terms as a running sum in extended precision, faster.
double SplineResidualSum(std::span<const double> xs, std::span<const double> ys,
                         std::span<const double> values);

// The goodness of fit (spread − RSS)/spread clamped to [0, 1]; with all y equal (spread 0) the
// residual sum itself. Overflows raise the flag only (the caller checks).
double SplineGoodnessOfFit(double spread, double residual);
