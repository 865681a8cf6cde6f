#include "scale/date_label.h"

void TDTLabel::Changed() {
  if (OnChange) OnChange();
}

void TDTLabel::SetTimeFormat(TTimeFormat v) {
  Set(values_.TimeFormat, v, false);
}

void TDTLabel::SetDateSeparator(char v) {
  Set(values_.DateSeparator, v, true);
}

void TDTLabel::SetTimeSeparator(char v) {
  Set(values_.TimeSeparator, v, true);
}

void TDTLabel::SetYearLength(TYearLength v) {
  Set(values_.YearLength, v, true);
}

void TDTLabel::SetMonthName(bool v) {
  Set(values_.MonthName, v, true);
}

void TDTLabel::SetDateOrder(TDateOrder v) {
  Set(values_.DateOrder, v, false);
}

void TDTLabel::SetDateForTime(TDateForTime v) {
  Set(values_.DateForTime, v, true);
}

void TDTLabel::Assign(const TDTLabel& other) {
  if (&other == this) return;
  values_ = other.values_;
  Changed();
}
