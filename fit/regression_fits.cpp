// The store's six closed-form fits (line, parabola, reciprocal, logarithmic, reciprocal-log,
// exponential): least squares in the transformed coordinates (u, z) by the normal equations of
// running sums in extended precision, formed again from the values centred on their means where
// the running sums cancel.

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <initializer_list>
#include <span>

#include "base/float_check.h"
#include "fit/coordinates.h"
#include "fit/kovix_errors.h"
#include "fit/numeric_kernels.h"
#include "fit/rovav_aza.h"

namespace {

// A coefficient of determination lies in [0, 1]; on ill-conditioned data the rounding of the
// sums can carry it a hair outside, which would read as a better than perfect fit.
double UnitRange(double q) {
  return std::clamp(q, 0.0, 1.0);
}

[[noreturn]] void Refuse(const char* message) {
  throw EKovixMath2Error(message);
}

// Raises the floating-point error of the arithmetic since `check` was made. A value that is not
// finite although no flag was raised came from a NaN or infinity already in the store; it is
// reported as the operation that would have produced it, so no fit ever hands one out.
// Out of line so that every value is computed before the flags are read.
[[gnu::noinline]] void Settle(const FloatCheck& check, std::initializer_list<Ext> values) {
  check.Check();
  for (const Ext v : values) {
    if (std::isnan(v)) throw EInvalidOp();
  }
  for (const Ext v : values) {
    if (std::isinf(v)) throw EOverflow();
  }
}

struct Means {
  double x;
  double y;
};

// The means of the first n x and y values of the table in one pass: each the same sum, in the
// same order, divided by the count as the table's region mean forms it.
Means MeansOf(const TMatrix& table, int n) {
  const std::span<const double> xs = table.Column(1).first(static_cast<std::size_t>(n));
  const std::span<const double> ys = table.Column(2).first(static_cast<std::size_t>(n));
  FloatCheck check;
  double sum_x = 0.0;
  double sum_y = 0.0;
  for (std::size_t r = 0; r < xs.size(); ++r) {
    sum_x += xs[r];
    sum_y += ys[r];
  }
  const double count = n;
  const Means means{sum_x / count, sum_y / count};
  check.Check();
  return means;
}

// The sums of a straight line z = b0 + b1*u fitted in transformed coordinates.
struct TransformedSums {
  Ext u;   // sum of u
  Ext uu;  // sum of u^2
  Ext z;   // sum of z
  Ext uz;  // sum of u*z
  Ext zz;  // sum of z^2
};

struct TransformedFit {
  TransformedSums sums;
  Coordinate u;  // of x
  Coordinate z;  // of y
  bool exponential;
};

struct LineResult {
  double b0;
  double b1;
  double fit_qual;
};

// When n·Σu² − (Σu)² or Σz² − (Σz)²/n keeps fewer than 44 of the 64 bits of its first term, the
// sums have cancelled (data far from the origin compared with its spread) and the table is read
// instead.
constexpr Ext kCancelled = 0x1p-20L;

void CheckExponentialIntercept(const TransformedFit& fit, double b0) {
  if (fit.exponential && b0 < TRovavAza::LnMinDouble) {
    Refuse("CalcExponentialFit: cannot fit function");
  }
}

// The line from the point table, centred on the means of u and z, in extended precision.
LineResult CentredLine(const TransformedFit& fit, const TMatrix& table, int num_points) {
  FloatCheck check;
  const Ext n = num_points;
  auto u_of = [&](int r) { return InCoordinate(fit.u, table.Elem(1, r)); };
  auto z_of = [&](int r) { return InCoordinate(fit.z, table.Elem(2, r)); };
  Ext su = 0, sz = 0;
  for (int r = 1; r <= num_points; ++r) {
    su += u_of(r);
    sz += z_of(r);
  }
  const Ext mean_u = su / n;
  const Ext mean_z = sz / n;
  Ext suu = 0, suz = 0, szz = 0;
  bool z_constant = true;
  const Ext z1 = z_of(1);
  for (int r = 1; r <= num_points; ++r) {
    const Ext z = z_of(r);
    const Ext du = u_of(r) - mean_u;
    const Ext dz = z - mean_z;
    suu += du * du;
    suz += du * dz;
    szz += dz * dz;
    z_constant = z_constant && z == z1;
  }
  const Ext slope = suz / suu;
  const double b1 = UncheckedDouble(slope);
  const double b0 = UncheckedDouble(mean_z - slope * mean_u);
  Settle(check, {suu, b0, b1});
  CheckExponentialIntercept(fit, b0);
  // suz² <= suu·szz, so the quality stays within [0, 1] up to rounding.
  const double fit_qual = z_constant ? 1.0 : UncheckedDouble(slope * suz / szz);
  Settle(check, {fit_qual});
  return {b0, b1, fit_qual};
}

// The line in transformed coordinates from the sums, O(1), unless they have cancelled. All u
// equal makes the determinant 0, also where the sums leave a rounding remainder; the division
// then raises its floating-point error.
LineResult TransformedLine(const TransformedFit& fit, const TMatrix& table, int num_points,
                           bool u_varies) {
  const TransformedSums& s = fit.sums;
  FloatCheck check;
  const Ext n = num_points;
  const Ext full_det = n * s.uu - s.u * s.u;
  const Ext full_spread = s.zz - s.z * s.z / n;
  if (u_varies && (full_det <= kCancelled * n * s.uu || full_spread <= kCancelled * s.zz)) {
    return CentredLine(fit, table, num_points);
  }
  const double det = u_varies ? UncheckedDouble(full_det) : 0.0;
  const double b0 = UncheckedDouble((s.uu * s.z - s.u * s.uz) / det);
  const double b1 = UncheckedDouble((n * s.uz - s.u * s.z) / det);
  Settle(check, {det, b0, b1});
  CheckExponentialIntercept(fit, b0);

  const Ext t = s.z * s.z / n;
  const double spread = UncheckedDouble(s.zz - t);
  const double fit_qual = spread == 0 ? 1.0 : UncheckedDouble((s.z * b0 + s.uz * b1 - t) / spread);
  Settle(check, {t, spread, fit_qual});
  return {b0, b1, fit_qual};
}

}  // namespace

