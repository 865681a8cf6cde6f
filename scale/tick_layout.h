#pragma once

#include <array>
#include <string>
#include <vector>

#include "scale/date_label.h"
#include "scale/scale_types.h"

// The tick layout of one axis as a pure computation: range and options in, the ordered ticks
// and the effective decimals out. Drawing walks the ticks in this order.

// Tick list entries kept per render; further ticks are still drawn.
inline constexpr int kMaxTickList = 250;

// Bound on the ticks one pass produces: far more than any screen can show, but it keeps a scale
// with a tiny fixed step on a huge range (MinTicks 0) from running practically forever.
inline constexpr long kMaxTicksPerPass = 100000;

struct TickStep {
  double First = 0;  // first major tick
  double Step = 0;   // signed major step
  int Subdivisions = 1;
};

// Major step of 1, 2 or 5 times a power of ten and the first major tick at or beyond low.
TickStep ComputeTickStep(double low, double high, int minTicks);

// Effective decimals of numeric labels: decPlaces unless automatic (-2, -3). The bounds must be
// finite, and for AutoLogDecimals positive, as the layouts ensure before they call these.
int AutoDecimals(double low, double high, int decPlaces);
int AutoLogDecimals(double low, double high, int decPlaces);

struct TimeStep {
  double Seconds;
  int Subdivisions;
};
// Steps of time scales, index 1..28 stored at [index - 1].
extern const std::array<TimeStep, 28> TimeStepTable;
// The time step index a range selects: 0..28; only 1..27 give a time layout.
int TimeStepIndex(double low, double high, int minTicks);

enum TickLayoutKind {
  tlNone,         // equal or unusable bounds: nothing to draw
  tlLinear,       // linear placement (also logarithmic scales under one decade)
  tlLogarithmic,  // decades with their 2 and 5 multiples
  tlTime,         // seconds on clock steps
  tlDateTime,     // calendar units, or a message instead of ticks
};

// What a date/time scale shows: a message instead of ticks, or ticks in one calendar unit.
enum DateTimeMode {
  dmInvalid,      // bounds outside the calendar or reversed
  dmBelowSecond,  // too fine even for hundredths
  dmHundredths,
  dmSeconds,
  dmMinutes,
  dmHours,
  dmDays,
  dmMonths,
  dmYears,
};

struct TickOptions {
  double RangeLow = 0;
  double RangeHigh = 100;
  int MinTicks = 3;
  int DecPlaces = -2;
  bool Logarithmic = false;
  bool ShortTicks = true;
  TFigType LabelType = ftNum;
  bool Vertical = false;
  std::string UserTickText;
  std::string ScaleInscript;
  DTLabelValues DateFormat;
};

struct Tick {
  double Value = 0;
  bool Major = false;     // long tick
  bool Labelled = false;  // carries a label (whose text may be empty)
  bool Recorded = false;  // enters the tick list (unless it is already full)
  bool Decade = false;    // a power of ten on a logarithmic scale
  // Value handed to the label event (a tick a hair away from zero becomes 0).
  double LabelValue = 0;
  std::string Text;
  std::string DateLine;  // date drawn beside the clock label of a date/time tick
};

struct TickLayout {
  TickLayoutKind Kind = tlNone;
  int Decimals = 0;   // effective decimals of numeric labels
  int TimeIndex = 0;  // time step index of a time layout
  DateTimeMode DateMode = dmInvalid;
  // Step between labelled ticks of a date/time layout in its unit (hundredths, seconds,
  // minutes, hours, days, months or years).
  long long DateStep = 0;
  std::vector<Tick> Ticks;
  std::vector<double> TickList;      // recorded positions in production order, at most 250
  std::vector<std::string> Message;  // lines shown instead of ticks
};

// Appends a produced tick; positions are stored as doubles.
Tick& AddTick(TickLayout& out, long double value, bool major, bool labelled, bool recorded);

// Positions only; the label texts (and the messages of date/time scales) are filled in by
// LabelTicks.
TickLayout LayOutTicks(const TickOptions& options);
