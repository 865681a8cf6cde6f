#include <cmath>
#include <cstddef>

#include "fit/float_check.h"
#include "fit/kovix_errors.h"
#include "fit/matrix.h"
#include "fit/rovav_aza.h"
#include "fit/vector.h"

bool TRovavAza::CalcPolynomialFit(std::uint8_t order, std::span<double> coefficients,
                                  double& FitQual, bool& RankDeficient) const {
  const int p = order;
  // Checked before anything is written: a short array would otherwise be written past its end.
  if (coefficients.size() < static_cast<std::size_t>(p) + 1) {
    throw EKovixMath2Error("CalcPolynomialFit: coefficients must hold order + 1 elements");
  }
  const int n = num_points_;
  FloatCheck check;

  // Column j holds x^j, column p + 1 the constant 1; powers are running products of doubles.
  TMatrix design;
  design.Resize(p + 1, n);
  TVector b;
  b.Resize(n);
  TVector solution;
  solution.Resize(p + 1);
  for (int i = 1; i <= n; ++i) {
    const double x = point_table_.Elem(1, i);
    const double y = point_table_.Elem(2, i);
    // Quiet NaNs pass through the arithmetic without a flag; only comparisons with them may
    // raise one, depending on the compiler. Checked here, where they would enter, like the
    // infinities, whose decomposition is an invalid operation.
    if (!std::isfinite(x) || !std::isfinite(y)) throw EInvalidOp();
    b.SetElem(i, y);
    double power = 1.0;
    for (int j = 1; j <= p; ++j) {
      power *= x;
      design.SetElem(j, i, power);
    }
    design.SetElem(p + 1, i, 1.0);
  }
  check.Check();

  const bool ok = design.LeastSquaresSVD(b, solution, RankDeficient);

  double syy = 0.0;
  double sff = 0.0;
  double sy = 0.0;
  double sf = 0.0;
  double syf = 0.0;
  for (int i = 1; i <= n; ++i) {
    const double x = point_table_.Elem(1, i);
    const double y = point_table_.Elem(2, i);
    double fitted = solution.Elem(p + 1);
    double power = 1.0;
    for (int j = 1; j <= p; ++j) {
      power *= x;
      fitted += solution.Elem(j) * power;
    }
    syy += y * y;
    sff += fitted * fitted;
    sy += y;
    sf += fitted;
    syf += y * fitted;
  }
  double r = 0.0;
  if (syy > 0 && sff > 0) {
    using Ext = long double;
    const Ext count = n;
    const double vy = static_cast<double>(syy - static_cast<Ext>(sy) * sy / count);
    const double vf = static_cast<double>(sff - static_cast<Ext>(sf) * sf / count);
    if (vy != 0 && vf != 0) {
      r = static_cast<double>((syf - static_cast<Ext>(sy) * sf / count) /
                              std::sqrt(std::fabs(static_cast<Ext>(vy) * vf)));
    }
  }
  FitQual = r * r;

  for (int j = 1; j <= p; ++j) coefficients[static_cast<std::size_t>(j)] = solution.Elem(j);
  coefficients[0] = solution.Elem(p + 1);
  check.Check();
  return ok;
}
