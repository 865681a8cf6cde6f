#pragma once

#include <string>

// Day numbers: whole days since 30 December 1899, the fraction being the time of day. The
// calendar is the Gregorian one, extended backwards, from 1 January of year 1 to 31 December 9999.
inline constexpr long long kFirstCalendarDay = -693593;  // 1 January 0001
inline constexpr long long kEndCalendarDay = 2958466;    // 1 January 10000, just past the calendar

struct CivilDate {
  long long Year;
  int Month;  // 1..12
  int Day;    // 1..31
};

// Exact integer arithmetic, valid far beyond the calendar's years.
CivilDate DateOfDay(long long day);
long long DayOfDate(long long year, int month, int day);

// a / b rounded toward minus infinity (b > 0): the day of an instant before 30 December 1899.
long long FloorDiv(long long a, long long b);

// English short month names ("Jan".."Dec"), the same on every system so that labels do not
// change with the locale.
const char* ShortMonthName(int month);

// n as at least two digits ("05").
std::string TwoDigits(long long n);

// A year as at least four digits ("0005").
std::string FourDigitYear(long long year);
