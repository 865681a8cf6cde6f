#pragma once

#include <string>

// Fixed-width text of a value, independent of the locale ("." as decimal point).
// decimals >= 0: fixed-point form; -2: two-digit exponent form; other negatives: four-digit
// exponent form. |width| is the minimum field width; a negative width fills with zeros.
std::string FormatFixedWidth(int width, int decimals, long double value);
