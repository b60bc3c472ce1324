#pragma once
// One command of tarvik-kq: a subcommand with options of its own, bound to
// the command's members, and what it does once they are parsed.

#include <iosfwd>
#include <memory>
#include <vector>

namespace CLI {
class App;
}

namespace tkq::cli {

constexpr int kExitSuccess = 0;
constexpr int kExitFailure = 1;
constexpr int kExitUsage = 2;    // a mistake on the command line
constexpr int kExitBadFile = 2;  // a file that does not open or does not load

// Where a command writes: what it produces to `out`, messages and the
// progress of a read to `err`.
struct CliContext {
  std::ostream& out;
  std::ostream& err;
  bool errIsTerminal = false;  // progress is redrawn in place only on a terminal
};

class Command {
 public:
  virtual ~Command() = default;

  // The word that selects the command and its line in the command list.
  virtual const char* Name() const = 0;
  virtual const char* Description() const = 0;
  // Adds the command's arguments and options to `command`, the subcommand
  // made for it from Name() and Description().
  virtual void Setup(CLI::App& command) = 0;
  // Runs the command once its options are parsed; returns the exit status.
  virtual int Run(CliContext& context) = 0;
};

// Every command of the tool, in the order --help lists them.
std::vector<std::unique_ptr<Command>> MakeCommands();

}  // namespace tkq::cli
