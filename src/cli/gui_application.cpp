#include "cli/gui_application.h"

#include <QApplication>

namespace tkq::cli {
namespace {

QtMessageHandler g_qtHandler = nullptr;

// Qt's notes about its surroundings (no XDG_RUNTIME_DIR when run as root
// or from a service, a painter that could not begin) are not the tool's to
// print: the tool says itself what failed and why. Qt's errors still go out.
void QuietQtMessages(QtMsgType type, const QMessageLogContext& context, const QString& message) {
  if (type == QtCriticalMsg || type == QtFatalMsg) g_qtHandler(type, context, message);
}

}  // namespace

void EnsureGuiApplication() {
  if (QCoreApplication::instance() != nullptr) return;
  if (g_qtHandler == nullptr) g_qtHandler = qInstallMessageHandler(QuietQtMessages);
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
