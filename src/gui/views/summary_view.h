#pragma once
// "Сводка": the measurement summary of the current object under the view
// settings: the whole archive's figures above a table of days or months,
// the reporting hour beside them. A double click on a day or a month
// shows its first row in the measurement archive table.

#include <QWidget>
#include <memory>

#include "core/output/summary_table.h"
#include "gui/views/text_table_model.h"
#include "gui/views/view_commands.h"

class QComboBox;
class QLabel;
class QTableView;

namespace tkq::gui {

inline const QString kSummaryTitle = QStringLiteral("Сводка");

class CSummaryTableModel : public CTextTableModel {
  Q_OBJECT
 public:
  using CTextTableModel::CTextTableModel;
  // The table shown (null: none); it stays the caller's.
  void SetTable(const CSummaryTable* table);

 private:
  int RowCount() const override;
  int ColumnCount() const override;
  QString CellText(int row, int column) const override;
  QString Caption(int column) const override;

  const CSummaryTable* m_table = nullptr;
};

class CSummaryView : public QWidget, public CDocumentTableCommands {
  Q_OBJECT
 public:
  CSummaryView(CArchiveDocument& document, CProfile& profile, QWidget* parent = nullptr);
  ~CSummaryView() override;

  // Computes the summary again from the document's object.
  void FillSummary();

  QString HelpTopic() const override;
  void OnReport() override;
  std::unique_ptr<CPrintLines> PrintLines() const override;
  // As wide as the table's columns.
  QSize sizeHint() const override;

  // The parts of the window (tests).
  QLabel* Figures() const { return m_figures; }
  QComboBox* PeriodChoice() const { return m_periods; }
  QComboBox* HourChoice() const { return m_hour; }
  QTableView* Table() const { return m_view; }
  const CSummaryTable* SummaryTable() const { return m_table.get(); }

 protected:
  void closeEvent(QCloseEvent* event) override;

 private:
  // Shows the summary's days or months as chosen.
  void ShowTable();
  void OnDoubleClick(int line);

  QLabel* m_figures;
  QComboBox* m_periods;
  QComboBox* m_hour;  // the reporting hour: item N is N:00
  QTableView* m_view;
  CSummaryTableModel* m_model;
  std::unique_ptr<CSummary> m_summary;
  std::unique_ptr<CSummaryTable> m_table;
};

}  // namespace tkq::gui
