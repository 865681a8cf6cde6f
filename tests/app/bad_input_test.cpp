#include <gtest/gtest.h>

#include <QApplication>
#include <QFocusEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPushButton>
#include <QTest>
#include <cmath>
#include <fstream>
#include <functional>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "app/frm_main.h"
#include "app/message_boxes.h"
#include "format/format_fixed_width.h"
#include "platform/locale.h"
#include "platform/qt/float_edit.h"
#include "platform/qt/host_widget.h"
#include "platform/qt/scroll_bar.h"
#include "platform/qt/speed_button.h"
#include "platform/qt/spin_edit.h"
#include "platform/qt/value_grid.h"
#include "tests/app/work_dir.h"

namespace {

// What users type and do, through the real window. Every row runs on a fresh window; after it,
// the window is closed and the export must hold exactly the store's points.
struct Window {
  TemporaryWorkDir workDir;
  std::vector<std::string> errors, warnings;
  std::unique_ptr<TFrmMain> frm;

  Window() {
    platform::LoadLocale("C");
    SetErrorBoxHook([this](const std::string& t) { errors.push_back(t); });
    SetWarningBoxHook([this](const std::string& t) { warnings.push_back(t); });
    // Repeated x for the spline: "Abbrechen", which ends the command with the spline's error.
    SetQuestionBoxHook([](const std::string&) { return false; });
    frm = std::make_unique<TFrmMain>();
    frm->show();
  }
  ~Window() {
    SetErrorBoxHook(nullptr);
    SetWarningBoxHook(nullptr);
    SetQuestionBoxHook(nullptr);
    platform::LoadLocale("C");
  }

  void Table(const std::vector<std::pair<std::string, std::string>>& rows) {
    for (std::size_t i = 0; i < rows.size(); ++i) {
      frm->WerteTabelleGrid->SetCell(0, int(i) + 1, rows[i].first);
      frm->WerteTabelleGrid->SetCell(1, int(i) + 1, rows[i].second);
    }
    frm->WerteUebernehmenBtn->click();
  }
  // Types into a cell through its in-place editor, as a user would.
  void TypeIntoCell(int col, int row, const QString& text) {
    auto* grid = frm->WerteTabelleGrid;
    frm->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(frm.get()));
    grid->setCurrentCell(row - 1, col);
    grid->setFocus();
    QTest::keyClick(grid, Qt::Key_F2);
    auto* editor = qobject_cast<QLineEdit*>(QApplication::focusWidget());
    ASSERT_NE(editor, nullptr);
    editor->selectAll();
    Keys(editor, text);
    QTest::keyClick(editor, Qt::Key_Tab);
  }
  // Key by key; characters beyond Latin-1 arrive as the text of a key without a key code, as
  // from an input method.
  static void Keys(QWidget* target, const QString& text) {
    for (const QChar c : text) {
      if (c.unicode() < 0x80) {
        QTest::keyClick(target, char(c.unicode()));
        continue;
      }
      QKeyEvent press(QEvent::KeyPress, 0, Qt::NoModifier, QString(c));
      QKeyEvent release(QEvent::KeyRelease, 0, Qt::NoModifier, QString(c));
      QApplication::sendEvent(target, &press);
      QApplication::sendEvent(target, &release);
    }
  }
  void TypeOrder(const QString& text) {
    auto* edit = frm->SEPolyOrder->Editor();
    frm->SEPolyOrder->setEnabled(true);
    edit->selectAll();
    QTest::keyClicks(edit, text);
    QFocusEvent out(QEvent::FocusOut, Qt::TabFocusReason);
    QApplication::sendEvent(edit, &out);
  }
  void ResetAxis(const QString& xMax, const QString& yMax) {
    frm->GraphXmaxEdit->setText(xMax);
    frm->GraphYmaxEdit->setText(yMax);
    frm->ResetAxisButton->click();
  }
  void Mouse(QEvent::Type type, QPoint p, Qt::MouseButtons held) {
    QWidget* chart = frm->VArori1Host;
    QMouseEvent e(type, QPointF(p), QPointF(chart->mapToGlobal(p)),
                  type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton, held, Qt::NoModifier);
    QApplication::sendEvent(chart, &e);
  }
  void Click(QPoint p) {
    Mouse(QEvent::MouseButtonPress, p, Qt::LeftButton);
    Mouse(QEvent::MouseButtonRelease, p, Qt::NoButton);
  }
  void Drag(QPoint from, QPoint to) {
    Mouse(QEvent::MouseButtonPress, from, Qt::LeftButton);
    Mouse(QEvent::MouseMove, from, Qt::LeftButton);
    Mouse(QEvent::MouseMove, to, Qt::LeftButton);
    Mouse(QEvent::MouseButtonRelease, to, Qt::NoButton);
  }
  int Points() const { return frm->Stats1.NumPoints(); }
  double X(int i) const { return frm->Stats1.PointTable().Elem(1, i); }
  double Y(int i) const { return frm->Stats1.PointTable().Elem(2, i); }
  int Marks() const {
    int n = 0;
    for (int i = 0; i < frm->VArori1.ItemCount(); ++i) n += frm->VArori1.Item(i).Kind == ikMark;
    return n;
  }
  int CurveItems() const { return frm->VArori1.ItemCount() - Marks(); }
  std::string Params() const { return frm->LblParams->text().toStdString(); }
  bool FormulaShown() const { return frm->LblFormula->isVisible(); }
};

