#pragma once

#include <functional>

// Date and time formatting settings of a date/time scale.
enum TTimeFormat { tfHHMMSS, tfHHhMM, tfAMPM };
enum TYearLength { ylNone, ylYY, ylYYYY };
enum TDateOrder { doMMDDYY, doDDMMYY, doYYMMDD };
enum TDateForTime { dtNone, dtOnePevArori, dtOnePerDay, dtAllTicks };

class TDTLabel {
 public:
  TTimeFormat TimeFormat() const { return timeFormat_; }
  char DateSeparator() const { return dateSeparator_; }
  char TimeSeparator() const { return timeSeparator_; }
  TYearLength YearLength() const { return yearLength_; }
  bool MonthName() const { return monthName_; }
  TDateOrder DateOrder() const { return dateOrder_; }
  TDateForTime DateForTime() const { return dateForTime_; }

  // TimeFormat and DateOrder notify on every assignment, the others only on a real change.
  void SetTimeFormat(TTimeFormat v);
  void SetDateSeparator(char v);
  void SetTimeSeparator(char v);
  void SetYearLength(TYearLength v);
  void SetMonthName(bool v);
  void SetDateOrder(TDateOrder v);
  void SetDateForTime(TDateForTime v);

  // Copies the values of another settings object (not its OnChange) and notifies once.
  void Assign(const TDTLabel& other);

  std::function<void()> OnChange;

 private:
  void Changed();

  TTimeFormat timeFormat_ = tfHHMMSS;
  char dateSeparator_ = '-';
  char timeSeparator_ = ':';
  TYearLength yearLength_ = ylYYYY;
  bool monthName_ = true;
  TDateOrder dateOrder_ = doDDMMYY;
  TDateForTime dateForTime_ = dtOnePerDay;
};
