#include "cli/gui_application.h"

#include <QApplication>

namespace tkq::cli {

void EnsureGuiApplication() {
  if (QCoreApplication::instance() != nullptr) return;
  qputenv("QT_QPA_PLATFORM", "offscreen");
  static int argc = 1;
  static char name[] = "tarvik-kq";
  static char* argv[] = {name, nullptr};
  // Never destroyed: at exit, after the thread storage Qt's font cache
  // lives in has gone, its destructor would crash on the program's fonts.
  static QApplication* const app = new QApplication(argc, argv);
  (void)app;
}

}  // namespace tkq::cli
