#pragma once

#include <string>

// How TNumLab writes its value.
enum TDisplay {
  dtFloat,
  dtFixP,
  dtExp,
  dtHex,
  dtZeroInt,
  dtInt,
  dtDateTime,
  dtState,
  dtBin,
  dtOct,
  dtDeg,
  dtDegMin,
  dtDegMinSec,
  dtEEng,
  dtEEngNoDP,
};

// The settings of a numeric label that decide its value text.
struct NumLabTextSettings {
  TDisplay DisplayType = dtFixP;
  int Precision = 2;
  bool Comma = false;
  bool ForcePlusSign = false;
  std::string OverflowIndicator = "*********";
  std::string StateText = "undefined";
  std::string DTFormat = "mmm-dd, yyyy";
};

// The value text before any rewriting by the label's owner and before the width check. UTF-8,
// so that the degree sign reaches the screen intact. Never depends on the process locale.
std::string NumLabValueText(double value, const NumLabTextSettings& settings);

// Engineering form with |k| significant digits and a unit prefix letter (k, M, m, u, ...);
// for k <= -2 the prefix letter takes the place of the decimal point ("4k70").
std::string EngineeringText(double value, int k);
