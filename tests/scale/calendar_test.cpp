#include "scale/calendar.h"

#include <gtest/gtest.h>

namespace {

TEST(Calendar, DayNumbersAndDates) {
  struct Case {
    long long day, year;
    int month, dayOfMonth;
  };
  for (const Case& c :
       {Case{0, 1899, 12, 30}, Case{-1, 1899, 12, 29}, Case{2, 1900, 1, 1}, Case{60, 1900, 2, 28},
        Case{61, 1900, 3, 1}, Case{36526, 2000, 1, 1}, Case{36585, 2000, 2, 29},
        Case{kFirstCalendarDay, 1, 1, 1}, Case{kEndCalendarDay - 1, 9999, 12, 31}}) {
    SCOPED_TRACE(c.day);
    const CivilDate d = DateOfDay(c.day);
    EXPECT_EQ(d.Year, c.year);
    EXPECT_EQ(d.Month, c.month);
    EXPECT_EQ(d.Day, c.dayOfMonth);
    EXPECT_EQ(DayOfDate(c.year, c.month, c.dayOfMonth), c.day);
  }
}

TEST(Calendar, EveryDayOfTheCalendarRoundTrips) {
  CivilDate previous = DateOfDay(kFirstCalendarDay - 1);
  for (long long day = kFirstCalendarDay; day < kEndCalendarDay; ++day) {
    const CivilDate d = DateOfDay(day);
    ASSERT_EQ(DayOfDate(d.Year, d.Month, d.Day), day);
    // Consecutive days: the next day of the month, or the first of the next month.
    const bool nextDay = d.Day == previous.Day + 1 && d.Month == previous.Month;
    const bool nextMonth = d.Day == 1 && (d.Month == previous.Month % 12 + 1);
    ASSERT_TRUE(nextDay || nextMonth) << day;
    previous = d;
  }
}

TEST(Calendar, FloorDivisionAndTexts) {
  EXPECT_EQ(FloorDiv(7, 24), 0);
  EXPECT_EQ(FloorDiv(-1, 24), -1);
  EXPECT_EQ(FloorDiv(-24, 24), -1);
  EXPECT_EQ(FloorDiv(-25, 24), -2);
  EXPECT_STREQ(ShortMonthName(1), "Jan");
  EXPECT_STREQ(ShortMonthName(12), "Dec");
  EXPECT_EQ(TwoDigits(5), "05");
  EXPECT_EQ(TwoDigits(123), "123");
  EXPECT_EQ(FourDigitYear(5), "0005");
  EXPECT_EQ(FourDigitYear(2024), "2024");
}

}  // namespace
