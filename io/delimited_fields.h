#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

// The fields of one record of delimited text, quoted as RFC 4180 has it: a field whose first
// character (after blanks) is a double quote runs to the next lone quote, "" stands for a quote
// inside it, and the separator and line ends inside it belong to the field. Text between a
// closing quote and the next separator is kept, as lenient readers keep it.
//
// The separator is a character ('\t', ';', ',', or any other a file names), or ' ' for runs of
// blanks (spaces and tabs).

// Splits `record` into `fields`, reusing the strings already there; returns how many fields it
// has (the vector may hold more, from an earlier record). Blanks around a field, outside quotes,
// are not part of it. With blanks as the separator, leading and trailing blanks give no field.
std::size_t SplitFields(std::string_view record, char sep, std::vector<std::string>& fields);

// Whether `record` ends inside a quoted field, so that its line end is part of the field and the
// record goes on with the next line. sep 0: the separator is not known yet, and a quote after
// any of TAB, ";", "," and blanks opens a field.
bool EndsInsideQuotes(std::string_view record, char sep);
