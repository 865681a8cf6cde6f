#include "scale/label_thinning.h"

#include <algorithm>
#include <cmath>
#include <initializer_list>

#include "scale/calendar.h"
#include "scale/date_time_labels.h"
#include "scale/date_time_layout.h"

namespace {

using LD = long double;

// Where the labelled ticks sit in the layout's unit, and the label spacings to try, ascending,
// each a whole multiple of the step so that every kept label is one the layout made.
struct LabelGrid {
  std::vector<LD> Position;  // per tick; NaN for a label that goes first (2 and 5 of a decade)
  LD Step = 0;
  std::vector<LD> Spacings;
};

// The coarser entries of the layout's own step table that hold the step a whole number of times:
// clock texts then stay on whole minutes, hours or days, months on quarters and years.
void AppendTableSpacings(LabelGrid& g, std::initializer_list<LD> table) {
  for (LD t : table) {
    if (t > g.Step && std::fmod(t, g.Step) == 0) g.Spacings.push_back(t);
  }
}

// Then 2, 5, 10, 20, ... times the last spacing (or the step): round values in the unit, years
// divisible by 10 on a step of 2. Far enough for any count of ticks a layout produces.
void AppendDecimalSpacings(LabelGrid& g) {
  const LD base = g.Spacings.empty() ? g.Step : g.Spacings.back();
  for (LD power = 1; power <= 1e18L; power *= 10) {
    for (int m : {2, 5, 10}) g.Spacings.push_back(base * m * power);
  }
}

// Milliseconds of the time step table, the steps of every clock.
void AppendClockSpacings(LabelGrid& g) {
  for (const TimeStep& t : TimeStepTable) {
    const LD ms = std::nearbyint(LD(t.Seconds) * 1000);
    if (ms > g.Step && std::fmod(ms, g.Step) == 0) g.Spacings.push_back(ms);
  }
}

LabelGrid GridOf(const TickLayout& layout, const TickOptions& o) {
  LabelGrid g;
  g.Position.assign(layout.Ticks.size(), NAN);
  auto place = [&](auto position) {
    for (std::size_t i = 0; i < layout.Ticks.size(); ++i) {
      if (layout.Ticks[i].Labelled) g.Position[i] = position(layout.Ticks[i]);
    }
  };
  switch (layout.Kind) {
    case tlNone:
      return g;
    case tlLinear: {
      // Multiples of the major step counted from zero: 1990, 2000, 2010 on a step of 2.
      g.Step = 1;
      const LD step = ComputeTickStep(o.RangeLow, o.RangeHigh, o.MinTicks).Step;
      if (step == 0 || !std::isfinite(step)) return g;
      place([&](const Tick& t) { return std::nearbyint(t.Value / step); });
      AppendDecimalSpacings(g);
      return g;
    }
    case tlLogarithmic: {
      // Decades by their exponent; the 2 and 5 multiples give way first.
      g.Step = 1;
      bool between = false;
      place([&](const Tick& t) {
        if (!t.Decade) between = true;
        return t.Decade ? std::nearbyint(std::log10(LD(t.Value))) : LD(NAN);
      });
      if (between) g.Spacings.push_back(1);
      AppendDecimalSpacings(g);
      return g;
    }
    case tlTime: {
      g.Step = std::nearbyint(LD(TimeStepTable[layout.TimeIndex - 1].Seconds) * 1000);
      place([](const Tick& t) { return std::nearbyint(LD(t.Value) * 1000); });
      AppendClockSpacings(g);
      AppendDecimalSpacings(g);
      return g;
    }
    case tlDateTime:
      break;
  }
  const long long unitsPerDay = ClockUnitsPerDay(layout.DateMode);
  if (unitsPerDay > 0) {
    // Milliseconds since 30 December 1899; every clock spacing up to a day divides a day, so the
    // pattern is the same on every day and midnight always keeps its label.
    const long long msPerUnit = 86400000 / unitsPerDay;
    g.Step = LD(layout.DateStep) * msPerUnit;
    place([&](const Tick& t) { return LD(std::llround(LD(t.Value) * unitsPerDay)) * msPerUnit; });
    AppendClockSpacings(g);
  } else if (layout.DateMode == dmDays) {
    // Days counted from the New Year's day the layout counts its steps from.
    const long long lowDay = (long long)std::floor(o.RangeLow);
    const long long newYear = DayOfDate(DateOfDay(lowDay).Year, 1, 1);
    g.Step = LD(layout.DateStep);
    place([&](const Tick& t) { return LD((long long)std::floor(t.Value) - newYear); });
    AppendTableSpacings(g, {2, 3, 7, 14, 28});
  } else if (layout.DateMode == dmMonths) {
    // Months since January of year 0: spacings of 2, 3, 4, 6 and 12 months start each year.
    g.Step = LD(layout.DateStep);
    place([](const Tick& t) {
      const CivilDate d = DateOfDay((long long)std::floor(t.Value));
      return LD(d.Year * 12 + d.Month - 1);
    });
    AppendTableSpacings(g, {2, 3, 4, 6, 12});
  } else if (layout.DateMode == dmYears) {
    g.Step = LD(layout.DateStep);
    place([](const Tick& t) { return LD(DateOfDay((long long)std::floor(t.Value)).Year); });
  } else {
    return g;
  }
  if (g.Step <= 0) return {};
  AppendDecimalSpacings(g);
  return g;
}

struct OwnedBox {
  LabelBox Box;
  std::size_t Owner;
};

// Whether any two labels of different ticks clash: a sweep along the axis, which stops at the
// first clash, so that a crowded scale costs little.
bool Clashes(const TickLayout& layout, const std::vector<std::size_t>& ticks,
             const LabelMeasure& measure, int gap, bool vertical) {
  std::vector<OwnedBox> boxes;
  std::vector<LabelBox> one;
  for (std::size_t i : ticks) {
    one.clear();
    measure(layout.Ticks[i], one);
    for (const LabelBox& b : one) boxes.push_back({b, i});
  }
  auto low = [vertical](const LabelBox& b) { return vertical ? b.Top : b.Left; };
  auto high = [vertical](const LabelBox& b) { return vertical ? b.Bottom : b.Right; };
  std::sort(boxes.begin(), boxes.end(),
            [&](const OwnedBox& a, const OwnedBox& b) { return low(a.Box) < low(b.Box); });
  for (std::size_t i = 0; i < boxes.size(); ++i) {
    for (std::size_t j = i + 1; j < boxes.size() && low(boxes[j].Box) < high(boxes[i].Box) + gap;
         ++j) {
      if (boxes[i].Owner != boxes[j].Owner &&
          BoxesClash(boxes[i].Box, boxes[j].Box, gap, vertical)) {
        return true;
      }
    }
  }
  return false;
}

void KeepLabels(TickLayout& layout, const TickOptions& o, const std::vector<std::size_t>& labelled,
                const std::vector<std::size_t>& kept) {
  for (std::size_t i : labelled) layout.Ticks[i].Labelled = false;
  for (std::size_t i : kept) layout.Ticks[i].Labelled = true;
  if (layout.Kind == tlDateTime) AssignDateLines(layout, o.DateFormat);
}

}  // namespace

