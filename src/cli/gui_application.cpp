#include "cli/gui_application.h"

#include <QApplication>

namespace tkq::cli {

void EnsureGuiApplication() {
  if (QCoreApplication::instance() != nullptr) return;
  qputenv("QT_QPA_PLATFORM", "offscreen");
  static int argc = 1;
  static char name[] = "tarvik-kq";
  static char* argv[] = {name, nullptr};
  static QApplication app(argc, argv);
}

}  // namespace tkq::cli
