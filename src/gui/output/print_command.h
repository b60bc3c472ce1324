#pragma once
// "Печать..." and "Предварительный просмотр" of a printable window, and the
// window shown while a job prints.

#include <QDialog>
#include <QString>
#include <memory>

#include "render/page_painter.h"

class QLabel;
class QPrinter;
class QPushButton;

namespace tkq::gui {

class CTRV_KQ_VRApp;

// The window shown while a job prints: "Печать" (or "Печать в файл"), the
// document's title, "на" and the printer with its port as "на %1" (or "в"
// and the file), the page as "Страница %u", and "Отмена", which stops the
// job after the page being drawn.
class CPrintingDialog : public QDialog {
  Q_OBJECT
 public:
  CPrintingDialog(const QString& document, const QPrinter& printer, QWidget* parent = nullptr);

  void SetPage(int page);
  bool IsCancelled() const { return m_bCancelled; }
  void Cancel() { m_bCancelled = true; }

  QLabel* m_document = nullptr;
  QLabel* m_device = nullptr;
  QLabel* m_port = nullptr;
  QLabel* m_page = nullptr;
  QPushButton* m_cancel = nullptr;

 protected:
  void reject() override { Cancel(); }

 private:
  bool m_bCancelled = false;
};

// Prints `range` of `layout` on `printer` with the printing window, which
// keeps the program answering; reports a failure in a message box. True
// when every page went out.
bool RunPrintJob(QWidget* parent, QPrinter& printer, const CPageLayout& layout, const CPrintFont& font,
                 CPrintRange range, const QString& document);

// "Печать..." of `view` (a window whose PrintLines() is not null): the
// print dialog with its page range, then the job.
void PrintCommand(CTRV_KQ_VRApp& app, QWidget* view);

// "Предварительный просмотр" of `view`.
void PreviewCommand(CTRV_KQ_VRApp& app, QWidget* view);

// The document's title for the printing window and the print queue.
QString DocumentTitle(QWidget* view);

}  // namespace tkq::gui
