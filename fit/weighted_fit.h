#pragma once

#include <span>
#include <vector>

#include "fit/coordinates.h"

// The least-squares polynomial z = Σ b_j u^j (j = 0..order) in the coordinates u = U(x), z = Z(y)
// of the models, with every point weighted by its uncertainty: w = 1/dz², dz = dy carried to z
// (UncertaintyWeight). The design is solved as the polynomial fit solves its centred one: rows
// √w·(t, t², …, t^order, 1) in t = (u − middle)/half over the u range, reduced by Householder
// rotations and solved by the singular value decomposition with its cut-off; the coefficients of
// u^j follow exactly in extended precision.
//
//   const WeightedFit fit = FitWeighted({xs, ys, dys, Coordinate::Same, Coordinate::Ln, 1});
//   fit.coefficients[1], fit.chi2, fit.fit_quality, fit.Value(u)

struct WeightedFitInput {
  std::span<const double> x, y, dy;  // dy each positive and finite
  Coordinate u = Coordinate::Same, z = Coordinate::Same;
  int order = 1;  // 1..10
};

struct WeightedFit {
  std::vector<double> coefficients;  // b_0..b_order, of u^j
  double chi2 = 0;                   // Σ w·(z − ẑ)²
  // The weighted coefficient of determination in z: 1 − χ²/Σ w·(z − z̄_w)², z̄_w the weighted
  // mean; 1 where all z are equal and fitted exactly, 0 where they are equal and are not.
  double fit_quality = 0;
  bool rank_deficient = false;  // a singular value was cut: the minimum-norm solution
  // The form solved: ẑ(u) = Σ a_k t^k, t = (u − middle)/half.
  long double middle = 0, half = 1;
  std::vector<long double> in_t;

  // ẑ at u (already transformed), in extended precision.
  long double Value(long double u) const;
};

// Throws EKovixMath2Error for an order outside 1..10, spans of different lengths, fewer than two
// points, a dy not positive and finite, or a decomposition that does not converge; EInvalidOp,
// EZeroDivide or EOverflow where a point's coordinates are not finite numbers (ln of x ≤ 0, 1/0).
WeightedFit FitWeighted(const WeightedFitInput& input);
