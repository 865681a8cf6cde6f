#pragma once

#include <string>

// A copy of text with every `from` replaced by `to`; length and other characters unchanged.
std::string ReplaceChar(std::string text, char from, char to);
