#pragma once

#include <optional>
#include <string>

// JSON text written front to back: the caller opens and closes objects and arrays, names keys
// and gives values; commas come by themselves. Numbers are the shortest round-trip text; a value
// that is absent or not finite is written null, since JSON has no NaN or infinity.
//
//   JsonWriter j;
//   j.Open('{');
//   j.Key("n").Value(3);
//   j.Key("sigma").Value(std::optional<double>());   // "sigma":null
//   j.Close('}');
//   const std::string text = j.Str();                // {"n":3,"sigma":null}
class JsonWriter {
 public:
  JsonWriter& Key(const std::string& k);
  JsonWriter& Value(const std::optional<double>& v);
  JsonWriter& Value(double v) { return Value(std::optional<double>(v)); }
  JsonWriter& Value(int v);
  JsonWriter& Value(bool v);
  JsonWriter& Value(const std::string& s);
  JsonWriter& Null();
  // '{' or '['.
  JsonWriter& Open(char c);
  // '}' or ']', matching the last Open.
  JsonWriter& Close(char c);
  // The text so far.
  const std::string& Str() const { return out_; }

 private:
  void Separate();
  void String(const std::string& s);
  std::string out_;
  bool first_ = true, afterKey_ = false;
};
