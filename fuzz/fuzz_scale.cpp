// The tick layouts (numeric, logarithmic, clock time, date/time) with their labels, the thinning
// of labels that would clash, the clock text, and the numeric label's value text for all fifteen
// display types.
#include <fuzzer/FuzzedDataProvider.h>

#include <algorithm>
#include <clocale>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <regex>
#include <string>
#include <vector>

#include "fuzz/fuzz_check.h"
#include "fuzz/fuzz_values.h"
#include "scale/calendar.h"
#include "scale/date_time_layout.h"
#include "scale/label_thinning.h"
#include "scale/num_lab_text.h"
#include "scale/tick_labels.h"
#include "scale/tick_layout.h"

namespace {

std::string PickText(FuzzedDataProvider& in, std::size_t maxLength) {
  static const char kAlphabet[] = "|&abc 0.,:-dmyhnsz/'\"\\%";
  std::string text = in.ConsumeRandomLengthString(maxLength);
  for (char& c : text) c = kAlphabet[static_cast<unsigned char>(c) % (sizeof kAlphabet - 1)];
  return text;
}

std::string Describe(const TickOptions& o) {
  char buf[200];
  std::snprintf(buf, sizeof buf,
                "range %.17g..%.17g MinTicks %d DecPlaces %d log %d short %d type %d vertical %d",
                o.RangeLow, o.RangeHigh, o.MinTicks, o.DecPlaces, o.Logarithmic, o.ShortTicks,
                int(o.LabelType), o.Vertical);
  return std::string(buf) + " user \"" + o.UserTickText + "\" inscript \"" + o.ScaleInscript + "\"";
}

bool ValidUtf8(const std::string& s) {
  for (std::size_t i = 0; i < s.size();) {
    const unsigned char c = static_cast<unsigned char>(s[i]);
    const int extra = c < 0x80         ? 0
                      : (c >> 5) == 6  ? 1
                      : (c >> 4) == 14 ? 2
                      : (c >> 3) == 30 ? 3
                                       : -1;
    if (extra < 0 || i + extra >= s.size() + (extra == 0 ? 1 : 0)) return false;
    for (int k = 1; k <= extra; ++k)
      if ((static_cast<unsigned char>(s[i + k]) >> 6) != 2) return false;
    i += std::size_t(extra) + 1;
  }
  return true;
}

void CheckTicks(const TickOptions& o) {
  const std::string what = Describe(o);
  const TickLayout l = BuildTicks(o);
  const bool usable =
      std::isfinite(o.RangeLow) && std::isfinite(o.RangeHigh) && o.RangeLow != o.RangeHigh;
  if (o.LabelType == ftDateTime) {
    // Calendar ticks or a message, never both; ticks inside the calendar and ascending. A range
    // without a span or with a bound that is no number has no ticks.
    FUZZ_CHECK(l.Kind == tlDateTime || (!usable && l.Kind == tlNone), what);
    FUZZ_CHECK(l.Ticks.empty() || l.Message.empty(), what + ": ticks and a message");
    if (!usable) FUZZ_CHECK(l.Ticks.empty() && l.TickList.empty(), what);
    FUZZ_CHECK(l.Ticks.size() <= std::size_t(kMaxTicksPerPass), what);
    const double last = 2958466;  // 1 January 10000
    const double* previous = nullptr;
    for (const Tick& t : l.Ticks) {
      FUZZ_CHECK(
          std::isfinite(t.Value) && t.Value >= double(kFirstCalendarDay - 1) && t.Value <= last,
          what);
      FUZZ_CHECK(ValidUtf8(t.Text), what);
      if (previous) FUZZ_CHECK(t.Value >= *previous, what + ": date ticks out of order");
      previous = &t.Value;
    }
    for (const std::string& line : l.Message) FUZZ_CHECK(ValidUtf8(line), what);
    return;
  }
  if (!usable) {
    FUZZ_CHECK(l.Kind == tlNone && l.Ticks.empty() && l.TickList.empty(), what);
    return;
  }
  // A bounded count: each pass stops far below anything that would exhaust memory or time.
  FUZZ_CHECK(l.Ticks.size() <= 1000000, what + ": " + std::to_string(l.Ticks.size()) + " ticks");
  std::size_t recorded = 0;
  for (const Tick& t : l.Ticks) {
    FUZZ_CHECK(std::isfinite(t.Value), what);
    if (!t.Labelled) FUZZ_CHECK(t.Text.empty(), what + ": text on an unlabelled tick");
    FUZZ_CHECK(ValidUtf8(t.Text), what);
    if (t.Recorded && recorded < l.TickList.size()) {
      FUZZ_CHECK(l.TickList[recorded] == t.Value, what + ": tick list out of production order");
    }
    if (t.Recorded) ++recorded;
  }
  FUZZ_CHECK(l.TickList.size() == std::min<std::size_t>(recorded, kMaxTickList), what);

  if (l.Kind == tlTime) {
    static const std::regex clock(R"([ -][0-9]{2,}:[0-5][0-9]:[0-5][0-9](\.[0-9]{3})?)");
    for (const Tick& t : l.Ticks)
      if (t.Labelled && !t.Text.empty() && o.UserTickText.empty() && o.ScaleInscript.empty())
        FUZZ_CHECK(std::regex_match(t.Text, clock), what + ": label \"" + t.Text + "\"");
  }
  // Major ticks run in one direction: the one the range runs in, upwards on logarithmic decades.
  // A step below the resolution of the values (MinTicks 0 far from the origin) repeats a value.
  const double direction = o.RangeHigh > o.RangeLow || l.Kind == tlLogarithmic ? 1 : -1;
  const Tick* previous = nullptr;
  for (const Tick& t : l.Ticks) {
    if (!t.Major) continue;
    if (previous)
      FUZZ_CHECK((t.Value - previous->Value) * direction >= 0,
                 what + ": major ticks " + std::to_string(previous->Value) + " then " +
                     std::to_string(t.Value));
    previous = &t;
  }
}

// Labels placed along a scale of `length` pixels, `charWidth` a character: after thinning no two
// clash, the ticks and their texts are untouched, and labels only ever go.
void CheckThinning(const TickOptions& o, int length, int charWidth) {
  const std::string what = Describe(o) + " length " + std::to_string(length) + " char width " +
                           std::to_string(charWidth);
  TickLayout l = BuildTicks(o);
  const TickLayout before = l;
  using LD = long double;
  const bool log = l.Kind == tlLogarithmic && o.RangeLow > 0 && o.RangeHigh > 0;
  const LD low = log ? std::log(LD(o.RangeLow)) : LD(o.RangeLow);
  const LD high = log ? std::log(LD(o.RangeHigh)) : LD(o.RangeHigh);
  const LabelMeasure measure = [&](const Tick& t, std::vector<LabelBox>& boxes) {
    const LD v = log ? std::log(LD(t.Value)) : LD(t.Value);
    LD p = (v - low) / (high - low) * length;
    if (!std::isfinite(p)) p = 0;
    const long long at = std::llround(std::clamp<LD>(p, -1e15L, 1e15L));
    auto add = [&](const std::string& text, long long row) {
      if (text.empty()) return;
      const long long w = charWidth * (long long)text.size();
      boxes.push_back(o.Vertical ? LabelBox{0, at - 6 - 13 * row, w, at + 7 - 13 * row}
                                 : LabelBox{at - w / 2, -13 * row, at - w / 2 + w, 13 - 13 * row});
    };
    add(t.Text, 0);
    add(t.DateLine, 1);
  };
  const bool thinned = ThinTickLabels(l, o, measure);
  FUZZ_CHECK(l.Ticks.size() == before.Ticks.size() && l.TickList == before.TickList, what);
  std::vector<LabelBox> boxes;
  std::vector<std::size_t> owners;
  bool dropped = false;
  for (std::size_t i = 0; i < l.Ticks.size(); ++i) {
    const Tick& t = l.Ticks[i];
    const Tick& b = before.Ticks[i];
    FUZZ_CHECK(t.Value == b.Value && t.Major == b.Major && t.Text == b.Text, what);
    FUZZ_CHECK(b.Labelled || !t.Labelled, what + ": a label appeared");
    dropped = dropped || (b.Labelled && !t.Labelled);
    if (!t.Labelled) continue;
    measure(t, boxes);
    owners.resize(boxes.size(), i);
  }
  FUZZ_CHECK(thinned == dropped, what + ": thinning reported wrongly");
  if (!thinned) {
    for (std::size_t i = 0; i < l.Ticks.size(); ++i)
      FUZZ_CHECK(l.Ticks[i].DateLine == before.Ticks[i].DateLine, what);
  }
  // Kept labels clear each other; checked pairwise on small layouts only, to keep runs fast.
  if (boxes.size() > 400) return;
  for (std::size_t i = 0; i < boxes.size(); ++i)
    for (std::size_t j = i + 1; j < boxes.size(); ++j)
      if (owners[i] != owners[j])
        FUZZ_CHECK(!BoxesClash(boxes[i], boxes[j], kLabelGap, o.Vertical),
                   what + ": labels of " + std::to_string(l.Ticks[owners[i]].Value) + " and " +
                       std::to_string(l.Ticks[owners[j]].Value) + " clash");
}

void CheckClockText(double seconds) {
  if (!std::isfinite(seconds)) {
    (void)ClockText(seconds, true);
    return;
  }
  static const std::regex clock(R"([ -][0-9]{2,}:[0-5][0-9]:[0-5][0-9](\.[0-9]{3})?)");
  for (bool ms : {false, true}) {
    const std::string text = ClockText(seconds, ms);
    char at[40];
    std::snprintf(at, sizeof at, "ClockText(%.17g)", seconds);
    FUZZ_CHECK(std::regex_match(text, clock), std::string(at) + " = \"" + text + "\"");
    FUZZ_CHECK((text.find('.') != std::string::npos) == ms,
               std::string(at) + " = \"" + text + "\"");
  }
}

std::string DescribeNumLab(double value, const NumLabTextSettings& s) {
  char buf[120];
  std::snprintf(buf, sizeof buf, "display %d precision %d comma %d plus %d value %.17g",
                int(s.DisplayType), s.Precision, s.Comma, s.ForcePlusSign, value);
  return std::string(buf) + " format \"" + s.DTFormat + "\"";
}

// Every display type: UTF-8 text of a sane length that the process locale does not reach.
void CheckNumLab(double value, NumLabTextSettings s) {
  std::string texts[dtEEngNoDP + 1];
  for (int type = dtFloat; type <= dtEEngNoDP; ++type) {
    s.DisplayType = static_cast<TDisplay>(type);
    texts[type] = NumLabValueText(value, s);
    FUZZ_CHECK(ValidUtf8(texts[type]), DescribeNumLab(value, s));
    FUZZ_CHECK(texts[type].size() < 4096, DescribeNumLab(value, s));
  }
  std::setlocale(LC_ALL, "de_DE.UTF-8");
  for (int type = dtFloat; type <= dtEEngNoDP; ++type) {
    s.DisplayType = static_cast<TDisplay>(type);
    const std::string german = NumLabValueText(value, s);
    if (german != texts[type]) {
      std::setlocale(LC_ALL, "C");
      FuzzFail("the process locale does not reach the label's text",
               DescribeNumLab(value, s) + ": \"" + texts[type] + "\" but \"" + german +
                   "\" under de_DE");
    }
  }
  std::setlocale(LC_ALL, "C");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  FuzzedDataProvider in(data, size);
  TickOptions o;
  o.RangeLow = PickDouble(in);
  o.RangeHigh = in.ConsumeBool() ? PickDouble(in) : o.RangeLow + PickDouble(in);
  o.MinTicks = in.ConsumeBool() ? in.ConsumeIntegralInRange(-2, 12) : in.ConsumeIntegral<int>();
  o.DecPlaces = in.ConsumeBool() ? in.ConsumeIntegralInRange(-3, 12) : in.ConsumeIntegral<int>();
  o.Logarithmic = in.ConsumeBool();
  o.ShortTicks = in.ConsumeBool();
  o.LabelType = static_cast<TFigType>(in.ConsumeIntegralInRange(0, 4));
  o.Vertical = in.ConsumeBool();
  if (in.ConsumeBool()) o.UserTickText = PickText(in, 40);
  if (in.ConsumeBool()) o.ScaleInscript = PickText(in, 20);
  CheckTicks(o);
  const int length = in.ConsumeIntegralInRange(0, 4000);
  CheckThinning(o, length, in.ConsumeIntegralInRange(1, 20));

  CheckClockText(PickDouble(in));

  NumLabTextSettings s;
  s.Precision = in.ConsumeBool() ? in.ConsumeIntegralInRange(-2, 20) : in.ConsumeIntegral<int>();
  s.Comma = in.ConsumeBool();
  s.ForcePlusSign = in.ConsumeBool();
  s.DTFormat = in.ConsumeBool() ? PickText(in, 30) : s.DTFormat;
  CheckNumLab(PickDouble(in), s);
  return 0;
}
