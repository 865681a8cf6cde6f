#include <QFileInfo>
#include <QLabel>
#include <QSettings>
#include <QStringList>
#include <stdexcept>

#include "app/frm_main.h"
#include "app/message_boxes.h"
#include "app/plot_file.h"
#include "app_core/chart_setup.h"
#include "app_core/whole_file.h"
#include "io/points_writer.h"
#include "platform/qt/scroll_bar.h"
#include "platform/qt/speed_button.h"
#include "platform/qt/spin_edit.h"

namespace {

constexpr char kDataFilters[] = "Daten (*.csv *.tsv *.txt *.dat *.asc);;Alle Dateien (*)";
constexpr char kPointsFilters[] =
    "CSV (*.csv);;Text mit Tabulatoren (*.tsv *.txt);;Ravelon-Export (*.asc);;Alle Dateien (*)";
constexpr char kPictureFilters[] = "PNG-Bild (*.png);;SVG-Grafik (*.svg);;PDF-Dokument (*.pdf)";
// A PNG of the chart holds twice its logical pixels, sharp in a report.
constexpr double kPictureScale = 2;

// The user's settings: the recent files and the dialogs' folder, kept in the user's
// configuration folder.
QSettings Settings() {
  return QSettings(QStringLiteral("ravelon"), QStringLiteral("ravelon"));
}

QString FromStd(const std::string& text) {
  return QString::fromUtf8(text.data(), qsizetype(text.size()));
}

std::string Absolute(const std::string& path) {
  return QFileInfo(FromStd(path)).absoluteFilePath().toStdString();
}

}  // namespace

std::vector<std::string> TFrmMain::RecentFiles() const {
  std::vector<std::string> files;
  for (const QString& f : Settings().value(QStringLiteral("recentFiles")).toStringList())
    if (int(files.size()) < kRecentFiles) files.push_back(f.toStdString());
  return files;
}

void TFrmMain::RememberFile(const std::string& path) {
  const QString file = FromStd(Absolute(path));
  QStringList files = Settings().value(QStringLiteral("recentFiles")).toStringList();
  files.removeAll(file);
  files.prepend(file);
  while (files.size() > kRecentFiles) files.removeLast();
  Settings().setValue(QStringLiteral("recentFiles"), files);
  RememberFolder(path);
  FillRecentMenu();
}

void TFrmMain::ForgetRecentFile(const std::string& path) {
  QStringList files = Settings().value(QStringLiteral("recentFiles")).toStringList();
  files.removeAll(FromStd(path));
  Settings().setValue(QStringLiteral("recentFiles"), files);
  FillRecentMenu();
}

std::string TFrmMain::DialogFolder() const {
  return Settings().value(QStringLiteral("lastFolder")).toString().toStdString();
}

void TFrmMain::RememberFolder(const std::string& path) {
  Settings().setValue(QStringLiteral("lastFolder"), QFileInfo(FromStd(path)).absolutePath());
}

void TFrmMain::OpenFileCommand() {
  const std::string path = AskOpenFileName("Werte-Tabelle laden", DialogFolder(), kDataFilters);
  if (path.empty()) return;
  OpenDataFile(path);
}

void TFrmMain::OpenRecentFile(const std::string& path) {
  try {
    OpenDataFile(path);
  } catch (const std::exception&) {
    // The reader's message names the file; it is no longer offered.
    ForgetRecentFile(path);
    throw;
  }
}

void TFrmMain::SavePointsCommand() {
  const int n = Stats1.NumPoints();
  if (n == 0) {
    InformationBox("Keine Punkte zum Speichern.");
    return;
  }
  const std::string suggested =
      DialogFolder().empty() ? "punkte.csv" : DialogFolder() + "/punkte.csv";
  const std::string path = AskSaveFileName("Werte-Tabelle speichern", suggested, kPointsFilters);
  if (path.empty()) return;
  const auto& table = Stats1.PointTable();
  WriteFileWhole(path, [&](int fd) {
    return WritePoints(fd, table.Column(1).first(std::size_t(n)),
                       table.Column(2).first(std::size_t(n)), PointsLayoutFor(path));
  });
  RememberFolder(path);
}

void TFrmMain::DrawPictureOf(
    const std::function<void(TVArori& chart, const std::string& caption)>& use) {
  TVArori picture;
  SetUpMainChart(picture);
  picture.SetBounds(0, 0, VArori1.Width(), VArori1.Height());
  picture.HoldPainting(true);
  picture.SetUseDataOf(&VArori1);
  picture.Scale1X().SetRangeLow(VArori1.Scale1X().RangeLow());
  picture.Scale1X().SetRangeHigh(VArori1.Scale1X().RangeHigh());
  picture.Scale1Y().SetRangeLow(VArori1.Scale1Y().RangeLow());
  picture.Scale1Y().SetRangeHigh(VArori1.Scale1Y().RangeHigh());
  const std::optional<ModelRow> row = ShownModel();
  const std::string caption =
      row ? ModelCaption(*row, LblFormula->text().toStdString(), LblParams->text().toStdString(),
                         NLabFitQual.Value())
          : shownFile_;
  use(picture, caption);
}

void TFrmMain::SavePictureCommand() {
  const std::string suggested =
      DialogFolder().empty() ? "diagramm.png" : DialogFolder() + "/diagramm.png";
  std::string path = AskSaveFileName("Bild speichern", suggested, kPictureFilters);
  if (path.empty()) return;
  // A name without an extension is a PNG, as the first filter offers.
  if (QFileInfo(FromStd(path)).suffix().isEmpty()) path += ".png";
  DrawPictureOf([&](TVArori& chart, const std::string& caption) {
    WriteChartPicture(chart, caption, path, kPictureScale);
  });
  RememberFolder(path);
}

std::optional<ModelRow> TFrmMain::ShownModel() const {
  if (Stats1.NumPoints() == 0) return std::nullopt;
  return shownModel_;
}

void TFrmMain::PointsChanged() {
  // The curve shown, if any, belongs to the old points; the buttons are released.
  ForgetShownModel();
  storePoints_.clear();
  shownFile_.clear();
  mergeTies_ = false;
  comparisonStale_ = true;
  setWindowTitle(FromStd(CaptionText("")));
}
