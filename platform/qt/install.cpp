#include "platform/qt/install.h"

#include <QApplication>
#include <QGuiApplication>
#include <QImage>
#include <QMessageBox>
#include <QPixmap>

#include "platform/message_box.h"
#include "platform/qt/event_dispatch.h"
#include "platform/qt/qt_bitmap.h"

namespace platform_qt {

QCursor ToQCursor(platform::TCursor cursor) {
  if (cursor == platform::crCross) return QCursor(Qt::CrossCursor);
  if (cursor < platform::crHand || cursor > platform::crZoomP) return QCursor(Qt::ArrowCursor);
  const auto& picture = platform::CustomCursorImage(cursor);
  QImage image(picture.Width, picture.Height, QImage::Format_ARGB32);
  for (int y = 0; y < picture.Height; ++y) {
    for (int x = 0; x < picture.Width; ++x) {
      switch (picture.At(x, y)) {
        case platform::CursorImage::Black:
          image.setPixel(x, y, qRgb(0, 0, 0));
          break;
        case platform::CursorImage::White:
          image.setPixel(x, y, qRgb(255, 255, 255));
          break;
        default:
          image.setPixel(x, y, qRgba(0, 0, 0, 0));
          break;
      }
    }
  }
  return QCursor(QPixmap::fromImage(image), picture.HotX, picture.HotY);
}

namespace {

void ApplyCursor(platform::TCursor cursor) {
  if (cursor == platform::crDefault) {
    while (QGuiApplication::overrideCursor()) QGuiApplication::restoreOverrideCursor();
    return;
  }
  if (QGuiApplication::overrideCursor())
    QGuiApplication::changeOverrideCursor(ToQCursor(cursor));
  else
    QGuiApplication::setOverrideCursor(ToQCursor(cursor));
}

}  // namespace

void InstallQtPlatform() {
  platform::SetBitmapFactory([](int width, int height) -> std::unique_ptr<platform::Bitmap> {
    return std::make_unique<QtBitmap>(width, height);
  });
  platform::SetCursorBackend(ApplyCursor);
  platform::SetInformationBoxBackend([](const std::string& text) {
    NestedEventLoopScope nested;
    QMessageBox::information(QApplication::activeWindow(), QApplication::applicationName(),
                             QString::fromStdString(text), QMessageBox::Ok);
  });
}

}  // namespace platform_qt
