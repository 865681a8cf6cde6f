#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "fit/data_point.h"

// Reading (x, y) points from a data file: the whole text in, the points or one message out,
// before anyone changes anything.
//
//   const DataFileResult file = ReadDataFile("messung.csv", platform::DecimalSeparator());
//   if (!file.Ok()) throw std::runtime_error(file.error);
//   store.AddPoints(file.points);
//
// Two kinds of file are read, decided per file:
// - the program's own export: five header lines, recognised by lines 2 to 4, the row count in
//   line 3, then x TAB y per line with "." as the decimal point;
// - delimited text: one point per line, x and y in the first two fields (further fields are
//   ignored), separated by TAB, ";", "," or blanks as the first data line shows (tried in that
//   order: the first that gives two numbers), then required on every line. Numbers take "."
//   as the decimal point, and also the locale's separator where the fields are not separated
//   by commas; exponents, a leading "+" and the minus sign U+2212 are read. Lines before the
//   first data line whose first field is no number (column names) are skipped, lines starting
//   with "#" are comments, blank lines are ignored; LF or CR LF; a UTF-8 byte-order mark is
//   skipped.
//
// The messages, each naming the file as given:
//   Die Datei "F" konnte nicht gelesen werden: <the system's reason>
//   Die Datei "F" ist ein Ordner.
//   Die Datei "F" ist keine gewöhnliche Datei.          (a FIFO, a device: never waited on)
//   Die Datei "F" ist leer.
//   Die Datei "F" enthält keine Datenzeile.
//   Die Datei "F" enthält in Zeile N einen Fehler: <reason>
//   "<the line, cut to 60 characters>"
// with the reasons
//   "<field>" ist keine Zahl.
//   Der y-Wert fehlt.
//   NaN und unendliche Werte sind nicht erlaubt.
//   "<field>" ist zu groß für eine Gleitkommazahl.
//   Die Zeile ist länger als 64 KiB.
//   Die Zeile enthält ein NUL-Byte.
//   Laut Kopfzeile <n> Datenzeilen, gefunden <m>.          (the export's row count)
// A value too small for a double reads as the nearest double (possibly 0).

// Either the points (at least one, in file order) or one message; never both.
struct DataFileResult {
  std::vector<DataPoint> points;
  std::string error;  // empty when the file was read
  bool Ok() const { return error.empty(); }
};

// The whole text of a file; `fileName` only names the file in messages. decimalSeparator is the
// locale's ('.' or ',').
DataFileResult ParseDataText(std::string_view text, char decimalSeparator,
                             const std::string& fileName);

// Reads a regular file whole, then parses it. Folders, FIFOs and devices are refused without
// blocking on them.
DataFileResult ReadDataFile(const std::string& path, char decimalSeparator);
