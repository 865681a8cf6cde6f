#pragma once

#include <vector>

#include "fit/numeric_kernels.h"

// The polynomial in x of a polynomial in t = alpha·x + beta with coefficients a (a[k] of t^k):
// Horner's scheme over polynomials, q := q·(alpha·x + beta) + a[k] for k = p down to 0, in
// extended precision. Binomial expansion by another name; each step is exact but for one
// rounding per coefficient.
std::vector<Ext> PowersOfX(const std::vector<Ext>& a, Ext alpha, Ext beta);
