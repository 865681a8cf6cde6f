#include "platform/qt/host_widget.h"

#include <gtest/gtest.h>

#include <QGuiApplication>
#include <QTest>
#include <stdexcept>
#include <string>
#include <vector>

#include "platform/cursor.h"
#include "platform/qt/event_dispatch.h"
#include "platform/qt/install.h"

using namespace platform;

namespace {

class RecordingControl : public Control {
 public:
  void Paint() override {
    ++paints;
    auto& c = GetCanvas();
    c.GetBrush() = Brush{clRed, bsSolid};
    c.GetPen().Style = psClear;
    c.Rectangle(0, 0, Width() + 1, Height() + 1);
  }
  void MouseDown(TMouseButton b, TShiftState s, int x, int y) override {
    log.push_back("down " + std::to_string(b) + " " + std::to_string(s) + " " + std::to_string(x) +
                  "," + std::to_string(y));
  }
  void MouseUp(TMouseButton b, TShiftState s, int x, int y) override {
    log.push_back("up " + std::to_string(b) + " " + std::to_string(s) + " " + std::to_string(x) +
                  "," + std::to_string(y));
  }
  void MouseMove(TShiftState s, int x, int y) override {
    log.push_back("move " + std::to_string(s) + " " + std::to_string(x) + "," + std::to_string(y));
  }
  void DblClick() override { log.push_back("dblclick"); }
  int paints = 0;
  std::vector<std::string> log;
};

TEST(ControlHostWidget, FollowsTheControlsBoundsAndPaintsIntoItsScreenImage) {
  QWidget parent;
  parent.resize(300, 200);
  RecordingControl control;
  control.SetBounds(10, 20, 50, 40);
  platform_qt::ControlHostWidget host(control, &parent);
  parent.show();
  EXPECT_EQ(host.geometry(), QRect(10, 20, 50, 40));
  EXPECT_EQ(control.Host(), &host);

  control.Invalidate();
  QApplication::processEvents();
  EXPECT_GE(control.paints, 1);
  EXPECT_EQ(host.ScreenImage().size(), QSize(50, 40));
  EXPECT_EQ(host.ScreenImage().pixel(49, 39), qRgb(255, 0, 0));
  EXPECT_EQ(host.grab().toImage().pixel(25, 20), qRgb(255, 0, 0));

  host.setGeometry(5, 6, 70, 30);
  EXPECT_EQ(control.Left(), 5);
  EXPECT_EQ(control.Width(), 70);
  EXPECT_EQ(host.ScreenImage().size(), QSize(70, 30));
  control.SetVisible(false);
  EXPECT_FALSE(host.isVisible());
}

TEST(ControlHostWidget, ForwardsMouseEventsInClientPixelsWithTheShiftState) {
  RecordingControl control;
  control.SetBounds(0, 0, 100, 80);
  platform_qt::ControlHostWidget host(control);
  host.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&host));

  QTest::mousePress(&host, Qt::LeftButton, Qt::ShiftModifier, QPoint(10, 12));
  QTest::mouseMove(&host, QPoint(150, 20));  // outside, while the button is held
  QTest::mouseRelease(&host, Qt::LeftButton, Qt::NoModifier, QPoint(150, 20));
  ASSERT_GE(control.log.size(), 3u);
  EXPECT_EQ(control.log.front(), "down 0 9 10,12");  // ssShift | ssLeft
  EXPECT_NE(std::find(control.log.begin(), control.log.end(), "move 8 150,20"), control.log.end());
  EXPECT_EQ(control.log.back(), "up 0 0 150,20");

  control.log.clear();
  QTest::mousePress(&host, Qt::RightButton, Qt::NoModifier, QPoint(3, 4));
  QTest::mouseRelease(&host, Qt::RightButton, Qt::NoModifier, QPoint(3, 4));
  QTest::mouseDClick(&host, Qt::RightButton, Qt::NoModifier, QPoint(3, 4));
  QTest::mouseRelease(&host, Qt::RightButton, Qt::NoModifier, QPoint(3, 4));
  const std::vector<std::string> doubleClick = {"down 1 16 3,4", "up 1 0 3,4", "dblclick",
                                                "down 1 80 3,4", "up 1 0 3,4"};
  EXPECT_EQ(control.log, doubleClick);

  control.log.clear();
  control.SetEnabled(false);
  QTest::mouseClick(&host, Qt::LeftButton, Qt::NoModifier, QPoint(3, 4));
  EXPECT_TRUE(control.log.empty());
}

TEST(EventDispatch, OnlyTheOutermostHandlerCatchesAndReports) {
  std::vector<std::string> reported;
  platform_qt::SetErrorReporter([&](const std::exception& e) { reported.push_back(e.what()); });
  bool outerContinued = false;
  platform_qt::DispatchEvent([&] {
    try {
      platform_qt::DispatchEvent([] { throw std::runtime_error("inner"); });
    } catch (const std::runtime_error&) {
      outerContinued = true;
      throw;
    }
  });
  EXPECT_TRUE(outerContinued);
  EXPECT_EQ(reported, std::vector<std::string>{"inner"});

  platform_qt::DispatchEvent([&] {
    platform_qt::NestedEventLoopScope scope;
    platform_qt::DispatchEvent([] { throw std::runtime_error("in a nested loop"); });
  });
  EXPECT_EQ(reported.back(), "in a nested loop");
  platform_qt::SetErrorReporter(nullptr);
}

TEST(EventDispatch, NothingLeavesTheOutermostDispatch) {
  EXPECT_NO_THROW(platform_qt::DispatchEvent([] { throw 42; }));
  platform_qt::SetErrorReporter([](const std::exception&) { throw std::runtime_error("box"); });
  EXPECT_NO_THROW(platform_qt::DispatchEvent([] { throw std::runtime_error("handler"); }));
  platform_qt::SetErrorReporter(nullptr);
}

TEST(ScreenCursor, TheQtBackendShowsEveryCursorNumber) {
  platform_qt::InstallQtPlatform();
  SetScreenCursor(crCross);
  ASSERT_NE(QGuiApplication::overrideCursor(), nullptr);
  EXPECT_EQ(QGuiApplication::overrideCursor()->shape(), Qt::CrossCursor);
  for (TCursor c : {crHand, crZoomW, crZoomD, crZoomP}) {
    SetScreenCursor(c);
    EXPECT_EQ(QGuiApplication::overrideCursor()->shape(), Qt::BitmapCursor);
    EXPECT_EQ(QGuiApplication::overrideCursor()->hotSpot(),
              QPoint(CustomCursorImage(c).HotX, CustomCursorImage(c).HotY));
  }
  SetScreenCursor(crDefault);
  EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr);
  EXPECT_EQ(ScreenCursor(), crDefault);
}

}  // namespace
