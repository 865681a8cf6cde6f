#include "app/column_dialog.h"

#include <QDialog>
#include <QDialogButtonBox>
#include <QFileInfo>
#include <QGridLayout>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <algorithm>

#include "platform/qt/event_dispatch.h"

namespace {

QString FromStd(const std::string& text) {
  return QString::fromUtf8(text.data(), qsizetype(text.size()));
}

}  // namespace

std::optional<ColumnChoice> AskForColumns(QWidget* parent, const DataFileResult& file,
                                          const std::string& fileName) {
  QDialog dialog(parent);
  dialog.setObjectName(QStringLiteral("ColumnDialog"));
  dialog.setWindowTitle(QStringLiteral("Spalten wählen"));
  dialog.setWindowModality(Qt::ApplicationModal);

  auto* layout = new QGridLayout(&dialog);
  auto* text =
      new QLabel(QStringLiteral("Die Datei \"%1\" hat %2 Zahlenspalten. Welche geben x und y?")
                     .arg(QFileInfo(FromStd(fileName)).fileName())
                     .arg(file.numericColumns.size()),
                 &dialog);
  text->setWordWrap(true);
  layout->addWidget(text, 0, 0, 1, 2);

  std::array<QListWidget*, 2> lists{};
  const std::array<std::size_t, 2> preselected = {file.xColumn, file.yColumn};
  const std::array<const char*, 2> titles = {"x-Werte:", "y-Werte:"};
  const std::array<const char*, 2> names = {"XColumnList", "YColumnList"};
  for (int side = 0; side < 2; ++side) {
    auto* label = new QLabel(QString::fromUtf8(titles[side]), &dialog);
    QListWidget*& list = lists[side];
    list = new QListWidget(&dialog);
    list->setObjectName(QString::fromUtf8(names[side]));
    label->setBuddy(list);
    for (const std::size_t column : file.numericColumns) {
      auto* item = new QListWidgetItem(FromStd(ColumnLabel(file, column)), list);
      item->setData(Qt::UserRole, qulonglong(column));
      if (column == preselected[side]) list->setCurrentItem(item);
    }
    // Tall enough for the columns, up to ten rows; more scroll.
    const int rows = std::min<int>(int(file.numericColumns.size()), 10);
    list->setFixedHeight(list->sizeHintForRow(0) * rows + 2 * list->frameWidth() + 2);
    layout->addWidget(label, 1, side);
    layout->addWidget(list, 2, side);
  }

  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, &dialog);
  buttons->button(QDialogButtonBox::Cancel)->setText(QStringLiteral("Abbrechen"));
  buttons->button(QDialogButtonBox::Ok)->setDefault(true);
  QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
  QObject::connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
  layout->addWidget(buttons, 3, 0, 1, 2);
  lists[0]->setFocus();

  int result = QDialog::Rejected;
  {
    platform_qt::NestedEventLoopScope scope;
    result = dialog.exec();
  }
  if (result != QDialog::Accepted) return std::nullopt;
  ColumnChoice choice;
  choice.numbers = true;
  for (int side = 0; side < 2; ++side) {
    const QListWidgetItem* item = lists[side]->currentItem();
    if (!item) return std::nullopt;
    (side == 0 ? choice.x : choice.y) = std::to_string(item->data(Qt::UserRole).toULongLong());
  }
  return choice;
}
