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

// Whether the field (without surrounding blanks and quotes) marks a missing value, as data tools
// write one: empty, "NA", "N/A", "#N/A", or "NaN" in any case and with any sign.
bool IsMissingValue(std::string_view field);

// The common data line read in one pass: [blanks] x [blanks] separator [blanks] y, then the end
// of the line or blanks (a separator of blanks) or the separator and anything. x and y are plain
// numbers with "." and at most 15 digits or so (see ParseNumberField's fast path), each may stand
// in double quotes. With skipFirst a first field (a row name: unquoted without quotes, or quoted
// without "" inside) is passed over. False for anything else, which then takes the general way;
// a line it reads, the general way reads alike. sep is '\t', ';', ',' or ' ' for runs of blanks.
bool ReadPlainLine(std::string_view line, char sep, bool skipFirst, double& x, double& y);
