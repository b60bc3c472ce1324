#pragma once
// "Содержимое прибора": the objects on the instrument, one to choose for
// reading.

#include <QDialog>
#include <cstdint>
#include <vector>

class QLabel;
class QPushButton;
class QTableWidget;

namespace tkq {
struct CInstrumentContents;
}

namespace tkq::gui {

// "Содержимое прибора": the objects on the instrument, each with its
// records, the time its read takes and its files; "Читать" or a double
// click chooses one (not one that cannot be read).
class CInstrumentContentsDialog : public QDialog {
  Q_OBJECT
 public:
  CInstrumentContentsDialog(const CInstrumentContents& contents, uint32_t baud, QWidget* parent = nullptr);
  // The object chosen, 0 for none.
  int ChosenObject() const { return m_chosen; }

 private:
  // A row for each object: its number, records, reading time and files,
  // greyed when it cannot be read.
  void FillTable(const CInstrumentContents& contents);
  // One column: the instrument `device`, the table, `none` (may be null),
  // the buttons; the dialog's size from them.
  void Arrange(QLabel* device, QLabel* none, QPushButton* close);
  void Choose();

  std::vector<int> m_objects;  // the object of each row, 0 when it cannot be read
  int m_chosen = 0;

  QTableWidget* m_table = nullptr;
  QPushButton* m_read = nullptr;
};

}  // namespace tkq::gui
