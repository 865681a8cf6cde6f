#pragma once

#include <string>

#include "scale/tick_layout.h"

// Text of a numeric label: fixed point with `decimals` digits, or for -1 the 8-character
// exponent form (' 1.5E+02'; asterisks when the exponent needs three digits).
std::string NumberText(double value, int decimals);

// Item `index` (from 1) of a text whose items are separated by "|"; the last item again when
// there are fewer, empty when the text ends with "|".
std::string UserTickItem(const std::string& text, int index);

// The label wrapped in the inscript: "&" marks the label's place, else the inscript goes first.
std::string ApplyInscript(const std::string& label, const std::string& inscript);

// Seconds as ' hh:mm:ss' (hours not wrapped), with '.mmm' milliseconds on request.
std::string ClockText(double seconds, bool withMilliseconds);

// Fills in the label texts (and the zero-snapped label values) of a layout.
void LabelTicks(TickLayout& layout, const TickOptions& options);

// Layout and labels in one go.
TickLayout BuildTicks(const TickOptions& options);
