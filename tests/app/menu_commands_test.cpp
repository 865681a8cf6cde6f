#include <gtest/gtest.h>

#include <QApplication>
#include <QClipboard>
#include <QDir>
#include <QFileInfo>
#include <QImage>
#include <QLabel>
#include <QMenu>
#include <QMimeData>
#include <QProcess>
#include <QSettings>
#include <QTest>
#include <cmath>
#include <cstring>
#include <fstream>
#include <memory>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "app/frm_main.h"
#include "app/message_boxes.h"
#include "fit/tied_spline.h"
#include "platform/locale.h"
#include "platform/qt/scroll_bar.h"
#include "platform/qt/speed_button.h"
#include "platform/qt/spin_edit.h"
#include "tests/app/work_dir.h"

namespace {

std::string Read(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

// The window with its boxes and dialogs answered by the test: a dialog returns `nextPath`.
struct Window {
  TemporaryWorkDir workDir;
  std::vector<std::string> errors, informations, questions;
  std::string nextPath;
  bool answer = true;  // to a question
  std::unique_ptr<TFrmMain> frm;

  Window() {
    platform::LoadLocale("C");
    SetErrorBoxHook([this](const std::string& t) { errors.push_back(t); });
    SetInformationBoxHook([this](const std::string& t) { informations.push_back(t); });
    SetQuestionBoxHook([this](const std::string& t) {
      questions.push_back(t);
      return answer;
    });
    SetFileDialogHook([this](const std::string&) { return nextPath; });
    frm = std::make_unique<TFrmMain>();
    frm->show();
  }
  ~Window() {
    frm.reset();
    SetErrorBoxHook(nullptr);
    SetInformationBoxHook(nullptr);
    SetQuestionBoxHook(nullptr);
    SetFileDialogHook(nullptr);
  }
  std::string Write(const char* name, const std::string& text) const {
    const std::string path = workDir.File(name);
    std::ofstream(path, std::ios::binary) << text;
    return path;
  }
  std::vector<std::pair<double, double>> Points() const {
    std::vector<std::pair<double, double>> out;
    for (int i = 1; i <= frm->Stats1.NumPoints(); ++i)
      out.push_back({frm->Stats1.PointTable().Elem(1, i), frm->Stats1.PointTable().Elem(2, i)});
    return out;
  }
  std::string Caption() const { return frm->windowTitle().toStdString(); }
};

constexpr char kCaption[] = "      Ravelon V0.7    -    Univariante Regression";

TEST(MenuCommands, OpenThroughTheDialogAndTheRecentFiles) {
  QSettings(QStringLiteral("ravelon"), QStringLiteral("ravelon"))
      .remove(QStringLiteral("recentFiles"));
  Window w;
  const std::string good = w.Write("years.csv", "x,y\n1990,3\n1991,4\n1992,4.5\n1993,6\n");
  const std::string other = w.Write("other.csv", "1,2\n2,3\n");
  // Cancelled: nothing changes.
  w.nextPath = "";
  w.frm->WerteTabelleladen1->trigger();
  EXPECT_EQ(w.frm->Stats1.NumPoints(), 0);
  EXPECT_EQ(w.Caption(), kCaption);

  w.nextPath = good;
  w.frm->WerteTabelleladen1->trigger();
  EXPECT_EQ(w.Points().size(), 4u);
  EXPECT_EQ(w.Caption(), std::string(kCaption) + " - years.csv");
  w.nextPath = other;
  w.frm->WerteTabelleladen1->trigger();
  EXPECT_EQ(w.Caption(), std::string(kCaption) + " - other.csv");
  EXPECT_EQ(w.frm->RecentFiles(), (std::vector<std::string>{other, good}));

  // A bad file: the reader's message, nothing changes, the list keeps its files.
  w.nextPath = w.Write("bad.csv", "1,2\n3,x\n");
  w.frm->WerteTabelleladen1->trigger();
  ASSERT_EQ(w.errors.size(), 1u);
  EXPECT_NE(w.errors[0].find("bad.csv"), std::string::npos);
  EXPECT_EQ(w.Points().size(), 2u);
  EXPECT_EQ(w.Caption(), std::string(kCaption) + " - other.csv");

  // Entering points takes the file's name from the caption.
  w.frm->SBClear->click();
  EXPECT_EQ(w.Caption(), kCaption);

  // The next run offers both, newest first; a file that vanished is named and dropped.
  w.frm.reset();
  w.frm = std::make_unique<TFrmMain>();
  const QList<QAction*> recent = w.frm->ZuletztGeoeffnet1->actions();
  ASSERT_EQ(recent.size(), 2);
  EXPECT_EQ(recent[0]->text().toStdString(), other);
  std::remove(other.c_str());
  recent[0]->trigger();
  ASSERT_EQ(w.errors.size(), 2u);
  EXPECT_NE(w.errors[1].find("other.csv"), std::string::npos);
  EXPECT_EQ(w.frm->RecentFiles(), std::vector<std::string>{good});
  w.frm->ZuletztGeoeffnet1->actions()[0]->trigger();
  EXPECT_EQ(w.Points().size(), 4u);
}

// Random doubles over the whole range, saved in every layout and opened again, bit for bit.
TEST(MenuCommands, SavedPointsOpenAgainBitForBit) {
  Window w;
  std::mt19937_64 random(7);
  std::string csv = "x,y\n";
  for (int i = 0; i < 500; ++i) {
    double v[2];
    for (double& d : v) {
      do {
        const std::uint64_t bits = random();
        std::memcpy(&d, &bits, sizeof d);
      } while (!std::isfinite(d));
    }
    char line[80];
    std::snprintf(line, sizeof line, "%.17g,%.17g\n", v[0], v[1]);
    csv += line;
  }
  w.nextPath = w.Write("random.csv", csv);
  w.frm->WerteTabelleladen1->trigger();
  const auto points = w.Points();
  ASSERT_EQ(points.size(), 500u);
  for (const char* name : {"saved.csv", "saved.tsv", "saved.txt", "saved.asc", "saved"}) {
    w.nextPath = w.workDir.File(name);
    w.frm->WerteTabellespeichern1->trigger();
    ASSERT_TRUE(w.errors.empty()) << name << w.errors[0];
    w.frm->SBClear->click();
    w.nextPath = w.workDir.File(name);
    w.frm->WerteTabelleladen1->trigger();
    const auto back = w.Points();
    ASSERT_EQ(back.size(), points.size()) << name;
    for (std::size_t i = 0; i < back.size(); ++i) {
      EXPECT_EQ(std::memcmp(&back[i], &points[i], sizeof back[i]), 0) << name << " " << i;
    }
  }
  EXPECT_TRUE(Read(w.workDir.File("saved.csv")).starts_with("x,y\n"));
  EXPECT_TRUE(Read(w.workDir.File("saved.tsv")).starts_with("x\ty\n"));
}

TEST(MenuCommands, AFailedOrCancelledSaveChangesNothing) {
  Window w;
  w.nextPath = w.workDir.File("nothing.csv");
  w.frm->WerteTabellespeichern1->trigger();
  EXPECT_EQ(w.informations, std::vector<std::string>{"Keine Punkte zum Speichern."});
  EXPECT_FALSE(QFileInfo::exists(QString::fromStdString(w.nextPath)));

  w.nextPath = w.Write("p.csv", "1,2\n2,3\n");
  w.frm->WerteTabelleladen1->trigger();
  w.nextPath = "";
  w.frm->WerteTabellespeichern1->trigger();
  const std::string old = w.Write("old.csv", "old");
  QDir(QString::fromStdString(w.workDir.File(""))).mkdir(QStringLiteral("folder.csv"));
  for (const std::string& path : {w.workDir.File("missing/p.csv"), w.workDir.File("folder.csv")}) {
    w.nextPath = path;
    w.frm->WerteTabellespeichern1->trigger();
  }
  ASSERT_EQ(w.errors.size(), 2u);
  for (const std::string& e : w.errors)
    EXPECT_TRUE(e.starts_with("Die Datei \"" + w.workDir.File("")) &&
                e.find("konnte nicht geschrieben werden: ") != std::string::npos)
        << e;
  EXPECT_EQ(Read(old), "old");
  const QStringList left = QDir(QString::fromStdString(w.workDir.File("")))
                               .entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot);
  EXPECT_EQ(left, (QStringList{"folder.csv", "old.csv", "p.csv"}));
}

TEST(MenuCommands, TheResultOnTheClipboardInThreeForms) {
  Window w;
  QGuiApplication::clipboard()->setText(QStringLiteral("before"));
  w.frm->ErgebnisAnClipboard->trigger();
  EXPECT_EQ(w.informations,
            std::vector<std::string>{"Noch kein Ergebnis: bitte zuerst ein Modell wählen."});
  EXPECT_EQ(QGuiApplication::clipboard()->text().toStdString(), "before");

  w.nextPath = w.Write("line.csv", "x,y\n1,3.1\n2,4.9\n3,7.2\n4,8.8\n5,11.1\n");
  w.frm->WerteTabelleladen1->trigger();
  w.frm->BButLinFit->click();
  w.frm->ErgebnisAnClipboard->trigger();
  const QMimeData* mime = QGuiApplication::clipboard()->mimeData();
  const std::string text = mime->text().toStdString();
  // The report of the command line for the same model and points follows the result's lines.
  EXPECT_TRUE(
      text.starts_with("Modell: lin\ny = k*x + d\nk = 1.9899999999999998\n"
                       "d = 1.0500000000000007\nAnpassungsgrad: 0.9973\nPunkte: 5\n"))
      << text;
  QProcess p;
  p.start(QStringLiteral(RAVELON_EXECUTABLE),
          {QStringLiteral("--fit"), QStringLiteral("lin"), QString::fromStdString(w.nextPath),
           QStringLiteral("--stats")});
  ASSERT_TRUE(p.waitForFinished(20000));
  const std::string report = p.readAllStandardOutput().toStdString();
  const std::string after = report.substr(report.find("\n\n") + 1);
  EXPECT_TRUE(text.ends_with(after)) << text << "\n---\n" << after;
  const std::string html = mime->html().toStdString();
  EXPECT_NE(html.find("<table"), std::string::npos);
  EXPECT_NE(html.find("<td>k</td><td>1.9899999999999998</td>"), std::string::npos) << html;
  const QImage image = qvariant_cast<QImage>(mime->imageData());
  EXPECT_EQ(image.width(), 2 * w.frm->VArori1.Width());
  EXPECT_GT(image.height(), 2 * w.frm->VArori1.Height());

  // The spline's result names its factor, p, tr A, GCV and σ̂.
  w.frm->BButSpline->click();
  w.frm->ErgebnisAnClipboard->trigger();
  const std::string spline = QGuiApplication::clipboard()->text().toStdString();
  for (const char* part :
       {"Modell: spline:", "smoothing parameter p", "tr A", "GCV", "residual standard deviation"})
    EXPECT_NE(spline.find(part), std::string::npos) << part << "\n" << spline;
}

// The picture is the --plot picture of the same file and model at the window's chart size.
TEST(MenuCommands, ThePictureIsThePlotOfWhatTheWindowShows) {
  Window w;
  w.nextPath = w.Write("wave.csv", "1,2\n2,3.5\n3,3\n4,5\n5,4.2\n6,6.1\n");
  w.frm->WerteTabelleladen1->trigger();
  w.frm->BButParabolFit->click();
  // Cancelled: nothing is written.
  w.nextPath = "";
  w.frm->BildSpeichern1->trigger();
  EXPECT_EQ(QDir(QString::fromStdString(w.workDir.File(""))).entryList(QDir::Files).size(), 1);
  for (const char* name : {"p.png", "p.svg", "p.pdf", "p"}) {
    w.nextPath = w.workDir.File(name);
    w.frm->BildSpeichern1->trigger();
  }
  ASSERT_TRUE(w.errors.empty()) << w.errors[0];
  EXPECT_TRUE(Read(w.workDir.File("p.svg")).find("<svg") != std::string::npos);
  EXPECT_TRUE(Read(w.workDir.File("p.pdf")).starts_with("%PDF"));
  // A name without an extension becomes a PNG.
  EXPECT_FALSE(QFileInfo::exists(QString::fromStdString(w.workDir.File("p"))));
  EXPECT_FALSE(QImage(QString::fromStdString(w.workDir.File("p.png"))).isNull());
  const QString size =
      QStringLiteral("%1x%2").arg(w.frm->VArori1.Width()).arg(w.frm->VArori1.Height());
  QProcess p;
  p.start(QStringLiteral(RAVELON_EXECUTABLE),
          {QStringLiteral("--plot"), QString::fromStdString(w.workDir.File("plot.png")),
           QStringLiteral("parabolic"), QString::fromStdString(w.workDir.File("wave.csv")),
           QStringLiteral("--size"), size});
  ASSERT_TRUE(p.waitForFinished(20000));
  ASSERT_EQ(p.exitCode(), 0) << p.readAllStandardError().toStdString();
  const QImage window(QString::fromStdString(w.workDir.File("p.png")));
  const QImage plot(QString::fromStdString(w.workDir.File("plot.png")));
  ASSERT_FALSE(window.isNull());
  EXPECT_EQ(window.convertToFormat(QImage::Format_RGB32),
            plot.convertToFormat(QImage::Format_RGB32));

  // After panning, the picture shows the new ranges: it differs from the plot.
  w.frm->VArori1.Scale1X().SetRangeLow(w.frm->VArori1.Scale1X().RangeLow() + 1);
  w.frm->VArori1.Scale1X().SetRangeHigh(w.frm->VArori1.Scale1X().RangeHigh() + 1);
  w.nextPath = w.workDir.File("panned.png");
  w.frm->BildSpeichern1->trigger();
  const QImage panned(QString::fromStdString(w.workDir.File("panned.png")));
  EXPECT_EQ(panned.size(), plot.size());
  EXPECT_NE(panned.convertToFormat(QImage::Format_RGB32),
            plot.convertToFormat(QImage::Format_RGB32));

  w.nextPath = w.workDir.File("p.gif");
  w.frm->BildSpeichern1->trigger();
  ASSERT_EQ(w.errors.size(), 1u);
  EXPECT_NE(w.errors[0].find(".png, .svg oder .pdf"), std::string::npos) << w.errors[0];
}

TEST(MenuCommands, TheSplineAsksWhereXRepeatsAndDrawsTheMeans) {
  Window w;
  w.nextPath = w.Write("ties.csv", "1,2\n2,3\n2,5\n3,4\n4,7\n4,5\n5,6\n");
  w.frm->WerteTabelleladen1->trigger();
  w.answer = false;
  w.frm->BButSpline->click();
  ASSERT_EQ(w.questions.size(), 1u);
  EXPECT_EQ(w.questions[0],
            "Die Punkte enthalten 2 mehrfach vorkommende x-Werte (das erste: x = 2). Den Spline "
            "der Mittelwerte je x zeichnen?");
  ASSERT_EQ(w.errors.size(), 1u);
  EXPECT_NE(w.errors[0].find("two or more x-values are identical"), std::string::npos);
  EXPECT_EQ(w.frm->VArori1.LastItemKind(), ikMark);  // no curve

  w.answer = true;
  w.frm->BButSpline->click();
  EXPECT_EQ(w.questions.size(), 2u);
  EXPECT_EQ(w.errors.size(), 1u);
  const std::vector<double> xs = {1, 2, 2, 3, 4, 4, 5}, ys = {2, 3, 5, 4, 7, 5, 6};
  const auto quality = [&](double factor) {
    return MergedSmoothingSpline(xs, ys, factor).FitQuality();
  };
  EXPECT_EQ(w.frm->NLabFitQual.Value(), quality(w.frm->SBarSmoothSpline->Position() / 1000.0));
  EXPECT_NE(w.frm->VArori1.LastItemKind(), ikMark);
  // The bar moves the merged spline without asking again.
  w.frm->SBarSmoothSpline->SetPosition(200);
  EXPECT_EQ(w.questions.size(), 2u);
  EXPECT_EQ(w.frm->NLabFitQual.Value(), quality(0.2));
  // New points end the merging: the question comes again.
  w.frm->SBClear->click();
  w.nextPath = w.workDir.File("ties.csv");
  w.frm->WerteTabelleladen1->trigger();
  w.frm->BButSpline->click();
  EXPECT_EQ(w.questions.size(), 3u);
  // Without repeated x there is no question.
  w.nextPath = w.Write("plain.csv", "1,2\n2,3\n3,5\n4,4\n");
  w.frm->WerteTabelleladen1->trigger();
  w.frm->BButSpline->click();
  EXPECT_EQ(w.questions.size(), 3u);
  EXPECT_EQ(w.errors.size(), 1u);
}

}  // namespace
