#include <QDesktopServices>
#include <QFileInfo>
#include <QUrl>

#include "gui/app/show_in_folder.h"

namespace tkq::gui {

// The desktops' file managers differ in how a file is selected; the
// folder opens in whichever the user chose.
void ShowFileInFolder(const QString& path) {
  QDesktopServices::openUrl(QUrl::fromLocalFile(QFileInfo(path).absolutePath()));
}

}  // namespace tkq::gui
