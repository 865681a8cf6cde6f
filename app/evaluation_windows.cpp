#include "app/evaluation_windows.h"

#include <QDoubleSpinBox>
#include <QFontDatabase>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPlainTextEdit>
#include <QSettings>
#include <QTableWidget>
#include <QVBoxLayout>
#include <algorithm>

#include "app_core/chart_setup.h"
#include "app_core/data_axes.h"
#include "format/shortest_text.h"
#include "platform/qt/event_dispatch.h"
#include "platform/qt/host_widget.h"

namespace {

QSettings Settings() {
  return QSettings(QStringLiteral("ravelon"), QStringLiteral("ravelon"));
}

QString FromStd(const std::string& text) {
  return QString::fromUtf8(text.data(), qsizetype(text.size()));
}

}  // namespace

KeptWindow::KeptWindow(QWidget* parent, const char* key, const QString& title, QSize size)
    : QWidget(parent, Qt::Window), key_(key) {
  setWindowTitle(title);
  resize(size);
  const QByteArray geometry = Settings().value(QString::fromLatin1(key_)).toByteArray();
  if (!geometry.isEmpty()) restoreGeometry(geometry);
}

void KeptWindow::ShowAndRaise() {
  show();
  raise();
  activateWindow();
}

void KeptWindow::hideEvent(QHideEvent* event) {
  Settings().setValue(QString::fromLatin1(key_), saveGeometry());
  QWidget::hideEvent(event);
}

StatisticsWindow::StatisticsWindow(QWidget* parent)
    : KeptWindow(parent, "statisticsWindow", QStringLiteral("Ravelon – Statistik"), {900, 600}) {
  setObjectName(QStringLiteral("Statistik"));
  LevelEdit = new QDoubleSpinBox(this);
  LevelEdit->setObjectName(QStringLiteral("LevelEdit"));
  LevelEdit->setRange(50, 99.9);
  LevelEdit->setDecimals(1);
  LevelEdit->setSingleStep(1);
  LevelEdit->setSuffix(QStringLiteral(" %"));
  LevelEdit->setValue(95);
  LevelEdit->setAccessibleName(QStringLiteral("Konfidenzniveau"));
  auto* levelLabel = new QLabel(QStringLiteral("Konfidenzniveau:"), this);
  levelLabel->setBuddy(LevelEdit);
  Report = new QPlainTextEdit(this);
  Report->setObjectName(QStringLiteral("Report"));
  Report->setReadOnly(true);
  // Replaced whole at every change: nothing to undo, and no history to build.
  Report->setUndoRedoEnabled(false);
  Report->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
  Report->setLineWrapMode(QPlainTextEdit::NoWrap);
  // The report's columns line up in a fixed-width font.
  Report->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
  Report->setAccessibleName(QStringLiteral("Bericht"));
  auto* top = new QHBoxLayout;
  top->addWidget(levelLabel);
  top->addWidget(LevelEdit);
  top->addStretch();
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(top);
  layout->addWidget(Report);
  connect(LevelEdit, &QDoubleSpinBox::valueChanged, this, [this] {
    platform_qt::DispatchEvent([this] {
      if (OnLevelChanged) OnLevelChanged();
    });
  });
}

double StatisticsWindow::Level() const {
  return LevelEdit->value() / 100;
}

void StatisticsWindow::SetText(const std::string& text) {
  Report->setPlainText(FromStd(text));
}

std::string StatisticsWindow::Text() const {
  return Report->toPlainText().toStdString();
}

ComparisonWindow::ComparisonWindow(QWidget* parent)
    : KeptWindow(parent, "comparisonWindow", QStringLiteral("Ravelon – Modellvergleich"),
                 {720, 480}) {
  setObjectName(QStringLiteral("Modellvergleich"));
  Message = new QLabel(this);
  Message->setWordWrap(true);
  Table = new QTableWidget(0, 6, this);
  Table->setObjectName(QStringLiteral("Table"));
  Table->setHorizontalHeaderLabels({QStringLiteral("Modell"), QStringLiteral("Anpassungsgrad"),
                                    QStringLiteral("Parameter"), QStringLiteral("RSS"),
                                    QStringLiteral("AIC"), QStringLiteral("Meldung")});
  Table->setEditTriggers(QAbstractItemView::NoEditTriggers);
  Table->setSelectionBehavior(QAbstractItemView::SelectRows);
  Table->setSelectionMode(QAbstractItemView::SingleSelection);
  Table->verticalHeader()->setVisible(false);
  Table->horizontalHeader()->setStretchLastSection(true);
  Table->setAccessibleName(QStringLiteral("Modelle"));
  auto* hint = new QLabel(
      QStringLiteral("Doppelklick oder Eingabe auf eine Zeile zeigt das Modell im Hauptfenster."),
      this);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(Message);
  layout->addWidget(Table);
  layout->addWidget(hint);
  connect(Table, &QTableWidget::itemActivated, this, [this](QTableWidgetItem* item) {
    platform_qt::DispatchEvent([this, item] {
      const std::size_t row = std::size_t(item->row());
      if (row < rows_.size() && rows_[row].error.empty() && OnChoose) OnChoose(rows_[row].choice);
    });
  });
}

