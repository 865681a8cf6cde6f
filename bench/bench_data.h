#pragma once

#include <cmath>
#include <cstddef>
#include <memory>
#include <utility>
#include <vector>

#include "base/data_point.h"
#include "fit/rovav_aza.h"

// The points of bench_poly_spline's and bench_statistics' stores and peers.py's
// poly_spline_data: a noisy sine over [0, 10), distinct x in a scrambled order, so that the
// spline's sort has work to do.
inline std::vector<DataPoint> NoisySine(int n) {
  const double step = 10.0 / n;
  std::vector<DataPoint> points;
  points.reserve(static_cast<std::size_t>(n));
  unsigned state = 4242;
  auto next = [&state] {
    state = state * 1664525u + 1013904223u;
    return static_cast<double>(state >> 8) / 16777216.0;  // [0, 1)
  };
  for (int i = 0; i < n; ++i) {
    const double x = (i + 0.5 * next()) * step;
    points.push_back({x, std::sin(x) + 0.3 * (next() - 0.5)});
  }
  for (int i = n - 1; i > 0; --i) {
    const int j = static_cast<int>(next() * (i + 1));
    std::swap(points[static_cast<std::size_t>(i)], points[static_cast<std::size_t>(j)]);
  }
  return points;
}

// The store of bench_fits and bench_statistics, and peers.py's fits_data: x in [0.5, 100.5), y = 2
// + 0.3 x + noise.
inline std::unique_ptr<TRovavAza> NoisyLineStore(int n) {
  auto store = std::make_unique<TRovavAza>();
  unsigned state = 12345;
  for (int i = 0; i < n; ++i) {
    state = state * 1664525u + 1013904223u;
    const double x = 0.5 + static_cast<double>(state % 100000) / 1000.0;
    const double noise = static_cast<double>(state >> 20) / 4096.0 / 1024.0;
    store->AddPoint(x, 2.0 + 0.3 * x + noise);
  }
  return store;
}
