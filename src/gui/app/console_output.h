#pragma once
// Text for the terminal the program was started from: --help, --version
// and a mistake on the command line.

#include <QString>
#include <cstdio>

namespace tkq::gui {

// Writes `text` to `stream` in UTF-8. A window program on Windows has no
// console of its own: it writes to the one it was started from, if any (a
// redirected output is used as it is), and leaves it its own code page.
void PrintToConsole(std::FILE* stream, const QString& text);

}  // namespace tkq::gui
