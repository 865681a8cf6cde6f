#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileInfo>
#include <QLabel>
#include <QMimeData>
#include <QUrl>
#include <optional>
#include <stdexcept>

#include "app/column_dialog.h"
#include "app/frm_main.h"
#include "app/message_boxes.h"
#include "app_core/chart_setup.h"
#include "io/data_file.h"
#include "platform/qt/event_dispatch.h"
#include "platform/qt/float_edit.h"
#include "platform/qt/speed_button.h"

namespace {

// The one local file a drag carries; empty for several files, folders of URLs or none.
QString DroppedFile(const QMimeData* mime) {
  if (!mime || !mime->hasUrls()) return {};
  const QList<QUrl> urls = mime->urls();
  if (urls.size() != 1 || !urls.front().isLocalFile()) return {};
  return urls.front().toLocalFile();
}

}  // namespace

void TFrmMain::OpenDataFile(const std::string& path, const ColumnChoice& columns) {
  const EvaluationUpdate update(*this);
  // The whole file is read and checked before anything changes.
  DataFileResult file = ReadDataFile(path, columns);
  if (!file.Ok()) throw std::runtime_error(file.error);
  // More than two numeric columns: the user picks two, or cancels and nothing changes.
  if (!columns.Given() && file.numericColumns.size() > 2) {
    const std::optional<ColumnChoice> choice = AskForColumns(this, file, path);
    if (!choice) return;
    if (choice->x != std::to_string(file.xColumn) || choice->y != std::to_string(file.yColumn)) {
      file = ReadDataFile(path, *choice);
      if (!file.Ok()) throw std::runtime_error(file.error);
    }
  }

  // As "Grafik Clear" followed by entering the points, with every model button released.
  Stats1.ClearData();
  VArori1.ClearItems();
  HideBand(VArori1);
  ForgetShownModel();
  SBNewPnts->SetDown(false);
  for (auto* b : ModelButtons()) b->SetDown(false);
  LblFormula->setVisible(false);
  LblParams->setVisible(true);
  LblParams->clear();
  PrepareModelControls();

  Stats1.AddPoints(file.points);
  {
    // One picture for the new marks and both axes, when the scope ends, instead of one per
    // setter.
    const HeldPainting hold(VArori1);
    ShowPointsOnChart(VArori1, file.points);
    file.points = {};
  }
  PointsChanged();
  shownFile_ = QFileInfo(QString::fromStdString(path)).fileName().toStdString();
  setWindowTitle(QString::fromStdString(CaptionText(shownFile_)));
  RememberFile(path);
  GraphXmaxEdit->SetValueExactly(VArori1.Scale1X().RangeHigh());
  GraphYmaxEdit->SetValueExactly(VArori1.Scale1Y().RangeHigh());
  // A clamped order runs the polynomial command here, on the new axes.
  UpdateOrderLimit();
  // Told once the chart shows the points that remain.
  if (file.skippedCount) InformationBox(SkippedNotice(file));
}

// Files dropped anywhere on the window, the chart and the edits included.
void TFrmMain::dragEnterEvent(QDragEnterEvent* event) {
  if (!DroppedFile(event->mimeData()).isEmpty()) event->acceptProposedAction();
}

void TFrmMain::dragMoveEvent(QDragMoveEvent* event) {
  if (!DroppedFile(event->mimeData()).isEmpty()) event->acceptProposedAction();
}

void TFrmMain::dropEvent(QDropEvent* event) {
  const QString path = DroppedFile(event->mimeData());
  if (path.isEmpty()) return;
  event->acceptProposedAction();
  platform_qt::DispatchEvent([&] { OpenDataFile(path.toStdString()); });
}

// Edits take dropped text themselves; a dropped file is opened instead of typed into them.
bool TFrmMain::eventFilter(QObject* watched, QEvent* event) {
  switch (event->type()) {
    case QEvent::DragEnter:
    case QEvent::DragMove:
    case QEvent::Drop: {
      auto* drop = static_cast<QDropEvent*>(event);
      if (DroppedFile(drop->mimeData()).isEmpty()) break;
      if (event->type() == QEvent::Drop)
        dropEvent(drop);
      else
        drop->acceptProposedAction();
      return true;
    }
    default:
      break;
  }
  return QMainWindow::eventFilter(watched, event);
}

void TFrmMain::AcceptDroppedFiles() {
  setAcceptDrops(true);
  for (QWidget* child : findChildren<QWidget*>())
    if (child->acceptDrops()) child->installEventFilter(this);
}
