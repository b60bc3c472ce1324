#include "gui/views/text_table_model.h"

namespace tkq::gui {

CTextTableModel::CTextTableModel(const CArchiveDocument& document, QObject* parent)
    : QAbstractTableModel(parent), m_document(document) {}

int CTextTableModel::rowCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : RowCount(); }

int CTextTableModel::columnCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : ColumnCount(); }

QVariant CTextTableModel::data(const QModelIndex& index, int role) const {
  if (!index.isValid() || index.row() >= RowCount() || index.column() >= ColumnCount()) return {};
  if (role == Qt::TextAlignmentRole) return int(Qt::AlignCenter);
  if (role != Qt::DisplayRole) return {};
  const QString text = CellText(index.row(), index.column());
  return text.isNull() ? QVariant() : QVariant(text);
}

QVariant CTextTableModel::headerData(int section, Qt::Orientation orientation, int role) const {
  if (orientation != Qt::Horizontal || section < 0 || section >= ColumnCount()) return {};
  if (role == Qt::TextAlignmentRole) return int(Qt::AlignCenter);
  if (role != Qt::DisplayRole) return {};
  return Caption(section);
}

}  // namespace tkq::gui