struct Row {
  const char* name;
  std::function<void(Window&)> act;
  std::string error;  // the one message shown, empty for none
  std::function<void(Window&)> check;
};

void PrintTo(const Row& row, std::ostream* os) {
  *os << row.name;
}

const std::vector<std::pair<std::string, std::string>> kIllConditioned = {
    {"1000000001", "1"}, {"1000000002", "2"}, {"1000000003", "3"}};

void QualityInRange(Window& w) {
  const double q = w.frm->NLabFitQual.Value();
  EXPECT_GE(q, -1e-12);
  EXPECT_LE(q, 1 + 1e-12);
  EXPECT_FALSE(w.frm->NLabFitQual.Empty());
}

Row FitOn(const char* name, std::vector<std::pair<std::string, std::string>> table,
          platform_qt::SpeedButton* TFrmMain::*button, std::string error) {
  return {name,
          [table, button](Window& w) {
            w.Table(table);
            (w.frm.get()->*button)->click();
          },
          error,
          [table, error](Window& w) {
            EXPECT_EQ(w.Points(), int(table.size()));
            EXPECT_EQ(w.Marks(), int(table.size()));
            if (!error.empty()) {
              EXPECT_EQ(w.CurveItems(), 0);
              EXPECT_FALSE(w.FormulaShown());
              EXPECT_TRUE(w.frm->NLabFitQual.Value() == 0);
            } else {
              EXPECT_GT(w.CurveItems(), 0);
              QualityInRange(w);
            }
          }};
}

