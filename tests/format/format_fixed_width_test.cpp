#include "format/format_fixed_width.h"

#include <gtest/gtest.h>

#include <cfloat>
#include <cmath>
#include <limits>
#include <string>

namespace {

struct Case {
  int width;
  int decimals;
  long double value;
  const char* expected;
};

void PrintTo(const Case& c, std::ostream* os) {
  *os << "(" << c.width << ", " << c.decimals << ", " << static_cast<double>(c.value) << ")";
}

class FormatFixedWidthTable : public testing::TestWithParam<Case> {};

TEST_P(FormatFixedWidthTable, Formats) {
  const Case& c = GetParam();
  EXPECT_EQ(FormatFixedWidth(c.width, c.decimals, c.value), c.expected);
}

constexpr long double kNan = std::numeric_limits<double>::quiet_NaN();
constexpr long double kInf = std::numeric_limits<double>::infinity();

INSTANTIATE_TEST_SUITE_P(
    DocumentedCases, FormatFixedWidthTable,
    testing::Values(Case{1, 6, 2.5, "2.500000"}, Case{1, 3, -0.0004, "-0.000"},
                    Case{1, 6, -0.0, "-0.000000"}, Case{1, 6, 0.0, "0.000000"},
                    Case{1, 6, 1234567.891, "1234567.891000"}, Case{1, 3, 9.9996, "10.000"},
                    Case{1, 0, 2.5, "3"}, Case{1, 0, 0.5, "1"}, Case{1, 2, 0.125, "0.13"},
                    Case{1, 2, 1.005, "1.00"}, Case{6, 1, -2.25, "  -2.3"},
                    Case{8, 2, 3.14159, "    3.14"}, Case{-8, 2, 3.14159, "00003.14"},
                    Case{-8, 2, -3.14159, "-0003.14"}, Case{1, 6, 1e40, " 1.0E+0040"},
                    Case{1, -1, 42, " 4.2E+0001"}, Case{10, -2, 1234.5, " 1.235E+03"},
                    Case{12, -2, -0.000123456, "-1.23456E-04"}, Case{8, -2, 0.5, " 5.0E-01"},
                    Case{10, -2, 1e150, "**********"}, Case{-10, -2, 1234.5, "01.235E+03"},
                    Case{1, 6, kNan, "Nan"}, Case{1, 3, -kInf, "-Inf"}));

// Carries that run through every kept digit, into a new integer digit or the exponent.
INSTANTIATE_TEST_SUITE_P(Carries, FormatFixedWidthTable,
                         testing::Values(Case{1, 0, 99.5, "100"}, Case{1, 1, 9.96, "10.0"},
                                         Case{1, 2, -999.999, "-1000.00"},
                                         Case{8, -2, 9.96, " 1.0E+01"},
                                         Case{1, -1, 9.96, " 1.0E+0001"},
                                         Case{8, -2, 0.0996, " 1.0E-01"},
                                         Case{8, -2, 1e99, " 1.0E+99"}));

// Halves round away from zero; values just below a half do not.
INSTANTIATE_TEST_SUITE_P(Halves, FormatFixedWidthTable,
                         testing::Values(Case{1, 0, -0.5, "-1"}, Case{1, 0, 1.5, "2"},
                                         Case{1, 0, -2.5, "-3"}, Case{1, 1, 0.25, "0.3"},
                                         Case{1, 2, -0.125, "-0.13"},
                                         Case{1, 0, 0.49999999999999994, "0"},
                                         Case{1, 2, 2.675, "2.67"}));

// The sign follows the sign bit, also when every kept digit is zero.
INSTANTIATE_TEST_SUITE_P(Zeros, FormatFixedWidthTable,
                         testing::Values(Case{1, 2, -1e-300, "-0.00"}, Case{1, 0, -0.4, "-0"},
                                         Case{1, 0, 0.0, "0"}, Case{1, -1, 0.0, " 0.0E+0000"},
                                         Case{1, -1, -0.0, "-0.0E+0000"},
                                         Case{8, -2, -0.0, "-0.0E+00"},
                                         Case{1, 6, 5e-324, "0.000000"},
                                         Case{1, 3, -5e-324, "-0.000"}));

// A leading "1" from a mantissa in [10, 16) counts as the first shown digit, so the text is
// rounded at its last digit rather than cut.
INSTANTIATE_TEST_SUITE_P(
    ExponentRoundsAtLastShownDigit, FormatFixedWidthTable,
    testing::Values(Case{8, -2, 125, " 1.3E+02"}, Case{10, -2, 125, " 1.250E+02"},
                    Case{1, -1, 15.5, " 1.6E+0001"}, Case{8, -2, 0.125, " 1.3E-01"},
                    Case{8, -2, 14.96, " 1.5E+01"}, Case{11, -2, 15.9996, " 1.6000E+01"},
                    Case{1, -1, 15.4, " 1.5E+0001"}, Case{1, -1, -12.5, "-1.3E+0001"}));

// 2^120 is the first value written in exponent form by the fixed form.
INSTANTIATE_TEST_SUITE_P(
    FixedFormLimit, FormatFixedWidthTable,
    testing::Values(Case{1, 0, 0x1p120 - 0x1p67, "1329227995784915725000000000000000000"},
                    Case{1, 1, 1e36, "1000000000000000042000000000000000000.0"},
                    Case{1, 0, 0x1p120, " 1.3E+0036"}, Case{-11, 3, 0x1p120, "01.33E+0036"},
                    Case{1, 6, DBL_MAX, " 1.8E+0308"}, Case{1, 6, -DBL_MAX, "-1.8E+0308"}));

// 18 generated digits (one more significant digit from a mantissa in [10, 16), one fewer
// below 1 in fixed form), then zeros; correctly rounded extended powers
// of ten keep the extreme doubles right to the last digit.
INSTANTIATE_TEST_SUITE_P(Precision, FormatFixedWidthTable,
                         testing::Values(Case{1, 20, 0.1, "0.10000000000000001000"},
                                         Case{1, 20, 1.1, "1.10000000000000009000"},
                                         Case{26, -1, 1e22, " 1.00000000000000000E+0022"},
                                         Case{26, -1, 1e23, " 9.99999999999999916E+0022"},
                                         Case{26, -1, DBL_MAX, " 1.79769313486231571E+0308"},
                                         Case{26, -1, DBL_MIN, " 2.22507385850720138E-0308"},
                                         Case{26, -1, 5e-324, " 4.94065645841246544E-0324"},
                                         Case{30, -1, -1e-300, "    -1.00000000000000003E-0300"},
                                         Case{24, -2, 1e-99, " 1.00000000000000002E-99"}));

INSTANTIATE_TEST_SUITE_P(WidthsAndZeroFill, FormatFixedWidthTable,
                         testing::Values(Case{-1, -1, 42, "04.2E+0001"},
                                         Case{-1, -1, -42, "-4.2E+0001"},
                                         Case{-28, -1, -42, "-004.20000000000000000E+0001"},
                                         Case{12, -1, 42, " 4.200E+0001"},
                                         Case{3, 2, 123.456, "123.46"},
                                         Case{-3, 2, -123.456, "-123.46"},
                                         Case{-7, 0, -5, "-000005"}, Case{-8, -2, -0.5, "-5.0E-01"},
                                         Case{-30, -2, -0.5, "-0000005.00000000000000000E-01"},
                                         Case{30, -2, 0.5, "       5.00000000000000000E-01"},
                                         Case{1, -2, 42, " 4.2E+01"}, Case{-1, -2, 42, "04.2E+01"},
                                         Case{1, -3, 42, " 4.2E+0001"}));

INSTANTIATE_TEST_SUITE_P(ExponentOutOfRange, FormatFixedWidthTable,
                         testing::Values(Case{8, -2, 1e-100, "********"},
                                         Case{-10, -2, -1e150, "**********"},
                                         Case{1, -2, 1e100, "********"},
                                         Case{8, -2, 9.96e99, "********"}));

// Special values are padded like numbers; zero fill applies its rule to them unchanged.
INSTANTIATE_TEST_SUITE_P(SpecialValues, FormatFixedWidthTable,
                         testing::Values(Case{6, 2, kNan, "   Nan"}, Case{1, 0, kInf, "+Inf"},
                                         Case{1, -1, -kInf, "-Inf"}, Case{-6, 0, -kInf, "-00Inf"},
                                         Case{-6, 0, kInf, "00+Inf"}, Case{-5, 3, kNan, "00Nan"},
                                         Case{1, -2, -kInf, "-Inf"},
                                         Case{8, -2, kNan, "       Nan"}));

TEST(FormatFixedWidth, CapsWidthAt255) {
  const std::string fixed = FormatFixedWidth(1000, 2, 1.0);
  EXPECT_EQ(fixed, std::string(251, ' ') + "1.00");
  EXPECT_EQ(FormatFixedWidth(-1000, 2, -1.0), "-" + std::string(250, '0') + "1.00");
  EXPECT_EQ(FormatFixedWidth(256, -1, 1.0).size(), 255U);
  EXPECT_EQ(FormatFixedWidth(1000, -2, 1.0), std::string(232, ' ') + "1.00000000000000000E+00");
  EXPECT_EQ(FormatFixedWidth(std::numeric_limits<int>::min(), 0, 1.0).size(), 255U);
}

TEST(FormatFixedWidth, CapsDecimalsAt216) {
  EXPECT_EQ(FormatFixedWidth(1, 1000, 1.0), "1." + std::string(216, '0'));
  const std::string big = FormatFixedWidth(1, 216, 0x1p120 - 0x1p67);
  EXPECT_EQ(big.size(), 37U + 1U + 216U);
  EXPECT_EQ(big.substr(0, 38), "1329227995784915725000000000000000000.");
}

TEST(FormatFixedWidth, NegativeDecimalsOtherThanMinusTwoUseFourDigitExponent) {
  EXPECT_EQ(FormatFixedWidth(10, -5, 0.5), " 5.0E-0001");
  EXPECT_EQ(FormatFixedWidth(10, std::numeric_limits<int>::min(), 0.5), " 5.0E-0001");
}

}  // namespace
