#include "gui/base/file_written.h"

#include <QDir>
#include <QMainWindow>
#include <QStatusBar>

namespace tkq::gui {

void ShowFileWritten(QWidget* widget, const QString& path) {
  // The program's one main window: the frame of the document windows.
  if (auto* frame = widget != nullptr ? qobject_cast<QMainWindow*>(widget->window()) : nullptr) {
    frame->statusBar()->showMessage(QStringLiteral("Записан файл %1").arg(QDir::toNativeSeparators(path)), 8000);
  }
}

}  // namespace tkq::gui
