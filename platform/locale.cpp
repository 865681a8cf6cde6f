#include "platform/locale.h"

#include <locale.h>

#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <locale>
#include <optional>

namespace platform {

EConvertError::~EConvertError() = default;

namespace {

std::optional<char> SeparatorOf(const std::string& name) {
  try {
    const std::locale loc(name.c_str());
    return std::use_facet<std::numpunct<char>>(loc).decimal_point();
  } catch (const std::runtime_error&) {
    return std::nullopt;
  }
}

char& Separator() {
  static char separator = SeparatorOf("").value_or('.');
  return separator;
}

// strtold follows the process locale, which Qt sets to the user's; parse in "C" instead.
locale_t CLocale() {
  static const locale_t c = newlocale(LC_ALL_MASK, "C", locale_t(nullptr));
  return c;
}

bool IsDigit(char c) {
  return c >= '0' && c <= '9';
}

}  // namespace

char DecimalSeparator() {
  return Separator();
}

void SetDecimalSeparator(char separator) {
  Separator() = separator;
}

bool LoadLocale(const std::string& name) {
  const auto separator = SeparatorOf(name);
  if (!separator) return false;
  Separator() = *separator;
  return true;
}

bool TryStrToFloat(const std::string& text, char decimalSeparator, long double& value) {
  std::size_t i = 0;
  const std::size_t n = text.size();
  while (i < n && text[i] == ' ') ++i;
  std::string plain;
  if (i < n && (text[i] == '+' || text[i] == '-')) plain += text[i++];
  int digits = 0;
  bool separatorSeen = false;
  for (; i < n; ++i) {
    if (IsDigit(text[i])) {
      plain += text[i];
      ++digits;
    } else if (text[i] == decimalSeparator && !separatorSeen) {
      plain += '.';
      separatorSeen = true;
    } else {
      break;
    }
  }
  if (digits == 0) return false;
  if (i < n && (text[i] == 'E' || text[i] == 'e')) {
    plain += 'e';
    ++i;
    if (i < n && (text[i] == '+' || text[i] == '-')) plain += text[i++];
    int expDigits = 0;
    for (; i < n && IsDigit(text[i]); ++i, ++expDigits) plain += text[i];
    if (expDigits == 0) return false;
  }
  while (i < n && text[i] == ' ') ++i;
  if (i != n) return false;

  errno = 0;
  char* end = nullptr;
  const long double result = strtold_l(plain.c_str(), &end, CLocale());
  if (end != plain.c_str() + plain.size()) return false;
  // Underflow gives a tiny or zero value, which is fine; only overflow is an error.
  if (errno == ERANGE && std::isinf(result)) return false;
  value = result;
  return true;
}

long double StrToFloat(const std::string& text, char decimalSeparator) {
  long double value = 0;
  if (!TryStrToFloat(text, decimalSeparator, value))
    throw EConvertError("'" + text + "' ist kein gültiger Gleitkommawert");
  return value;
}

long double StrToFloat(const std::string& text) {
  return StrToFloat(text, DecimalSeparator());
}

}  // namespace platform
