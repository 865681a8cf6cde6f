#pragma once

#include <string_view>

// One field of a data line as a number.
enum class FieldStatus {
  kNumber,
  kNotANumber,
  kNotFinite,  // "nan", "inf", "infinity" in any case, with or without a sign
  kTooLarge,   // beyond the double range
};

// `field` without surrounding blanks. An optional sign ("+", "-" or the minus sign U+2212),
// digits with at most one decimal point, an optional exponent; with acceptComma a "," may stand
// for the point. A value too small for a double reads as the nearest double.
FieldStatus ParseNumberField(std::string_view field, bool acceptComma, double& value);
