#pragma once
// "Настройка печати": which printer, which paper, which way round. The
// choice stays with the program's printer while the program runs.

#include <QDialog>
#include <QList>
#include <QPageSize>

class QComboBox;
class QPrinter;
class QRadioButton;

namespace tkq::gui {

class CPrintSetupDialog : public QDialog {
  Q_OBJECT
 public:
  CPrintSetupDialog(const QPrinter& printer, QWidget* parent = nullptr);

  // Gives the choice to `printer`.
  void Apply(QPrinter& printer) const;

 private:
  QComboBox* m_printer = nullptr;  // installed printers, then "Печать в файл (PDF)"
  QComboBox* m_paper = nullptr;
  QRadioButton* m_portrait = nullptr;
  QRadioButton* m_landscape = nullptr;
};

// The paper sizes offered, in their order.
QList<QPageSize::PageSizeId> OfferedPaperSizes();

}  // namespace tkq::gui
