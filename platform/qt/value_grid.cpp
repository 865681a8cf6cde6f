#include "platform/qt/value_grid.h"

#include <QHeaderView>
#include <QLineEdit>
#include <QStyledItemDelegate>

#include "platform/qt/minus_sign.h"

namespace platform_qt {

namespace {

class NumericCellDelegate : public QStyledItemDelegate {
 public:
  using QStyledItemDelegate::QStyledItemDelegate;
  QWidget* createEditor(QWidget* parent, const QStyleOptionViewItem&,
                        const QModelIndex&) const override {
    auto* editor = new QLineEdit(parent);
    editor->setFrame(false);
    editor->setMaxLength(ValueGrid::kMaxEditLength);
    // Digits, signs (the minus sign U+2212 too), both separators, exponents and blanks.
    editor->setValidator(
        new MinusSignValidator(QRegularExpression(QStringLiteral("[-+0-9.,eE ]*")), editor));
    return editor;
  }
};

QString FromStd(const std::string& text) {
  return QString::fromUtf8(text.data(), qsizetype(text.size()));
}

}  // namespace

ValueGrid::ValueGrid(int colCount, int rowCount, QWidget* parent)
    : QTableWidget(std::max(rowCount - 1, 0), colCount, parent) {
  verticalHeader()->hide();
  horizontalHeader()->setSectionsClickable(false);
  horizontalHeader()->setStretchLastSection(true);
  horizontalHeader()->setHighlightSections(false);
  setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  setSelectionMode(QAbstractItemView::ContiguousSelection);
  setSelectionBehavior(QAbstractItemView::SelectItems);
  setEditTriggers(QAbstractItemView::DoubleClicked | QAbstractItemView::EditKeyPressed |
                  QAbstractItemView::AnyKeyPressed);
  setTabKeyNavigation(true);
  setItemDelegate(new NumericCellDelegate(this));
  for (int c = 0; c < colCount; ++c) setHorizontalHeaderItem(c, new QTableWidgetItem());
  QFont bold = font();
  bold.setBold(true);
  SetFixedFont(bold);
  SetRowHeight(21);
}

void ValueGrid::SetRowHeight(int height) {
  verticalHeader()->setMinimumSectionSize(1);
  verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
  verticalHeader()->setDefaultSectionSize(height);
  horizontalHeader()->setFixedHeight(height);
}

void ValueGrid::SetFixedFont(const QFont& font) {
  horizontalHeader()->setFont(font);
  for (int c = 0; c < columnCount(); ++c)
    if (auto* item = horizontalHeaderItem(c)) item->setFont(font);
}

std::string ValueGrid::Cell(int col, int row) const {
  if (col < 0 || col >= columnCount() || row < 0 || row >= RowCount()) return {};
  const QTableWidgetItem* it = row == 0 ? horizontalHeaderItem(col) : item(row - 1, col);
  return it ? it->text().toStdString() : std::string();
}

void ValueGrid::SetCell(int col, int row, const std::string& text) {
  if (col < 0 || col >= columnCount() || row < 0 || row >= RowCount()) return;
  if (row == 0) {
    horizontalHeaderItem(col)->setText(FromStd(text));
    return;
  }
  if (auto* it = item(row - 1, col))
    it->setText(FromStd(text));
  else
    setItem(row - 1, col, new QTableWidgetItem(FromStd(text)));
}

void ValueGrid::ClearCells() {
  for (int r = 0; r < rowCount(); ++r)
    for (int c = 0; c < columnCount(); ++c)
      if (auto* it = item(r, c)) it->setText(QString());
}

}  // namespace platform_qt
