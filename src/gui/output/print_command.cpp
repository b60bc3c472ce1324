#include "gui/output/print_command.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QLabel>
#include <QMdiSubWindow>
#include <QPrinter>
#include <QPrinterInfo>
#include <QPushButton>
#include <QVBoxLayout>

#include "gui/app/application.h"
#include "gui/app/main_frame.h"
#include "gui/app/ui_services.h"
#include "gui/output/print_preview.h"

namespace tkq::gui {
namespace {

const QString kNothingToPrint = QStringLiteral("Нет строк для печати");

// The lines of `view`, or null.
std::unique_ptr<CPrintLines> LinesOf(QWidget* view) {
  auto* commands = dynamic_cast<CViewCommands*>(view);
  return commands != nullptr ? commands->PrintLines() : nullptr;
}

// Says why a layout prints nothing; true when it prints pages.
bool CheckPages(QWidget* parent, const CPageLayout& layout) {
  if (!layout.IsValid()) {
    AppMessage(parent, QString::fromUtf8(kPageTooSmall), QMessageBox::Warning);
    return false;
  }
  if (layout.PageCount() == 0) {
    AppMessage(parent, kNothingToPrint, QMessageBox::Information);
    return false;
  }
  return true;
}

// Where a printout to a file goes first: beside the open archive, else in
// the folder last used for files.
QString PrintFileFolder(CTRV_KQ_VRApp& app) {
  const QString& path = app.m_document.m_strArchivePath;
  return path.isEmpty() ? app.Profile().RememberedFolder() : QFileInfo(path).absolutePath();
}

}  // namespace

QString DocumentTitle(QWidget* view) {
  for (QWidget* w = view; w != nullptr; w = w->parentWidget()) {
    if (auto* frame = qobject_cast<QMdiSubWindow*>(w)) return frame->windowTitle();
  }
  return view != nullptr ? view->windowTitle() : QString();
}

// --- the printing window ---

CPrintingDialog::CPrintingDialog(const QString& document, const QPrinter& printer, QWidget* parent) : QDialog(parent) {
  const bool toFile = !printer.outputFileName().isEmpty();
  setWindowTitle(toFile ? QStringLiteral("Печать в файл") : QStringLiteral("Печать"));
  auto centred = [this](const QString& text) {
    auto* label = new QLabel(text, this);
    label->setAlignment(Qt::AlignCenter);
    return label;
  };
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(centred(QStringLiteral("Печать")));
  m_document = centred(document);
  layout->addWidget(m_document);
  layout->addWidget(centred(QStringLiteral("на")));
  if (toFile) {
    m_device = centred(QStringLiteral("PDF"));
    m_port = centred(QStringLiteral("в %1").arg(QFileInfo(printer.outputFileName()).fileName()));
  } else {
    m_device = centred(printer.printerName());
    // The print server names no port; where the printer stands, if it says.
    const QString location = QPrinterInfo::printerInfo(printer.printerName()).location();
    m_port = centred(QStringLiteral("на %1").arg(location));
    m_port->setVisible(!location.isEmpty());
  }
  layout->addWidget(m_device);
  layout->addWidget(m_port);
  m_page = centred(QString());
  layout->addWidget(m_page);
  m_cancel = new QPushButton(QStringLiteral("Отмена"), this);
  connect(m_cancel, &QPushButton::clicked, this, &CPrintingDialog::Cancel);
  layout->addWidget(m_cancel, 0, Qt::AlignHCenter);
  setMinimumWidth(fontMetrics().averageCharWidth() * 40);
}

void CPrintingDialog::SetPage(int page) { m_page->setText(QStringLiteral("Страница %1").arg(page)); }

bool RunPrintJob(QWidget* parent, QPrinter& printer, const CPageLayout& layout, const CPrintFont& font,
                 CPrintRange range, const QString& document) {
  CPrintingDialog dialog(document, printer, parent);
  dialog.setWindowModality(Qt::ApplicationModal);
  dialog.show();
  QApplication::processEvents();
  QElapsedTimer clock;
  clock.start();
  QString error;
  const bool ok = PrintPageRange(
      printer, layout, font, range,
      [&](int page, int) {
        dialog.SetPage(page);
        // The window answers between pages: repaint, "Отмена".
        if (clock.elapsed() >= 30) {
          QApplication::processEvents();
          clock.restart();
        }
        return !dialog.IsCancelled();
      },
      error);
  dialog.hide();
  if (!ok && !error.isEmpty()) AppMessage(parent, error, QMessageBox::Critical);
  return ok;
}

// --- the commands ---

void PrintCommand(CTRV_KQ_VRApp& app, QWidget* view) {
  const CObjectDefinition* object = app.m_document.Object();
  std::unique_ptr<CPrintLines> lines = LinesOf(view);
  if (object == nullptr || !lines) return;
  QWidget* parent = app.MainFrame();
  QPrinter& printer = app.Printer();
  const QString document = DocumentTitle(view);
  const std::string title = PrintTitle(*object);
  {
    SetPrintMargins(printer);
    const CPrintFont font(printer);
    const CPageLayout layout(*lines, title, MeasurePrintPage(printer, font));
    if (!CheckPages(parent, layout)) return;
    printer.setDocName(document);
    // Every job starts with all its pages, whatever the last one printed.
    printer.setPrintRange(QPrinter::AllPages);
    if (!Ui().AskPrint(parent, printer, layout.PageCount(), PrintFileFolder(app))) return;
  }
  // The dialog may have chosen another printer or paper.
  SetPrintMargins(printer);
  const CPrintFont font(printer);
  const CPageLayout layout(*lines, title, MeasurePrintPage(printer, font));
  if (!CheckPages(parent, layout)) return;
  CPrintRange range{1, layout.PageCount()};
  if (printer.printRange() == QPrinter::PageRange) range = {printer.fromPage(), printer.toPage()};
  printer.setDocName(document);
  RunPrintJob(parent, printer, layout, font, range, document);
}

void PreviewCommand(CTRV_KQ_VRApp& app, QWidget* view) {
  std::unique_ptr<CPrintLines> lines = LinesOf(view);
  if (app.m_document.Object() == nullptr || !lines) return;
  auto* preview = new CPreviewWindow(app, view, std::move(lines), app.MainFrame());
  if (!preview->IsValid() || preview->PageCount() == 0) {
    if (!preview->IsValid()) {
      AppMessage(app.MainFrame(), QString::fromUtf8(kPageTooSmall), QMessageBox::Warning);
    } else {
      AppMessage(app.MainFrame(), kNothingToPrint, QMessageBox::Information);
    }
    delete preview;
    return;
  }
  preview->show();
  preview->activateWindow();
  preview->setFocus();
}

}  // namespace tkq::gui
