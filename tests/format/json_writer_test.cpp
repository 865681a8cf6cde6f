#include "format/json_writer.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <limits>

#include "format/shortest_text.h"

namespace {

TEST(ShortestText, ReadsBackToTheSameDouble) {
  const double values[] = {
      0.1, -2.5e-310, 1e300, 1.0 / 3, 2024, -0.0, std::numeric_limits<double>::max()};
  for (const double v : values) {
    const std::string text = ShortestText(v);
    EXPECT_EQ(std::strtod(text.c_str(), nullptr), v) << text;
    EXPECT_EQ(std::signbit(std::strtod(text.c_str(), nullptr)), std::signbit(v)) << text;
  }
  EXPECT_EQ(ShortestText(0.1), "0.1");
  EXPECT_EQ(ShortestText(1e300), "1e+300");
  EXPECT_EQ(ShortestText(std::nan("")), "nan");
  EXPECT_EQ(ShortestText(-std::numeric_limits<double>::infinity()), "-inf");
}

TEST(JsonWriter, NestsSeparatesEscapesAndWritesNullForWhatIsNotANumber) {
  JsonWriter j;
  j.Open('{');
  j.Key("name").Value(std::string("a \"b\"\\\n\t\x01"));
  j.Key("list").Open('[');
  j.Value(1).Value(0.5).Value(true).Null();
  j.Value(std::numeric_limits<double>::infinity()).Value(std::optional<double>());
  j.Open('{').Close('}');
  j.Close(']');
  j.Key("nan").Value(std::nan(""));
  j.Close('}');
  EXPECT_EQ(j.Str(),
            "{\"name\":\"a \\\"b\\\"\\\\\\n\\t\\u0001\",\"list\":[1,0.5,true,null,null,null,{}],"
            "\"nan\":null}");
}

}  // namespace
