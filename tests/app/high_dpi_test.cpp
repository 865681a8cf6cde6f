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

// Whether the 2 x 2 block of logical pixel (x, y) in the dense picture is all `rgb`.
bool BlockIs(const QImage& dense, int x, int y, QRgb rgb) {
  for (int dy = 0; dy < 2; ++dy)
    for (int dx = 0; dx < 2; ++dx)
      if (dense.pixel(2 * x + dx, 2 * y + dy) != rgb) return false;
  return true;
}

// On a screen of ratio 2 the chart and the numeric label are drawn at device resolution: every
// line, point and mark is its ratio-1 pixels in 2 x 2 blocks, never shifted by half a pixel,
// while the text is finer than blocks.
TEST_F(HighDpiTest, ChartAndNumericLabelAtRatioTwoAreDrawnAtDeviceResolution) {
  ShowSomeItems(*frm);
  auto* fitQual = frm->findChild<platform_qt::ControlHostWidget*>(QStringLiteral("NLabFitQual"));
  ASSERT_NE(fitQual, nullptr);
  int x0, y0;
  frm->VArori1.WorldToPixel(1, frm->VArori1.Scale1X().RangeLow(), frm->VArori1.Scale1Y().RangeLow(),
                            x0, y0);
  struct Case {
    QWidget* host;
    QRect noText;  // lines, marks and fills only
    QRect text;
  };
  const QSize label = fitQual->size();
  const Case cases[] = {
      {frm->VArori1Host, QRect(QPoint(x0 - 2, 0), QPoint(frm->VArori1Host->width() - 1, y0 + 2)),
       QRect(QPoint(x0, y0 + 3),
             QPoint(frm->VArori1Host->width() - 1, frm->VArori1Host->height() - 1))},
      // The bevel around the value; the value itself.
      {fitQual, QRect(0, 0, label.width(), 2),
       QRect(QPoint(0, 2), QPoint(label.width() - 1, label.height() - 3))},
  };
  for (const Case& c : cases) {
    const std::string name = c.host->objectName().toStdString();
    const QImage once = Render(c.host, 1);
    const QImage twice = Render(c.host, 2);
    ASSERT_EQ(twice.size(), once.size() * 2) << name;
    int wrong = 0, fine = 0;
    for (int y = c.noText.top(); y <= c.noText.bottom(); ++y)
      for (int x = c.noText.left(); x <= c.noText.right(); ++x)
        wrong += !BlockIs(twice, x, y, once.pixel(x, y));
    for (int y = c.text.top(); y <= c.text.bottom(); ++y)
      for (int x = c.text.left(); x <= c.text.right(); ++x)
        fine += !BlockIs(twice, x, y, twice.pixel(2 * x, 2 * y));
    EXPECT_EQ(wrong, 0) << name;
    EXPECT_GT(fine, 10) << name;
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
