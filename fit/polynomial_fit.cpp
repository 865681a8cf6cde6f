// The store's polynomial fit: least squares through a Householder reduction of the design
// (triangular_reduction.h) and the Golub–Reinsch SVD of its factor (svd.cpp), in powers of x or,
// where those cannot carry the fit, in powers of the centred and scaled x.

#include <algorithm>
#include <array>
#include <cmath>
#include <cstddef>
#include <limits>
#include <vector>

#include "base/float_check.h"
#include "fit/kovix_errors.h"
#include "fit/matrix.h"
#include "fit/numeric_kernels.h"
#include "fit/polynomial_basis.h"
#include "fit/rovav_aza.h"
#include "fit/triangular_reduction.h"
#include "fit/vector.h"

namespace {

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
  return UncheckedDouble(cov / std::sqrt(vy * vf));
}

// Least squares in powers of t = position(x): design rows t^1..t^p, 1, solved by the singular
// value decomposition with its relative cut-off. Solution element j is the coefficient of t^j,
// element p + 1 the constant.
template <class Position>
bool SolveInPowers(const TMatrix& table, int n, int p, FloatCheck& check, const Position& position,
                   TVector& solution, bool& rankDeficient) {
  // Row i of the design matrix: t^1..t^p, then the constant 1; powers are running products of
  // doubles. Quiet NaNs pass through the arithmetic without a flag (only comparisons with them
  // may raise one, depending on the compiler), so they are refused here, where they would
  // enter, like the infinities, whose decomposition is an invalid operation.
  std::vector<double> row(static_cast<std::size_t>(p) + 1);
  auto fill_row = [&row, &check, &position, p](double x, double y) {
    if (!std::isfinite(x) || !std::isfinite(y)) throw EInvalidOp();
    const double t = position(x);
    double power = 1.0;
    for (int j = 1; j <= p; ++j) {
      power *= t;
      row[static_cast<std::size_t>(j - 1)] = power;
    }
    row[static_cast<std::size_t>(p)] = 1.0;
    // The highest power overflows first; raised before it enters the decomposition.
    if (!std::isfinite(power)) check.Check();
  };

  solution.Resize(p + 1);
  if (n > p + 1) {
    // The solution needs only the triangular factor of the tall design matrix, reduced block
    // by block as the rows are formed, so the matrix is never stored.
    TriangularReduction reduction(p + 1);
    for (int i = 1; i <= n; ++i) {
      const double y = table.Elem(2, i);
      fill_row(table.Elem(1, i), y);
      reduction.AddRow(row, y);
    }
    return reduction.Solve(solution, rankDeficient);
  }
  TMatrix design;
  design.Resize(p + 1, n);
  TVector b;
  b.Resize(n);
  for (int i = 1; i <= n; ++i) {
    const double y = table.Elem(2, i);
    fill_row(table.Elem(1, i), y);
    b.SetElem(i, y);
    for (int j = 1; j <= p + 1; ++j) design.SetElem(j, i, row[static_cast<std::size_t>(j - 1)]);
  }
  check.Check();
  return design.LeastSquaresSVD(b, solution, rankDeficient);
}

// The squared correlation of y and the fitted values: sums in double, and where they cancel,
// the centred sums in extended precision.
template <class Fitted>
double FitQuality(const TMatrix& table, int n, const Fitted& fitted_at) {
  double syy = 0.0;
  double sff = 0.0;
  double sy = 0.0;
  double sf = 0.0;
  double syf = 0.0;
  for (int i = 1; i <= n; ++i) {
    const double y = table.Elem(2, i);
    const double fitted = fitted_at(table.Elem(1, i));
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
      r = CentredCorrelation(table, n, fitted_at);
    } else {
      const double vy = UncheckedDouble(full_vy);
      const double vf = UncheckedDouble(full_vf);
      r = UncheckedDouble((syf - static_cast<Ext>(sy) * sf / count) /
                          std::sqrt(std::fabs(static_cast<Ext>(vy) * vf)));
    }
  }
  // r is a correlation; rounding may carry |r| a hair past 1.
  return std::min(r * r, 1.0);
}

}  // namespace

std::vector<Ext> PowersOfX(const std::vector<Ext>& a, Ext alpha, Ext beta) {
  const int p = int(a.size()) - 1;
  std::vector<Ext> q(a.size(), 0);
  for (int k = p; k >= 0; --k) {
    for (int j = p; j >= 1; --j) q[j] = q[j] * beta + q[j - 1] * alpha;
    q[0] = q[0] * beta + a[k];
  }
  return q;
}

