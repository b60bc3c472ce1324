#include "gui/app/dialog_ui_services.h"

#include <QApplication>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QLineEdit>
#include <QPrintDialog>
#include <QPrinter>

#include "gui/app/dialogs.h"
#include "gui/app/show_in_folder.h"
#include "gui/base/platform_dialogs.h"
#include "gui/output/print_command.h"
#include "gui/output/print_setup_dialog.h"

namespace tkq::gui {
namespace {

// "Все файлы (*.*)" lists every file, also names without a dot. The
// dialog takes its patterns from the last parentheses ("*"), and with
// HideNameFilterDetails shows the text before them.
const QString kFilter = QStringLiteral("Все файлы (*.*) (*)");

// The platform's choice of dialog (platform_dialogs.h).
void SetUpFileDialog(QFileDialog& dialog) {
  UsePlatformFileDialog(dialog);
  dialog.setOption(QFileDialog::HideNameFilterDetails);
}

CUiServices* g_services = nullptr;

CUiServices& DefaultServices() {
  static CDialogUiServices services;
  return services;
}

}  // namespace

QMessageBox::StandardButton CDialogUiServices::Message(QWidget* parent, const QString& text, QMessageBox::Icon icon,
                                                       const QString& caption, QMessageBox::StandardButtons buttons,
                                                       const QString& detail) {
  QMessageBox box(icon, caption, text, buttons, parent);
  if (!detail.isEmpty()) box.setInformativeText(detail);
  return static_cast<QMessageBox::StandardButton>(box.exec());
}

QString CDialogUiServices::OpenFileName(QWidget* parent, const QString& title, const QString& start) {
  QFileDialog dialog(parent, title, start, kFilter);
  SetUpFileDialog(dialog);
  dialog.setAcceptMode(QFileDialog::AcceptOpen);
  dialog.setFileMode(QFileDialog::ExistingFile);
  dialog.setOption(QFileDialog::ReadOnly, false);
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return {};
  return dialog.selectedFiles().first();
}

QString CDialogUiServices::OpenImageName(QWidget* parent, const QString& title, const QString& start) {
  QFileDialog dialog(parent, title, start,
                     QStringLiteral("Изображения (*.png *.jpg *.jpeg *.bmp *.gif *.svg);;") + kFilter);
  SetUpFileDialog(dialog);
  dialog.setAcceptMode(QFileDialog::AcceptOpen);
  dialog.setFileMode(QFileDialog::ExistingFile);
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return {};
  return dialog.selectedFiles().first();
}

QString CDialogUiServices::SaveFileName(QWidget* parent, const QString& title, const QString& start) {
  QFileDialog dialog(parent, title, start, kFilter);
  SetUpFileDialog(dialog);
  dialog.setAcceptMode(QFileDialog::AcceptSave);
  dialog.setFileMode(QFileDialog::AnyFile);
  dialog.setDefaultSuffix(QString());
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return {};
  return dialog.selectedFiles().first();
}

QStringList CDialogUiServices::OpenFileNames(QWidget* parent, const QString& title, const QString& start) {
  QFileDialog dialog(parent, title, start, kFilter);
  SetUpFileDialog(dialog);
  dialog.setAcceptMode(QFileDialog::AcceptOpen);
  dialog.setFileMode(QFileDialog::ExistingFiles);
  if (dialog.exec() != QDialog::Accepted) return {};
  return dialog.selectedFiles();
}

QString CDialogUiServices::ChooseFolder(QWidget* parent, const QString& title, const QString& start) {
  QFileDialog dialog(parent, title, start);
  SetUpFileDialog(dialog);
  dialog.setAcceptMode(QFileDialog::AcceptOpen);
  dialog.setFileMode(QFileDialog::Directory);
  dialog.setOption(QFileDialog::ShowDirsOnly);
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return {};
  return dialog.selectedFiles().first();
}

void CDialogUiServices::ShowInFolder(const QString& path) { ShowFileInFolder(path); }

void CDialogUiServices::Beep() { QApplication::beep(); }

bool CDialogUiServices::AskObjectNumber(QWidget* parent, int& number) {
  CInputREadObjDialog dialog(parent);
  dialog.exec();
  if (!dialog.m_bAccepted) return false;
  number = dialog.m_nObjectNumber;
  return true;
}

bool CDialogUiServices::EditDescription(QWidget* parent, QString& text) {
  CEditDescDialog dialog(text, parent);
  if (dialog.exec() != QDialog::Accepted) return false;
  text = dialog.Text();
  return true;
}

bool CDialogUiServices::AskPrint(QWidget* parent, QPrinter& printer, int pageCount, const QString& pdfFile) {
  // Printing to a file proposes `pdfFile`: the dialog names the file after
  // the document, in a folder of its own choosing (the home folder) unless
  // told; a file printed to before stays proposed.
  const QString title = printer.docName();
  printer.setDocName(QFileInfo(pdfFile).fileName());
  QPrintDialog dialog(&printer, parent);
  if (printer.outputFileName().isEmpty() && !pdfFile.isEmpty()) {
    if (auto* file = dialog.findChild<QLineEdit*>(QStringLiteral("filename"))) file->setText(pdfFile);
  }
  dialog.setOptions(QAbstractPrintDialog::PrintToFile | QAbstractPrintDialog::PrintPageRange |
                    QAbstractPrintDialog::PrintShowPageSize | QAbstractPrintDialog::PrintCollateCopies);
  dialog.setMinMax(1, pageCount);
  dialog.setFromTo(1, pageCount);
  bool shown = false;
  const bool accepted = ExecDialog(dialog, shown) == QDialog::Accepted;
  printer.setDocName(title);
  if (!accepted && !shown) {
    const QString name =
        printer.outputFormat() == QPrinter::PdfFormat ? QStringLiteral("Печать в файл (PDF)") : printer.printerName();
    AppMessage(parent,
               QStringLiteral("Окно печати не открылось: принтер «%1» недоступен.\n"
                              "Выберите другой принтер в окне «Настройка печати».")
                   .arg(name),
               QMessageBox::Warning);
  }
  return accepted;
}

bool CDialogUiServices::AskPrintFile(QWidget* parent, QPrinter& printer, int pageCount, const QString& pdfFile) {
  QString file = printer.outputFileName();
  if (file.isEmpty()) file = pdfFile;
  CPrintFileDialog dialog(file, pageCount, parent);
  if (dialog.exec() != QDialog::Accepted) return false;
  dialog.Apply(printer);
  return true;
}

bool CDialogUiServices::AskPrintSetup(QWidget* parent, QPrinter& printer) {
  CPrintSetupDialog dialog(printer, parent);
  if (dialog.exec() != QDialog::Accepted) return false;
  dialog.Apply(printer);
  return true;
}

QString CDialogUiServices::AskChartFile(QWidget* parent, const QString& file, QSize& size) {
  CSaveChartDialog dialog(file, size, parent);
  if (dialog.exec() != QDialog::Accepted) return {};
  size = dialog.Size();
  return dialog.File();
}

int CDialogUiServices::ChooseObject(QWidget* parent, const CInstrumentContents& contents, uint32_t baud) {
  CInstrumentContentsDialog dialog(contents, baud, parent);
  return dialog.exec() == QDialog::Accepted ? dialog.ChosenObject() : 0;
}

CUiServices& Ui() { return g_services != nullptr ? *g_services : DefaultServices(); }

void SetUi(CUiServices* services) { g_services = services; }

}  // namespace tkq::gui
