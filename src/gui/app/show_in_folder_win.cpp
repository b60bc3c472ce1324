#include <QDir>
#include <QDesktopServices>
#include <QFileInfo>
#include <QProcess>
#include <QUrl>

#include "gui/app/show_in_folder.h"

namespace tkq::gui {

// Explorer opens the folder with the file selected; the folder alone when
// Explorer cannot be started.
void ShowFileInFolder(const QString& path) {
  const QFileInfo file(path);
  QProcess explorer;
  explorer.setProgram(QStringLiteral("explorer.exe"));
  explorer.setNativeArguments(QStringLiteral("/select,\"%1\"").arg(QDir::toNativeSeparators(file.absoluteFilePath())));
  if (!explorer.startDetached()) QDesktopServices::openUrl(QUrl::fromLocalFile(file.absolutePath()));
}

}  // namespace tkq::gui
