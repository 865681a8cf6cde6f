#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "scale/scale.h"
#include "tests/support/recording_canvas.h"

using namespace test_support;

namespace {

std::string Num(double v) {
  char buf[32];
  std::snprintf(buf, sizeof buf, "%g", v);
  return buf;
}

// A transparent embedded scale drawing into a recording canvas, logging its events.
class ScaleEvents : public testing::Test {
 protected:
  void SetUp() override {
    scale.SetTransparent(true);
    scale.SetEmbedded(true);
    scale.SetShortTicks(false);
    scale.SetRangeHigh(150);
    scale.SetMinTicks(2);  // step 50
    scale.SetRenderTarget(&target, 0, 0);
    scale.OnScaleTickDrawn = [this](TScale&, platform::Canvas& canvas, TScaleType, double v, int x,
                                    int y) {
      // The tick's line is already drawn when it is reported.
      const auto segments = Segments(static_cast<RecordingCanvas&>(canvas).Calls());
      ASSERT_FALSE(segments.empty());
      EXPECT_EQ(segments.back().X1, x);
      EXPECT_EQ(segments.back().Y1, y);
      log.push_back("tick " + Num(v));
    };
    scale.OnBeforeTickLabel = [this](TScale&, TScaleType, double v, std::string& text) {
      log.push_back("label " + Num(v) + " " + text);
    };
  }

  std::vector<std::string> Render() {
    log.clear();
    target.Clear();
    scale.RenderNow();
    return log;
  }

