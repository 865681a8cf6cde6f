#include "io/delimited_fields.h"

#include <cstring>

namespace {

bool IsBlank(char c, char sep) {
  return c == ' ' || (c == '\t' && sep != '\t');
}

bool IsSeparator(char c, char sep) {
  if (sep == 0) return c == '\t' || c == ';' || c == ',' || c == ' ';
  if (sep == ' ') return c == ' ' || c == '\t';
  return c == sep;
}

}  // namespace

std::size_t SplitFields(std::string_view record, char sep, std::vector<std::string>& fields) {
  const std::size_t n = record.size();
  std::size_t i = 0, count = 0;
  const auto skipBlanks = [&] {
    while (i < n && IsBlank(record[i], sep)) ++i;
  };
  if (sep == ' ') {
    skipBlanks();
    if (i == n) return 0;
  }
  for (;;) {
    if (count == fields.size()) fields.emplace_back();
    std::string& field = fields[count++];
    field.clear();
    skipBlanks();
    if (i < n && record[i] == '"') {
      for (++i; i < n;) {
        const char* quote = static_cast<const char*>(std::memchr(record.data() + i, '"', n - i));
        if (!quote) {  // unterminated: the rest of the record
          field.append(record.substr(i));
          i = n;
          break;
        }
        const std::size_t q = std::size_t(quote - record.data());
        field.append(record.substr(i, q - i));
        i = q + 1;
        if (i < n && record[i] == '"') {
          field += '"';
          ++i;
          continue;
        }
        break;
      }
    }
    // Unquoted text, or what follows a closing quote, up to the separator.
    const std::size_t start = i;
    while (i < n && !IsSeparator(record[i], sep)) ++i;
    std::string_view rest = record.substr(start, i - start);
    while (!rest.empty() && IsBlank(rest.back(), sep)) rest.remove_suffix(1);
    field.append(rest);
    if (i == n) return count;
    // At a separator.
    if (sep == ' ') {
      skipBlanks();
      if (i == n) return count;
    } else {
      ++i;
    }
  }
}

bool EndsInsideQuotes(std::string_view record, char sep) {
  if (!std::memchr(record.data(), '"', record.size())) return false;
  bool inQuotes = false, atFieldStart = true;
  for (std::size_t i = 0; i < record.size(); ++i) {
    const char c = record[i];
    if (inQuotes) {
      if (c != '"') continue;
      if (i + 1 < record.size() && record[i + 1] == '"')
        ++i;
      else
        inQuotes = false;
    } else if (c == '"' && atFieldStart) {
      inQuotes = true;
      atFieldStart = false;
    } else if (IsSeparator(c, sep)) {
      atFieldStart = true;
    } else if (!IsBlank(c, sep)) {
      atFieldStart = false;
    }
  }
  return inQuotes;
}
