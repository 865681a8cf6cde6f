#pragma once

#include <functional>

// Date and time formatting settings of a date/time scale.
enum TTimeFormat { tfHHMMSS, tfHHhMM, tfAMPM };
enum TYearLength { ylNone, ylYY, ylYYYY };
enum TDateOrder { doMMDDYY, doDDMMYY, doYYMMDD };
enum TDateForTime { dtNone, dtOnePevArori, dtOnePerDay, dtAllTicks };

// The values of a TDTLabel, as the label texts read them.
struct DTLabelValues {
  TTimeFormat TimeFormat = tfHHMMSS;
  char DateSeparator = '-';
  char TimeSeparator = ':';
  TYearLength YearLength = ylYYYY;
  bool MonthName = true;
  TDateOrder DateOrder = doDDMMYY;
  TDateForTime DateForTime = dtOnePerDay;
};

class TDTLabel {
 public:
  TTimeFormat TimeFormat() const { return values_.TimeFormat; }
  char DateSeparator() const { return values_.DateSeparator; }
  char TimeSeparator() const { return values_.TimeSeparator; }
  TYearLength YearLength() const { return values_.YearLength; }
  bool MonthName() const { return values_.MonthName; }
  TDateOrder DateOrder() const { return values_.DateOrder; }
  TDateForTime DateForTime() const { return values_.DateForTime; }
  const DTLabelValues& Values() const { return values_; }

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
  // Stores v in field and notifies, unless notifying only on a change and v equals it.
  template <typename T>
  void Set(T& field, T v, bool onlyOnChange) {
    if (onlyOnChange && field == v) return;
    field = v;
    Changed();
  }

  DTLabelValues values_;
};
