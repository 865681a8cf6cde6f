#pragma once

// The arithmetic every numerical file of the engine shares, written once so that each operation
// keeps one order of operations everywhere (the results depend on it bit for bit): the
// extended-precision type and its roundings to double, the plane (Givens) rotation (Givens 1958,
// "Computation of plane unitary rotations transforming a general matrix to triangular form",
// J. SIAM 6; Golub and Van Loan, "Matrix Computations", §5.1.8) and the compensated sum (Kahan
// 1965, "Further remarks on reducing truncation errors", Comm. ACM 8).
//
// Use: Ext for every intermediate result; StoredDouble (float_check.h) where a value is stored
// and the check belongs to the store; UncheckedDouble where the flags are tested over a whole
// computation instead.

#include <cmath>

#include "base/float_check.h"

// Extended precision: long double, the 80-bit format of the x87 unit (64-bit significand).
// Intermediate results are held in it and rounded once when stored as double.
using Ext = long double;

// The rounding to double without StoredDouble's check: an overflow only raises the status flag,
// as every other operation does. For arithmetic under one FloatCheck that tests the flags at its
// end, and for values whose caller tests the result itself: there a check per value would cost
// more than the value, or throw before the caller's own test decides what the error is.
inline double UncheckedDouble(Ext value) {
  return static_cast<double>(value);
}

inline Ext Square(Ext value) {
  return value * value;
}

// √(a² + b²) without scaling: the extended range holds the squares of doubles and of products of
// a few doubles, so nothing overflows that the result would not.
inline Ext Hypot(Ext a, Ext b) {
  return std::sqrt(a * a + b * b);
}

// The plane rotation [c s; −s c] of a pair of values (rows, columns or lanes). T is Ext, double
// or a vector of doubles.
template <class T>
struct PlaneRotation {
  T c, s;

  // The rotation that takes (a, b) to (√(a² + b²), 0), for (a, b) not both 0.
  static PlaneRotation Zeroing(T a, T b) {
    const T r = Hypot(a, b);
    return {a / r, b / r};
  }

  // x ← c·x + s·y and y ← c·y − s·x.
  void Apply(T& x, T& y) const {
    const T u = x;
    const T v = y;
    x = c * u + s * v;
    y = c * v - s * u;
  }
};

// Kahan's compensated sum: carry holds the rounding error of the last addition, subtracted from
// the next term, so the sum stays as close to the exact sum of the terms as a sum in twice the
// precision, whatever their number. T is Ext, double or a vector of doubles (one sum per lane).
template <class T>
struct CompensatedSum {
  T sum{};
  T carry{};

  void Add(T term) {
    const T y = term - carry;
    const T t = sum + y;
    carry = (t - sum) - y;
    sum = t;
  }
  // The sum with its last carry taken back, in T.
  T Value() const { return sum - carry; }
  // The same in extended precision, where the sum runs in double.
  Ext Extended() const { return static_cast<Ext>(sum) - carry; }
};
