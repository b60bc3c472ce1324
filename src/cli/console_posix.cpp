#include <unistd.h>

#include "cli/console.h"

namespace tkq::cli {

std::vector<std::string> ProgramArguments(int argc, char** argv) {
  return std::vector<std::string>(argv + 1, argv + argc);
}

// The bytes go out as written already, and terminals take UTF-8.
void SetUpStandardStreams() {}

void RestoreConsole() {}

bool ErrorIsTerminal() { return ::isatty(STDERR_FILENO) != 0; }

const char* PortOptionHelp() { return "COM1..COM4 (/dev/ttyS0..3) or a device such as /dev/ttyUSB0"; }

const char* PortsCommandFooter() {
  return "COM1..COM4 are listed always, with or without a device behind them; then the /dev/serial/by-id names of "
         "USB adapters (they stay the same when the adapter is plugged in again), the devices themselves and the "
         "further UARTs. A closing line on the error output says why no port can be used, when none can. Opens no "
         "port; exit status 0.";
}

}  // namespace tkq::cli
