// tree: the parameter tree of a saved archive as the «Параметры» window
// shows it.

#include <CLI/CLI.hpp>
#include <ostream>

#include "cli/archive_loading.h"
#include "cli/command.h"

namespace tkq::cli {
namespace {

class TreeCommand : public Command {
 public:
  const char* Name() const override { return "tree"; }
  const char* Description() const override { return "Print the parameter tree of a saved archive"; }

  void Setup(CLI::App& command) override { AddArchiveOptions(command, m_archive); }

  int Run(CliContext& context) override {
    LoadedArchive loaded;
    if (const int status = LoadArchive(m_archive, loaded, context); status != kExitSuccess) return status;
    for (const auto& group : loaded.object->m_paramTree.Items()) {
      context.out << group.text << "\n";
      for (const auto& line : group.children) context.out << "    " << line.text << "\n";
    }
    return kExitSuccess;
  }

 private:
  ArchiveOptions m_archive;
};

}  // namespace

std::unique_ptr<Command> MakeTreeCommand() { return std::make_unique<TreeCommand>(); }

}  // namespace tkq::cli
