#include <gtest/gtest.h>

#include <QApplication>
#include <QImage>
#include <memory>
#include <string>

#include "app/frm_main.h"
#include "platform/locale.h"
#include "platform/qt/host_widget.h"
#include "platform/qt/panel.h"

namespace {

class FitQualityLabelTest : public ::testing::Test {
 protected:
  FitQualityLabelTest() {
    frm = std::make_unique<TFrmMain>();
    frm->show();
    QApplication::processEvents();
    host = frm->findChild<platform_qt::ControlHostWidget*>(QStringLiteral("NLabFitQual"));
  }

  // The value text as the label shows it now.
  std::string ShownText() {
    std::string shown;
    frm->NLabFitQual.OnBeforeDisplay = [&](TNumLab&, std::string& text) { shown = text; };
    frm->NLabFitQual.Repaint();
    frm->NLabFitQual.OnBeforeDisplay = nullptr;
    return shown;
  }

  // Black pixels inside the value box.
  int ValueInk() {
    const QImage& image = host->ScreenImage();
    int n = 0;
    for (int y = 2; y < 19; ++y) {
      for (int x = 123; x < 179; ++x) n += image.pixel(x, y) == qRgb(0, 0, 0);
    }
    return n;
  }

  std::unique_ptr<TFrmMain> frm;
  platform_qt::ControlHostWidget* host = nullptr;
};

TEST_F(FitQualityLabelTest, ShowsZeroWithFourDecimalsInItsPlaceAtStart) {
  ASSERT_NE(host, nullptr);
  EXPECT_EQ(&host->HostedControl(), &frm->NLabFitQual);
  EXPECT_EQ(host->parentWidget(), static_cast<QWidget*>(frm->Panel3));
  EXPECT_EQ(host->geometry(), QRect(608, 8, 193, 22));

  const TNumLab& lab = frm->NLabFitQual;
  EXPECT_EQ(lab.LeftSpace(), 120);
  EXPECT_EQ(lab.LabelWidth(), 60);
  EXPECT_EQ(lab.LeftText(), "Anpassungsgrad:  ");
  EXPECT_EQ(lab.LeftTextAlignment(), taRightJustify);
  EXPECT_EQ(lab.DisplayType(), dtFixP);
  EXPECT_EQ(lab.Precision(), 4);
  EXPECT_EQ(lab.Alignment(), taCenter);
  EXPECT_EQ(lab.FrameStyle(), fsLowered);
  EXPECT_EQ(lab.ColorScheme(), csBWG);
  EXPECT_EQ(lab.ColorLabBakG(), platform::clSilver);
  EXPECT_EQ(lab.ColorOutBakG(), platform::clBtnFace);
  EXPECT_FALSE(lab.Comma());
  EXPECT_FALSE(lab.Empty());
  EXPECT_EQ(ShownText(), "0.0000");
  EXPECT_GT(ValueInk(), 0);
  EXPECT_EQ(host->ScreenImage().pixel(150, 10), qRgb(0xC0, 0xC0, 0xC0));
}

TEST_F(FitQualityLabelTest, ShowsTheFitWithAPointAlsoUnderAGermanLocale) {
  platform::LoadLocale("de_DE.UTF-8");
  frm->NLabFitQual.SetValue(0.98765);
  frm->NLabFitQual.SetEmpty(false);
  EXPECT_EQ(ShownText(), "0.9877");
  platform::LoadLocale("C");
}

TEST_F(FitQualityLabelTest, SettingTheValueRepaintsTheScreenAtOnce) {
  frm->NLabFitQual.SetEmpty(true);
  EXPECT_EQ(ValueInk(), 0);
  frm->NLabFitQual.SetValue(0.5);
  frm->NLabFitQual.SetEmpty(false);
  EXPECT_GT(ValueInk(), 0);
}

}  // namespace
