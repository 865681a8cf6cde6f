#include "scale/label_thinning.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include "platform/qt/install.h"
#include "platform/qt/qt_bitmap.h"
#include "scale/calendar.h"
#include "scale/scale.h"
#include "scale/tick_labels.h"
#include "tests/support/recording_canvas.h"

using namespace test_support;

namespace {

// ---- the pure thinning on laid-out ticks

// Labels as a horizontal scale of `pixelsPerUnit` (a decade on a logarithmic one) would place them:
// centred on the tick, 6 pixels a character, one row.
LabelMeasure Centred(double low, double pixelsPerUnit, bool logarithmic = false) {
  return [=](const Tick& t, std::vector<LabelBox>& boxes) {
    const double at = logarithmic ? std::log10(t.Value / low) : t.Value - low;
    const long long p = std::llround(at * pixelsPerUnit);
    const long long w = 6 * (long long)t.Text.size();
    boxes.push_back({p - w / 2, 0, p - w / 2 + w, 13});
  };
}

std::vector<std::string> DrawnTexts(const TickLayout& layout) {
  std::vector<std::string> out;
  for (const Tick& t : layout.Ticks) {
    if (t.Labelled && !t.Text.empty()) out.push_back(t.Text);
  }
  return out;
}

TickOptions Range(double low, double high, int minTicks, TFigType type = ftNum) {
  TickOptions o;
  o.RangeLow = low;
  o.RangeHigh = high;
  o.MinTicks = minTicks;
  o.LabelType = type;
  return o;
}

double Day(int year, int month, int day) {
  return double(DayOfDate(year, month, day));
}

// Each case: a layout whose labels clash at the given resolution, and the labels it keeps. The
// kept values are round in the layout's unit, not every k-th counted from the first label.
TEST(ThinTickLabels, KeepsLabelsOnRoundValuesOfTheLayoutsUnit) {
  struct Case {
    const char* what;
    TickOptions options;
    double pixelsPerUnit;
    std::vector<std::string> kept;
  };
  TickOptions log = Range(1, 1e12, 3);
  log.Logarithmic = true;
  TickOptions logFew = Range(1, 1000, 10);  // 1, 2 and 5 of each decade are long
  logFew.Logarithmic = true;
  const Case cases[] = {
      // Step 2, labels of six characters (36 pixels) on 16 pixels: every fifth, on the tens.
      {"years as numbers", Range(1991, 2019, 10), 8, {"2000.0", "2010.0"}},
      // On 38 pixels: every second, on multiples of 4.
      {"every second",
       Range(1990, 2020, 10),
       19,
       {"1992.0", "1996.0", "2000.0", "2004.0", "2008.0", "2012.0", "2016.0", "2020.0"}},
      // Eight characters (48 pixels) on 11 pixels a decade: every fifth decade.
      {"decades", log, 11, {" 1.0E+00", " 1.0E+05", " 1.0E+10"}},
      {"decades before their 2 and 5", logFew, 40, {"1", "10", "100", "1000"}},
      // A label every ten years on 18 pixels: years divisible by 20.
      {"date/time years",
       Range(Day(1901, 6, 1), Day(2019, 6, 1), 10, ftDateTime),
       0.005,
       {"1920", "1940", "1960", "1980", "2000"}},
      // Month names with years (48 pixels) on 21 pixels a month: quarters from January.
      {"months",
       Range(Day(2023, 12, 15), Day(2025, 2, 1), 10, ftDateTime),
       0.7,
       {"Jan-2024", "Apr-2024", "Jul-2024", "Oct-2024", "Jan-2025"}},
      // Five-minute steps on 15 pixels, ten minutes too close still: twenty minutes.
      {"clock minutes",
       Range(Day(2024, 3, 1), Day(2024, 3, 1) + 1.0 / 24, 10, ftDateTime),
       24 * 60 * 3.0,
       {"00:00", "00:20", "00:40", "01:00"}},
      {"clock seconds",
       Range(0, 600, 10, ftTime),
       0.9,
       {" 00:00:00", " 00:02:00", " 00:04:00", " 00:06:00", " 00:08:00", " 00:10:00"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    TickLayout layout = BuildTicks(c.options);
    const TickLayout before = layout;
    EXPECT_TRUE(ThinTickLabels(
        layout, c.options, Centred(c.options.RangeLow, c.pixelsPerUnit, c.options.Logarithmic)));
    EXPECT_EQ(DrawnTexts(layout), c.kept);
    // Ticks, their roles and texts stay; only labels go.
    ASSERT_EQ(layout.Ticks.size(), before.Ticks.size());
    for (std::size_t i = 0; i < layout.Ticks.size(); ++i) {
      EXPECT_EQ(layout.Ticks[i].Value, before.Ticks[i].Value);
      EXPECT_EQ(layout.Ticks[i].Major, before.Ticks[i].Major);
      EXPECT_EQ(layout.Ticks[i].Text, before.Ticks[i].Text);
      if (layout.Ticks[i].Labelled) EXPECT_TRUE(before.Ticks[i].Labelled);
    }
    EXPECT_EQ(layout.TickList, before.TickList);
  }
}

TEST(ThinTickLabels, LabelsWithRoomStayAllOfThem) {
  struct Case {
    TickOptions options;
    double pixelsPerUnit;
  };
  // "0.0".."10.0", "1990.0".."2020.0" and "0".."100" 40 or more pixels apart.
  for (const Case& c :
       {Case{Range(0, 10, 6), 40}, Case{Range(1990, 2020, 10), 20}, Case{Range(0, 100, 3), 4}}) {
    TickLayout layout = BuildTicks(c.options);
    const TickLayout before = layout;
    EXPECT_FALSE(ThinTickLabels(layout, c.options, Centred(c.options.RangeLow, c.pixelsPerUnit)));
    for (std::size_t i = 0; i < layout.Ticks.size(); ++i) {
      EXPECT_EQ(layout.Ticks[i].Labelled, before.Ticks[i].Labelled);
      EXPECT_EQ(layout.Ticks[i].DateLine, before.Ticks[i].DateLine);
    }
  }
}

TEST(ThinTickLabels, LabelsCloserThanTheGapCountAsTouching) {
  // Labels of 4 characters (24 pixels) on ticks 24 + gap - 1 and 24 + gap pixels apart.
  TickOptions o = Range(1000, 1010, 10);  // step 1, "1000".."1010"
  o.DecPlaces = 0;
  for (int spacing : {24 + kLabelGap - 1, 24 + kLabelGap}) {
    TickLayout layout = BuildTicks(o);
    EXPECT_EQ(ThinTickLabels(layout, o, Centred(1000, spacing)), spacing < 24 + kLabelGap)
        << spacing;
  }
}

TEST(ThinTickLabels, DateLinesMoveToTheLabelsKept) {
  // Hours of two days, each long tick labelled; the date line goes to the first tick of each
  // day that keeps its label, or to the first kept label at all.
  TickOptions o = Range(Day(2024, 3, 1) + 0.5, Day(2024, 3, 3), 36, ftDateTime);
  for (TDateForTime rule : {dtOnePerDay, dtOnePevArori, dtAllTicks}) {
    SCOPED_TRACE(int(rule));
    o.DateFormat.DateForTime = rule;
    TickLayout layout = BuildTicks(o);
    ASSERT_TRUE(ThinTickLabels(layout, o, Centred(o.RangeLow, 24 * 8)));
    std::vector<std::string> dateLines;
    for (const Tick& t : layout.Ticks) {
      if (!t.Labelled) {
        EXPECT_TRUE(t.DateLine.empty());
      } else if (!t.DateLine.empty()) {
        dateLines.push_back(t.Text + " " + t.DateLine);
      }
    }
    if (rule == dtOnePerDay) {
      EXPECT_EQ(dateLines, (std::vector<std::string>{"12:00 01-Mar-2024", "00:00 02-Mar-2024",
                                                     "00:00 03-Mar-2024"}));
    } else if (rule == dtOnePevArori) {
      EXPECT_EQ(dateLines, (std::vector<std::string>{"12:00 01-Mar-2024"}));
    } else {
      EXPECT_EQ(dateLines.size(), DrawnTexts(layout).size());
    }
  }
}

TEST(ThinTickLabels, OneLabelStandsWhenNoRoundValueIsInRange) {
  // Step 2 from 1992 to 1998: no multiple of 10 in range; one label stays, never none.
  const TickOptions o = Range(1991, 1999, 4);
  TickLayout layout = BuildTicks(o);
  ASSERT_TRUE(ThinTickLabels(layout, o, Centred(1991, 3)));
  EXPECT_EQ(DrawnTexts(layout).size(), 1u);
}

TEST(ThinnedScale, DrawsAndReportsOnlyTheLabelsKept) {
  InstallRecordingBitmaps();
  RecordingHost host;
  TScale scale;
  scale.SetHost(&host);
  scale.SetBounds(0, 0, 200, 60);
  scale.SetRangeLow(1990);
  scale.SetRangeHigh(2020);
  scale.SetMinTicks(10);  // step 2, "1990.0".. of 36 pixels on 10.6
  std::vector<double> reported;
  scale.OnBeforeTickLabel = [&](TScale&, TScaleType, double value, std::string&) {
    reported.push_back(value);
  };
  host.canvas.Clear();
  scale.Paint();
  std::vector<std::string> drawn;
  for (const TextCall& t : Texts(FirstDrawnBitmap(host.canvas.Calls()))) drawn.push_back(t.Text);
  EXPECT_EQ(drawn, (std::vector<std::string>{"1990.0", "2000.0", "2010.0", "2020.0"}));
  EXPECT_EQ(reported, (std::vector<double>{1990, 2000, 2010, 2020}));
  // Every tick still in the tick list.
  EXPECT_EQ(std::size_t(scale.NumTicks()), LayOutTicks(Range(1990, 2020, 10)).TickList.size());
}

// ---- drawn by the scale, measured with real fonts

// Records what a scale draws while measuring texts with the Qt canvas in the scale's font.
class MeasuringCanvas : public RecordingCanvas {
 public:
  int TextWidth(const std::string& text) override {
    qt_.GetCanvas().SetFont(GetFont());
    return qt_.GetCanvas().TextWidth(text);
  }
  int TextHeight(const std::string& text) override {
    qt_.GetCanvas().SetFont(GetFont());
    return qt_.GetCanvas().TextHeight(text);
  }

 private:
  platform_qt::QtBitmap qt_{4, 4};
};

struct ScaleCase {
  const char* what;
  TScaleType type;
  int width, height;
  TFigType labels;
  double low, high;
  int minTicks;
  int fontHeight = 13;
  int decPlaces = -2;
  bool logarithmic = false;
};

class ScaleLabels : public testing::Test {
 protected:
  void SetUp() override { platform_qt::InstallQtPlatform(); }

  // Paints the case onto the measuring canvas; returns the texts and the tick segments.
  void Paint(const ScaleCase& c, std::vector<TextCall>& texts, std::vector<Segment>& ticks) {
    TScale scale;
    scale.SetBounds(0, 0, c.width, c.height);
    scale.SetScaleType(c.type);
    scale.SetTransparent(true);
    scale.SetEmbedded(true);
    platform::Font font;
    font.Height = c.fontHeight;
    scale.SetFont(font);
    scale.SetLabelType(c.labels);
    scale.SetRangeLow(c.low);
    scale.SetRangeHigh(c.high);
    scale.SetMinTicks(c.minTicks);
    scale.SetDecPlaces(c.decPlaces);
    scale.SetLogarithmic(c.logarithmic);
    scale.SetShowBaseLine(false);
    scale.SetRenderTarget(&canvas, 0, 0);
    canvas.Clear();
    scale.RenderNow();
    texts = Texts(canvas.Calls());
    ticks = Segments(canvas.Calls());
  }

  LabelBox Box(const TextCall& t) {
    canvas.SetFont(font);
    return {t.X, t.Y, t.X + canvas.TextWidth(t.Text), t.Y + canvas.TextHeight(t.Text)};
  }

  MeasuringCanvas canvas;
  platform::Font font;
};

TEST_F(ScaleLabels, NoTwoDrawnLabelsIntersect) {
  constexpr double kHour = 1.0 / 24;
  const double y2024 = Day(2024, 1, 1);
  const ScaleCase cases[] = {
      {"years 1990..2020 as in a data file", sctXB, 520, 60, ftNum, 1990, 2020, 10},
      {"0..100000 with decimals", sctXB, 500, 60, ftNum, 0, 100000, 10, 13, 2},
      {"a narrow window", sctXT, 120, 60, ftNum, 0, 10, 10},
      {"a vertical scale with a tall font", sctYL, 80, 200, ftNum, 0, 10, 10, 40},
      {"upright on the right, timestamps", sctYR, 160, 150, ftNum, 1.7e9, 1.8e9, 10},
      {"logarithmic", sctXB, 150, 60, ftNum, 1, 1e12, 3, 13, -2, true},
      {"time of day", sctXB, 200, 60, ftTime, 0, 3600, 10},
      {"date/time days", sctXB, 300, 60, ftDateTime, y2024, y2024 + 31, 10},
      {"date/time hours with dates", sctXB, 200, 60, ftDateTime, y2024, y2024 + 2, 10},
      // An even text height: with an odd one the date line, drawn a height and a half above
      // the tick, reaches one row into its own clock label, as it always did.
      {"date/time minutes upright", sctYR, 160, 120, ftDateTime, y2024, y2024 + kHour, 10, 12},
      {"date/time months", sctXB, 200, 60, ftDateTime, y2024, y2024 + 3 * 365, 10},
      {"date/time years", sctXB, 150, 60, ftDateTime, Day(1900, 1, 1), y2024, 10},
  };
  for (const ScaleCase& c : cases) {
    SCOPED_TRACE(c.what);
    font.Height = c.fontHeight;
    std::vector<TextCall> texts;
    std::vector<Segment> ticks;
    Paint(c, texts, ticks);
    EXPECT_GE(texts.size(), 2u);
    for (std::size_t i = 0; i < texts.size(); ++i) {
      for (std::size_t j = i + 1; j < texts.size(); ++j) {
        const LabelBox a = Box(texts[i]), b = Box(texts[j]);
        const bool intersect =
            a.Left < b.Right && b.Left < a.Right && a.Top < b.Bottom && b.Top < a.Bottom;
        EXPECT_FALSE(intersect) << texts[i].Text << " / " << texts[j].Text;
      }
    }
    // All ticks stay, the long ones long: as many of each length as the layout has.
    TickOptions o = Range(c.low, c.high, c.minTicks, c.labels);
    o.Logarithmic = c.logarithmic;
    o.DecPlaces = c.decPlaces;
    o.Vertical = IsVerticalScale(c.type);
    const TickLayout layout = LayOutTicks(o);
    const auto majors = std::count_if(layout.Ticks.begin(), layout.Ticks.end(),
                                      [](const Tick& t) { return t.Major; });
    const auto longTicks = std::count_if(ticks.begin(), ticks.end(), [](const Segment& s) {
      return std::abs(s.X2 - s.X1) + std::abs(s.Y2 - s.Y1) >= 6;
    });
    EXPECT_EQ(ticks.size(), layout.Ticks.size());
    EXPECT_EQ(longTicks, majors);
  }
}

}  // namespace
