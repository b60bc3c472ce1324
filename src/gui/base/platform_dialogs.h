#pragma once
// What the platforms' own dialogs do differently; each platform's half in
// platform_dialogs_posix.cpp or platform_dialogs_win.cpp.

class QFileDialog;

namespace tkq::gui {

// Whether the platform's print dialog, as the program starts, is taken to
// print to a PDF file (PlatformDialogPrintsPdf in ui_services.h).
bool PrintDialogPrintsPdfAtStart();

// Makes `dialog` the platform's choice of file dialog: Windows users get
// Explorer's own (quick access, their cloud folders, the columns they set
// up), which takes the same title, filter and overwrite question; elsewhere
// Qt's own dialog, the same on every desktop.
void UsePlatformFileDialog(QFileDialog& dialog);

}  // namespace tkq::gui
