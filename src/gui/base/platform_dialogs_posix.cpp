#include <QFileDialog>

#include "gui/base/platform_dialogs.h"

namespace tkq::gui {

bool PrintDialogPrintsPdfAtStart() { return true; }

void UsePlatformFileDialog(QFileDialog& dialog) { dialog.setOption(QFileDialog::DontUseNativeDialog); }

}  // namespace tkq::gui
