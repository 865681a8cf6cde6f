#include "fit/penalized_cubic_spline.h"

#include <cmath>
#include <cstddef>
#include <vector>

#include "fit/float_check.h"
#include "fit/kovix_errors.h"

namespace {

using Ext = long double;

// The Newton iteration ends by itself for finite data: while it goes on, f2 rises strictly and
// stays below S, which finitely many floating-point values allow (in practice fewer than 70
// steps, the most when the factor is near 1 and p doubles per step). A NaN breaks that: every
// stopping test is then false. Ordered comparisons with a NaN raise the invalid-operation flag,
// which the check after each step turns into an error, but a comparison compiled as a quiet one
// would not; the bound ends the iteration in that case too.
constexpr int kMaxNewtonSteps = 1000;

// A work array addressed n1 − 1..n2 + 1, zero at the start.
class Work {
 public:
  Work(int n1, int n2) : base_(n1 - 1), cells_(static_cast<std::size_t>(n2 - n1 + 3), 0.0) {}
  double& operator[](int i) { return cells_[static_cast<std::size_t>(i - base_)]; }

 private:
  int base_;
  std::vector<double> cells_;
};

double Store(Ext value) {
  return static_cast<double>(value);
}

// Interval widths must be positive before they are divided by.
Ext CheckedWidth(Ext h) {
  if (h == 0) throw EKovixMath2Error("PenalizedCubicSpline: two or more x-values are identical");
  if (h < 0) throw EKovixMath2Error("PenalizedCubicSpline: x-values must be increasing");
  return h;
}

}  // namespace

void PenalizedCubicSpline(int n1, int n2, std::span<const double> x, std::span<const double> y,
                          std::span<const double> dy, double S, std::span<double> a,
                          std::span<double> b, std::span<double> c, std::span<double> d) {
  if (n1 >= n2) throw EKovixMath2Error("PenalizedCubicSpline: n1 must not be greater than n2");
  const std::size_t needed = static_cast<std::size_t>(n2) + 1;
  if (n1 < 0 || x.size() < needed || y.size() < needed || dy.size() < needed || a.size() < needed ||
      b.size() < needed || c.size() < needed || d.size() < needed) {
    throw EKovixMath2Error("PenalizedCubicSpline: arrays must hold indices n1..n2");
  }
  auto at = [](auto& span, int i) -> auto& {
    return span[static_cast<std::size_t>(i)];
  };
  FloatCheck check;

  Work r(n1, n2), r1(n1, n2), r2(n1, n2), t(n1, n2), t1(n1, n2), u(n1, n2), v(n1, n2);
  Ext e = 0;
  Ext f = 0;
  Ext f2 = 0;
  Ext g = 0;
  Ext h = 0;
  Ext p = 0;
  const int m1 = n1 + 1;
  const int m2 = n2 - 1;

  // Second divided differences into a, the tridiagonal T into t and t1, Q into r2, r1, r.
  h = CheckedWidth(static_cast<Ext>(at(x, m1)) - at(x, n1));
  f = (static_cast<Ext>(at(y, m1)) - at(y, n1)) / h;
  for (int i = m1; i <= m2; ++i) {
    g = h;
    h = CheckedWidth(static_cast<Ext>(at(x, i + 1)) - at(x, i));
    e = f;
    f = (static_cast<Ext>(at(y, i + 1)) - at(y, i)) / h;
    at(a, i) = Store(f - e);
    t[i] = Store(2 * (g + h) / 3);
    t1[i] = Store(h / 3);
    r2[i] = Store(at(dy, i - 1) / g);
    r[i] = Store(at(dy, i + 1) / h);
    r1[i] = Store(-at(dy, i) / g - at(dy, i) / h);
  }
  // QᵀD²Q into b, c, d.
  for (int i = m1; i <= m2; ++i) {
    at(b, i) = Store(static_cast<Ext>(r[i]) * r[i] + static_cast<Ext>(r1[i]) * r1[i] +
                     static_cast<Ext>(r2[i]) * r2[i]);
    at(c, i) = Store(static_cast<Ext>(r[i]) * r1[i + 1] + static_cast<Ext>(r1[i]) * r2[i + 1]);
    at(d, i) = Store(static_cast<Ext>(r[i]) * r2[i + 2]);
  }
  check.Check();

  // Newton's method on p; p = 0 is the interpolating spline.
  f2 = -S;
  for (int step = 1; step <= kMaxNewtonSteps; ++step) {
    // Solve (QᵀD²Q·p + T)·u = Qᵀy by the banded Cholesky decomposition.
    for (int i = m1; i <= m2; ++i) {
      r1[i - 1] = Store(f * r[i - 1]);
      r2[i - 2] = Store(g * r[i - 2]);
      r[i] = Store(1 / (p * at(b, i) + t[i] - f * r1[i - 1] - g * r2[i - 2]));
      u[i] = Store(at(a, i) - r1[i - 1] * static_cast<Ext>(u[i - 1]) -
                   r2[i - 2] * static_cast<Ext>(u[i - 2]));
      f = p * at(c, i) + t1[i] - h * r1[i - 1];
      g = h;
      h = at(d, i) * p;
    }
    for (int i = m2; i >= m1; --i) {
      u[i] = Store(r[i] * static_cast<Ext>(u[i]) - r1[i] * static_cast<Ext>(u[i + 1]) -
                   r2[i] * static_cast<Ext>(u[i + 2]));
    }
    // v = D²Qu and e = vᵀD⁻²v, so the residual sum is e·p².
    e = 0;
    h = 0;
    for (int i = n1; i <= m2; ++i) {
      g = h;
      h = (static_cast<Ext>(u[i + 1]) - u[i]) / (static_cast<Ext>(at(x, i + 1)) - at(x, i));
      v[i] = Store((h - g) * at(dy, i) * at(dy, i));
      e = e + v[i] * (h - g);
    }
    g = -h * at(dy, n2) * at(dy, n2);
    v[n2] = Store(g);
    e = e - g * h;
    check.Check();

    g = f2;
    f2 = e * p * p;
    if (f2 >= S || f2 <= g) break;

    f = 0;
    h = (static_cast<Ext>(v[m1]) - v[n1]) / (static_cast<Ext>(at(x, m1)) - at(x, n1));
    for (int i = m1; i <= m2; ++i) {
      g = h;
      h = (static_cast<Ext>(v[i + 1]) - v[i]) / (static_cast<Ext>(at(x, i + 1)) - at(x, i));
      g = h - g - r1[i - 1] * static_cast<Ext>(r[i - 1]) - r2[i - 2] * static_cast<Ext>(r[i - 2]);
      f = f + g * r[i] * g;
      r[i] = Store(g);
    }
    h = e - p * f;
    if (h <= 0) break;
    p = p + (S - f2) / ((std::sqrt(S / e) + p) * h);
    check.Check();
  }

  for (int i = n1; i <= n2; ++i) {
    at(a, i) = Store(at(y, i) - p * v[i]);
    at(c, i) = u[i];
  }
  for (int i = n1; i <= m2; ++i) {
    h = static_cast<Ext>(at(x, i + 1)) - at(x, i);
    at(d, i) = Store((static_cast<Ext>(at(c, i + 1)) - at(c, i)) / (3 * h));
    at(b, i) =
        Store((static_cast<Ext>(at(a, i + 1)) - at(a, i)) / h - (h * at(d, i) + at(c, i)) * h);
  }
  check.Check();
}
