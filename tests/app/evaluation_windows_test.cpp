#include "app/evaluation_windows.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QClipboard>
#include <QCoreApplication>
#include <QDoubleSpinBox>
#include <QImage>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTableWidget>
#include <QTest>
#include <cmath>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <map>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "app/frm_main.h"
#include "app/message_boxes.h"
#include "platform/locale.h"
#include "platform/qt/float_edit.h"
#include "platform/qt/host_widget.h"
#include "platform/qt/scroll_bar.h"
#include "platform/qt/speed_button.h"
#include "platform/qt/spin_edit.h"
#include "tests/app/run_args.h"
#include "tests/app/work_dir.h"

namespace {

struct Window {
  TemporaryWorkDir workDir;
  std::vector<std::string> errors;
  std::unique_ptr<TFrmMain> frm;
  std::string file;

  explicit Window(const std::string& text) {
    platform::LoadLocale("C");
    SetErrorBoxHook([this](const std::string& t) { errors.push_back(t); });
    file = workDir.File("data.csv");
    std::ofstream(file) << text;
    frm = std::make_unique<TFrmMain>();
    frm->show();
    frm->OpenDataFile(file);
  }
  ~Window() {
    frm.reset();
    SetErrorBoxHook(nullptr);
  }
  std::string Statistics() const { return frm->Statistik->Text(); }
  // The command line's report: what follows the fit's own lines.
  static std::string Report(const std::vector<std::string>& args) {
    const Outcome r = RunArgs(args);
    EXPECT_EQ(r.status, 0) << r.err;
    return r.out.substr(r.out.find("\n\n") + 1);
  }
};

// Equal word for word, numbers within `relative` of each other.
void ExpectSameReport(const std::string& got, const std::string& want, double relative) {
  std::istringstream a(got), b(want);
  std::string x, y;
  while (true) {
    const bool moreA = bool(a >> x), moreB = bool(b >> y);
    ASSERT_EQ(moreA, moreB) << got << "\n---\n" << want;
    if (!moreA) return;
    char* endX = nullptr;
    char* endY = nullptr;
    const double vx = std::strtod(x.c_str(), &endX), vy = std::strtod(y.c_str(), &endY);
    if (*endX == 0 && *endY == 0 && endX != x.c_str() && endY != y.c_str())
      EXPECT_NEAR(vx, vy, relative * std::fabs(vy)) << x << " " << y;
    else
      EXPECT_EQ(x, y);
  }
}

constexpr char kPoints[] = "x,y\n1,2.1\n2,2.9\n3,4.2\n4,4.8\n5,6.3\n6,6.8\n7,8.4\n8,8.7\n";
constexpr char kNoResult[] = "Noch kein Ergebnis: bitte zuerst ein Modell wählen.";

// Years with readings: far from 0, where the polynomial is solved centred and scaled.
constexpr char kYears[] =
    "year,reading\n1990,12.1\n1991,12.9\n1992,12.7\n1993,13.6\n1994,13.2\n1995,14.4\n"
    "1996,14.1\n1997,15.3\n1998,15.2\n1999,16.6\n2000,16.1\n2001,17.4\n";

TEST(StatisticsWindow, ShowsTheCommandLinesReportOfTheShownModel) {
  for (const char* file : {kPoints, kYears}) {
    Window w(file);
    w.frm->Statistik1->trigger();
    ASSERT_NE(w.frm->Statistik, nullptr);
    EXPECT_TRUE(w.frm->Statistik->isVisible());
    EXPECT_FALSE(w.frm->Statistik->isModal());
    EXPECT_EQ(w.Statistics(), kNoResult);
    struct Case {
      platform_qt::SpeedButton* TFrmMain::*button;
      std::string model;
    };
    const Case cases[] = {{&TFrmMain::BButLinFit, "lin"},
                          {&TFrmMain::BButParabolFit, "parabolic"},
                          {&TFrmMain::BButCalcReciprLine, "reciproc"},
                          {&TFrmMain::BButLogFit, "log"},
                          {&TFrmMain::SBRecipLog, "reciplog"},
                          {&TFrmMain::SBExpo, "expon"},
                          {&TFrmMain::BButPolynomial, "poly:3"},
                          {&TFrmMain::BButSpline, "spline:0.5"}};
    w.frm->SEPolyOrder->SetValue(3);
    w.frm->SBarSmoothSpline->SetPosition(500);
    for (const Case& c : cases) {
      (w.frm.get()->*c.button)->click();
      const std::string text = w.Statistics();
      EXPECT_TRUE(text.starts_with("Modell: " + c.model + "\n")) << text;
      const std::string report = Window::Report({"--fit", c.model, w.file, "--stats"});
      if (c.model.starts_with("spline")) {
        // The window's spline comes from the scroll bar's prediction off its last result: the same
        // spline to the last few bits.
        ExpectSameReport(text.substr(text.find("\n\n") + 1), report, 1e-12);
      } else {
        EXPECT_TRUE(text.ends_with(report)) << c.model << "\n" << text;
      }
    }
    // The level: the intervals of --level.
    w.frm->BButLinFit->click();
    w.frm->Statistik->LevelEdit->setValue(90);
    EXPECT_TRUE(w.Statistics().ends_with(
        Window::Report({"--fit", "lin", w.file, "--stats", "--level", "0.9"})));
    // Its text is selected and copied as in any text field.
    w.frm->Statistik->Report->selectAll();
    w.frm->Statistik->Report->copy();
    EXPECT_EQ(QGuiApplication::clipboard()->text().toStdString(), w.Statistics());
    EXPECT_TRUE(w.errors.empty());
  }
}

TEST(StatisticsWindow, FollowsEveryChangeOfPointsAndModel) {
  Window w(kPoints);
  w.frm->Statistik1->trigger();
  w.frm->BButLinFit->click();
  EXPECT_TRUE(w.Statistics().starts_with("Modell: lin\n"));
  // Entering points releases the model.
  w.frm->SBNewPnts->click();
  EXPECT_EQ(w.Statistics(), kNoResult);
  w.frm->BButParabolFit->click();
  EXPECT_TRUE(w.Statistics().starts_with("Modell: parabolic\n"));
  // A refusal shows the refusal.
  std::ofstream(w.workDir.File("negative.csv")) << "-1,3\n2,5\n3,8\n";
  w.frm->OpenDataFile(w.workDir.File("negative.csv"));
  EXPECT_EQ(w.Statistics(), kNoResult);
  w.frm->BButLogFit->click();
  EXPECT_EQ(w.Statistics(), "log: CalcLogFit: x values must not be negative or zero");
  w.frm->SBClear->click();
  EXPECT_EQ(w.Statistics(), kNoResult);
  // It closes with the main window.
  w.frm->close();
  EXPECT_FALSE(w.frm->Statistik->isVisible());
}

TEST(ComparisonWindow, ListsEveryModelAndShowsTheChosenOne) {
  Window w(kPoints);
  w.frm->Modellvergleich1->trigger();
  ASSERT_NE(w.frm->Vergleich, nullptr);
  QTableWidget* table = w.frm->Vergleich->Table;
  // The rows of --fit all, in its order.
  const Outcome all = RunArgs({"--fit", "all", w.file});
  std::vector<std::string> expected;
  for (std::size_t at = all.out.find('\n') + 1; at < all.out.size();) {
    const std::size_t end = all.out.find('\n', at);
    const std::string line = all.out.substr(at, end - at);
    expected.push_back(line.substr(0, line.find(' ')));
    at = end + 1;
  }
  // Computed beside the window, which says so meanwhile.
  QTRY_COMPARE(table->rowCount(), int(expected.size()));
  EXPECT_FALSE(w.frm->Vergleich->Message->isVisible());
  for (int r = 0; r < table->rowCount(); ++r)
    EXPECT_EQ(table->item(r, 0)->text().toStdString(), expected[std::size_t(r)]);

  // Choosing poly:3 shows it as its button would, with the order set.
  for (int r = 0; r < table->rowCount(); ++r)
    if (table->item(r, 0)->text() == QStringLiteral("poly:3"))
      emit table->itemActivated(table->item(r, 1));
  EXPECT_TRUE(w.frm->BButPolynomial->Down());
  EXPECT_EQ(w.frm->SEPolyOrder->Value(), 3);
  EXPECT_EQ(w.frm->LblFormula->text().toStdString(), "y = k0+k1*x+k2*x^2 +k3*x^3 ");
  for (int r = 0; r < table->rowCount(); ++r)
    if (table->item(r, 0)->text() == QStringLiteral("expon"))
      emit table->itemActivated(table->item(r, 0));
  EXPECT_TRUE(w.frm->SBExpo->Down());
  EXPECT_EQ(w.frm->LblFormula->text().toStdString(), "y = k0*e^(k1*x)");

  // Too few points: a message instead of the rows.
  w.frm->SBClear->click();
  EXPECT_EQ(table->rowCount(), 0);
  EXPECT_TRUE(w.frm->Vergleich->Message->isVisible());
  EXPECT_TRUE(w.errors.empty());
}

TEST(ComparisonWindow, DropsTheRowsOfPointsThatChangedMeanwhile) {
  Window w(kPoints);
  w.frm->Modellvergleich1->trigger();
  // The comparison of these points runs; the points go before it ends.
  w.frm->SBClear->click();
  const QString message = w.frm->Vergleich->Message->text();
  EXPECT_EQ(message.toStdString(), "Für den Vergleich sind mindestens drei Punkte nötig.");
  QTest::qWait(500);
  EXPECT_EQ(w.frm->Vergleich->Table->rowCount(), 0);
  EXPECT_EQ(w.frm->Vergleich->Message->text(), message);
  // New points, compared anew.
  w.frm->OpenDataFile(w.file);
  QTRY_VERIFY(w.frm->Vergleich->Table->rowCount() > 0);
}

// The points of kPoints and one far out at x = 30, of high leverage.
constexpr char kLeveraged[] =
    "x,y\n1,2.1\n2,2.9\n3,4.2\n4,4.8\n5,6.3\n6,6.8\n7,8.4\n8,8.7\n30,25\n";

// The residual chart's marks by x, with their colour.
std::map<double, ChartItem> ResidualMarks(const TVArori& chart) {
  std::map<double, ChartItem> marks;
  for (int i = 0; i < chart.ItemCount(); ++i) {
    const ChartItem& item = chart.Item(i);
    EXPECT_EQ(item.Kind, ikMark);
    EXPECT_TRUE(marks.emplace(item.X, item).second) << item.X;
  }
  return marks;
}

TEST(ResidualWindow, MarksTheCommandLinesResidualsAndTheirLeverage) {
  Window w(kLeveraged);
  w.frm->Residuen1->trigger();
  ResidualWindow* window = w.frm->Residuen;
  ASSERT_NE(window, nullptr);
  EXPECT_TRUE(window->isVisible());
  EXPECT_EQ(window->Chart.ItemCount(), 0);
  EXPECT_EQ(window->About->text().toStdString(), kNoResult);
  for (const std::string model :
       {"lin", "parabolic", "reciproc", "expon", "poly:3", "spline:0.5"}) {
    SCOPED_TRACE(model);
    w.frm->ShowChosenModel(ParseModelArgument(model, false, false).first->model);
    // 2p/n, p the parameters or the spline's trace.
    const Outcome stats = RunArgs({"--fit", model, w.file, "--stats", "--json"});
    const QJsonObject report =
        QJsonDocument::fromJson(QByteArray::fromStdString(stats.out)).object();
    const double p = model.starts_with("spline")
                         ? report["spline"].toObject()["trace"].toDouble()
                         : report["fit"].toObject()["parameters"].toDouble();
    const double limit = 2 * p / 9;
    const std::map<double, ChartItem> marks = ResidualMarks(window->Chart);
    const Outcome r = RunArgs({"--fit", model, w.file, "--residuals"});
    std::istringstream lines(r.out.substr(r.out.find("\n\n") + 2));
    std::size_t rows = 0, high = 0;
    for (std::string line; std::getline(lines, line); ++rows) {
      double x, y, fitted, residual, leverage;
      ASSERT_EQ(
          std::sscanf(line.c_str(), "%lf %lf %lf %lf %lf", &x, &y, &fitted, &residual, &leverage),
          5)
          << line;
      ASSERT_TRUE(marks.contains(x)) << x;
      const ChartItem& mark = marks.at(x);
      // The window's spline comes from the scroll bar's prediction: equal to the last bits.
      EXPECT_NEAR(mark.Y, residual, model.starts_with("spline") ? 1e-12 : 0) << x;
      EXPECT_EQ(mark.Color,
                leverage > limit ? ResidualWindow::kLeverageColor : ResidualWindow::kPointColor)
          << x;
      high += leverage > limit;
    }
    EXPECT_EQ(rows, marks.size());
    // The far point is one of high leverage for every model here.
    EXPECT_GE(high, 1u);
    EXPECT_EQ(marks.at(30).Color, ResidualWindow::kLeverageColor);
  }

  EXPECT_TRUE(w.errors.empty());

  // A refusal shows the refusal (as the main window's message does), "Grafik Clear" that there
  // is no result.
  std::ofstream(w.workDir.File("negative.csv")) << "-1,3\n2,5\n3,8\n";
  w.frm->OpenDataFile(w.workDir.File("negative.csv"));
  w.frm->BButLogFit->click();
  const std::string refusal = "CalcLogFit: x values must not be negative or zero";
  EXPECT_EQ(w.errors, std::vector<std::string>{refusal + "."});
  EXPECT_EQ(window->About->text().toStdString(), "log: " + refusal);
  EXPECT_EQ(window->Chart.ItemCount(), 0);
  w.frm->SBClear->click();
  EXPECT_EQ(window->About->text().toStdString(), kNoResult);
}

TEST(ResidualWindow, FollowsTheMainChartsXRangeAndDrawsTheZeroLine) {
  Window w(kLeveraged);
  w.frm->BButLinFit->click();
  w.frm->Residuen1->trigger();
  ResidualWindow* window = w.frm->Residuen;
  const auto sameX = [&] {
    return window->Chart.Scale1X().RangeLow() == w.frm->VArori1.Scale1X().RangeLow() &&
           window->Chart.Scale1X().RangeHigh() == w.frm->VArori1.Scale1X().RangeHigh();
  };
  EXPECT_TRUE(sameX());
  // The residuals' y range holds them all and zero.
  for (int i = 0; i < window->Chart.ItemCount(); ++i) {
    EXPECT_GE(window->Chart.Item(i).Y, window->Chart.Scale1Y().RangeLow());
    EXPECT_LE(window->Chart.Item(i).Y, window->Chart.Scale1Y().RangeHigh());
  }
  EXPECT_LT(window->Chart.Scale1Y().RangeLow(), 0);
  EXPECT_GT(window->Chart.Scale1Y().RangeHigh(), 0);
  // A pan of the main chart.
  TVArori& chart = w.frm->VArori1;
  const double low = chart.Scale1X().RangeLow();
  chart.MouseDown(platform::mbLeft, {}, 300, 200);
  chart.MouseMove({platform::ssLeft}, 300, 200);
  chart.MouseMove({platform::ssLeft}, 200, 200);
  chart.MouseUp(platform::mbLeft, {}, 200, 200);
  ASSERT_NE(chart.Scale1X().RangeLow(), low);
  EXPECT_TRUE(sameX());
  // "Reset Axis" with another Graph Xmax.
  w.frm->GraphXmaxEdit->SetValueExactly(50);
  w.frm->ResetAxisButton->click();
  ASSERT_EQ(chart.Scale1X().RangeHigh(), 50);
  EXPECT_TRUE(sameX());

  // The zero line runs across the data area, where no mark is.
  QCoreApplication::processEvents();
  QImage picture(window->ChartHost->size(), QImage::Format_RGB32);
  window->ChartHost->render(&picture);
  int left = 0, zero = 0, right = 0;
  window->Chart.WorldToPixel(1, 40, 0, left, zero);
  window->Chart.WorldToPixel(1, 48, 0, right, zero);
  for (int x = left; x <= right; ++x)
    EXPECT_EQ(picture.pixelColor(x, zero), QColor(Qt::black)) << x;
  EXPECT_NE(picture.pixelColor(left, zero - 3), QColor(Qt::black));
  EXPECT_TRUE(w.errors.empty());
}

// The window's chart as a screen of ratio 1 shows it.
QImage ChartGrab(TFrmMain& frm) {
  QCoreApplication::processEvents();
  QImage window(frm.VArori1Host->size(), QImage::Format_RGB32);
  frm.VArori1Host->render(&window);
  return window;
}

// The chart part of ravelon --plot's picture of the file at the window's chart size.
QImage PlotChart(const std::string& file, const std::string& model, const QSize& size,
                 const std::string& out, bool band) {
  std::vector<std::string> args = {
      "--plot",  out, model,    file,
      "--scale", "1", "--size", std::to_string(size.width()) + "x" + std::to_string(size.height())};
  if (band) args.push_back("--band");
  const Outcome r = RunArgs(args);
  EXPECT_EQ(r.status, 0) << r.err;
  const QImage picture(QString::fromStdString(out));
  return picture.copy(0, picture.height() - size.height(), size.width(), size.height())
      .convertToFormat(QImage::Format_RGB32);
}

TEST(Bands, TheMainChartShowsThemAsThePictureDoes) {
  Window w(kPoints);
  const QSize size = w.frm->VArori1Host->size();
  const std::string out = w.workDir.File("plot.png");
  for (const std::string model : {"lin", "reciproc", "poly:3", "spline:0.5"}) {
    SCOPED_TRACE(model);
    // The model's button, with its order or factor set first.
    const auto press = [&] {
      w.frm->ShowChosenModel(ParseModelArgument(model, false, false).first->model);
    };
    press();
    EXPECT_EQ(ChartGrab(*w.frm), PlotChart(w.file, model, size, out, false));
    w.frm->BaenderZeigen1->trigger();
    EXPECT_TRUE(w.frm->BaenderZeigen1->isChecked());
    const QImage banded = ChartGrab(*w.frm);
    EXPECT_EQ(banded, PlotChart(w.file, model, size, out, true));
    // A model change keeps them on; off again leaves the chart as it was.
    press();
    EXPECT_EQ(ChartGrab(*w.frm), banded);
    w.frm->BaenderZeigen1->trigger();
    EXPECT_EQ(ChartGrab(*w.frm), PlotChart(w.file, model, size, out, false));
  }
  // The bands follow the statistics window's level.
  w.frm->BaenderZeigen1->trigger();
  w.frm->BButLinFit->click();
  const QImage at95 = ChartGrab(*w.frm);
  w.frm->Statistik1->trigger();
  w.frm->Statistik->LevelEdit->setValue(50);
  EXPECT_NE(ChartGrab(*w.frm), at95);
  EXPECT_TRUE(w.errors.empty());
}

TEST(EvaluationWindows, KeepTheirPlaceAndSizeBetweenRuns) {
  {
    Window w(kPoints);
    w.frm->Statistik1->trigger();
    w.frm->Statistik->resize(611, 433);
    w.frm->Statistik->close();
  }
  Window w(kPoints);
  w.frm->Statistik1->trigger();
  EXPECT_EQ(w.frm->Statistik->size(), QSize(611, 433));
}

}  // namespace
