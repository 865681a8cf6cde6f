#pragma once

#include <optional>
#include <string>

#include "io/data_file.h"

class QWidget;

// Asks which two of a file's numeric columns give x and y: two lists of the header's names
// ("Spalte N" where there is none), the columns read first preselected. Enter takes the choice,
// Escape cancels. Returns the columns by number, or nullopt when cancelled.
//
//   const DataFileResult file = ReadDataFile(path);
//   if (file.numericColumns.size() > 2)
//     if (const auto choice = AskForColumns(this, file, path)) file = ReadDataFile(path, *choice);
std::optional<ColumnChoice> AskForColumns(QWidget* parent, const DataFileResult& file,
                                          const std::string& fileName);
