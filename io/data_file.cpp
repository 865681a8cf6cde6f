#include "io/data_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <algorithm>
#include <array>
#include <cerrno>
#include <charconv>
#include <cstring>
#include <memory>
#include <optional>
#include <span>

#include "base/huge_pages.h"
#include "io/delimited_fields.h"
#include "io/number_field.h"
#include "io/text_encoding.h"

namespace {

// Longer lines are no data a person wrote; the limit also bounds what a message quotes from.
constexpr std::size_t kMaxLineLength = 64 * 1024;
// How much of a bad line a message shows, in characters.
constexpr std::size_t kQuotedCharacters = 60;
// How many skipped line numbers a notice lists: enough to find them, short enough to read.
constexpr std::size_t kListedSkippedLines = 10;

// Tried in this order on the first data line; blanks last, as they may stand inside the others.
constexpr std::array<char, 4> kSeparators = {'\t', ';', ',', ' '};

// The line as a message shows it.
std::string Shown(std::string_view line) {
  std::string out;
  AppendShown(out, line, kQuotedCharacters);
  return out;
}

std::string Quoted(const std::string& fileName) {
  std::string out = "Die Datei \"";
  AppendShown(out, fileName, std::string::npos);
  return out + "\"";
}

std::string_view Trim(std::string_view s) {
  const auto blank = [](char c) { return c == ' ' || c == '\t'; };
  while (!s.empty() && blank(s.front())) s.remove_prefix(1);
  while (!s.empty() && blank(s.back())) s.remove_suffix(1);
  return s;
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

// The export's line: x TAB y, nothing else read.
std::optional<std::string> ReadExportPoint(std::string_view line, DataPoint& point) {
  if (ReadPlainLine(line, '\t', false, point.x, point.y)) return std::nullopt;
  const std::size_t tab = line.find('\t');
  const std::string_view a = Trim(line.substr(0, tab));
  FieldStatus status = ParseNumberField(a, false, point.x);
  if (status != FieldStatus::kNumber) return Reason(status, a);
  if (tab == std::string_view::npos) return std::string("Der y-Wert fehlt.");
  const std::string_view rest = line.substr(tab + 1);
  const std::string_view b = Trim(rest.substr(0, rest.find('\t')));
  if (b.empty()) return std::string("Der y-Wert fehlt.");
  status = ParseNumberField(b, false, point.y);
  if (status != FieldStatus::kNumber) return Reason(status, b);
  return std::nullopt;
}

// Excel's hint line "sep=;" names the separator.
std::optional<char> SeparatorHint(std::string_view line) {
  if (line.size() < 5 || !line.starts_with("sep=") || !Trim(line.substr(5)).empty())
    return std::nullopt;
  const char c = line[4];
  const bool punctuation = (c >= '!' && c <= '/') || (c >= ':' && c <= '@') ||
                           (c >= '[' && c <= '`') || (c >= '{' && c <= '~');
  if (c == '\t' || (punctuation && c != '"' && c != '.' && c != '+' && c != '-' && c != '#'))
    return c;
  return std::nullopt;
}

// A row-name column: its offset (0 or 1), and whether the header names it.
struct RowNames {
  std::size_t offset = 0;
  bool named = false;
};

// Where the fields are and how to read them.
struct Layout {
  RowNames rowNames;
  char sep = ',';
  std::size_t offset = 0;    // 1 with a row-name column
  std::size_t x = 0, y = 1;  // field indices, the row-name column counted
  std::optional<std::size_t> dy;
  bool acceptComma = false;
  // Whether ReadPlainLine reads these lines: the first two columns after at most a row name.
  bool Plain() const { return x == offset && y == offset + 1 && !dy; }
};

enum class Field { kNumber, kMissing, kBad };

}  // namespace

std::optional<ColumnChoice> ParseColumnChoice(std::string_view text) {
  const std::size_t comma = text.find(',');
  if (comma == std::string_view::npos || text.find(',', comma + 1) != std::string_view::npos)
    return std::nullopt;
  ColumnChoice c{std::string(Trim(text.substr(0, comma))),
                 std::string(Trim(text.substr(comma + 1)))};
  if (c.x.empty() || c.y.empty()) return std::nullopt;
  return c;
}

std::string ColumnLabel(const DataFileResult& file, std::size_t column) {
  if (column >= 1 && column <= file.columnNames.size() && !file.columnNames[column - 1].empty())
    return file.columnNames[column - 1];
  return "Spalte " + std::to_string(column);
}

std::string SkippedNotice(const DataFileResult& file) {
  if (file.skippedCount == 0) return {};
  std::string text = std::to_string(file.skippedCount) +
                     (file.skippedCount == 1 ? " Zeile" : " Zeilen") + " ohne Wert übersprungen: ";
  for (std::size_t i = 0; i < file.skippedLines.size(); ++i)
    text += (i ? ", " : "") + std::to_string(file.skippedLines[i]);
  if (std::size_t(file.skippedCount) > file.skippedLines.size()) text += ", \xE2\x80\xA6";
  return text;
}

namespace {

class Parser {
 public:
  Parser(std::string_view text, const std::string& fileName, const ColumnChoice& columns,
         bool withLines)
      : text_(text), name_(fileName), choice_(columns), withLines_(withLines) {}

