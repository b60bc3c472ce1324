#include <windows.h>

#include "gui/app/console_output.h"

namespace tkq::gui {

void PrintToConsole(std::FILE* stream, const QString& text) {
  UINT previousCodePage = 0;
  if (GetFileType(GetStdHandle(STD_OUTPUT_HANDLE)) == FILE_TYPE_UNKNOWN && AttachConsole(ATTACH_PARENT_PROCESS)) {
    (void)std::freopen("CONOUT$", "w", stdout);
    (void)std::freopen("CONOUT$", "w", stderr);
    previousCodePage = GetConsoleOutputCP();
    if (previousCodePage == CP_UTF8 || !SetConsoleOutputCP(CP_UTF8)) previousCodePage = 0;
  }
  std::fputs(text.toUtf8().constData(), stream);
  std::fflush(stream);
  if (previousCodePage != 0) SetConsoleOutputCP(previousCodePage);
}

}  // namespace tkq::gui
