#include <QStandardPaths>
#include <QString>

#include "cli/documents_folder.h"
#include "core/base/paths.h"

namespace tkq::cli {

// Qt's own answer, the one the desktop program gets: the user's folder
// settings on Linux, the known folder on Windows.
std::filesystem::path DocumentsFolder() {
  const QString folder = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
  if (folder.isEmpty()) return {};
  return PathFromUtf8(folder.toStdString());
}

}  // namespace tkq::cli
