#include <gtest/gtest.h>

#include <QAccessible>
#include <QApplication>
#include <QLabel>
#include <QMenuBar>
#include <QTest>
#include <QTimer>
#include <string>
#include <vector>

#include "app/form_hilfe.h"
#include "app/frm_main.h"
#include "app/message_boxes.h"
#include "app/user_guide.h"
#include "platform/qt/float_edit.h"
#include "platform/qt/host_widget.h"
#include "platform/qt/scroll_bar.h"
#include "platform/qt/speed_button.h"
#include "platform/qt/spin_edit.h"
#include "platform/qt/value_grid.h"
#include "tests/app/work_dir.h"

namespace {

std::string Describe(QAccessibleInterface* node) {
  QObject* o = node->object();
  const QString what = o ? QString::fromLatin1(o->metaObject()->className()) + " " + o->objectName()
                         : QStringLiteral("role %1").arg(int(node->role()));
  return what.toStdString();
}

// Walks what assistive technology sees and lists every object without a name. A table's cells
// are its data, named by their text; a label without text shows nothing yet, but must say what
// it will hold.
void CollectUnnamed(QAccessibleInterface* node, std::vector<std::string>& unnamed) {
  if (node->text(QAccessible::Name).trimmed().isEmpty() &&
      !(node->role() == QAccessible::StaticText && !node->text(QAccessible::Description).isEmpty()))
    unnamed.push_back(Describe(node));
  if (node->role() == QAccessible::Table) return;
  for (int i = 0; i < node->childCount(); ++i)
    if (QAccessibleInterface* child = node->child(i)) CollectUnnamed(child, unnamed);
}

class DesktopTest : public ::testing::Test {
 protected:
  TemporaryWorkDir workDir;
  DesktopTest() {
    SetErrorBoxHook([this](const std::string& t) { errors.push_back(t); });
    SetWarningBoxHook([this](const std::string& t) { warnings.push_back(t); });
    frm = std::make_unique<TFrmMain>();
    frm->show();
  }
  ~DesktopTest() override {
    SetErrorBoxHook(nullptr);
    SetWarningBoxHook(nullptr);
  }
  void Activate() {
    frm->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(frm.get()));
  }
  // The named control the focus is in (the spin edit's field counts as the spin edit).
  std::string Focused() {
    for (QWidget* w = QApplication::focusWidget(); w; w = w->parentWidget())
      if (!w->objectName().isEmpty()) return w->objectName().toStdString();
    return "(none)";
  }
  std::vector<std::string> errors, warnings;
  std::unique_ptr<TFrmMain> frm;
};

TEST_F(DesktopTest, EveryAccessibleObjectOfTheWindowAndTheAboutBoxHasAName) {
  std::vector<std::string> unnamed;
  CollectUnnamed(QAccessible::queryAccessibleInterface(frm.get()), unnamed);
  CollectUnnamed(QAccessible::queryAccessibleInterface(frm->FormHilfe), unnamed);
  EXPECT_EQ(unnamed, std::vector<std::string>{});
}

TEST_F(DesktopTest, HintsAreDescriptionsAndTheDisplaysSayWhatTheyShow) {
  auto text = [](QWidget* w, QAccessible::Text t) {
    return QAccessible::queryAccessibleInterface(w)->text(t).toStdString();
  };
  EXPECT_EQ(text(frm->SBNewPnts, QAccessible::Description), "Enter data points");
  EXPECT_EQ(text(frm->SBClear, QAccessible::Description), "Clear all data");
  EXPECT_EQ(text(frm->SBNewPnts, QAccessible::Name), "Test-Eingabe");
  auto* fitQual = frm->findChild<platform_qt::ControlHostWidget*>(QStringLiteral("NLabFitQual"));
  ASSERT_NE(fitQual, nullptr);
  for (QWidget* display : {static_cast<QWidget*>(frm->VArori1Host), static_cast<QWidget*>(fitQual),
                           static_cast<QWidget*>(frm->WerteTabelleGrid)}) {
    EXPECT_FALSE(text(display, QAccessible::Name).empty()) << display->objectName().toStdString();
    EXPECT_FALSE(text(display, QAccessible::Description).empty())
        << display->objectName().toStdString();
  }
  // The labels the commands fill are named by what they show.
  frm->LblParams->setText(QStringLiteral("k = 2"));
  EXPECT_EQ(text(frm->LblParams, QAccessible::Name), "k = 2");
}

TEST_F(DesktopTest, MenuMnemonicsOpenTheirCommands) {
  Activate();
  // Shown without the ampersand.
  EXPECT_EQ(QAccessible::queryAccessibleInterface(frm->menuBar())
                ->child(0)
                ->text(QAccessible::Name)
                .toStdString(),
            "Datei");
  QTest::keyClick(frm.get(), Qt::Key_D, Qt::AltModifier);
  EXPECT_TRUE(QTest::qWaitFor([&] { return frm->Datei1->isVisible(); }, 1000));
  frm->Datei1->close();
  QTest::keyClick(frm.get(), Qt::Key_H, Qt::AltModifier);
  ASSERT_NE(frm->Guide, nullptr);
  EXPECT_TRUE(frm->Guide->isVisible());
  frm->Guide->close();

  bool aboutShown = false;
  QTimer::singleShot(0, [&] {
    aboutShown = QApplication::activeModalWidget() == frm->FormHilfe;
    frm->FormHilfe->Button1->click();
  });
  QTest::keyClick(frm.get(), Qt::Key_I, Qt::AltModifier);
  EXPECT_TRUE(aboutShown);
}

TEST_F(DesktopTest, TabWalksThePanelsInReadingOrder) {
  Activate();
  frm->SEPolyOrder->setEnabled(true);
  frm->SBNewPnts->setFocus();
  std::vector<std::string> seen{Focused()};
  while (seen.back() != "WerteTabelleGrid" && seen.size() < 30) {
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    seen.push_back(Focused());
  }
  // The table keeps Tab for its cells; from its buttons on the order goes round.
  frm->BitBtn2->setFocus();
  for (int i = 0; i < 3; ++i) {
    seen.push_back(Focused());
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
  }
  EXPECT_EQ(seen, (std::vector<std::string>{"SBNewPnts", "SBClear", "BButLinFit", "BButLogFit",
                                            "BButParabolFit", "BButCalcReciprLine", "SBRecipLog",
                                            "SBExpo", "BButPolynomial", "SEPolyOrder", "BButSpline",
                                            "SBarSmoothSpline", "GraphXmaxEdit", "GraphYmaxEdit",
                                            "ResetAxisButton", "WerteTabelleGrid", "BitBtn2",
                                            "WerteUebernehmenBtn", "SBNewPnts"}));
}

TEST_F(DesktopTest, SpacePressesAModelButtonAndAClickLeavesTheFocusInTheEdit) {
  Activate();
  for (auto [x, y] : {std::pair{1.0, 2.0}, {2.0, 4.5}, {3.0, 5.5}}) frm->Stats1.AddPoint(x, y);
  frm->BButLinFit->setFocus();
  QTest::keyClick(frm->BButLinFit, Qt::Key_Space);
  EXPECT_TRUE(frm->BButLinFit->Down());
  EXPECT_TRUE(frm->LblFormula->isVisible());
  EXPECT_TRUE(errors.empty());

  frm->GraphXmaxEdit->setFocus();
  QTest::mouseClick(frm->BButParabolFit, Qt::LeftButton);
  EXPECT_TRUE(frm->BButParabolFit->Down());
  EXPECT_FALSE(frm->BButLinFit->Down());
  EXPECT_EQ(Focused(), "GraphXmaxEdit");
}

}  // namespace
