#include "fit/points_by_x.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdint>
#include <random>
#include <string>
#include <utility>
#include <vector>

namespace {

using Points = std::vector<std::pair<double, double>>;

// The order SortPointsByX promises: ascending x, −0 before +0, equal x as given.
Points Expected(Points points) {
  std::stable_sort(points.begin(), points.end(), [](const auto& a, const auto& b) {
    if (a.first == 0 && b.first == 0) return std::signbit(a.first) && !std::signbit(b.first);
    return a.first < b.first;
  });
  return points;
}

Points Sorted(const Points& points) {
  const std::size_t n = points.size();
  std::vector<double> x(n), y(n), xs(n), ys(n), k1(n), v1(n), k2(n), v2(n);
  for (std::size_t i = 0; i < n; ++i) std::tie(x[i], y[i]) = points[i];
  SortPointsByX(x, y, xs, ys, k1, v1, k2, v2);
  Points sorted(n);
  for (std::size_t i = 0; i < n; ++i) sorted[i] = {xs[i], ys[i]};
  return sorted;
}

// Compared bit for bit, so that −0 and +0 count as different.
void ExpectSame(const Points& actual, const Points& expected, const std::string& name) {
  ASSERT_EQ(actual.size(), expected.size()) << name;
  for (std::size_t i = 0; i < actual.size(); ++i) {
    ASSERT_EQ(std::bit_cast<std::uint64_t>(actual[i].first),
              std::bit_cast<std::uint64_t>(expected[i].first))
        << name << " at " << i;
    ASSERT_EQ(actual[i].second, expected[i].second) << name << " at " << i;
  }
}

TEST(SortPointsByX, GivesTheOrderOfAStableSort) {
  std::mt19937_64 gen(17);
  std::normal_distribution<double> normal(0, 1);
  const int n = 20000;
  const struct {
    std::string name;
    double (*x)(std::mt19937_64&, int);
  } kinds[] = {
      {"uniform",
       [](std::mt19937_64& g, int) { return std::uniform_real_distribution<>(0, 10)(g); }},
      {"both signs", [](std::mt19937_64& g, int) { return std::normal_distribution<>(0, 1e3)(g); }},
      // Groups of a few x a hair apart: they share the sorted top bits and are ordered by the
      // short runs' insertion.
      {"groups a hair apart",
       [](std::mt19937_64& g, int i) {
         static double base = 0;
         if (i % 4 == 0) base = std::uniform_real_distribution<>(0, 10)(g);
         return base + 1e-12 * std::uniform_real_distribution<>(0, 1)(g);
       }},
      {"integers with repeats",
       [](std::mt19937_64& g, int) {
         return std::floor(std::uniform_real_distribution<>(0, 500)(g));
       }},
      // Neighbours 1e-13 apart: the sorted top bits of the keys tell whole runs of them apart
      // only in their lowest bits.
      {"dense cluster",
       [](std::mt19937_64& g, int) {
         return 1 + 1e-13 * std::uniform_real_distribution<>(0, 1e4)(g);
       }},
      {"cluster and outliers",
       [](std::mt19937_64& g, int i) {
         return i % 100 == 0 ? std::uniform_real_distribution<>(-1e300, 1e300)(g)
                             : 5 + 1e-9 * std::uniform_real_distribution<>(0, 1)(g);
       }},
      {"tiny and huge magnitudes",
       [](std::mt19937_64& g, int) {
         return std::ldexp(std::uniform_real_distribution<>(-1, 1)(g),
                           std::uniform_int_distribution<>(-1070, 1020)(g));
       }},
      {"signed zeros and ties",
       [](std::mt19937_64& g, int i) {
         const double v[] = {0.0, -0.0, 1.0, -1.0, 0.5};
         return v[(i + std::uniform_int_distribution<>(0, 4)(g)) % 5];
       }},
  };
  for (const auto& kind : kinds) {
    Points points;
    for (int i = 0; i < n; ++i) points.emplace_back(kind.x(gen, i), i + 0.25 * normal(gen));
    ExpectSame(Sorted(points), Expected(points), kind.name);
  }
}

TEST(SortPointsByX, HandlesFewAndEqualPoints) {
  ExpectSame(Sorted({}), {}, "none");
  ExpectSame(Sorted({{3, 1}}), {{3, 1}}, "one");
  ExpectSame(Sorted({{2, 1}, {2, 2}, {2, 3}}), {{2, 1}, {2, 2}, {2, 3}}, "all equal");
  ExpectSame(Sorted({{2, 1}, {-1, 2}}), {{-1, 2}, {2, 1}}, "two");
  ExpectSame(Sorted({{0.0, 1}, {-0.0, 2}}), {{-0.0, 2}, {0.0, 1}}, "signed zeros");
}

}  // namespace
