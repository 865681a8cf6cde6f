#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "base/data_point.h"

// Reading (x, y) points from a data file: the whole text in, the points or one message out,
// before anyone changes anything.
//
//   const DataFileResult file = ReadDataFile("messung.csv");
//   if (!file.Ok()) throw std::runtime_error(file.error);
//   store.AddPoints(file.points);
//   if (file.skippedCount) tell(SkippedNotice(file));
//
// Two kinds of file are read, decided per file:
// - the program's own export: five header lines, recognised by lines 2 to 4, the row count in
//   line 3, then x TAB y per line with "." as the decimal point;
// - delimited text as spreadsheets, pandas, R and measuring instruments write it: one record per
//   line, fields separated by TAB, ";", "," or blanks as the first data line shows (tried in that
//   order: the first that gives two numbers), or by the character an Excel hint line "sep=X"
//   names, then required on every line. Fields may be quoted (RFC 4180: "" for a quote, the
//   separator and line ends allowed inside); a quoted number is a number. x and y are the first
//   two fields, or the two a ColumnChoice names. Numbers take "." as the decimal point, and also
//   "," where the fields are not separated by commas; exponents, a leading "+" and the minus sign
//   U+2212 are read. Records before the first data line whose fields give no point (column
//   names) are skipped, the last of them is the header; lines starting with "#" are comments,
//   blank lines are ignored; LF or CR LF; a UTF-8 byte-order mark is skipped, and UTF-16 with a
//   byte-order mark is read as its characters.
//   A row-name column, as pandas and R write the row index, is passed over whatever it holds: it
//   is marked by a header whose first name is empty (",x,y"; "","x","y"), by a header with one
//   name fewer than the first data line has fields (R's write.table) where that line's first
//   field is quoted or no number and its last field not empty, or by a header of three or more
//   names over a first data line whose first field is text (a named index of dates or names).
//   Column numbers do not count it.
//   A data line whose x or y field is empty, "NA", "NaN" (any case), "N/A" or "#N/A" is skipped
//   and counted (`skippedCount`, `skippedLines`); a missing dy on a line with both is an error.
//
// The messages, each naming the file as given (invalid UTF-8 quoted as \xNN):
//   Die Datei "F" konnte nicht gelesen werden: <the system's reason>
//   Die Datei "F" ist ein Ordner.
//   Die Datei "F" ist keine gewöhnliche Datei.          (a FIFO, a device: never waited on)
//   Die Datei "F" ist leer.
//   Die Datei "F" enthält keine Datenzeile.
//   Die Datei "F" enthält nur Zeilen ohne Wert (<n> Zeilen: <first ten line numbers>).
//   Die Datei "F" hat keine Spalte "<name>". Ihre Spalten: "<name>", "<name>", …
//   Die Datei "F" hat keine Spaltennamen; "<name>" ist keine Spaltennummer.
//   Die Datei "F" enthält in Zeile N einen Fehler: <reason>
//   "<the line, cut to 60 characters>"
// with the reasons
//   "<field>" ist keine Zahl.
//   Der x-Wert fehlt.                                      (a chosen x column beyond the line)
//   Der y-Wert fehlt.
//   NaN und unendliche Werte sind nicht erlaubt.          (infinity; the export's NaN)
//   "<field>" ist zu groß für eine Gleitkommazahl.
//   Der dy-Wert fehlt.                                     (a dy column beyond the line)
//   Die Unsicherheit dy fehlt.                             (an empty or missing dy)
//   Die Unsicherheit dy muss größer als 0 sein.
//   Die Zeile ist länger als 64 KiB.
//   Die Zeile enthält ein NUL-Byte.
//   Laut Kopfzeile <n> Datenzeilen, gefunden <m>.          (the export's row count)
// A value too small for a double reads as the nearest double (possibly 0).

// The two columns that give x and y: each a header name or a column number from 1 (a row-name
// column not counted). A name the header has is taken before a number. Empty: the first two.
// `dy`, named or numbered alike, holds each y's standard uncertainty; with `findDy` and no dy
// given, the column right after y is taken where its header names one: "dy", "sigma", "err",
// "error", "uncertainty", "u(<y>)", "d<y>" or "<y>_err", <y> the y column's name, case ignored.
struct ColumnChoice {
  std::string x, y;
  bool numbers = false;  // x, y and dy are column numbers, never names (a choice from a list)
  std::string dy{};
  bool findDy = false;
  bool Given() const { return !x.empty() || !y.empty(); }
};

// "X,Y" as a user writes it on the command line; nullopt unless both parts are there.
std::optional<ColumnChoice> ParseColumnChoice(std::string_view text);

// Either the points (at least one, in file order) or one message; never both.
struct DataFileResult {
  std::vector<DataPoint> points;
  // Each point's standard uncertainty of y, where a dy column was read (every one positive and
  // finite); empty otherwise.
  std::vector<double> dy;
  std::string error;  // empty when the file was read
  // The header's names, unquoted, a row-name column's left out; empty without a header.
  std::vector<std::string> columnNames;
  // The columns (numbers from 1) whose field in the first data line is a number or a missing
  // value: those a user may choose from.
  std::vector<std::size_t> numericColumns;
  std::size_t xColumn = 1, yColumn = 2;  // the columns read
  std::size_t dyColumn = 0;              // the dy column read; 0: none
  long skippedCount = 0;                 // data lines skipped for a missing value
  std::vector<long> skippedLines;        // the first ten of their line numbers
  std::vector<long> pointLines;          // each point's line number, when asked for
  bool Ok() const { return error.empty(); }
};

// The column's name from the header, or "Spalte N".
std::string ColumnLabel(const DataFileResult& file, std::size_t column);

// "3 Zeilen ohne Wert übersprungen: 7, 19, 40" (the first ten line numbers, then "…"); empty when
// no line was skipped.
std::string SkippedNotice(const DataFileResult& file);

// The whole text of a file; `fileName` only names the file in messages. `withLines` fills
// pointLines (a record over several lines counts at the line it starts in).
DataFileResult ParseDataText(std::string_view text, const std::string& fileName,
                             const ColumnChoice& columns = {}, bool withLines = false);

// Reads a regular file whole, then parses it. Folders, FIFOs and devices are refused without
// blocking on them.
DataFileResult ReadDataFile(const std::string& path, const ColumnChoice& columns = {},
                            bool withLines = false);
