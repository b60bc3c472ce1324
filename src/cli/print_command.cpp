// print: the pages the program prints of one view, to a PDF file or to a
// printer, with no display.

#include <CLI/CLI.hpp>
#include <QPageLayout>
#include <QPageSize>
#include <QPrinter>
#include <QPrinterInfo>
#include <cstdio>
#include <optional>
#include <ostream>

#include "cli/archive_loading.h"
#include "cli/command.h"
#include "cli/gui_application.h"
#include "cli/interrupts.h"
#include "cli/view_options.h"
#include "core/output/print_layout.h"
#include "core/output/summary_table.h"
#include "render/page_painter.h"

namespace tkq::cli {
namespace {

std::string Utf8(const QString& text) { return text.toStdString(); }

class PrintCommand : public Command {
 public:
  const char* Name() const override { return "print"; }
  const char* Description() const override {
    return "Print one view of a saved archive as the program prints it, to a PDF file or a printer";
  }

  void Setup(CLI::App& command) override {
    AddArchiveOptions(command, m_archive);
    command.add_option("--view", m_view, "The view: archive, abnormal, params, or the summary by days or months")
        ->type_name("VIEW")
        ->required()
        ->check(CLI::IsMember({"archive", "abnormal", "params", "days", "months"}));
    command.add_option("--hour", m_hour, "The reporting hour that starts the summary's days (0..23, default 0)")
        ->type_name("H")
        ->check(CLI::Range(0, 23));
    CLI::Option* output = command.add_option("-o", m_output, "Write the pages to FILE as a PDF")->type_name("FILE");
    CLI::Option* printer =
        command.add_option("--printer", m_printer, "Send the pages to the printer NAME instead")->type_name("NAME");
    output->excludes(printer);
    printer->excludes(output);
    command.add_option("--page-size", m_pageSize, "Paper: A4 (default), A3 or Letter")
        ->type_name("SIZE")
        ->check(CLI::IsMember({"A4", "A3", "Letter"}));
    command.add_flag("--landscape", m_landscape, "Landscape pages");
    command.add_flag("--collapsed", m_collapsed,
                     "Print the parameter tree with its groups collapsed, as the program shows it at first "
                     "(no data lines)");
    AddViewOptions(command, m_settings);
    command.parse_complete_callback([this] {
      if (m_hour && !IsSummary()) throw CLI::ValidationError("--hour is for the summary: --view days|months");
    });
    command.footer(
        "Either -o FILE or --printer NAME. The parameter tree prints with every group expanded unless "
        "--collapsed. The summary (days, months) follows --output-types, --units and --result as the table "
        "does; its days start at the reporting hour --hour. A table wider than the page goes on over further "
        "pages, its first column repeated. A view with no lines prints nothing and says so (status 1). "
        "Ctrl+C stops the job; a file is only written when every page is in it.");
  }

  int Run(CliContext& context) override {
    if (m_output.empty() && m_printer.empty()) {
      context.err << "tarvik-kq: name the PDF file with -o FILE or the printer with --printer NAME\n";
      return kExitUsage;
    }
    LoadedArchive loaded;
    CColumnSwitches columns;
    // The summary follows the archive view's settings.
    if (const int status =
            LoadArchiveForView(m_archive, IsSummary() ? "archive" : m_view, m_settings, loaded, columns, context);
        status != kExitSuccess) {
      return status;
    }
    const CObjectDefinition& obj = *loaded.object;
    std::unique_ptr<CPrintLines> lines;
    std::optional<CSummary> summary;
    std::optional<CSummaryTable> summaryTable;
    const ESummaryPeriods periods = m_view == "months" ? ESummaryPeriods::kMonths : ESummaryPeriods::kDays;
    if (IsSummary()) {
      summary.emplace(MakeSummary(obj, m_hour.value_or(0)));
      summaryTable.emplace(obj, *summary, periods);
      lines = std::make_unique<CSummaryPrintLines>(*summaryTable);
    } else if (m_view == "archive") {
      lines = std::make_unique<CArchivePrintLines>(obj, columns);
    } else if (m_view == "abnormal") {
      lines = std::make_unique<CAbnormalPrintLines>(obj);
    } else {
      lines = std::make_unique<CTreePrintLines>(obj.m_paramTree,
                                                std::vector<bool>(obj.m_paramTree.GetCount(), !m_collapsed));
    }

    EnsureGuiApplication();
    QPrinter printer(QPrinter::HighResolution);
    if (!SetUpPrinter(printer, periods, context.err)) return kExitFailure;

    const render::CPrintFont font(printer);
    const CPageLayout layout(*lines, PrintTitle(obj), render::MeasurePrintPage(printer, font));
    if (!layout.IsValid()) {
      context.err << kPageTooSmall << "\n";
      return kExitFailure;
    }
    if (layout.PageCount() == 0) {
      context.err << "Нет строк для печати\n";
      return kExitFailure;
    }

    // Ctrl+C and termination stop the job after the page being drawn.
    CInterruptGuard interrupts;
    const int pages = layout.PageCount();
    QString error;
    const bool ok = render::PrintPageRange(
        printer, layout, font, {1, pages},
        [&](int page, int) {
          if (context.errIsTerminal && (page == 1 || page % 50 == 0 || page == pages)) {
            context.err << "\r\033[KСтраница " << page << " из " << pages << std::flush;
          }
          return !interrupts.Interrupted();
        },
        error);
    if (context.errIsTerminal) context.err << "\r\033[K" << std::flush;
    if (!ok) {
      context.err << (error.isEmpty() ? std::string("Печать прервана") : Utf8(error)) << "\n";
      return kExitFailure;
    }
    return kExitSuccess;
  }

 private:
  // The printer or the PDF file -o, with the paper, orientation, margins and
  // the document's name; false (said on `err`) for a printer that is not
  // there.
  bool SetUpPrinter(QPrinter& printer, ESummaryPeriods periods, std::ostream& err) const {
    if (!m_printer.empty()) {
      const QString name = QString::fromStdString(m_printer);
      if (!QPrinterInfo::availablePrinterNames().contains(name)) {
        err << "Нет такого принтера: " << m_printer << "\n";
        return false;
      }
      printer.setOutputFormat(QPrinter::NativeFormat);
      printer.setPrinterName(name);
    } else {
      printer.setOutputFormat(QPrinter::PdfFormat);
      printer.setOutputFileName(QString::fromStdString(m_output));
    }
    const QPageSize::PageSizeId paper = m_pageSize == "A3"       ? QPageSize::A3
                                        : m_pageSize == "Letter" ? QPageSize::Letter
                                                                 : QPageSize::A4;
    printer.setPageSize(QPageSize(paper));
    printer.setPageOrientation(m_landscape ? QPageLayout::Landscape : QPageLayout::Portrait);
    render::SetPrintMargins(printer);
    printer.setDocName(QString::fromStdString(IsSummary()            ? SummaryTitle(periods)
                                              : m_view == "archive"  ? "Архив измерений"
                                              : m_view == "abnormal" ? "Архив нештатных ситуаций"
                                                                     : "Параметры"));
    return true;
  }

  bool IsSummary() const { return m_view == "days" || m_view == "months"; }

  ArchiveOptions m_archive;
  std::string m_view;
  std::optional<int> m_hour;
  std::string m_output;
  std::string m_printer;
  std::string m_pageSize = "A4";
  bool m_landscape = false;
  bool m_collapsed = false;
  ViewOptions m_settings;
};

}  // namespace

std::unique_ptr<Command> MakePrintCommand() { return std::make_unique<PrintCommand>(); }

}  // namespace tkq::cli
