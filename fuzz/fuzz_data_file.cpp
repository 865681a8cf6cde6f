// The data-file reader on any text: either the exact points or one message, never both, never
// a crash or a hang. A second mode writes points in a random one of the accepted layouts and
// checks that the reader gives exactly those points back.
#include <fuzzer/FuzzedDataProvider.h>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "fuzz/fuzz_check.h"
#include "io/data_file.h"

namespace {

std::string Describe(const DataFileResult& r) {
  return "error=\"" + r.error.substr(0, 200) + "\" points=" + std::to_string(r.points.size());
}

void CheckShape(const DataFileResult& r) {
  FUZZ_CHECK(r.error.empty() != r.points.empty(), Describe(r));
  for (const DataPoint& p : r.points)
    FUZZ_CHECK(std::isfinite(p.x) && std::isfinite(p.y), Describe(r));
  if (!r.error.empty()) FUZZ_CHECK(r.error.starts_with("Die Datei \"f\""), r.error.substr(0, 200));
}

std::string Number(double v, char decimal) {
  char buffer[64];
  std::snprintf(buffer, sizeof buffer, "%.17g", v);
  std::string s(buffer);
  if (decimal == ',')
    for (char& c : s)
      if (c == '.') c = ',';
  return s;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  FuzzedDataProvider in(data, size);
  const bool written = in.ConsumeBool();
  const char locale = in.ConsumeBool() ? ',' : '.';
  if (!written) {
    const std::string text = in.ConsumeRemainingBytesAsString();
    const DataFileResult r = ParseDataText(text, locale, "f");
    CheckShape(r);
    // The same text gives the same answer.
    const DataFileResult again = ParseDataText(text, locale, "f");
    FUZZ_CHECK(again.error == r.error && again.points == r.points, Describe(r));
    return 0;
  }

  // Points written as a user's file would hold them.
  const char separators[] = {'\t', ';', ',', ' '};
  const char sep = separators[in.ConsumeIntegralInRange<int>(0, 3)];
  // A decimal comma only where the fields are not separated by commas.
  const char decimal = sep != ',' && locale == ',' && in.ConsumeBool() ? ',' : '.';
  const std::string eol = in.ConsumeBool() ? "\r\n" : "\n";
  std::string text = in.ConsumeBool() ? "\xEF\xBB\xBF" : "";
  if (in.ConsumeBool()) text += std::string("x") + sep + "y" + eol;
  std::vector<DataPoint> points;
  const int n = in.ConsumeIntegralInRange<int>(1, 50);
  for (int i = 0; i < n && in.remaining_bytes() >= 16; ++i) {
    const double x = in.ConsumeFloatingPoint<double>();
    const double y = in.ConsumeFloatingPoint<double>();
    if (!std::isfinite(x) || !std::isfinite(y)) continue;
    if (in.ConsumeBool()) text += "# comment" + eol;
    if (in.ConsumeBool()) text += eol;
    text += Number(x, decimal) + sep + (sep == ' ' ? "  " : "") + Number(y, decimal);
    if (in.ConsumeBool()) text += std::string(1, sep) + "extra";
    text += eol;
    points.push_back({x, y});
  }
  const DataFileResult r = ParseDataText(text, locale, "f");
  CheckShape(r);
  if (points.empty()) {
    FUZZ_CHECK(!r.error.empty(), Describe(r));
    return 0;
  }
  FUZZ_CHECK(r.error.empty(), r.error.substr(0, 300) + "\n" + text.substr(0, 300));
  FUZZ_CHECK(r.points == points, text.substr(0, 300));
  return 0;
}
