// (being written)
#include "app/help_window.h"
namespace tkq::gui {
bool ShowHelp(const QString&, QWidget*) { return false; }
QString HelpPage(const QString&) { return {}; }
}  // namespace tkq::gui
