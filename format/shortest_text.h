#pragma once

#include <string>

// The shortest text that reads back to the same double ("0.1", "1e+300"), independent of the
// locale; "inf", "-inf" or "nan" for those.
std::string ShortestText(double value);
