#include "scale/date_time_layout.h"

#include <gtest/gtest.h>

#include <cfenv>
#include <cmath>
#include <limits>
#include <string>
#include <utility>
#include <vector>

#include "scale/calendar.h"
#include "scale/date_time_labels.h"
#include "scale/tick_labels.h"

namespace {

constexpr double kY2000 = 36526;  // 1 January 2000
constexpr double kSecond = 1.0 / 86400;
constexpr double kYear = 365.25;

TickOptions DateTime(double low, double high, int minTicks, bool vertical = false,
                     bool shortTicks = true) {
  TickOptions o;
  o.RangeLow = low;
  o.RangeHigh = high;
  o.MinTicks = minTicks;
  o.Vertical = vertical;
  o.ShortTicks = shortTicks;
  o.LabelType = ftDateTime;
  return o;
}

double Day(long long year, int month, int day) {
  return double(DayOfDate(year, month, day));
}

std::vector<double> Values(const TickLayout& l, bool major) {
  std::vector<double> out;
  for (const Tick& t : l.Ticks) {
    if (t.Major == major) out.push_back(t.Value);
  }
  return out;
}

std::vector<std::string> Labels(const TickLayout& l) {
  std::vector<std::string> out;
  for (const Tick& t : l.Ticks) {
    if (t.Labelled) out.push_back(t.Text);
  }
  return out;
}

TEST(DateTimeLayout, ModeAndStepByRangePerMinTicks) {
  struct Case {
    double low, high;
    int minTicks;
    bool vertical;
    DateTimeMode mode;
    long long step;
  };
  const double nan = std::numeric_limits<double>::quiet_NaN();
  const double inf = std::numeric_limits<double>::infinity();
  for (const Case& c : {
           // Outside the calendar or reversed.
           Case{kY2000 + 1, kY2000, 6, false, dmInvalid, 0},
           Case{kY2000 + 1, kY2000, 6, true, dmInvalid, 0},
           Case{kFirstCalendarDay - 1, kY2000, 6, false, dmInvalid, 0},
           Case{kY2000, 3000000.5, 6, false, dmInvalid, 0},
           Case{nan, kY2000, 6, false, dmInvalid, 0},
           Case{-inf, kY2000, 6, false, dmInvalid, 0},
           Case{kY2000, inf, 6, true, dmInvalid, 0},
           Case{kFirstCalendarDay, 3000000, 6, false, dmYears, 1000},
           // Half a second per MinTicks: a message across, hundredths upright.
           Case{kY2000, kY2000 + 3 * kSecond, 6, false, dmBelowSecond, 0},
           Case{kY2000, kY2000 + 3 * kSecond, 6, true, dmHundredths, 50},
           Case{kY2000, kY2000 + 0.2 * kSecond, 2, true, dmHundredths, 10},
           Case{kY2000, kY2000 + 3e-7, 3, true, dmBelowSecond, 0},
           Case{kY2000, kY2000 + 180 * kSecond, 6, false, dmSeconds, 30},
           Case{kY2000, kY2000 + 180 * kSecond, 6, true, dmSeconds, 30},
           Case{kY2000, kY2000 + 15 * kSecond, 5, false, dmSeconds, 2},
           Case{kY2000, kY2000 + 0.125, 6, false, dmMinutes, 30},
           Case{kY2000, kY2000 + 0.01, 3, true, dmMinutes, 2},
           Case{kY2000, kY2000 + 1.5, 6, false, dmHours, 6},
           Case{kY2000, kY2000 + 6, 6, false, dmHours, 12},  // r = 1
           Case{kY2000, kY2000 + 10, 5, false, dmDays, 2},
           Case{kY2000, kY2000 + 6.06, 6, false, dmDays, 1},
           Case{kY2000, kY2000 + 180, 6, false, dmDays, 28},  // r = 30
           Case{kY2000, kY2000 + 366, 6, false, dmMonths, 2},
           Case{kY2000, kY2000 + 732, 2, false, dmMonths, 6},  // r = 366
           Case{kY2000, kY2000 + 734, 2, false, dmYears, 1},
           Case{kY2000, kY2000 + 60 * kYear, 5, false, dmYears, 10},
           Case{kY2000, kY2000 + 250 * kYear, 5, false, dmYears, 50},
           Case{kY2000, kY2000 + 150 * kYear, 5, false, dmYears, 20},
           // MinTicks 0 counts as 1: at least one labelled interval.
           Case{kY2000, kY2000 + 4, 0, false, dmDays, 3},
       }) {
    SCOPED_TRACE(testing::Message() << c.low << ".." << c.high << " MinTicks " << c.minTicks
                                    << (c.vertical ? " vertical" : " horizontal"));
    const TickLayout l = LayOutTicks(DateTime(c.low, c.high, c.minTicks, c.vertical));
    EXPECT_EQ(l.Kind, tlDateTime);
    EXPECT_EQ(l.DateMode, c.mode);
    EXPECT_EQ(l.DateStep, c.step);
    if (c.mode == dmInvalid || c.mode == dmBelowSecond) EXPECT_TRUE(l.Ticks.empty());
  }
}

TEST(DateTimeLayout, MinTicksZeroRaisesNoFloatingPointFlag) {
  std::feclearexcept(FE_ALL_EXCEPT);
  for (const double span : {3 * kSecond, 0.3, 20.0, 300.0, 9000.0}) {
    const TickLayout l = BuildTicks(DateTime(kY2000, kY2000 + span, 0));
    EXPECT_FALSE(l.Ticks.empty()) << span;
  }
  EXPECT_EQ(std::fetestexcept(FE_DIVBYZERO | FE_INVALID | FE_OVERFLOW), 0);
}

TEST(DateTimeLayout, MinTicksOutsideTheSettersRangeIsClampedAtTheLayout) {
  // Options that never passed the setter: 1 counts as 2, a huge count as 10, so hundredths
  // over ten days cannot ask for millions of ticks.
  for (const auto& [given, kept] : {std::pair{1, 2}, std::pair{1000000, 10}, std::pair{-5, 2}}) {
    const TickLayout a = LayOutTicks(DateTime(kY2000, kY2000 + 10, given, true));
    const TickLayout b = LayOutTicks(DateTime(kY2000, kY2000 + 10, kept, true));
    EXPECT_EQ(a.DateMode, b.DateMode) << given;
    EXPECT_EQ(a.DateStep, b.DateStep) << given;
    EXPECT_EQ(a.Ticks.size(), b.Ticks.size()) << given;
    EXPECT_LE(long(a.Ticks.size()), kMaxTicksPerPass) << given;
  }
}

TEST(DateTimeLayout, TwoMonthStepsOverTheYear2000) {
  const TickLayout l = BuildTicks(DateTime(kY2000, Day(2001, 1, 1), 6));
  EXPECT_EQ(l.DateMode, dmMonths);
  EXPECT_EQ(l.DateStep, 2);
  EXPECT_EQ(Values(l, true),
            (std::vector<double>{kY2000, Day(2000, 3, 1), Day(2000, 5, 1), Day(2000, 7, 1),
                                 Day(2000, 9, 1), Day(2000, 11, 1), Day(2001, 1, 1)}));
  EXPECT_EQ(Values(l, false).size(), 6u);  // the even months
  EXPECT_EQ(Labels(l), (std::vector<std::string>{"Jan-2000", "Mar-2000", "May-2000", "Jul-2000",
                                                 "Sep-2000", "Nov-2000", "Jan-2001"}));
  // Every tick enters the tick list, in order.
  ASSERT_EQ(l.TickList.size(), 13u);
  EXPECT_EQ(l.TickList[1], Day(2000, 2, 1));

  // Without short ticks only the labelled months carry ticks, and the first is a month after
  // the low bound's own: March, not January, six ticks instead of seven.
  const TickLayout plain = BuildTicks(DateTime(kY2000, Day(2001, 1, 1), 6, false, false));
  EXPECT_EQ(Values(plain, true),
            (std::vector<double>{Day(2000, 3, 1), Day(2000, 5, 1), Day(2000, 7, 1), Day(2000, 9, 1),
                                 Day(2000, 11, 1), Day(2001, 1, 1)}));
  EXPECT_TRUE(Values(plain, false).empty());
  const TickLayout fromFebruary =
      BuildTicks(DateTime(Day(2000, 2, 1), Day(2001, 2, 1), 6, false, false));
  EXPECT_EQ(Values(fromFebruary, true).front(), Day(2000, 3, 1));
}

TEST(DateTimeLayout, MonthStepsWithoutShortTicksStartAMonthAfterTheLowBound) {
  struct Case {
    double low, high;
    int minTicks;
    bool shortTicks;
    int step;
    double firstLong;  // first long tick
    std::size_t longs, shorts;
  };
  for (const Case& c : {
           // On the first of a labelled month: that month is passed over for the next one.
           Case{kY2000, Day(2001, 1, 1), 6, false, 2, Day(2000, 3, 1), 6, 0},
           Case{kY2000, Day(2002, 1, 1), 8, false, 3, Day(2000, 4, 1), 8, 0},
           Case{Day(1999, 4, 1), Day(2000, 4, 1), 4, false, 3, Day(1999, 7, 1), 4, 0},
           Case{Day(2000, 5, 1), Day(2001, 9, 1), 4, false, 4, Day(2000, 9, 1), 4, 0},
           Case{Day(2000, 7, 1), Day(2002, 7, 2), 4, false, 6, Day(2001, 1, 1), 4, 0},
           Case{Day(1999, 11, 1), Day(2000, 11, 1), 6, false, 2, Day(2000, 1, 1), 6, 0},
           // Mid-month or on an unlabelled month: the next labelled month, as before.
           Case{Day(2000, 1, 15), Day(2001, 1, 15), 6, false, 2, Day(2000, 3, 1), 6, 0},
           Case{kY2000 + 0.5, Day(2001, 1, 1), 6, false, 2, Day(2000, 3, 1), 6, 0},
           Case{Day(2000, 2, 1), Day(2001, 2, 1), 6, false, 2, Day(2000, 3, 1), 6, 0},
           // A step of 1 and short ticks keep the low bound's month.
           Case{kY2000, Day(2001, 1, 1), 10, false, 1, kY2000, 13, 0},
           Case{kY2000, Day(2001, 1, 1), 6, true, 2, kY2000, 7, 6},
           Case{Day(2000, 7, 1), Day(2002, 7, 2), 4, true, 6, Day(2000, 7, 1), 5, 20},
       }) {
    SCOPED_TRACE(testing::Message() << DateText((long long)c.low, DTLabelValues{}) << " MinTicks "
                                    << c.minTicks << (c.shortTicks ? " short ticks" : ""));
    const TickLayout l = BuildTicks(DateTime(c.low, c.high, c.minTicks, false, c.shortTicks));
    ASSERT_EQ(l.DateMode, dmMonths);
    EXPECT_EQ(l.DateStep, c.step);
    const std::vector<double> longs = Values(l, true);
    ASSERT_FALSE(longs.empty());
    EXPECT_EQ(longs.front(), c.firstLong);
    EXPECT_EQ(longs.size(), c.longs);
    EXPECT_EQ(Values(l, false).size(), c.shorts);
    for (const Tick& t : l.Ticks) EXPECT_GE(t.Value, c.low);
  }
}

TEST(DateTimeLayout, DaysCountedFromNewYear) {
  // Ten days from noon on 1 January, MinTicks 5: a long tick every second day from 1 January.
  const TickLayout l = BuildTicks(DateTime(kY2000 + 0.5, kY2000 + 10.5, 5));
  EXPECT_EQ(l.DateMode, dmDays);
  EXPECT_EQ(l.DateStep, 2);
  EXPECT_EQ(Values(l, true),
            (std::vector<double>{kY2000 + 2, kY2000 + 4, kY2000 + 6, kY2000 + 8, kY2000 + 10}));
  EXPECT_EQ(Values(l, false),
            (std::vector<double>{kY2000 + 1, kY2000 + 3, kY2000 + 5, kY2000 + 7, kY2000 + 9}));
  EXPECT_EQ(Labels(l).front(), "03-Jan-2000");

  // Four-week steps from New Year, with weekly short ticks.
  const TickLayout weeks = BuildTicks(DateTime(Day(2000, 3, 10), Day(2000, 3, 10) + 140, 5));
  EXPECT_EQ(weeks.DateStep, 28);
  const std::vector<double> majors = Values(weeks, true);
  ASSERT_FALSE(majors.empty());
  EXPECT_EQ(majors.front(), kY2000 + 3 * 28);
  EXPECT_EQ(Values(weeks, false).front(), kY2000 + 10 * 7);
  for (double v : majors) EXPECT_EQ(std::fmod(v - kY2000, 28), 0) << v;
}

TEST(DateTimeLayout, SixtyYearsInDecades) {
  const TickLayout l = BuildTicks(DateTime(kY2000, kY2000 + 60 * kYear, 5));
  EXPECT_EQ(l.DateStep, 10);
  EXPECT_EQ(Labels(l),
            (std::vector<std::string>{"2000", "2010", "2020", "2030", "2040", "2050", "2060"}));
  EXPECT_EQ(Values(l, false),
            (std::vector<double>{Day(2005, 1, 1), Day(2015, 1, 1), Day(2025, 1, 1), Day(2035, 1, 1),
                                 Day(2045, 1, 1), Day(2055, 1, 1)}));
  // Without short ticks: the decades only.
  const TickLayout plain = BuildTicks(DateTime(kY2000, kY2000 + 60 * kYear, 5, false, false));
  EXPECT_EQ(Values(plain, true), Values(l, true));
  EXPECT_TRUE(Values(plain, false).empty());
  // A low bound after New Year starts with the next multiple of the spacing; a label step of 50
  // puts short ticks every 10 years.
  const TickLayout fifty = BuildTicks(DateTime(Day(2001, 6, 1), Day(2261, 6, 1), 5));
  EXPECT_EQ(fifty.DateStep, 50);
  EXPECT_EQ(fifty.Ticks.front().Value, Day(2010, 1, 1));
  EXPECT_EQ(Labels(fifty).front(), "2050");
}

TEST(DateTimeLayout, ClockTicksCountFromMidnight) {
  // 07:30 to 07:30 the next day, MinTicks 6: r = 4 hours, step 3 with hourly short ticks.
  const double low = kY2000 + 7.5 / 24;
  const TickLayout l = BuildTicks(DateTime(low, low + 1, 6));
  EXPECT_EQ(l.DateMode, dmHours);
  EXPECT_EQ(l.DateStep, 3);
  ASSERT_FALSE(l.Ticks.empty());
  EXPECT_DOUBLE_EQ(l.Ticks.front().Value, kY2000 + 8.0 / 24);
  EXPECT_FALSE(l.Ticks.front().Major);
  EXPECT_EQ(Labels(l), (std::vector<std::string>{"09:00", "12:00", "15:00", "18:00", "21:00",
                                                 "00:00", "03:00", "06:00"}));
  const TickLayout plain = BuildTicks(DateTime(low, low + 1, 6, false, false));
  EXPECT_EQ(Labels(plain), Labels(l));
  EXPECT_EQ(plain.Ticks.size(), 8u);
  // A tick on the low bound itself is kept.
  const TickLayout onBound = BuildTicks(DateTime(kY2000 + 0.25, kY2000 + 1.75, 6));
  EXPECT_EQ(onBound.Ticks.front().Value, kY2000 + 0.25);
  EXPECT_EQ(onBound.Ticks.back().Value, kY2000 + 1.75);
}

TEST(DateTimeLayout, HundredthsOfAVerticalScale) {
  const TickLayout l = BuildTicks(DateTime(kY2000 + 0.5, kY2000 + 0.5 + 3 * kSecond, 6, true));
  EXPECT_EQ(l.DateMode, dmHundredths);
  EXPECT_EQ(Labels(l),
            (std::vector<std::string>{"12:00:00.00", "12:00:00.50", "12:00:01.00", "12:00:01.50",
                                      "12:00:02.00", "12:00:02.50", "12:00:03.00"}));
  EXPECT_EQ(l.Ticks.size(), 31u);  // short ticks every tenth of a second
}

TEST(DateTimeLayout, TheCalendarEndsWithTheYear9999) {
  const double end = double(kEndCalendarDay);  // 1 January 10000
  // Years: the tick after 9998 would fall in 10000; the calendar's last day closes the scale,
  // unlabelled since 9999 is no multiple of the label step 2.
  const TickLayout years = BuildTicks(DateTime(end - 20 * kYear, end + 10, 5));
  ASSERT_FALSE(years.Ticks.empty());
  const Tick& last = years.Ticks.back();
  EXPECT_EQ(last.Value, end - 1);
  EXPECT_FALSE(last.Labelled);
  EXPECT_EQ(years.Ticks[years.Ticks.size() - 2].Value, Day(9999, 1, 1));
  EXPECT_EQ(Labels(years).back(), "9998");
  // A range that ends inside 9999 gets no such tick.
  const TickLayout inside = BuildTicks(DateTime(end - 20 * kYear, end - 100, 5));
  EXPECT_EQ(inside.Ticks.back().Value, Day(9999, 1, 1));

  for (const TickOptions& o : {DateTime(end - 0.5, end + 0.5, 6), DateTime(end - 10.5, end + 5, 5),
                               DateTime(end - 200, end + 100, 5)}) {
    const TickLayout l = BuildTicks(o);
    ASSERT_FALSE(l.Ticks.empty());
    EXPECT_LT(l.Ticks.back().Value, end);
    for (const Tick& t : l.Ticks) {
      if (t.Labelled) EXPECT_FALSE(t.Text.empty());
    }
  }
  // Wholly past the calendar: a valid range without ticks.
  const TickLayout past = BuildTicks(DateTime(end + 100, end + 200, 5));
  EXPECT_EQ(past.DateMode, dmDays);
  EXPECT_TRUE(past.Ticks.empty());
  EXPECT_TRUE(past.Message.empty());
}

TEST(DateTimeLayout, TheClosingTickOn31December9999FollowsTheYearRule) {
  const double end = double(kEndCalendarDay);  // 1 January 10000
  struct Case {
    double years;  // span before the end of the calendar, per MinTicks 5
    bool shortTicks;
    TYearLength length;
    long long labelStep;
    bool labelled;  // also long
    const char* text;
  };
  for (const Case& c : {
           // A label step of 1 divides 9999: long and labelled with or without short ticks.
           Case{8, true, ylYYYY, 1, true, "9999"},
           Case{8, false, ylYYYY, 1, true, "9999"},
           Case{8, true, ylYY, 1, true, "99"},
           Case{8, true, ylNone, 1, true, ""},
           // Other label steps: labelled only without short ticks.
           Case{20, true, ylYYYY, 2, false, ""},
           Case{20, false, ylYYYY, 2, true, "9999"},
           Case{20, false, ylYY, 2, true, "99"},
           Case{40, true, ylYYYY, 5, false, ""},
           Case{60, true, ylYYYY, 10, false, ""},
           Case{60, false, ylYYYY, 10, true, "9999"},
       }) {
    SCOPED_TRACE(testing::Message() << c.years << " years, YearLength " << int(c.length)
                                    << (c.shortTicks ? ", short ticks" : ""));
    TickOptions o = DateTime(end - c.years * kYear, end + 1, 5, false, c.shortTicks);
    o.DateFormat.YearLength = c.length;
    const TickLayout l = BuildTicks(o);
    ASSERT_EQ(l.DateMode, dmYears);
    EXPECT_EQ(l.DateStep, c.labelStep);
    ASSERT_GE(l.Ticks.size(), 2u);
    const Tick& last = l.Ticks.back();
    EXPECT_EQ(last.Value, end - 1);
    EXPECT_EQ(last.Major, c.labelled);
    EXPECT_EQ(last.Labelled, c.labelled);
    EXPECT_EQ(last.Text, c.text);
    EXPECT_EQ(l.TickList.back(), end - 1);
  }
}

TEST(DateTimeLayout, NegativeDayNumbersOnAContinuousTimeLine) {
  // -1.5 is 28 December 1899, 12:00 (not 29 December, 12:00).
  TickOptions o = DateTime(-1.5, -0.5, 6);
  o.DateFormat.DateForTime = dtAllTicks;
  const TickLayout l = BuildTicks(o);
  EXPECT_EQ(l.DateStep, 3);
  std::vector<std::string> texts;
  for (const Tick& t : l.Ticks) {
    if (t.Labelled) texts.push_back(t.DateLine + " " + t.Text);
  }
  EXPECT_EQ(texts, (std::vector<std::string>{
                       "28-Dec-1899 12:00", "28-Dec-1899 15:00", "28-Dec-1899 18:00",
                       "28-Dec-1899 21:00", "29-Dec-1899 00:00", "29-Dec-1899 03:00",
                       "29-Dec-1899 06:00", "29-Dec-1899 09:00", "29-Dec-1899 12:00"}));
  // Days and years at the start of the calendar.
  EXPECT_EQ(Labels(BuildTicks(DateTime(-10.3, -3, 5))).front(), "20-Dec-1899");
  const TickLayout first =
      BuildTicks(DateTime(kFirstCalendarDay, kFirstCalendarDay + 60 * kYear, 5));
  EXPECT_EQ(first.Ticks.front().Value, Day(5, 1, 1));
  EXPECT_EQ(Labels(first).front(), "10");
}

TEST(DateTimeLabels, ClockPatterns) {
  DTLabelValues f;
  struct Case {
    TTimeFormat format;
    DateTimeMode mode;
    long long units;
    const char* text;
  };
  const long long hms = (13 * 60 + 5) * 60 + 30;  // 13:05:30
  for (const Case& c : {
           Case{tfHHMMSS, dmHours, 13, "13:00"},
           Case{tfHHMMSS, dmMinutes, 13 * 60 + 5, "13:05"},
           Case{tfHHMMSS, dmSeconds, hms, "13:05:30"},
           Case{tfHHMMSS, dmHundredths, hms * 100 + 25, "13:05:30.25"},
           Case{tfHHMMSS, dmHours, 7, "07:00"},
           Case{tfHHhMM, dmHours, 7, "7h"},
           Case{tfHHhMM, dmMinutes, 13 * 60 + 5, "13h05"},
           Case{tfHHhMM, dmSeconds, hms, "13h05:30"},
           Case{tfHHhMM, dmHundredths, hms * 100 + 25, "13h05:30.25"},
           Case{tfAMPM, dmHours, 13, "1pm"},
           Case{tfAMPM, dmHours, 0, "12am"},
           Case{tfAMPM, dmHours, 12, "12pm"},
           Case{tfAMPM, dmMinutes, 30, "12:30am"},
           Case{tfAMPM, dmSeconds, hms, "1:05.30pm"},
           Case{tfAMPM, dmHundredths, hms * 100 + 25, "1:05.30.25pm"},
       }) {
    f.TimeFormat = c.format;
    EXPECT_EQ(ClockLabel(c.mode, c.units, f), c.text);
  }
  f.TimeSeparator = '.';
  f.TimeFormat = tfHHMMSS;
  EXPECT_EQ(ClockLabel(dmSeconds, hms, f), "13.05.30");
  f.TimeFormat = tfAMPM;
  EXPECT_EQ(ClockLabel(dmMinutes, 13 * 60 + 5, f), "1.05pm");
}

TEST(DateTimeLabels, DatesMonthsAndYears) {
  const long long day = DayOfDate(2005, 3, 7);
  struct Case {
    TDateOrder order;
    TYearLength year;
    bool monthName;
    char separator;
    const char* date;
    const char* month;
  };
  for (const Case& c : {
           Case{doDDMMYY, ylYYYY, true, '-', "07-Mar-2005", "Mar-2005"},
           Case{doMMDDYY, ylYYYY, true, '-', "Mar-07-2005", "Mar-2005"},
           Case{doYYMMDD, ylYYYY, true, '-', "2005-Mar-07", "2005-Mar"},
           Case{doYYMMDD, ylYY, false, '/', "05/03/07", "05/03"},
           Case{doDDMMYY, ylYY, false, '.', "07.03.05", "03.05"},
           Case{doDDMMYY, ylNone, true, '-', "07-Mar", "Mar"},
           Case{doMMDDYY, ylNone, false, '/', "03/07", "03"},
           Case{doYYMMDD, ylNone, true, '-', "Mar-07", "Mar"},
       }) {
    DTLabelValues f;
    f.DateOrder = c.order;
    f.YearLength = c.year;
    f.MonthName = c.monthName;
    f.DateSeparator = c.separator;
    EXPECT_EQ(DateText(day, f), c.date);
    TickOptions o = DateTime(Day(2005, 3, 1), day + 180, 6);  // months mode from 1 March
    o.DateFormat = f;
    const TickLayout l = BuildTicks(o);
    ASSERT_EQ(l.DateMode, dmMonths);
    EXPECT_EQ(l.Ticks.front().Text, c.month) << c.date;
  }
  DTLabelValues f;
  EXPECT_EQ(DateText(kFirstCalendarDay, f), "01-Jan-0001");
  // Year labels: four digits without leading zeros, two digits, or none.
  TickOptions o = DateTime(kFirstCalendarDay, kFirstCalendarDay + 60 * kYear, 5, false, false);
  EXPECT_EQ(Labels(BuildTicks(o)).front(), "10");
  o.DateFormat.YearLength = ylYY;
  EXPECT_EQ(Labels(BuildTicks(o)).front(), "10");
  o.RangeLow = kY2000 + 1;  // five-year steps from 2005
  o.RangeHigh = kY2000 + 40 * kYear;
  EXPECT_EQ(Labels(BuildTicks(o)).front(), "05");
  o.DateFormat.YearLength = ylNone;
  for (const std::string& text : Labels(BuildTicks(o))) EXPECT_EQ(text, "");
}

TEST(DateTimeLabels, DateLinesBesideLongClockTicks) {
  // 36 hours from 06:00, MinTicks 6: hours mode with a 6-hour step.
  const double low = kY2000 + 0.25;
  auto dateLines = [&](TDateForTime rule) {
    TickOptions o = DateTime(low, low + 1.5, 6);
    o.DateFormat.DateForTime = rule;
    std::vector<std::string> out;
    for (const Tick& t : BuildTicks(o).Ticks) {
      if (t.Major) out.push_back(t.DateLine);
    }
    return out;
  };
  const std::string d1 = "01-Jan-2000", d2 = "02-Jan-2000";
  // Long ticks at 06, 12, 18, 00, 06, 12, 18.
  EXPECT_EQ(dateLines(dtOnePerDay), (std::vector<std::string>{d1, "", "", d2, "", "", ""}));
  EXPECT_EQ(dateLines(dtOnePevArori), (std::vector<std::string>{d1, "", "", "", "", "", ""}));
  EXPECT_EQ(dateLines(dtAllTicks), (std::vector<std::string>{d1, d1, d1, d2, d2, d2, d2}));
  EXPECT_EQ(dateLines(dtNone), (std::vector<std::string>(7, "")));
  // Dates and months have no date lines.
  for (const Tick& t : BuildTicks(DateTime(kY2000, kY2000 + 10, 5)).Ticks) {
    EXPECT_EQ(t.DateLine, "");
  }
}

TEST(DateTimeLabels, MessagesInsteadOfTicks) {
  EXPECT_EQ(BuildTicks(DateTime(2, 1, 6)).Message,
            (std::vector<std::string>{"invalid DateTime scale"}));
  EXPECT_EQ(BuildTicks(DateTime(2, 1, 6, true)).Message,
            (std::vector<std::string>{"invalid", "DateTime", "scale"}));
  EXPECT_EQ(BuildTicks(DateTime(kY2000, kY2000 + 3 * kSecond, 6)).Message,
            (std::vector<std::string>{"DateTime range is below 1 second"}));
  EXPECT_EQ(BuildTicks(DateTime(kY2000, kY2000 + 3e-7, 3, true)).Message,
            (std::vector<std::string>{"DateTime", "range is", "below 1", "second"}));
  EXPECT_TRUE(BuildTicks(DateTime(kY2000, kY2000 + 1, 6)).Message.empty());
}

}  // namespace
