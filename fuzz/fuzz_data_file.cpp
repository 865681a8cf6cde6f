// The data-file reader on any text: either the exact points or one message, never both, never
// a crash or a hang, the message valid UTF-8. A second mode writes points in a random one of the
// accepted layouts (separators, a separator hint, quoting, a decimal comma, a header with or
// without a row-name column, missing values, comments, CR LF, a byte-order mark, UTF-16) and
// checks that the reader gives exactly those points back and counts the skipped lines.
#include <fuzzer/FuzzedDataProvider.h>

#include <algorithm>
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

bool ValidUtf8(const std::string& s) {
  for (std::size_t i = 0; i < s.size();) {
    const auto b = static_cast<unsigned char>(s[i]);
    std::size_t n = b < 0x80                 ? 1
                    : b >= 0xC2 && b <= 0xDF ? 2
                    : b >= 0xE0 && b <= 0xEF ? 3
                    : b >= 0xF0 && b <= 0xF4 ? 4
                                             : 0;
    if (n == 0 || i + n > s.size()) return false;
    for (std::size_t k = 1; k < n; ++k)
      if ((static_cast<unsigned char>(s[i + k]) & 0xC0) != 0x80) return false;
    i += n;
  }
  return true;
}

void CheckShape(const DataFileResult& r) {
  FUZZ_CHECK(r.error.empty() != r.points.empty(), Describe(r));
  for (const DataPoint& p : r.points)
    FUZZ_CHECK(std::isfinite(p.x) && std::isfinite(p.y), Describe(r));
  if (!r.error.empty()) {
    FUZZ_CHECK(r.error.starts_with("Die Datei \"f\""), r.error.substr(0, 200));
    FUZZ_CHECK(ValidUtf8(r.error), r.error.substr(0, 200));
  }
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

std::string Quote(const std::string& field) {
  std::string out = "\"";
  for (const char c : field) out += c == '"' ? std::string("\"\"") : std::string(1, c);
  return out + "\"";
}

std::string Utf16(const std::string& utf8) {
  std::string out = "\xFF\xFE";
  for (const char c : utf8) {  // the written texts are ASCII
    out += c;
    out += '\0';
  }
  return out;
}

int Lines(const std::string& s) {
  int n = 0;
  for (const char c : s) n += c == '\n';
  return n;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  FuzzedDataProvider in(data, size);
  const bool written = in.ConsumeBool();
  const bool commaAllowed = in.ConsumeBool();
  if (!written) {
    ColumnChoice choice;
    switch (in.ConsumeIntegralInRange<int>(0, 2)) {
      case 1:
        choice = {std::to_string(in.ConsumeIntegralInRange<int>(1, 4)),
                  std::to_string(in.ConsumeIntegralInRange<int>(1, 4))};
        break;
      case 2:
        choice = {"x", "y"};
        break;
    }
    const std::string text = in.ConsumeRemainingBytesAsString();
    const DataFileResult r = ParseDataText(text, "f", choice);
    CheckShape(r);
    // The same text gives the same answer.
    const DataFileResult again = ParseDataText(text, "f", choice);
    FUZZ_CHECK(again.error == r.error && again.points == r.points, Describe(r));
    return 0;
  }

  // Points written as a user's file would hold them.
  const char separators[] = {'\t', ';', ',', ' '};
  const char sep = separators[in.ConsumeIntegralInRange<int>(0, 3)];
  const bool hint = sep != ' ' && in.ConsumeBool();
  // A decimal comma only where the fields are not separated by commas.
  const char decimal = sep != ',' && commaAllowed && in.ConsumeBool() ? ',' : '.';
  const std::string eol = in.ConsumeBool() ? "\r\n" : "\n";
  const bool header = in.ConsumeBool();
  // 0: none; 1: the header's first name empty; 2: the header one name short (R's write.table).
  const int rowNames = header ? in.ConsumeIntegralInRange<int>(0, 2) : 0;
  const bool extra = in.ConsumeBool();
  const bool utf16 = in.ConsumeBool();
  const bool swap = in.ConsumeBool();
  const std::string s(1, sep);
  const std::string gap = sep == ' ' ? "  " : s;

  std::string text = !utf16 && in.ConsumeBool() ? "\xEF\xBB\xBF" : "";
  if (hint) text += "sep=" + s + eol;
  if (header) {
    std::vector<std::string> names;
    if (rowNames == 1) names.push_back(in.ConsumeBool() || sep == ' ' ? "\"\"" : "");
    names.push_back(in.ConsumeBool() ? Quote("x") : "x");
    names.push_back(in.ConsumeBool() ? Quote("y") : "y");
    if (extra) names.push_back("e");
    for (std::size_t i = 0; i < names.size(); ++i) text += (i ? gap : "") + names[i];
    text += eol;
  }
  std::vector<DataPoint> points;
  std::vector<long> skipped;
  long skippedCount = 0;
  const char* markers[] = {"NA", "NaN", "nan", "-nan", "N/A", "#N/A", "\"\"", ""};
  const int n = in.ConsumeIntegralInRange<int>(1, 50);
  bool first = true;
  for (int i = 0; i < n && in.remaining_bytes() >= 16; ++i) {
    const double x = in.ConsumeFloatingPoint<double>();
    const double y = in.ConsumeFloatingPoint<double>();
    if (!std::isfinite(x) || !std::isfinite(y)) continue;
    if (in.ConsumeBool()) text += "# comment" + eol;
    if (in.ConsumeBool()) text += eol;
    // 0: both values; 1: x missing; 2: y missing; 3: both. The first data line needs a number to
    // tell the separator.
    int missing =
        in.ConsumeIntegralInRange<int>(0, 7) < 5 ? 0 : in.ConsumeIntegralInRange<int>(1, 3);
    if (first && missing == 3) missing = 1;
    const auto field = [&](bool isMissing, double v, bool last) {
      if (!isMissing) {
        const std::string number = Number(v, decimal);
        return in.ConsumeBool() ? Quote(number) : number;
      }
      // The last field must not be empty where the header is one name short.
      int m = in.ConsumeIntegralInRange<int>(0, 7);
      if (last && rowNames == 2) m = std::min(m, 5);
      // Between blanks an empty field vanishes; a line of nothing but a TAB is a blank line.
      if ((sep == ' ' || (sep == '\t' && missing == 3)) && m == 7) m = 6;
      return std::string(markers[m]);
    };
    const long line = Lines(text) + 1;
    std::string row;
    if (rowNames) {
      switch (in.ConsumeIntegralInRange<int>(0, 3)) {
        case 0:  // R's write.table quotes its row names, or they are no number
          row = rowNames == 2 ? Quote(std::to_string(i)) : std::to_string(i);
          break;
        case 1:
          row = Quote(std::to_string(i));
          break;
        case 2:
          row = "r" + std::to_string(i);
          break;
        default:
          row = Quote("a" + s + "\"b\"" + eol + "c");
          break;
      }
      row += gap;
    }
    const DataPoint p = swap ? DataPoint{y, x} : DataPoint{x, y};
    row += field(missing & 1, p.x, false) + gap + field(missing & 2, p.y, !extra);
    if (extra) row += gap + "extra";
    text += row + eol;
    first = false;
    if (missing) {
      if (skipped.size() < 10) skipped.push_back(line);
      ++skippedCount;
    } else {
      points.push_back({x, y});
    }
  }
  if (utf16) text = Utf16(text);
  const ColumnChoice choice =
      swap ? (header && in.ConsumeBool() ? ColumnChoice{"y", "x"} : ColumnChoice{"2", "1"})
           : ColumnChoice{};
  const DataFileResult r = ParseDataText(text, "f", choice);
  CheckShape(r);
  if (points.empty()) {
    FUZZ_CHECK(!r.error.empty(), Describe(r));
    return 0;
  }
  FUZZ_CHECK(r.error.empty(), r.error.substr(0, 300) + "\n" + text.substr(0, 300));
  FUZZ_CHECK(r.points == points, text.substr(0, 300));
  FUZZ_CHECK(r.skippedCount == skippedCount && r.skippedLines == skipped, text.substr(0, 300));
  return 0;
}