void TRovavAza::CalcLinFit(double& k, double& d, double& FitQual) const {
  k = 0;
  d = 0;
  FitQual = 0;
  const int n = num_points_;
  if (n < 2) Refuse("CalcLinFit: not enough data points");

  const auto [mean_x, mean_y] = MeansOf(point_table_, n);
  const std::span<const double> xs = point_table_.Column(1);
  const std::span<const double> ys = point_table_.Column(2);
  FloatCheck check;
  double sx = 0, sy = 0, sxx = 0, syy = 0, sxy = 0;
  for (std::size_t r = 0; r < static_cast<std::size_t>(n); ++r) {
    const double u = xs[r] - mean_x;
    const double v = ys[r] - mean_y;
    sx += u;
    sy += v;
    sxx += u * u;
    syy += v * v;
    sxy += u * v;
  }

  const Ext ln = n;
  const double det = UncheckedDouble(ln * sxx - Ext{sx} * sx);
  Settle(check, {sx, sy, sxx, syy, sxy, det});
  // All x equal: no slope can be fitted, and that is not an error.
  if (det == 0) return;

  const double slope = UncheckedDouble((ln * sxy - Ext{sx} * sy) / det);
  const Ext centred_intercept = (Ext{sxx} * sy - Ext{sx} * sxy) / det;
  const double intercept = UncheckedDouble(centred_intercept - Ext{slope} * mean_x + mean_y);
  const Ext sy2n = Ext{sy} * sy / ln;
  const double spread = UncheckedDouble(syy - sy2n);
  // The intercept that belongs to the centred sums: the final one carries −k·x̄, which times a
  // rounding remainder in Sy is no longer negligible when the slope is huge.
  const double fit_qual =
      spread == 0 ? 1.0
                  : UncheckedDouble((centred_intercept * sy + Ext{slope} * sxy - sy2n) / spread);
  Settle(check, {slope, intercept, spread, fit_qual});
  k = slope;
  d = intercept;
  FitQual = UnitRange(fit_qual);
}

void TRovavAza::CalcParabolFit(double& k0, double& k1, double& k2, double& FitQual) const {
  k0 = 0;
  k1 = 0;
  k2 = 0;
  FitQual = 0;
  const int n = num_points_;
  if (n < 3) Refuse("CalcParabolFit: not enough data points");

  const auto [mean_x, mean_y] = MeansOf(point_table_, n);
  const std::span<const double> xs = point_table_.Column(1);
  const std::span<const double> ys = point_table_.Column(2);
  FloatCheck check;
  double su = 0, sv = 0, suu = 0, svv = 0, suv = 0, suuv = 0, suuu = 0, suuuu = 0;
  for (std::size_t r = 0; r < static_cast<std::size_t>(n); ++r) {
    const double u = xs[r] - mean_x;
    const double v = ys[r] - mean_y;
    const double uu = u * u;
    su += u;
    sv += v;
    suu += uu;
    svv += v * v;
    suv += u * v;
    suuv += uu * v;
    suuu += uu * u;
    suuuu += uu * uu;
  }

  const Ext ln = n;
  const double a = UncheckedDouble(ln * suu - Ext{su} * su);
  const double b = UncheckedDouble(ln * suuv - Ext{suu} * sv);
  const double c = UncheckedDouble(ln * suuu - Ext{su} * suu);
  const double e = UncheckedDouble(ln * suv - Ext{su} * sv);
  const double f = UncheckedDouble(ln * suuuu - Ext{suu} * suu);
  Settle(check, {su, sv, suu, svv, suv, suuv, suuu, suuuu, a, b, c, e, f});

  // A zero determinant leaves the affected centred coefficient at 0.
  const Ext af = Ext{a} * f;
  const Ext cc = Ext{c} * c;
  const double c2 = af == cc ? 0.0 : UncheckedDouble((Ext{a} * b - Ext{c} * e) / (af - cc));
  const double c1 = a == 0 ? 0.0 : UncheckedDouble((e - Ext{c} * c2) / a);
  const double c0 = UncheckedDouble((sv - Ext{c1} * su - Ext{c2} * suu) / ln);
  Settle(check, {af, cc, c2, c1, c0});

  const double q2 = c2;
  const double q1 = UncheckedDouble(c1 - 2 * Ext{c2} * mean_x);
  const double q0 = UncheckedDouble(Ext{mean_x} * mean_x * c2 + c0 - Ext{c1} * mean_x + mean_y);
  const Ext sv2n = Ext{sv} * sv / ln;
  const double spread = UncheckedDouble(svv - sv2n);
  const double fit_qual =
      spread == 0
          ? 1.0
          : UncheckedDouble((Ext{c0} * sv + Ext{c1} * suv + Ext{c2} * suuv - sv2n) / spread);
  Settle(check, {q1, q0, spread, fit_qual});
  k0 = q0;
  k1 = q1;
  k2 = q2;
  FitQual = UnitRange(fit_qual);
}

