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

#include "format/shortest_text.h"
#include "platform/qt/event_dispatch.h"

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
