#include "app/frm_main.h"
#include "platform/qt/host_widget.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <stdexcept>
#include <string>
#include <vector>

#include "app/form_hilfe.h"
#include "app/message_boxes.h"
#include "platform/locale.h"
#include "platform/qt/float_edit.h"
#include "platform/qt/panel.h"
#include "platform/qt/scroll_bar.h"
#include "platform/qt/speed_button.h"
#include "platform/qt/spin_edit.h"
#include "platform/qt/value_grid.h"
#include "tests/app/work_dir.h"

namespace {

struct BoxRecorder {
  BoxRecorder() {
    SetErrorBoxHook([this](const std::string& t) { errors.push_back(t); });
    SetWarningBoxHook([this](const std::string& t) { warnings.push_back(t); });
  }
  ~BoxRecorder() {
    SetErrorBoxHook(nullptr);
    SetWarningBoxHook(nullptr);
  }
  std::vector<std::string> errors;
  std::vector<std::string> warnings;
};

class FrmMainTest : public ::testing::Test {
 protected:
  TemporaryWorkDir workDir;
  FrmMainTest() {
    // Commands that fail on the empty store show their message here, not in a modal box.
    SetErrorBoxHook([this](const std::string& t) { errors.push_back(t); });
    platform::LoadLocale("de_DE.UTF-8");
    frm = std::make_unique<TFrmMain>();
    frm->show();
  }
  ~FrmMainTest() override {
    SetErrorBoxHook(nullptr);
    platform::LoadLocale("C");
  }
  std::vector<std::string> errors;
  std::unique_ptr<TFrmMain> frm;
};

TEST_F(FrmMainTest, StartsWithItsCaptionAndDesignSize) {
  EXPECT_EQ(frm->windowTitle().toStdString(), "      Ravelon V0.7    -    Univariante Regression");
  EXPECT_EQ(frm->size(), QSize(841, 657));
  EXPECT_EQ(frm->minimumSize(), QSize(841, 657));
  frm->resize(600, 400);
  EXPECT_EQ(frm->size(), QSize(841, 657));
  EXPECT_EQ(frm->font().family(), "Arial");
  EXPECT_EQ(frm->font().pixelSize(), 13);
}

struct Placement {
  const char* name;
  const char* parent;
  QRect bounds;
};

TEST_F(FrmMainTest, EveryControlSitsInItsPanelAtItsPlace) {
  const Placement placements[] = {
      {"SBNewPnts", "Panel3", {19, 1, 125, 39}},
      {"SBClear", "Panel3", {144, 1, 125, 39}},
      {"NLabFitQual", "Panel3", {608, 8, 193, 22}},
      {"LblFormula", "Panel1", {99, 6, 726, 22}},
      {"LblParams", "Panel1", {99, 41, 726, 16}},
      {"BButLinFit", "Panel2", {8, 10, 80, 26}},
      {"BButLogFit", "Panel2", {92, 10, 80, 26}},
      {"BButParabolFit", "Panel2", {176, 10, 80, 26}},
      {"BButCalcReciprLine", "Panel2", {8, 40, 80, 26}},
      {"SBRecipLog", "Panel2", {92, 40, 80, 26}},
      {"SBExpo", "Panel2", {177, 40, 80, 26}},
      {"BButPolynomial", "Panel2", {8, 86, 80, 26}},
      {"SEPolyOrder", "Panel2", {100, 87, 57, 26}},
      {"BButSpline", "Panel2", {9, 128, 80, 26}},
      {"SBarSmoothSpline", "Panel2", {100, 130, 109, 24}},
      {"GraphXmaxEdit", "Panel2", {8, 192, 80, 24}},
      {"GraphYmaxEdit", "Panel2", {102, 192, 80, 24}},
      {"ResetAxisButton", "Panel2", {192, 178, 65, 41}},
      {"WerteTabelleGrid", "Panel2", {8, 245, 249, 212}},
      {"BitBtn2", "Panel2", {10, 462, 89, 25}},
      {"WerteUebernehmenBtn", "Panel2", {112, 462, 145, 25}},
  };
  for (const auto& p : placements) {
    auto* w = frm->findChild<QWidget*>(QString::fromLatin1(p.name));
    ASSERT_NE(w, nullptr) << p.name;
    EXPECT_EQ(w->parentWidget()->objectName().toStdString(), p.parent) << p.name;
    EXPECT_EQ(w->geometry(), p.bounds) << p.name;
  }
  EXPECT_EQ(frm->Label1->pos(), QPoint(17, 17));
  EXPECT_EQ(frm->LblSmoothSpline->pos(), QPoint(212, 126));
  EXPECT_EQ(frm->Label2->pos(), QPoint(8, 226));
  EXPECT_EQ(frm->LblPolyOrder->geometry().right() + 1, 229);
  EXPECT_EQ(frm->LblPolyOrder->y(), 92);
  EXPECT_EQ(frm->GraphXmaxEditLabel->x(), 8);
  EXPECT_EQ(frm->GraphXmaxEditLabel->geometry().bottom() + 1 + 3, 192);

  const int clientWidth = frm->centralWidget()->width();
  EXPECT_EQ(frm->Panel3->geometry(), QRect(0, 0, clientWidth, 41));
  EXPECT_EQ(frm->Panel1->geometry(), QRect(0, 41, clientWidth, 64));
  EXPECT_EQ(frm->Panel2->geometry(),
            QRect(clientWidth - 270, 105, 270, frm->centralWidget()->height() - 105));
  const QRect chartArea(0, 105, clientWidth - 270, frm->centralWidget()->height() - 105);
  EXPECT_EQ(frm->VArori1Host->geometry(), chartArea);
  EXPECT_EQ(
      QRect(frm->VArori1.Left(), frm->VArori1.Top(), frm->VArori1.Width(), frm->VArori1.Height()),
      chartArea);
}

TEST_F(FrmMainTest, CaptionsFontsAndHints) {
  struct Caption {
    QAbstractButton* button;
    const char* text;
  };
  const Caption captions[] = {
      {frm->SBNewPnts, "Test-Eingabe"},
      {frm->SBClear, "Grafik Clear"},
      {frm->BButLinFit, "Lin"},
      {frm->BButLogFit, "Log"},
      {frm->BButParabolFit, "Parabolic"},
      {frm->BButCalcReciprLine, "Reciproc"},
      {frm->SBRecipLog, "Recip.Log."},
      {frm->SBExpo, "Expon."},
      {frm->BButPolynomial, "Polynom"},
      {frm->BButSpline, "Spline"},
      {frm->ResetAxisButton, "Reset\nAxis"},
      {frm->BitBtn2, "Clear Table"},
      {frm->WerteUebernehmenBtn, "Werte übernehmen"},
  };
  for (const auto& c : captions) EXPECT_EQ(c.button->text(), QString::fromUtf8(c.text));
  EXPECT_EQ(frm->SBNewPnts->toolTip(), "Enter data points");
  EXPECT_EQ(frm->SBClear->toolTip(), "Clear all data");
  EXPECT_EQ(frm->SBNewPnts->iconSize(), QSize(21, 21));
  EXPECT_EQ(frm->SBNewPnts->font().family(), "Tahoma");
  EXPECT_EQ(frm->Label1->text(), "Result:");
  EXPECT_EQ(frm->Label1->font().pixelSize(), 20);
  EXPECT_EQ(frm->LblFormula->text(), "y = kx + d");
  EXPECT_EQ(frm->LblFormula->font().pixelSize(), 17);
  EXPECT_EQ(frm->LblPolyOrder->text(), "Poly.-Order");
  EXPECT_EQ(frm->LblSmoothSpline->text(), "Smoot\nFactor");
  EXPECT_EQ(frm->GraphXmaxEditLabel->text(), "Graph Xmax");
  EXPECT_EQ(frm->GraphYmaxEditLabel->text(), "Graph Ymax");
  EXPECT_EQ(frm->Label2->text(), "Wertetabelle (manuelle Eingabe)");
  EXPECT_EQ(frm->Panel1->Color(), platform::clWhite);
  EXPECT_EQ(frm->WerteTabelleGrid->Cell(0, 0), "X");
  EXPECT_EQ(frm->WerteTabelleGrid->Cell(1, 0), "Y");
  EXPECT_EQ(frm->WerteTabelleGrid->RowCount(), 25);
  EXPECT_EQ(frm->WerteTabelleGrid->columnWidth(0), 116);
  for (auto* b : frm->ModelButtons()) {
    EXPECT_EQ(b->GroupIndex(), 99);
    EXPECT_TRUE(b->AllowAllUp());
  }
  EXPECT_EQ(frm->SBNewPnts->GroupIndex(), 98);
  EXPECT_EQ(frm->SBClear->GroupIndex(), 0);
}

TEST_F(FrmMainTest, StartState) {
  EXPECT_EQ(frm->Stats1.NumPoints(), 0);
  EXPECT_FALSE(frm->LblFormula->isVisible());
  EXPECT_TRUE(frm->LblParams->isVisible());
  EXPECT_TRUE(frm->LblParams->text().isEmpty());
  EXPECT_TRUE(frm->SBarSmoothSpline->isEnabled());
  EXPECT_EQ(frm->SBarSmoothSpline->Position(), 1000);
  EXPECT_FALSE(frm->LblSmoothSpline->isEnabled());
  EXPECT_FALSE(frm->SEPolyOrder->isEnabled());
  EXPECT_FALSE(frm->LblPolyOrder->isEnabled());
  EXPECT_EQ(frm->SEPolyOrder->Value(), 1);
  EXPECT_EQ(frm->SEPolyOrder->MinValue(), 1);
  EXPECT_EQ(frm->SEPolyOrder->MaxValue(), 9);
  for (auto* b : frm->ModelButtons()) EXPECT_FALSE(b->Down()) << b->text().toStdString();
  EXPECT_FALSE(frm->SBNewPnts->Down());
  EXPECT_EQ(frm->GraphXmaxEdit->text(), "10,00");
  EXPECT_EQ(frm->GraphYmaxEdit->Value(), 10.0);
  EXPECT_EQ(frm->FormHilfe->isVisible(), false);

  frm->PrepareModelControls();
  EXPECT_FALSE(frm->SBarSmoothSpline->isEnabled());
}

TEST_F(FrmMainTest, ModelButtonsAreExclusiveAndMayAllBeUp) {
  frm->BButLinFit->click();
  frm->SBExpo->click();
  int down = 0;
  for (auto* b : frm->ModelButtons()) down += b->Down();
  EXPECT_EQ(down, 1);
  EXPECT_TRUE(frm->SBExpo->Down());
  frm->SBExpo->click();
  EXPECT_FALSE(frm->SBExpo->Down());
  frm->SBNewPnts->click();
  EXPECT_TRUE(frm->SBNewPnts->Down());
  frm->BButLinFit->click();  // a model command leaves data entry
  EXPECT_FALSE(frm->SBNewPnts->Down());
  EXPECT_TRUE(frm->BButLinFit->Down());
}

TEST_F(FrmMainTest, OrderLimitAfterTheFirstPointKeepsOrderOneWithoutACommand) {
  int commands = 0;
  frm->PolynomialCommand = [&] { ++commands; };
  frm->Stats1.AddPoint(1, 2);
  frm->UpdateOrderLimit();
  EXPECT_EQ(frm->SEPolyOrder->MaxValue(), 0);
  EXPECT_EQ(frm->SEPolyOrder->Value(), 1);
  EXPECT_EQ(frm->SEPolyOrder->Text(), "1");
  EXPECT_EQ(commands, 0);
}

TEST_F(FrmMainTest, AClampThatChangesTheOrderRunsThePolynomialCommandInside) {
  frm->SEPolyOrder->SetValue(5);
  frm->Stats1.ClearData();
  bool insideUpdate = false;
  std::vector<std::string> seen;
  frm->PolynomialCommand = [&] {
    seen.push_back(frm->SEPolyOrder->Text().toStdString() + (insideUpdate ? " inside" : ""));
  };
  frm->Stats1.AddPoint(1, 2);
  insideUpdate = true;
  frm->UpdateOrderLimit();
  insideUpdate = false;
  EXPECT_EQ(frm->SEPolyOrder->MaxValue(), 0);
  EXPECT_EQ(seen, std::vector<std::string>{"1 inside"});

  // An error of that command ends the handler that ran the order limit.
  frm->SEPolyOrder->SetMaxValue(9);
  frm->SEPolyOrder->SetValue(4);
  frm->Stats1.AddPoint(2, 3);
  frm->PolynomialCommand = [] { throw std::runtime_error("CalcPolynomialFit: failed"); };
  EXPECT_THROW(frm->UpdateOrderLimit(), std::runtime_error);
  EXPECT_EQ(frm->SEPolyOrder->Value(), 1);
}

TEST_F(FrmMainTest, AfterTwelvePointsTheOrderLimitStaysEight) {
  for (int i = 0; i < 12; ++i) {
    frm->Stats1.AddPoint(i, i * i);
    frm->UpdateOrderLimit();
    EXPECT_EQ(frm->SEPolyOrder->MaxValue(), std::min(i, 8)) << i;
  }
  frm->Stats1.ClearData();
  EXPECT_EQ(frm->SEPolyOrder->MaxValue(), 8);
  frm->Stats1.AddPoint(1, 1);
  frm->UpdateOrderLimit();
  EXPECT_EQ(frm->SEPolyOrder->MaxValue(), 0);
}

TEST(ErrorBoxText, AppendsAFullStopAfterACharacterAboveIt) {
  const std::pair<const char*, const char*> cases[] = {
      {"CalcLinFit: not enough data points", "CalcLinFit: not enough data points."},
      {"'abc' ist kein gültiger Gleitkommawert", "'abc' ist kein gültiger Gleitkommawert."},
      {"Ende.", "Ende."},
      {"Wert 5", "Wert 5."},
      {"Wert -", "Wert -"},
      {"(a)", "(a)"},
      {"Gleitkommaüberlauf", "Gleitkommaüberlauf."},
      {"", ""},
  };
  for (const auto& [message, shown] : cases) EXPECT_EQ(ErrorBoxText(message), shown);
}

TEST_F(FrmMainTest, AnErrorThatEndsAUserEventIsShownInTheErrorBox) {
  BoxRecorder boxes;
  frm->SEPolyOrder->setEnabled(true);
  frm->PolynomialCommand = [] { throw std::runtime_error("CalcPolynomialFit: not enough data"); };
  QTest::keyClicks(frm->SEPolyOrder->Editor(), "3");
  EXPECT_EQ(boxes.errors, std::vector<std::string>{"CalcPolynomialFit: not enough data."});
  EXPECT_EQ(frm->SEPolyOrder->Text(), "13");
}

TEST_F(FrmMainTest, TheWarningBoxLeavesTheMainWindowUsable) {
  ASSERT_TRUE(QTest::qWaitForWindowExposed(frm.get()));
  bool checkedWhileOpen = false;
  std::vector<std::string> errorsWhileOpen;
  QTimer::singleShot(0, [&] {
    QMessageBox* box = nullptr;
    for (auto* w : QApplication::topLevelWidgets())
      if (auto* b = qobject_cast<QMessageBox*>(w); b && b->isVisible()) box = b;
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(box->text(), "Tabelle ist leer");
    EXPECT_TRUE(box->windowTitle().trimmed().isEmpty());
    EXPECT_EQ(box->icon(), QMessageBox::Warning);
    EXPECT_TRUE(box->windowFlags() & Qt::WindowStaysOnTopHint);
    EXPECT_EQ(box->parentWidget(), nullptr);
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
    QTest::mouseClick(frm->SBNewPnts, Qt::LeftButton);
    EXPECT_TRUE(frm->SBNewPnts->Down());
    // A handler run from the box's loop is outermost again: its error is shown, not thrown
    // through the loop into the handler that opened the box.
    SetErrorBoxHook([&](const std::string& t) { errorsWhileOpen.push_back(t); });
    frm->SEPolyOrder->setEnabled(true);
    frm->PolynomialCommand = [] { throw std::runtime_error("nested"); };
    QTest::keyClicks(frm->SEPolyOrder->Editor(), "2");
    SetErrorBoxHook(nullptr);
    checkedWhileOpen = true;
    box->button(QMessageBox::Ok)->click();
  });
  frm->WerteUebernehmenBtn->click();  // the empty table's warning
  EXPECT_TRUE(checkedWhileOpen);
  EXPECT_TRUE(frm->SBNewPnts->Down());
  EXPECT_EQ(errorsWhileOpen, std::vector<std::string>{"nested."});
}

TEST_F(FrmMainTest, AnOpenWarningBoxDoesNotKeepTheProgramAliveWhenTheMainWindowCloses) {
  ASSERT_TRUE(QTest::qWaitForWindowExposed(frm.get()));
  bool warningReturned = false;
  bool userHadToCloseTheBox = false;
  // Should the box keep the program alive, the user closes it after a while.
  QTimer userClosesTheBox;
  userClosesTheBox.setSingleShot(true);
  QObject::connect(&userClosesTheBox, &QTimer::timeout, [&] {
    userHadToCloseTheBox = true;
    for (auto* w : QApplication::topLevelWidgets())
      if (auto* b = qobject_cast<QMessageBox*>(w); b && b->isVisible())
        b->button(QMessageBox::Ok)->click();
  });
  QTimer::singleShot(0, [&] {
    QTimer::singleShot(0, [&] {
      frm->close();
      userClosesTheBox.start(1000);
    });
    frm->WerteUebernehmenBtn->click();
    warningReturned = true;
  });
  QApplication::exec();
  userClosesTheBox.stop();
  EXPECT_TRUE(warningReturned);
  EXPECT_FALSE(userHadToCloseTheBox);
}

TEST(ShowErrorBox, ShowsAModalErrorBoxWithTheProgramsTitle) {
  bool inspected = false;
  QTimer::singleShot(0, [&] {
    auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(box->windowTitle(), "Ravelon");
    EXPECT_EQ(box->icon(), QMessageBox::Critical);
    EXPECT_EQ(box->text(), "CalcLinFit: not enough data points.");
    EXPECT_EQ(box->windowModality(), Qt::ApplicationModal);
    inspected = true;
    box->button(QMessageBox::Ok)->click();
  });
  ShowErrorBox(std::runtime_error("CalcLinFit: not enough data points"));
  EXPECT_TRUE(inspected);
}

TEST_F(FrmMainTest, TheMenuHoldsItsCommandsInTheirOrderWithTheirKeys) {
  ASSERT_EQ(frm->menuBar()->actions().size(), 4);
  EXPECT_EQ(frm->menuBar()->actions()[0]->text().remove(QLatin1Char('&')), "Datei");
  EXPECT_EQ(frm->menuBar()->actions()[1]->text().remove(QLatin1Char('&')), "Auswertung");
  EXPECT_EQ(frm->menuBar()->actions()[2], frm->Hilfe1);
  EXPECT_EQ(frm->menuBar()->actions()[3], frm->Info1);
  std::vector<std::string> items;
  for (auto* a : frm->Datei1->actions()) items.push_back(a->text().toStdString());
  EXPECT_EQ(items, (std::vector<std::string>{"Ergebnis an Clipboard", "Werte-Tabelle speichern",
                                             "Werte-Tabelle laden", "Zuletzt geöffnet",
                                             "Bild speichern \u2026", "Ende"}));
  items.clear();
  for (auto* a : frm->Auswertung1->actions()) items.push_back(a->text().toStdString());
  EXPECT_EQ(items, (std::vector<std::string>{"Statistik", "B\u00e4nder zeigen", "Residuen",
                                             "Modellvergleich"}));
  const std::pair<QAction*, const char*> keys[] = {{frm->ErgebnisAnClipboard, "Ctrl+Shift+C"},
                                                   {frm->WerteTabellespeichern1, "Ctrl+S"},
                                                   {frm->WerteTabelleladen1, "Ctrl+O"},
                                                   {frm->BildSpeichern1, "Ctrl+Shift+S"},
                                                   {frm->Statistik1, "Ctrl+R"},
                                                   {frm->BaenderZeigen1, "Ctrl+B"},
                                                   {frm->Residuen1, "Ctrl+E"},
                                                   {frm->Modellvergleich1, "Ctrl+M"},
                                                   {frm->Hilfe1, "F1"}};
  for (const auto& [action, key] : keys)
    EXPECT_EQ(action->shortcut().toString().toStdString(), key) << action->text().toStdString();
}

TEST_F(FrmMainTest, InfoShowsTheSameAboutBoxModallyEachTime) {
  ASSERT_TRUE(QTest::qWaitForWindowExposed(frm.get()));
  std::vector<TFormHilfe*> shown;
  auto closeIt = [&] {
    auto* box = dynamic_cast<TFormHilfe*>(QApplication::activeModalWidget());
    ASSERT_NE(box, nullptr);
    shown.push_back(box);
    EXPECT_EQ(box->windowTitle(), "FormHilfe");
    EXPECT_EQ(box->size(), QSize(325, 374));
    EXPECT_EQ(box->Label1->text(), "Ravelon\nUnivariante Regression");
    EXPECT_TRUE(box->Label3->text().startsWith("Version 0.7\n\n"));
    EXPECT_LE(box->Label3->heightForWidth(box->Label3->width()), box->Label3->height());
    EXPECT_EQ(box->Button1->text(), "Close");
    EXPECT_EQ(box->Button1->geometry(), QRect(128, 312, 75, 25));
    box->Button1->click();
  };
  QTimer::singleShot(0, closeIt);
  frm->Info1->trigger();
  QTimer::singleShot(0, closeIt);
  frm->Info1->trigger();
  ASSERT_EQ(shown.size(), 2u);
  EXPECT_EQ(shown[0], shown[1]);
  EXPECT_EQ(shown[0], frm->FormHilfe);
  EXPECT_FALSE(frm->FormHilfe->isVisible());
}

TEST_F(FrmMainTest, EndeClosesTheWindow) {
  frm->Ende1->trigger();
  EXPECT_FALSE(frm->isVisible());
}

TEST_F(FrmMainTest, TheTableFollowsTheBottomEdgeAndStretches) {
  frm->resize(900, 757);
  QApplication::processEvents();
  EXPECT_EQ(frm->WerteTabelleGrid->geometry(), QRect(8, 245, 249, 312));
  EXPECT_EQ(frm->BitBtn2->pos(), QPoint(10, 562));
  EXPECT_EQ(frm->WerteUebernehmenBtn->pos(), QPoint(112, 562));
  EXPECT_EQ(frm->Label2->pos(), QPoint(8, 226));
  EXPECT_EQ(frm->Panel2->width(), 270);
  frm->resize(841, 657);
  QApplication::processEvents();
  EXPECT_EQ(frm->WerteTabelleGrid->geometry(), QRect(8, 245, 249, 212));
}

TEST_F(FrmMainTest, ClearTableEmptiesTheDataCellsOnly) {
  frm->WerteTabelleGrid->SetCell(0, 1, "1,5");
  frm->WerteTabelleGrid->SetCell(1, 24, "3");
  frm->Stats1.AddPoint(1, 1);
  frm->BitBtn2->click();
  EXPECT_EQ(frm->WerteTabelleGrid->Cell(0, 1), "");
  EXPECT_EQ(frm->WerteTabelleGrid->Cell(1, 24), "");
  EXPECT_EQ(frm->WerteTabelleGrid->Cell(0, 0), "X");
  EXPECT_EQ(frm->Stats1.NumPoints(), 1);
}

}  // namespace
