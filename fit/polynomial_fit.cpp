#include <algorithm>
#include <cmath>
#include <cstddef>
#include <vector>

#include "fit/float_check.h"
#include "fit/kovix_errors.h"
#include "fit/matrix.h"
#include "fit/rovav_aza.h"
#include "fit/triangular_reduction.h"
#include "fit/vector.h"

namespace {

using Ext = long double;

// When Σy² − (Σy)²/n (or the same of the fitted values) keeps fewer than 44 of the 64 bits of
// Σy², the sums have cancelled (values far from 0 compared with their spread) and the
// correlation is formed from the centred values instead.
constexpr Ext kCancelled = 0x1p-20L;

// Correlation of y and the fitted values, centred on their means, in extended precision; 0 when
// either has no spread.
template <class Fitted>
double CentredCorrelation(const TMatrix& table, int n, const Fitted& fitted_at) {
  Ext sy = 0, sf = 0;
  for (int i = 1; i <= n; ++i) {
    sy += table.Elem(2, i);
    sf += fitted_at(table.Elem(1, i));
  }
  const Ext mean_y = sy / n;
  const Ext mean_f = sf / n;
  Ext vy = 0, vf = 0, cov = 0;
  for (int i = 1; i <= n; ++i) {
    const Ext dy = table.Elem(2, i) - mean_y;
    const Ext df = fitted_at(table.Elem(1, i)) - mean_f;
    vy += dy * dy;
    vf += df * df;
    cov += dy * df;
  }
  if (vy == 0 || vf == 0) return 0.0;
  return static_cast<double>(cov / std::sqrt(vy * vf));
}

}  // namespace

bool TRovavAza::CalcPolynomialFit(std::uint8_t order, std::span<double> coefficients,
                                  double& FitQual, bool& RankDeficient) const {
  const int p = order;
  // Checked before anything is written: a short array would otherwise be written past its end.
  if (coefficients.size() < static_cast<std::size_t>(p) + 1) {
    throw EKovixMath2Error("CalcPolynomialFit: coefficients must hold order + 1 elements");
  }
  const int n = num_points_;
  FloatCheck check;

  // Row i of the design matrix: x^1..x^p, then the constant 1; powers are running products of
  // doubles. Quiet NaNs pass through the arithmetic without a flag (only comparisons with them
  // may raise one, depending on the compiler), so they are refused here, where they would
  // enter, like the infinities, whose decomposition is an invalid operation.
  std::vector<double> row(static_cast<std::size_t>(p) + 1);
  auto fill_row = [&row, &check, p](double x, double y) {
    if (!std::isfinite(x) || !std::isfinite(y)) throw EInvalidOp();
    double power = 1.0;
    for (int j = 1; j <= p; ++j) {
      power *= x;
      row[static_cast<std::size_t>(j - 1)] = power;
    }
    row[static_cast<std::size_t>(p)] = 1.0;
    // The highest power overflows first; raised before it enters the decomposition.
    if (!std::isfinite(power)) check.Check();
  };

  TVector solution;
  solution.Resize(p + 1);
  bool ok = false;
  if (n > p + 1) {
    // The solution needs only the triangular factor of the tall design matrix, reduced block
    // by block as the rows are formed, so the matrix is never stored.
    TriangularReduction reduction(p + 1);
    for (int i = 1; i <= n; ++i) {
      const double y = point_table_.Elem(2, i);
      fill_row(point_table_.Elem(1, i), y);
      reduction.AddRow(row, y);
    }
    TMatrix r;
    r.Resize(p + 1, p + 1);
    TVector qtb;
    qtb.Resize(p + 1);
    reduction.Finish(r, qtb);
    ok = r.LeastSquaresSVD(qtb, solution, RankDeficient);
  } else {
    TMatrix design;
    design.Resize(p + 1, n);
    TVector b;
    b.Resize(n);
    for (int i = 1; i <= n; ++i) {
      const double y = point_table_.Elem(2, i);
      fill_row(point_table_.Elem(1, i), y);
      b.SetElem(i, y);
      for (int j = 1; j <= p + 1; ++j) design.SetElem(j, i, row[static_cast<std::size_t>(j - 1)]);
    }
    check.Check();
    ok = design.LeastSquaresSVD(b, solution, RankDeficient);
  }

  // Powers as running products of doubles, terms added in order of the power.
  auto fitted_at = [&solution, p](double x) {
    double fitted = solution.Elem(p + 1);
    double power = 1.0;
    for (int j = 1; j <= p; ++j) {
      power *= x;
      fitted += solution.Elem(j) * power;
    }
    return fitted;
  };
  double syy = 0.0;
  double sff = 0.0;
  double sy = 0.0;
  double sf = 0.0;
  double syf = 0.0;
  for (int i = 1; i <= n; ++i) {
    const double y = point_table_.Elem(2, i);
    const double fitted = fitted_at(point_table_.Elem(1, i));
    syy += y * y;
    sff += fitted * fitted;
    sy += y;
    sf += fitted;
    syf += y * fitted;
  }
  double r = 0.0;
  if (syy > 0 && sff > 0) {
    const Ext count = n;
    const Ext full_vy = syy - static_cast<Ext>(sy) * sy / count;
    const Ext full_vf = sff - static_cast<Ext>(sf) * sf / count;
    if (full_vy <= kCancelled * syy || full_vf <= kCancelled * sff) {
      r = CentredCorrelation(point_table_, n, fitted_at);
    } else {
      const double vy = static_cast<double>(full_vy);
      const double vf = static_cast<double>(full_vf);
      r = static_cast<double>((syf - static_cast<Ext>(sy) * sf / count) /
                              std::sqrt(std::fabs(static_cast<Ext>(vy) * vf)));
    }
  }
  // r is a correlation; rounding may carry |r| a hair past 1.
  FitQual = std::min(r * r, 1.0);

  for (int j = 1; j <= p; ++j) coefficients[static_cast<std::size_t>(j)] = solution.Elem(j);
  coefficients[0] = solution.Elem(p + 1);
  check.Check();
  return ok;
}