std::vector<Row> Rows() {
  using F = TFrmMain;
  std::vector<Row> rows = {
      {"garbage_in_x",
       [](Window& w) {
         w.Table({{"abc", "1"}});
       },
       "'abc' ist kein gültiger Gleitkommawert.",
       [](Window& w) {
         EXPECT_EQ(w.Points(), 0);
         EXPECT_EQ(w.Marks(), 0);
       }},
      {"beyond_extended",
       [](Window& w) {
         w.Table({{"1", "2"}, {"1e5000", "1"}});
       },
       "'1e5000' ist kein gültiger Gleitkommawert.",
       [](Window& w) {
         EXPECT_EQ(w.Points(), 1);
         EXPECT_EQ(w.Marks(), 1);
       }},
      {"beyond_double",
       [](Window& w) {
         w.Table({{"1e400", "1"}});
       },
       "Gleitkommaüberlauf.", [](Window& w) { EXPECT_EQ(w.Points(), 0); }},
      {"nan",
       [](Window& w) {
         w.Table({{"nan", "1"}});
       },
       "'nan' ist kein gültiger Gleitkommawert.", [](Window& w) { EXPECT_EQ(w.Points(), 0); }},
      {"inf",
       [](Window& w) {
         w.Table({{"1", "inf"}});
       },
       "'inf' ist kein gültiger Gleitkommawert.", [](Window& w) { EXPECT_EQ(w.Points(), 0); }},
      {"point_under_german_locale",
       [](Window& w) {
         platform::LoadLocale("de_DE.UTF-8");
         w.Table({{"1.5", "1"}});
       },
       "'1.5' ist kein gültiger Gleitkommawert.", [](Window& w) { EXPECT_EQ(w.Points(), 0); }},
      {"comma_under_german_locale",
       [](Window& w) {
         platform::LoadLocale("de_DE.UTF-8");
         w.Table({{"1,5", "-2,25e1"}});
       },
       "",
       [](Window& w) {
         ASSERT_EQ(w.Points(), 1);
         EXPECT_EQ(w.X(1), 1.5);
         EXPECT_EQ(w.Y(1), -22.5);
       }},
      {"thirteen_characters",
       [](Window& w) {
         w.TypeIntoCell(0, 1, "1234567890123");
         w.frm->WerteTabelleGrid->SetCell(1, 1, "1");
         w.frm->WerteUebernehmenBtn->click();
       },
       "",
       [](Window& w) {
         EXPECT_EQ(w.frm->WerteTabelleGrid->Cell(0, 1), "123456789012");
         ASSERT_EQ(w.Points(), 1);
         EXPECT_EQ(w.X(1), 123456789012.0);
       }},
      {"empty_y_cell",
       [](Window& w) {
         w.Table({{"1", "2"}, {"3", ""}});
       },
       "'' ist kein gültiger Gleitkommawert.",
       [](Window& w) {
         EXPECT_EQ(w.Points(), 1);
         EXPECT_EQ(w.Marks(), 1);
       }},
      {"empty_table", [](Window& w) { w.Table({}); }, "",
       [](Window& w) {
         EXPECT_EQ(w.warnings, std::vector<std::string>{"Tabelle ist leer"});
         EXPECT_EQ(w.Points(), 0);
       }},
      {"unicode_minus_typed",
       [](Window& w) {
         w.TypeIntoCell(0, 1, QString::fromUtf8("\u22123"));
         w.frm->WerteTabelleGrid->SetCell(1, 1, "-0,5e1");
         platform::LoadLocale("de_DE.UTF-8");
         w.frm->WerteUebernehmenBtn->click();
       },
       "",
       [](Window& w) {
         ASSERT_EQ(w.Points(), 1);
         EXPECT_EQ(w.X(1), -3);
         EXPECT_EQ(w.Y(1), -5);
       }},
      {"order_typed_25",
       [](Window& w) {
         w.Table({{"0", "1"}, {"1", "3"}, {"2", "5"}, {"3", "8"}});
         w.frm->BButPolynomial->click();
         w.TypeOrder("25");
       },
       "",
       [](Window& w) {
         EXPECT_EQ(w.frm->SEPolyOrder->Value(), 3);  // clamped to the points less one
         EXPECT_EQ(w.frm->SEPolyOrder->Text(), "3");
         EXPECT_EQ(w.CurveItems(), 201);
         EXPECT_NE(w.Params().find("k3="), std::string::npos);
         EXPECT_EQ(w.Params().find("k4="), std::string::npos);
       }},
      {"order_typed_minus_3",
       [](Window& w) {
         w.Table({{"0", "1"}, {"1", "3"}, {"2", "5"}});
         w.frm->BButPolynomial->click();
         w.TypeOrder("-3");
       },
       "",
       [](Window& w) {
         EXPECT_EQ(w.frm->SEPolyOrder->Value(), 1);
         EXPECT_EQ(w.Params(), "k0=1.000000  k1=2.000000  ");
       }},
      {"graph_xmax_1e400", [](Window& w) { w.ResetAxis("1e400", "5"); }, "Gleitkommaüberlauf.",
       [](Window& w) {
         EXPECT_EQ(w.frm->VArori1.Scale1X().RangeHigh(), 10);
         EXPECT_EQ(w.frm->VArori1.Scale1Y().RangeHigh(), 10);
       }},
      {"graph_xmax_minus_5", [](Window& w) { w.ResetAxis("-5", "5"); }, "",
       [](Window& w) {
         EXPECT_EQ(w.frm->VArori1.Scale1X().RangeLow(), 0);
         EXPECT_EQ(w.frm->VArori1.Scale1X().RangeHigh(), -5);
       }},
      {"graph_xmax_empty", [](Window& w) { w.ResetAxis("", "5"); }, "",
       [](Window& w) {
         EXPECT_EQ(w.frm->VArori1.Scale1X().RangeLow(), -1e-10);
         EXPECT_EQ(w.frm->VArori1.Scale1X().RangeHigh(), 0);
       }},
      {"graph_xmax_garbage", [](Window& w) { w.ResetAxis("x1", "5"); }, "",
       [](Window& w) { EXPECT_EQ(w.frm->VArori1.Scale1X().RangeHigh(), 0); }},
      {"click_far_outside_the_axes",
       [](Window& w) {
         w.ResetAxis("1e-300", "1e300");
         w.frm->SBNewPnts->click();
         w.Click({1, 1});
         w.Click({w.frm->VArori1Host->width() - 1, w.frm->VArori1Host->height() - 1});
       },
       "",
       [](Window& w) {
         ASSERT_EQ(w.Points(), 2);
         EXPECT_LT(w.X(1), 0);      // left of the axis: extrapolated
         EXPECT_GT(w.Y(1), 1e300);  // above it
         EXPECT_TRUE(std::isfinite(w.Y(1)));
         EXPECT_EQ(w.Marks(), 2);
       }},
      {"pan_to_1e300",
       [](Window& w) {
         w.ResetAxis("1e300", "1e300");
         w.Drag({300, 300}, {100, 100});
       },
       "",
       [](Window& w) {
         const auto& x = w.frm->VArori1.Scale1X();
         EXPECT_GT(x.RangeLow(), 0);
         EXPECT_TRUE(std::isfinite(x.RangeHigh()));
       }},
      {"pan_beyond_the_double_range",
       [](Window& w) {
         w.ResetAxis("1.7e308", "10");
         w.Drag({400, 300}, {60, 300});
       },
       "Gleitkommaüberlauf.",
       [](Window& w) {
         EXPECT_EQ(w.frm->VArori1.Scale1X().RangeLow(), 0);
         EXPECT_EQ(w.frm->VArori1.Scale1X().RangeHigh(), 1.7e308);
       }},
      {"spline_on_one_point",
       [](Window& w) {
         w.Table({{"1", "1"}});
         w.frm->BButSpline->click();
       },
       "CalcLinFit: not enough data points.",
       [](Window& w) {
         EXPECT_EQ(w.CurveItems(), 0);
         EXPECT_EQ(w.Points(), 1);
       }},
      {"spline_on_repeated_x",
       [](Window& w) {
         w.Table({{"1", "1"}, {"1", "2"}, {"2", "3"}});
         w.frm->BButSpline->click();
       },
       "PenalizedCubicSpline: two or more x-values are identical.",
       [](Window& w) { EXPECT_EQ(w.CurveItems(), 0); }},
      {"polynomial_on_no_points", [](Window& w) { w.frm->BButPolynomial->click(); }, "",
       [](Window& w) { EXPECT_EQ(w.Points(), 0); }},
  };
  rows.push_back(FitOn("lin_on_one_point", {{"1", "1"}}, &F::BButLinFit,
                       "CalcLinFit: not enough data points."));
  rows.push_back(FitOn("parabolic_on_two_points", {{"1", "1"}, {"2", "2"}}, &F::BButParabolFit,
                       "CalcParabolFit: not enough data points."));
  rows.push_back(FitOn("reciproc_on_a_zero_y", {{"1", "0"}, {"2", "2"}, {"3", "1"}},
                       &F::BButCalcReciprLine, "CalcReciLinFit: y values must not be zero."));
  rows.push_back(FitOn("log_on_a_zero_x", {{"0", "1"}, {"2", "2"}, {"3", "1"}}, &F::BButLogFit,
                       "CalcLogFit: x values must not be negative or zero."));
  rows.push_back(FitOn("reciprocal_log_on_a_negative_x", {{"-1", "1"}, {"2", "2"}, {"3", "1"}},
                       &F::SBRecipLog, "CalcReciLogFit: x values must not be negative or zero."));
  rows.push_back(FitOn("exponential_on_a_negative_y", {{"1", "-1"}, {"2", "2"}, {"3", "1"}},
                       &F::SBExpo, "CalcExponentialFit: y values must not be negative or zero."));
  rows.push_back(FitOn("lin_ill_conditioned", kIllConditioned, &F::BButLinFit, ""));
  rows.push_back(FitOn("parabolic_ill_conditioned", kIllConditioned, &F::BButParabolFit, ""));
  rows.push_back(FitOn("reciproc_ill_conditioned", kIllConditioned, &F::BButCalcReciprLine, ""));
  rows.push_back(FitOn("log_ill_conditioned", kIllConditioned, &F::BButLogFit, ""));
  rows.push_back(FitOn("reciprocal_log_ill_conditioned", kIllConditioned, &F::SBRecipLog, ""));
  rows.push_back(FitOn("polynomial_ill_conditioned", kIllConditioned, &F::BButPolynomial, ""));
  rows.push_back(FitOn("spline_ill_conditioned", kIllConditioned, &F::BButSpline, ""));
  return rows;
}

