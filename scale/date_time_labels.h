#pragma once

#include <string>

#include "scale/date_label.h"
#include "scale/tick_layout.h"

// Texts of date/time scales: clock labels, dates, months, years and the messages shown instead
// of ticks. Month names are the English short names of scale/calendar.h.

// Day, month and year of a day number in the format's order, joined by its date separator.
std::string DateText(long long day, const DTLabelValues& format);

// The clock label of a time of day, given in the units of the clock mode.
std::string ClockLabel(DateTimeMode mode, long long unitsSinceMidnight,
                       const DTLabelValues& format);

// Fills in the labels, date lines and messages of a date/time layout.
void LabelDateTime(TickLayout& layout, const TickOptions& options);

// Date lines of the labelled ticks of a clock layout: on the first one, on the first of each
// day or on all, as the format asks. Run again when the set of labelled ticks changes.
void AssignDateLines(TickLayout& layout, const DTLabelValues& format);
