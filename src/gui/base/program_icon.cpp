#include "gui/base/program_icon.h"

#include "tkq_version.h"

namespace tkq::gui {

QIcon ProgramIcon() {
  QIcon icon;
  for (int size : {16, 32, 48, 64, 128, 256}) {
    icon.addFile(QStringLiteral(":/icons/%1x%1/" TKQ_APP_ID ".png").arg(size), QSize(size, size));
  }
  return icon;
}

}  // namespace tkq::gui
