#pragma once

#include "scale/tick_layout.h"

// The calendar layout of date/time scales: values are day numbers (scale/calendar.h), ticks
// fall on whole hundredths, seconds, minutes, hours, days, first days of months or New Year's
// days.

// The largest value a date/time scale accepts as its high bound.
inline constexpr double kDateTimeHighLimit = 3000000;

// The mode a range selects by its span per MinTicks; vertical scales go down to hundredths.
// MinTicks below 1 counts as 1: the range then holds at least one labelled interval.
DateTimeMode ChooseDateTimeMode(double low, double high, int minTicks, bool vertical);

// Fills in kind, mode, step and the ticks; every tick is recorded, long ticks are labelled.
// No tick reaches past 31 December 9999.
void LayOutDateTime(const TickOptions& options, TickLayout& out);

// Units of a clock mode per day: 24, 1440, 86400 or 8640000; 0 for the other modes.
long long ClockUnitsPerDay(DateTimeMode mode);
