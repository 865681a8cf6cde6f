#include <QClipboard>
#include <QGuiApplication>
#include <QMimeData>
#include <memory>

#include "app/frm_main.h"
#include "app/message_boxes.h"
#include "app/plot_file.h"
#include "app_core/fit_analysis.h"
#include "app_core/fit_report.h"

namespace {

// The result's report at the command line's default level.
constexpr double kResultLevel = 0.95;
// The picture at twice the chart's logical size, as --plot draws it.
constexpr double kClipboardScale = 2;

}  // namespace

void TFrmMain::CopyResultCommand() {
  const std::optional<ModelRow> row = ShownModel();
  if (!row) {
    InformationBox(kNoResultText);
    return;
  }
  const FitAnalysis& a = ShownAnalysisAt(kResultLevel, false);

  auto mime = std::make_unique<QMimeData>();
  mime->setText(QString::fromStdString(ResultText(a.report)));
  mime->setHtml(QString::fromStdString(ResultHtml(a.report)));
  DrawPictureOf([&](TVArori& chart, const std::string& caption) {
    mime->setImageData(ChartPictureImage(chart, caption, kClipboardScale));
  });
  QGuiApplication::clipboard()->setMimeData(mime.release());
}
