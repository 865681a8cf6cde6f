#pragma once

#include <span>
#include <vector>

// The posterior covariance, over σ², of one knot's value g_i and slope s_i (the 2 × 2 diagonal
// block of M⁻¹, M the normal matrix of the least-squares problem in the values and slopes), and
// of them with the next knot's (the block beside it; 0 at the last knot).
struct KnotCovariance {
  double gg = 0, gs = 0, ss = 0;  // Var g_i, Cov(g_i, s_i), Var s_i
  // Cov(g_i, g_{i+1}), Cov(g_i, s_{i+1}), Cov(s_i, g_{i+1}), Cov(s_i, s_{i+1})
  double next_gg = 0, next_gs = 0, next_sg = 0, next_ss = 0;
};

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
  // The Bayesian reading (Wahba 1983): with the partially improper integrated-Wiener prior of
  // intensity 2σ²/p on g'' (so that its log density is −(p/2)·∫ g''² / (2σ²)) and data of
  // variance σ²/w_i, the posterior of g is Gaussian with mean the spline and the covariance of
  // the values and slopes at the knots σ²·M⁻¹; so leverage_i = w_i·covariance[i].gg.
  std::vector<double> knots;               // x_i, ascending
  std::vector<KnotCovariance> covariance;  // per knot
};

// The statistics of the smoothing spline through x (strictly increasing), y and dy (positive),
// three or more knots, for a positive finite p. The spline is solved as the least-squares
// problem in its values and slopes at the knots by the solver's own paired sweep in double
// (rotations without square roots from both ends at once, see paired_sweep.h); the 2 × 2
// blocks of the inverse normal matrix on and beside the diagonal follow from that banded factor
// by Hutchinson and de Hoog's recursion, run along the back-substitution, and A_ii is w_i times
// the variance of the value at knot i (w = 1/dy²): O(n) time, no n × n matrix. Knots a hair
// apart (1e-9 among unit spacings) keep the leverages' accuracy, which Reinsch's formulation in
// second derivatives loses; against Givens rotations in extended precision the results agree to
// 1e-12 (5e-13 at 10^5 random x). Where the sweep in double does not fit the data (knots 1e-40
// apart among unit spacings, dy over 40 decades) or its arithmetic fails, those rotations serve.
//
// Nothing here runs during the spline's own computation: it is asked for separately, with the
// p the solver found (PenalizedSplineWork::last_p, when p_known). Throws EKovixMath2Error for
// fewer than three knots, arrays of unequal length, x not increasing, a dy not positive or a p
// not positive and finite; EMathError when the arithmetic overflows.
SplineStatistics SmoothingSplineStatistics(std::span<const double> x, std::span<const double> y,
                                           std::span<const double> dy, double p);
// The same with scratch space of the caller's (the solver's PenalizedSplineWork::rows serves: its
// contents are not needed between the solver's calls), which saves allocating it.
SplineStatistics SmoothingSplineStatistics(std::span<const double> x, std::span<const double> y,
                                           std::span<const double> dy, double p,
                                           std::vector<double>& scratch);
// The same results by Givens rotations in extended precision, the way that serves where the
// faster sweep in double cannot: data whose weights would leave the double range there (knots
// 1e-40 apart among unit spacings, dy spanning 40 decades). SmoothingSplineStatistics takes it
// by itself in those cases; it is here to check the other against.
SplineStatistics SmoothingSplineStatisticsByRotations(std::span<const double> x,
                                                      std::span<const double> y,
                                                      std::span<const double> dy, double p);

// Var(g(x) | y) / σ² of the Bayesian model at any x in [first knot, last knot]: at knot i it is
// leverage[i] / w_i; between knots it is what a knot of zero weight at x would give. Between
// x_i and x_{i+1} = x_i + h, with t = (x − x_i)/h, g(x) given the knots' values and slopes is the
// Hermite cubic of (g_i, s_i, g_{i+1}, s_{i+1}) plus the prior's bridge, independent of the data
// given them: Var = vᵀ·B·v + (2/p)·h³·t³·(1 − t)³/3 with v the Hermite basis at t and B the
// 4 × 4 block of the two knots (stats.covariance). The bridge is the integrated Wiener process
// of intensity 2σ²/p pinned in value and slope at both ends. O(log n): a binary search.
// knots are the x the statistics were computed on (stats.knots). Throws EInvalidOp for a NaN x,
// EKovixMath2Error for an x outside the knots or statistics without their covariance blocks
// (knots and stats.covariance of different sizes, or fewer than two).
double BandVarianceFactor(const SplineStatistics& stats, std::span<const double> knots, double x);
// The same on stats.knots.
double BandVarianceFactor(const SplineStatistics& stats, double x);

// The pointwise Bayesian confidence band of the spline at its knots (Wahba): ĝ_i ± the i-th
// half-width z·√(σ̂²·A_ii), z the normal quantile of (1 + level)/2, so 0.95 gives z ≈ 1.96.
// Throws EKovixMath2Error for a level outside (0, 1).
std::vector<double> BandHalfWidths(const SplineStatistics& stats, double level);
// The normal quantile z of (1 + level)/2 that BandHalfWidths multiplies by: 1.96 for 0.95. The
// band's half-width at any x is z·√(σ̂²·BandVarianceFactor(stats, x)) (for a unit weight).
// Throws EKovixMath2Error for a level outside (0, 1).
double BandQuantile(double level);
