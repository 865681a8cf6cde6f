#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>

#include <QApplication>
#include <QLabel>
#include <QPushButton>
#include <QTest>
#include <algorithm>
#include <cerrno>
#include <cmath>
#include <csignal>
#include <cstring>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "app/frm_main.h"
#include "app/message_boxes.h"
#include "platform/locale.h"
#include "platform/qt/scroll_bar.h"
#include "platform/qt/speed_button.h"
#include "platform/qt/spin_edit.h"
#include "platform/qt/value_grid.h"
#include "tests/app/work_dir.h"

namespace {

// The main window with its boxes observed; points come in through the value table.
class ModelCommands : public ::testing::Test {
 protected:
  TemporaryWorkDir workDir;
  ModelCommands() {
    platform::LoadLocale("C");
    SetErrorBoxHook([this](const std::string& t) { errors.push_back(t); });
    SetWarningBoxHook([this](const std::string& t) { warnings.push_back(t); });
    frm = std::make_unique<TFrmMain>();
    frm->show();
  }
  ~ModelCommands() override {
    SetErrorBoxHook(nullptr);
    SetWarningBoxHook(nullptr);
  }

  void Table(const std::vector<std::pair<std::string, std::string>>& rows) {
    frm->WerteTabelleGrid->ClearCells();
    for (std::size_t i = 0; i < rows.size(); ++i) {
      frm->WerteTabelleGrid->SetCell(0, int(i) + 1, rows[i].first);
      frm->WerteTabelleGrid->SetCell(1, int(i) + 1, rows[i].second);
    }
    frm->WerteUebernehmenBtn->click();
  }
  TVArori& C() { return frm->VArori1; }
  // The items after the data marks.
  std::vector<ChartItem> Curve() {
    std::vector<ChartItem> out;
    for (int i = 0; i < C().ItemCount(); ++i)
      if (C().Item(i).Kind != ikMark) out.push_back(C().Item(i));
    return out;
  }
  int Marks() { return C().ItemCount() - int(Curve().size()); }
  std::string Formula() { return frm->LblFormula->text().toStdString(); }
  std::string Params() { return frm->LblParams->text().toStdString(); }