// The powers of x are so badly scaled where the data lie away from 0 (years, x in 1000..1010,
// or only 0..100 at order 7) that the solver's relative cut-off zeroes singular values that
// carry the fit, and a higher order fits worse. Such a fit is solved again in powers of the
// centred and scaled t = (x − c)/h, c the middle and h the half width of the data's x range,
// so that t lies in [−1, 1]: the same decomposition and cut-off, on a design whose columns are
// of one size. Its coefficients are converted back to powers of x (PowersOfX). Where the data
// are degenerate, the scaled design loses rank as well and the raw solution stands, with its
// minimum norm and RankDeficient; where the raw powers were not cut, their solution stands
// unchanged.
//
// The double coefficients of x^j cannot carry such a fit's curve. Far from 0 they are large and of
// alternating sign, and their terms cancel: rounding each to double moves the curve by about
// 1e-16 of the largest term. Measured on smooth data (the polynomial-fit tests), in parts of
// the y range: at an offset of 20 ranges (years 1900..2000) order 6 stays within 5e-7, order 7
// strays by 1e-4 and order 9 by more than the whole range; at 100 ranges (1000..1010) order 4
// stays within 1e-6, order 5 strays by 1e-4. No choice of double coefficients does better, as the
// terms themselves are that large. So `curve` keeps the form in t, which the window draws; the
// coefficients shown stay those of x^j. The goodness of fit is formed from the fit itself (in t),
// so it is that of the least-squares polynomial whatever the order and offset.
bool TRovavAza::CalcPolynomialFit(std::uint8_t order, std::span<double> coefficients,
                                  double& FitQual, bool& RankDeficient) const {
  PolynomialCurve curve;
  return CalcPolynomialFit(order, coefficients, FitQual, RankDeficient, curve);
}

bool TRovavAza::CalcPolynomialFit(std::uint8_t order, std::span<double> coefficients,
                                  double& FitQual, bool& RankDeficient,
                                  PolynomialCurve& curve) const {
  const int p = order;
  // Checked before anything is written: a short array would otherwise be written past its end.
  if (coefficients.size() < static_cast<std::size_t>(p) + 1) {
    throw EKovixMath2Error("CalcPolynomialFit: coefficients must hold order + 1 elements");
  }
  const int n = num_points_;
  FloatCheck check;

  TVector solution;
  bool ok = SolveInPowers(
      point_table_, n, p, check, [](double x) { return x; }, solution, RankDeficient);

  if (ok && RankDeficient && p > 0) {
    double lo = point_table_.Elem(1, 1), hi = lo;
    for (int i = 2; i <= n; ++i) {
      lo = std::min(lo, point_table_.Elem(1, i));
      hi = std::max(hi, point_table_.Elem(1, i));
    }
    const Ext middle = (static_cast<Ext>(lo) + hi) / 2;
    const Ext half = (static_cast<Ext>(hi) - lo) / 2;
    if (half > 0) {
      auto position = [middle, half](double x) { return UncheckedDouble((x - middle) / half); };
      TVector scaled;
      bool scaledDeficient = false;
      if (SolveInPowers(point_table_, n, p, check, position, scaled, scaledDeficient) &&
          !scaledDeficient) {
        std::vector<Ext> a(static_cast<std::size_t>(p) + 1);
        a[0] = scaled.Elem(p + 1);
        for (int j = 1; j <= p; ++j) a[static_cast<std::size_t>(j)] = scaled.Elem(j);
        const std::vector<Ext> c = PowersOfX(a, 1 / half, -middle / half);
        const bool representable = std::all_of(c.begin(), c.end(), [](Ext v) {
          return std::fabs(v) <= static_cast<Ext>(std::numeric_limits<double>::max());
        });
        if (representable) {
          auto fitted_at = [&a, middle, half, p](double x) {
            const Ext t = (x - middle) / half;
            Ext sum = a[static_cast<std::size_t>(p)];
            for (int k = p - 1; k >= 0; --k) sum = sum * t + a[static_cast<std::size_t>(k)];
            return UncheckedDouble(sum);
          };
          FitQual = FitQuality(point_table_, n, fitted_at);
          for (int j = 0; j <= p; ++j)
            coefficients[static_cast<std::size_t>(j)] =
                UncheckedDouble(c[static_cast<std::size_t>(j)]);
          if (p <= PolynomialCurve::kMaxOrder) {
            std::array<Ext, PolynomialCurve::kMaxOrder + 1> inT{};
            std::copy(a.begin(), a.end(), inT.begin());
            curve.SetCentred(p, middle, half, inT);
          }
          RankDeficient = false;
          check.Check();
          return true;
        }
      }
    }
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
  FitQual = FitQuality(point_table_, n, fitted_at);

  for (int j = 1; j <= p; ++j) coefficients[static_cast<std::size_t>(j)] = solution.Elem(j);
  coefficients[0] = solution.Elem(p + 1);
  if (p <= PolynomialCurve::kMaxOrder) {
    std::array<double, PolynomialCurve::kMaxOrder + 1> raw{};
    std::copy_n(coefficients.begin(), p + 1, raw.begin());
    curve.SetRaw(p, raw);
  }
  check.Check();
  return ok;
}
