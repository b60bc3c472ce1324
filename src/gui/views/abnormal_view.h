#pragma once
// "Архив нештатных ситуаций": the abnormal situations as a table of four
// columns, whatever the view settings are.

#include <QTableView>

#include "gui/views/text_table_model.h"
#include "gui/views/view_commands.h"

namespace tkq::gui {

class CArchiveDocument;
class CProfile;

class CAbnormalTableModel : public CTextTableModel {
  Q_OBJECT
 public:
  using CTextTableModel::CTextTableModel;
  void Rebuild();
  static int Width(int column);

 private:
  int RowCount() const override { return m_rows; }
  int ColumnCount() const override { return 4; }
  QString CellText(int row, int column) const override;
  QString Caption(int column) const override;

  int m_rows = 0;
};

class CErrorListView : public QTableView, public CDocumentTableCommands {
  Q_OBJECT
 public:
  CErrorListView(CArchiveDocument& document, CProfile& profile, QWidget* parent = nullptr);
  void FillList();

  QString HelpTopic() const override;
  void OnReport() override;
  std::unique_ptr<CPrintLines> PrintLines() const override;

 private:
  CAbnormalTableModel* m_model;
};

}  // namespace tkq::gui
