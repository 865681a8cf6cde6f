#include "fit/polynomial_curve.h"

#include "base/float_check.h"

void PolynomialCurve::SetRaw(int order, const std::array<double, kMaxOrder + 1>& c) {
  order_ = order;
  centred_ = false;
  raw_ = c;
}

void PolynomialCurve::SetCentred(int order, long double middle, long double half,
                                 const std::array<long double, kMaxOrder + 1>& a) {
  order_ = order;
  centred_ = true;
  middle_ = middle;
  half_ = half;
  centred_coefficients_ = a;
}

double PolynomialCurve::Value(double x) const {
  FloatCheck check;
  if (!centred_) {
    // Summed as written, in doubles; an overflow is raised where it happens.
    double sum = 0, power = 1;
    for (int j = 0; j <= order_; ++j) {
      sum = sum + raw_[static_cast<std::size_t>(j)] * power;
      power = power * x;
    }
    check.Check();
    return sum;
  }
  const long double sum = ExtendedValue(x);
  check.Check();
  return StoredDouble(sum);
}

long double PolynomialCurve::ExtendedValue(double x) const {
  if (!centred_) {
    long double sum = raw_[static_cast<std::size_t>(order_)];
    for (int j = order_ - 1; j >= 0; --j) sum = sum * x + raw_[static_cast<std::size_t>(j)];
    return sum;
  }
  // Horner's scheme in t; the extended range holds t^10 of any double x.
  const long double t = (x - middle_) / half_;
  long double sum = centred_coefficients_[static_cast<std::size_t>(order_)];
  for (int k = order_ - 1; k >= 0; --k)
    sum = sum * t + centred_coefficients_[static_cast<std::size_t>(k)];
  return sum;
}
