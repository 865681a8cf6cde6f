// The chart as a picture (`ravelon --plot`): the window's chart, the three formats, and files
// written whole or not at all.
#include "app/plot_file.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDir>
#include <QImage>
#include <QProcess>
#include <QStandardPaths>
#include <QXmlStreamReader>
#include <fstream>
#include <functional>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "app/frm_main.h"
#include "app/message_boxes.h"
#include "platform/locale.h"
#include "platform/qt/host_widget.h"
#include "platform/qt/scroll_bar.h"
#include "platform/qt/speed_button.h"
#include "platform/qt/spin_edit.h"
#include "tests/app/work_dir.h"

namespace {

struct Outcome {
  int status;
  std::string err;
};

Outcome Plot(const std::vector<std::string>& args) {
  const CommandLine request = ParseCommandLine(args);
  EXPECT_EQ(request.Do, CommandLine::Action::Plot) << request.Problem;
  std::ostringstream err;
  const int status = RunPlot(request, err);
  return {status, err.str()};
}

std::string Read(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), {}};
}

const char kPoints[] = "x,y\n1,2.5\n2,3.1\n3.5,5.2\n5,6.9\n7,9.5\n8.5,11.2\n";

TEST(PlotFile, ThePngHoldsTheWindowsChartUnderItsCaption) {
  TemporaryWorkDir dir;
  platform::LoadLocale("C");
  std::ofstream(dir.File("p.csv")) << kPoints;
  for (const std::string model : {"none", "lin", "poly:3", "spline:0.5"}) {
    SCOPED_TRACE(model);
    auto frm = std::make_unique<TFrmMain>();
    frm->show();
    frm->OpenDataFile(dir.File("p.csv"));
    // The model's button, with its order or factor set first.
    if (model != "none") frm->ShowChosenModel(ParseModelArgument(model, false, false).first->model);
    QCoreApplication::processEvents();
    // The default size is the window's chart.
    ASSERT_EQ(frm->VArori1Host->size(), QSize(kDefaultPictureWidth, kDefaultPictureHeight));
    // Whole ratios: at a fractional one the widget's last device row and column are cut through.
    for (const double ratio : {1.0, 2.0}) {
      SCOPED_TRACE(ratio);
      // What the window's chart shows on a screen of that ratio.
      QImage window(frm->VArori1Host->size() * ratio, QImage::Format_RGB32);
      window.setDevicePixelRatio(ratio);
      frm->VArori1Host->render(&window);
      window.setDevicePixelRatio(1);

      const std::string out = dir.File("chart.png");
      const Outcome r =
          Plot({"--plot", out, model, dir.File("p.csv"), "--scale", std::to_string(ratio)});
      ASSERT_EQ(r.status, 0) << r.err;
      QImage picture(QString::fromStdString(out));
      ASSERT_FALSE(picture.isNull());
      const int caption = picture.height() - window.height();
      ASSERT_GT(caption, 0);
      EXPECT_EQ(picture.width(), window.width());
      EXPECT_EQ(picture.copy(0, caption, window.width(), window.height()),
                window.convertToFormat(picture.format()));
    }
  }
}

TEST(PlotFile, VectorPicturesAndTheScale) {
  TemporaryWorkDir dir;
  std::ofstream(dir.File("p.csv")) << kPoints;

  const Outcome png = Plot({"--plot", dir.File("big.png"), "lin", dir.File("p.csv"), "--size",
                            "300x200", "--scale", "2"});
  ASSERT_EQ(png.status, 0) << png.err;
  const QImage big(QString::fromStdString(dir.File("big.png")));
  EXPECT_EQ(big.width(), 600);
  EXPECT_GT(big.height(), 400);

  ASSERT_EQ(Plot({"--plot", dir.File("c.svg"), "parabolic", dir.File("p.csv")}).status, 0);
  QXmlStreamReader xml(QByteArray::fromStdString(Read(dir.File("c.svg"))));
  int shapes = 0, images = 0;
  bool caption = false;
  while (!xml.atEnd()) {
    xml.readNext();
    if (xml.isStartElement()) {
      shapes += xml.name() == u"path" || xml.name() == u"polyline" || xml.name() == u"rect";
      images += xml.name() == u"image";
    }
    if (xml.isCharacters() && xml.text().contains(u"Anpassungsgrad")) caption = true;
  }
  EXPECT_FALSE(xml.hasError()) << xml.errorString().toStdString();
  EXPECT_GT(shapes, 10);
  EXPECT_EQ(images, 0);  // drawn as shapes, not as an embedded bitmap
  EXPECT_TRUE(caption);

  ASSERT_EQ(Plot({"--plot", dir.File("c.pdf"), "spline:0.3", dir.File("p.csv")}).status, 0);
  EXPECT_TRUE(Read(dir.File("c.pdf")).starts_with("%PDF-"));
  if (!QStandardPaths::findExecutable(QStringLiteral("pdftoppm")).isEmpty()) {
    QProcess render;
    render.start(QStringLiteral("pdftoppm"),
                 {QStringLiteral("-png"), QStringLiteral("-r"), QStringLiteral("96"),
                  QStringLiteral("-singlefile"), QString::fromStdString(dir.File("c.pdf")),
                  QString::fromStdString(dir.File("page"))});
    ASSERT_TRUE(render.waitForFinished(30000));
    EXPECT_EQ(render.exitCode(), 0);
    const QImage page(QString::fromStdString(dir.File("page.png")));
    EXPECT_EQ(page.width(), kDefaultPictureWidth);
    // The data area is drawn on the frame: the page is not blank.
    EXPECT_NE(page.pixel(kDefaultPictureWidth / 2, page.height() / 2), page.pixel(2, 2));
  }
}

TEST(PlotFile, WrittenWholeOrNotAtAll) {
  TemporaryWorkDir dir;
  std::ofstream(dir.File("p.csv")) << kPoints;
  std::ofstream(dir.File("negative.csv")) << "-1,2\n2,3\n3,5\n";
  std::ofstream(dir.File("old.png")) << "the old picture";
  QDir().mkdir(QString::fromStdString(dir.File("folder.svg")));
  struct Case {
    std::vector<std::string> args;
    std::string message;
  };
  const Case cases[] = {
      {{"--plot", dir.File("missing/c.png"), "lin", dir.File("p.csv")},
       "Die Datei \"" + dir.File("missing/c.png") +
           "\" konnte nicht geschrieben werden: No such file or directory\n"},
      {{"--plot", dir.File("folder.svg"), "lin", dir.File("p.csv")},
       "Die Datei \"" + dir.File("folder.svg") +
           "\" konnte nicht geschrieben werden: Is a directory\n"},
      // The fit refuses the data: the old picture stays.
      {{"--plot", dir.File("old.png"), "log", dir.File("negative.csv")},
       "CalcLogFit: x values must not be negative or zero\n"},
      {{"--plot", dir.File("old.png"), "lin", dir.File("nothing.csv")},
       "Die Datei \"" + dir.File("nothing.csv") +
           "\" konnte nicht gelesen werden: No such file or directory\n"},
  };
  for (const Case& c : cases) {
    const Outcome r = Plot(c.args);
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, c.message);
  }
  EXPECT_EQ(Read(dir.File("old.png")), "the old picture");
  // Nothing else was left behind.
  const QStringList left = QDir(QString::fromStdString(dir.File("")))
                               .entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot);
  EXPECT_EQ(left, (QStringList{"folder.svg", "negative.csv", "old.png", "p.csv"}));
}

}  // namespace
