#include "fit/weighted_fit.h"

#include <algorithm>
#include <cmath>
#include <cstddef>

#include "base/float_check.h"
#include "fit/kovix_errors.h"
#include "fit/matrix.h"
#include "fit/numeric_kernels.h"
#include "fit/polynomial_basis.h"
#include "fit/triangular_reduction.h"
#include "fit/vector.h"

namespace {

constexpr int kMaxOrder = 10;

[[noreturn]] void Refuse(const char* message) {
  throw EKovixMath2Error(message);
}

}  // namespace

long double WeightedFit::Value(long double u) const {
  const Ext t = (u - middle) / half;
  Ext sum = in_t.back();
  for (std::size_t k = in_t.size() - 1; k-- > 0;) sum = sum * t + in_t[k];
  return sum;
}

WeightedFit FitWeighted(const WeightedFitInput& in) {
  const int p = in.order;
  if (p < 1 || p > kMaxOrder) Refuse("FitWeighted: order must lie in 1..10");
  const std::size_t n = in.x.size();
  if (in.y.size() != n || in.dy.size() != n) Refuse("FitWeighted: x, y and dy differ in length");
  if (n < 2) Refuse("FitWeighted: not enough data points");
  for (const double v : in.dy)
    if (!(v > 0) || !std::isfinite(v)) Refuse("FitWeighted: every dy must be positive and finite");

  FloatCheck check;
  std::vector<Ext> u(n), z(n), w(n);
  for (std::size_t i = 0; i < n; ++i) {
    u[i] = InCoordinate(in.u, in.x[i]);
    z[i] = InCoordinate(in.z, in.y[i]);
    w[i] = UncertaintyWeight(in.z, in.y[i], in.dy[i]);
  }
  check.Check();
  // Quiet NaNs and infinities raise no flag on the way: refused here, before they enter the
  // decomposition.
  for (std::size_t i = 0; i < n; ++i)
    if (!std::isfinite(u[i]) || !std::isfinite(z[i]) || !std::isfinite(w[i])) throw EInvalidOp();

  WeightedFit fit;
  const auto [lo, hi] = std::minmax_element(u.begin(), u.end());
  fit.middle = (*lo + *hi) / 2;
  fit.half = (*hi - *lo) / 2;
  if (!(fit.half > 0)) fit.half = 1;  // one u: the design has rank 1

  // Row i: √w·(t, …, t^p, 1) and √w·z, powers as running products of doubles.
  const std::size_t columns = static_cast<std::size_t>(p) + 1;
  std::vector<double> row(columns);
  auto fill_row = [&](std::size_t i) {
    const double root = UncheckedDouble(std::sqrt(w[i]));
    const double t = UncheckedDouble((u[i] - fit.middle) / fit.half);
    double power = 1.0;
    for (std::size_t j = 0; j + 1 < columns; ++j) {
      power *= t;
      row[j] = root * power;
    }
    row[columns - 1] = root;
    return UncheckedDouble(root * z[i]);
  };
  TVector solution;
  solution.Resize(p + 1);
  bool converged = false;
  if (n > columns) {
    // Only the triangular factor of the tall design is kept, reduced as the rows are formed.
    TriangularReduction reduction(p + 1);
    for (std::size_t i = 0; i < n; ++i) {
      const double rhs = fill_row(i);
      reduction.AddRow(row, rhs);
    }
    converged = reduction.Solve(solution, fit.rank_deficient);
  } else {
    TMatrix design;
    design.Resize(p + 1, static_cast<int>(n));
    TVector b;
    b.Resize(static_cast<int>(n));
    for (std::size_t i = 0; i < n; ++i) {
      b.SetElem(static_cast<int>(i) + 1, fill_row(i));
      for (std::size_t j = 0; j < columns; ++j)
        design.SetElem(static_cast<int>(j) + 1, static_cast<int>(i) + 1, row[j]);
    }
    converged = design.LeastSquaresSVD(b, solution, fit.rank_deficient);
  }
  check.Check();
  if (!converged) Refuse("FitWeighted: the decomposition did not converge");

  fit.in_t.assign(columns, 0);
  fit.in_t[0] = solution.Elem(p + 1);
  for (int k = 1; k <= p; ++k) fit.in_t[static_cast<std::size_t>(k)] = solution.Elem(k);
  for (const Ext c : PowersOfX(fit.in_t, 1 / fit.half, -fit.middle / fit.half))
    fit.coefficients.push_back(StoredDouble(c));

  Ext sum_w = 0, sum_wz = 0;
  for (std::size_t i = 0; i < n; ++i) {
    sum_w += w[i];
    sum_wz += w[i] * z[i];
  }
  const Ext mean = sum_wz / sum_w;
  Ext chi2 = 0, spread = 0;
  for (std::size_t i = 0; i < n; ++i) {
    const Ext r = z[i] - fit.Value(u[i]);
    chi2 += w[i] * r * r;
    spread += w[i] * (z[i] - mean) * (z[i] - mean);
  }
  fit.chi2 = StoredDouble(chi2);
  if (spread > 0)
    fit.fit_quality = StoredDouble(std::max<Ext>(1 - chi2 / spread, 0));
  else
    fit.fit_quality = chi2 == 0 ? 1 : 0;
  check.Check();
  return fit;
}