  RecordingCanvas target;
  TScale scale;
  std::vector<std::string> log;
};

using Log = std::vector<std::string>;

TEST_F(ScaleEvents, HorizontalLinearLabelsBeforeReportingWithTheSnappedValue) {
  scale.SetRangeLow(-0.3);
  scale.SetRangeHigh(0.3);
  scale.SetMinTicks(2);  // step 0.2: -0.2, 0, 0.2
  const Log log = Render();
  EXPECT_EQ(log, (Log{"label -0.2 -0.20", "tick -0.2", "label 0 0.00", "tick 0", "label 0.2 0.20",
                      "tick 0.2"}));
}

TEST_F(ScaleEvents, VerticalLinearReportsBeforeLabelling) {
  scale.SetScaleType(sctYL);
  EXPECT_EQ(Render(), (Log{"tick 0", "label 0 0", "tick 50", "label 50 50", "tick 100",
                           "label 100 100", "tick 150", "label 150 150"}));
}

TEST_F(ScaleEvents, ShortTicksAreReportedWithoutLabels) {
  scale.SetShortTicks(true);  // 5 subdivisions of 10
  const Log log = Render();
  ASSERT_EQ(log.size(), 16u + 2 * 4u);
  EXPECT_EQ(log[0], "tick 0");
  EXPECT_EQ(log[15], "tick 150");
  EXPECT_EQ(log[16], "label 0 0");
  EXPECT_EQ(log[17], "tick 0");
}

TEST_F(ScaleEvents, LogarithmicReportsBeforeLabellingOnBothOrientations) {
  scale.SetRangeLow(1);
  scale.SetRangeHigh(1000);
  scale.SetLogarithmic(true);
  const Log expected{"tick 1",   "label 1 1",     "tick 10",   "label 10 10",
                     "tick 100", "label 100 100", "tick 1000", "label 1000 1000"};
  EXPECT_EQ(Render(), expected);
  scale.SetScaleType(sctYR);
  EXPECT_EQ(Render(), expected);
}

TEST_F(ScaleEvents, TimeScalesLabelBeforeReporting) {
  scale.SetLabelType(ftTime);
  scale.SetRangeHigh(60);  // 30 s steps
  scale.SetScaleType(sctYL);
  EXPECT_EQ(Render(), (Log{"label 0  00:00:00", "tick 0", "label 30  00:00:30", "tick 30",
                           "label 60  00:01:00", "tick 60"}));
}

TEST_F(ScaleEvents, DateTimeScalesLabelEveryLongTickBeforeReporting) {
  scale.SetLabelType(ftDateTime);
  scale.SetRangeLow(36526.25);  // 1 January 2000, 06:00 to 18:00
  scale.SetRangeHigh(36526.75);
  scale.SetMinTicks(2);  // 6-hour steps
  EXPECT_EQ(Render(), (Log{"label 36526.2 06:00", "tick 36526.2", "label 36526.5 12:00",
                           "tick 36526.5", "label 36526.8 18:00", "tick 36526.8"}));
  // The date line follows the clock label, before the tick is reported.
  const auto texts = Texts(target.Calls());
  ASSERT_EQ(texts.size(), 4u);
  EXPECT_EQ(texts[1].Text, "01-Jan-2000");
  scale.SetScaleType(sctYR);
  EXPECT_EQ(Render().size(), 6u);
}

TEST_F(ScaleEvents, NoFiguresNoLabelEvents) {
  scale.SetLabelType(ftNoFigs);
  EXPECT_EQ(Render(), (Log{"tick 0", "tick 50", "tick 100", "tick 150"}));
  EXPECT_TRUE(Texts(target.Calls()).empty());
}

TEST_F(ScaleEvents, TheLabelEventDecidesTheText) {
  scale.OnBeforeTickLabel = [](TScale&, TScaleType, double v, std::string& text) {
    text = v == 50 ? "" : "<" + text + ">";
  };
  Render();
  const auto texts = Texts(target.Calls());
  ASSERT_EQ(texts.size(), 3u);  // an empty text draws nothing
  EXPECT_EQ(texts[0].Text, "<0>");
  EXPECT_EQ(texts[0].X, 20 - 9);  // placed by the width of the new text
  EXPECT_EQ(texts[1].Text, "<100>");
  EXPECT_EQ(texts[1].X, 259 - 15);
  EXPECT_EQ(texts[2].Text, "<150>");
}

TEST_F(ScaleEvents, TickPointsFollowTheRenderOffset) {
  scale.SetRenderTarget(&target, 0, 300);
  std::vector<platform::TPoint> points;
  scale.OnScaleTickDrawn = [&](TScale&, platform::Canvas&, TScaleType type, double, int x, int y) {
    EXPECT_EQ(type, sctXB);
    points.push_back({x, y});
  };
  Render();
  EXPECT_EQ(points, (std::vector<platform::TPoint>{{20, 679}, {140, 679}, {259, 679}, {379, 679}}));
}

TEST(ScaleRenderEvents, BeforeAndAfterRenderingWithTheirCanvases) {
  InstallRecordingBitmaps();
  RecordingCanvas target;
  TScale scale;
  scale.SetRenderTarget(&target, 0, 0);
  std::vector<std::string> log;
  platform::Canvas* after = nullptr;
  scale.OnBeforeScaleRendered = [&](TScale& sender, platform::Canvas& canvas) {
    EXPECT_EQ(&sender, &scale);
    EXPECT_EQ(&canvas, &target);
    log.push_back("before");
  };
  scale.OnAfterScaleRendered = [&](TScale&, platform::Canvas& canvas) {
    after = &canvas;
    // The base line is drawn, the frame is not yet.
    const auto segments = Segments(static_cast<RecordingCanvas&>(canvas).Calls());
    EXPECT_EQ(segments.back(), (Segment{20, 379, 379, 379, platform::clBlack}));
    log.push_back("after");
  };
  scale.OnScaleTickDrawn = [&](TScale&, platform::Canvas&, TScaleType, double, int, int) {
    if (log.back() != "tick") log.push_back("tick");
  };
  scale.RenderNow();
  EXPECT_EQ(log, (std::vector<std::string>{"before", "tick", "after"}));
  EXPECT_NE(after, &target);  // an opaque scale reports its bitmap
}

TEST(ScaleAssign, TakesOverSettingsTickListAndTarget) {
  InstallRecordingBitmaps();
  RecordingCanvas target;
  TScale src;
  src.SetRangeLow(1);
  src.SetRangeHigh(1000);
  src.SetLogarithmic(true);
  src.SetMinTicks(5);
  src.SetDecPlaces(-3);
  src.SetShortTicks(false);
  src.SetShowBaseLine(false);
  src.SetLabelType(ftUserText);
  src.SetUserTickText("a|b");
  src.SetScaleInscript("&!");
  src.SetFrameStyle(fsRaised);
  src.SetColorScheme(csSystem);
  src.SetColorScale(platform::clRed);
  src.SetColorBackGnd(platform::clWhite);
  src.SetMarginLeft(7);
  src.SetMarginBottom(9);
  src.SetCaption("c");
  src.SetCaptionPosX(1);
  src.SetCaptionPosY(2);
  src.SetCaptionAnchor(uaSclBotRgt);
  src.SetCaptionAlignment(taRightJustify);
  src.SetScaleType(sctYR);
  src.DateFormat().SetTimeFormat(tfAMPM);
  int labelEvents = 0;
  src.OnBeforeTickLabel = [&](TScale&, TScaleType, double, std::string&) { ++labelEvents; };
  platform::Font big;
  big.Height = 30;
  src.SetFont(big);
  src.SetRenderTarget(&target, 3, 4);
  src.RenderNow();
  ASSERT_GT(src.NumTicks(), 0);
  const int srcLabelEvents = labelEvents;

  TScale dst;
  dst.Assign(src);
  EXPECT_EQ(dst.RangeLow(), 1);
  EXPECT_EQ(dst.RangeHigh(), 1000);
  EXPECT_TRUE(dst.Logarithmic());
  EXPECT_EQ(dst.MinTicks(), 5);
  EXPECT_EQ(dst.DecPlaces(), -3);
  EXPECT_FALSE(dst.ShortTicks());
  EXPECT_FALSE(dst.ShowBaseLine());
  EXPECT_EQ(dst.LabelType(), ftUserText);
  EXPECT_EQ(dst.UserTickText(), "a|b");
  EXPECT_EQ(dst.ScaleInscript(), "&!");
  EXPECT_EQ(dst.FrameStyle(), fsRaised);
  EXPECT_EQ(dst.ColorScheme(), csSystem);
  EXPECT_EQ(dst.ColorScale(), platform::clRed);
  EXPECT_EQ(dst.ColorBackGnd(), platform::clWhite);
  EXPECT_EQ(dst.MarginLeft(), 7);
  EXPECT_EQ(dst.MarginBottom(), 9);
  EXPECT_EQ(dst.Caption(), "c");
  EXPECT_EQ(dst.CaptionPosX(), 1);
  EXPECT_EQ(dst.CaptionPosY(), 2);
  EXPECT_EQ(dst.CaptionAnchor(), uaSclBotRgt);
  EXPECT_EQ(dst.CaptionAlignment(), taRightJustify);
  EXPECT_EQ(dst.ScaleType(), sctYR);
  EXPECT_EQ(dst.DateFormat().TimeFormat(), tfAMPM);
  EXPECT_EQ(dst.PixelsPerUnit(), src.PixelsPerUnit());
  EXPECT_EQ(dst.PixelOffset(), src.PixelOffset());
  EXPECT_EQ(dst.NumTicks(), src.NumTicks());
  EXPECT_EQ(dst.TickPos(2), src.TickPos(2));
  EXPECT_EQ(dst.RenderTarget(), &target);
  EXPECT_TRUE(dst.PaintSuppressed());
  EXPECT_EQ(dst.Font().Height, platform::Font().Height);  // the font stays

  // Rendering the copy draws at the same offset and raises the copied label event.
  target.Clear();
  dst.RenderNow();
  ASSERT_EQ(target.Calls().size(), 1u);
  EXPECT_EQ(target.Calls()[0].Args[0], 3);
  EXPECT_EQ(target.Calls()[0].Args[1], 4);
  EXPECT_EQ(labelEvents, 2 * srcLabelEvents);
}

}  // namespace
