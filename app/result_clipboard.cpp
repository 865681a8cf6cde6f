#include <QClipboard>
#include <QGuiApplication>
#include <QMimeData>
#include <memory>
#include <vector>

#include "app/frm_main.h"
#include "app/message_boxes.h"
#include "app/plot_file.h"
#include "app_core/curve_sampling.h"
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
    InformationBox("Noch kein Ergebnis: bitte zuerst ein Modell wählen.");
    return;
  }
  const std::size_t n = std::size_t(Stats1.NumPoints());
  const auto& table = Stats1.PointTable();
  std::vector<DataPoint> points(n);
  for (std::size_t i = 0; i < n; ++i) points[i] = {table.Column(1)[i], table.Column(2)[i]};
  const CurveSampling samples(VArori1.Scale1X().RangeLow(), VArori1.Scale1X().RangeHigh());
  const FitAnalysis a =
      AnalyseFit(Stats1, points, *row, kResultLevel, row->Choice().mergeTies, samples, false);

  auto mime = std::make_unique<QMimeData>();
  mime->setText(QString::fromStdString(ResultText(a.report)));
  mime->setHtml(QString::fromStdString(ResultHtml(a.report)));
  DrawPictureOf([&](TVArori& chart, const std::string& caption) {
    mime->setImageData(ChartPictureImage(chart, caption, kClipboardScale));
  });
  QGuiApplication::clipboard()->setMimeData(mime.release());
}