  DataFileResult Run() {
    if (auto utf8 = Utf16ToUtf8(text_)) {
      converted_ = std::move(*utf8);
      text_ = converted_;
    }
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
    recordLine_ = ++lineNumber_;
    std::string_view line(start, length);
    if (line.ends_with('\r')) line.remove_suffix(1);
    if (line.size() > kMaxLineLength)
      bad_ = "Die Zeile ist länger als 64 KiB.";
    else if (hasNul_ && std::memchr(line.data(), '\0', line.size()))
      bad_ = "Die Zeile enthält ein NUL-Byte.";
    return line;
  }

  // The line, and the lines after it while a quoted field is open at its end: one record.
  std::string_view WholeRecord(std::string_view line, char sep) {
    const long start = recordLine_;
    while (!bad_ && pos_ < text_.size() && EndsInsideQuotes(line, sep)) {
      const std::size_t start = std::size_t(line.data() - text_.data());
      const std::optional<std::string_view> next = NextLine();
      line = text_.substr(start, std::size_t(next->data() + next->size() - text_.data()) - start);
      if (line.size() > kMaxLineLength) bad_ = "Die Zeile ist länger als 64 KiB.";
    }
    recordLine_ = start;
    return line;
  }

  void AddPoint(const DataPoint& p) {
    result_.points.push_back(p);
    if (withLines_) result_.pointLines.push_back(recordLine_);
  }

  DataFileResult Fail(std::string message) {
    result_ = {};
    result_.error = std::move(message);
    return std::move(result_);
  }
  DataFileResult FailLine(std::string_view line, const std::string& reason) {
    return Fail(Quoted(name_) + " enthält in Zeile " + std::to_string(recordLine_) +
                " einen Fehler: " + reason + "\n\"" + Shown(line) + "\"");
  }
  DataFileResult Finish() {
    if (!result_.points.empty()) return std::move(result_);
    if (result_.skippedCount == 0) return Fail(Quoted(name_) + " enthält keine Datenzeile.");
    std::string lines = SkippedNotice(result_);
    lines = lines.substr(lines.find(": ") + 2);
    return Fail(Quoted(name_) + " enthält nur Zeilen ohne Wert (" +
                std::to_string(result_.skippedCount) +
                (result_.skippedCount == 1 ? " Zeile: " : " Zeilen: ") + lines + ").");
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
    // Its two columns have no names: a choice picks them by number.
    Layout layout;
    if ((choice_.Given() || !choice_.dy.empty()) && !ResolveColumns({}, '\t', {}, layout))
      return Fail(*columnError_);
    result_.numericColumns = {1, 2};
    result_.xColumn = layout.x + 1;
    result_.yColumn = layout.y + 1;
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
      if (const auto reason = ReadExportPoint(*line, p)) return FailLine(*line, *reason);
      if (layout.x > 1 || layout.y > 1)
        return FailLine(*line, layout.x > 1 ? "Der x-Wert fehlt." : "Der y-Wert fehlt.");
      if (layout.dy) return FailLine(*line, "Der dy-Wert fehlt.");
      const double values[] = {p.x, p.y};
      AddPoint({values[layout.x], values[layout.y]});
      ++rows;
    }
    if (rows != exportRows_) {
      recordLine_ = 3;
      return FailLine(rowLine, "Laut Kopfzeile " + std::to_string(exportRows_) +
                                   " Datenzeilen, gefunden " + std::to_string(rows) + ".");
    }
    return Finish();
  }

