#pragma once

#include <cmath>
#include <string>
#include <vector>

#include "fit/coordinates.h"

// Curves for generated data, one for each model's shape: values near 50 with a slow wave (the
// lines and polynomials), falling as 1/(a + b·x) (1/y), rising with ln x, falling as
// 1/(a + b·ln x), and growing exponentially (ln y).
namespace test_support {

inline double Wave(double x) {
  return 50 + 3 * std::sin(x / 4) + 0.01 * x;
}
inline double Falling(double x) {
  return 1 / (0.2 + 0.05 * x);
}
inline double Logarithmic(double x) {
  return 3 + 2 * std::log(x);
}
inline double FallingLog(double x) {
  return 1 / (0.5 + 0.3 * std::log(x));
}
inline double Growing(double x) {
  return 2 * std::exp(0.05 * x);
}

// A model's coordinates and order with data for it: x over [lo, hi], y on the curve.
struct WeightedModel {
  std::string name;
  Coordinate u, z;
  int order;
  double lo, hi;
  double (*curve)(double x);
};

inline const WeightedModel kWeightedModels[] = {
    {"Line", Coordinate::Same, Coordinate::Same, 1, 0, 40, Wave},
    {"Parabola", Coordinate::Same, Coordinate::Same, 2, 0, 40, Wave},
    {"YearsOrder5", Coordinate::Same, Coordinate::Same, 5, 1990, 2020, Wave},
    {"ReciprocalY", Coordinate::Same, Coordinate::Reciprocal, 1, 0.5, 50, Falling},
    {"LnX", Coordinate::Ln, Coordinate::Same, 1, 0.5, 50, Logarithmic},
    {"LnXReciprocalY", Coordinate::Ln, Coordinate::Reciprocal, 1, 0.5, 50, FallingLog},
    {"LnY", Coordinate::Same, Coordinate::Ln, 1, 0.5, 50, Growing},
};

// 1/dz² in T, dz = dy carried to z: the weighted least squares' weight, formed apart from the
// engine's.
template <class T>
T WeightIn(Coordinate z, double y, double dy) {
  T dz = dy;
  if (z == Coordinate::Reciprocal) dz /= T(y) * T(y);
  if (z == Coordinate::Ln) dz /= y < 0 ? -T(y) : T(y);
  return 1 / (dz * dz);
}

struct UncertainPoints {
  std::vector<double> x, y, dy;
};

// n points over the model's range with uncertainties spread over a factor of 20 and noise at
// their scale, the same for the same seed.
inline UncertainPoints GenerateUncertain(const WeightedModel& m, int n, unsigned seed) {
  auto next = [&seed] {
    seed = seed * 1664525u + 1013904223u;
    return static_cast<double>(seed >> 8) / 16777216.0;
  };
  UncertainPoints p;
  for (int i = 0; i < n; ++i) {
    p.x.push_back(m.lo + (m.hi - m.lo) * (i + next()) / n);
    const double v = m.curve(p.x.back());
    p.dy.push_back(std::fabs(v) * 0.002 * (1 + 19 * next()));
    p.y.push_back(v + p.dy.back() * 2 * (next() - 0.5));
  }
  return p;
}

}  // namespace test_support
