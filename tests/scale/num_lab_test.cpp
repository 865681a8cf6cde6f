#include "scale/num_lab.h"

#include <gtest/gtest.h>

#include <functional>
#include <iterator>
#include <string>
#include <vector>

#include "tests/support/recording_canvas.h"

using namespace platform;
using test_support::CanvasCall;
using test_support::RecordingHost;

namespace {

std::vector<CanvasCall> CallsNamed(const std::vector<CanvasCall>& calls, const std::string& op) {
  std::vector<CanvasCall> result;
  for (const auto& c : calls) {
    if (c.Op == op) result.push_back(c);
  }
  return result;
}

// x and y of a TextRect call (after its clip rectangle).
std::vector<int> TextRectPlace(const CanvasCall& c) {
  return {c.Args[4], c.Args[5]};
}
std::vector<int> TextRectClip(const CanvasCall& c) {
  return {c.Args.begin(), c.Args.begin() + 4};
}

// The goodness-of-fit label of the main window: box from x = 120, 60 pixels wide.
void SetUpAsFitQuality(TNumLab& lab) {
  lab.SetBounds(0, 0, 193, 22);
  lab.SetLeftSpace(120);
  lab.SetLabelWidth(60);
  lab.SetLeftText("Anpassungsgrad:  ");
  lab.SetPrecision(4);
  lab.SetColorLabBakG(clSilver);
}

class NumLabTest : public ::testing::Test {
 protected:
  void SetUp() override {
    test_support::InstallRecordingBitmaps();
    lab.SetHost(&host);
  }
  void TearDown() override { SetBitmapFactory(nullptr); }

  // Paints afresh and returns what went into the off-screen picture in this paint. The
  // picture's log keeps earlier paints too; each paint begins by filling the whole area.
  std::vector<CanvasCall> Picture() {
    host.canvas.Clear();
    lab.Repaint();
    for (const auto& c : host.canvas.Calls()) {
      if (c.Op != "Draw" && c.Op != "DrawAnd") continue;
      const std::vector<int> whole{0, 0, lab.Width(), lab.Height()};
      for (auto it = c.BitmapCalls.rbegin(); it != c.BitmapCalls.rend(); ++it) {
        if (it->Op == "Rectangle" && it->Args == whole) {
          return {std::prev(it.base()), c.BitmapCalls.end()};
        }
      }
    }
    ADD_FAILURE() << "nothing was put on screen";
    return {};
  }

  std::vector<CanvasCall> ValueTexts() { return CallsNamed(Picture(), "TextRect"); }