  // A line starting with "#" is a comment, unless the "#" starts a missing value "#N/A" in its
  // first field: "#N/A" followed by the separator (any of them while none is known yet).
  bool IsComment(std::string_view trimmed, const std::optional<Layout>& layout) const {
    if (!trimmed.starts_with('#')) return false;
    if (!trimmed.starts_with("#N/A") || trimmed.size() == 4) return true;
    const std::string_view after = trimmed.substr(4);
    const char sep = layout ? layout->sep : hint_;
    if (sep == 0) return std::string_view("\t ;,").find(after[0]) == std::string_view::npos;
    if (sep == ' ') return after[0] != ' ' && after[0] != '\t';
    std::size_t i = 0;
    while (i < after.size() && (after[i] == ' ' || (after[i] == '\t' && sep != '\t'))) ++i;
    return i == after.size() || after[i] != sep;
  }

  DataFileResult ReadDelimited() {
    std::optional<Layout> layout;
    std::string_view header;  // the last line before the first data line that gave no point
    bool first = true;
    while (const auto line = NextLine()) {
      if (bad_) return FailLine(*line, *bad_);
      DataPoint p;
      if (layout && layout->Plain() &&
          ReadPlainLine(*line, layout->sep, layout->offset == 1, p.x, p.y)) {
        AddPoint(p);
        continue;
      }
      const std::string_view record = WholeRecord(*line, layout ? layout->sep : hint_);
      if (bad_) return FailLine(record, *bad_);
      const std::string_view trimmed = Trim(record);
      if (trimmed.empty() || IsComment(trimmed, layout)) continue;
      if (first) {
        first = false;
        if (const auto hint = SeparatorHint(record)) {
          hint_ = *hint;
          continue;
        }
      }
      if (!layout) {
        layout = FindLayout(record, header);
        if (!layout) {
          // Rows of empty cells, as spreadsheets write them, are no header.
          if (trimmed.find_first_not_of("\t;, \"") == std::string_view::npos) continue;
          if (!StartsWithNumber(trimmed)) {
            header = record;
            continue;
          }
          // A number, but no separator gives a point: report as the line reads.
          Layout guess;
          const char sep = hint_ ? hint_ : GuessSeparator(record);
          const std::size_t n = SplitFields(record, sep, fields_);
          if (!ResolveColumns(header, sep, RowNamesOf(header, sep, n, trimmed.starts_with('"')),
                              guess))
            return Fail(*columnError_);
          std::string reason;
          if (Read(record, guess, p, reason) != Field::kBad) reason = "Der y-Wert fehlt.";
          return FailLine(record, reason);
        }
        NoteColumns(record, header, *layout);
      }
      std::string reason;
      switch (Read(record, *layout, p, reason)) {
        case Field::kNumber:
          AddPoint(p);
          if (layout->dy) result_.dy.push_back(dy_);
          break;
        case Field::kMissing:
          if (result_.skippedLines.size() < kListedSkippedLines)
            result_.skippedLines.push_back(recordLine_);
          ++result_.skippedCount;
          break;
        case Field::kBad:
          return FailLine(record, reason);
      }
    }
    if (!layout && columnError_ && !header.empty()) return Fail(*columnError_);
    return Finish();
  }

