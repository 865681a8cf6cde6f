#include "scale/date_time_layout.h"

#include <algorithm>
#include <array>
#include <cmath>

#include "scale/calendar.h"

namespace {

using LD = long double;

// A tick up to this far (in days) past the high bound still counts as on it.
constexpr LD kEndTolerance = 1e-8L;

struct ClockTable {
  long long UnitsPerDay;
  std::array<int, 6> Steps;
  std::array<int, 6> ShortSpacing;  // for each step
};

bool IsClockMode(DateTimeMode mode) {
  return mode == dmHundredths || mode == dmSeconds || mode == dmMinutes || mode == dmHours;
}

// The table of a clock mode.
const ClockTable& ClockTableOf(DateTimeMode mode) {
  static const ClockTable kHours{24, {1, 2, 3, 6, 8, 12}, {1, 1, 1, 2, 2, 3}};
  static const ClockTable kMinutes{1440, {1, 2, 5, 10, 20, 30}, {1, 1, 1, 2, 5, 10}};
  static const ClockTable kSeconds{86400, {1, 2, 5, 10, 20, 30}, {1, 1, 1, 2, 5, 10}};
  static const ClockTable kHundredths{8640000, {1, 2, 5, 10, 20, 50}, {1, 1, 1, 5, 10, 10}};
  switch (mode) {
    case dmHours:
      return kHours;
    case dmMinutes:
      return kMinutes;
    case dmSeconds:
      return kSeconds;
    default:
      return kHundredths;
  }
}

// Index of the largest entry not above x, at least the first.
template <std::size_t N>
std::size_t LargestNotAbove(const std::array<int, N>& table, LD x) {
  std::size_t i = 0;
  while (i + 1 < N && table[i + 1] <= x) ++i;
  return i;
}

// Whether a layout stops before a tick at value: past the high bound or the calendar, or with
// as many ticks as one pass may produce (only a MinTicks far beyond 10 gets there).
bool PastEnd(const TickLayout& out, LD value, double high) {
  return value - high >= kEndTolerance || value >= kEndCalendarDay ||
         long(out.Ticks.size()) >= kMaxTicksPerPass;
}

void AddDateTick(TickLayout& out, LD value, bool major) {
  AddTick(out, value, major, major, true);
}

// Ticks on multiples of the short spacing (or the step) counted from midnight; every day holds
// a whole number of steps, so counting from the first day's midnight is the same as from each.
void ClockLayout(const TickOptions& o, LD r, TickLayout& out) {
  const ClockTable& table = ClockTableOf(out.DateMode);
  const long long units = table.UnitsPerDay;
  // A day number as a double is exact to about 5e-10 days, which is up to 0.005 hundredths:
  // a range per MinTicks that exact arithmetic would put on a step must not miss it.
  const std::size_t i = LargestNotAbove(table.Steps, r * units + 0.01L);
  const long long step = table.Steps[i];
  const long long spacing = o.ShortTicks ? table.ShortSpacing[i] : step;
  out.DateStep = step;
  // Day numbers of a valid range are far inside the range of long long, also in hundredths.
  const long long day0 = (long long)std::floor(o.RangeLow);
  const LD sinceMidnight = (LD(o.RangeLow) - day0) * units;
  long long n = day0 * units + (long long)std::floor(sinceMidnight / spacing) * spacing;
  // Compared as stored, so that a tick on the low bound itself is kept.
  while (double(LD(n) / units) < o.RangeLow) n += spacing;
  for (; !PastEnd(out, LD(n) / units, o.RangeHigh); n += spacing) {
    const long long phase = n % step;
    AddDateTick(out, LD(n) / units, !o.ShortTicks || phase == 0);
  }
}

void DaysLayout(const TickOptions& o, LD r, TickLayout& out) {
  static const std::array<int, 6> kSteps{1, 2, 3, 7, 14, 28};
  const long long step = kSteps[LargestNotAbove(kSteps, r)];
  const long long spacing = !o.ShortTicks ? step : step <= 7 ? 1 : 7;
  out.DateStep = step;
  const long long lowDay = (long long)std::floor(o.RangeLow);
  const long long newYear = DayOfDate(DateOfDay(lowDay).Year, 1, 1);
  const long long first = newYear + (lowDay - newYear) / step * step;
  for (long long day = first; !PastEnd(out, day, o.RangeHigh); day += spacing) {
    if (day < o.RangeLow) continue;
    AddDateTick(out, day, (day - first) % step == 0);
  }
}

void MonthsLayout(const TickOptions& o, LD r, TickLayout& out) {
  static const std::array<int, 5> kSteps{1, 2, 3, 4, 6};
  const int step = kSteps[LargestNotAbove(kSteps, r / 30.4375L)];
  out.DateStep = step;
  const CivilDate low = DateOfDay((long long)std::floor(o.RangeLow));
  // Months counted from January of year 0, so that year and month follow by division.
  long long month = low.Year * 12 + low.Month - 1;
  auto labelled = [step](long long m) { return step == 1 || (m % 12 + 1) % step == 1; };
  auto start = [](long long m) { return DayOfDate(m / 12, int(m % 12) + 1, 1); };
  long long spacing = 1;
  if (!o.ShortTicks && step > 1) {
    // Without short ticks only the labelled months carry ticks, the first of them at least one
    // month after the low bound's own, also when that month is labelled and the range starts on
    // its first day.
    do {
      ++month;
    } while (!labelled(month));
    spacing = step;
  }
  for (; !PastEnd(out, start(month), o.RangeHigh); month += spacing) {
    const long long day = start(month);
    if (day < o.RangeLow) continue;
    AddDateTick(out, day, labelled(month));
  }
}

void YearsLayout(const TickOptions& o, LD r, TickLayout& out) {
  const LD a = std::max<LD>(r / 365.25L, 1);
  // The power of ten by comparison, exact where a logarithm could land a hair below a decade.
  long long power = 1;
  while (power * 10 <= a) power *= 10;
  const LD mantissa = a / power;
  const int m = mantissa < 2 ? 1 : mantissa < 5 ? 2 : 5;
  const long long labelStep = m * power;
  long long spacing = labelStep;
  if (o.ShortTicks && labelStep > 1) spacing = m == 5 ? labelStep / 5 : labelStep / 2;
  out.DateStep = labelStep;
  const long long lowDay = (long long)std::floor(o.RangeLow);
  long long year = DateOfDay(lowDay).Year;
  if (DayOfDate(year, 1, 1) < o.RangeLow) ++year;
  year = (year + spacing - 1) / spacing * spacing;
  for (; year <= 9999; year += spacing) {
    const long long day = DayOfDate(year, 1, 1);
    if (PastEnd(out, day, o.RangeHigh)) return;
    AddDateTick(out, day, !o.ShortTicks || year % labelStep == 0);
  }
  // The next tick would fall in year 10000: the calendar's last day closes the scale instead,
  // a tick of the year 9999 like any other, long and labelled by the same rule.
  const long long last = kEndCalendarDay - 1;
  if (last >= o.RangeLow && !PastEnd(out, last, o.RangeHigh)) {
    AddDateTick(out, last, !o.ShortTicks || DateOfDay(last).Year % labelStep == 0);
  }
}

}  // namespace

