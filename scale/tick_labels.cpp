#include "scale/tick_labels.h"

#include <cmath>
#include <cstdio>

#include "format/format_fixed_width.h"
#include "scale/date_time_labels.h"

namespace {

constexpr std::size_t kMaxLabelLength = 14;

void CutLabel(std::string& text) {
  if (text.size() > kMaxLabelLength) text.resize(kMaxLabelLength);
}

std::string WrapLabel(const std::string& text, const TickOptions& o, int labelCount) {
  if (o.LabelType == ftUserText) return UserTickItem(o.UserTickText, labelCount);
  return ApplyInscript(text, o.ScaleInscript);
}

void LabelLinear(TickLayout& layout, const TickOptions& o) {
  const long double range = static_cast<long double>(o.RangeHigh) - o.RangeLow;
  const int d = layout.Decimals;
  int count = 0;
  for (Tick& t : layout.Ticks) {
    if (!t.Labelled) continue;
    ++count;
    std::string text;
    // A tick a rounding error away from zero is zero: it must never read "-0.00".
    if (std::fabs(t.Value / range) < 1e-14L) {
      t.LabelValue = 0;
      if (std::fabs(range) <= 100000) {
        text = NumberText(0, d);
      } else {
        text = d == 0 ? "0" : "0.0";
      }
    } else {
      text = NumberText(t.Value, d);
    }
    CutLabel(text);
    if (o.DecPlaces == 0 && std::fabs(t.LabelValue - std::nearbyint(t.LabelValue)) > 1e-6) {
      text.clear();
    }
    t.Text = WrapLabel(text, o, count);
  }
}

void LabelLogarithmic(TickLayout& layout, const TickOptions& o) {
  const int d = layout.Decimals;
  int count = 0;
  for (Tick& t : layout.Ticks) {
    if (!t.Labelled) continue;
    ++count;
    std::string text;
    if (d == -3) {
      if (t.Decade) text = NumberText(std::nearbyint(std::log10(t.Value)), 0);
    } else {
      text = NumberText(t.Value, d);
    }
    CutLabel(text);
    if (o.DecPlaces == -2 && text.find('.') != std::string::npos &&
        text.find_first_of("eE") == std::string::npos) {
      const auto last = text.find_last_not_of('0');
      text.erase(last + 1);
      if (!text.empty() && text.back() == '.') text.pop_back();
    }
    t.Text = WrapLabel(text, o, count);
  }
}

void LabelTime(TickLayout& layout) {
  const bool withMilliseconds = layout.TimeIndex <= 9;
  for (Tick& t : layout.Ticks) {
    if (t.Labelled) t.Text = ClockText(t.Value, withMilliseconds);
  }
}

}  // namespace

std::string NumberText(double value, int decimals) {
  return FormatFixedWidth(1, decimals >= 0 ? decimals : -2, value);
}

std::string UserTickItem(const std::string& text, int index) {
  std::size_t begin = 0;
  for (int item = 1; item < index; ++item) {
    const auto bar = text.find('|', begin);
    if (bar == std::string::npos) break;  // fewer items: the last one again
    begin = bar + 1;
  }
  const auto end = text.find('|', begin);
  return text.substr(begin, end == std::string::npos ? std::string::npos : end - begin);
}

std::string ApplyInscript(const std::string& label, const std::string& inscript) {
  if (label.empty()) return label;
  const auto amp = inscript.find('&');
  if (amp == std::string::npos) return inscript + label;
  return inscript.substr(0, amp) + label + inscript.substr(amp + 1);
}

std::string ClockText(double seconds, bool withMilliseconds) {
  using LD = long double;
  // A tick a rounding error below zero reads as zero, not as "-00:00:00".
  const char sign = seconds > -0.0005 ? ' ' : '-';
  const LD c = std::fabs(LD(seconds));
  // Remainders by fmod are exact at any size, where c - 3600 h is not; and nothing is converted
  // to int, so no value is out of range.
  const LD withinHour = std::fmod(c, 3600);
  LD h = std::nearbyint((c - withinHour) / 3600);
  LD m = std::trunc(withinHour / 60);
  LD s = std::trunc(std::fmod(c, 60));
  LD ms = std::nearbyint(1000 * (c - std::trunc(c)));
  // A fraction that rounds up to a whole second carries instead of reading ".1000".
  if (ms >= 1000) {
    ms -= 1000;
    if (++s == 60) {
      s = 0;
      if (++m == 60) {
        m = 0;
        h += 1;
      }
    }
  }
  char buf[400];  // room for the hours of the largest double
  if (withMilliseconds) {
    std::snprintf(buf, sizeof buf, "%c%02.0Lf:%02.0Lf:%02.0Lf.%03.0Lf", sign, h, m, s, ms);
  } else {
    std::snprintf(buf, sizeof buf, "%c%02.0Lf:%02.0Lf:%02.0Lf", sign, h, m, s);
  }
  return buf;
}

void LabelTicks(TickLayout& layout, const TickOptions& options) {
  switch (layout.Kind) {
    case tlLinear:
      LabelLinear(layout, options);
      break;
    case tlLogarithmic:
      LabelLogarithmic(layout, options);
      break;
    case tlTime:
      LabelTime(layout);
      break;
    case tlDateTime:
      LabelDateTime(layout, options);
      break;
    case tlNone:
      break;
  }
}

TickLayout BuildTicks(const TickOptions& options) {
  TickLayout layout = LayOutTicks(options);
  LabelTicks(layout, options);
  return layout;
}