bool BoxesClash(const LabelBox& a, const LabelBox& b, int gap, bool vertical) {
  const bool nearAlongX = a.Left < b.Right + gap && b.Left < a.Right + gap;
  const bool nearAlongY = a.Top < b.Bottom + gap && b.Top < a.Bottom + gap;
  const bool overlapX = a.Left < b.Right && b.Left < a.Right;
  const bool overlapY = a.Top < b.Bottom && b.Top < a.Bottom;
  return vertical ? nearAlongY && overlapX : nearAlongX && overlapY;
}

bool ThinTickLabels(TickLayout& layout, const TickOptions& o, const LabelMeasure& measure,
                    int gap) {
  std::vector<std::size_t> labelled;
  for (std::size_t i = 0; i < layout.Ticks.size(); ++i) {
    if (layout.Ticks[i].Labelled) labelled.push_back(i);
  }
  if (labelled.size() < 2 || !Clashes(layout, labelled, measure, gap, o.Vertical)) return false;
  const LabelGrid grid = GridOf(layout, o);
  std::vector<std::size_t> previous = labelled;
  for (LD spacing : grid.Spacings) {
    std::vector<std::size_t> kept;
    for (std::size_t i : labelled) {
      const LD q = grid.Position[i];
      if (std::isfinite(q) && std::fmod(q, spacing) == 0) kept.push_back(i);
    }
    // No round value in range at this spacing: the first of the last pattern stands alone.
    if (kept.empty()) kept.push_back(previous.front());
    KeepLabels(layout, o, labelled, kept);
    if (kept.size() < 2 || !Clashes(layout, kept, measure, gap, o.Vertical)) return true;
    previous = std::move(kept);
  }
  return previous.size() != labelled.size();
}
