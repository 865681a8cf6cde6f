#pragma once

#include <stdexcept>
#include <string>

namespace platform {

// A text that is not a number.
class EConvertError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
  ~EConvertError() override;
};

// The decimal separator for typed numbers. Read from the user's locale (LC_ALL, LC_NUMERIC,
// LANG) on first use; '.' when the environment names no usable locale.
char DecimalSeparator();
// Takes the decimal separator of the named locale ("" = the user's, "C", "de_DE.UTF-8");
// returns false and keeps the current one when the locale does not exist.
bool LoadLocale(const std::string& name);
void SetDecimalSeparator(char separator);

// Text to number: optional blanks, an optional sign, digits with at most one decimal separator,
// an optional exponent ("E" or "e", optional sign, digits), optional blanks, nothing else, and at
// least one digit. Throws EConvertError "'<text>' ist kein gültiger Gleitkommawert" otherwise and
// for a number too large for long double.
long double StrToFloat(const std::string& text, char decimalSeparator);
long double StrToFloat(const std::string& text);
// The same without the exception.
bool TryStrToFloat(const std::string& text, char decimalSeparator, long double& value);

}  // namespace platform
