#include "platform/locale.h"

#include <gtest/gtest.h>

#include <cmath>

using namespace platform;

namespace {

struct Case {
  const char* text;
  char separator;
  bool ok;
  long double value;
};

TEST(StrToFloat, FollowsTheNumberGrammar) {
  const Case cases[] = {
      {"2,5", ',', true, 2.5L},     {"2.5", ',', false, 0},         {"2.5", '.', true, 2.5L},
      {"2,5", '.', false, 0},       {"  -12  ", ',', true, -12.0L}, {"+7", ',', true, 7.0L},
      {",5", ',', true, 0.5L},      {"5,", ',', true, 5.0L},        {"1,5E3", ',', true, 1500.0L},
      {"1e-2", ',', true, 0.01L},   {"1E+2 ", ',', true, 100.0L},   {"", ',', false, 0},
      {"   ", ',', false, 0},       {"-", ',', false, 0},           {",", ',', false, 0},
      {"1,2,3", ',', false, 0},     {"1e", ',', false, 0},          {"1e+", ',', false, 0},
      {"e5", ',', false, 0},        {"- 1", ',', false, 0},         {"1 2", ',', false, 0},
      {"abc", ',', false, 0},       {"12abc", ',', false, 0},       {"1.000,5", ',', false, 0},
      {"0x10", ',', false, 0},      {"inf", ',', false, 0},         {"nan", ',', false, 0},
      {"\t1", ',', false, 0},       {"1e4933", ',', false, 0},      {"1e4932", ',', true, 1e4932L},
      {"1e-5000", ',', true, 0.0L},
  };
  for (const auto& c : cases) {
    long double value = -99;
    EXPECT_EQ(TryStrToFloat(c.text, c.separator, value), c.ok) << '"' << c.text << '"';
    if (c.ok) {
      EXPECT_EQ(value, c.value) << '"' << c.text << '"';
    } else {
      try {
        StrToFloat(c.text, c.separator);
        ADD_FAILURE() << '"' << c.text << "\" was accepted";
      } catch (const EConvertError& e) {
        EXPECT_EQ(std::string(e.what()),
                  "'" + std::string(c.text) + "' ist kein gültiger Gleitkommawert");
      }
    }
  }
}

TEST(StrToFloat, ReadsWithTheLoadedLocalesSeparator) {
  ASSERT_TRUE(LoadLocale("de_DE.UTF-8"));
  EXPECT_EQ(DecimalSeparator(), ',');
  EXPECT_EQ(StrToFloat("25,5"), 25.5L);
  EXPECT_THROW(StrToFloat("25.5"), EConvertError);
  ASSERT_TRUE(LoadLocale("C"));
  EXPECT_EQ(DecimalSeparator(), '.');
  EXPECT_EQ(StrToFloat("25.5"), 25.5L);
  EXPECT_FALSE(LoadLocale("xx_NOWHERE.UTF-8"));
  EXPECT_EQ(DecimalSeparator(), '.');
}

}  // namespace
