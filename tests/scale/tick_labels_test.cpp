#include "scale/tick_labels.h"

#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <string>
#include <tuple>
#include <vector>

namespace {

using Texts = std::vector<std::string>;

TEST(NumberText, FixedAndExponentForms) {
  EXPECT_EQ(NumberText(0, 1), "0.0");
  EXPECT_EQ(NumberText(1.5, 2), "1.50");
  EXPECT_EQ(NumberText(-2.25, 1), "-2.3");
  EXPECT_EQ(NumberText(12345, 0), "12345");
  EXPECT_EQ(NumberText(150, -1), " 1.5E+02");
  EXPECT_EQ(NumberText(-2e-5, -1), "-2.0E-05");
  EXPECT_EQ(NumberText(0, -1), " 0.0E+00");
  // An exponent of three digits would be wrong when cut: asterisks instead.
  EXPECT_EQ(NumberText(1e150, -1), "********");
}

TEST(UserTickItem, ItemsSeparatedByBars) {
  EXPECT_EQ(UserTickItem("Jan|Feb|Mar", 1), "Jan");
  EXPECT_EQ(UserTickItem("Jan|Feb|Mar", 2), "Feb");
  EXPECT_EQ(UserTickItem("Jan|Feb|Mar", 3), "Mar");
  EXPECT_EQ(UserTickItem("Jan|Feb|Mar", 4), "Mar");
  EXPECT_EQ(UserTickItem("a|b|", 3), "");
  EXPECT_EQ(UserTickItem("a|b|", 5), "");
  EXPECT_EQ(UserTickItem("a||c", 2), "");
  EXPECT_EQ(UserTickItem("", 1), "");
  EXPECT_EQ(UserTickItem("", 3), "");
}

TEST(ApplyInscript, AmpersandMarksTheLabel) {
  EXPECT_EQ(ApplyInscript("10", "& s"), "10 s");
  EXPECT_EQ(ApplyInscript("5", "&/h"), "5/h");
  EXPECT_EQ(ApplyInscript("10", "x="), "x=10");
  EXPECT_EQ(ApplyInscript("10", ""), "10");
  EXPECT_EQ(ApplyInscript("7", "a&b&c"), "a7b&c");
  EXPECT_EQ(ApplyInscript("", "&/h"), "");
}

TEST(ClockText, HoursMinutesSecondsAndMilliseconds) {
  EXPECT_EQ(ClockText(3725.5, true), " 01:02:05.500");
  EXPECT_EQ(ClockText(-59, false), "-00:00:59");
  EXPECT_EQ(ClockText(0, false), " 00:00:00");
  EXPECT_EQ(ClockText(90061, false), " 25:01:01");
  EXPECT_EQ(ClockText(0.042, true), " 00:00:00.042");
  EXPECT_EQ(ClockText(360000, false), " 100:00:00");
  // Milliseconds that round up to a full second carry into the seconds.
  EXPECT_EQ(ClockText(59.9996, true), " 00:01:00.000");
  EXPECT_EQ(ClockText(-1e-18, true), " 00:00:00.000");
  EXPECT_EQ(ClockText(-0.001, true), "-00:00:00.001");
  // Far beyond the values where c - 3600 h is exact, minutes and seconds still come out right.
  EXPECT_EQ(ClockText(1e22, false), " 2777777777777777777:46:40");
  EXPECT_EQ(ClockText(-1e22, true), "-2777777777777777777:46:40.000");
  EXPECT_TRUE(ClockText(1e300, false).ends_with(":36:00"));
}

TickOptions Options(double low, double high, int minTicks, int decPlaces = -2) {
  TickOptions o;
  o.RangeLow = low;
  o.RangeHigh = high;
  o.MinTicks = minTicks;
  o.DecPlaces = decPlaces;
  o.ShortTicks = false;
  return o;
}

Texts Labels(const TickOptions& o) {
  Texts out;
  for (const Tick& t : BuildTicks(o).Ticks) {
    if (t.Labelled) out.push_back(t.Text);
  }
  return out;
}

TEST(LinearLabels, AutomaticDecimals) {
  EXPECT_EQ(Labels(Options(0, 10, 6)),
            (Texts{"0.0", "1.0", "2.0", "3.0", "4.0", "5.0", "6.0", "7.0", "8.0", "9.0", "10.0"}));
  EXPECT_EQ(Labels(Options(0, 100, 3)), (Texts{"0", "20", "40", "60", "80", "100"}));
  EXPECT_EQ(Labels(Options(10, 0, 2)), (Texts{"10.0", "8.0", "6.0", "4.0", "2.0", "0.0"}));
}

TEST(LinearLabels, ATickAHairFromZeroReadsZero) {
  for (const auto& [low, high, minTicks] :
       std::vector<std::tuple<double, double, int>>{{-1, 1, 4}, {-0.3, 0.3, 6}, {0.7, -0.5, 6}}) {
    const TickLayout l = BuildTicks(Options(low, high, minTicks));
    bool sawZero = false;
    for (const Tick& t : l.Ticks) {
      EXPECT_EQ(t.Text.find("-0.00"), std::string::npos) << t.Text;
      if (std::abs(t.Value) < 1e-12) {
        sawZero = true;
        EXPECT_EQ(t.Text, "0.00");
        EXPECT_EQ(t.LabelValue, 0.0);
        EXPECT_FALSE(std::signbit(t.LabelValue));
      }
    }
    EXPECT_TRUE(sawZero) << low << ".." << high;
  }
}

TEST(LinearLabels, ExponentFormWithItsBlank) {
  EXPECT_EQ(Labels(Options(0, 1000000, 6)),
            (Texts{"0.0", " 1.0E+05", " 2.0E+05", " 3.0E+05", " 4.0E+05", " 5.0E+05", " 6.0E+05",
                   " 7.0E+05", " 8.0E+05", " 9.0E+05", " 1.0E+06"}));
  // A small range keeps the zero in the label's own form.
  EXPECT_EQ(Labels(Options(0, 0.0001, 2)).front(), " 0.0E+00");
  // A large range with fixed decimals: the zero is "0" without decimals only for DecPlaces 0.
  EXPECT_EQ(Labels(Options(0, 200000, 2, 0)).front(), "0");
  EXPECT_EQ(Labels(Options(0, 200000, 2, 3)).front(), "0.0");
  EXPECT_EQ(Labels(Options(0, 100000, 2, 3)).front(), "0.000");
}

TEST(LinearLabels, CutToFourteenCharacters) {
  // Range 0..1000 in steps of 200.
  EXPECT_EQ(Labels(Options(0, 1000, 2, 12)),
            (Texts{"0.000000000000", "200.0000000000", "400.0000000000", "600.0000000000",
                   "800.0000000000", "1000.000000000"}));
}

TEST(LinearLabels, NoDecimalsLeavesNonIntegralTicksUnlabelled) {
  EXPECT_EQ(Labels(Options(0, 2, 4, 0)), (Texts{"0", "", "", "", "", "1", "", "", "", "", "2"}));
}

TEST(LinearLabels, InscriptAndUserTexts) {
  TickOptions o = Options(0, 10, 2, 0);
  o.ScaleInscript = "&/h";
  EXPECT_EQ(Labels(o), (Texts{"0/h", "2/h", "4/h", "6/h", "8/h", "10/h"}));
  o = Options(0, 2, 4, 0);
  o.ScaleInscript = "&/h";
  EXPECT_EQ(Labels(o)[1], "");  // an empty label stays empty

  o = Options(0, 2, 2);
  o.LabelType = ftUserText;
  o.UserTickText = "a|b|";
  o.ScaleInscript = "ignored&";
  EXPECT_EQ(Labels(o), (Texts{"a", "b", ""}));
  o.UserTickText = "a|b";
  EXPECT_EQ(Labels(o), (Texts{"a", "b", "b"}));
  o.UserTickText = "";
  EXPECT_EQ(Labels(o), (Texts{"", "", ""}));
}

TickOptions LogOptions(double low, double high, int minTicks, int decPlaces) {
  TickOptions o = Options(low, high, minTicks, decPlaces);
  o.Logarithmic = true;
  return o;
}

TEST(LogarithmicLabels, DecadeLabels) {
  EXPECT_EQ(Labels(LogOptions(0.01, 100, 3, -3)), (Texts{"-2", "-1", "0", "1", "2"}));
  // With extra ticks the 2 and 5 multiples get empty texts.
  EXPECT_EQ(Labels(LogOptions(1, 100, 6, -3)), (Texts{"0", "", "", "1", "", "", "2"}));
}

TEST(LogarithmicLabels, TrailingZerosTrimmedOnlyForAutomaticDecimals) {
  EXPECT_EQ(Labels(LogOptions(1, 100, 6, -2)), (Texts{"1", "2", "5", "10", "20", "50", "100"}));
  EXPECT_EQ(Labels(LogOptions(0.01, 100, 3, -2)), (Texts{"0.01", "0.1", "1", "10", "100"}));
  EXPECT_EQ(Labels(LogOptions(0.01, 100, 3, 3)),
            (Texts{"0.010", "0.100", "1.000", "10.000", "100.000"}));
  // Exponent texts keep their zeros.
  EXPECT_EQ(Labels(LogOptions(1, 1e7, 3, -2)).front(), " 1.0E+00");
}

TEST(LogarithmicLabels, ShortTicksAreNeverLabelled) {
  TickOptions o = LogOptions(1, 100, 6, -2);
  o.ShortTicks = true;
  o.LabelType = ftUserText;
  o.UserTickText = "a|b|c|d|e|f|g";
  const TickLayout l = BuildTicks(o);
  Texts labelled;
  for (const Tick& t : l.Ticks) {
    if (t.Labelled) {
      labelled.push_back(t.Text);
    } else {
      EXPECT_TRUE(t.Text.empty());
    }
  }
  EXPECT_EQ(labelled, (Texts{"a", "b", "c", "d", "e", "f", "g"}));
}

TEST(TimeLabels, ClockTextsOnLongTicks) {
  TickOptions o = Options(0, 3600, 6, 4);
  o.LabelType = ftTime;
  o.ScaleInscript = "& h";
  EXPECT_EQ(Labels(o), (Texts{" 00:00:00", " 00:10:00", " 00:20:00", " 00:30:00", " 00:40:00",
                              " 00:50:00", " 01:00:00"}));
  o = Options(0, 0.5, 5, 4);  // 0.1 s steps: with milliseconds
  o.LabelType = ftTime;
  EXPECT_EQ(Labels(o), (Texts{" 00:00:00.000", " 00:00:00.100", " 00:00:00.200", " 00:00:00.300",
                              " 00:00:00.400", " 00:00:00.500"}));
}

TEST(BuildTicks, MinTicksOutsideTheSettersRangeIsClampedAtTheFunction) {
  struct Case {
    int given, clamped;
  };
  const Case cases[] = {{-1, 2}, {-7, 2}, {INT_MIN, 2}, {1, 2}, {11, 10}, {INT_MAX, 10}};
  for (const Case& c : cases) {
    for (TFigType type : {ftNum, ftTime}) {
      for (bool logarithmic : {false, true}) {
        TickOptions given = Options(1, 1000, c.given);
        given.LabelType = type;
        given.Logarithmic = logarithmic;
        TickOptions clamped = given;
        clamped.MinTicks = c.clamped;
        const TickLayout expected = BuildTicks(clamped);
        const TickLayout actual = BuildTicks(given);
        EXPECT_EQ(actual.Kind, expected.Kind) << c.given;
        ASSERT_EQ(actual.Ticks.size(), expected.Ticks.size()) << c.given;
        ASSERT_FALSE(actual.Ticks.empty());
        for (std::size_t i = 0; i < actual.Ticks.size(); ++i) {
          EXPECT_EQ(actual.Ticks[i].Value, expected.Ticks[i].Value) << c.given;
          EXPECT_EQ(actual.Ticks[i].Text, expected.Ticks[i].Text) << c.given;
        }
      }
    }
    const TickStep step = ComputeTickStep(0, 10, c.given);
    EXPECT_EQ(step.Step, ComputeTickStep(0, 10, c.clamped).Step) << c.given;
  }
}

}  // namespace
