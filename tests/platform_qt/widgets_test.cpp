#include <gtest/gtest.h>

#include <QApplication>
#include <QFocusEvent>
#include <QHeaderView>
#include <QLineEdit>
#include <QScrollBar>
#include <QTest>
#include <QToolButton>
#include <stdexcept>
#include <string>
#include <vector>

#include "base/float_check.h"
#include "platform/locale.h"
#include "platform/qt/event_dispatch.h"
#include "platform/qt/float_edit.h"
#include "platform/qt/panel.h"
#include "platform/qt/scroll_bar.h"
#include "platform/qt/speed_button.h"
#include "platform/qt/spin_edit.h"
#include "platform/qt/value_grid.h"

using namespace platform_qt;

namespace {

struct ReportedErrors {
  ReportedErrors() {
    SetErrorReporter([this](const std::exception& e) { messages.push_back(e.what()); });
  }
  ~ReportedErrors() { SetErrorReporter(nullptr); }
  std::vector<std::string> messages;
};

// Shows the window and waits until it is active, so that focus and key events reach it.
bool ShowActive(QWidget& window) {
  window.show();
  window.activateWindow();
  return QTest::qWaitForWindowActive(&window);
}

// A key press that only carries text, as a keyboard layout or an input method sends it.
void TypeText(QWidget* widget, const QString& text) {
  QTest::sendKeyEvent(QTest::Press, widget, Qt::Key_unknown, text, Qt::NoModifier);
  QTest::sendKeyEvent(QTest::Release, widget, Qt::Key_unknown, text, Qt::NoModifier);
}

TEST(SpeedButton, APressTogglesReleasesTheGroupAndThenFires) {
  QWidget parent;
  SpeedButton a(&parent), b(&parent), other(&parent), plain(&parent);
  for (auto* s : {&a, &b}) {
    s->SetGroupIndex(99);
    s->SetAllowAllUp(true);
  }
  other.SetGroupIndex(98);
  other.SetAllowAllUp(true);
  std::vector<std::string> seen;
  auto record = [&](const char* name) {
    return [&, name] {
      seen.push_back(std::string(name) + (a.Down() ? " a" : "") + (b.Down() ? " b" : "") +
                     (other.Down() ? " o" : "") + (plain.Down() ? " p" : ""));
    };
  };
  a.OnClick = record("A");
  b.OnClick = record("B");
  other.OnClick = record("O");
  plain.OnClick = record("P");

  other.click();
  a.click();
  b.click();
  b.click();
  plain.click();
  EXPECT_EQ(seen, (std::vector<std::string>{"O o", "A a o", "B b o", "B o", "P o"}));

  seen.clear();
  a.SetDown(true);
  b.SetDown(true);
  EXPECT_FALSE(a.Down());
  EXPECT_TRUE(b.Down());
  b.SetDown(false);
  EXPECT_FALSE(b.Down());
  EXPECT_TRUE(seen.empty());

  other.SetAllowAllUp(false);
  other.click();
  EXPECT_TRUE(other.Down());
}

TEST(SpeedButton, APressLeavesOtherButtonsOfTheParentAlone) {
  QWidget parent;
  auto* plain = new QPushButton(&parent);
  plain->setCheckable(true);
  plain->setChecked(true);
  auto* a = new SpeedButton(&parent);
  a->SetGroupIndex(1);
  // Only speed buttons take part in a group; the plain button must not even be looked at as one.
  EXPECT_EQ(parent.findChildren<SpeedButton*>(), QList<SpeedButton*>{a});
  a->click();
  EXPECT_TRUE(a->Down());
  EXPECT_TRUE(plain->isChecked());
}

TEST(SpeedButton, AnErrorInThePressEventIsReportedAtTheDispatch) {
  ReportedErrors errors;
  SpeedButton button;
  button.OnClick = [] { throw std::runtime_error("press failed"); };
  button.click();
  EXPECT_EQ(errors.messages, std::vector<std::string>{"press failed"});
}

TEST(SpinEdit, SettingTheValueClampsWithTheMinimumWinningAndFiresOnTextChanges) {
  SpinEdit spin;
  spin.SetMinValue(1);
  spin.SetMaxValue(9);
  int changes = 0;
  spin.OnChange = [&] { ++changes; };
  spin.SetValue(5);
  EXPECT_EQ(spin.Text(), "5");
  EXPECT_EQ(changes, 1);
  spin.SetValue(5);
  EXPECT_EQ(changes, 1);
  spin.SetValue(12);
  EXPECT_EQ(spin.Value(), 9);
  spin.SetValue(-4);
  EXPECT_EQ(spin.Value(), 1);
  EXPECT_EQ(changes, 3);

  spin.SetMaxValue(0);
  EXPECT_EQ(spin.MinValue(), 1);
  spin.SetValue(spin.MaxValue());
  EXPECT_EQ(spin.Text(), "1");
  EXPECT_EQ(changes, 3);
  spin.SetValue(5);
  spin.SetValue(0);
  EXPECT_EQ(spin.Text(), "1");

  spin.SetText("");
  EXPECT_EQ(spin.Value(), 1);
  spin.SetText("x7");
  EXPECT_EQ(spin.Value(), 1);
  spin.SetText(" 42");
  EXPECT_EQ(spin.Value(), 42);
}

TEST(SpinEdit, AChangeByCodeIsADirectCallAndAUserChangeGoesThroughTheDispatch) {
  ReportedErrors errors;
  SpinEdit spin;
  spin.SetMinValue(1);
  spin.SetMaxValue(99);
  spin.SetValue(3);
  spin.OnChange = [&] { throw std::runtime_error("change " + spin.Text().toStdString()); };
  EXPECT_THROW(spin.SetValue(4), std::runtime_error);
  EXPECT_TRUE(errors.messages.empty());

  spin.show();
  QTest::keyClicks(spin.Editor(), "7");
  EXPECT_EQ(errors.messages, std::vector<std::string>{"change 47"});
  spin.UpButton()->click();
  EXPECT_EQ(errors.messages.back(), "change 48");
  QTest::keyClick(spin.Editor(), Qt::Key_Down);
  EXPECT_EQ(errors.messages.back(), "change 47");
}

TEST(SpinEdit, UpAndDownKeepWithinTheBounds) {
  SpinEdit spin;
  spin.SetMinValue(1);
  spin.SetMaxValue(3);
  spin.SetValue(2);
  spin.show();
  spin.UpButton()->click();
  spin.UpButton()->click();
  EXPECT_EQ(spin.Value(), 3);
  for (int i = 0; i < 4; ++i) spin.DownButton()->click();
  EXPECT_EQ(spin.Value(), 1);

  // A typed number at the end of the integer range steps to the bound, not round the range.
  spin.SetText(QStringLiteral("2147483647"));
  spin.UpButton()->click();
  EXPECT_EQ(spin.Text(), "3");
  spin.SetText(QStringLiteral("-2147483648"));
  spin.DownButton()->click();
  EXPECT_EQ(spin.Text(), "1");
}

TEST(SpinEdit, TypedTextOutsideTheBoundsIsClampedWhenTheEditLosesTheFocus) {
  struct Case {
    const char* typed;
    const char* shown;  // after the focus went elsewhere
  };
  const Case cases[] = {{"25", "9"}, {"-3", "1"},  {"257", "9"},
                        {"7", "7"},  {"+7", "+7"}, {"99999999999999999999", "9"},
                        {"-", "-"},  {"", ""},     {"-99999999999999999999", "1"}};
  QWidget window;
  SpinEdit spin(&window);
  QLineEdit other(&window);
  spin.move(0, 0);
  other.move(0, 40);
  spin.SetMinValue(1);
  spin.SetMaxValue(9);
  spin.SetValue(5);
  ASSERT_TRUE(ShowActive(window));
  std::vector<QString> changes;
  spin.OnChange = [&] { changes.push_back(spin.Text()); };
  for (const Case& c : cases) {
    spin.Editor()->setFocus();
    spin.Editor()->selectAll();
    QTest::keyClick(spin.Editor(), Qt::Key_Delete);
    if (*c.typed) QTest::keyClicks(spin.Editor(), c.typed);
    // While the user types, the text is what was typed.
    EXPECT_EQ(spin.Text(), c.typed);
    changes.clear();
    other.setFocus();
    EXPECT_EQ(spin.Text(), c.shown) << c.typed;
    // The clamp is a change of text and fires the change event with the new text.
    const std::vector<QString> expected =
        QString(c.shown) == c.typed ? std::vector<QString>{} : std::vector<QString>{c.shown};
    EXPECT_EQ(changes, expected) << c.typed;
  }

  // The edit's context menu takes the focus for a moment: no clamp yet.
  spin.Editor()->setFocus();
  spin.Editor()->clear();
  QTest::keyClicks(spin.Editor(), "44");
  QFocusEvent toMenu(QEvent::FocusOut, Qt::PopupFocusReason);
  QApplication::sendEvent(spin.Editor(), &toMenu);
  EXPECT_EQ(spin.Text(), "44");

  // The minus sign U+2212 keeps its meaning: "−3" is below the minimum, not 3.
  spin.Editor()->setFocus();
  spin.Editor()->clear();
  TypeText(spin.Editor(), QStringLiteral("\u22123"));
  EXPECT_EQ(spin.Text(), "-3");
  other.setFocus();
  EXPECT_EQ(spin.Text(), "1");
}

TEST(SpinEdit, AnErrorInTheChangeEventOfTheClampIsReportedAtTheDispatch) {
  ReportedErrors errors;
  QWidget window;
  SpinEdit spin(&window);
  QLineEdit other(&window);
  other.move(0, 40);
  spin.SetMinValue(1);
  spin.SetMaxValue(9);
  ASSERT_TRUE(ShowActive(window));
  spin.Editor()->setFocus();
  spin.Editor()->clear();
  QTest::keyClicks(spin.Editor(), "50");
  spin.OnChange = [&] { throw std::runtime_error("change " + spin.Text().toStdString()); };
  other.setFocus();
  EXPECT_EQ(errors.messages, std::vector<std::string>{"change 9"});
}

struct FloatCase {
  const char* text;
  double value;
};

TEST(FloatEdit, ReadsTheGermanSeparatorAndGivesZeroForNonNumbers) {
  ASSERT_TRUE(platform::LoadLocale("de_DE.UTF-8"));
  FloatEdit edit;
  EXPECT_EQ(edit.text(), "10,00");
  EXPECT_EQ(edit.Value(), 10.0);
  const FloatCase cases[] = {{"25,5", 25.5}, {"25.5", 0},     {"", 0},
                             {"-", 0},       {"abc", 0},      {"-3,25", -3.25},
                             {" 1e2 ", 100}, {"\u22123", -3}, {"\u22122,5e\u22121", -0.25},
                             {"\u2212", 0}};
  for (const auto& c : cases) {
    edit.setText(QString::fromUtf8(c.text));
    EXPECT_EQ(edit.Value(), c.value) << c.text;
  }
  edit.SetValue(2.5);
  EXPECT_EQ(edit.text(), "2,50");
  platform::LoadLocale("C");
}

TEST(FloatEdit, ANumberBeyondTheDoubleRangeOverflowsAndATinyOneBecomesZero) {
  ASSERT_TRUE(platform::LoadLocale("C"));
  FloatEdit edit;
  edit.setText(QStringLiteral("-1e400"));
  try {
    (void)edit.Value();
    ADD_FAILURE() << "no overflow";
  } catch (const EOverflow& e) {
    EXPECT_STREQ(e.what(), "Gleitkommaüberlauf");
  }
  edit.setText(QStringLiteral("1e-400"));
  EXPECT_EQ(edit.Value(), 0.0);
  edit.setText(QStringLiteral("1.7976931348623157e308"));
  EXPECT_EQ(edit.Value(), 1.7976931348623157e308);
}

TEST(FloatEdit, ReadsTheCSeparator) {
  ASSERT_TRUE(platform::LoadLocale("C"));
  FloatEdit edit;
  EXPECT_EQ(edit.text(), "10.00");
  edit.setText("25.5");
  EXPECT_EQ(edit.Value(), 25.5);
  edit.setText("25,5");
  EXPECT_EQ(edit.Value(), 0.0);
}

// The exact text reads back as the same double, under either separator.
TEST(FloatEdit, ShowsAValueExactly) {
  struct Exact {
    double value;
    const char* c;
    const char* german;
  };
  const Exact cases[] = {{2000, "2000", "2000"},
                         {0.3, "0.3", "0,3"},
                         {-3.5, "-3.5", "-3,5"},
                         {3.4e-7, "0.00000034", "0,00000034"},
                         {3.4e-12, "3.4e-12", "3,4e-12"},
                         {1e300, "1e+300", "1e+300"},
                         {0.1 + 0.2, "0.30000000000000004", "0,30000000000000004"}};
  for (const char* locale : {"C", "de_DE.UTF-8"}) {
    ASSERT_TRUE(platform::LoadLocale(locale));
    FloatEdit edit;
    for (const Exact& c : cases) {
      edit.SetValueExactly(c.value);
      EXPECT_EQ(edit.text().toStdString(), locale[0] == 'C' ? c.c : c.german);
      EXPECT_EQ(edit.Value(), c.value);
    }
  }
  platform::LoadLocale("C");
}

TEST(ValueGrid, HasAFixedHeaderRowAndReadsCellsByColumnAndRow) {
  ValueGrid grid(2, 25);
  EXPECT_EQ(grid.ColCount(), 2);
  EXPECT_EQ(grid.RowCount(), 25);
  grid.SetCell(0, 0, "X");
  grid.SetCell(1, 0, "Y");
  grid.SetCell(0, 1, "1,5");
  grid.SetCell(1, 24, "7");
  EXPECT_EQ(grid.Cell(0, 0), "X");
  EXPECT_EQ(grid.Cell(0, 1), "1,5");
  EXPECT_EQ(grid.Cell(1, 24), "7");
  EXPECT_EQ(grid.Cell(1, 1), "");
  EXPECT_EQ(grid.Cell(0, 25), "");
  EXPECT_EQ(grid.Cell(2, 1), "");
  EXPECT_TRUE(grid.horizontalHeaderItem(0)->font().bold());
  EXPECT_EQ(grid.verticalScrollBarPolicy(), Qt::ScrollBarAlwaysOn);
  EXPECT_EQ(grid.selectionMode(), QAbstractItemView::ContiguousSelection);
  EXPECT_EQ(grid.rowHeight(3), 21);
  EXPECT_FALSE(grid.verticalHeader()->isVisible());

  grid.ClearCells();
  EXPECT_EQ(grid.Cell(0, 1), "");
  EXPECT_EQ(grid.Cell(1, 24), "");
  EXPECT_EQ(grid.Cell(1, 0), "Y");
}

TEST(ValueGrid, TheEditorTakesAtMostTwelveCharactersAndTabMovesToTheNextCell) {
  ValueGrid grid(2, 25);
  grid.resize(249, 212);
  ASSERT_TRUE(ShowActive(grid));
  grid.setCurrentCell(0, 0);
  grid.setFocus();
  QTest::keyClick(&grid, Qt::Key_1);
  auto* editor = qobject_cast<QLineEdit*>(QApplication::focusWidget());
  ASSERT_NE(editor, nullptr);
  QTest::keyClicks(editor, "2345678901234,5");
  EXPECT_EQ(editor->text(), "123456789012");
  QTest::keyClick(editor, Qt::Key_Tab);
  EXPECT_EQ(grid.Cell(0, 1), "123456789012");
  EXPECT_EQ(grid.currentRow(), 0);
  EXPECT_EQ(grid.currentColumn(), 1);
  editor = qobject_cast<QLineEdit*>(QApplication::focusWidget());
  ASSERT_NE(editor, nullptr);
  QTest::keyClicks(editor, "-2,5e3");
  QTest::keyClick(editor, Qt::Key_Tab);
  EXPECT_EQ(grid.Cell(1, 1), "-2,5e3");
  EXPECT_EQ(grid.currentRow(), 1);
  EXPECT_EQ(grid.currentColumn(), 0);
}

TEST(ValueGrid, TheEditorTakesTheMinusSignAsMinus) {
  ValueGrid grid(2, 25);
  grid.resize(249, 212);
  ASSERT_TRUE(ShowActive(grid));
  grid.setCurrentCell(0, 0);
  grid.setFocus();
  // The first key opens the editor and goes into it.
  TypeText(&grid, QStringLiteral("\u2212"));
  auto* editor = qobject_cast<QLineEdit*>(QApplication::focusWidget());
  ASSERT_NE(editor, nullptr);
  QTest::keyClicks(editor, "3,5e");
  TypeText(editor, QStringLiteral("\u2212"));
  QTest::keyClicks(editor, "2");
  EXPECT_EQ(editor->text(), "-3,5e-2");
  QTest::keyClick(editor, Qt::Key_Tab);
  EXPECT_EQ(grid.Cell(0, 1), "-3,5e-2");
}

TEST(ScrollBar, RangeAndChangesByCodeAndByTheUser) {
  ReportedErrors errors;
  ScrollBar bar;
  EXPECT_EQ(bar.orientation(), Qt::Horizontal);
  EXPECT_EQ(bar.minimum(), 0);
  EXPECT_EQ(bar.maximum(), 1000);
  int changes = 0;
  bar.OnChange = [&] { ++changes; };
  bar.SetPosition(1000);
  bar.SetPosition(1000);
  bar.SetPosition(5000);
  EXPECT_EQ(bar.Position(), 1000);
  EXPECT_EQ(changes, 1);

  bar.OnChange = [&] { throw std::runtime_error("moved to " + std::to_string(bar.Position())); };
  EXPECT_THROW(bar.SetPosition(10), std::runtime_error);
  bar.triggerAction(QAbstractSlider::SliderSingleStepAdd);
  EXPECT_EQ(errors.messages, std::vector<std::string>{"moved to 11"});
}

TEST(Panel, HasALoweredOuterAndARaisedInnerBevel) {
  Panel panel;
  panel.resize(20, 10);
  panel.SetColor(platform::clWhite);
  int resizes = 0;
  panel.OnResize = [&] { ++resizes; };
  panel.show();
  const QImage image = panel.grab().toImage();
  const QRgb gray = qRgb(128, 128, 128), white = qRgb(255, 255, 255);
  EXPECT_EQ(image.pixel(5, 0), gray);
  EXPECT_EQ(image.pixel(5, 1), white);
  EXPECT_EQ(image.pixel(5, 9), white);
  EXPECT_EQ(image.pixel(5, 8), gray);
  EXPECT_EQ(image.pixel(19, 5), white);
  EXPECT_EQ(image.pixel(18, 5), gray);
  EXPECT_EQ(image.pixel(5, 5), white);
  panel.resize(30, 10);
  EXPECT_GE(resizes, 1);
}

}  // namespace
