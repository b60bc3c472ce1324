// export: a saved archive as a spreadsheet: an Excel workbook of every
// view, or one view as a CSV file.

#include <CLI/CLI.hpp>
#include <cctype>
#include <filesystem>
#include <optional>
#include <ostream>
#include <stdexcept>

#include "cli/archive_loading.h"
#include "cli/command.h"
#include "cli/output_option.h"
#include "cli/view_options.h"
#include "core/archive/saved_archive.h"
#include "core/base/paths.h"
#include "core/output/csv_export.h"
#include "core/output/workbook.h"
#include "core/storage/file_io.h"
#include "tkq_version.h"

namespace tkq::cli {
namespace {

enum class EFileKind { kWorkbook, kCsv };

// The kind of file -o names, by its extension in any case.
std::optional<EFileKind> KindOf(const std::string& path) {
  const std::string extension = LowerCaseExtension(path);
  if (extension == ".xlsx") return EFileKind::kWorkbook;
  if (extension == ".csv") return EFileKind::kCsv;
  return std::nullopt;
}

class ExportCommand : public Command {
 public:
  const char* Name() const override { return "export"; }
  const char* Description() const override {
    return "Write a saved archive as an Excel workbook of every view, or one view as a CSV file";
  }

  void Setup(CLI::App& command) override {
    AddArchiveOptions(command, m_archive);
    AddOutputFileOption(
        command, ".xlsx or .csv",
        [this](const std::string& path) {
          const std::optional<EFileKind> kind = KindOf(path);
          if (!kind) return false;
          m_kind = *kind;
          m_output = path;
          return true;
        },
        "Write to FILE: an Excel workbook (.xlsx) or a CSV file (.csv)");
    command
        .add_option("--view", m_view,
                    "The view a CSV file holds: archive, abnormal, params, or the summary by days or months")
        ->type_name("VIEW")
        ->check(CLI::IsMember({"archive", "abnormal", "params", "days", "months"}));
    command.add_option("--hour", m_hour, "The reporting hour that starts the summary's days (0..23, default 0)")
        ->type_name("H")
        ->check(CLI::Range(0, 23));
    AddViewOptions(command, m_settings);
    // What the options mean depends on the kind of file.
    command.parse_complete_callback([this] {
      if (m_kind == EFileKind::kCsv && m_view.empty()) {
        throw CLI::ValidationError("a CSV file holds one view: choose it with --view archive|abnormal|params|days|months");
      }
      if (m_kind == EFileKind::kWorkbook && !m_view.empty()) {
        throw CLI::ValidationError("--view is for a CSV file: a workbook holds every view");
      }
      if (m_hour && m_kind == EFileKind::kCsv && m_view != "days" && m_view != "months") {
        throw CLI::ValidationError("--hour is for the summary: a workbook, or a CSV file of --view days|months");
      }
      if (m_kind == EFileKind::kCsv && m_settings.columns) {
        throw CLI::ValidationError("--columns is for a workbook: a CSV file has every column");
      }
    });
    command.footer(
        "A workbook (.xlsx) has the sheets «Архив измерений» (the columns --columns leaves on), «Нештатные "
        "ситуации», «Параметры» (every group), «Сводка по суткам», «Сводка по месяцам» and «Сведения». A CSV "
        "file (.csv) holds the view --view names, "
        "UTF-8 with commas and CRLF, with every column and fixed column names (see README). --output-types, "
        "--units and --result choose what the two values are, as in the table, for both. The file is written "
        "under another name and renamed when complete. The summary's days start at the reporting hour --hour. "
        "Exit status 1 when the file cannot be written.");
  }

  int Run(CliContext& context) override {
    LoadedArchive loaded;
    CColumnSwitches columns;
    // The summary follows the archive view's settings.
    const bool summary = m_view == "days" || m_view == "months";
    const std::string view = m_kind == EFileKind::kWorkbook || summary ? "archive" : m_view;
    const int hour = m_hour.value_or(0);
    if (const int status = LoadArchiveForView(m_archive, view, m_settings, loaded, columns, context);
        status != kExitSuccess) {
      return status;
    }
    const CObjectDefinition& obj = *loaded.object;
    try {
      if (m_kind == EFileKind::kWorkbook) {
        WriteArchiveWorkbook(PathFromUtf8(m_output), obj, columns, CWorkbookInfo{"tarvik-kq", TKQ_VERSION_TEXT},
                             hour);
      } else {
        const ECsvView csv = m_view == "archive"    ? ECsvView::kArchive
                             : m_view == "abnormal" ? ECsvView::kAbnormal
                             : m_view == "days"     ? ECsvView::kDays
                             : m_view == "months"   ? ECsvView::kMonths
                                                    : ECsvView::kParams;
        WriteArchiveCsvFile(PathFromUtf8(m_output), obj, csv, hour);
      }
    } catch (const std::runtime_error& e) {
      context.err << FileErrorMessage(e) << "\n" << e.what() << "\n";
      return kExitFailure;
    }
    return kExitSuccess;
  }

 private:
  ArchiveOptions m_archive;
  std::string m_output;
  EFileKind m_kind = EFileKind::kWorkbook;
  std::string m_view;
  std::optional<int> m_hour;
  ViewOptions m_settings;
};

}  // namespace

std::unique_ptr<Command> MakeExportCommand() { return std::make_unique<ExportCommand>(); }

}  // namespace tkq::cli
