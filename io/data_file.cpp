#include "io/data_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <algorithm>
#include <array>
#include <cerrno>
#include <cstring>
#include <memory>
#include <optional>

#include "fit/huge_pages.h"
#include "io/number_field.h"

namespace {

// Longer lines are no data a person wrote; the limit also bounds what a message quotes from.
constexpr std::size_t kMaxLineLength = 64 * 1024;
// How much of a bad line a message shows, in characters.
constexpr std::size_t kQuotedCharacters = 60;

enum class Separator { kTab, kSemicolon, kComma, kBlanks };
constexpr std::array<Separator, 4> kSeparators = {Separator::kTab, Separator::kSemicolon,
                                                  Separator::kComma, Separator::kBlanks};

std::string Quoted(const std::string& fileName) {
  return "Die Datei \"" + fileName + "\"";
}

// The line as a message shows it: control characters as "?", cut after 60 characters (never
// inside one) with "…".
std::string Shown(std::string_view line) {
  std::string out;
  std::size_t characters = 0;
  for (std::size_t i = 0; i < line.size(); ++i) {
    const unsigned char c = static_cast<unsigned char>(line[i]);
    const bool starts = (c & 0xC0) != 0x80;
    if (starts && characters++ == kQuotedCharacters) return out + "\xE2\x80\xA6";
    out += c < 0x20 || c == 0x7F ? '?' : char(c);
  }
  return out;
}

std::string_view Trim(std::string_view s) {
  const auto blank = [](char c) { return c == ' ' || c == '\t'; };
  while (!s.empty() && blank(s.front())) s.remove_prefix(1);
  while (!s.empty() && blank(s.back())) s.remove_suffix(1);
  return s;
}

// The first two fields of a line, trimmed; b is empty (and `two` false) when the line has one.
struct Fields {
  std::string_view a, b;
  bool two = false;
};

Fields Split(std::string_view line, Separator sep) {
  Fields f;
  if (sep == Separator::kBlanks) {
    line = Trim(line);
    const std::size_t end = line.find_first_of(" \t");
    f.a = line.substr(0, end);
    if (end == std::string_view::npos) return f;
    const std::string_view rest = Trim(line.substr(end));
    f.b = rest.substr(0, rest.find_first_of(" \t"));
    f.two = true;
    return f;
  }
  const char c = sep == Separator::kTab ? '\t' : sep == Separator::kSemicolon ? ';' : ',';
  const std::size_t first = line.find(c);
  f.a = Trim(line.substr(0, first));
  if (first == std::string_view::npos) return f;
  const std::string_view rest = line.substr(first + 1);
  f.b = Trim(rest.substr(0, rest.find(c)));
  f.two = true;
  return f;
}

std::string Reason(FieldStatus status, std::string_view field) {
  switch (status) {
    case FieldStatus::kNotANumber:
      return "\"" + Shown(field) + "\" ist keine Zahl.";
    case FieldStatus::kNotFinite:
      return "NaN und unendliche Werte sind nicht erlaubt.";
    case FieldStatus::kTooLarge:
      return "\"" + Shown(field) + "\" ist zu groß für eine Gleitkommazahl.";
    case FieldStatus::kNumber:
      break;
  }
  return {};
}

// Reads one data line's point, or gives the reason it has none.
std::optional<std::string> ReadPoint(std::string_view line, Separator sep, bool acceptComma,
                                     DataPoint& point) {
  constexpr char kSeparatorChar[] = {'\t', ';', ',', ' '};
  if (ReadPlainLine(line, kSeparatorChar[int(sep)], point.x, point.y)) return std::nullopt;
  const Fields f = Split(line, sep);
  FieldStatus status = ParseNumberField(f.a, acceptComma, point.x);
  if (status != FieldStatus::kNumber) return Reason(status, f.a);
  if (f.b.empty()) return std::string("Der y-Wert fehlt.");
  status = ParseNumberField(f.b, acceptComma, point.y);
  if (status != FieldStatus::kNumber) return Reason(status, f.b);
  return std::nullopt;
}

bool AcceptsComma(Separator sep, char decimalSeparator) {
  return sep != Separator::kComma && decimalSeparator == ',';
}

class Parser {
 public:
  Parser(std::string_view text, char decimalSeparator, const std::string& fileName)
      : text_(text), decimal_(decimalSeparator), name_(fileName) {}

  DataFileResult Run() {
    if (text_.starts_with("\xEF\xBB\xBF")) text_.remove_prefix(3);
    if (text_.empty()) return Fail(Quoted(name_) + " ist leer.");
    // One look for NUL bytes over the whole text spares one per line.
    hasNul_ = std::memchr(text_.data(), '\0', text_.size()) != nullptr;
    result_.points.reserve(EstimatedLines());
    AdviseHugePages(result_.points.data(), result_.points.capacity() * sizeof(DataPoint));
    if (IsExport()) return ReadExport();
    return ReadDelimited();
  }

