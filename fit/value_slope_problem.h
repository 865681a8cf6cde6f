#pragma once

// The smoothing spline as a least-squares problem in its values and slopes at the knots, as both
// sweeps (rotation_sweep.h, paired_sweep.h) and the smoothing parameter's search
// (smoothing_parameter_search.h) see it.
//
// The spline at p minimises Σ ((y − g)/dy)² + (p/2)·∫ g''² over the values g and slopes s at the
// knots. On an interval of width h the cubic's ∫ g''² is
//   (12/h³)·(g₊ − g − (h/2)·(s + s₊))² + (1/h)·(s₊ − s)²,
// so with the weighted residuals the whole is one least-squares sum in 2n unknowns whose matrix
// is block bidiagonal. Orthogonal rotations reduce it knot by knot (a square-root information
// sweep, the natural end conditions coming from leaving both ends free) and back-substitution
// gives the knots' values and slopes. A rotation keeps each row's relative accuracy whatever its
// scale, so knots a hair apart, whose rows are huge, do not spoil the others, and the residuals
// come out as y − g instead of as divided differences of second derivatives over tiny intervals.
//
// Sources: Reinsch 1967, "Smoothing by spline functions", Numer. Math. 10 (the criterion and
// the natural end conditions); Hutchinson and de Hoog 1985, "Smoothing noisy data with spline
// functions", Numer. Math. 47 (the banded least-squares formulation and its factor).

#include <cstddef>
#include <span>

#include "fit/numeric_kernels.h"

namespace value_slope {

inline double At(std::span<const double> v, int i) {
  return v[static_cast<std::size_t>(i)];
}

inline double& At(std::span<double> v, int i) {
  return v[static_cast<std::size_t>(i)];
}

// log R over log p at one p, with its first two derivatives (the second may be unknown).
struct LogResidual {
  Ext value = 0;
  Ext slope = 0;
  Ext curvature = 0;
};

// The piece of the spline across an interval of width h from its values and slopes at both ends:
// c and d of c·t² + d·t³. In double: the cubic's terms stay below the change of the value across
// the piece, whose rounding they share.
inline void Piece(double h, double g0, double s0, double g1, double s1, double& c, double& d) {
  const double slope = (g1 - g0) / h;
  c = (3 * slope - 2 * s0 - s1) / h;
  d = (s0 + s1 - 2 * slope) / (h * h);
}

// The pieces of the spline from its values (in a) and slopes (in b) at the knots.
inline void Pieces(int n1, int n2, std::span<const double> x, std::span<const double> a,
                   std::span<const double> b, std::span<double> c, std::span<double> d) {
  for (int i = n1; i < n2; ++i) {
    Piece(At(x, i + 1) - At(x, i), At(a, i), At(b, i), At(a, i + 1), At(b, i + 1), At(c, i),
          At(d, i));
  }
  At(c, n2) = 0;
}

}  // namespace value_slope
