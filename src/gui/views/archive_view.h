#pragma once
// "Архив измерений": the intervals of the measurement archive as a table,
// with the columns the user switched on. A model computes each cell when
// the table shows it, so a million rows open and scroll at once.

#include <QTableView>
#include <vector>

#include "core/output/table_cells.h"
#include "gui/views/text_table_model.h"
#include "gui/views/view_commands.h"

namespace tkq::gui {

class CArchiveDocument;
class CProfile;

class CArchiveTableModel : public CTextTableModel {
  Q_OBJECT
 public:
  using Column = EArchiveColumn;

  using CTextTableModel::CTextTableModel;

  // Rebuilds the columns and rows from the column switches and the object.
  void Rebuild();
  // The column kinds shown, left to right.
  const std::vector<Column>& Columns() const { return m_columns; }
  // The record that ends each row.
  const std::vector<int32_t>& RowPositions() const { return m_rows; }
  static int Width(Column column);
  // Texts as wide as the column's cells can be.
  static QStringList Samples(Column column);

 private:
  int RowCount() const override { return static_cast<int>(m_rows.size()); }
  int ColumnCount() const override { return static_cast<int>(m_columns.size()); }
  QString CellText(int row, int column) const override;
  QString Caption(int column) const override;

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
