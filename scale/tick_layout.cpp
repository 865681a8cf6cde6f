#include "scale/tick_layout.h"

#include <algorithm>
#include <cmath>

#include "scale/date_time_layout.h"

namespace {

using LD = long double;

// Just under one: widens range ends by a relative hair so that ticks on them survive rounding.
constexpr LD kNearOne = 0.999999999L;

// 10^k, exact for |k| <= 27; negative powers by division so that 0.1, 0.01, ... come out
// correctly rounded.
LD PowerOfTen(LD k) {
  return k >= 0 ? std::pow(10.0L, k) : 1.0L / std::pow(10.0L, -k);
}

// MinTicks as the scale's setter keeps it: 0, or 2..10. The layout runs on options that did not
// pass that setter too, and a negative count would make the step NaN.
int ValidMinTicks(int minTicks) {
  return minTicks == 0 ? 0 : std::clamp(minTicks, 2, 10);
}

struct StepLD {
  LD first = 0;
  LD step = 0;
  int subdivisions = 1;
};

StepLD TickStepLD(double low, double high, int minTicks) {
  StepLD r;
  if (low == high) {
    r.first = low;
    return r;
  }
  const LD L = low;
  const LD H = high;
  const LD s = L < H ? 1 : -1;
  const LD range = std::fabs(H - L);
  if (minTicks == 0) {
    r.step = s;
    r.subdivisions = range <= 10 ? 5 : 1;
  } else {
    const LD x = range / minTicks;
    LD t = std::log10(x);
    LD f = t - std::trunc(t);
    if (std::fabs(f) < 1e-10L || std::fabs(f) > 0.9999999999L) {
      t = std::round(t);
      f = 0;
    } else if (t < 0) {
      t -= 1;
      f += 1;
    }
    const LD k = std::trunc(t);
    const LD l2 = std::log10(2.0L) + 1e-10L;
    const LD l5 = std::log10(5.0L) + 1e-10L;
    int mantissa;
    if (f < l2) {
      mantissa = 1;
      r.subdivisions = 5;
    } else if (f < l5) {
      mantissa = 2;
      r.subdivisions = 4;
    } else {
      mantissa = 5;
      r.subdivisions = 5;
    }
    r.step = s * (k >= 0 ? mantissa * PowerOfTen(k) : mantissa / PowerOfTen(-k));
  }
  r.first = (std::trunc(L / r.step) - 1) * r.step;
  // Two steps at most in exact arithmetic; the bound keeps a step below the resolution of
  // `first` from looping.
  for (int guard = 0; s * (L - r.first) > 0.001L * std::fabs(r.step) && guard < 4; ++guard) {
    r.first += r.step;
  }
  return r;
}

void LinearLayout(const TickOptions& o, TickLayout& out) {
  const LD L = o.RangeLow;
  const LD H = o.RangeHigh;
  const LD s = L < H ? 1 : -1;
  const StepLD st = TickStepLD(o.RangeLow, o.RangeHigh, o.MinTicks);
  out.Kind = tlLinear;
  out.Decimals = AutoDecimals(o.RangeLow, o.RangeHigh, o.DecPlaces);
  const LD majors = std::fabs((H - L) / st.step) + 2;
  out.Ticks.reserve(std::size_t(
      std::min<LD>(majors * (o.ShortTicks ? st.subdivisions + 1 : 1), LD(kMaxTickList))));
  const bool labelled = o.LabelType != ftNoFigs;
  if (o.ShortTicks) {
    const LD start = st.first - st.step;
    const LD minor = st.step / st.subdivisions;
    for (long j = 0; j < kMaxTicksPerPass; ++j) {
      const LD pos = start + j * minor;
      if (s * (pos - H) > 0.001L * std::fabs(minor)) break;
      // Compared as stored, so that a short tick on the low end itself is kept.
      if (s * double(pos) >= s * L) AddTick(out, pos, false, false, true);
    }
  }
  const bool recordMajors = o.Vertical || !o.ShortTicks;
  for (long i = 0; i < kMaxTicksPerPass; ++i) {
    const LD pos = st.first + i * st.step;
    if (i > 0 && s * (pos - H) > 0.001L * std::fabs(st.step)) break;
    AddTick(out, pos, true, labelled, recordMajors);
  }
}

void LogarithmicLayout(const TickOptions& o, TickLayout& out) {
  const LD L = o.RangeLow;
  const LD H = o.RangeHigh;
  const LD lo = std::min(L, H);
  const LD hi = std::max(L, H);
  // A bound at or below zero has no logarithm: nothing to place.
  if (!(lo > 0)) return;
  const LD D = std::log10(H / L);
  if (std::fabs(D) < 1) {
    LinearLayout(o, out);
    return;
  }
  out.Kind = tlLogarithmic;
  out.Decimals = AutoLogDecimals(o.RangeLow, o.RangeHigh, o.DecPlaces);
  const bool extra = o.MinTicks > std::fabs(D) + 0.5L;
  const bool labelled = o.LabelType != ftNoFigs;
  const LD base = PowerOfTen(std::floor(std::log10(lo * kNearOne)));
  auto candidate = [&](LD v, bool major, bool decade) {
    if (v / kNearOne > lo && kNearOne * v < hi) {
      AddTick(out, v, major, major && labelled, true).Decade = decade;
    }
  };
  LD m = 1;
  do {
    const LD decade = base * m;
    candidate(decade, true, true);
    if (extra) {
      for (int i = 2; i <= 9; ++i) {
        if (i == 2 || i == 5) {
          candidate(i * decade, true, false);
        } else if (o.ShortTicks) {
          candidate(i * decade, false, false);
        }
      }
    }
    m *= 10;
  } while (hi >= kNearOne * base * m);
}

// Range ends widened outward by a relative hair, in the scale's direction.
LD TowardSmaller(LD x) {
  return x >= 0 ? x * kNearOne : x / kNearOne;
}
LD TowardLarger(LD x) {
  return x > 0 ? x / kNearOne : x * kNearOne;
}

void TimeLayout(const TickOptions& o, int index, TickLayout& out) {
  const LD L = o.RangeLow;
  const LD H = o.RangeHigh;
  const bool ascending = L < H;
  const LD s = ascending ? 1 : -1;
  const TimeStep& ts = TimeStepTable[index - 1];
  const LD step = s * LD(ts.Seconds);
  const LD minor = step / ts.Subdivisions;
  // The first position must not lie inside the range: floor, not trunc, for negative quotients.
  const LD q0 = L / step / kNearOne;
  const LD start = (q0 >= 0 ? std::trunc(q0) : std::floor(q0)) * step;
  const long count = long(std::min<LD>(std::trunc((H - start) / minor) + 5, LD(kMaxTicksPerPass)));
  const LD lower = ascending ? TowardSmaller(L) : TowardLarger(L);
  const LD upper = ascending ? TowardLarger(H) : TowardSmaller(H);
  auto within = [&](LD v) { return s * v >= s * lower && s * v <= s * upper; };

  out.Kind = tlTime;
  out.Decimals = o.DecPlaces;
  out.TimeIndex = index;
  if (o.ShortTicks) {
    for (long i = 0; i <= count; ++i) {
      const LD v = start + i * minor;
      if (within(v)) AddTick(out, v, false, false, true);
    }
  }
  const bool recordMajors = o.Vertical || !o.ShortTicks;
  for (long i = 0; i <= count; ++i) {
    const LD v = start + i * minor;
    const LD q = v / step;
    const LD w = q >= 0 ? std::trunc(q + 0.5L) : std::trunc(q - 0.5L);
    if (std::fabs(q - w) < 0.01L && within(v)) AddTick(out, v, true, true, recordMajors);
  }
}

}  // namespace

