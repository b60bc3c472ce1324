#pragma once
// tarvik-kq-sim serve DIR: the instrument of a folder on a new
// pseudo-terminal (or an existing serial port) until interrupted.

#include <cstdint>
#include <iosfwd>
#include <optional>
#include <string>

namespace CLI {
class App;
}

namespace tkq::sim {

struct ServeOptions {
  std::string dir;
  std::optional<std::string> tty;   // serve this serial port instead of a pseudo-terminal
  std::optional<std::string> link;  // a symbolic link to the pseudo-terminal
  int64_t address = 1;
  std::optional<std::string> id1, id2;
  int64_t baud = 0;  // 0: no pacing
  // With --baud on a pseudo-terminal: answer whatever rate the client set
  // (pacing only), rather than staying silent to a client at another rate.
  bool anyRate = false;
  int64_t latencyMs = 0;
  std::optional<std::string> log;
  // Faults.
  bool silent = false;
  int64_t silentFirst = 0;
  int64_t badCrcAt = 0;
  bool wrongAddress = false;
  int64_t exceptionCode = 0;
  int64_t exceptionFrom = 1;
  int64_t refuse = -1;
  bool badFcbLength = false;
  bool shortPieces = false;
};

void AddServeOptions(CLI::App& command, ServeOptions& options);

// Prints the line's path on the first line of `out`, then serves until
// SIGINT, SIGTERM or SIGHUP; returns the exit status.
int RunServe(const ServeOptions& options, std::ostream& out, std::ostream& err);

}  // namespace tkq::sim
