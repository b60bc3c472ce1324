// report: the report file of one view, byte for byte as the program's
// «Формирование отчета» writes it.

#include <CLI/CLI.hpp>
#include <cerrno>
#include <ostream>
#include <system_error>

#include "cli/archive_loading.h"
#include "cli/command.h"
#include "cli/view_options.h"
#include "core/archive/saved_archive.h"
#include "core/base/paths.h"
#include "core/output/report.h"
#include "core/storage/file_io.h"

namespace tkq::cli {
namespace {

class ReportCommand : public Command {
 public:
  const char* Name() const override { return "report"; }
  const char* Description() const override { return "Write the report of one view of a saved archive"; }

  void Setup(CLI::App& command) override {
    AddArchiveOptions(command, m_archive);
    AddViewChoice(command, m_view);
    command.add_option("-o", m_output, "Write the report to FILE instead of standard output")->type_name("FILE");
    AddViewOptions(command, m_settings);
    command.footer(
        "Writes the report exactly as the program writes it (code page 1251). The view settings apply to the "
        "archive view; without them the report shows what a freshly opened settings form shows.");
  }

  int Run(CliContext& context) override {
    LoadedArchive loaded;
    CColumnSwitches columns;
    if (const int status = LoadArchiveForView(m_archive, m_view, m_settings, loaded, columns, context);
        status != kExitSuccess) {
      return status;
    }
    const CObjectDefinition& obj = *loaded.object;
    try {
      if (m_output.empty()) {
        CStreamSink sink(context.out, "в стандартный вывод");
        Write(obj, columns, sink);
        sink.Flush();
      } else {
        CAtomicFile file(PathFromUtf8(m_output));
        CAtomicFileSink sink(file);
        Write(obj, columns, sink);
        file.Commit();
      }
    } catch (const std::system_error& e) {
      context.err << FileErrorMessage(e) << "\n" << e.what() << "\n";
      return kExitFailure;
    }
    return kExitSuccess;
  }

 private:
  void Write(const CObjectDefinition& obj, const CColumnSwitches& columns, CReportSink& sink) const {
    if (m_view == "archive") {
      WriteArchiveReport(obj, columns, sink);
    } else if (m_view == "abnormal") {
      WriteAbnormalReport(obj, sink);
    } else {
      const auto& tree = obj.m_paramTree;
      WriteParamReport(tree, std::vector<bool>(tree.GetCount(), true), sink);
    }
  }

  ArchiveOptions m_archive;
  std::string m_view;
  std::string m_output;
  ViewOptions m_settings;
};

}  // namespace

std::unique_ptr<Command> MakeReportCommand() { return std::make_unique<ReportCommand>(); }

}  // namespace tkq::cli
