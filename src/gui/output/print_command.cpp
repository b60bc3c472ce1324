#include "gui/output/print_command.h"

#include <QApplication>
#include <QDialogButtonBox>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMdiSubWindow>
#include <QPrinter>
#include <QPrinterInfo>
#include <QPushButton>
#include <QRadioButton>
#include <QScopeGuard>
#include <QSpinBox>
#include <QVBoxLayout>
#include <algorithm>
#include <functional>

#include "gui/base/archive_document.h"
#include "gui/base/file_written.h"
#include "gui/base/profile.h"
#include "gui/base/ui_services.h"
#include "gui/views/view_commands.h"

namespace tkq::gui {
namespace {

const QString kNothingToPrint = QStringLiteral("Нет строк для печати");
// Windows' own printer to a PDF file.
const QString kWindowsPdfPrinter = QStringLiteral("Microsoft Print to PDF");

// Says why a layout prints nothing; true when it prints pages.
bool CheckPages(QWidget* parent, const CPageLayout& layout) {
  return CheckPageCount(parent, layout.IsValid(), layout.PageCount());
}

// The file a printout to a file is proposed: named after the archive,
// beside it, else in the folder last used for files (never the program's
// own).
QString PrintFileProposed(const CPrintContext& context) {
  const QString& path = context.document.ArchivePath();
  const QString folder = path.isEmpty()
                             ? context.profile.RememberedFolder()
                             : ProposedFolder({QFileInfo(path).absolutePath(), context.profile.RememberedFolder()},
                                              QCoreApplication::applicationDirPath());
  return QDir(folder).filePath(context.document.FileStem() + QStringLiteral(".pdf"));
}

bool CheckPages(QWidget* parent, const render::CPaintedPages& pages) {
  if (!pages.IsValid()) {
    AppMessage(parent, QString::fromUtf8(kPageTooSmall), QMessageBox::Warning);
    return false;
  }
  return true;
}

// "Печать..." of a window that draws its pages: the print dialog, then
// the job. False when `view` prints lines instead.
bool PrintPaintedPages(const CPrintContext& context, QWidget* view) {
  QPrinter& printer = context.printer;
  std::unique_ptr<render::CPaintedPages> pages = PaintedPagesOf(view, printer);
  if (!pages) return false;
  QWidget* parent = context.frame;
  if (!CheckPages(parent, *pages)) return true;
  const QString document = DocumentTitle(view);
  printer.setDocName(document);
  printer.setPrintRange(QPrinter::AllPages);
  const bool asked = AsksForPrintFile(printer)
                         ? Ui().AskPrintFile(parent, printer, pages->PageCount(), PrintFileProposed(context))
                         : Ui().AskPrint(parent, printer, pages->PageCount(), PrintFileProposed(context));
  if (!asked) return true;
  // The dialog may have chosen another printer, paper or orientation.
  pages = PaintedPagesOf(view, printer);
  if (!pages || !CheckPages(parent, *pages)) return true;
  render::CPrintRange range{1, pages->PageCount()};
  if (printer.printRange() == QPrinter::PageRange) range = {printer.fromPage(), printer.toPage()};
  printer.setDocName(document);
  const bool toFile = printer.outputFormat() == QPrinter::PdfFormat && !printer.outputFileName().isEmpty();
  if (RunPrintJob(parent, printer, *pages, range, document) && toFile) ShowFileWritten(parent, printer.outputFileName());
  return true;
}

}  // namespace

std::unique_ptr<CPrintLines> LinesOf(QWidget* view) {
  auto* commands = dynamic_cast<CViewCommands*>(view);
  return commands != nullptr ? commands->PrintLines() : nullptr;
}

std::unique_ptr<render::CPaintedPages> PaintedPagesOf(QWidget* view, QPrinter& printer) {
  auto* commands = dynamic_cast<CViewCommands*>(view);
  if (commands == nullptr) return nullptr;
  render::SetPrintMargins(printer);
  return commands->PaintedPages(printer);
}

bool CheckPageCount(QWidget* parent, bool valid, int pageCount) {
  if (!valid) {
    AppMessage(parent, QString::fromUtf8(kPageTooSmall), QMessageBox::Warning);
    return false;
  }
  if (pageCount == 0) {
    AppMessage(parent, kNothingToPrint, QMessageBox::Information);
    return false;
  }
  return true;
}

QString DocumentTitle(QWidget* view) {
  for (QWidget* w = view; w != nullptr; w = w->parentWidget()) {
    if (auto* frame = qobject_cast<QMdiSubWindow*>(w)) return frame->windowTitle();
  }
  return view != nullptr ? view->windowTitle() : QString();
}

QString InitialPrinterName(const QStringList& installed, const QString& systemDefault) {
  if (installed.contains(systemDefault)) return systemDefault;
  if (installed.contains(kWindowsPdfPrinter)) return kWindowsPdfPrinter;
  return installed.value(0);
}

std::unique_ptr<QPrinter> MakeInitialPrinter() {
  auto printer = std::make_unique<QPrinter>(QPrinter::HighResolution);
  const QString name = InitialPrinterName(QPrinterInfo::availablePrinterNames(), QPrinterInfo::defaultPrinterName());
  if (name.isEmpty()) {
    printer->setOutputFormat(QPrinter::PdfFormat);
  } else {
    printer->setPrinterName(name);
  }
  printer->setPageSize(QPageSize(QPageSize::A4));
  return printer;
}

// --- "Печать в файл (PDF)" ---

CPrintFileDialog::CPrintFileDialog(const QString& file, int pageCount, QWidget* parent)
    : QDialog(parent), m_folder(QFileInfo(file).absolutePath()) {
  setWindowTitle(QStringLiteral("Печать в файл (PDF)"));
  setWhatsThis(
      QStringLiteral("Печать в файл PDF: имя файла и страницы. Принтер выбирается в окне «Настройка печати»."));
  const int pages = std::max(pageCount, 1);

  auto* fileBox = new QGroupBox(QStringLiteral("Файл"), this);
  m_file = new QLineEdit(QDir::toNativeSeparators(file), fileBox);
  m_file->setObjectName(QStringLiteral("file"));
  m_browse = new QPushButton(QStringLiteral("&Обзор..."), fileBox);
  m_browse->setObjectName(QStringLiteral("browse"));
  m_browse->setAutoDefault(false);
  connect(m_browse, &QPushButton::clicked, this, &CPrintFileDialog::Browse);
  auto* fileRow = new QHBoxLayout(fileBox);
  auto* fileLabel = new QLabel(QStringLiteral("&Имя:"), fileBox);
  fileLabel->setBuddy(m_file);
  fileRow->addWidget(fileLabel);
  fileRow->addWidget(m_file, 1);
  fileRow->addWidget(m_browse);

  auto* pagesBox = new QGroupBox(QStringLiteral("Страницы"), this);
  m_all = new QRadioButton(QStringLiteral("&Все страницы (%1)").arg(pages), pagesBox);
  m_all->setObjectName(QStringLiteral("all"));
  m_range = new QRadioButton(QStringLiteral("&Страницы с"), pagesBox);
  m_range->setObjectName(QStringLiteral("range"));
  m_from = new QSpinBox(pagesBox);
  m_from->setObjectName(QStringLiteral("from"));
  m_to = new QSpinBox(pagesBox);
  m_to->setObjectName(QStringLiteral("to"));
  m_from->setRange(1, pages);
  m_to->setRange(1, pages);
  m_from->setValue(1);
  m_to->setValue(pages);
  m_all->setChecked(true);
  // A number typed chooses the range; the range never runs backwards.
  auto chooseRange = [this] { m_range->setChecked(true); };
  connect(m_from, &QSpinBox::valueChanged, this, [this, chooseRange](int from) {
    chooseRange();
    if (m_to->value() < from) m_to->setValue(from);
  });
  connect(m_to, &QSpinBox::valueChanged, this, [this, chooseRange](int to) {
    chooseRange();
    if (m_from->value() > to) m_from->setValue(to);
  });
  auto* pagesGrid = new QGridLayout(pagesBox);
  pagesGrid->addWidget(m_all, 0, 0, 1, 4);
  pagesGrid->addWidget(m_range, 1, 0);
  pagesGrid->addWidget(m_from, 1, 1);
  pagesGrid->addWidget(new QLabel(QStringLiteral("по"), pagesBox), 1, 2);
  pagesGrid->addWidget(m_to, 1, 3);
  pagesGrid->setColumnStretch(4, 1);

  auto* buttons = new QDialogButtonBox(this);
  m_print = buttons->addButton(QStringLiteral("Печать"), QDialogButtonBox::AcceptRole);
  m_print->setObjectName(QStringLiteral("print"));
  m_print->setDefault(true);
  buttons->addButton(QStringLiteral("Отмена"), QDialogButtonBox::RejectRole);
  connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

  auto* layout = new QVBoxLayout(this);
  layout->addWidget(fileBox);
  layout->addWidget(pagesBox);
  layout->addWidget(buttons);
  setMinimumWidth(fontMetrics().averageCharWidth() * 70);
  m_file->setFocus();
  m_file->selectAll();
}

QString CPrintFileDialog::File() const {
  const QString typed = QDir::fromNativeSeparators(m_file->text().trimmed());
  if (typed.isEmpty()) return {};
  QString path = QDir::cleanPath(QDir(m_folder).absoluteFilePath(typed));
  if (QFileInfo(path).suffix().isEmpty() && !QFileInfo(path).isDir()) path += QStringLiteral(".pdf");
  return path;
}

void CPrintFileDialog::Apply(QPrinter& printer) const {
  printer.setOutputFormat(QPrinter::PdfFormat);
  printer.setOutputFileName(File());
  printer.setCopyCount(1);
  if (m_range->isChecked()) {
    printer.setPrintRange(QPrinter::PageRange);
    printer.setFromTo(m_from->value(), m_to->value());
  } else {
    printer.setPrintRange(QPrinter::AllPages);
  }
}

void CPrintFileDialog::Browse() {
  const QString chosen = Ui().SaveFileName(this, QStringLiteral("Печать в файл"), File());
  if (chosen.isEmpty()) return;
  m_file->setText(QDir::toNativeSeparators(chosen));
  const QString file = File();
  m_file->setText(QDir::toNativeSeparators(file));
  // The save dialog has asked about replacing the file it named, not about
  // the one ".pdf" makes of it.
  if (file == QDir::cleanPath(chosen)) m_confirmed = file;
}

void CPrintFileDialog::accept() {
  const QString path = File();
  const QFileInfo info(path);
  QString problem;
  if (path.isEmpty()) {
    problem = QStringLiteral("Введите имя файла PDF.");
  } else if (info.isDir()) {
    problem = QStringLiteral("%1 - папка, а не файл.\nВведите имя файла PDF.").arg(QDir::toNativeSeparators(path));
  } else if (!info.dir().exists()) {
    problem = QStringLiteral("Папка %1 не существует.").arg(QDir::toNativeSeparators(info.absolutePath()));
  }
  if (!problem.isEmpty()) {
    AppMessage(this, problem, QMessageBox::Warning);
    m_file->setFocus();
    return;
  }
  if (info.exists() && path != m_confirmed &&
      AppMessage(this, QStringLiteral("Файл %1 уже существует.\nЗаменить его?").arg(QDir::toNativeSeparators(path)),
                 QMessageBox::Question, QMessageBox::Yes | QMessageBox::No) != QMessageBox::Yes) {
    m_file->setFocus();
    return;
  }
  QDialog::accept();
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
  m_document->setObjectName(QStringLiteral("document"));
  layout->addWidget(m_document);
  layout->addWidget(centred(QStringLiteral("на")));
  if (toFile) {
    m_device = centred(QStringLiteral("PDF"));
    m_device->setObjectName(QStringLiteral("device"));
    m_port = centred(QStringLiteral("в %1").arg(QFileInfo(printer.outputFileName()).fileName()));
    m_port->setObjectName(QStringLiteral("port"));
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
  m_page->setObjectName(QStringLiteral("page"));
  layout->addWidget(m_page);
  m_cancel = new QPushButton(QStringLiteral("Отмена"), this);
  m_cancel->setObjectName(QStringLiteral("cancel"));
  connect(m_cancel, &QPushButton::clicked, this, &CPrintingDialog::Cancel);
  layout->addWidget(m_cancel, 0, Qt::AlignHCenter);
  setMinimumWidth(fontMetrics().averageCharWidth() * 40);
}

void CPrintingDialog::SetPage(int page) { m_page->setText(QStringLiteral("Страница %1").arg(page)); }

namespace {

// A job with the printing window: `print(beforePage, error)` prints.
using CPrintJob = std::function<bool(const std::function<bool(int page, int done)>& beforePage, QString& error)>;

bool RunJob(QWidget* parent, QPrinter& printer, const QString& document, const CPrintJob& print) {
  CPrintingDialog dialog(document, printer, parent);
  dialog.setWindowModality(Qt::ApplicationModal);
  dialog.show();
  QApplication::processEvents();
  QElapsedTimer clock;
  clock.start();
  QString error;
  const bool ok = print(
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
  // Stopped with "Отмена": nothing to say.
  if (!ok && !dialog.IsCancelled()) {
    AppMessage(parent, error.isEmpty() ? QStringLiteral("Печать не удалась") : error, QMessageBox::Critical);
  }
  return ok;
}

}  // namespace

bool RunPrintJob(QWidget* parent, QPrinter& printer, const CPageLayout& layout, const render::CPrintFont& font,
                 render::CPrintRange range, const QString& document) {
  return RunJob(parent, printer, document, [&](const auto& beforePage, QString& error) {
    return render::PrintPageRange(printer, layout, font, range, beforePage, error);
  });
}

bool RunPrintJob(QWidget* parent, QPrinter& printer, const render::CPaintedPages& pages, render::CPrintRange range,
                 const QString& document) {
  return RunJob(parent, printer, document, [&](const auto& beforePage, QString& error) {
    return render::PrintPageRange(printer, pages, range, beforePage, error);
  });
}

// --- the commands ---

void PrintCommand(const CPrintContext& context, QWidget* view) {
  if (context.document.Object() != nullptr && PrintPaintedPages(context, view)) return;
  const CObjectDefinition* object = context.document.Object();
  std::unique_ptr<CPrintLines> lines = LinesOf(view);
  if (object == nullptr || !lines) return;
  QWidget* parent = context.frame;
  QPrinter& printer = context.printer;
  const QString document = DocumentTitle(view);
  const std::string title = PrintTitle(*object);
  {
    render::SetPrintMargins(printer);
    const render::CPrintFont font(printer);
    const CPageLayout layout(*lines, title, render::MeasurePrintPage(printer, font));
    if (!CheckPages(parent, layout)) return;
    printer.setDocName(document);
    // Every job starts with all its pages, whatever the last one printed.
    printer.setPrintRange(QPrinter::AllPages);
    // Windows' print dialog refuses a printer writing a file: the
    // program asks for the file itself.
    const bool asked = AsksForPrintFile(printer)
                           ? Ui().AskPrintFile(parent, printer, layout.PageCount(), PrintFileProposed(context))
                           : Ui().AskPrint(parent, printer, layout.PageCount(), PrintFileProposed(context));
    if (!asked) return;
  }
  // The dialog may have chosen another printer or paper.
  render::SetPrintMargins(printer);
  const render::CPrintFont font(printer);
  const CPageLayout layout(*lines, title, render::MeasurePrintPage(printer, font));
  if (!CheckPages(parent, layout)) return;
  render::CPrintRange range{1, layout.PageCount()};
  if (printer.printRange() == QPrinter::PageRange) range = {printer.fromPage(), printer.toPage()};
  printer.setDocName(document);
  const bool toFile = printer.outputFormat() == QPrinter::PdfFormat && !printer.outputFileName().isEmpty();
  if (RunPrintJob(parent, printer, layout, font, range, document) && toFile) {
    ShowFileWritten(parent, printer.outputFileName());
  }
}

void PrintPagesCommand(const CPrintContext& context, const CPagesFactory& factory, const QString& document) {
  QWidget* parent = context.frame;
  QPrinter& printer = context.printer;
  const QPageLayout before = printer.pageLayout();
  // The chart and the tables print on the user's paper again afterwards.
  const auto restore = qScopeGuard([&] { printer.setPageLayout(before); });
  std::unique_ptr<render::CPaintedPages> pages = factory(printer);
  if (!pages || !CheckPages(parent, *pages)) return;
  printer.setDocName(document);
  printer.setPrintRange(QPrinter::AllPages);
  const bool asked = AsksForPrintFile(printer)
                         ? Ui().AskPrintFile(parent, printer, pages->PageCount(), PrintFileProposed(context))
                         : Ui().AskPrint(parent, printer, pages->PageCount(), PrintFileProposed(context));
  if (!asked) return;
  // Another printer may have been chosen: laid out for it.
  pages = factory(printer);
  if (!pages || !CheckPages(parent, *pages)) return;
  render::CPrintRange range{1, pages->PageCount()};
  if (printer.printRange() == QPrinter::PageRange) range = {printer.fromPage(), printer.toPage()};
  printer.setDocName(document);
  const bool toFile = printer.outputFormat() == QPrinter::PdfFormat && !printer.outputFileName().isEmpty();
  if (RunPrintJob(parent, printer, *pages, range, document) && toFile) ShowFileWritten(parent, printer.outputFileName());
}

}  // namespace tkq::gui
