#include "gui/app/console_output.h"

namespace tkq::gui {

void PrintToConsole(std::FILE* stream, const QString& text) {
  std::fputs(text.toUtf8().constData(), stream);
  std::fflush(stream);
}

}  // namespace tkq::gui
