#include <unistd.h>

#include "cli/console.h"

namespace tkq::cli {

std::vector<std::string> ProgramArguments(int argc, char** argv) {
  return std::vector<std::string>(argv + 1, argv + argc);
}

// The bytes go out as written already, and terminals take UTF-8.
void SetUpStandardStreams() {}

bool ErrorIsTerminal() { return ::isatty(STDERR_FILENO) != 0; }

}  // namespace tkq::cli
