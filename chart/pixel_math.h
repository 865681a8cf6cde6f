#pragma once

#include <algorithm>
#include <limits>

// Pixel arithmetic of the chart runs wide and is clamped to int: margins, sizes and positions
// may be anything an int holds.
using Wide = long long;

inline int ClampInt(Wide v) {
  return int(std::clamp<Wide>(v, std::numeric_limits<int>::min(), std::numeric_limits<int>::max()));
}