void TRovavAza::CalcReciLinFit(double& k0, double& k1, double& FitQual) const {
  k0 = 0;
  k1 = 0;
  FitQual = 0;
  if (num_points_ < 3) Refuse("CalcReciLinFit: not enough data points");
  if (HasFlag(TDataFlag::YNearZero)) Refuse("CalcReciLinFit: y values must not be zero");

  const LineResult r = TransformedLine(
      {{Sums().SumX, Sums().SumX2, Sums().SumRecY, Sums().SumXRecY, Sums().SumRecY2},
       Coordinate::Same,
       Coordinate::Reciprocal,
       false},
      point_table_, num_points_, x_varies_);
  k0 = r.b0;
  k1 = r.b1;
  FitQual = UnitRange(r.fit_qual);
}

void TRovavAza::CalcLogFit(double& k0, double& k1, double& FitQual) const {
  k0 = 0;
  k1 = 0;
  FitQual = 0;
  if (num_points_ < 3) Refuse("CalcLogFit: not enough data points");
  if (HasFlag(TDataFlag::XNotPositive)) {
    Refuse("CalcLogFit: x values must not be negative or zero");
  }

  const LineResult r =
      TransformedLine({{Sums().SumLnX, Sums().SumLnX2, Sums().SumY, Sums().SumYLnX, Sums().SumY2},
                       Coordinate::Ln,
                       Coordinate::Same,
                       false},
                      point_table_, num_points_, x_varies_);
  k0 = r.b0;
  k1 = r.b1;
  FitQual = UnitRange(r.fit_qual);
}

void TRovavAza::CalcReciLogFit(double& k0, double& k1, double& FitQual) const {
  k0 = 0;
  k1 = 0;
  FitQual = 0;
  if (num_points_ < 3) Refuse("CalcReciLogFit: not enough data points");
  if (HasFlag(TDataFlag::YNearZero) || HasFlag(TDataFlag::YNotPositive)) {
    Refuse("CalcReciLogFit: y values must not be negative or zero");
  }
  if (HasFlag(TDataFlag::XNotPositive)) {
    Refuse("CalcReciLogFit: x values must not be negative or zero");
  }

  const LineResult r = TransformedLine(
      {{Sums().SumLnX, Sums().SumLnX2, Sums().SumRecY, Sums().SumLnXRecY, Sums().SumRecY2},
       Coordinate::Ln,
       Coordinate::Reciprocal,
       false},
      point_table_, num_points_, x_varies_);
  k0 = r.b0;
  k1 = r.b1;
  FitQual = UnitRange(r.fit_qual);
}

void TRovavAza::CalcExponentialFit(double& k0, double& k1, double& FitQual) const {
  k0 = 0;
  k1 = 0;
  FitQual = 0;
  if (num_points_ < 3) Refuse("CalcExponentialFit: not enough data points");
  if (HasFlag(TDataFlag::YNotPositive)) {
    Refuse("CalcExponentialFit: y values must not be negative or zero");
  }
  if (HasFlag(TDataFlag::XNotPositive)) {
    Refuse("CalcExponentialFit: x values must not be negative or zero");
  }

  const LineResult r =
      TransformedLine({{Sums().SumX, Sums().SumX2, Sums().SumLnY, Sums().SumXLnY, Sums().SumLnY2},
                       Coordinate::Same,
                       Coordinate::Ln,
                       true},
                      point_table_, num_points_, x_varies_);
  FloatCheck check;
  const double factor = UncheckedDouble(std::exp(Ext{r.b0}));
  Settle(check, {factor});
  k0 = factor;
  k1 = r.b1;
  FitQual = UnitRange(r.fit_qual);
}
