#pragma once
// "Печать..." and "Предварительный просмотр" of a printable window, and the
// window shown while a job prints.

#include <QDialog>
#include <QString>
#include <functional>
#include <memory>

#include "render/page_painter.h"

class QLabel;
class QLineEdit;
class QPrinter;
class QPushButton;
class QRadioButton;
class QSpinBox;

namespace tkq::gui {

class CArchiveDocument;
class CProfile;

// What the printing commands work with: the archive document, the profile
// (its folder is proposed for a PDF file), the program's printer and the
// main window, which their windows belong to and whose status bar names a
// file written.
struct CPrintContext {
  const CArchiveDocument& document;
  CProfile& profile;
  QPrinter& printer;
  QWidget* frame = nullptr;
};

// The window shown while a job prints: "Печать" (or "Печать в файл"), the
// document's title, "на" and the printer with its port as "на %1" (or "в"
// and the file), the page as "Страница %u", and "Отмена", which stops the
// job after the page being drawn.
class CPrintingDialog : public QDialog {
  Q_OBJECT
 public:
  CPrintingDialog(const QString& document, const QPrinter& printer, QWidget* parent = nullptr);

  void SetPage(int page);
  bool IsCancelled() const { return m_cancelled; }
  void Cancel() { m_cancelled = true; }

 protected:
  void reject() override { Cancel(); }

 private:
  bool m_cancelled = false;

  QLabel* m_document = nullptr;
  QLabel* m_device = nullptr;
  QLabel* m_port = nullptr;
  QLabel* m_page = nullptr;
  QPushButton* m_cancel = nullptr;
};

// "Печать в файл (PDF)": the program's own print dialog, where the
// platform's one cannot print to a file (Windows). The file is typed or
// chosen with "Обзор..." (the program's save dialog); a name without an
// extension gets ".pdf", a relative one is taken from the proposed file's
// folder; an existing file is replaced only when the user agrees. Pages:
// all, or from one to another; one copy.
class CPrintFileDialog : public QDialog {
  Q_OBJECT
 public:
  // Proposes `file` for a job of `pageCount` pages.
  CPrintFileDialog(const QString& file, int pageCount, QWidget* parent = nullptr);

  // The file as the field names it now, absolute.
  QString File() const;
  // Gives the file and the pages to `printer`.
  void Apply(QPrinter& printer) const;
  // "Обзор...": the save dialog, starting from the file in the field.
  void Browse();
  void accept() override;

 private:
  QString m_folder;     // where relative names are
  QString m_confirmed;  // a file the save dialog has already agreed to replace

  QLineEdit* m_file = nullptr;
  QPushButton* m_browse = nullptr;
  QRadioButton* m_all = nullptr;
  QRadioButton* m_range = nullptr;
  QSpinBox* m_from = nullptr;
  QSpinBox* m_to = nullptr;
  QPushButton* m_print = nullptr;
};

// The printer the program starts with, from the installed ones and the
// system's default: the default; without one Windows' own PDF printer
// before the others; empty (printing to a PDF file) when none is installed.
QString InitialPrinterName(const QStringList& installed, const QString& systemDefault);
// The program's printer at its first use: that printer (a PDF file when
// there is none), A4.
std::unique_ptr<QPrinter> MakeInitialPrinter();

// Prints `range` of `layout` on `printer` with the printing window, which
// keeps the program answering; reports a failure in a message box. True
// when every page went out.
bool RunPrintJob(QWidget* parent, QPrinter& printer, const CPageLayout& layout, const render::CPrintFont& font,
                 render::CPrintRange range, const QString& document);
// The same for pages a window draws itself.
bool RunPrintJob(QWidget* parent, QPrinter& printer, const render::CPaintedPages& pages, render::CPrintRange range,
                 const QString& document);

// "Печать..." of `view` (a window whose PrintLines() or PaintedPages() is
// not null): the print dialog with its page range, then the job.
void PrintCommand(const CPrintContext& context, QWidget* view);

// The lines `view` prints (CViewCommands::PrintLines), or null.
std::unique_ptr<CPrintLines> LinesOf(QWidget* view);
// The pages `view` draws itself, laid out for `printer` with its margins;
// null for a window that prints lines.
std::unique_ptr<render::CPaintedPages> PaintedPagesOf(QWidget* view, QPrinter& printer);
// Says in a message box why pages laid out print or show nothing: the page
// too small for a line (`valid` false), else no lines; true when there are
// pages.
bool CheckPageCount(QWidget* parent, bool valid, int pageCount);

// Pages that belong to no window (the protocol): made by `factory` for
// the program's printer, which it sets up itself; the printer's page
// set-up is given back afterwards.
using CPagesFactory = std::function<std::unique_ptr<render::CPaintedPages>(QPrinter&)>;
// "Печать..." of such pages, titled `document`: the print dialog, then
// the job; the status bar names a PDF file written.
void PrintPagesCommand(const CPrintContext& context, const CPagesFactory& factory, const QString& document);

// The document's title for the printing window and the print queue.
QString DocumentTitle(QWidget* view);

}  // namespace tkq::gui
