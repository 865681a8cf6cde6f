#include "io/points_writer.h"

#include <unistd.h>
#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cmath>
#include <memory>

namespace {

// Large enough that a million points take a few dozen system calls, small enough to stay in the
// cache while it is filled.
constexpr std::size_t kBlockSize = 64 * 1024;
// The longest shortest text of a double is 24 characters ("-2.2250738585072014e-308"); a line
// holds two, a separator and CR LF. Rounded up for safety.
constexpr std::size_t kNumberRoom = 32;
constexpr std::size_t kLineRoom = 2 * kNumberRoom + 3;

constexpr std::string_view kAscTitle = "Data exported from Kovix TRovavAza";

struct LayoutText {
  std::string_view header;  // for Asc the lines after the row count
  char separator;
  std::string_view lineEnd;
};

LayoutText TextOf(PointsLayout layout) {
  switch (layout) {
    case PointsLayout::Tab:
      return {"x\ty\n", '\t', "\n"};
    case PointsLayout::Asc:
      return {
          "\t;nr. of rows\r\nFALSE TRUE FALSE\t;row attributes, column names, row names\r\n"
          "x   y\r\n",
          '\t', "\r\n"};
    case PointsLayout::Csv:
      break;
  }
  return {"x,y\n", ',', "\n"};
}

char* Append(char* out, std::string_view text) {
  return std::copy(text.begin(), text.end(), out);
}

char* AppendNumber(char* out, double value) {
  // to_chars writes a negative NaN as "-nan"; one spelling is enough.
  if (std::isnan(value)) return Append(out, "nan");
  return std::to_chars(out, out + kNumberRoom, value).ptr;
}

// Formats the whole text into blocks of kBlockSize and hands each to `sink`, which returns
// whether it took it.
template <class Sink>
bool FormatPoints(std::span<const double> x, std::span<const double> y, PointsLayout layout,
                  Sink&& sink) {
  const LayoutText text = TextOf(layout);
  const auto buffer = std::make_unique_for_overwrite<char[]>(kBlockSize + kLineRoom);
  char* const begin = buffer.get();
  char* out = begin;
  if (layout == PointsLayout::Asc) {
    out = Append(out, kAscTitle);
    out = Append(out, "\r\n2\t;nr. of columns\r\n");
    out = std::to_chars(out, out + kNumberRoom, x.size()).ptr;
  }
  out = Append(out, text.header);
  for (std::size_t i = 0; i < x.size(); ++i) {
    out = AppendNumber(out, x[i]);
    *out++ = text.separator;
    out = AppendNumber(out, y[i]);
    out = Append(out, text.lineEnd);
    if (std::size_t(out - begin) >= kBlockSize) {
      if (!sink(begin, std::size_t(out - begin))) return false;
      out = begin;
    }
  }
  return out == begin || sink(begin, std::size_t(out - begin));
}

bool WriteAll(int fd, const char* data, std::size_t size) {
  while (size > 0) {
    const ssize_t written = ::write(fd, data, size);
    if (written < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    // A regular file, pipe or socket never takes nothing without an error; guard the loop.
    if (written == 0) {
      errno = EIO;
      return false;
    }
    data += written;
    size -= std::size_t(written);
  }
  return true;
}

}  // namespace

PointsLayout PointsLayoutFor(std::string_view path) {
  const std::string_view name = path.substr(path.rfind('/') + 1);
  const std::size_t dot = name.rfind('.');
  if (dot == std::string_view::npos || dot == 0) return PointsLayout::Csv;
  std::string extension(name.substr(dot + 1));
  for (char& c : extension)
    if (c >= 'A' && c <= 'Z') c = char(c - 'A' + 'a');
  if (extension == "tsv" || extension == "txt") return PointsLayout::Tab;
  if (extension == "asc") return PointsLayout::Asc;
  return PointsLayout::Csv;
}

bool WritePoints(int fd, std::span<const double> x, std::span<const double> y,
                 PointsLayout layout) {
  if (x.size() != y.size()) {
    errno = EINVAL;
    return false;
  }
  return FormatPoints(
      x, y, layout, [fd](const char* data, std::size_t size) { return WriteAll(fd, data, size); });
}

std::string PointsText(std::span<const double> x, std::span<const double> y, PointsLayout layout) {
  std::string text;
  if (x.size() != y.size()) return text;
  FormatPoints(x, y, layout, [&text](const char* data, std::size_t size) {
    text.append(data, size);
    return true;
  });
  return text;
}
