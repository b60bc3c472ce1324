#include <QFileDialog>

#include "gui/base/platform_dialogs.h"

namespace tkq::gui {

// Windows' print dialog prints only to installed printers.
bool PrintDialogPrintsPdfAtStart() { return false; }

// Explorer's dialog: the one Qt shows unless told otherwise.
void UsePlatformFileDialog(QFileDialog&) {}

}  // namespace tkq::gui
