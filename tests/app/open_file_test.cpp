#include <gtest/gtest.h>

#include <QApplication>
#include <QCoreApplication>
#include <QDialog>
#include <QDropEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMimeData>
#include <QTest>
#include <QTimer>
#include <QUrl>
#include <fstream>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "app/column_dialog.h"
#include "app/frm_main.h"
#include "app/message_boxes.h"
#include "platform/locale.h"
#include "platform/qt/float_edit.h"
#include "platform/qt/host_widget.h"
#include "platform/qt/scroll_bar.h"
#include "platform/qt/speed_button.h"
#include "platform/qt/spin_edit.h"
#include "platform/qt/value_grid.h"
#include "tests/app/work_dir.h"

namespace {

struct Window {
  TemporaryWorkDir workDir;
  std::vector<std::string> errors;
  std::unique_ptr<TFrmMain> frm;

  Window() {
    platform::LoadLocale("C");
    SetErrorBoxHook([this](const std::string& t) { errors.push_back(t); });
    frm = std::make_unique<TFrmMain>();
    frm->show();
  }
  ~Window() {
    SetErrorBoxHook(nullptr);
    platform::LoadLocale("C");
  }
  std::string Write(const char* name, const std::string& text) const {
    const std::string path = workDir.File(name);
    std::ofstream(path, std::ios::binary) << text;
    return path;
  }
  // A drop as a file manager sends it, onto `target`.
  bool Drop(QWidget* target, const std::vector<std::string>& paths) {
    QMimeData mime;
    QList<QUrl> urls;
    for (const std::string& p : paths)
      urls.push_back(QUrl::fromLocalFile(QString::fromStdString(p)));
    mime.setUrls(urls);
    const QPointF at(target->width() / 2, target->height() / 2);
    QDragEnterEvent enter(at.toPoint(), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(target, &enter);
    if (!enter.isAccepted()) return false;
    QDropEvent drop(at, Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(target, &drop);
    return drop.isAccepted();
  }
  std::vector<std::pair<double, double>> StoredPoints() const {
    std::vector<std::pair<double, double>> out;
    for (int i = 1; i <= frm->Stats1.NumPoints(); ++i)
      out.push_back({frm->Stats1.PointTable().Elem(1, i), frm->Stats1.PointTable().Elem(2, i)});
    return out;
  }
};

// What the window shows besides the points, to see that a refused file changes nothing.
struct Snapshot {
  std::vector<std::pair<double, double>> points;
  int items;
  double xLow, xHigh, yLow, yHigh;
  QString formula, params, xMax, yMax;
  bool formulaShown, linDown;
  bool operator==(const Snapshot&) const = default;
};

Snapshot Snap(const Window& w) {
  TFrmMain& f = *w.frm;
  return {w.StoredPoints(),
          f.VArori1.ItemCount(),
          f.VArori1.Scale1X().RangeLow(),
          f.VArori1.Scale1X().RangeHigh(),
          f.VArori1.Scale1Y().RangeLow(),
          f.VArori1.Scale1Y().RangeHigh(),
          f.LblFormula->text(),
          f.LblParams->text(),
          f.GraphXmaxEdit->text(),
          f.GraphYmaxEdit->text(),
          f.LblFormula->isVisible(),
          f.BButLinFit->Down()};
}

TEST(OpenDataFile, ReplacesThePointsLikeClearAndEntering) {
  Window w;
  w.frm->SBNewPnts->click();
  for (int i = 1; i <= 3; ++i) {
    w.frm->VArori1.AddMark(i, i * 2.5, 26);
    w.frm->Stats1.AddPoint(i, i * 2.5);
  }
  w.frm->BButLinFit->click();
  ASSERT_TRUE(w.frm->LblFormula->isVisible());

  w.frm->WerteTabelleGrid->SetCell(0, 1, "4");
  w.frm->WerteTabelleGrid->SetCell(1, 1, "5");
  const std::string path =
      w.Write("years.csv", "year;value\r\n1903;2,5\r\n1950;7\r\n# a comment\r\n1998;-0,25\r\n");
  platform::LoadLocale("de_DE.UTF-8");
  w.frm->OpenDataFile(path);

  EXPECT_EQ(w.StoredPoints(),
            (std::vector<std::pair<double, double>>{{1903, 2.5}, {1950, 7}, {1998, -0.25}}));
  ASSERT_EQ(w.frm->VArori1.ItemCount(), 3);
  for (int i = 0; i < 3; ++i) {
    EXPECT_EQ(w.frm->VArori1.Item(i).Kind, ikMark);
    EXPECT_EQ(w.frm->VArori1.Item(i).MarkType, 26);
    EXPECT_EQ(w.frm->VArori1.Item(i).X, w.StoredPoints()[i].first);
  }
  for (auto* b : w.frm->ModelButtons()) EXPECT_FALSE(b->Down());
  EXPECT_FALSE(w.frm->SBNewPnts->Down());
  EXPECT_FALSE(w.frm->SEPolyOrder->isEnabled());
  EXPECT_FALSE(w.frm->SBarSmoothSpline->isEnabled());
  EXPECT_FALSE(w.frm->LblFormula->isVisible());
  EXPECT_TRUE(w.frm->LblParams->text().isEmpty());
  // Round bounds on the scale's own ticks, every point inside.
  EXPECT_EQ(w.frm->VArori1.Scale1X().RangeLow(), 1900);
  EXPECT_EQ(w.frm->VArori1.Scale1X().RangeHigh(), 2000);
  EXPECT_EQ(w.frm->VArori1.Scale1Y().RangeLow(), -1);
  EXPECT_EQ(w.frm->VArori1.Scale1Y().RangeHigh(), 7);
  EXPECT_EQ(w.frm->GraphXmaxEdit->text(), "2000");
  EXPECT_EQ(w.frm->GraphYmaxEdit->text(), "7");
  // The value table is left as it was.
  EXPECT_EQ(w.frm->WerteTabelleGrid->Cell(0, 1), "4");
  EXPECT_EQ(w.frm->WerteTabelleGrid->Cell(1, 1), "5");
  // The order limit follows the three points.
  EXPECT_EQ(w.frm->SEPolyOrder->MaxValue(), 2);
  EXPECT_TRUE(w.errors.empty());

  // The chart shows the marks where the points are.
  const QImage& screen = w.frm->VArori1Host->ScreenImage();
  int px, py;
  w.frm->VArori1.WorldToPixel(1, 1903, 2.5, px, py);
  EXPECT_EQ(screen.pixel(px, py) & 0xFFFFFF, QColor(Qt::darkGreen).rgb() & 0xFFFFFF);

  // A logout's request for the data writes them and leaves the window open.
  w.frm->CommitSessionData();
  EXPECT_TRUE(w.frm->isVisible());
  std::ifstream committed(w.workDir.File("veda.asc"));
  EXPECT_NE(std::string(std::istreambuf_iterator<char>(committed), {}).find("3\t;nr. of rows"),
            std::string::npos);

  // A close exports the file's points.
  w.frm->close();
  std::ifstream exported(w.workDir.File("veda.asc"));
  std::string all((std::istreambuf_iterator<char>(exported)), {});
  EXPECT_NE(all.find("1950.000000\t7.000000"), std::string::npos) << all;
  EXPECT_NE(all.find("1998.000000\t-0.250000"), std::string::npos);
}

TEST(OpenDataFile, ABadFileChangesNothing) {
  Window w;
  for (int i = 0; i < 4; ++i) {
    w.frm->VArori1.AddMark(i, i * i, 26);
    w.frm->Stats1.AddPoint(i, i * i);
  }
  w.frm->BButParabolFit->click();
  const Snapshot before = Snap(w);
  const std::string missing = w.workDir.File("missing.csv");
  const std::string cases[] = {
      w.Write("bad.csv", "1,2\n3,oops\n"),
      w.Write("empty.csv", ""),
      w.Write("header-only.csv", "x,y\n"),
      missing,
      w.workDir.File(""),  // the folder
  };
  for (const std::string& path : cases) {
    w.errors.clear();
    w.Drop(w.frm.get(), {path});
    ASSERT_EQ(w.errors.size(), 1u) << path;
    // The message names the file as given.
    EXPECT_NE(w.errors[0].find(path), std::string::npos) << w.errors[0];
    EXPECT_EQ(Snap(w), before) << path;
  }
}

TEST(OpenDataFile, DroppedOntoTheWindowTheChartOrAnEdit) {
  Window w;
  const std::string path = w.Write("points.txt", "0.5 1\n1.5 2\n2.5 2.5\n");
  QWidget* targets[] = {w.frm.get(), w.frm->VArori1Host, w.frm->GraphXmaxEdit};
  for (QWidget* target : targets) {
    w.frm->SBClear->click();
    ASSERT_EQ(w.frm->Stats1.NumPoints(), 0);
    // The window accepts drops; its children that do not pass them up.
    QWidget* receiver = target->acceptDrops() ? target : w.frm.get();
    EXPECT_TRUE(w.Drop(receiver, {path})) << target->objectName().toStdString();
    EXPECT_EQ(w.frm->Stats1.NumPoints(), 3) << target->objectName().toStdString();
  }
  EXPECT_EQ(w.frm->GraphXmaxEdit->text(), "2.6");  // 0.2 steps for 0.5..2.5
  // Two files at once, or something that is not a local file, are not taken.
  w.frm->SBClear->click();
  EXPECT_FALSE(w.Drop(w.frm.get(), {path, path}));
  EXPECT_EQ(w.frm->Stats1.NumPoints(), 0);
  EXPECT_TRUE(w.errors.empty());
}

using PointList = std::vector<std::pair<double, double>>;

std::string Producer(const char* name) {
  return std::string(RAVELON_PRODUCERS_DIR) + "/" + name;
}

// What the notice saw when it came: the points in the store and the marks on the chart.
struct Notice {
  std::string text;
  int points, marks;
};

TEST(OpenDataFile, ProducersFilesAndTheMissingValueNotice) {
  Window w;
  std::vector<Notice> notices;
  SetInformationBoxHook([&](const std::string& t) {
    notices.push_back({t, w.frm->Stats1.NumPoints(), w.frm->VArori1.ItemCount()});
  });
  const PointList four = {{0.5, 1.1}, {1.25, 2.35}, {3.75, 4.4}, {5.5, 6.05}};
  const std::pair<const char*, std::string> files[] = {
      {"r_write_csv.csv", "1 Zeile ohne Wert übersprungen: 4"},
      {"r_write_table.txt", "1 Zeile ohne Wert übersprungen: 4"},
      {"numpy_savetxt.txt", ""},
  };
  for (const auto& [name, notice] : files) {
    notices.clear();
    EXPECT_TRUE(w.Drop(w.frm.get(), {Producer(name)})) << name;
    EXPECT_EQ(w.StoredPoints(), four) << name;
    if (notice.empty()) {
      EXPECT_TRUE(notices.empty()) << name;
      continue;
    }
    ASSERT_EQ(notices.size(), 1u) << name;
    EXPECT_EQ(notices[0].text, notice);
    EXPECT_EQ(notices[0].points, 4);
    EXPECT_EQ(notices[0].marks, 4);
  }
  EXPECT_TRUE(w.errors.empty());

  // Nothing but missing values: an error naming the file, and nothing changes.
  const Snapshot before = Snap(w);
  const std::string empty = w.Write("leer.csv", "x,y\n1,NA\n,2\n");
  w.Drop(w.frm.get(), {empty});
  ASSERT_EQ(w.errors.size(), 1u);
  EXPECT_EQ(w.errors[0],
            "Die Datei \"" + empty + "\" enthält nur Zeilen ohne Wert (2 Zeilen: 2, 3).");
  EXPECT_EQ(Snap(w), before);
  SetInformationBoxHook(nullptr);
}

// Runs `act` on the column dialog once it is shown, and records what it preselected.
struct DialogDriver {
  std::vector<int> preselected;
  bool shown = false;
  void Arm(std::function<void(QDialog&, QListWidget&, QListWidget&)> act) {
    QTimer::singleShot(10, [this, act] {
      QDialog* dialog = nullptr;
      for (QWidget* top : QApplication::topLevelWidgets())
        if (top->objectName() == "ColumnDialog" && top->isVisible())
          dialog = qobject_cast<QDialog*>(top);
      if (!dialog) return Arm(act);  // not shown yet
      auto* x = dialog->findChild<QListWidget*>("XColumnList");
      auto* y = dialog->findChild<QListWidget*>("YColumnList");
      shown = true;
      preselected = {x->currentRow(), y->currentRow()};
      act(*dialog, *x, *y);
    });
  }
};

TEST(OpenDataFile, AsksWhichTwoOfMoreColumns) {
  Window w;
  const std::string path = Producer("pandas_index.csv");  // zeit, spannung, strom
  std::vector<std::string> notices;
  SetInformationBoxHook([&](const std::string& t) { notices.push_back(t); });
  DialogDriver driver;

  // Enter takes the preselected first two.
  driver.Arm([](QDialog& d, QListWidget&, QListWidget&) { QTest::keyClick(&d, Qt::Key_Return); });
  w.frm->OpenDataFile(path);
  EXPECT_TRUE(driver.shown);
  EXPECT_EQ(driver.preselected, (std::vector<int>{0, 1}));
  EXPECT_EQ(w.StoredPoints(), (PointList{{0.5, 1.1}, {1.25, 2.35}, {3.75, 4.4}, {5.5, 6.05}}));

  // A choice: strom over zeit; every row has both.
  driver = {};
  driver.Arm([](QDialog& d, QListWidget& x, QListWidget& y) {
    EXPECT_EQ(x.item(2)->text(), "strom");
    y.setCurrentRow(0);
    x.setCurrentRow(2);
    QTest::keyClick(&d, Qt::Key_Return);
  });
  w.frm->OpenDataFile(path);
  EXPECT_EQ(w.StoredPoints(),
            (PointList{{10, 0.5}, {20.5, 1.25}, {30, 2}, {40.25, 3.75}, {50, 5.5}}));
  EXPECT_EQ(w.frm->VArori1.ItemCount(), 5);

  // Escape cancels the open: the window stays as it was.
  w.frm->BButLinFit->click();
  const Snapshot before = Snap(w);
  driver = {};
  driver.Arm([](QDialog& d, QListWidget&, QListWidget&) { QTest::keyClick(&d, Qt::Key_Escape); });
  w.frm->OpenDataFile(path);
  EXPECT_TRUE(driver.shown);
  EXPECT_EQ(Snap(w), before);

  // Columns given on the command line: no question.
  driver = {};
  w.frm->OpenDataFile(path, ColumnChoice{"strom", "spannung"});
  QCoreApplication::processEvents();
  EXPECT_FALSE(driver.shown);
  EXPECT_EQ(w.StoredPoints().front(), (std::pair<double, double>{10, 1.1}));
  EXPECT_TRUE(w.errors.empty());
  // The missing spannung of the third row, told twice: once for the first choice, once here.
  EXPECT_EQ(notices, std::vector<std::string>(2, "1 Zeile ohne Wert übersprungen: 4"));
  SetInformationBoxHook(nullptr);
}

}  // namespace