  // The layout under which the record is the first data line: its x and y fields each a number
  // or a missing value, at least one a number. A separator that splits the header into names
  // comes first, as the file's own ("<TAB>x<TAB>y" then "0<TAB><TAB>2": a row name and a missing
  // x). Then one that gives two numbers before one that gives a missing value: without such a
  // header "1<TAB><TAB>2" reads as blanks, as it always did.
  std::optional<Layout> FindLayout(std::string_view record, std::string_view header) {
    const bool quoted = Trim(record).starts_with('"');
    const std::array<char, 1> hinted = {hint_};
    const std::span<const char> seps =
        hint_ ? std::span<const char>(hinted) : std::span<const char>(kSeparators);
    enum class Pass { kHeaderSeparators, kTwoNumbers, kAnyNumber };
    for (const Pass pass : {Pass::kHeaderSeparators, Pass::kTwoNumbers, Pass::kAnyNumber}) {
      if (pass == Pass::kHeaderSeparators && header.empty()) continue;
      for (const char sep : seps) {
        if (pass == Pass::kHeaderSeparators && SplitFields(header, sep, headerFields_) < 2)
          continue;
        Layout layout;
        const std::size_t n = SplitFields(record, sep, fields_);
        if (!ResolveColumns(header, sep, RowNamesOf(header, sep, n, quoted), layout)) continue;
        if (layout.y >= n || layout.x >= n) continue;
        const Field x = Classify(fields_[layout.x], layout.acceptComma);
        const Field y = Classify(fields_[layout.y], layout.acceptComma);
        if (x == Field::kNumber && y == Field::kNumber) return layout;
        // Missing values alone cannot tell the separator.
        if (pass != Pass::kTwoNumbers && x != Field::kBad && y != Field::kBad &&
            (x == Field::kNumber || y == Field::kNumber))
          return layout;
      }
    }
    return std::nullopt;
  }

  // Whether the header marks a row-name column (see data_file.h), and whether it names it.
  // `fieldsInData` is the number of fields of the first data line; fields_ holds them.
  RowNames RowNamesOf(std::string_view header, char sep, std::size_t fieldsInData,
                      bool firstFieldQuoted) {
    if (header.empty()) return {};
    const std::size_t names = SplitFields(header, sep, headerFields_);
    if (names >= 2 && headerFields_[0].empty()) return {1, true};
    const bool firstIsText = fieldsInData > 0 && Classify(fields_[0], sep != ',') == Field::kBad;
    // R's write.table: its row names come quoted, or are no number. A plain number first is data,
    // and the header merely names fewer columns than there are.
    if (names >= 1 && names + 1 == fieldsInData && !fields_[fieldsInData - 1].empty() &&
        (firstFieldQuoted || firstIsText))
      return {1, false};
    // A named index of text (pandas' with a name: dates, sample names) before the numbers.
    if (names >= 3 && names == fieldsInData && firstIsText) return {1, true};
    return {};
  }

  // The header's names after a row-name column, into headerFields_ from index `from`.
  std::size_t HeaderNames(std::string_view header, char sep, const RowNames& rowNames,
                          std::size_t& from) {
    if (header.empty()) return from = 0;
    const std::size_t n = SplitFields(header, sep, headerFields_);
    from = std::min(n, rowNames.named ? rowNames.offset : 0);
    return n - from;
  }

