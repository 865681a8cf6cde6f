#include "app/user_guide.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QFile>
#include <QPushButton>
#include <QScrollBar>
#include <QSet>
#include <QStringDecoder>
#include <QTest>
#include <QTextBlock>
#include <QTextBrowser>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextFragment>
#include <QUrl>
#include <algorithm>
#include <memory>

namespace {

struct Link {
  QString href;
  int position;  // the middle of the link's text in the document
};

// What the guide's reader can follow and where it can land, read from the document Qt built, so
// an anchor that the HTML names but the browser does not know counts as missing.
struct GuideStructure {
  QSet<QString> anchors;
  QList<Link> links;
  QStringList h2Anchors;  // the anchor each h2 carries, empty where it carries none
  QStringList h2Texts;
  QSet<QString> linksBeforeFirstH2;
};

GuideStructure ReadStructure(const QTextDocument& doc) {
  GuideStructure s;
  for (QTextBlock block = doc.begin(); block.isValid(); block = block.next()) {
    const bool h2 = block.blockFormat().headingLevel() == 2;
    QString h2Anchor;
    for (auto it = block.begin(); !it.atEnd(); ++it) {
      const QTextFragment f = it.fragment();
      const QTextCharFormat format = f.charFormat();
      for (const QString& name : format.anchorNames()) {
        s.anchors.insert(name);
        if (h2 && h2Anchor.isEmpty()) h2Anchor = name;
      }
      const QString href = format.anchorHref();
      if (href.isEmpty()) continue;
      if (!s.links.isEmpty() && s.links.last().href == href &&
          s.links.last().position + f.length() >= f.position())
        continue;  // one link split into fragments by a change of format
      s.links.append({href, f.position() + f.length() / 2});
      if (s.h2Texts.isEmpty()) s.linksBeforeFirstH2.insert(href);
    }
    if (h2) {
      s.h2Anchors.append(h2Anchor);
      s.h2Texts.append(block.text());
    }
  }
  return s;
}

class UserGuideTest : public ::testing::Test {
 protected:
  UserGuideTest() : mainWindow(std::make_unique<QWidget>()) {
    mainWindow->resize(400, 300);
    mainWindow->show();
    guide = new UserGuideWindow(mainWindow.get());
  }
  const QTextDocument& Doc() const { return *guide->Browser->document(); }

  std::unique_ptr<QWidget> mainWindow;
  UserGuideWindow* guide;  // owned by mainWindow, as the main window will own it
};

TEST_F(UserGuideTest, ResourceIsLinkedIntoTheProgramAsUtf8Html) {
  QFile file(QStringLiteral(":/guide/anleitung.html"));
  ASSERT_TRUE(file.open(QIODevice::ReadOnly));
  const QByteArray bytes = file.readAll();
  QStringDecoder utf8(QStringDecoder::Utf8);
  const QString text = utf8(bytes);
  EXPECT_FALSE(utf8.hasError());
  EXPECT_TRUE(text.contains(QStringLiteral("<meta charset=\"utf-8\">")));
  EXPECT_TRUE(text.contains(QStringLiteral("Anpassungsgrad")));
}

TEST_F(UserGuideTest, OpensWithTheGermanGuideReadableAtItsDefaultSize) {
  guide->ShowAndRaise();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(guide));

  EXPECT_EQ(guide->windowTitle(), QStringLiteral("Ravelon – Anleitung"));
  EXPECT_EQ(guide->Browser->source(), QUrl(QString::fromLatin1(UserGuideWindow::kGuideUrl)));
  const QString text = Doc().toPlainText();
  for (const char* heading :
       {"Punkte eingeben", "Die acht Modelle", "Der Anpassungsgrad", "Der Glättungs-Spline",
        "Dateien lesen", "Das Menü", "Tasten", "Die Kommandozeile"})
    EXPECT_TRUE(text.contains(QString::fromUtf8(heading))) << heading;
  // The engine's own messages and the labels' formulas, as the window shows them.
  for (const char* quoted :
       {"CalcLogFit: x values must not be negative or zero", "y = k*x + d",
        "y = k0 + k1*x + k2*sqr(x)", "y = 1/(k0 + k1*ln(x))", "y = k0*e^(k1*x)",
        "Noch kein Ergebnis: bitte zuerst ein Modell wählen.", "Strg+Umschalt+C"})
    EXPECT_TRUE(text.contains(QString::fromUtf8(quoted))) << quoted;
  EXPECT_FALSE(text.contains(QStringLiteral("&lt;")) || text.contains(QStringLiteral("&amp;")))
      << "an entity shown as text";

