#pragma once

#include <span>
#include <string>
#include <string_view>

// Writing (x, y) points as text the reader (io/data_file.h) gives back bit for bit: each number
// is the shortest text that reads back to the same double ("0.1", "-0", "5e-324", "1e+300"),
// with "." as the decimal point whatever the locale.
//
//   const TMatrix& table = store.PointTable();
//   const auto n = std::size_t(store.NumPoints());
//   WriteFileWhole(path, [&](int fd) {
//     return WritePoints(fd, table.Column(1).first(n), table.Column(2).first(n),
//                        PointsLayoutFor(path));
//   });
//
// The layouts, one point per line in the given order:
//   Csv  "x,y" LF, then "1.5,-0.25" LF per point
//   Tab  "x" TAB "y" LF, then "1.5" TAB "-0.25" LF per point
//   Asc  the program's own export, every line ended by CR LF:
//          Data exported from Kovix TRovavAza
//          2 TAB ;nr. of columns
//          <n> TAB ;nr. of rows
//          FALSE TRUE FALSE TAB ;row attributes, column names, row names
//          x   y
//        then "1.5" TAB "-0.25" per point.
// NaN is written "nan" (the reader skips such a line) and the infinities "inf" and "-inf" (the
// reader refuses them): a store holds neither, they are only not lost silently.
enum class PointsLayout { Csv, Tab, Asc };

// The layout the file name's extension asks for, case ignored: ".csv" Csv; ".tsv" and ".txt"
// Tab; ".asc" Asc; any other or none (a name's leading dot starts no extension) Csv.
PointsLayout PointsLayoutFor(std::string_view path);

// Writes the points to the open descriptor `fd` in blocks of 64 KiB, retrying short writes and
// interrupted ones; leaves it open. `x` and `y` have the same size; otherwise nothing is written
// and errno is EINVAL. Returns false with errno set when a write fails; what was written before
// stays.
bool WritePoints(int fd, std::span<const double> x, std::span<const double> y, PointsLayout layout);

// The text WritePoints writes; empty when the sizes differ.
std::string PointsText(std::span<const double> x, std::span<const double> y, PointsLayout layout);
