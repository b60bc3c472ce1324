#pragma once
// The model of a table of the document whose cells and captions are texts,
// centred: the two lists of an archive. A cell is made when the table shows
// it.

#include <QAbstractTableModel>
#include <QString>

namespace tkq::gui {

class CArchiveDocument;

class CTextTableModel : public QAbstractTableModel {
  Q_OBJECT
 public:
  explicit CTextTableModel(const CArchiveDocument& document, QObject* parent = nullptr);

  int rowCount(const QModelIndex& parent = QModelIndex()) const final;
  int columnCount(const QModelIndex& parent = QModelIndex()) const final;
  QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const final;
  QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const final;

 protected:
  virtual int RowCount() const = 0;
  virtual int ColumnCount() const = 0;
  // The text of a cell within the table; null for none.
  virtual QString CellText(int row, int column) const = 0;
  virtual QString Caption(int column) const = 0;

  const CArchiveDocument& m_document;
};

}  // namespace tkq::gui