  EXPECT_GE(guide->width(), 720);
  EXPECT_GE(guide->height(), 640);
  // The widest parts, the model and command-line tables, wrap inside the window.
  EXPECT_EQ(guide->Browser->horizontalScrollBar()->maximum(), 0);
  EXPECT_GT(guide->Browser->verticalScrollBar()->maximum(), 0) << "the guide is one screen long?";
}

TEST_F(UserGuideTest, EveryInternalLinkLandsOnAnAnchorAndTheContentsListEveryChapter) {
  const GuideStructure s = ReadStructure(Doc());
  ASSERT_GE(s.h2Texts.size(), 8);
  ASSERT_FALSE(s.links.isEmpty());

  for (const Link& link : s.links) {
    const QUrl url(link.href);
    if (url.scheme().isEmpty()) {
      ASSERT_TRUE(link.href.startsWith(u'#')) << link.href.toStdString() << ": no page to go to";
      EXPECT_TRUE(s.anchors.contains(link.href.mid(1)))
          << link.href.toStdString() << " has no anchor";
    } else {
      // Anything else leaves the program, so it must be something the desktop can open.
      EXPECT_TRUE(url.scheme() == QStringLiteral("https") || url.scheme() == QStringLiteral("man"))
          << link.href.toStdString();
    }
  }

  for (int i = 0; i < s.h2Texts.size(); ++i) {
    const std::string heading = s.h2Texts[i].toStdString();
    ASSERT_FALSE(s.h2Anchors[i].isEmpty()) << heading << " carries no anchor";
    EXPECT_TRUE(s.linksBeforeFirstH2.contains(u'#' + s.h2Anchors[i]))
        << heading << " is missing from the table of contents";
  }
}

TEST_F(UserGuideTest, ClickingAContentsLinkScrollsThereAndBackLeadsBack) {
  guide->ShowAndRaise();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(guide));
  QScrollBar* scroll = guide->Browser->verticalScrollBar();
  ASSERT_EQ(scroll->value(), 0);
  EXPECT_FALSE(guide->BackButton->isEnabled());

  const GuideStructure s = ReadStructure(Doc());
  const auto last = std::find_if(s.links.begin(), s.links.end(), [](const Link& l) {
    return l.href == QStringLiteral("#kommandozeile");
  });
  ASSERT_NE(last, s.links.end());
  QTextCursor at(guide->Browser->document());
  at.setPosition(last->position);
  const QPoint point = guide->Browser->cursorRect(at).center();
  QTest::mouseClick(guide->Browser->viewport(), Qt::LeftButton, {}, point);

  // The last chapter stands near the end, so the view moves far down.
  EXPECT_GT(scroll->value(), scroll->maximum() / 2);
  EXPECT_TRUE(guide->BackButton->isEnabled());

  QTest::mouseClick(guide->BackButton, Qt::LeftButton);
  EXPECT_EQ(scroll->value(), 0);

  QTest::mouseClick(guide->Browser->viewport(), Qt::LeftButton, {}, point);
  ASSERT_GT(scroll->value(), 0);
  QTest::keyClick(guide->Browser, Qt::Key_Left, Qt::AltModifier);
  EXPECT_EQ(scroll->value(), 0) << "Alt+Left, as the guide tells";

  scroll->setValue(scroll->maximum());
  QTest::mouseClick(guide->ContentsButton, Qt::LeftButton);
  EXPECT_LE(scroll->value(), guide->Browser->fontMetrics().height()) << "the contents at the top";
}

TEST_F(UserGuideTest, ShowAndRaiseKeepsOneWindowOfItsOwnThatIsNotModal) {
  const auto guideWindows = [] {
    int n = 0;
    for (QWidget* w : QApplication::topLevelWidgets())
      if (dynamic_cast<UserGuideWindow*>(w) && w->isVisible()) ++n;
    return n;
  };

  guide->ShowAndRaise();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(guide));
  guide->ShowAndRaise();
  EXPECT_EQ(guideWindows(), 1);
  EXPECT_TRUE(guide->isWindow());
  EXPECT_TRUE(guide->isVisible());
  EXPECT_FALSE(guide->isModal());
  EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
  EXPECT_TRUE(mainWindow->isEnabled());

  // From the task bar, and after its own close, the same window comes back.
  guide->showMinimized();
  guide->ShowAndRaise();
  EXPECT_FALSE(guide->isMinimized());
  guide->close();
  EXPECT_FALSE(guide->isVisible());
  guide->ShowAndRaise();
  EXPECT_TRUE(guide->isVisible());
  EXPECT_EQ(guideWindows(), 1);

  QTest::keyClick(guide->Browser, Qt::Key_Escape);
  EXPECT_FALSE(guide->isVisible());
}

}  // namespace
