#pragma once

#include <span>

// The points (x[i], y[i]) in ascending x into xs and ys (all four of one size), equal x in their
// given order, which is also where −0 goes before +0. The x must not be NaN. k1, v1, k2 and v2 are
// scratch of the same size; their contents are lost. A radix sort on the bits of x: a few
// passes over the points instead of n·log n comparisons, the passes over bits that every x shares
// left out.
void SortPointsByX(std::span<const double> x, std::span<const double> y, std::span<double> xs,
                   std::span<double> ys, std::span<double> k1, std::span<double> v1,
                   std::span<double> k2, std::span<double> v2);
