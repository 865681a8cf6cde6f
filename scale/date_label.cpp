#include "scale/date_label.h"

void TDTLabel::Changed() {
  if (OnChange) OnChange();
}

void TDTLabel::SetTimeFormat(TTimeFormat v) {
  timeFormat_ = v;
  Changed();
}

void TDTLabel::SetDateSeparator(char v) {
  if (v == dateSeparator_) return;
  dateSeparator_ = v;
  Changed();
}

void TDTLabel::SetTimeSeparator(char v) {
  if (v == timeSeparator_) return;
  timeSeparator_ = v;
  Changed();
}

void TDTLabel::SetYearLength(TYearLength v) {
  if (v == yearLength_) return;
  yearLength_ = v;
  Changed();
}

void TDTLabel::SetMonthName(bool v) {
  if (v == monthName_) return;
  monthName_ = v;
  Changed();
}

void TDTLabel::SetDateOrder(TDateOrder v) {
  dateOrder_ = v;
  Changed();
}

void TDTLabel::SetDateForTime(TDateForTime v) {
  if (v == dateForTime_) return;
  dateForTime_ = v;
  Changed();
}

void TDTLabel::Assign(const TDTLabel& other) {
  if (&other == this) return;
  timeFormat_ = other.timeFormat_;
  dateSeparator_ = other.dateSeparator_;
  timeSeparator_ = other.timeSeparator_;
  yearLength_ = other.yearLength_;
  monthName_ = other.monthName_;
  dateOrder_ = other.dateOrder_;
  dateForTime_ = other.dateForTime_;
  Changed();
}
