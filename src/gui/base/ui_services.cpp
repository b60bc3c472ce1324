#include "gui/base/ui_services.h"

#include <QDialog>
#include <QEvent>
#include <QPrinter>

#include "core/storage/file_io.h"
#include "gui/base/messages.h"
#include "gui/base/platform_dialogs.h"

namespace tkq::gui {
namespace {

bool g_dialogPrintsPdf = PrintDialogPrintsPdfAtStart();

// Notes that a widget was shown.
class CShowWatch : public QObject {
 public:
  explicit CShowWatch(bool& shown) : m_shown(shown) {}
  bool eventFilter(QObject*, QEvent* e) override {
    if (e->type() == QEvent::Show) m_shown = true;
    return false;
  }

 private:
  bool& m_shown;
};

}  // namespace

bool PlatformDialogPrintsPdf() { return g_dialogPrintsPdf; }

void SetPlatformDialogPrintsPdf(bool prints) { g_dialogPrintsPdf = prints; }

bool AsksForPrintFile(const QPrinter& printer) {
  return printer.outputFormat() == QPrinter::PdfFormat && !g_dialogPrintsPdf;
}

int ExecDialog(QDialog& dialog, bool& shown) {
  shown = false;
  CShowWatch watch(shown);
  dialog.installEventFilter(&watch);
  const int result = dialog.exec();
  dialog.removeEventFilter(&watch);
  return result;
}

QMessageBox::StandardButton AppMessage(QWidget* parent, const QString& text, QMessageBox::Icon icon,
                                       QMessageBox::StandardButtons buttons, const QString& detail) {
  return Ui().Message(parent, text, icon, kAppName, buttons, detail);
}

bool WriteOfferingRetry(QWidget* parent, const std::function<void()>& write) {
  for (;;) {
    try {
      write();
      return true;
    } catch (const CFileBusyError& e) {
      if (AppMessage(parent, kMsgFileBusy, QMessageBox::Warning, QMessageBox::Retry | QMessageBox::Cancel,
                     QString::fromUtf8(e.what())) != QMessageBox::Retry) {
        return false;
      }
    }
  }
}

}  // namespace tkq::gui
