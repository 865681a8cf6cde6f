#pragma once

#include <QCursor>

#include "platform/cursor.h"

namespace platform_qt {

// Puts the Qt implementation behind the platform layer: bitmaps and the application-wide
// cursor. Call once after the QApplication exists.
void InstallQtPlatform();

// The Qt cursor for a cursor number; unknown numbers give the arrow.
QCursor ToQCursor(platform::TCursor cursor);

}  // namespace platform_qt
