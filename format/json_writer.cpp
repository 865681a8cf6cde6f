#include "format/json_writer.h"

#include <cmath>
#include <cstdio>

#include "format/shortest_text.h"

JsonWriter& JsonWriter::Key(const std::string& k) {
  Separate();
  String(k);
  out_ += ':';
  afterKey_ = true;
  return *this;
}

JsonWriter& JsonWriter::Value(const std::optional<double>& v) {
  Separate();
  out_ += v && std::isfinite(*v) ? ShortestText(*v) : "null";
  return *this;
}

JsonWriter& JsonWriter::Value(int v) {
  Separate();
  out_ += std::to_string(v);
  return *this;
}

JsonWriter& JsonWriter::Value(bool v) {
  Separate();
  out_ += v ? "true" : "false";
  return *this;
}

JsonWriter& JsonWriter::Value(const std::string& s) {
  Separate();
  String(s);
  return *this;
}

JsonWriter& JsonWriter::Null() {
  Separate();
  out_ += "null";
  return *this;
}

JsonWriter& JsonWriter::Open(char c) {
  Separate();
  out_ += c;
  first_ = true;
  return *this;
}

JsonWriter& JsonWriter::Close(char c) {
  out_ += c;
  first_ = false;
  return *this;
}

void JsonWriter::Separate() {
  if (afterKey_) {
    afterKey_ = false;
    return;
  }
  if (!first_) out_ += ',';
  first_ = false;
}

void JsonWriter::String(const std::string& s) {
  out_ += '"';
  for (const char c : s) {
    switch (c) {
      case '"':
        out_ += "\\\"";
        break;
      case '\\':
        out_ += "\\\\";
        break;
      case '\n':
        out_ += "\\n";
        break;
      case '\t':
        out_ += "\\t";
        break;
      default:
        if (static_cast<unsigned char>(c) < 0x20) {
          char code[8];
          std::snprintf(code, sizeof code, "\\u%04x", c);
          out_ += code;
        } else {
          out_ += c;
        }
    }
  }
  out_ += '"';
}