 private:
  // Room for the points, taken once for files whose lines are alike: the lines of the first
  // 64 KiB, scaled to the whole text with a tenth to spare. Counting every line would take a
  // pass of its own over the text; a file that holds more grows the vector as usual.
  std::size_t EstimatedLines() const {
    constexpr std::size_t kSample = 64 * 1024;
    const std::string_view sample = text_.substr(0, kSample);
    const std::size_t lines = std::size_t(std::count(sample.begin(), sample.end(), '\n')) + 1;
    if (sample.size() == text_.size()) return lines;
    const long double estimate = (long double)lines * text_.size() / sample.size() * 1.1L + 16;
    // Never more than the shortest lines ("1 2" and its end) could give.
    return std::size_t(std::min<long double>(estimate, text_.size() / 4 + 1));
  }

  // The next line without its end, or nullopt at the end of the text; checks its length and
  // NUL bytes.
  std::optional<std::string_view> NextLine() {
    if (pos_ >= text_.size()) return std::nullopt;
    const char* start = text_.data() + pos_;
    const void* nl = std::memchr(start, '\n', text_.size() - pos_);
    const std::size_t length =
        nl ? std::size_t(static_cast<const char*>(nl) - start) : text_.size() - pos_;
    pos_ += length + 1;
    ++lineNumber_;
    std::string_view line(start, length);
    if (line.ends_with('\r')) line.remove_suffix(1);
    if (line.size() > kMaxLineLength)
      bad_ = "Die Zeile ist länger als 64 KiB.";
    else if (hasNul_ && std::memchr(line.data(), '\0', line.size()))
      bad_ = "Die Zeile enthält ein NUL-Byte.";
    return line;
  }

  DataFileResult Fail(std::string message) {
    result_.points = {};
    result_.error = std::move(message);
    return std::move(result_);
  }
  DataFileResult FailLine(std::string_view line, const std::string& reason) {
    return Fail(Quoted(name_) + " enthält in Zeile " + std::to_string(lineNumber_) +
                " einen Fehler: " + reason + "\n\"" + Shown(line) + "\"");
  }
  DataFileResult Finish() {
    if (result_.points.empty()) return Fail(Quoted(name_) + " enthält keine Datenzeile.");
    return std::move(result_);
  }

  // Lines 2 to 4 of the program's own export, with the row count of line 3.
  bool IsExport() {
    std::array<std::string_view, 4> head;
    std::size_t at = 0;
    for (std::string_view& line : head) {
      const std::size_t nl = text_.find('\n', at);
      if (nl == std::string_view::npos) return false;
      line = text_.substr(at, nl - at);
      if (line.ends_with('\r')) line.remove_suffix(1);
      at = nl + 1;
    }
    constexpr std::string_view kRows = "\t;nr. of rows";
    if (head[1] != "2\t;nr. of columns" ||
        head[3] != "FALSE TRUE FALSE\t;row attributes, column names, row names" ||
        !head[2].ends_with(kRows))
      return false;
    const std::string_view count = head[2].substr(0, head[2].size() - kRows.size());
    if (count.empty() || count.size() > 9 ||
        !std::all_of(count.begin(), count.end(), [](char c) { return c >= '0' && c <= '9'; }))
      return false;
    exportRows_ = std::stol(std::string(count));
    return true;
  }

  DataFileResult ReadExport() {
    std::string_view rowLine;
    for (int i = 1; i <= 5; ++i) {
      const std::string_view line = *NextLine();
      if (bad_) return FailLine(line, *bad_);
      if (i == 3) rowLine = line;
    }
    long rows = 0;
    while (const auto line = NextLine()) {
      if (bad_) return FailLine(*line, *bad_);
      if (Trim(*line).empty()) continue;
      DataPoint p;
      if (const auto reason = ReadPoint(*line, Separator::kTab, false, p))
        return FailLine(*line, *reason);
      result_.points.push_back(p);
      ++rows;
    }
    if (rows != exportRows_) {
      lineNumber_ = 3;
      return FailLine(rowLine, "Laut Kopfzeile " + std::to_string(exportRows_) +
                                   " Datenzeilen, gefunden " + std::to_string(rows) + ".");
    }
    return Finish();
  }