DateTimeMode ChooseDateTimeMode(double low, double high, int minTicks, bool vertical) {
  if (!(low <= high && low >= kFirstCalendarDay && high <= kDateTimeHighLimit)) return dmInvalid;
  const LD r = (LD(high) - low) / std::max(minTicks, 1);
  if (vertical) {
    if (r <= 1.0L / 8640000) return dmBelowSecond;
    if (r <= 1.0L / 86400) return dmHundredths;
    if (r <= 1.0L / 1440) return dmSeconds;
  } else {
    if (r <= 1.1574e-5L) return dmBelowSecond;
    if (r <= 0.00069444L) return dmSeconds;
  }
  if (r <= 0.041667L) return dmMinutes;
  if (r <= 1) return dmHours;
  if (r <= 30) return dmDays;
  if (r <= 366) return dmMonths;
  return dmYears;
}

long long ClockUnitsPerDay(DateTimeMode mode) {
  return IsClockMode(mode) ? ClockTableOf(mode).UnitsPerDay : 0;
}

void LayOutDateTime(const TickOptions& o, TickLayout& out) {
  out.Kind = tlDateTime;
  const int minTicks = std::max(o.MinTicks, 1);
  out.DateMode = ChooseDateTimeMode(o.RangeLow, o.RangeHigh, minTicks, o.Vertical);
  const LD r = (LD(o.RangeHigh) - o.RangeLow) / minTicks;
  if (IsClockMode(out.DateMode)) {
    ClockLayout(o, r, out);
  } else if (out.DateMode == dmDays) {
    DaysLayout(o, r, out);
  } else if (out.DateMode == dmMonths) {
    MonthsLayout(o, r, out);
  } else if (out.DateMode == dmYears) {
    YearsLayout(o, r, out);
  }
}
