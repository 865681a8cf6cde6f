#pragma once

#include <span>
#include <vector>

#include "fit/spline_statistics.h"

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