  DataFileResult ReadDelimited() {
    std::optional<Separator> sep;
    while (const auto line = NextLine()) {
      if (bad_) return FailLine(*line, *bad_);
      const std::string_view trimmed = Trim(*line);
      if (trimmed.empty() || trimmed.starts_with('#')) continue;
      if (!sep) {
        sep = FirstDataSeparator(*line);
        if (!sep) {
          if (!StartsWithNumber(trimmed)) continue;  // column names
          // A number, but no separator gives a second one: report as the line reads.
          DataPoint p;
          const Separator guess = GuessSeparator(*line);
          return FailLine(*line, ReadPoint(*line, guess, AcceptsComma(guess, decimal_), p)
                                     .value_or("Der y-Wert fehlt."));
        }
      }
      DataPoint p;
      if (const auto reason = ReadPoint(*line, *sep, AcceptsComma(*sep, decimal_), p))
        return FailLine(*line, *reason);
      result_.points.push_back(p);
    }
    return Finish();
  }

  // The first separator that reads two numbers from the line.
  std::optional<Separator> FirstDataSeparator(std::string_view line) const {
    for (const Separator sep : kSeparators) {
      DataPoint p;
      if (!ReadPoint(line, sep, AcceptsComma(sep, decimal_), p)) return sep;
    }
    return std::nullopt;
  }

  // Whether the line's first word reads as a number, under either decimal mark.
  static bool StartsWithNumber(std::string_view line) {
    const std::string_view first = line.substr(0, line.find_first_of(" \t;"));
    double v;
    for (const std::string_view word : {first, first.substr(0, first.find(','))})
      if (ParseNumberField(word, true, v) != FieldStatus::kNotANumber) return true;
    return false;
  }

  static Separator GuessSeparator(std::string_view line) {
    if (line.find('\t') != std::string_view::npos) return Separator::kTab;
    if (line.find(';') != std::string_view::npos) return Separator::kSemicolon;
    if (line.find(',') != std::string_view::npos) return Separator::kComma;
    return Separator::kBlanks;
  }

  std::string_view text_;
  char decimal_;
  const std::string& name_;
  std::size_t pos_ = 0;
  long lineNumber_ = 0;
  long exportRows_ = 0;
  std::optional<std::string> bad_;
  bool hasNul_ = false;
  DataFileResult result_;
};

}  // namespace

DataFileResult ParseDataText(std::string_view text, char decimalSeparator,
                             const std::string& fileName) {
  return Parser(text, decimalSeparator, fileName).Run();
}

DataFileResult ReadDataFile(const std::string& path, char decimalSeparator) {
  DataFileResult failed;
  const auto fail = [&](std::string message) {
    failed.error = std::move(message);
    return failed;
  };
  // The system would cut the name at a NUL byte and read another file.
  if (path.find('\0') != std::string::npos)
    return fail(Quoted(path) + " konnte nicht gelesen werden: " + std::strerror(EINVAL));
  // Non-blocking, so that a FIFO without a writer cannot hang the program before fstat
  // refuses it.
  const int fd = open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) return fail(Quoted(path) + " konnte nicht gelesen werden: " + std::strerror(errno));
  struct Closer {
    int fd;
    ~Closer() { close(fd); }
  } closer{fd};
  struct stat st {};
  if (fstat(fd, &st) != 0)
    return fail(Quoted(path) + " konnte nicht gelesen werden: " + std::strerror(errno));
  if (S_ISDIR(st.st_mode)) return fail(Quoted(path) + " ist ein Ordner.");
  if (!S_ISREG(st.st_mode)) return fail(Quoted(path) + " ist keine gewöhnliche Datei.");

  // Read whole at the size fstat gives, then to the end in case the file grew meanwhile. The
  // buffer is not zeroed first: it is advised for huge pages and then written by read alone.
  // One byte more than the file, so the read that finds its end needs no larger buffer.
  std::size_t capacity = std::max<std::size_t>(std::size_t(st.st_size) + 1, 65536);
  std::unique_ptr<char[]> text(new char[capacity]);
  AdviseHugePages(text.get(), capacity);
  std::size_t have = 0;
  for (;;) {
    if (have == capacity) {
      std::unique_ptr<char[]> larger(new char[capacity * 2]);
      std::copy(text.get(), text.get() + have, larger.get());
      text = std::move(larger);
      capacity *= 2;
    }
    const ssize_t n = read(fd, text.get() + have, capacity - have);
    if (n < 0) {
      if (errno == EINTR) continue;
      return fail(Quoted(path) + " konnte nicht gelesen werden: " + std::strerror(errno));
    }
    if (n == 0) break;
    have += std::size_t(n);
  }
  if (have == 0) return fail(Quoted(path) + " ist leer.");
  return ParseDataText(std::string_view(text.get(), have), decimalSeparator, path);
}