Tick& AddTick(TickLayout& out, LD value, bool major, bool labelled, bool recorded) {
  Tick& t = out.Ticks.emplace_back();
  t.Value = double(value);
  t.LabelValue = t.Value;
  t.Major = major;
  t.Labelled = labelled;
  t.Recorded = recorded;
  return t;
}

const std::array<TimeStep, 28> TimeStepTable = {{
    {0.001, 5}, {0.002, 4}, {0.005, 5}, {0.01, 5},  {0.02, 4},  {0.05, 5},  {0.1, 5},
    {0.2, 4},   {0.5, 5},   {1, 5},     {2, 4},     {5, 5},     {10, 5},    {20, 4},
    {30, 6},    {60, 6},    {120, 6},   {180, 6},   {300, 5},   {600, 5},   {1200, 6},
    {1800, 6},  {3600, 6},  {7200, 4},  {14400, 4}, {21600, 6}, {43200, 6}, {86400, 6},
}};

TickStep ComputeTickStep(double low, double high, int minTicks) {
  const StepLD st = TickStepLD(low, high, ValidMinTicks(minTicks));
  return {double(st.first), double(st.step), st.subdivisions};
}

int AutoDecimals(double low, double high, int decPlaces) {
  if (decPlaces != -2 && decPlaces != -3) return decPlaces;
  const LD d = std::fabs(LD(high) - LD(low));
  if (d >= 1000000 || d <= 0.0001) return -1;
  if (d >= 100) return 0;
  return 2 - int(std::nearbyint(std::log(d) / 2.5L));
}

int AutoLogDecimals(double low, double high, int decPlaces) {
  if (decPlaces != -2) return decPlaces;
  const LD lo = std::min(low, high);
  const LD hi = std::max(low, high);
  const LD d = hi - lo;
  if (d >= 1000000 || d <= 0.0001) return -1;
  if (lo >= 1) return 0;
  return 1 - int(std::nearbyint(std::log10(std::fabs(lo))));
}

int TimeStepIndex(double low, double high, int minTicks) {
  if (minTicks <= 0) return 0;
  // As a double, like the table: a range per tick of exactly 0.1 selects the 0.1 s step.
  const double x = double(std::fabs(LD(high) - LD(low)) / minTicks);
  int index = 28;
  while (index > 0 && x < TimeStepTable[index - 1].Seconds) --index;
  return index;
}

TickLayout LayOutTicks(const TickOptions& options) {
  TickOptions o = options;
  o.MinTicks = ValidMinTicks(o.MinTicks);
  TickLayout out;
  const double L = o.RangeLow;
  const double H = o.RangeHigh;
  if (L == H) return out;
  bool laidOut = false;
  if (o.LabelType == ftDateTime) {
    // Bounds outside the calendar, infinite ones included, get their message.
    LayOutDateTime(o, out);
    laidOut = true;
  } else if (!std::isfinite(L) || !std::isfinite(H)) {
    return out;
  } else if (o.LabelType == ftTime) {
    const int index = TimeStepIndex(L, H, o.MinTicks);
    if (index > 0 && index < 28) {
      TimeLayout(o, index, out);
      laidOut = true;
    }
  }
  if (!laidOut) {
    if (o.Logarithmic) {
      LogarithmicLayout(o, out);
    } else {
      LinearLayout(o, out);
    }
  }
  for (const Tick& t : out.Ticks) {
    if (!t.Recorded) continue;
    if (int(out.TickList.size()) >= kMaxTickList) break;
    out.TickList.push_back(t.Value);
  }
  return out;
}
