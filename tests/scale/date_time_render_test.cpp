#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "scale/scale.h"
#include "tests/support/recording_canvas.h"

using namespace test_support;

namespace {

constexpr double kY2000 = 36526;  // 1 January 2000
constexpr int kW = RecordingCanvas::kCharWidth;
constexpr int kH = RecordingCanvas::kTextHeight;

// A 400 x 400 date/time scale without frame, painted onto a recording screen.
class DateTimeRender : public testing::Test {
 protected:
  void SetUp() override {
    InstallRecordingBitmaps();
    scale.SetHost(&host);
    scale.SetFrameStyle(fsNone);
    scale.SetLabelType(ftDateTime);
  }

  std::vector<CanvasCall> Paint() {
    host.canvas.Clear();
    scale.Paint();
    return FirstDrawnBitmap(host.canvas.Calls());
  }

  void SetRange(double low, double high, int minTicks) {
    scale.SetRangeLow(low);
    scale.SetRangeHigh(high);
    scale.SetMinTicks(minTicks);
  }

  int Middle() const { return scale.ValueToPixel((scale.RangeLow() + scale.RangeHigh()) / 2); }

  RecordingHost host;
  TScale scale;
};

TEST_F(DateTimeRender, InvalidRangeShowsItsMessageBesideCaptionAndBaseLine) {
  scale.SetRangeLow(200);  // above RangeHigh 100
  scale.SetCaption("t");
  auto calls = Paint();
  EXPECT_EQ(Segments(calls), (std::vector<Segment>{{20, 379, 379, 379, platform::clBlack}}));
  const std::string message = "invalid DateTime scale";
  auto texts = Texts(calls);
  ASSERT_EQ(texts.size(), 2u);
  EXPECT_EQ(texts[0].Text, message);
  EXPECT_EQ(texts[0].X, Middle() - int(message.size()) * kW / 2);
  EXPECT_EQ(texts[0].Y, 379 + 7);
  EXPECT_EQ(texts[1].Text, "t");
  EXPECT_EQ(scale.NumTicks(), 0);

  // Upright: three lines from one text height above the middle, beside the axis.
  scale.SetScaleType(sctYL);
  texts = Texts(Paint());
  ASSERT_EQ(texts.size(), 4u);
  const int m = Middle();
  EXPECT_EQ(texts[0].Text, "invalid");
  EXPECT_EQ(texts[0].X, 20 + 2);
  EXPECT_EQ(texts[0].Y, m - kH);
  EXPECT_EQ(texts[1].Text, "DateTime");
  EXPECT_EQ(texts[1].Y, m);
  EXPECT_EQ(texts[2].Text, "scale");
  EXPECT_EQ(texts[2].Y, m + kH);
  scale.SetScaleType(sctYR);
  texts = Texts(Paint());
  EXPECT_EQ(texts[1].X + 8 * kW, 379 - 2);  // right edges two pixels inside the axis
  EXPECT_EQ(texts[2].X + 5 * kW, 379 - 2);
}

TEST_F(DateTimeRender, BelowOneSecondMessage) {
  SetRange(kY2000, kY2000 + 3.0 / 86400, 6);  // half a second per MinTicks
  scale.SetScaleType(sctXT);
  auto texts = Texts(Paint());
  ASSERT_EQ(texts.size(), 1u);
  EXPECT_EQ(texts[0].Text, "DateTime range is below 1 second");
  EXPECT_EQ(texts[0].Y, 20 + 7);
  EXPECT_EQ(texts[0].X, Middle() - 32 * kW / 2);
  // Upright the same range shows hundredths.
  scale.SetScaleType(sctYL);
  texts = Texts(Paint());
  ASSERT_EQ(texts.size(), 8u);  // seven labels and the date beside the first
  EXPECT_EQ(texts[0].Text, "00:00:00.00");
  EXPECT_EQ(texts[1].Text, "01-Jan-2000");
  EXPECT_EQ(scale.NumTicks(), 31);
  // Finer still: four lines.
  SetRange(kY2000, kY2000 + 3e-7, 3);
  texts = Texts(Paint());
  ASSERT_EQ(texts.size(), 4u);
  EXPECT_EQ(texts[3].Text, "second");
  EXPECT_EQ(texts[3].Y, Middle() + 2 * kH);
}

TEST_F(DateTimeRender, DateLinesOneTextHeightFurtherOut) {
  // 36 hours from 06:00, MinTicks 6: long ticks every 6 hours, a date at the first one and at
  // midnight.
  SetRange(kY2000 + 0.25, kY2000 + 1.75, 6);
  const int midnight = scale.ValueToPixel(kY2000 + 1);
  struct Case {
    TScaleType type;
    // Positions of the first clock label and its date line, and of the date line at midnight.
    int timeX, timeY, dateX, dateY, midnightDateX, midnightDateY;
  };
  for (const Case& c : {
           // Across: centred on the tick but not left of x = 2.
           Case{sctXB, 20 - 15, 379 - 7 - kH, 2, 379 - 7 - 2 * kH, midnight - 33, 379 - 7 - 2 * kH},
           Case{sctXT, 20 - 15, 20 + 7, 2, 20 + 7 + kH, midnight - 33, 20 + 7 + kH},
           // Upright: beside the axis, the date above the clock label.
           Case{sctYL, 28, 379 - kH / 2, 28, 379 - 3 * (kH / 2), 28, 0},
           Case{sctYR, 371 - 5 * kW, 379 - kH / 2, 371 - 11 * kW, 379 - 3 * (kH / 2), 371 - 11 * kW,
                0},
       }) {
    SCOPED_TRACE(int(c.type));
    scale.SetScaleType(c.type);
    const auto texts = Texts(Paint());
    ASSERT_GE(texts.size(), 3u);
    EXPECT_EQ(texts[0].Text, "06:00");
    EXPECT_EQ(texts[0].X, c.timeX);
    EXPECT_EQ(texts[0].Y, c.timeY);
    EXPECT_EQ(texts[1].Text, "01-Jan-2000");
    EXPECT_EQ(texts[1].X, c.dateX);
    EXPECT_EQ(texts[1].Y, c.dateY);
    std::vector<std::string> order;
    for (const TextCall& t : texts) order.push_back(t.Text);
    EXPECT_EQ(order, (std::vector<std::string>{"06:00", "01-Jan-2000", "12:00", "18:00", "00:00",
                                               "02-Jan-2000", "06:00", "12:00", "18:00"}));
    const TextCall& second = texts[5];
    if (IsVerticalScale(c.type)) {
      const int p = scale.ValueToPixel(kY2000 + 1);
      EXPECT_EQ(second.X, c.midnightDateX);
      EXPECT_EQ(second.Y, p - 3 * (kH / 2));
    } else {
      EXPECT_EQ(second.X, c.midnightDateX);
      EXPECT_EQ(second.Y, c.midnightDateY);
    }
  }
}

TEST_F(DateTimeRender, TicksLongAndShortWithTheirLabels) {
  SetRange(kY2000, kY2000 + 366, 6);  // 2000: two-month labels, a tick every month
  const auto calls = Paint();
  std::vector<Segment> ticks;
  for (const Segment& s : Segments(calls)) {
    if (s.X1 == s.X2) ticks.push_back(s);
  }
  ASSERT_EQ(ticks.size(), 13u);
  EXPECT_EQ(ticks[0], (Segment{20, 379, 20, 372, platform::clBlack}));
  const int february = scale.ValueToPixel(kY2000 + 31);
  EXPECT_EQ(ticks[1], (Segment{february, 379, february, 375, platform::clBlack}));
  const auto texts = Texts(calls);
  ASSERT_EQ(texts.size(), 7u);
  EXPECT_EQ(texts[1].Text, "Mar-2000");
  EXPECT_EQ(texts[1].X, scale.ValueToPixel(kY2000 + 60) - 24);
  EXPECT_EQ(scale.NumTicks(), 13);
  EXPECT_EQ(scale.TickPos(2), kY2000 + 31);
}

TEST_F(DateTimeRender, UprightHundredthsDrawEveryLongTickLong) {
  // Two seconds from midnight, short ticks every tenth: long ones every half second
  // (MinTicks 4) or every fifth (MinTicks 10), 6 pixels against 4.
  for (const auto& [minTicks, step] : {std::pair{4, 50}, std::pair{10, 20}}) {
    for (const TScaleType type : {sctYL, sctYR}) {
      SCOPED_TRACE(testing::Message() << "MinTicks " << minTicks << " type " << int(type));
      scale.SetScaleType(type);
      SetRange(kY2000, kY2000 + 2.0 / 86400, minTicks);
      std::vector<Segment> ticks;
      for (const Segment& s : Segments(Paint())) {
        if (s.Y1 == s.Y2) ticks.push_back(s);
      }
      ASSERT_EQ(ticks.size(), 21u);
      const int a = type == sctYL ? 20 : 379;
      const int inward = type == sctYL ? 1 : -1;
      for (int i = 0; i <= 20; ++i) {
        const int hundredths = 10 * i;
        const int p = scale.ValueToPixel(kY2000 + hundredths / 8640000.0);
        const int length = hundredths % step == 0 ? 6 : 4;
        EXPECT_EQ(ticks[i], (Segment{a, p, a + inward * length, p, platform::clBlack}))
            << hundredths << " hundredths";
      }
    }
  }
}

}  // namespace
