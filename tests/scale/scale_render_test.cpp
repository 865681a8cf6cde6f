#include <gtest/gtest.h>

#include <algorithm>
#include <limits>
#include <string>
#include <vector>

#include "scale/scale.h"
#include "tests/support/recording_canvas.h"

using namespace test_support;
using platform::clBlack;

namespace {

class ScaleRender : public testing::Test {
 protected:
  void SetUp() override {
    InstallRecordingBitmaps();
    scale.SetHost(&host);  // a window of its own: painting allowed
  }

  // Paints once and returns what reached the picture: the bitmap of an opaque scale, the
  // screen itself for a transparent one.
  std::vector<CanvasCall> Paint() {
    host.canvas.Clear();
    scale.Paint();
    if (scale.Transparent()) return host.canvas.Calls();
    return FirstDrawnBitmap(host.canvas.Calls());
  }

  static std::vector<Segment> Ticks(const std::vector<CanvasCall>& calls) {
    std::vector<Segment> out;
    for (const Segment& s : Segments(calls)) {
      const int length = std::abs(s.X2 - s.X1) + std::abs(s.Y2 - s.Y1);
      if (length <= 7) out.push_back(s);
    }
    return out;
  }

  RecordingHost host;
  TScale scale;
};

TEST_F(ScaleRender, HorizontalBottomScaleWithDefaults) {
  const auto calls = Paint();
  ASSERT_FALSE(calls.empty());
  EXPECT_EQ(calls.front().Op, "Rectangle");
  EXPECT_EQ(calls.front().Args, (std::vector<int>{0, 0, 400, 400}));
  EXPECT_EQ(calls.front().Brush.Color, platform::clBtnFace);

  const auto segments = Segments(calls);
  // Range 0..100, MinTicks 3: step 20 with 4 subdivisions; short ticks first, then long ones.
  const auto ticks = Ticks(calls);
  ASSERT_EQ(ticks.size(), 27u);
  EXPECT_EQ(ticks[0], (Segment{20, 379, 20, 375, clBlack}));
  EXPECT_EQ(ticks[1], (Segment{38, 379, 38, 375, clBlack}));  // 5 -> 37.95
  EXPECT_EQ(ticks[20], (Segment{379, 379, 379, 375, clBlack}));
  EXPECT_EQ(ticks[21], (Segment{20, 379, 20, 372, clBlack}));
  EXPECT_EQ(ticks[22], (Segment{92, 379, 92, 372, clBlack}));  // 20 -> 91.8
  EXPECT_EQ(ticks[26], (Segment{379, 379, 379, 372, clBlack}));
  // Base line after the ticks, then the frame.
  const auto base =
      std::find(segments.begin(), segments.end(), Segment{20, 379, 379, 379, clBlack});
  ASSERT_NE(base, segments.end());
  EXPECT_EQ(base - segments.begin(), 27);

  // Labels centred over their ticks, their bottoms 7 pixels above the line.
  const auto texts = Texts(calls);
  ASSERT_EQ(texts.size(), 6u);
  EXPECT_EQ(texts[0].Text, "0");
  EXPECT_EQ(texts[0].X, 17);
  EXPECT_EQ(texts[0].Y + RecordingCanvas::kTextHeight, 372);
  EXPECT_EQ(texts[1].Text, "20");
  EXPECT_EQ(texts[1].X, 86);
  EXPECT_EQ(texts[5].Text, "100");
  EXPECT_EQ(texts[5].X, 370);
  for (const CanvasCall& c : calls) {
    if (c.Op == "TextOut") {
      EXPECT_EQ(c.Brush.Style, platform::bsSolid);
    }
  }

  // The horizontal tick list holds the short ticks.
  EXPECT_EQ(scale.NumTicks(), 21);
  EXPECT_EQ(scale.TickPos(1), 0);
  EXPECT_EQ(scale.TickPos(2), 5);
  EXPECT_EQ(scale.TickPos(21), 100);
  EXPECT_EQ(scale.TickPos(22), 0);
  // The bitmap went to the screen at (0, 0).
  const auto& screen = host.canvas.Calls();
  ASSERT_EQ(screen.back().Op, "Draw");
  EXPECT_EQ(screen.back().Args, (std::vector<int>{0, 0, 400, 400}));
}

TEST_F(ScaleRender, LabelsStayInsideTheControl) {
  scale.SetMarginLeft(0);
  scale.SetMarginRight(5);
  const auto texts = Texts(Paint());
  ASSERT_EQ(texts.size(), 6u);
  EXPECT_EQ(texts.front().X, 2);  // "0" at pixel 0 starts at x = 2
  // "100" at pixel 394 would pass the right edge: it ends 2 pixels inside.
  EXPECT_EQ(texts.back().X, 400 - 18 - 2);
}

TEST_F(ScaleRender, TopScaleTicksAndLabelsBelowTheLine) {
  scale.SetScaleType(sctXT);
  scale.SetShortTicks(false);
  const auto calls = Paint();
  const auto ticks = Ticks(calls);
  ASSERT_EQ(ticks.size(), 6u);
  EXPECT_EQ(ticks[1], (Segment{92, 20, 92, 27, clBlack}));
  const auto texts = Texts(calls);
  EXPECT_EQ(texts[1].Y, 27);
  EXPECT_EQ(Segments(calls)[6], (Segment{20, 20, 379, 20, clBlack}));
  EXPECT_EQ(scale.NumTicks(), 6);
}

TEST_F(ScaleRender, VerticalScalesBothSides) {
  scale.SetScaleType(sctYL);
  auto calls = Paint();
  auto ticks = Ticks(calls);
  ASSERT_EQ(ticks.size(), 27u);
  EXPECT_EQ(ticks[0], (Segment{20, 379, 24, 379, clBlack}));   // short tick at 0
  EXPECT_EQ(ticks[22], (Segment{20, 307, 26, 307, clBlack}));  // long tick at 20 -> 307.2
  auto texts = Texts(calls);
  ASSERT_EQ(texts.size(), 6u);
  EXPECT_EQ(texts[1].Text, "20");
  EXPECT_EQ(texts[1].X, 28);
  EXPECT_EQ(texts[1].Y, 307 - 6);
  EXPECT_EQ(scale.NumTicks(), 27);  // vertical scales record short and long ticks
  EXPECT_NE(
      std::find(Segments(calls).begin(), Segments(calls).end(), Segment{20, 20, 20, 379, clBlack}),
      Segments(calls).end());

  scale.SetScaleType(sctYR);
  calls = Paint();
  ticks = Ticks(calls);
  EXPECT_EQ(ticks[22], (Segment{379, 307, 373, 307, clBlack}));
  EXPECT_EQ(ticks[0], (Segment{379, 379, 375, 379, clBlack}));
  texts = Texts(calls);
  EXPECT_EQ(texts[5].Text, "100");
  EXPECT_EQ(texts[5].X, 379 - 8 - 18);
  EXPECT_EQ(texts[5].Y, 20 - 6);
}

TEST_F(ScaleRender, VerticalLogarithmicShortTicksAreLong) {
  scale.SetRangeLow(1);
  scale.SetRangeHigh(100);
  scale.SetMinTicks(6);
  scale.SetLogarithmic(true);
  scale.SetScaleType(sctYL);
  auto ticks = Ticks(Paint());
  ASSERT_EQ(ticks.size(), 19u);
  for (const Segment& t : ticks) EXPECT_EQ(t.X2 - t.X1, 6);
  scale.SetScaleType(sctXB);
  ticks = Ticks(Paint());
  EXPECT_EQ(ticks[2].Y1 - ticks[2].Y2, 4);  // 3: short
  EXPECT_EQ(ticks[1].Y1 - ticks[1].Y2, 7);  // 2: labelled
}

TEST_F(ScaleRender, CaptionAnchorsAndAlignments) {
  scale.SetCaption("Zeit");  // 24 pixels wide
  scale.SetCaptionAnchor(uaSclCenter);
  auto texts = Texts(Paint());
  EXPECT_EQ(texts.back().Text, "Zeit");
  EXPECT_EQ(texts.back().X, 200 + 4 - 12);
  EXPECT_EQ(texts.back().Y, 379 + 4);

  scale.SetCaptionAnchor(uaSclTopLft);
  scale.SetCaptionAlignment(taLeftJustify);
  EXPECT_EQ(Texts(Paint()).back().X, 24);
  scale.SetCaptionAnchor(uaSclBotRgt);
  scale.SetCaptionAlignment(taRightJustify);
  EXPECT_EQ(Texts(Paint()).back().X, 380 + 4 - 24);

  scale.SetScaleType(sctYR);
  scale.SetCaptionPosX(-30);
  scale.SetCaptionPosY(-2);
  texts = Texts(Paint());
  EXPECT_EQ(texts.back().X, 379 - 30 - 24);
  EXPECT_EQ(texts.back().Y, 380 - 2);
  scale.SetCaptionAnchor(uaSclCenter);
  EXPECT_EQ(Texts(Paint()).back().Y, 20 + 180 - 2);
}

TEST_F(ScaleRender, WithoutBaseLine) {
  scale.SetShowBaseLine(false);
  scale.SetFrameStyle(fsNone);
  const auto segments = Segments(Paint());
  EXPECT_EQ(segments.size(), 27u);  // ticks only
}

TEST_F(ScaleRender, LoweredFrameColours) {
  const auto segments = Segments(Paint());
  ASSERT_GE(segments.size(), 8u);
  const std::vector<Segment> frame(segments.end() - 8, segments.end());
  const platform::TColor gray = 0x808080, white = 0xFFFFFF, silver = 0xC0C0C0;
  EXPECT_EQ(frame, (std::vector<Segment>{{0, 399, 0, 0, gray},
                                         {0, 0, 400, 0, gray},
                                         {399, 1, 399, 399, white},
                                         {399, 399, -1, 399, white},
                                         {1, 398, 1, 1, clBlack},
                                         {1, 1, 399, 1, clBlack},
                                         {398, 2, 398, 398, silver},
                                         {398, 398, 0, 398, silver}}));
  scale.SetColorScheme(csSystem);
  const auto sys = Segments(Paint());
  EXPECT_EQ(sys[sys.size() - 8].Color, platform::clBtnShadow);
  EXPECT_EQ(sys[sys.size() - 6].Color, platform::clBtnHighlight);
}

TEST_F(ScaleRender, FrameStylesColourTheirEdges) {
  const platform::TColor S = 0x808080, H = 0xFFFFFF, K = clBlack, G = 0xC0C0C0;
  struct Case {
    TFrameStyle style;
    platform::TColor outerTL, outerBR, innerTL, innerBR;
  };
  for (const Case& c :
       {Case{fsRaised, H, K, G, S}, Case{fsEmbossed, H, S, S, H}, Case{fsEngraved, S, H, H, S}}) {
    scale.SetFrameStyle(c.style);
    const auto segments = Segments(Paint());
    const std::vector<Segment> f(segments.end() - 8, segments.end());
    EXPECT_EQ(f[0].Color, c.outerTL);
    EXPECT_EQ(f[1].Color, c.outerTL);
    EXPECT_EQ(f[2].Color, c.outerBR);
    EXPECT_EQ(f[3].Color, c.outerBR);
    EXPECT_EQ(f[4].Color, c.innerTL);
    EXPECT_EQ(f[6].Color, c.innerBR);
  }
  scale.SetFrameStyle(fsSimple);
  const auto calls = Paint();
  const CanvasCall& outline = calls.back();
  EXPECT_EQ(outline.Op, "Rectangle");
  EXPECT_EQ(outline.Args, (std::vector<int>{0, 0, 400, 400}));
  EXPECT_EQ(outline.Brush.Style, platform::bsClear);
  EXPECT_EQ(outline.Pen.Color, clBlack);
  scale.SetFrameStyle(fsNone);
  EXPECT_EQ(Segments(Paint()).size(), 28u);
}

TEST(ScaleRenderTarget, TransparentScaleShiftsOnlyAcrossTheAxis) {
  RecordingCanvas target;
  TScale scale;
  scale.SetTransparent(true);
  scale.SetEmbedded(true);
  scale.SetShortTicks(false);
  scale.SetRenderTarget(&target, 0, 300);
  scale.RenderNow();
  const auto& calls = target.Calls();
  for (const CanvasCall& c : calls) {
    EXPECT_NE(c.Op, "Draw");
    EXPECT_NE(c.Op, "Rectangle");
    if (c.Op == "TextOut") {
      EXPECT_EQ(c.Brush.Style, platform::bsClear);
    }
  }
  const auto segments = Segments(calls);
  ASSERT_EQ(segments.size(), 7u);
  EXPECT_EQ(segments[0], (Segment{20, 679, 20, 672, clBlack}));
  EXPECT_EQ(segments[1], (Segment{92, 679, 92, 672, clBlack}));
  EXPECT_EQ(segments[6], (Segment{20, 679, 379, 679, clBlack}));
  EXPECT_EQ(Texts(calls)[1].X, 86);
  EXPECT_EQ(Texts(calls)[1].Y, 679 - 7 - 13);

  // A vertical one moves sideways by the x offset.
  target.Clear();
  scale.SetScaleType(sctYL);
  scale.SetRenderTarget(&target, 50, 7);
  scale.RenderNow();
  EXPECT_EQ(Segments(target.Calls()).back(), (Segment{70, 20, 70, 379, clBlack}));
}

TEST(ScaleRenderTarget, OpaqueScaleCopiesItsBitmapToTheOffset) {
  InstallRecordingBitmaps();
  RecordingCanvas target;
  TScale scale;
  scale.SetRenderTarget(&target, 12, 34);
  scale.RenderNow();
  ASSERT_EQ(target.Calls().size(), 1u);
  EXPECT_EQ(target.Calls()[0].Op, "Draw");
  EXPECT_EQ(target.Calls()[0].Args, (std::vector<int>{12, 34, 400, 400}));
  // Inside the bitmap nothing is shifted.
  const auto segments = Segments(target.Calls()[0].BitmapCalls);
  EXPECT_EQ(segments[0], (Segment{20, 379, 20, 375, clBlack}));
}

TEST(ScalePainting, SuppressedUntilRenderNow) {
  InstallRecordingBitmaps();
  RecordingCanvas target;
  TScale scale;
  scale.SetRenderTarget(&target, 0, 0);
  scale.Paint();
  scale.SetCaption("x");
  EXPECT_TRUE(target.Calls().empty());
  scale.RenderNow();
  EXPECT_EQ(target.Calls().size(), 1u);
  EXPECT_TRUE(scale.PaintSuppressed());
  scale.Paint();
  EXPECT_EQ(target.Calls().size(), 1u);
  scale.SetPaintSuppressed(false);  // clearing it paints
  EXPECT_EQ(target.Calls().size(), 2u);
  scale.SetPaintSuppressed(false);  // no change, no paint
  EXPECT_EQ(target.Calls().size(), 2u);
}

TEST(ScalePainting, RefreshPaintsAtOnceOrInvalidates) {
  InstallRecordingBitmaps();
  RecordingHost host;
  TScale scale;
  scale.SetHost(&host);
  EXPECT_FALSE(scale.PaintSuppressed());
  scale.SetCaption("a");
  EXPECT_EQ(host.canvas.Calls().size(), 1u);  // one bitmap copied to the screen
  EXPECT_EQ(host.flushed, 1);
  // Only real changes repaint for colours, frame, scheme and short ticks.
  scale.SetColorScale(platform::clBlack);
  scale.SetFrameStyle(fsLowered);
  scale.SetColorScheme(csBWG);
  scale.SetShortTicks(true);
  scale.SetColorBackGnd(platform::clBtnFace);
  EXPECT_EQ(host.canvas.Calls().size(), 1u);
  scale.SetColorScale(platform::clRed);
  EXPECT_EQ(host.canvas.Calls().size(), 2u);
  scale.SetMinTicks(3);  // others repaint always
  EXPECT_EQ(host.canvas.Calls().size(), 3u);

  // A free-standing transparent scale is painted later by its host.
  host.canvas.Clear();
  scale.SetTransparent(true);
  scale.SetCaption("b");
  EXPECT_TRUE(host.canvas.Calls().empty());
  EXPECT_EQ(host.invalidated, 2);
  scale.SetEmbedded(true);  // embedded: at once again
  EXPECT_FALSE(host.canvas.Calls().empty());
}

TEST(ScalePainting, ANullTargetReturnsToTheOwnCanvasWithoutOffsets) {
  InstallRecordingBitmaps();
  RecordingHost host;
  RecordingCanvas target;
  TScale scale;
  scale.SetHost(&host);
  scale.SetRenderTarget(&target, 10, 20);
  scale.SetRenderTarget(nullptr, 10, 20);
  host.canvas.Clear();
  scale.RenderNow();
  EXPECT_TRUE(target.Calls().empty());
  ASSERT_EQ(host.canvas.Calls().size(), 1u);
  EXPECT_EQ(host.canvas.Calls()[0].Args[0], 0);
  EXPECT_EQ(host.canvas.Calls()[0].Args[1], 0);
  scale.SetScaleType(sctXB);  // unchanged: ignored, no repaint
  EXPECT_EQ(host.canvas.Calls().size(), 1u);
}

TEST(ScalePainting, InvisibleOrLoadingScalesDrawNothing) {
  InstallRecordingBitmaps();
  RecordingCanvas target;
  TScale scale;
  scale.SetRenderTarget(&target, 0, 0);
  scale.SetVisible(false);
  scale.RenderNow();
  EXPECT_TRUE(target.Calls().empty());
  scale.SetVisible(true);
  scale.BeginLoading();
  scale.RenderNow();
  EXPECT_TRUE(target.Calls().empty());
  scale.Loaded();
  scale.RenderNow();
  EXPECT_FALSE(target.Calls().empty());
}

TEST(ScalePainting, DateFormatChangesRepaint) {
  InstallRecordingBitmaps();
  RecordingCanvas target;
  TScale scale;
  scale.SetRenderTarget(&target, 0, 0);
  scale.SetPaintSuppressed(false);
  target.Clear();
  scale.DateFormat().SetYearLength(ylYY);
  scale.DateFormat().SetYearLength(ylYY);     // no change
  scale.DateFormat().SetDateOrder(doDDMMYY);  // always
  EXPECT_EQ(target.Calls().size(), 2u);
}

}  // namespace

