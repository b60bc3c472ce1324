// summary: the measurement summary of a saved archive as text: the whole
// archive's figures and a line per day or per month.

#include <CLI/CLI.hpp>
#include <ostream>
#include <string>
#include <system_error>

#include "cli/archive_loading.h"
#include "cli/command.h"
#include "cli/view_options.h"
#include "core/archive/saved_archive.h"
#include "core/output/summary_table.h"
#include "core/storage/file_io.h"

namespace tkq::cli {
namespace {

class SummaryCommand : public Command {
 public:
  const char* Name() const override { return "summary"; }
  const char* Description() const override {
    return "Print the measurement summary of a saved archive by days or months";
  }

  void Setup(CLI::App& command) override {
    AddArchiveOptions(command, m_archive);
    command.add_flag("--months", m_months, "A line per calendar month instead of per day");
    command.add_option("--hour", m_hour, "The reporting hour that starts each day (0..23, default 0)")
        ->type_name("H")
        ->check(CLI::Range(0, 23));
    AddViewOptions(command, m_settings, false);
    command.footer(
        "Prints what the rows of the measurement archive add up to, as the program's «Сводка» window shows "
        "it: for each value the sum of changes, the time-weighted mean with the smallest and largest of "
        "rates, or the totals at the start and the end with their difference; the hours measured, free of "
        "abnormal situations and without records; the abnormal situations that began; damaged records. A "
        "day runs from the reporting hour to the same hour the next day; a period the rows do not cover "
        "whole is «неполные». --output-types, --units and --result choose the values as in the table.");
  }

  int Run(CliContext& context) override {
    LoadedArchive loaded;
    CColumnSwitches columns;
    if (const int status = LoadArchiveForView(m_archive, "archive", m_settings, loaded, columns, context);
        status != kExitSuccess) {
      return status;
    }
    const CObjectDefinition& obj = *loaded.object;
    const CSummary summary = MakeSummary(obj, m_hour);
    const CSummaryTable table(obj, summary, m_months ? ESummaryPeriods::kMonths : ESummaryPeriods::kDays);
    std::string text;
    for (const std::string& line : table.TextLines(',')) {
      const size_t end = line.find_last_not_of(' ');
      if (end != std::string::npos) text.append(line, 0, end + 1);
      text += '\n';
    }
    try {
      CStreamSink sink(context.out, "в стандартный вывод");
      sink.Write(text);
      sink.Flush();
    } catch (const std::system_error& e) {
      context.err << FileErrorMessage(e) << "\n" << e.what() << "\n";
      return kExitFailure;
    }
    return kExitSuccess;
  }

 private:
  ArchiveOptions m_archive;
  bool m_months = false;
  int m_hour = 0;
  ViewOptions m_settings;
};

}  // namespace

std::unique_ptr<Command> MakeSummaryCommand() { return std::make_unique<SummaryCommand>(); }

}  // namespace tkq::cli