void ComparisonWindow::SetRows(std::vector<ModelComparison> rows) {
  rows_ = std::move(rows);
  Message->clear();
  Message->setVisible(false);
  Table->setRowCount(int(rows_.size()));
  constexpr char kNone[] = "\u2013";
  for (std::size_t i = 0; i < rows_.size(); ++i) {
    const ModelComparison& c = rows_[i];
    const bool refused = !c.error.empty();
    const std::string cells[] = {c.model,
                                 refused ? kNone : c.fitQuality,
                                 refused ? kNone : ShortestText(c.parameters),
                                 refused ? kNone : ShortestText(c.rss),
                                 refused ? kNone : (c.aic ? ShortestText(*c.aic) : "-inf"),
                                 c.error};
    for (int col = 0; col < 6; ++col) {
      auto* item = new QTableWidgetItem(FromStd(cells[col]));
      if (col >= 1 && col <= 4) item->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
      Table->setItem(int(i), col, item);
    }
  }
  Table->resizeColumnsToContents();
}

void ComparisonWindow::SetMessage(const std::string& text) {
  rows_.clear();
  Table->setRowCount(0);
  Message->setText(FromStd(text));
  Message->setVisible(true);
}

ResidualWindow::ResidualWindow(QWidget* parent)
    : KeptWindow(parent, "residualWindow", QStringLiteral("Ravelon – Residuen"), {820, 420}) {
  setObjectName(QStringLiteral("Residuen"));
  About = new QLabel(this);
  About->setObjectName(QStringLiteral("About"));
  About->setWordWrap(true);
  About->setTextInteractionFlags(Qt::TextSelectableByMouse);
  SetUpMainChart(Chart);
  // x follows the main chart; the user may move the residuals up and down.
  Chart.SetMouseAction(maPanVert);
  // Over the grid, whose line at zero is dotted, and over the marks, as a reference line.
  Chart.OnDataRendered = [](TVArori& c, platform::Canvas& canvas, int top, int left) {
    int x0 = 0, x1 = 0, y = 0;
    c.WorldToPixel(1, c.Scale1X().RangeLow(), 0, x0, y);
    c.WorldToPixel(1, c.Scale1X().RangeHigh(), 0, x1, y);
    canvas.GetPen().Color = platform::clBlack;
    canvas.GetPen().Style = platform::psSolid;
    canvas.GetPen().Mode = platform::pmCopy;
    canvas.GetPen().Width = 1;
    canvas.MoveTo(x0 - left, y - top);
    canvas.LineTo(x1 - left + 1, y - top);
  };
  host_ = std::make_unique<platform_qt::ControlHostWidget>(Chart, this);
  ChartHost = host_.get();
  ChartHost->setObjectName(QStringLiteral("ResidualChart"));
  ChartHost->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
  ChartHost->setMinimumSize(200, 120);
  ChartHost->setAccessibleName(QStringLiteral("Residuen"));
  ChartHost->setAccessibleDescription(
      QStringLiteral("Residuals of the fitted model against x, with a zero line"));
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(About);
  layout->addWidget(ChartHost, 1);
}

ResidualWindow::~ResidualWindow() = default;

void ResidualWindow::SetResiduals(const FitAnalysis& analysis, double leverageLimit,
                                  const std::string& about) {
  std::vector<DataPoint> plain, high;
  plain.reserve(std::size_t(analysis.report.n));
  double low = 0, top = 0;
  analysis.residuals([&](const ResidualRow& r) {
    if (!r.residual) return;
    const DataPoint p{r.x, *r.residual};
    (r.leverage && *r.leverage > leverageLimit ? high : plain).push_back(p);
    low = std::min(low, p.y);
    top = std::max(top, p.y);
  });
  const AxisRange y = RoundRangeAround(low, top, kChartMinTicks, kChartMinRange);
  {
    const HeldPainting hold(Chart);
    Chart.ClearItems();
    Chart.SetDataColor(kPointColor);
    Chart.AddMarks(plain, kPointMark);
    Chart.SetDataColor(kLeverageColor);
    Chart.AddMarks(high, kPointMark);
    Chart.Scale1Y().SetRangeLow(y.Low);
    Chart.Scale1Y().SetRangeHigh(y.High);
  }
  About->setText(FromStd(about));
}

void ResidualWindow::SetMessage(const std::string& text) {
  Chart.ClearItems();
  Chart.ShowItems();
  About->setText(FromStd(text));
}

void ResidualWindow::FollowX(double low, double high) {
  if (Chart.Scale1X().RangeLow() == low && Chart.Scale1X().RangeHigh() == high) return;
  const HeldPainting hold(Chart);
  Chart.Scale1X().SetRangeLow(low);
  Chart.Scale1X().SetRangeHigh(high);
}