namespace {

class PrinterCanvas : public RecordingCanvas {
 public:
  int PixelsPerInchY() const override { return 600; }
  bool IsPrinter() const override { return true; }
};

TEST(ScalePrinting, LabelsKeepTheirScreenPixelHeight) {
  // The axis is drawn in pixels, so on a printer its labels keep the pixel height they have on
  // screen; the font only takes over the printer's resolution.
  PrinterCanvas printer;
  TScale scale;
  scale.SetTransparent(true);
  scale.SetEmbedded(true);
  platform::Font font;
  font.SetSize(12);  // 16 pixels at 96 per inch
  scale.SetFont(font);
  scale.SetRenderTarget(&printer, 0, 0);
  scale.RenderNow();
  bool sawText = false;
  for (const CanvasCall& c : printer.Calls()) {
    if (c.Op != "TextOut") continue;
    sawText = true;
    EXPECT_EQ(c.Font.Height, 16);
    EXPECT_EQ(c.Font.PixelsPerInch, 600);
  }
  EXPECT_TRUE(sawText);
}

}  // namespace

namespace {

TEST(ScaleFarPixels, ALabelFarBeyondTheRangeIsStillPlacedByTheRules) {
  // MinTicks 0 on a tiny range: the one major tick, 1, maps to the end of the int range.
  RecordingCanvas target;
  TScale scale;
  scale.SetTransparent(true);
  scale.SetEmbedded(true);
  scale.SetShortTicks(false);
  scale.SetMinTicks(0);
  scale.SetRangeLow(0.2);
  scale.SetRangeHigh(0.2000001);
  scale.SetRenderTarget(&target, 0, 0);
  scale.RenderNow();
  auto texts = Texts(target.Calls());
  ASSERT_EQ(texts.size(), 1u);
  EXPECT_EQ(texts[0].Text, " 1.0E+00");
  EXPECT_EQ(texts[0].X, 400 - 48 - 2);  // past the right edge: moved inside

  target.Clear();
  scale.SetScaleType(sctYL);  // far above the top
  scale.RenderNow();
  texts = Texts(target.Calls());
  ASSERT_EQ(texts.size(), 1u);
  EXPECT_EQ(texts[0].Y, std::numeric_limits<int>::min());
}

TEST(ScaleFarPixels, HugeMarginsAndCaptionOffsetsDoNotWrapAround) {
  RecordingCanvas target;
  TScale scale;
  scale.SetTransparent(true);
  scale.SetEmbedded(true);
  scale.SetRenderTarget(&target, 0, 0);
  const int big = std::numeric_limits<int>::max();
  scale.SetMarginLeft(big);
  scale.SetMarginRight(big);
  EXPECT_EQ(scale.PixelsPerUnit(), 0);  // no usable length
  EXPECT_EQ(scale.ValueToPixel(50), 200);
  scale.SetCaption("c");
  scale.SetCaptionAnchor(uaSclCenter);
  scale.SetCaptionAlignment(taLeftJustify);
  target.Clear();
  scale.RenderNow();
  EXPECT_EQ(Texts(target.Calls()).back().X, 200 + 4);  // the middle of the control
  scale.SetCaptionPosX(big);
  target.Clear();
  scale.RenderNow();
  EXPECT_EQ(Texts(target.Calls()).back().X, big);
}

TEST(ScaleFarPixels, ANegativeSizeRendersLikeAnEmptyControl) {
  // What reached the target, without the drawing state.
  const auto render = [](TScale& scale) {
    RecordingCanvas target;
    scale.SetRenderTarget(&target, 0, 0);
    scale.RenderNow();
    std::vector<std::pair<std::string, std::vector<int>>> out;
    for (const CanvasCall& c : target.Calls()) out.emplace_back(c.Op, c.Args);
    return out;
  };
  for (const TScaleType type : {sctXB, sctYL}) {
    TScale negative;
    TScale empty;
    for (TScale* s : {&negative, &empty}) {
      s->SetTransparent(true);
      s->SetEmbedded(true);
      s->SetScaleType(type);
    }
    negative.SetBounds(0, 0, std::numeric_limits<int>::min(), std::numeric_limits<int>::min());
    empty.SetBounds(0, 0, 0, 0);
    EXPECT_EQ(negative.Width(), 0);
    EXPECT_EQ(negative.Height(), 0);
    EXPECT_EQ(render(negative), render(empty)) << type;
  }
}

}  // namespace
