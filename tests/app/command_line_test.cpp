#include "app_core/command_line.h"

#include <gtest/gtest.h>

#include <QLabel>
#include <cmath>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "app/frm_main.h"
#include "app/message_boxes.h"
#include "format/format_fixed_width.h"
#include "platform/locale.h"
#include "platform/qt/scroll_bar.h"
#include "platform/qt/speed_button.h"
#include "platform/qt/spin_edit.h"
#include "scale/num_lab_text.h"
#include "tests/app/run_args.h"
#include "tests/app/work_dir.h"

namespace {

using Action = CommandLine::Action;

// What the arguments ask for, or that they are bad usage (then nothing else is read).
TEST(CommandLine, ReadsWhatTheArgumentsAskFor) {
  struct Case {
    std::vector<std::string> args;
    Action action;
    std::string file, model;  // model: its command-line name where it fits one
    int order = 0;
    double factor = 0;
    std::string x{}, y{};  // --columns
    int width = 0, height = 0;
    double scale = 2;
  };
  const Case cases[] = {
      {{}, Action::Window, "", ""},
      {{"data.csv"}, Action::Window, "data.csv", ""},
      {{"--fit", "lin", "d.csv"}, Action::Fit, "d.csv", "lin"},
      {{"--fit", "reciplog", "d.csv"}, Action::Fit, "d.csv", "reciplog"},
      {{"--fit", "poly:1", "d.csv"}, Action::Fit, "d.csv", "poly:1", 1},
      {{"--fit", "poly:9", "d.csv"}, Action::Fit, "d.csv", "poly:9", 9},
      {{"--fit", "spline:0", "d.csv"}, Action::Fit, "d.csv", "spline:0", 0, 0},
      {{"--fit", "spline:0.25", "d.csv"}, Action::Fit, "d.csv", "spline:0.25", 0, 0.25},
      {{"--fit", "spline:1", "d.csv"}, Action::Fit, "d.csv", "spline:1", 0, 1},
      {{"--help"}, Action::Help, "", ""},
      {{"-h"}, Action::Help, "", ""},
      {{"--version"}, Action::Version, "", ""},
      // Columns, anywhere beside a file.
      {{"--fit", "lin", "d.csv", "--columns", "zeit,strom"},
       Action::Fit,
       "d.csv",
       "lin",
       0,
       0,
       "zeit",
       "strom"},
      {{"--columns", "2,3", "--fit", "lin", "d.csv"}, Action::Fit, "d.csv", "lin", 0, 0, "2", "3"},
      {{"--fit", "lin", "--columns=a,b", "d.csv"}, Action::Fit, "d.csv", "lin", 0, 0, "a", "b"},
      {{"d.csv", "--columns", "x,y"}, Action::Window, "d.csv", "", 0, 0, "x", "y"},
      // Pictures.
      {{"--plot", "a.png", "lin", "d.csv"}, Action::Plot, "d.csv", "lin"},
      {{"--plot", "a.SVG", "none", "d.csv", "--size", "800x600"},
       Action::Plot,
       "d.csv",
       "",
       0,
       0,
       "",
       "",
       800,
       600},
      {{"--scale=1.5", "--plot", "a.pdf", "poly:2", "d.csv"},
       Action::Plot,
       "d.csv",
       "poly:2",
       2,
       0,
       "",
       "",
       0,
       0,
       1.5},
      // Bad usage.
      {{"a.csv", "b.csv"}, Action::Usage, "", ""},
      {{"--frobnicate"}, Action::Usage, "", ""},
      {{"--fit", "lin"}, Action::Usage, "", ""},
      {{"--fit", "cubic", "d.csv"}, Action::Usage, "", ""},
      {{"--fit", "none", "d.csv"}, Action::Usage, "", ""},
      {{"--fit", "poly:0", "d.csv"}, Action::Usage, "", ""},
      {{"--fit", "poly:10", "d.csv"}, Action::Usage, "", ""},
      {{"--fit", "poly:2.5", "d.csv"}, Action::Usage, "", ""},
      {{"--fit", "poly:", "d.csv"}, Action::Usage, "", ""},
      {{"--fit", "spline:1.5", "d.csv"}, Action::Usage, "", ""},
      {{"--fit", "spline:-0.1", "d.csv"}, Action::Usage, "", ""},
      {{"--fit", "spline:nan", "d.csv"}, Action::Usage, "", ""},
      {{"--fit", "lin", "d.csv", "e.csv"}, Action::Usage, "", ""},
      {{"--help", "x"}, Action::Usage, "", ""},
      {{"--fit", "lin", "d.csv", "--columns"}, Action::Usage, "", ""},
      {{"--fit", "lin", "d.csv", "--columns", "a"}, Action::Usage, "", ""},
      {{"--fit", "lin", "d.csv", "--columns", "a,b,c"}, Action::Usage, "", ""},
      {{"--fit", "lin", "d.csv", "--columns", "a,b", "--columns", "a,b"}, Action::Usage, "", ""},
      {{"--columns", "a,b"}, Action::Usage, "", ""},
      {{"--help", "--columns", "a,b"}, Action::Usage, "", ""},
      {{"--plot", "a.gif", "lin", "d.csv"}, Action::Usage, "", ""},
      {{"--plot", "a", "lin", "d.csv"}, Action::Usage, "", ""},
      {{"--plot", "a.png", "cubic", "d.csv"}, Action::Usage, "", ""},
      {{"--plot", "a.png", "all", "d.csv"}, Action::Usage, "", ""},
      {{"--plot", "a.png", "lin"}, Action::Usage, "", ""},
      {{"--plot", "a.png", "lin", "d.csv", "--size", "800"}, Action::Usage, "", ""},
      {{"--plot", "a.png", "lin", "d.csv", "--size", "0x600"}, Action::Usage, "", ""},
      {{"--plot", "a.png", "lin", "d.csv", "--scale", "0"}, Action::Usage, "", ""},
      {{"--plot", "a.png", "lin", "d.csv", "--scale", "8", "--size", "20000x20000"},
       Action::Usage,
       "",
       ""},
      {{"--fit", "lin", "d.csv", "--size", "800x600"}, Action::Usage, "", ""},
  };
  for (const Case& c : cases) {
    std::string shown;
    for (const auto& a : c.args) shown += a + " ";
    const CommandLine r = ParseCommandLine(c.args);
    EXPECT_EQ(r.Do, c.action) << shown;
    EXPECT_EQ(r.Problem.empty(), c.action != Action::Usage) << shown;
    if (c.action == Action::Usage) continue;
    EXPECT_EQ(r.File, c.file) << shown;
    const bool fits =
        (r.Do == Action::Fit || r.Do == Action::Plot) && r.Model.what == ModelArgument::What::One;
    EXPECT_EQ(fits ? ModelRow(r.Model.model).Name() : "", c.model) << shown;
    EXPECT_EQ(r.Model.model.order, c.order) << shown;
    EXPECT_EQ(r.Model.model.factor, c.factor) << shown;
    EXPECT_EQ(r.Columns.x, c.x) << shown;
    EXPECT_EQ(r.Columns.y, c.y) << shown;
    EXPECT_EQ(r.Width, c.width) << shown;
    EXPECT_EQ(r.Height, c.height) << shown;
    EXPECT_EQ(r.Scale, c.scale) << shown;
  }
}

TEST(CommandLine, StatusAndStreams) {
  TemporaryWorkDir dir;
  std::ofstream(dir.File("bad.csv")) << "1,2\n3,x\n";
  std::ofstream(dir.File("line.csv")) << "1,3\n2,5\n";
  const Outcome help = RunArgs({"--help"});
  EXPECT_EQ(help.status, 0);
  EXPECT_NE(help.out.find("--fit MODEL FILE"), std::string::npos);
  EXPECT_EQ(RunArgs({"--version"}).out, "ravelon 0.7\n");
  const Outcome usage = RunArgs({"--fit", "cubic", dir.File("line.csv")});
  EXPECT_EQ(usage.status, 2);
  EXPECT_TRUE(usage.out.empty());
  EXPECT_NE(usage.err.find("unknown model \"cubic\""), std::string::npos);
  EXPECT_NE(usage.err.find("Usage:"), std::string::npos);
  for (const char* file : {"bad.csv", "missing.csv"}) {
    const Outcome r = RunArgs({"--fit", "lin", dir.File(file)});
    EXPECT_EQ(r.status, 1) << file;
    EXPECT_TRUE(r.out.empty()) << file;
    EXPECT_NE(r.err.find(dir.File(file)), std::string::npos) << r.err;
  }
  // The engine's own messages, as the window shows them.
  std::ofstream(dir.File("negative.csv")) << "-1,3\n2,5\n3,8\n";
  const Outcome log = RunArgs({"--fit", "log", dir.File("negative.csv")});
  EXPECT_EQ(log.status, 1);
  EXPECT_EQ(log.err, "CalcLogFit: x values must not be negative or zero\n");
  // An order the window's control would not allow for so few points.
  const Outcome poly = RunArgs({"--fit", "poly:3", dir.File("line.csv")});
  EXPECT_EQ(poly.status, 1);
  EXPECT_TRUE(poly.out.empty());
  const Outcome lin = RunArgs({"--fit", "lin", dir.File("line.csv")});
  EXPECT_EQ(lin.status, 0);
  EXPECT_EQ(lin.out, "y = k*x + d\nk = 2.000000    d = 1.000\nAnpassungsgrad: 1.0000\n");
}

// Files as pandas, numpy, R and spreadsheets write them fit as the plain file of their points.
TEST(CommandLine, ProducersFiles) {
  TemporaryWorkDir dir;
  std::ofstream(dir.File("plain.csv")) << "0.5,1.1\n1.25,2.35\n3.75,4.4\n5.5,6.05\n";
  const Outcome plain = RunArgs({"--fit", "parabolic", dir.File("plain.csv")});
  ASSERT_EQ(plain.status, 0);
  const std::pair<const char*, const char*> files[] = {
      {"pandas_index.csv", "1 Zeile ohne Wert übersprungen: 4\n"},
      {"pandas_no_index.csv", "1 Zeile ohne Wert übersprungen: 4\n"},
      {"pandas_quote_all.csv", "1 Zeile ohne Wert übersprungen: 4\n"},
      {"pandas_semicolon_decimal_comma.csv", "1 Zeile ohne Wert übersprungen: 4\n"},
      {"r_write_csv.csv", "1 Zeile ohne Wert übersprungen: 4\n"},
      {"r_write_csv2.csv", "1 Zeile ohne Wert übersprungen: 4\n"},
      {"r_write_table.txt", "1 Zeile ohne Wert übersprungen: 4\n"},
      {"numpy_savetxt.txt", ""},
      {"utf16_unicode_text.txt", ""},
      {"excel_sep_hint.csv", ""},
  };
  for (const auto& [name, notice] : files) {
    const Outcome r =
        RunArgs({"--fit", "parabolic", std::string(RAVELON_PRODUCERS_DIR) + "/" + name});
    EXPECT_EQ(r.status, 0) << name;
    EXPECT_EQ(r.out, plain.out) << name;
    EXPECT_EQ(r.err, notice) << name;
  }

  const std::string indexed = std::string(RAVELON_PRODUCERS_DIR) + "/pandas_index.csv";
  std::ofstream(dir.File("strom.csv")) << "0.5,10\n1.25,20.5\n2,30\n3.75,40.25\n5.5,50\n";
  const Outcome chosen = RunArgs({"--fit", "lin", indexed, "--columns", "zeit,strom"});
  EXPECT_EQ(chosen.status, 0);
  EXPECT_EQ(chosen.err, "");
  EXPECT_EQ(chosen.out, RunArgs({"--fit", "lin", dir.File("strom.csv")}).out);
  const Outcome unknown = RunArgs({"--fit", "lin", indexed, "--columns", "zeit,volt"});
  EXPECT_EQ(unknown.status, 1);
  EXPECT_TRUE(unknown.out.empty());
  EXPECT_EQ(unknown.err, "Die Datei \"" + indexed +
                             "\" hat keine Spalte \"volt\". Ihre Spalten: \"zeit\", "
                             "\"spannung\", \"strom\".\n");
  std::ofstream(dir.File("none.csv")) << "x,y\n1,NA\n";
  const Outcome none = RunArgs({"--fit", "lin", dir.File("none.csv")});
  EXPECT_EQ(none.status, 1);
  EXPECT_TRUE(none.out.empty());
  EXPECT_EQ(none.err, "Die Datei \"" + dir.File("none.csv") +
                          "\" enthält nur Zeilen ohne Wert (1 Zeile: 2).\n");
}

// The command line prints what the window's labels show after opening the same file.
class CommandLineAgainstWindow : public testing::Test {
 protected:
  void SetUp() override {
    platform::LoadLocale("C");
    SetErrorBoxHook([this](const std::string& t) { errors.push_back(t); });
    std::ofstream out(dir.File("data.csv"));
    out << "x,y\n";
    for (int i = 0; i < 40; ++i) {
      const double x = 1900 + i * 2.5 + (i % 3) * 0.3;
      out << x << "," << 3 + 0.02 * (x - 1900) + 0.5 * std::sin(i * 0.7) << "\n";
    }
    out.close();
    frm = std::make_unique<TFrmMain>();
    frm->show();
  }
  void TearDown() override { SetErrorBoxHook(nullptr); }

