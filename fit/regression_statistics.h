#pragma once

#include <functional>
#include <optional>
#include <span>
#include <vector>

#include "fit/coordinates.h"

// The statistics of an ordinary least-squares polynomial z = Σ b_j u^j (j = 0..order) in the
// transformed coordinates u = U(x) and z = Z(y) that the store's fits solve: the line, the
// parabola and the polynomial in x and y, and the transformed lines (1/y, ln x, ln y).
//
//   RegressionInput input;
//   input.x = xs;  // the store's columns, rows 1..NumPoints
//   input.y = ys;
//   input.order = order;
//   input.fitted = [&curve](double x) { return curve.ExtendedValue(x); };
//   input.solved_raw = !curve.Centred();
//   const RegressionStatistics stats = LeastSquaresStatistics(input);
//   const double se1 = std::sqrt(*stats.sigma2 * stats.covariance[1 * stats.parameters + 1]);

struct RegressionInput {
  std::span<const double> x, y;  // the points, any order (the store's columns)
  Coordinate u = Coordinate::Same, z = Coordinate::Same;
  int order = 1;  // polynomial order in u: 1 for the lines
  // ẑ at a point's x: the fit as it was solved, in extended precision (for the polynomial
  // PolynomialCurve::ExtendedValue; for a line b0 + b1·U(x) from the store's double estimates).
  // Called once for every point, inside the statistics' floating-point check: it should not
  // check (or clear) the status flags itself.
  std::function<long double(double x)> fitted;
  // The condition number is that of the design the fit was solved in: powers of u (true) or of
  // t = (u − middle)/half over the u range (false).
  bool solved_raw = true;
  // Optional centre for the power sums, e.g. the mean of u from the store's running sums: with
  // it a line takes ONE pass over the points; without it (or order ≥ 2) a first pass finds the
  // range.
  std::optional<long double> centre;
  // The standard uncertainties of y, one a point, each positive and finite; empty: none. With
  // them every sum is weighted by w = 1/dz², dz carried to z to first order (dy, dy/y² for 1/y,
  // dy/|y| for ln y): rss is χ² = Σ w·(z − ẑ)², tss is Σ w·(z − z̄_w)² around the weighted mean,
  // and the covariance is (XᵀWX)⁺, which is the covariance of the estimates where the dy are the
  // errors' own deviations; times σ̂² = χ²/(n − rank), the one scaled to the scatter (R's `lm`
  // with weights 1/dz²).
  std::span<const double> dy;
};

struct RegressionStatistics {
  int n = 0;           // points
  int parameters = 0;  // order + 1
  // Effective rank of the design: the number of its singular values (in the centred, scaled
  // basis, columns equilibrated) above 2^-26 ≈ 1.5e-8 of the largest, what the power sums resolve
  // in extended precision. The fit's decomposition cuts at 1e-14; data between the two (two
  // clusters of x, each 1e-8 of the range wide, at order 3) are rank-deficient here.
  int rank = 0;
  double rss = 0;        // Σ (z − ẑ)², from `fitted`, accumulated in extended precision
  double tss = 0;        // Σ (z − z̄)²
  double condition = 0;  // 2-norm condition number of the design named by solved_raw; +inf when
                         // rank < parameters
  // (XᵀX)⁺ in the basis of b_0..b_order (coefficients of u^j), row-major (parameters²): times
  // σ̂² it is the covariance of the estimates. Formed in the centred, scaled basis in extended
  // precision and converted; where the rank is short, the Moore–Penrose inverse in this basis.
  std::vector<double> covariance;
  // Where rank < parameters: orthonormal vectors in (b_0..b_order) along which the data do not
  // fix the estimates (X·v = 0), each with its highest nonzero component positive.
  std::vector<std::vector<double>> undetermined;
  // Derived values; nullopt where they do not exist (0 residual degrees of freedom, tss = 0).
  int df_residual = 0;                  // n − rank
  std::optional<double> sigma2;         // rss / df_residual
  std::optional<double> r_squared;      // 1 − rss/tss
  std::optional<double> adj_r_squared;  // 1 − (rss/df_residual)/(tss/(n − 1))
  // ((tss − rss)/(rank − 1)) / (rss/df_residual); nullopt for rank 1, no residual degrees of
  // freedom, tss = 0 or rss = 0 (an exact fit, F infinite).
  std::optional<double> f_statistic;

  // v(u) = f(u)ᵀ (XᵀX)⁺ f(u), f(u) = (1, u, …, u^order), formed in the centred scaled basis in
  // extended precision so that it stays right far from 0 (years). Confidence band half-width
  // = q·σ̂·√v, prediction = q·σ̂·√(1 + v). Takes u (already transformed), not x. A NaN u raises
  // EInvalidOp, a value beyond the double range EOverflow.
  double VarianceFactor(double u) const;
  // VarianceFactor of every u into `factors` (of the same size), the flags tested once for all.
  void VarianceFactors(std::span<const double> u, std::span<double> factors) const;

  // The basis the sums were formed in, for VarianceFactor: t = (u − basis_centre)/basis_half,
  // the Chebyshev polynomials T_0..T_order of t (order ≥ 2) or 1, t (the lines), and (XᵀX)⁺ in
  // it, row-major.
  long double basis_centre = 0;
  long double basis_half = 1;
  bool basis_chebyshev = false;
  std::vector<long double> basis_inverse;
};

// Throws EKovixMath2Error for an order outside 1..10, fewer points than parameters, x and y of
// different lengths, u = Reciprocal or no `fitted`; a point that is not finite raises EInvalidOp,
// and the arithmetic raises its floating-point errors (a transform without a value: ln of a
// non-positive x or y, 1/0) as the fits do.
RegressionStatistics LeastSquaresStatistics(const RegressionInput& input);
