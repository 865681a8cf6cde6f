#include <QCloseEvent>

#include "app/evaluation_windows.h"
#include "app/frm_main.h"
#include "app/message_boxes.h"
#include "app/user_guide.h"
#include "platform/qt/event_dispatch.h"

namespace {
constexpr const char* kExportFile = "veda.asc";
}

// Every close, by "Ende", the title bar or the window manager, comes here. An error while the
// file is written keeps the window open, so a later close can try again.
void TFrmMain::closeEvent(QCloseEvent* event) {
  bool closing = false;
  platform_qt::DispatchEvent([&] {
    ExportOnClose();
    closing = true;
  });
  if (closing) {
    // The windows beside it close with it.
    for (QWidget* w : {static_cast<QWidget*>(Guide), static_cast<QWidget*>(Statistik),
                       static_cast<QWidget*>(Residuen), static_cast<QWidget*>(Vergleich)})
      if (w) w->close();
    event->accept();
  } else
    event->ignore();
}

void TFrmMain::ExportOnClose() {
  std::string errorText;
  Stats1.WriteAscFile(kExportFile, "Data exported from Kovix TRovavAza", 6, errorText);
  // The close goes on, but the points that could not be saved are not lost without a word.
  if (!errorText.empty())
    ShowErrorBox(std::string("Die Datei \"") + kExportFile +
                 "\" konnte nicht geschrieben werden: " + errorText);
}

void TFrmMain::CommitSessionData() {
  platform_qt::DispatchEvent([&] { ExportOnClose(); });
}
