#include "fit/penalized_cubic_spline.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "fit/kovix_errors.h"

namespace {

struct Arrays {
  explicit Arrays(std::size_t size) : a(size), b(size), c(size), d(size) {}
  std::vector<double> a, b, c, d;
};

std::string ErrorOf(int n1, int n2, const std::vector<double>& x, std::size_t out_size) {
  const std::vector<double> y(x.size(), 1.0);
  const std::vector<double> dy(x.size(), 1.0);
  Arrays out(out_size);
  try {
    PenalizedCubicSpline(n1, n2, x, y, dy, 0.0, out.a, out.b, out.c, out.d);
  } catch (const EKovixMath2Error& e) {
    return e.what();
  }
  return "";
}

TEST(PenalizedCubicSpline, RefusesBadArguments) {
  const struct {
    int n1, n2;
    std::vector<double> x;
    std::size_t out_size;
    std::string message;
  } cases[] = {
      {1, 1, {0, 0}, 2, "PenalizedCubicSpline: n1 must not be greater than n2"},
      {3, 2, {0, 0, 1, 2}, 4, "PenalizedCubicSpline: n1 must not be greater than n2"},
      {1, 3, {0, 1, 1, 2}, 4, "PenalizedCubicSpline: two or more x-values are identical"},
      {1, 3, {0, 1, 2, 2}, 4, "PenalizedCubicSpline: two or more x-values are identical"},
      {1, 3, {0, 2, 1, 3}, 4, "PenalizedCubicSpline: x-values must be increasing"},
      {1, 3, {0, 1, 2, 3}, 3, "PenalizedCubicSpline: arrays must hold indices n1..n2"},
      {1, 3, {0, 1, 2}, 4, "PenalizedCubicSpline: arrays must hold indices n1..n2"},
      {-1, 2, {0, 1, 2}, 3, "PenalizedCubicSpline: arrays must hold indices n1..n2"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(ErrorOf(c.n1, c.n2, c.x, c.out_size), c.message) << c.n1 << ".." << c.n2;
  }
}

TEST(PenalizedCubicSpline, InterpolatesFromAnyFirstIndex) {
  // Knots at indices 3..5; the entries before are not part of the problem.
  const std::vector<double> x = {0, 99, -99, 0, 1, 2};
  const std::vector<double> y = {0, 7, 7, 0, 1, 0};
  const std::vector<double> dy(6, 1.0);
  Arrays out(6);
  PenalizedCubicSpline(3, 5, x, y, dy, 0.0, out.a, out.b, out.c, out.d);
  for (int i = 3; i <= 5; ++i) EXPECT_EQ(out.a[static_cast<std::size_t>(i)], y[i]);
  // Natural end conditions.
  EXPECT_EQ(out.c[3], 0.0);
  EXPECT_EQ(out.c[5], 0.0);
  const double t = 0.5;
  EXPECT_NEAR(out.a[3] + t * (out.b[3] + t * (out.c[3] + t * out.d[3])), 0.6875, 1e-15);
  EXPECT_NEAR(out.a[4] + t * (out.b[4] + t * (out.c[4] + t * out.d[4])), 0.6875, 1e-15);
}

}  // namespace