  std::vector<std::string> errors, warnings;
  std::unique_ptr<TFrmMain> frm;
};

TEST_F(ModelCommands, LinShowsItsLineFormulaAndParameters) {
  Table({{"0", "1"}, {"1", "3"}, {"2", "5"}});
  frm->SBNewPnts->click();
  frm->BButLinFit->click();
  EXPECT_FALSE(frm->SBNewPnts->Down());
  EXPECT_EQ(Formula(), "y = k*x + d");
  EXPECT_EQ(Params(), "k = 2.000000    d = 1.000");
  EXPECT_TRUE(frm->LblFormula->isVisible());
  EXPECT_EQ(frm->NLabFitQual.Value(), 1);
  EXPECT_FALSE(frm->NLabFitQual.Empty());
  auto curve = Curve();
  ASSERT_EQ(curve.size(), 2u);
  EXPECT_EQ(curve[0].Kind, ikMove);
  EXPECT_EQ(curve[0].X, 0);
  EXPECT_EQ(curve[0].Y, 1);
  EXPECT_EQ(curve[1].Kind, ikLine);
  EXPECT_EQ(curve[1].X, 10);
  EXPECT_EQ(curve[1].Y, 21);
  EXPECT_EQ(Marks(), 3);

  // Pressed again: the button comes up, the command still runs, one curve stays.
  frm->BButLinFit->click();
  EXPECT_FALSE(frm->BButLinFit->Down());
  EXPECT_EQ(Curve().size(), 2u);
  EXPECT_EQ(C().ItemCount(), 5);
  EXPECT_TRUE(errors.empty());
}

TEST_F(ModelCommands, CurvesAcrossTheAxisRange) {
  Table({{"1", "0.5"}, {"2", "0.7"}, {"3", "1.1"}, {"4", "1.3"}});
  frm->BButParabolFit->click();
  EXPECT_EQ(Formula(), "y = k0 + k1*x + k2*sqr(x)");
  auto curve = Curve();
  ASSERT_EQ(curve.size(), 201u);
  EXPECT_EQ(curve[0].X, 0);
  EXPECT_EQ(curve[1].X, 0.05);
  EXPECT_EQ(curve[200].X, 10);

  frm->BButLogFit->click();  // starts far below, then only x > 0
  EXPECT_EQ(Formula(), "y = k0 + k1*ln(x)");
  curve = Curve();
  ASSERT_EQ(curve.size(), 201u);
  EXPECT_EQ(curve[0].Kind, ikMove);
  EXPECT_EQ(curve[0].X, 0);
  EXPECT_EQ(curve[0].Y, -1000000);
  EXPECT_EQ(curve[1].X, 0.05);

  frm->SBRecipLog->click();  // no start point at x = 0, no error
  EXPECT_EQ(Formula(), "y = 1/(k0 + k1*ln(x))");
  curve = Curve();
  ASSERT_FALSE(curve.empty());
  EXPECT_EQ(curve[0].Kind, ikLine);
  EXPECT_EQ(curve[0].X, 0.05);
  EXPECT_TRUE(errors.empty());

  frm->SBExpo->click();
  EXPECT_EQ(Formula(), "y = k0*e^(k1*x)");
  double k0, k1, q;
  frm->Stats1.CalcExponentialFit(k0, k1, q);
  curve = Curve();
  ASSERT_EQ(curve.size(), 201u);
  EXPECT_DOUBLE_EQ(curve[100].Y, k0 * std::exp(5 * k1));
  EXPECT_EQ(Marks(), 4);
}

TEST_F(ModelCommands, ReciprocSkipsTheSampleWithAZeroDenominator) {
  // 1/y = 1 - 0.25 x: the denominator is exactly zero at x = 4.
  Table({{"0", "1"}, {"2", "2"}, {"3", "4"}});
  frm->BButCalcReciprLine->click();
  ASSERT_EQ(Params(), "k0 = 1.000000     k1 = -0.250");
  const auto curve = Curve();
  EXPECT_EQ(curve.size(), 200u);  // the move and 199 of 200 samples
  for (const ChartItem& item : curve) EXPECT_NE(item.X, 4);
  EXPECT_TRUE(errors.empty());
}

TEST_F(ModelCommands, ARefusedFitLeavesThePreviousModelShown) {
  Table({{"0", "1"}, {"1", "3"}, {"2", "5"}});
  frm->BButLinFit->click();
  frm->Stats1.ClearData();
  frm->Stats1.AddPoint(1, 1);
  frm->SBNewPnts->SetDown(true);
  frm->BButLinFit->click();
  EXPECT_EQ(errors, std::vector<std::string>{"CalcLinFit: not enough data points."});
  EXPECT_TRUE(Curve().empty());  // the old curve is gone from the list
  EXPECT_FALSE(frm->SBNewPnts->Down());
  EXPECT_EQ(Formula(), "y = k*x + d");
  EXPECT_EQ(Params(), "k = 2.000000    d = 1.000");
  EXPECT_EQ(frm->NLabFitQual.Value(), 1);
}

TEST_F(ModelCommands, AnOverflowInTheCurveKeepsTheNewQualityAndNoRedraw) {
  Table({{"0", "0.5"}, {"1", "1"}, {"2", "2"}});
  frm->BButLinFit->click();
  // y = e^(100 x): e^1000 at the axis end is beyond the double range.
  frm->Stats1.ClearData();
  frm->Stats1.AddPoint(1, std::exp(100.0));
  frm->Stats1.AddPoint(2, std::exp(200.0));
  frm->Stats1.AddPoint(3, std::exp(300.0));
  frm->SBExpo->click();
  EXPECT_EQ(errors, std::vector<std::string>{"Gleitkommaüberlauf."});
  EXPECT_NEAR(frm->NLabFitQual.Value(), 1, 1e-12);
  EXPECT_EQ(Formula(), "y = k*x + d");  // the labels still show the line
  const auto curve = Curve();
  ASSERT_FALSE(curve.empty());  // the part computed before the overflow
  EXPECT_LT(curve.back().X, 10);
}

TEST_F(ModelCommands, PolynomialTextsAndStart) {
  Table({{"0", "1"}, {"1", "3"}, {"2", "5"}});
  frm->SEPolyOrder->SetValue(1);
  frm->BButPolynomial->click();
  EXPECT_EQ(Formula(), "y = k0+k1*x");
  EXPECT_EQ(Params(), "k0=1.000000  k1=2.000000  ");
  EXPECT_TRUE(frm->SEPolyOrder->isEnabled());
  auto curve = Curve();
  ASSERT_EQ(curve.size(), 201u);
  EXPECT_EQ(curve[0].X, 0.05);  // one step right of the axis start
  EXPECT_EQ(curve[1].X, 0.05);
  EXPECT_DOUBLE_EQ(curve[200].Y, 21);

  frm->SEPolyOrder->SetValue(2);  // a change of the order reruns the command
  EXPECT_EQ(Formula(), "y = k0+k1*x+k2*x^2 ");
  const std::string params = Params();
  EXPECT_EQ(std::count(params.begin(), params.end(), '='), 3);
  EXPECT_EQ(Curve().size(), 201u);
}

TEST_F(ModelCommands, AnOrderTypedOutsideTheCoefficientsWaitsForTheClamp) {
  Table({{"0", "1"}, {"1", "3"}, {"2", "5"}});
  frm->BButPolynomial->click();
  const std::string shown = Params();
  for (const char* typed : {"25", "-3", "11"}) {
    frm->SEPolyOrder->SetText(typed);
    EXPECT_TRUE(Curve().empty()) << typed;  // no fit, nothing drawn
    EXPECT_EQ(Params(), shown) << typed;
  }
  EXPECT_TRUE(errors.empty());
}

TEST_F(ModelCommands, SplineFromTheSmallestX) {
  Table({{"2", "1"}, {"4", "3"}, {"6", "2"}});
  frm->BButSpline->click();
  EXPECT_FALSE(frm->LblFormula->isVisible());
  EXPECT_FALSE(frm->LblParams->isVisible());
  EXPECT_TRUE(frm->SBarSmoothSpline->isEnabled());
  auto curve = Curve();
  ASSERT_GE(curve.size(), 2u);
  EXPECT_EQ(curve[0].Kind, ikMove);
  EXPECT_EQ(curve[0].X, 2);
  EXPECT_EQ(curve[1].X, 2);
  EXPECT_EQ(curve.back().X, 6);
  EXPECT_EQ(curve.size(), 1u + 81u);  // samples 2.0 .. 6.0

  frm->SBarSmoothSpline->SetPosition(500);
  EXPECT_EQ(frm->Stats1.SmoothingFactor(), 0.5);
  EXPECT_EQ(Curve().size(), 82u);
  frm->SBarSmoothSpline->SetPosition(0);
  EXPECT_EQ(frm->Stats1.SmoothingFactor(), 0);
  EXPECT_TRUE(errors.empty());

  // The spline's own errors reach the error box when the user moves the bar; the factor is
  // already set.
  frm->Stats1.ClearData();
  frm->Stats1.AddPoint(1, 1);
  frm->SBarSmoothSpline->triggerAction(QAbstractSlider::SliderSingleStepAdd);
  ASSERT_EQ(errors.size(), 1u);
  EXPECT_EQ(frm->Stats1.SmoothingFactor(), 0.001);
}

TEST_F(ModelCommands, ValueTableTakeOver) {
  frm->BButLinFit->SetDown(true);
  Table({{"1", "2"}, {"3", "4"}, {"", ""}, {"5", "6"}});
  EXPECT_EQ(frm->Stats1.NumPoints(), 2);
  EXPECT_FALSE(frm->BButLinFit->Down());
  EXPECT_EQ(frm->SEPolyOrder->MaxValue(), 1);
  Table({{"1", "2"}, {"3", "4"}, {"", ""}, {"5", "6"}});
  EXPECT_EQ(frm->Stats1.NumPoints(), 2);  // the store once, the marks twice
  EXPECT_EQ(Marks(), 4);

  std::vector<std::pair<std::string, std::string>> full;
  for (int i = 1; i <= 24; ++i) full.push_back({std::to_string(i), std::to_string(i * i)});
  Table(full);
  EXPECT_EQ(frm->Stats1.NumPoints(), 24);
  EXPECT_EQ(frm->SEPolyOrder->MaxValue(), 1);  // more than 9 points leave the limit
  EXPECT_TRUE(warnings.empty());

  const int marks = Marks();
  Table({{"1", "2"}, {"2", "abc"}});
  EXPECT_EQ(errors, std::vector<std::string>{"'abc' ist kein gültiger Gleitkommawert."});
  EXPECT_EQ(frm->Stats1.NumPoints(), 1);
  EXPECT_EQ(Marks(), marks + 1);
  Table({{"1", ""}});
  EXPECT_EQ(errors.back(), "'' ist kein gültiger Gleitkommawert.");

  Table({});
  EXPECT_EQ(warnings, std::vector<std::string>{"Tabelle ist leer"});
  EXPECT_EQ(frm->Stats1.NumPoints(), 0);
}

TEST_F(ModelCommands, TableNumbersUseTheLocalesSeparator) {
  platform::LoadLocale("de_DE.UTF-8");
  Table({{"2,5", "1e3"}, {"-1", " 4 "}});
  platform::LoadLocale("C");
  ASSERT_EQ(frm->Stats1.NumPoints(), 2);
  EXPECT_EQ(frm->Stats1.PointTable().Elem(1, 1), 2.5);
  EXPECT_EQ(frm->Stats1.PointTable().Elem(2, 1), 1000);
  EXPECT_EQ(frm->Stats1.PointTable().Elem(2, 2), 4);
  Table({{"1e400", "1"}});  // beyond the double range
  EXPECT_EQ(errors, std::vector<std::string>{"Gleitkommaüberlauf."});
  EXPECT_EQ(frm->Stats1.NumPoints(), 0);
}

std::string ReadFile(const std::string& name) {
  std::ifstream in(name, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

const std::string kHeader =
    "Data exported from Kovix TRovavAza\r\n"
    "2\t;nr. of columns\r\n";

TEST_F(ModelCommands, CloseWritesThePoints) {
  frm->close();
  EXPECT_FALSE(frm->isVisible());
  EXPECT_EQ(ReadFile("veda.asc"), kHeader +
                                      "0\t;nr. of rows\r\n"
                                      "FALSE TRUE FALSE\t;row attributes, column names, row "
                                      "names\r\n"
                                      "x   y\r\n");
  frm->show();
  Table({{"1", "2"}, {"0.5", "-3"}, {"7", "0"}});
  frm->Ende1->trigger();
  EXPECT_FALSE(frm->isVisible());
  EXPECT_EQ(ReadFile("veda.asc"), kHeader +
                                      "3\t;nr. of rows\r\n"
                                      "FALSE TRUE FALSE\t;row attributes, column names, row "
                                      "names\r\n"
                                      "x   y\r\n"
                                      "1.000000\t2.000000\r\n"
                                      "0.500000\t-3.000000\r\n"
                                      "7.000000\t0.000000\r\n");
  EXPECT_TRUE(errors.empty());
}

TEST_F(ModelCommands, AnExportThatCannotBeCreatedIsReportedThenTheWindowCloses) {
  // A folder of that name: no file can be created, whatever the user's rights.
  ASSERT_EQ(mkdir("veda.asc", 0755), 0);
  Table({{"1", "2"}});
  frm->close();
  ASSERT_EQ(errors.size(), 1u);
  EXPECT_NE(errors[0].find("veda.asc"), std::string::npos);
  EXPECT_NE(errors[0].find(std::strerror(EISDIR)), std::string::npos);
  EXPECT_FALSE(frm->isVisible());
}

TEST_F(ModelCommands, AWriteErrorKeepsTheWindowOpen) {
  Table({{"1", "2"}, {"3", "4"}});
  rlimit saved;
  getrlimit(RLIMIT_FSIZE, &saved);
  const auto handler = std::signal(SIGXFSZ, SIG_IGN);
  rlimit limited = saved;
  limited.rlim_cur = 100;  // the file is created, the points do not fit
  ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &limited), 0);
  frm->close();
  setrlimit(RLIMIT_FSIZE, &saved);
  std::signal(SIGXFSZ, handler);
  ASSERT_EQ(errors.size(), 1u);
  EXPECT_EQ(errors[0], std::string(std::strerror(EFBIG)) + ".");
  EXPECT_TRUE(frm->isVisible());
  frm->close();  // a later close tries again
  EXPECT_FALSE(frm->isVisible());
  EXPECT_NE(ReadFile("veda.asc").find("3.000000\t4.000000"), std::string::npos);
}

}  // namespace