  RecordingHost host;
  TNumLab lab;
};

TEST(NumLab, NewLabelHasTheDocumentedDefaults) {
  TNumLab lab;
  EXPECT_EQ(lab.Width(), 160);
  EXPECT_EQ(lab.Height(), 28);
  EXPECT_EQ(lab.Value(), 0.0);
  EXPECT_EQ(lab.DisplayType(), dtFixP);
  EXPECT_EQ(lab.Precision(), 2);
  EXPECT_FALSE(lab.Empty());
  EXPECT_EQ(lab.LeftText(), "");
  EXPECT_EQ(lab.RightText(), "");
  EXPECT_EQ(lab.LeftSpace(), 35);
  EXPECT_EQ(lab.LabelWidth(), 80);
  EXPECT_EQ(lab.Alignment(), taCenter);
  EXPECT_EQ(lab.LeftTextAlignment(), taRightJustify);
  EXPECT_EQ(lab.RightTextAlignment(), taLeftJustify);
  EXPECT_EQ(lab.FrameStyle(), fsLowered);
  EXPECT_EQ(lab.ColorScheme(), csBWG);
  EXPECT_EQ(lab.ColorLabBakG(), clBtnFace);
  EXPECT_EQ(lab.ColorLabText(), clBlack);
  EXPECT_EQ(lab.ColorOutBakG(), clBtnFace);
  EXPECT_EQ(lab.ColorOutText(), clBlack);
  EXPECT_FALSE(lab.Comma());
  EXPECT_FALSE(lab.ForcePlusSign());
  EXPECT_EQ(lab.OverflowIndicator(), "*********");
  EXPECT_EQ(lab.StateText(), "undefined");
  EXPECT_EQ(lab.DTFormat(), "mmm-dd, yyyy");
  EXPECT_FALSE(lab.Transparent());
  EXPECT_TRUE(lab.Enabled());
}

TEST_F(NumLabTest, EverySetterRepaintsAtOnceOnlyOnARealChange) {
  const std::vector<std::pair<const char*, std::function<void()>>> setters = {
      {"Value", [&] { lab.SetValue(1.5); }},
      {"DisplayType", [&] { lab.SetDisplayType(dtHex); }},
      {"Precision", [&] { lab.SetPrecision(5); }},
      {"Empty", [&] { lab.SetEmpty(true); }},
      {"LeftText", [&] { lab.SetLeftText("a"); }},
      {"RightText", [&] { lab.SetRightText("b"); }},
      {"LeftSpace", [&] { lab.SetLeftSpace(40); }},
      {"LabelWidth", [&] { lab.SetLabelWidth(70); }},
      {"Alignment", [&] { lab.SetAlignment(taLeftJustify); }},
      {"LeftTextAlignment", [&] { lab.SetLeftTextAlignment(taCenter); }},
      {"RightTextAlignment", [&] { lab.SetRightTextAlignment(taCenter); }},
      {"FrameStyle", [&] { lab.SetFrameStyle(fsRaised); }},
      {"ColorScheme", [&] { lab.SetColorScheme(csSystem); }},
      {"ColorLabBakG", [&] { lab.SetColorLabBakG(clSilver); }},
      {"ColorLabText", [&] { lab.SetColorLabText(clRed); }},
      {"ColorOutBakG", [&] { lab.SetColorOutBakG(clWhite); }},
      {"ColorOutText", [&] { lab.SetColorOutText(clBlue); }},
      {"Comma", [&] { lab.SetComma(true); }},
      {"ForcePlusSign", [&] { lab.SetForcePlusSign(true); }},
      {"OverflowIndicator", [&] { lab.SetOverflowIndicator("#"); }},
      {"StateText", [&] { lab.SetStateText("off"); }},
      {"DTFormat", [&] { lab.SetDTFormat("yyyy"); }},
      {"Font",
       [&] {
         Font f;
         f.Height = 20;
         lab.SetFont(f);
       }},
  };
  for (const auto& [name, set] : setters) {
    const int before = host.flushed;
    set();
    EXPECT_EQ(host.flushed, before + 1) << name << " did not repaint";
    set();
    EXPECT_EQ(host.flushed, before + 1) << name << " repainted without a change";
  }
  EXPECT_EQ(host.invalidated, 0);
}

TEST_F(NumLabTest, PrecisionAndLeftSpaceAreClampedOrIgnored) {
  lab.SetPrecision(20);
  EXPECT_EQ(lab.Precision(), 15);
  lab.SetPrecision(-1);
  EXPECT_EQ(lab.Precision(), 15);
  lab.SetPrecision(0);
  EXPECT_EQ(lab.Precision(), 0);

  lab.SetLeftSpace(500);
  EXPECT_EQ(lab.LeftSpace(), lab.Width());
  lab.SetLeftSpace(-3);
  EXPECT_EQ(lab.LeftSpace(), lab.Width());
  lab.SetLeftSpace(0);
  EXPECT_EQ(lab.LeftSpace(), 0);
}

TEST_F(NumLabTest, TransparentWaitsForTheParentWhileOpaqueRepaintsAtOnce) {
  lab.SetTransparent(true);
  EXPECT_EQ(host.invalidated, 1);
  EXPECT_EQ(host.flushed, 0);
  lab.SetTransparent(true);
  EXPECT_EQ(host.invalidated, 1);
  lab.SetTransparent(false);
  EXPECT_EQ(host.flushed, 1);
}

TEST_F(NumLabTest, EnabledRefreshesAlsoWhenUnchanged) {
  lab.SetEnabled(true);
  EXPECT_EQ(host.flushed, 1);
  lab.SetEnabled(false);
  EXPECT_FALSE(lab.Enabled());
  EXPECT_EQ(host.flushed, 2);
}

TEST_F(NumLabTest, AssignCopiesLookAndValueButNotSeparatorSignDateFormatOrEvents) {
  TNumLab source;
  source.SetBounds(0, 0, 300, 30);
  source.SetLeftSpace(50);
  source.SetEmpty(true);
  source.SetLabelWidth(90);
  source.SetPrecision(7);
  source.SetLeftText("L");
  source.SetRightText("R");
  source.SetFrameStyle(fsEngraved);
  source.SetAlignment(taRightJustify);
  source.SetLeftTextAlignment(taLeftJustify);
  source.SetRightTextAlignment(taRightJustify);
  source.SetOverflowIndicator("#");
  source.SetValue(2.5);
  source.SetStateText("s");
  source.SetTransparent(true);
  source.SetColorLabBakG(clRed);
  source.SetColorLabText(clGreen);
  source.SetColorOutBakG(clBlue);
  source.SetColorOutText(clYellow);
  source.SetColorScheme(csSystem);
  source.SetDisplayType(dtExp);
  source.SetComma(true);
  source.SetForcePlusSign(true);
  source.SetDTFormat("yyyy");
  source.SetEnabled(false);
  bool sourceEventCalled = false;
  source.OnBeforeDisplay = [&](TNumLab&, std::string&) { sourceEventCalled = true; };

  lab.Assign(source);
  EXPECT_EQ(host.flushed, 1);
  EXPECT_EQ(lab.LeftSpace(), 50);
  EXPECT_TRUE(lab.Empty());
  EXPECT_EQ(lab.LabelWidth(), 90);
  EXPECT_EQ(lab.Precision(), 7);
  EXPECT_EQ(lab.LeftText(), "L");
  EXPECT_EQ(lab.RightText(), "R");
  EXPECT_EQ(lab.FrameStyle(), fsEngraved);
  EXPECT_EQ(lab.Alignment(), taRightJustify);
  EXPECT_EQ(lab.LeftTextAlignment(), taLeftJustify);
  EXPECT_EQ(lab.RightTextAlignment(), taRightJustify);
  EXPECT_EQ(lab.OverflowIndicator(), "#");
  EXPECT_EQ(lab.Value(), 2.5);
  EXPECT_EQ(lab.StateText(), "s");
  EXPECT_TRUE(lab.Transparent());
  EXPECT_EQ(lab.ColorLabBakG(), clRed);
  EXPECT_EQ(lab.ColorLabText(), clGreen);
  EXPECT_EQ(lab.ColorOutBakG(), clBlue);
  EXPECT_EQ(lab.ColorOutText(), clYellow);
  EXPECT_EQ(lab.ColorScheme(), csSystem);
  EXPECT_EQ(lab.DisplayType(), dtExp);
  EXPECT_FALSE(lab.Comma());
  EXPECT_FALSE(lab.ForcePlusSign());
  EXPECT_EQ(lab.DTFormat(), "mmm-dd, yyyy");
  EXPECT_TRUE(lab.Enabled());
  EXPECT_FALSE(lab.OnBeforeDisplay);

  // The copied scheme brings its frame colours along.
  lab.SetEmpty(false);
  lab.SetTransparent(false);
  const auto box = CallsNamed(Picture(), "Rectangle")[1];
  EXPECT_EQ(box.Pen.Color, clBtnShadow);
  EXPECT_FALSE(sourceEventCalled);
}

TEST_F(NumLabTest, FitQualityShowsFourDecimalsCentredInTheBox) {
  SetUpAsFitQuality(lab);
  lab.SetValue(0.98765);
  const auto picture = Picture();

  // Background over the whole picture, pen and brush alike.
  const CanvasCall& fill = picture.front();
  EXPECT_EQ(fill.Op, "Rectangle");
  EXPECT_EQ(fill.Args, (std::vector<int>{0, 0, 193, 22}));
  EXPECT_EQ(fill.Brush.Color, clBtnFace);
  EXPECT_EQ(fill.Pen.Color, clBtnFace);

  // Every text sits at (22 - 13) / 2; the left text ends 5 pixels before the box.
  const auto texts = CallsNamed(picture, "TextOut");
  ASSERT_EQ(texts.size(), 1u);
  EXPECT_EQ(texts[0].Text, "Anpassungsgrad:  ");
  EXPECT_EQ(texts[0].Args, (std::vector<int>{120 - 17 * 6 - 5, 4}));
  EXPECT_EQ(texts[0].Font.Color, clBlack);

  const auto value = CallsNamed(picture, "TextRect");
  ASSERT_EQ(value.size(), 1u);
  EXPECT_EQ(value[0].Text, "0.9877");
  EXPECT_EQ(TextRectPlace(value[0]), (std::vector<int>{122 + (60 - 36) / 2, 4}));
  EXPECT_EQ(TextRectClip(value[0]), (std::vector<int>{123, 2, 179, 19}));
  EXPECT_EQ(value[0].Brush.Color, clSilver);
  EXPECT_EQ(value[0].Brush.Style, bsSolid);
  EXPECT_EQ(value[0].Font.Color, clBlack);
  // The clip rectangle is cleared with the box colour first.
  const auto& clear = picture[picture.size() - 2];
  EXPECT_EQ(clear.Op, "Rectangle");
  EXPECT_EQ(clear.Args, (std::vector<int>{123, 2, 179, 19}));
  EXPECT_EQ(clear.Brush.Color, clSilver);

  // One copy of the finished picture onto the control.
  ASSERT_EQ(host.canvas.Calls().size(), 1u);
  EXPECT_EQ(host.canvas.Calls()[0].Op, "Draw");
  EXPECT_EQ(host.canvas.Calls()[0].Args, (std::vector<int>{0, 0, 193, 22}));
}

TEST_F(NumLabTest, TextWiderThanTheBoxMinusSixShowsTheOverflowIndicator) {
  SetUpAsFitQuality(lab);
  const struct {
    double value;
    std::string shown;
  } cases[] = {
      {123456789, "*********"},
      {12345.6789, "*********"},  // 60 pixels
      {1234.5678, "1234.5678"},   // 54 pixels, just fits
  };
  for (const auto& c : cases) {
    lab.SetValue(c.value);
    const auto texts = ValueTexts();
    ASSERT_EQ(texts.size(), 1u);
    EXPECT_EQ(texts[0].Text, c.shown) << c.value;
    EXPECT_EQ(TextRectPlace(texts[0])[0], 122 + (60 - 54) / 2) << c.value;
  }
}

TEST_F(NumLabTest, StateTextIsClippedInsteadOfReplaced) {
  SetUpAsFitQuality(lab);
  lab.SetDisplayType(dtState);
  lab.SetStateText("far too long for the box");
  const auto texts = ValueTexts();
  ASSERT_EQ(texts.size(), 1u);
  EXPECT_EQ(texts[0].Text, "far too long for the box");
  EXPECT_EQ(TextRectPlace(texts[0])[0], 122 + (60 - 24 * 6) / 2);
  EXPECT_EQ(TextRectClip(texts[0]), (std::vector<int>{123, 2, 179, 19}));
}

TEST_F(NumLabTest, BeforeDisplayRewritesTheTextBeforeTheWidthCheck) {
  SetUpAsFitQuality(lab);
  TNumLab* sender = nullptr;
  std::string seen;
  lab.OnBeforeDisplay = [&](TNumLab& s, std::string& text) {
    sender = &s;
    seen = text;
    text = "R2 " + text;
  };
  lab.SetValue(0.5);
  auto texts = ValueTexts();
  EXPECT_EQ(sender, &lab);
  EXPECT_EQ(seen, "0.5000");
  ASSERT_EQ(texts.size(), 1u);
  EXPECT_EQ(texts[0].Text, "R2 0.5000");

  lab.OnBeforeDisplay = [](TNumLab&, std::string& text) { text = "much too wide"; };
  texts = ValueTexts();
  EXPECT_EQ(texts[0].Text, "*********");
}

TEST_F(NumLabTest, EmptyDrawsTheBoxWithoutTextAndWithoutAskingTheOwner) {
  SetUpAsFitQuality(lab);
  int calls = 0;
  lab.OnBeforeDisplay = [&](TNumLab&, std::string&) { ++calls; };
  lab.SetEmpty(true);
  const auto picture = Picture();
  EXPECT_TRUE(CallsNamed(picture, "TextRect").empty());
  EXPECT_EQ(CallsNamed(picture, "Rectangle").size(), 2u);  // background and box
  EXPECT_EQ(CallsNamed(picture, "TextOut").size(), 1u);    // the left text stays
  EXPECT_EQ(calls, 0);
}

TEST_F(NumLabTest, TextsArePlacedByTheirAlignments) {
  SetUpAsFitQuality(lab);
  lab.SetLeftText("ab");
  lab.SetRightText("cd");
  const int r = 180;  // LeftSpace + LabelWidth
  const struct {
    TAlignment alignment;
    int left, right, value;
  } cases[] = {
      {taLeftJustify, 7, r + 7, 124},
      {taRightJustify, 120 - 12 - 5, 193 - 12 - 6, r - 36 - 2},
      {taCenter, (120 - 12) / 2, r + 1 + (193 - r - 12) / 2, 122 + (60 - 36) / 2},
  };
  for (const auto& c : cases) {
    lab.SetLeftTextAlignment(c.alignment);
    lab.SetRightTextAlignment(c.alignment);
    lab.SetAlignment(c.alignment);
    const auto picture = Picture();
    const auto texts = CallsNamed(picture, "TextOut");
    ASSERT_EQ(texts.size(), 2u);
    EXPECT_EQ(texts[0].Args[0], c.left) << c.alignment;
    EXPECT_EQ(texts[1].Args[0], c.right) << c.alignment;
    EXPECT_EQ(TextRectPlace(CallsNamed(picture, "TextRect")[0])[0], c.value) << c.alignment;
  }
}

TEST_F(NumLabTest, FrameStylesDrawTheirOutlineAndEdges) {
  SetUpAsFitQuality(lab);
  const TColor shadow = 0x808080, highlight = 0xFFFFFF, line = clBlack;
  const struct {
    TFrameStyle style;
    TColor outline;
    bool edges;
    TColor topLeft, bottomRight;
  } cases[] = {
      {fsLowered, shadow, true, line, highlight},
      {fsRaised, shadow, true, highlight, line},
      {fsEmbossed, highlight, true, shadow, shadow},
      {fsEngraved, shadow, true, highlight, highlight},
      {fsSimple, shadow, false, 0, 0},
      {fsNone, clSilver, false, 0, 0},
  };
  lab.SetLeftText("");
  for (const auto& c : cases) {
    lab.SetFrameStyle(c.style);
    lab.SetEmpty(true);
    const auto ops = Picture();
    // Background, then the box rectangle.
    ASSERT_GE(ops.size(), 2u);
    const CanvasCall& box = ops[1];
    EXPECT_EQ(box.Op, "Rectangle") << c.style;
    EXPECT_EQ(box.Pen.Color, c.outline) << c.style;
    EXPECT_EQ(box.Brush.Color, clSilver) << c.style;
    const int bottom = c.edges ? 21 : 22;
    EXPECT_EQ(box.Args, (std::vector<int>{120, 0, 182, bottom})) << c.style;
    if (!c.edges) {
      EXPECT_EQ(ops.size(), 2u) << c.style;
      continue;
    }
    ASSERT_EQ(ops.size(), 8u) << c.style;
    const std::vector<std::vector<int>> path = {{121, 19}, {121, 1},  {181, 1},
                                                {121, 21}, {182, 21}, {182, 0}};
    for (int i = 0; i < 6; ++i) {
      EXPECT_EQ(ops[2 + i].Args, path[i]) << c.style << " point " << i;
      EXPECT_EQ(ops[2 + i].Op, i % 3 == 0 ? "MoveTo" : "LineTo");
    }
    EXPECT_EQ(ops[3].Pen.Color, c.topLeft) << c.style;
    EXPECT_EQ(ops[4].Pen.Color, c.topLeft) << c.style;
    EXPECT_EQ(ops[6].Pen.Color, c.bottomRight) << c.style;
    EXPECT_EQ(ops[7].Pen.Color, c.bottomRight) << c.style;
  }
}

TEST_F(NumLabTest, SystemSchemeUsesTheButtonShadowAndHighlight) {
  SetUpAsFitQuality(lab);
  lab.SetLeftText("");
  lab.SetColorScheme(csSystem);
  const auto ops = Picture();
  EXPECT_EQ(ops[1].Pen.Color, clBtnShadow);
  EXPECT_EQ(ops[6].Pen.Color, clBtnHighlight);
  lab.SetColorScheme(csBWG);
  EXPECT_EQ(Picture()[1].Pen.Color, TColor(0x808080));
}

TEST_F(NumLabTest, DisabledTextsAreEtchedAndTheValueIsGray) {
  SetUpAsFitQuality(lab);
  lab.SetRightText("%");
  lab.SetEnabled(false);
  const auto picture = Picture();
  const auto texts = CallsNamed(picture, "TextOut");
  ASSERT_EQ(texts.size(), 4u);
  const int lx = 120 - 17 * 6 - 5, rx = 187;
  const struct {
    int x, y;
    TColor color;
  } expected[] = {{lx + 1, 5, clWhite}, {lx, 4, 0x808080}, {rx + 1, 5, clWhite}, {rx, 4, 0x808080}};
  for (int i = 0; i < 4; ++i) {
    EXPECT_EQ(texts[i].Args, (std::vector<int>{expected[i].x, expected[i].y})) << i;
    EXPECT_EQ(texts[i].Font.Color, expected[i].color) << i;
    EXPECT_EQ(texts[i].Brush.Style, bsClear) << i;
  }
  const auto value = CallsNamed(picture, "TextRect");
  ASSERT_EQ(value.size(), 1u);
  EXPECT_EQ(value[0].Font.Color, TColor(0x808080));
  EXPECT_EQ(value[0].Brush.Style, bsSolid);
  EXPECT_EQ(value[0].Brush.Color, clSilver);
}

TEST_F(NumLabTest, TransparentLabelIsAndedOntoTheParent) {
  SetUpAsFitQuality(lab);
  lab.SetTransparent(true);
  for (TColor text : {clBlack, clRed}) {
    lab.SetColorLabText(text);
    const auto picture = Picture();
    EXPECT_EQ(picture.front().Brush.Color, clWhite);
    ASSERT_EQ(host.canvas.Calls().size(), 2u);
    const CanvasCall& under = host.canvas.Calls()[0];
    EXPECT_EQ(under.Op, "Rectangle");
    EXPECT_EQ(under.Args, (std::vector<int>{122, 2, 180, 20}));
    EXPECT_EQ(under.Brush.Color, text == clBlack ? clSilver : clWhite);
    EXPECT_EQ(host.canvas.Calls()[1].Op, "DrawAnd");
  }
}

TEST_F(NumLabTest, HiddenLabelDoesNotPaint) {
  lab.SetVisible(false);
  lab.SetValue(3);
  EXPECT_EQ(host.flushed, 0);
  EXPECT_TRUE(host.canvas.Calls().empty());
}

TEST_F(NumLabTest, ClickNeedsPressAndReleaseInsideWithTheLeftButton) {
  int clicks = 0;
  lab.OnClick = [&](TNumLab&) { ++clicks; };
  lab.MouseDown(mbLeft, 0, 5, 5);
  lab.MouseUp(mbLeft, 0, 6, 6);
  lab.MouseDown(mbLeft, 0, 5, 5);
  lab.MouseUp(mbLeft, 0, 500, 6);
  lab.MouseUp(mbLeft, 0, 6, 6);
  lab.MouseDown(mbRight, 0, 5, 5);
  lab.MouseUp(mbRight, 0, 6, 6);
  EXPECT_EQ(clicks, 1);
}

}  // namespace