  // Sets the layout's separator, offset and the x and y fields from the choice; false (with
  // columnError_) where a name is not in the header.
  bool ResolveColumns(std::string_view header, char sep, const RowNames& rowNames, Layout& layout) {
    const std::size_t offset = rowNames.offset;
    layout.sep = sep;
    layout.offset = offset;
    layout.rowNames = rowNames;
    layout.acceptComma = sep != ',';
    layout.x = offset;
    layout.y = offset + 1;
    layout.dy.reset();
    std::size_t from = 0;
    const std::size_t names = HeaderNames(header, sep, rowNames, from);
    std::size_t dyField = 0;
    std::vector<std::pair<const std::string*, std::size_t*>> wantedFields;
    if (choice_.Given()) wantedFields = {{&choice_.x, &layout.x}, {&choice_.y, &layout.y}};
    if (!choice_.dy.empty()) wantedFields.push_back({&choice_.dy, &dyField});
    for (const auto& [wanted, field] : wantedFields) {
      std::optional<std::size_t> column;
      for (std::size_t i = 0; i < names && !column && !choice_.numbers; ++i)
        if (Trim(headerFields_[from + i]) == *wanted) column = i;
      std::size_t number = 0;
      if (!column) {
        const auto [ptr, ec] =
            std::from_chars(wanted->data(), wanted->data() + wanted->size(), number);
        if (ec == std::errc() && ptr == wanted->data() + wanted->size() && number >= 1)
          column = number - 1;
      }
      if (!column) {
        columnError_ = UnknownColumn(*wanted, names, from);
        return false;
      }
      *field = offset + *column;
    }
    if (!choice_.dy.empty()) {
      layout.dy = dyField;
    } else if (choice_.findDy) {
      // The column right after y, where its name says it holds y's uncertainty.
      const std::size_t next = layout.y + 1 - offset;
      if (next < names && NamesUncertaintyOf(Trim(headerFields_[from + next]),
                                             layout.y - offset < names
                                                 ? Trim(headerFields_[from + layout.y - offset])
                                                 : std::string_view()))
        layout.dy = layout.y + 1;
    }
    return true;
  }

  // Whether a column's name says it holds the uncertainty of the column named `y`.
  static bool NamesUncertaintyOf(std::string_view name, std::string_view y) {
    std::string n(name), yl(y);
    for (char& c : n) c = char(std::tolower(static_cast<unsigned char>(c)));
    for (char& c : yl) c = char(std::tolower(static_cast<unsigned char>(c)));
    for (const char* plain : {"dy", "sigma", "err", "error", "uncertainty"})
      if (n == plain) return true;
    if (yl.empty()) return false;
    const std::string_view v(n);
    // "u(<y>)", "d<y>", "<y>_err"
    const auto around = [&v, &yl](std::string_view before, std::string_view after) {
      return v.size() == before.size() + yl.size() + after.size() && v.starts_with(before) &&
             v.ends_with(after) && v.substr(before.size(), yl.size()) == yl;
    };
    return around("u(", ")") || around("d", "") || around("", "_err");
  }

  std::string UnknownColumn(const std::string& wanted, std::size_t names, std::size_t from) {
    std::string text = Quoted(name_);
    if (names == 0) {
      text += " hat keine Spaltennamen; \"";
      AppendShown(text, wanted, kQuotedCharacters);
      return text + "\" ist keine Spaltennummer.";
    }
    text += " hat keine Spalte \"";
    AppendShown(text, wanted, kQuotedCharacters);
    text += "\". Ihre Spalten: ";
    for (std::size_t i = 0; i < names; ++i) {
      text += i ? ", \"" : "\"";
      AppendShown(text, headerFields_[from + i], kQuotedCharacters);
      text += "\"";
    }
    return text + ".";
  }

  // The names and the columns a user may choose, from the header and the first data line.
  void NoteColumns(std::string_view record, std::string_view header, const Layout& layout) {
    const std::size_t n = SplitFields(record, layout.sep, fields_);
    for (std::size_t i = layout.offset; i < n; ++i)
      if (Classify(fields_[i], layout.acceptComma) != Field::kBad)
        result_.numericColumns.push_back(i - layout.offset + 1);
    std::size_t from = 0;
    const std::size_t names = HeaderNames(header, layout.sep, layout.rowNames, from);
    for (std::size_t i = 0; i < names; ++i)
      result_.columnNames.emplace_back(Trim(headerFields_[from + i]));
    result_.xColumn = layout.x - layout.offset + 1;
    result_.yColumn = layout.y - layout.offset + 1;
    if (layout.dy) result_.dyColumn = *layout.dy - layout.offset + 1;
  }

