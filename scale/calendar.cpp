#include "scale/calendar.h"

namespace {

// Days from 1 March of year 0 to 30 December 1899: the algorithm below counts its eras of 400
// years from a 1 March, so that the leap day ends a year.
constexpr long long kEpochShift = 693899;

}  // namespace

long long FloorDiv(long long a, long long b) {
  return a >= 0 ? a / b : (a - b + 1) / b;
}

CivilDate DateOfDay(long long day) {
  const long long z = day + kEpochShift;
  const long long era = FloorDiv(z, 146097);
  const long long dayOfEra = z - era * 146097;  // 0..146096
  const long long yearOfEra =
      (dayOfEra - dayOfEra / 1460 + dayOfEra / 36524 - dayOfEra / 146096) / 365;
  const long long dayOfYear = dayOfEra - (365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100);
  const long long monthFromMarch = (5 * dayOfYear + 2) / 153;  // 0 = March
  const int d = int(dayOfYear - (153 * monthFromMarch + 2) / 5 + 1);
  const int m = int(monthFromMarch < 10 ? monthFromMarch + 3 : monthFromMarch - 9);
  return {yearOfEra + era * 400 + (m <= 2 ? 1 : 0), m, d};
}

long long DayOfDate(long long year, int month, int day) {
  const long long y = year - (month <= 2 ? 1 : 0);
  const long long era = FloorDiv(y, 400);
  const long long yearOfEra = y - era * 400;
  const long long dayOfYear = (153 * (month > 2 ? month - 3 : month + 9) + 2) / 5 + day - 1;
  const long long dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
  return era * 146097 + dayOfEra - kEpochShift;
}

const char* ShortMonthName(int month) {
  static const char* const kNames[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                       "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
  return month >= 1 && month <= 12 ? kNames[month - 1] : "";
}

std::string TwoDigits(long long n) {
  std::string digits = std::to_string(n);
  if (n >= 0 && n < 10) digits.insert(digits.begin(), '0');
  return digits;
}

std::string FourDigitYear(long long year) {
  std::string digits = std::to_string(year);
  if (digits.size() < 4) digits.insert(0, 4 - digits.size(), '0');
  return digits;
}
