#pragma once

#include <cmath>
#include <optional>

#include "fit/numeric_kernels.h"

// The coordinates the least-squares models are solved in: u = x or ln x, z = y, 1/y or ln y.
// The fits' running sums, the statistics and the bands all transform through these, so that a
// point's u and z are the same numbers wherever they are formed.
enum class Coordinate { Same, Ln, Reciprocal };

// A value in the coordinate, in extended precision (ln and 1/ of the double widened first).
inline Ext InCoordinate(Coordinate c, double v) {
  switch (c) {
    case Coordinate::Ln:
      return std::log(static_cast<Ext>(v));
    case Coordinate::Reciprocal:
      return 1 / static_cast<Ext>(v);
    case Coordinate::Same:
      break;
  }
  return v;
}

// The weight 1/dz² of a point whose y has the standard uncertainty dy, dz that of z = Z(y) to
// first order: dy, dy/y² (1/y) or dy/|y| (ln y).
inline Ext UncertaintyWeight(Coordinate z, double y, double dy) {
  Ext dz = dy;
  if (z == Coordinate::Reciprocal) dz = dz / (Ext(y) * y);
  if (z == Coordinate::Ln) dz = dz / std::fabs(Ext(y));
  return 1 / (dz * dz);
}

// The y of a value in the solved coordinate z: 1/z and e^z; nullopt for 1/0.
inline std::optional<double> FromCoordinate(Coordinate z, Ext v) {
  switch (z) {
    case Coordinate::Same:
      return double(v);
    case Coordinate::Ln:
      return double(std::exp(v));
    case Coordinate::Reciprocal:
      if (v == 0) return std::nullopt;
      return double(1 / v);
  }
  return std::nullopt;
}
