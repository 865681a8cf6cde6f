#include "app/frm_main.h"

#include <gtest/gtest.h>

TEST(FrmMain, StartsWithItsCaptionAndDesignSize) {
  TFrmMain frm;
  frm.show();
  EXPECT_EQ(frm.windowTitle().toStdString(),
            "      Ravelon V0.6    -    Univariante Regression");
  EXPECT_EQ(frm.size(), QSize(841, 657));
  EXPECT_EQ(frm.minimumSize(), QSize(841, 657));
  frm.resize(600, 400);
  EXPECT_EQ(frm.size(), QSize(841, 657));
}
