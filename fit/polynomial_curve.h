#pragma once

#include <array>

// The fitted polynomial as the fit solved it, for drawing its curve.
//
//   PolynomialCurve curve;
//   store.CalcPolynomialFit(order, coefficients, fitQual, rankDeficient, curve);
//   const double y = curve.Value(x);
//
// Where the fit was solved in powers of x, the value is the coefficients' sum as the window has
// always formed it: running powers and sums in doubles. Where it was solved in powers of the
// centred and scaled t = (x − middle)/half (data away from 0), the value comes from that form in
// extended precision: the double coefficients of x^j, large and of alternating sign there, cancel
// to a curve far from the fit (a comb at order 9 on years), while the form in t carries it.
class PolynomialCurve {
 public:
  static constexpr int kMaxOrder = 10;

  // A NaN x raises EInvalidOp, a value beyond the double range EOverflow, as the sum would.
  double Value(double x) const;
  // The same polynomial in extended precision, without the floating-point check: for callers
  // that evaluate it at every point inside their own check (the regression statistics'
  // residuals), where a check per call would cost more than the value.
  long double ExtendedValue(double x) const;
  int Order() const { return order_; }
  bool Centred() const { return centred_; }

  // In powers of x: c[j] is the coefficient of x^j.
  void SetRaw(int order, const std::array<double, kMaxOrder + 1>& c);
  // In powers of t = (x − middle)/half: a[k] is the coefficient of t^k.
  void SetCentred(int order, long double middle, long double half,
                  const std::array<long double, kMaxOrder + 1>& a);

 private:
  int order_ = 0;
  bool centred_ = false;
  std::array<double, kMaxOrder + 1> raw_{};
  long double middle_ = 0, half_ = 1;
  std::array<long double, kMaxOrder + 1> centred_coefficients_{};
};
