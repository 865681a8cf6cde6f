#include "scale/date_time_labels.h"

#include <cmath>

#include "scale/calendar.h"
#include "scale/date_time_layout.h"

namespace {

std::string MonthPart(int month, const DTLabelValues& f) {
  return f.MonthName ? ShortMonthName(month) : TwoDigits(month);
}

// "yyyy" keeps four digits (0005), "yy" the last two.
std::string YearPart(long long year, TYearLength length) {
  switch (length) {
    case ylNone:
      return {};
    case ylYY:
      return TwoDigits(year % 100);
    case ylYYYY:
      return FourDigitYear(year);
  }
  return {};
}

std::string Join(const std::string& a, const std::string& b, char separator) {
  return a + separator + b;
}

// A clock tick in the mode's units since 30 December 1899; the tick lies on a whole unit, so
// the nearest one is exact.
long long UnitsSince1899(double value, long long unitsPerDay) {
  return std::llround((long double)value * unitsPerDay);
}

std::string MonthText(long long day, const DTLabelValues& f) {
  const CivilDate date = DateOfDay(day);
  const std::string month = MonthPart(date.Month, f);
  if (f.YearLength == ylNone) return month;
  const std::string year = YearPart(date.Year, f.YearLength);
  return f.DateOrder == doYYMMDD ? Join(year, month, f.DateSeparator)
                                 : Join(month, year, f.DateSeparator);
}

// Without its leading zeros: year 5 reads "5".
std::string YearText(long long day, TYearLength length) {
  const long long year = DateOfDay(day).Year;
  return length == ylYYYY ? std::to_string(year) : YearPart(year, length);
}

std::vector<std::string> MessageLines(DateTimeMode mode, bool vertical) {
  if (mode == dmInvalid) {
    if (vertical) return {"invalid", "DateTime", "scale"};
    return {"invalid DateTime scale"};
  }
  if (vertical) return {"DateTime", "range is", "below 1", "second"};
  return {"DateTime range is below 1 second"};
}

// Whether a long clock tick on `day` gets a date line; remembers the day of the last one.
bool WantsDateLine(TDateForTime rule, long long day, bool& any, long long& lastDay) {
  bool want = false;
  switch (rule) {
    case dtNone:
      break;
    case dtOnePevArori:
      want = !any;
      break;
    case dtOnePerDay:
      want = !any || day != lastDay;
      break;
    case dtAllTicks:
      want = true;
      break;
  }
  if (want) {
    any = true;
    lastDay = day;
  }
  return want;
}

}  // namespace

std::string DateText(long long day, const DTLabelValues& f) {
  const CivilDate date = DateOfDay(day);
  const std::string d = TwoDigits(date.Day);
  const std::string m = MonthPart(date.Month, f);
  const char sep = f.DateSeparator;
  if (f.YearLength == ylNone) return f.DateOrder == doDDMMYY ? Join(d, m, sep) : Join(m, d, sep);
  const std::string y = YearPart(date.Year, f.YearLength);
  switch (f.DateOrder) {
    case doMMDDYY:
      return Join(Join(m, d, sep), y, sep);
    case doDDMMYY:
      return Join(Join(d, m, sep), y, sep);
    case doYYMMDD:
      return Join(Join(y, m, sep), d, sep);
  }
  return {};
}

std::string ClockLabel(DateTimeMode mode, long long t, const DTLabelValues& f) {
  long long hundredths = 0, seconds = 0, minutes = 0, hours = 0;
  switch (mode) {
    case dmHundredths:
      hundredths = t % 100;
      t /= 100;
      [[fallthrough]];
    case dmSeconds:
      seconds = t % 60;
      t /= 60;
      [[fallthrough]];
    case dmMinutes:
      minutes = t % 60;
      t /= 60;
      [[fallthrough]];
    default:
      hours = t;
  }
  const char sep = f.TimeSeparator;
  const bool am = hours < 12;
  // 12-hour clock: midnight is 12am, noon 12pm.
  if (f.TimeFormat == tfAMPM) hours = hours % 12 == 0 ? 12 : hours % 12;
  std::string text = f.TimeFormat == tfHHMMSS ? TwoDigits(hours) : std::to_string(hours);
  if (f.TimeFormat == tfHHhMM) text += 'h';
  if (mode != dmHours || f.TimeFormat == tfHHMMSS) {
    if (f.TimeFormat != tfHHhMM) text += sep;
    text += TwoDigits(minutes);
  }
  if (mode == dmSeconds || mode == dmHundredths) {
    text += f.TimeFormat == tfAMPM ? '.' : sep;
    text += TwoDigits(seconds);
  }
  if (mode == dmHundredths) {
    text += '.';
    text += TwoDigits(hundredths);
  }
  if (f.TimeFormat == tfAMPM) text += am ? "am" : "pm";
  return text;
}

void LabelDateTime(TickLayout& layout, const TickOptions& o) {
  const DTLabelValues& f = o.DateFormat;
  const DateTimeMode mode = layout.DateMode;
  if (mode == dmInvalid || mode == dmBelowSecond) {
    layout.Message = MessageLines(mode, o.Vertical);
    return;
  }
  const long long unitsPerDay = ClockUnitsPerDay(mode);
  for (Tick& t : layout.Ticks) {
    if (!t.Labelled) continue;
    const long long day = (long long)std::floor(t.Value);
    switch (mode) {
      case dmDays:
        t.Text = DateText(day, f);
        break;
      case dmMonths:
        t.Text = MonthText(day, f);
        break;
      case dmYears:
        t.Text = YearText(day, f.YearLength);
        break;
      default: {
        const long long units = UnitsSince1899(t.Value, unitsPerDay);
        t.Text = ClockLabel(mode, units - FloorDiv(units, unitsPerDay) * unitsPerDay, f);
      }
    }
  }
  AssignDateLines(layout, f);
}

void AssignDateLines(TickLayout& layout, const DTLabelValues& f) {
  const long long unitsPerDay = ClockUnitsPerDay(layout.DateMode);
  if (unitsPerDay == 0) return;
  // The day of the last date line; none yet at the start of every render.
  bool anyDateLine = false;
  long long lastDateLineDay = 0;
  for (Tick& t : layout.Ticks) {
    t.DateLine.clear();
    if (!t.Labelled) continue;
    const long long tickDay = FloorDiv(UnitsSince1899(t.Value, unitsPerDay), unitsPerDay);
    if (WantsDateLine(f.DateForTime, tickDay, anyDateLine, lastDateLineDay)) {
      t.DateLine = DateText(tickDay, f);
    }
  }
}