class BadInput : public ::testing::TestWithParam<Row> {};

TEST_P(BadInput, ShowsItsMessageAndKeepsTheStateConsistent) {
  const Row& row = GetParam();
  Window w;
  row.act(w);
  if (row.error.empty())
    EXPECT_TRUE(w.errors.empty()) << (w.errors.empty() ? "" : w.errors.front());
  else
    EXPECT_EQ(w.errors, std::vector<std::string>{row.error});
  row.check(w);

  // The export on close holds exactly the store's points.
  const int n = w.Points();
  std::vector<double> stored;
  for (int i = 1; i <= n; ++i) stored.insert(stored.end(), {w.X(i), w.Y(i)});
  w.errors.clear();
  w.frm->close();
  EXPECT_TRUE(w.errors.empty());
  std::ifstream in("veda.asc", std::ios::binary);
  std::string line;
  std::vector<std::string> lines;
  while (std::getline(in, line)) lines.push_back(line);
  ASSERT_EQ(int(lines.size()), 5 + n);
  for (int i = 0; i < n; ++i) {
    EXPECT_EQ(lines[5 + i], FormatFixedWidth(1, 6, stored[2 * i]) + "\t" +
                                FormatFixedWidth(1, 6, stored[2 * i + 1]) + "\r");
  }
}

INSTANTIATE_TEST_SUITE_P(Window, BadInput, ::testing::ValuesIn(Rows()),
                         [](const testing::TestParamInfo<Row>& info) { return info.param.name; });

}  // namespace
