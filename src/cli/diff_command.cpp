// diff: what changed in the instrument's set-up between two saved archives,
// their parameter trees row by row.

#include <CLI/CLI.hpp>
#include <ostream>

#include "cli/archive_loading.h"
#include "cli/command.h"
#include "core/description/param_diff.h"

namespace tkq::cli {
namespace {

// Where a tree has no such row.
constexpr const char* kMissing = "—";

class DiffCommand : public Command {
 public:
  const char* Name() const override { return "diff"; }
  const char* Description() const override {
    return "Compare the parameter sets of two saved archives: the rows that differ";
  }

  void Setup(CLI::App& command) override {
    command.add_option("A", m_first.archive, "The first saved archive")->required();
    command.add_option("B", m_second.archive, "The second saved archive")->required();
    command
        .add_option("--description", m_first.descriptionFile,
                    "The device description file (default TarvikKQ.def in the current folder; the built-in "
                    "description when it does not read)")
        ->type_name("FILE");
    command.add_flag("--all", m_all, "Every row of both sets, not only those that differ");
    command.footer(
        "Rows are matched by their group and name, so sets of two versions compare too. Each row is a line of "
        "four fields separated by tabs: the group, the row's name, its value in A and in B (\"—\" where that "
        "set has no such row). Exit status: 0 the sets are equal, 1 they differ, 2 a mistake on the command "
        "line or a file that cannot be read.");
  }

  int Run(CliContext& context) override {
    m_second.descriptionFile = m_first.descriptionFile;
    LoadedArchive first;
    LoadedArchive second;
    if (LoadArchive(m_first, first, context) != kExitSuccess) return kExitBadFile;
    if (LoadArchive(m_second, second, context) != kExitSuccess) return kExitBadFile;
    const std::vector<CParamDiffRow> rows = DiffParamTrees(first.object->m_paramTree, second.object->m_paramTree);
    bool differ = false;
    for (const CParamDiffRow& row : rows) {
      differ = differ || row.Differs();
      if (!m_all && !row.Differs()) continue;
      context.out << row.group << '\t' << row.name << '\t' << row.first.value_or(kMissing) << '\t'
                  << row.second.value_or(kMissing) << '\n';
    }
    context.out.flush();
    return differ ? kExitFailure : kExitSuccess;
  }

 private:
  ArchiveOptions m_first;
  ArchiveOptions m_second;
  bool m_all = false;
};

}  // namespace

std::unique_ptr<Command> MakeDiffCommand() { return std::make_unique<DiffCommand>(); }

}  // namespace tkq::cli
