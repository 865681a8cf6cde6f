#include "format/replace_char.h"

#include <algorithm>

std::string ReplaceChar(std::string text, char from, char to) {
  std::replace(text.begin(), text.end(), from, to);
  return text;
}
