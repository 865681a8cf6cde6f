#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QIcon>
#include <QImage>
#include <QProcess>
#include <QSet>
#include <QTemporaryDir>
#include <QWidget>
#include <string>

#include "app/frm_main.h"
#include "platform/qt/host_widget.h"
#include "platform/qt/speed_button.h"
#include "tests/app/work_dir.h"

namespace {

// What the widget paints on a screen of the given pixel ratio.
QImage Render(QWidget* widget, int ratio) {
  QImage image(widget->size() * ratio, QImage::Format_RGB32);
  image.setDevicePixelRatio(ratio);
  image.fill(Qt::magenta);
  widget->render(&image);
  image.setDevicePixelRatio(1);
  return image;
}

QSet<QRgb> Colours(const QImage& image) {
  QSet<QRgb> colours;
  const QImage argb = image.convertToFormat(QImage::Format_ARGB32);
  for (int y = 0; y < argb.height(); ++y)
    for (int x = 0; x < argb.width(); ++x) colours.insert(argb.pixel(x, y));
  return colours;
}

void ShowSomeItems(TFrmMain& frm) {
  for (auto [x, y] : {std::pair{1.0, 2.0}, {4.5, 7.25}, {8.0, 3.0}}) frm.VArori1.AddMark(x, y, 1);
  frm.VArori1.ShowItems();
  frm.NLabFitQual.SetValue(0.98765);
}

class HighDpiTest : public ::testing::Test {
 protected:
  TemporaryWorkDir workDir;
  HighDpiTest() {
    frm = std::make_unique<TFrmMain>();
    frm->show();
  }
  std::unique_ptr<TFrmMain> frm;
};

// The chart and the numeric label draw pixel-exactly at their own size; a denser screen shows
// each of their pixels as a whole block, never blended with its neighbours.
TEST_F(HighDpiTest, ChartAndNumericLabelAtRatioTwoAreTheRatioOnePictureDoubled) {
  ShowSomeItems(*frm);
  auto* fitQual = frm->findChild<platform_qt::ControlHostWidget*>(QStringLiteral("NLabFitQual"));
  ASSERT_NE(fitQual, nullptr);
  for (QWidget* host : {static_cast<QWidget*>(frm->VArori1Host), static_cast<QWidget*>(fitQual)}) {
    const QImage once = Render(host, 1);
    const QImage twice = Render(host, 2);
    ASSERT_EQ(twice.size(), once.size() * 2) << host->objectName().toStdString();
    const QImage doubled =
        once.scaled(once.size() * 2, Qt::IgnoreAspectRatio, Qt::FastTransformation);
    EXPECT_TRUE(twice == doubled) << host->objectName().toStdString();
  }
}

// Qt renders text without hinting once the screens are scaled; the chart's and the label's texts
// must not change with that. A second run of this test on a doubled screen writes its pictures.
TEST_F(HighDpiTest, ChartAndNumericLabelDrawTheSamePixelsOnADenseScreen) {
  ShowSomeItems(*frm);
  auto* fitQual = frm->findChild<platform_qt::ControlHostWidget*>(QStringLiteral("NLabFitQual"));
  ASSERT_NE(fitQual, nullptr);
  QImage chart = Render(frm->VArori1Host, 1);
  QImage label = Render(fitQual, 1);
  const QString dumpDir = qEnvironmentVariable("RAVELON_DENSE_SCREEN_DIR");
  if (!dumpDir.isEmpty()) {
    ASSERT_EQ(frm->devicePixelRatio(), 2);
    ASSERT_TRUE(chart.save(dumpDir + "/chart.png"));
    ASSERT_TRUE(label.save(dumpDir + "/label.png"));
    return;
  }
  QTemporaryDir dir;
  QProcess run;
  QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
  env.insert(QStringLiteral("QT_SCALE_FACTOR"), QStringLiteral("2"));
  env.insert(QStringLiteral("RAVELON_DENSE_SCREEN_DIR"), dir.path());
  run.setProcessEnvironment(env);
  run.start(QCoreApplication::applicationFilePath(),
            {QStringLiteral(
                "--gtest_filter=HighDpiTest.ChartAndNumericLabelDrawTheSamePixelsOnADenseScreen")});
  ASSERT_TRUE(run.waitForFinished(60000));
  ASSERT_EQ(run.exitCode(), 0) << run.readAll().toStdString();
  // The other run's pictures are its ratio-1 renders: the controls' own pixels.
  EXPECT_TRUE(QImage(dir.path() + "/chart.png").convertToFormat(chart.format()) == chart);
  EXPECT_TRUE(QImage(dir.path() + "/label.png").convertToFormat(label.format()) == label);
}

// The glyphs are drawn at the screen's ratio: no colours blended by scaling a smaller picture.
TEST_F(HighDpiTest, TheGlyphsAreDrawnForTheRatio) {
  for (auto* button : {frm->SBNewPnts, frm->SBClear}) {
    const QPixmap once = button->icon().pixmap(button->iconSize(), 1.0);
    const QPixmap twice = button->icon().pixmap(button->iconSize(), 2.0);
    EXPECT_EQ(once.size(), QSize(21, 21));
    EXPECT_EQ(twice.size(), QSize(42, 42));
    const QSet<QRgb> plain = Colours(once.toImage());
    const QSet<QRgb> dense = Colours(twice.toImage());
    EXPECT_TRUE(plain.contains(dense)) << button->objectName().toStdString();
  }
}

}  // namespace