  static Field Classify(std::string_view field, bool acceptComma) {
    field = Trim(field);
    if (IsMissingValue(field)) return Field::kMissing;
    double v;
    return ParseNumberField(field, acceptComma, v) == FieldStatus::kNumber ? Field::kNumber
                                                                           : Field::kBad;
  }

  // The record's point; kMissing where x or y is a missing value; kBad with the reason.
  Field Read(std::string_view record, const Layout& layout, DataPoint& point, std::string& reason) {
    const std::size_t n = SplitFields(record, layout.sep, fields_);
    bool missing = false;
    for (const auto& [index, value] : {std::pair{layout.x, &point.x}, {layout.y, &point.y}}) {
      if (index >= n) {
        reason = value == &point.x ? "Der x-Wert fehlt." : "Der y-Wert fehlt.";
        return Field::kBad;
      }
      const std::string_view field = Trim(fields_[index]);
      if (IsMissingValue(field)) {
        missing = true;
        continue;
      }
      const FieldStatus status = ParseNumberField(field, layout.acceptComma, *value);
      if (status != FieldStatus::kNumber) {
        reason = Reason(status, field);
        return Field::kBad;
      }
    }
    if (missing) return Field::kMissing;
    if (layout.dy) {
      // Never a default: an uncertainty that is not there is no uncertainty of 1.
      if (*layout.dy >= n) {
        reason = "Der dy-Wert fehlt.";
        return Field::kBad;
      }
      const std::string_view field = Trim(fields_[*layout.dy]);
      if (IsMissingValue(field)) {
        reason = "Die Unsicherheit dy fehlt.";
        return Field::kBad;
      }
      const FieldStatus status = ParseNumberField(field, layout.acceptComma, dy_);
      if (status != FieldStatus::kNumber) {
        reason = Reason(status, field);
        return Field::kBad;
      }
      if (!(dy_ > 0)) {
        reason = "Die Unsicherheit dy muss größer als 0 sein.";
        return Field::kBad;
      }
    }
    return Field::kNumber;
  }

  // Whether the line's first word reads as a number, under either decimal mark, in quotes or not.
  static bool StartsWithNumber(std::string_view line) {
    if (line.starts_with('"')) line.remove_prefix(1);
    const std::string_view first = line.substr(0, line.find_first_of(" \t;\""));
    double v;
    for (const std::string_view word : {first, first.substr(0, first.find(','))})
      if (ParseNumberField(word, true, v) != FieldStatus::kNotANumber) return true;
    return false;
  }

  char GuessSeparator(std::string_view line) const {
    for (const char sep : {'\t', ';', ','})
      if (line.find(sep) != std::string_view::npos) return sep;
    return ' ';
  }

  std::string_view text_;
  std::string converted_;  // the text as UTF-8 where it came as UTF-16
  const std::string& name_;
  const ColumnChoice& choice_;
  char hint_ = 0;  // the separator of a "sep=" line
  std::size_t pos_ = 0;
  long lineNumber_ = 0;
  bool withLines_ = false;
  long recordLine_ = 0;  // where the current record starts
  long exportRows_ = 0;
  std::optional<std::string> bad_;
  std::optional<std::string> columnError_;
  bool hasNul_ = false;
  std::vector<std::string> fields_, headerFields_;
  double dy_ = 0;  // the last record's dy, where the layout has one
  DataFileResult result_;
};

}  // namespace

DataFileResult ParseDataText(std::string_view text, const std::string& fileName,
                             const ColumnChoice& columns, bool withLines) {
  return Parser(text, fileName, columns, withLines).Run();
}

DataFileResult ReadDataFile(const std::string& path, const ColumnChoice& columns, bool withLines) {
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
  return ParseDataText(std::string_view(text.get(), have), path, columns, withLines);
}
