#pragma once
// The word in the status bar that a command wrote a file.

#include <QString>

class QWidget;

namespace tkq::gui {

// Says for a few seconds in the status bar of the main window `widget` is
// in that `path` was written (nothing outside one).
void ShowFileWritten(QWidget* widget, const QString& path);

}  // namespace tkq::gui
