#pragma once
// "Архив измерений": the intervals of the measurement archive as a table,
// with the columns the user switched on. A model computes each cell when
// the table shows it, so a million rows open and scroll at once.

#include <QAbstractTableModel>
#include <QTableView>
#include <vector>

#include "core/output/table_cells.h"
#include "gui/views/view_commands.h"

namespace tkq::gui {

class CArchiveDocument;
class CProfile;

class CArchiveTableModel : public QAbstractTableModel {
  Q_OBJECT
 public:
  using Column = EArchiveColumn;

  explicit CArchiveTableModel(const CArchiveDocument& document, QObject* parent = nullptr);

  // Rebuilds the columns and rows from the column switches and the object.
  void Rebuild();
  // The column kinds shown, left to right.
  const std::vector<Column>& Columns() const { return m_columns; }
  // The record that ends each row.
  const std::vector<int32_t>& RowPositions() const { return m_rows; }
  static int Width(Column column);
  // Texts as wide as the column's cells can be.
  static QStringList Samples(Column column);

  int rowCount(const QModelIndex& parent = QModelIndex()) const override;
  int columnCount(const QModelIndex& parent = QModelIndex()) const override;
  QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
  QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

 private:
  const CArchiveDocument& m_document;
  std::vector<Column> m_columns;
  std::vector<int32_t> m_rows;  // the record that ends each interval
  QString m_caption1;
  QString m_caption2;
};

class CTRV_KQ_VRView : public QTableView, public CDocumentTableCommands {
  Q_OBJECT
 public:
  CTRV_KQ_VRView(CArchiveDocument& document, CProfile& profile, QWidget* parent = nullptr);

  // Rebuilds the table from the current column switches and output choices.
  void FillList();
  CArchiveTableModel* Model() const { return m_model; }

  QString HelpTopic() const override;
  void OnReport() override;
  std::unique_ptr<CPrintLines> PrintLines() const override;

 private:
  CArchiveTableModel* m_model;
};

// The look shared by the two list views: details layout, grid, whole rows
// selected, the selection shown also without the focus, no sorting.
void SetUpListView(QTableView& view);

// A column's width: its width in the program's table layout, scaled to the
// font in use, and never so narrow that the caption or the widest of the
// `samples` would be cut.
int ColumnWidth(const QTableView& view, int layoutWidth, const QString& caption, const QStringList& samples);

// The widest text an abnormal-situation cell can hold.
QStringList AbnormalSamples();

}  // namespace tkq::gui
