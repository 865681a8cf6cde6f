#pragma once

#include <span>

struct PenalizedSplineWork;

// The smoothing spline whose weighted residual sum is S, 0 < S < L (the least-squares line's),
// solved through its values and slopes at the knots; x increases strictly and every dy is
// positive and finite. Writes the pieces into a, b, c, d as PenalizedCubicSpline does and
// returns the smoothing parameter p, or 0 when neither sweep gave a finite result (the caller
// then uses Reinsch's iteration). Takes the paired sweep where work.sweep_fits (SweepFits) says
// it fits the data, else the rotation sweep. Raises nothing: floating-point errors of a sweep
// make it give way to the next, and the flags are clear on return.
double ValueSlopeSpline(int n1, int n2, std::span<const double> x, std::span<const double> y,
                        std::span<const double> dy, double S, std::span<double> a,
                        std::span<double> b, std::span<double> c, std::span<double> d,
                        PenalizedSplineWork& work);
