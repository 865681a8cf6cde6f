#include "scale/num_lab_text.h"

#include <gtest/gtest.h>

#include <clocale>
#include <cmath>
#include <limits>
#include <string>

namespace {

constexpr const char* kOverflow = "*********";

struct TextCase {
  TDisplay type;
  int precision;
  double value;
  std::string expected;
  bool comma = false;
  bool plus = false;
};

std::string TextOf(const TextCase& c) {
  NumLabTextSettings s;
  s.DisplayType = c.type;
  s.Precision = c.precision;
  s.Comma = c.comma;
  s.ForcePlusSign = c.plus;
  return NumLabValueText(c.value, s);
}

void ExpectTexts(std::initializer_list<TextCase> cases) {
  for (const auto& c : cases) {
    EXPECT_EQ(TextOf(c), c.expected)
        << "type " << c.type << ", precision " << c.precision << ", value " << c.value;
  }
}

const double kNan = std::numeric_limits<double>::quiet_NaN();

TEST(NumLabText, FixedPointRoundsHalvesInTheLastDigitAwayFromZero) {
  ExpectTexts({
      {dtFixP, 4, 0.98765, "0.9877"},
      {dtFixP, 2, 0.125, "0.13"},
      {dtFixP, 2, -0.125, "-0.13"},
      {dtFixP, 0, 2.5, "3"},
      {dtFixP, 4, 0.0, "0.0000"},
      {dtFixP, 15, 1.0, "1.000000000000000"},
      {dtFixP, 4, 123456789, "123456789.0000"},
  });
}

TEST(NumLabText, GeneralFormChoosesFixedOrExponentAndDropsTrailingZeros) {
  ExpectTexts({
      {dtFloat, 4, 1234.5, "1235"},
      {dtFloat, 4, 12345, "1.235E+004"},
      {dtFloat, 4, 0.5, "0.5"},
      {dtFloat, 4, 100, "100"},
      {dtFloat, 2, -0.25, "-0.25"},
      {dtFloat, 3, 0.00001, "0.00001"},
      {dtFloat, 3, 0.000001234, "1.23E-006"},
      {dtFloat, 6, 999999.7, "1E+006"},  // the rounded value has seven integer digits
      {dtFloat, 1, 1.5, "2"},
      {dtFloat, 0, 1.5, "2"},  // no digits asked: one is the least a number can show
      {dtFloat, 4, 0.0, "0"},
      {dtFloat, 15, 0.1, "0.1"},
  });
}

TEST(NumLabText, ExponentFormHasPSignificantDigitsAndAtLeastThreeExponentDigits) {
  ExpectTexts({
      {dtExp, 4, 1234.5, "1.235E+003"},
      {dtExp, 2, -0.000123, "-1.2E-004"},
      {dtExp, 2, 9.99, "1.0E+001"},
      {dtExp, 3, 0.0, "0.00E+000"},
      {dtExp, 3, 1e-300, "1.00E-300"},
      {dtExp, 1, 5, "5E+000"},
      {dtExp, 0, 5, "5E+000"},
  });
}

TEST(NumLabText, IntegerTypesRoundHalvesToEvenAndCheckTheirRanges) {
  ExpectTexts({
      {dtHex, 2, 4096, "00"},
      {dtHex, 8, -1, "FFFFFFFF"},
      {dtHex, 4, 255, "00FF"},
      {dtHex, 15, 4294967295.0, "FFFFFFFF"},
      {dtHex, 2, 2.5, "02"},
      {dtHex, 2, 3.5, "04"},
      {dtHex, 0, 255, ""},
      {dtHex, 8, 5e9, kOverflow},
      {dtHex, 8, -2147483649.0, kOverflow},
      {dtHex, 8, kNan, kOverflow},
      {dtZeroInt, 5, -42.5, "-00042"},
      {dtZeroInt, 0, 7, "7"},
      {dtZeroInt, 2, 2147483647.0, "2147483647"},
      {dtZeroInt, 5, 3e9, kOverflow},
      {dtZeroInt, 5, -2147483649.0, kOverflow},
      {dtInt, 2, 2.5, "2"},
      {dtInt, 2, 3.5, "4"},
      {dtInt, 2, -2.5, "-2"},
      {dtInt, 0, 1e15, "1000000000000000"},
      {dtInt, 0, -9223372036854775808.0, "-9223372036854775808"},
      {dtInt, 0, 9223372036854775808.0, kOverflow},
      {dtInt, 0, 1e19, kOverflow},
      {dtInt, 0, kNan, kOverflow},
      {dtBin, 4, 10, "1010"},
      {dtBin, 0, 10, ""},
      {dtBin, 2, 10, "10"},
      {dtBin, 15, -1, "111111111111111"},
      {dtBin, 4, 5e9, kOverflow},
      {dtOct, 3, 8, "010"},
      {dtOct, 11, -1, "77777777777"},
      {dtOct, 1, 9, "1"},
      {dtOct, 0, 9, ""},
      {dtOct, 3, 5e9, kOverflow},
  });
}

TEST(NumLabText, DegreesMinutesAndSeconds) {
  ExpectTexts({
      {dtDeg, 1, 12.5, "12.5°"},
      {dtDeg, 12, 1, "1.00000000°"},
      {dtDegMin, 1, 12.5, "12° 30.0'"},
      {dtDegMin, 0, 12.5, "12°  30'"},
      {dtDegMin, 1, 12.999999, "13°  0.0'"},
      {dtDegMin, 0, -0.1, "-0°   6'"},
      {dtDegMin, 0, -0.001, "0°   0'"},
      {dtDegMinSec, 0, 12.5125, "12° 30'  45\""},
      {dtDegMinSec, 1, 12.5125, "12° 30' 45.0\""},
      {dtDegMinSec, 0, 1.0, "1°  0'   0\""},
  });
}

// A negative angle mirrors the positive one; rounding "x + 0.5" toward zero would show
// -12.5 degrees as -12° 29.9'.
TEST(NumLabText, NegativeAnglesRoundLikePositiveOnes) {
  ExpectTexts({
      {dtDegMin, 1, -12.5, "-12° 30.0'"},
      {dtDegMinSec, 0, -12.5125, "-12° 30'  45\""},
      {dtDegMin, 0, -0.5, "-0°  30'"},
  });
}

TEST(NumLabText, EngineeringFormPicksThePrefixBeforeRounding) {
  ExpectTexts({
      {dtEEng, 3, 4700, "4.70k"},
      {dtEEngNoDP, 3, 4700, "4k70"},
      {dtEEng, 3, 0.0123, "12.3m"},
      {dtEEngNoDP, 3, 0.0123, "12m3"},
      {dtEEng, 3, 999.96, "1000"},
      {dtEEngNoDP, 3, 999.96, "1000"},
      {dtEEng, 3, -4700, "-4.70k"},
      {dtEEng, 3, 0, "0.00"},
      {dtEEngNoDP, 3, 0, "0.00"},
      {dtEEng, 3, 12, "12.0"},
      {dtEEng, 3, 2.2e12, "2.20T"},
      {dtEEng, 3, 1e-18, "1.00a"},
      {dtEEng, 3, 2e-20, "0.0200a"},  // no prefix below atto
      {dtEEng, 3, 4.7e-6, "4.70u"},
      {dtEEng, 1, 4700, "5k"},
      {dtEEngNoDP, 1, 4700, "5k"},    // no point to replace: the letter is appended
      {dtEEng, 12, 1, "1.00000000"},  // at most nine digits
  });
}

TEST(NumLabText, SeparatorAndPlusSignFinishTheText) {
  ExpectTexts({
      {dtFixP, 2, 0.5, "0,50", true},
      {dtFixP, 2, 0.5, "+0.50", false, true},
      {dtFixP, 2, 0.0, "0.00", false, true},
      {dtFixP, 2, -0.5, "-0.50", false, true},
      {dtEEng, 3, 4700, "+4,70k", true, true},
      {dtDeg, 1, 12.5, "12,5°", true},
      {dtZeroInt, 5, 42, "+00042", false, true},
      {dtOct, 2, 8, "+10", false, true},
      {dtExp, 2, 1234, "1,2E+003", true},
      // Hexadecimal and binary texts are never signed.
      {dtHex, 2, 255, "FF", false, true},
      {dtBin, 2, 3, "11", false, true},
  });
}

TEST(NumLabText, StateAndDateTextsAreLeftAsTheyAre) {
  NumLabTextSettings s;
  s.DisplayType = dtState;
  s.StateText = "a.b,c";
  s.Comma = true;
  s.ForcePlusSign = true;
  EXPECT_EQ(NumLabValueText(1.5, s), "a.b,c");

  s.DisplayType = dtDateTime;
  s.DTFormat = "dd.mm.yyyy";
  EXPECT_EQ(NumLabValueText(45296.75, s), "05.01.2024");
}

TEST(NumLabText, DateTimeCountsDaysFromTheEndOf1899) {
  NumLabTextSettings s;
  s.DisplayType = dtDateTime;
  EXPECT_EQ(NumLabValueText(45296, s), "Jan-05, 2024");
  EXPECT_EQ(NumLabValueText(0, s), "Dec-30, 1899");
  s.DTFormat = "yyyy-mm-dd hh:nn:ss";
  EXPECT_EQ(NumLabValueText(45296.75, s), "2024-01-05 18:00:00");
  EXPECT_EQ(NumLabValueText(-1.25, s), "1899-12-29 06:00:00");
  EXPECT_EQ(NumLabValueText(60.5 + 1.0 / 86400, s), "1900-02-28 12:00:01");
  EXPECT_EQ(NumLabValueText(45296.9999999999, s), "2024-01-06 00:00:00");
  s.DTFormat = "mmm yy";  // only the listed patterns are replaced
  EXPECT_EQ(NumLabValueText(45296, s), "Jan yy");
  EXPECT_EQ(NumLabValueText(1e9, s), kOverflow);
  EXPECT_EQ(NumLabValueText(kNan, s), kOverflow);
}

TEST(NumLabText, IgnoresTheProcessLocale) {
  const std::string saved = std::setlocale(LC_ALL, nullptr);
  if (!std::setlocale(LC_ALL, "de_DE.UTF-8")) GTEST_SKIP() << "no German locale";
  ExpectTexts({
      {dtFixP, 4, 0.98765, "0.9877"},
      {dtFloat, 3, 1.25, "1.25"},
      {dtExp, 2, 1234, "1.2E+003"},
      {dtEEng, 3, 4700, "4.70k"},
      {dtDeg, 1, 12.5, "12.5°"},
  });
  std::setlocale(LC_ALL, saved.c_str());
}

}  // namespace
