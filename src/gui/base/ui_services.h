#pragma once
// What the program asks of the user through standard dialogs: message
// boxes, file dialogs and the beep. One object serves the whole program:
// the dialogs themselves (CDialogUiServices, gui/app/dialog_ui_services.h),
// or a scripted one that tests put in their place.

#include <QMessageBox>
#include <QSize>
#include <QString>
#include <QStringList>
#include <functional>

#include "gui/base/program_name.h"

class QDialog;
class QPrinter;

namespace tkq {
struct CInstrumentContents;
}
class QWidget;

namespace tkq::gui {

class CUiServices {
 public:
  virtual ~CUiServices() = default;

  // A modal message box; returns the button pressed. `detail`, when not
  // empty, is shown under the message in smaller type: what exactly went
  // wrong (a file's path and the system's reason).
  virtual QMessageBox::StandardButton Message(QWidget* parent, const QString& text, QMessageBox::Icon icon,
                                              const QString& caption = kAppName,
                                              QMessageBox::StandardButtons buttons = QMessageBox::Ok,
                                              const QString& detail = QString()) = 0;
  // The file dialogs: one filter "Все файлы (*.*)" listing every file (also
  // those without an extension), no extension added. An empty result means
  // cancelled.
  virtual QString OpenFileName(QWidget* parent, const QString& title, const QString& start) = 0;
  // An existing picture (PNG, JPEG, BMP, GIF, SVG; "Все файлы (*.*)" as
  // a second filter).
  virtual QString OpenImageName(QWidget* parent, const QString& title, const QString& start) = 0;
  // Asks before replacing an existing file.
  virtual QString SaveFileName(QWidget* parent, const QString& title, const QString& start) = 0;
  // Several existing files at once (none: cancelled).
  virtual QStringList OpenFileNames(QWidget* parent, const QString& title, const QString& start) = 0;
  // A folder (empty: cancelled).
  virtual QString ChooseFolder(QWidget* parent, const QString& title, const QString& start) = 0;
  // Shows the file `path` in the system's file manager: selected where the
  // system can do that, else its folder opened.
  virtual void ShowInFolder(const QString& path) = 0;
  virtual void Beep() = 0;
  // "Выбор объекта": false when the user did not confirm a number.
  virtual bool AskObjectNumber(QWidget* parent, int& number) = 0;
  // "Редактирование описания объекта" starting with `text`: false on "Отмена".
  virtual bool EditDescription(QWidget* parent, QString& text) = 0;
  // The print dialog for a job of `pageCount` pages: printer or file,
  // page range, copies; printing to a file proposes `pdfFile` (the one
  // printed to before stays proposed). False when cancelled, or when the
  // dialog could not open (the user is told why).
  virtual bool AskPrint(QWidget* parent, QPrinter& printer, int pageCount, const QString& pdfFile) = 0;
  // The program's own print dialog for a printer writing a PDF file: the
  // file (proposed: the one printed to before, else `pdfFile`) and the
  // page range. False when cancelled.
  virtual bool AskPrintFile(QWidget* parent, QPrinter& printer, int pageCount, const QString& pdfFile) = 0;
  // "Настройка печати": printer, paper and orientation. False on "Отмена".
  virtual bool AskPrintSetup(QWidget* parent, QPrinter& printer) = 0;
  // "Сохранить график": the file and the size, starting from `file` and
  // `size`. An empty result means cancelled.
  virtual QString AskChartFile(QWidget* parent, const QString& file, QSize& size) = 0;
  // "Содержимое прибора": the object chosen to read, 0 for none.
  virtual int ChooseObject(QWidget* parent, const CInstrumentContents& contents, uint32_t baud) = 0;
};

// Whether the platform's print dialog prints to a PDF file. Windows' one
// prints only to installed printers and refuses any other without a word.
// Tests set it either way.
bool PlatformDialogPrintsPdf();
void SetPlatformDialogPrintsPdf(bool prints);
// Whether "Печать..." on `printer` asks with the program's own dialog
// (AskPrintFile) instead of the platform's (AskPrint): a printer writing a
// PDF file where the platform's dialog cannot.
bool AsksForPrintFile(const QPrinter& printer);
// Runs `dialog` modally; `shown` says whether it ever showed. Windows'
// print dialog returns at once, unshown, for a printer it refuses.
int ExecDialog(QDialog& dialog, bool& shown);

// The services in use; the dialogs unless a test installed others. (With
// the dialogs, in gui/app/dialog_ui_services.cpp.)
CUiServices& Ui();
// Installs `services` (not owned) in place of the current ones; null
// restores the dialogs.
void SetUi(CUiServices* services);

// A message box through the application: its caption is kAppName.
QMessageBox::StandardButton AppMessage(QWidget* parent, const QString& text,
                                       QMessageBox::Icon icon = QMessageBox::Warning,
                                       QMessageBox::StandardButtons buttons = QMessageBox::Ok,
                                       const QString& detail = QString());

// Runs `write` (a save or an export); while it fails because another
// program holds the file, says so and offers to try again («Повторить»,
// «Отмена»), the file's path and the system's words under the message.
// False when the user gave up; any other failure is thrown on.
bool WriteOfferingRetry(QWidget* parent, const std::function<void()>& write);

}  // namespace tkq::gui