  // The goodness-of-fit label's text, from its own settings.
  std::string QualityShown() const {
    const TNumLab& lab = frm->NLabFitQual;
    NumLabTextSettings s;
    s.DisplayType = lab.DisplayType();
    s.Precision = lab.Precision();
    s.Comma = lab.Comma();
    s.ForcePlusSign = lab.ForcePlusSign();
    return NumLabValueText(lab.Value(), s);
  }
  std::string Labels() const {
    return frm->LblFormula->text().toStdString() + "\n" + frm->LblParams->text().toStdString() +
           "\nAnpassungsgrad: " + QualityShown() + "\n";
  }

  TemporaryWorkDir dir;
  std::vector<std::string> errors;
  std::unique_ptr<TFrmMain> frm;
};

TEST_F(CommandLineAgainstWindow, FormulaParametersAndGoodnessOfFit) {
  const std::pair<const char*, platform_qt::SpeedButton*> models[] = {
      {"lin", frm->BButLinFit},
      {"parabolic", frm->BButParabolFit},
      {"reciproc", frm->BButCalcReciprLine},
      {"log", frm->BButLogFit},
      {"reciplog", frm->SBRecipLog},
      {"expon", frm->SBExpo}};
  for (const auto& [name, button] : models) {
    frm->OpenDataFile(dir.File("data.csv"));
    button->click();
    const Outcome r = RunArgs({"--fit", name, dir.File("data.csv")});
    EXPECT_EQ(r.status, 0) << name << r.err;
    EXPECT_EQ(r.out, Labels()) << name;
  }
  for (int order = 1; order <= 9; ++order) {
    frm->OpenDataFile(dir.File("data.csv"));
    frm->SEPolyOrder->SetValue(order);
    frm->BButPolynomial->click();
    const Outcome r = RunArgs({"--fit", "poly:" + std::to_string(order), dir.File("data.csv")});
    EXPECT_EQ(r.status, 0) << order << r.err;
    EXPECT_EQ(r.out, Labels()) << order;
  }
  EXPECT_TRUE(errors.empty());
}

TEST_F(CommandLineAgainstWindow, SplineCurveIsTheOneTheWindowDraws) {
  for (const int position : {0, 500, 1000}) {
    frm->OpenDataFile(dir.File("data.csv"));
    frm->SBarSmoothSpline->SetPosition(position);
    frm->BButSpline->click();
    const Outcome r =
        RunArgs({"--fit", "spline:" + std::to_string(position / 1000.0), dir.File("data.csv")});
    ASSERT_EQ(r.status, 0) << r.err;
    std::string expected = "Anpassungsgrad: " + QualityShown() + "\n";
    const TVArori& chart = frm->VArori1;
    int first = chart.ItemCount();
    while (first > 0 && chart.Item(first - 1).Kind != ikMark) --first;
    ASSERT_LT(first, chart.ItemCount());
    for (int i = first; i < chart.ItemCount(); ++i)
      expected += FormatFixedWidth(1, 6, chart.Item(i).X) + "\t" +
                  FormatFixedWidth(1, 6, chart.Item(i).Y) + "\n";
    EXPECT_EQ(r.out, expected) << position;
  }
  EXPECT_TRUE(errors.empty());
}

}  // namespace
