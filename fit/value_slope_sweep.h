#pragma once

#include <span>
#include <vector>

#include "fit/spline_statistics.h"

struct PenalizedSplineWork;

// The smoothing spline whose weighted residual sum is S, 0 < S < L (the least-squares line's),
// solved through its values and slopes at the knots; x increases strictly and every dy is
// positive and finite. Writes the pieces into a, b, c, d as PenalizedCubicSpline does and
// returns the smoothing parameter p, or 0 when neither sweep gave a finite result (the caller
// then uses Reinsch's iteration). Raises nothing: floating-point errors of a sweep make it give
// way to the next, and the flags are clear on return.
// Whether the paired sweep's weights stay well inside the double range for any p the search can
// try on these data (ValueSlopeSpline reads the answer from work.sweep_fits).
bool SweepFits(int n1, int n2, std::span<const double> x, std::span<const double> dy);

double ValueSlopeSpline(int n1, int n2, std::span<const double> x, std::span<const double> y,
                        std::span<const double> dy, double S, std::span<double> a,
                        std::span<double> b, std::span<double> c, std::span<double> d,
                        PenalizedSplineWork& work);

// The statistics of the spline at p > 0 through the paired sweep in double (see
// SmoothingSplineStatistics; x increasing, dy positive, at least three knots, the spans of one
// size): the values at the knots into fitted, w·Var g into leverage, the covariance blocks into
// covariance, tr A into trace and the weighted residual sum into residual; rows is scratch.
// False, the flags clear, where SweepFits refuses the data or the arithmetic raised a
// floating-point error; the outputs are then unspecified.
bool PairedSweepStatistics(std::span<const double> x, std::span<const double> y,
                           std::span<const double> dy, double p, std::span<double> fitted,
                           std::span<double> leverage, std::span<KnotCovariance> covariance,
                           long double& trace, long double& residual, std::vector<double>& rows);
