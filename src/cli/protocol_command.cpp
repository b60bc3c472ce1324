// protocol: the survey protocol of a saved archive, the document handed to
// the client, as a PDF or an OpenDocument text, with no display.

#include <CLI/CLI.hpp>
#include <QDate>
#include <QFileInfo>
#include <QSettings>
#include <QString>
#include <algorithm>
#include <optional>
#include <ostream>
#include <stdexcept>
#include <string>
#include <vector>

#include "cli/archive_loading.h"
#include "cli/command.h"
#include "cli/gui_application.h"
#include "cli/output_option.h"
#include "cli/view_options.h"
#include "core/description/param_tree.h"
#include "core/output/protocol.h"
#include "render/protocol_pages.h"
#include "render/protocol_profile.h"

namespace tkq::cli {
namespace {

enum class EProtocolFormat { kPdf, kOdt };

// The format a file's name asks for; nothing for another ending.
std::optional<EProtocolFormat> FormatOf(const std::string& path) {
  const QString suffix = QFileInfo(QString::fromStdString(path)).suffix().toLower();
  if (suffix == "pdf") return EProtocolFormat::kPdf;
  if (suffix == "odt") return EProtocolFormat::kOdt;
  return std::nullopt;
}

// "ДД.ММ.ГГГГ" of a real day, as typed; nothing otherwise.
bool IsDate(const std::string& text) {
  if (text.size() != 10) return false;
  const QDate date = QDate::fromString(QString::fromStdString(text), QStringLiteral("dd.MM.yyyy"));
  return date.isValid() && date.year() >= 1970;
}

// The names in `names` that no row of `tree` has.
std::vector<std::string> UnknownParams(const CParamTree& tree, const std::vector<std::string>& names) {
  std::vector<std::string> unknown;
  for (const std::string& name : names) {
    const bool known = std::any_of(tree.Items().begin(), tree.Items().end(), [&](const CParamTreeItem& group) {
      return std::any_of(group.children.begin(), group.children.end(),
                         [&](const CParamTreeItem& row) { return row.name == name; });
    });
    if (!known) unknown.push_back(name);
  }
  return unknown;
}

class ProtocolCommand : public Command {
 public:
  const char* Name() const override { return "protocol"; }
  const char* Description() const override {
    return "Make the survey protocol of a saved archive, the document for the client, as a PDF or ODT file";
  }

  void Setup(CLI::App& command) override {
    AddArchiveOptions(command, m_archive);
    AddOutputFileOption(
        command, ".pdf or .odt",
        [this](const std::string& path) {
          const std::optional<EProtocolFormat> format = FormatOf(path);
          if (!format) return false;
          m_format = *format;
          m_output = path;
          return true;
        },
        "Write the protocol to FILE: PDF or OpenDocument text (ODT) by its extension");
    command.add_option("--number", m_survey.number, "The protocol's number")->type_name("TEXT");
    command.add_option("--address", m_survey.address, "The object's address")->type_name("TEXT");
    command.add_option("--client", m_survey.client, "The client (the consumer)")->type_name("TEXT");
    command.add_option("--remarks", m_survey.remarks, "Remarks: free text, a line feed between paragraphs")
        ->type_name("TEXT");
    command
        .add_option_function<std::string>(
            "--date",
            [this](const std::string& text) {
              if (!IsDate(text)) throw CLI::ValidationError("--date takes a day as DD.MM.YYYY, not \"" + text + "\"");
              m_date = text;
            },
            "The protocol's date, DD.MM.YYYY (default: today)")
        ->type_name("DATE");
    CLI::Option* days = command.add_flag("--days", m_days, "The table by days");
    CLI::Option* months = command.add_flag("--months", m_months, "The table by months");
    CLI::Option* noTable = command.add_flag("--no-table", m_noTable, "No table of periods");
    days->excludes(months)->excludes(noTable);
    months->excludes(days)->excludes(noTable);
    noTable->excludes(days)->excludes(months);
    command.add_flag("--no-chart", m_noChart, "Leave out the chart");
    command.add_flag("--no-situations", m_noSituations, "Leave out the abnormal situations");
    command
        .add_option("--param", m_params,
                    "A row of the parameter tree to list under «Параметры прибора», by its name; repeat for more "
                    "(default: the rows about the measuring point)")
        ->type_name("NAME")
        ->allow_extra_args(false);
    command.add_option("--hour", m_hour, "The reporting hour that starts the summary's days (0..23, default 0)")
        ->type_name("H")
        ->check(CLI::Range(0, 23));
    AddViewOptions(command, m_settings, false);
    command.add_option("--organisation", m_organisation, "The organisation that made the survey")->type_name("TEXT");
    command.add_option("--logo", m_logo, "The organisation's logo, a picture file (PNG, JPEG, ...)")->type_name("FILE");
    command.add_option("--technician", m_technician, "The technician who made the survey")->type_name("TEXT");
    command.add_option("--position", m_position, "The technician's position")->type_name("TEXT");
    command
        .add_option("--profile", m_profile,
                    "Read the requisites from this profile instead of the program's own (an INI file)")
        ->type_name("FILE");
    command.footer(
        "The protocol holds the organisation and its logo, the title with --number and --date, the object (its "
        "number and description, --address, --client), the instrument, the measurement period with the "
        "summary's figures for the two values --output-types, --units and --result choose, the table of days or "
        "months with the summary's «Всего» line (by months when the archive spans more than 62 days, unless "
        "--days, --months or --no-table), the chart, the abnormal situations, the parameter rows --param names, "
        "--remarks and the signatures, and «Страница N из M» on every page. --organisation, --logo, "
        "--technician and --position not given are taken from the program's profile («Настройка › "
        "Реквизиты...»), or from --profile FILE. A --param that the parameter tree does not hold is named on "
        "stderr and left out. A logo that does not load is left out, with a warning. The file is written under "
        "another name and renamed when complete. Exit status 1 when the file cannot be written; 2 for a "
        "mistake on the command line (an extension other than .pdf or .odt, a bad DATE) or an archive that "
        "does not load.");
  }

  int Run(CliContext& context) override {
    LoadedArchive loaded;
    CColumnSwitches columns;
    if (const int status = LoadArchiveForView(m_archive, "archive", m_settings, loaded, columns, context);
        status != kExitSuccess) {
      return status;
    }
    const CObjectDefinition& obj = *loaded.object;

    EnsureGuiApplication();
    CProtocolOptions options;
    options.requisites = Requisites();
    options.survey = m_survey;
    options.date = m_date.empty() ? QDate::currentDate().toString(QStringLiteral("dd.MM.yyyy")).toStdString() : m_date;
    options.table = m_days      ? EProtocolTable::kDays
                    : m_months  ? EProtocolTable::kMonths
                    : m_noTable ? EProtocolTable::kNone
                                : EProtocolTable::kAuto;
    options.chart = !m_noChart;
    options.situations = !m_noSituations;
    options.reportingHour = m_hour;
    if (m_params.empty()) {
      options.params = DefaultProtocolParams(obj.m_paramTree);
    } else {
      options.params = m_params;
      const std::vector<std::string> unknown = UnknownParams(obj.m_paramTree, m_params);
      if (!unknown.empty()) {
        context.err << "Нет в дереве параметров:";
        for (size_t i = 0; i < unknown.size(); ++i) context.err << (i == 0 ? " «" : ", «") << unknown[i] << "»";
        context.err << "\n";
      }
    }
    const CProtocolDocument document = MakeProtocol(obj, options);
    if (const QString problem = render::LoadProtocolLogo(document).problem; !problem.isEmpty()) {
      context.err << problem.toStdString() << "\n";
    }

    QString error;
    const QString path = QString::fromStdString(m_output);
    const bool ok = m_format == EProtocolFormat::kPdf ? render::WriteProtocolPdf(document, obj, path, error)
                                                      : render::WriteProtocolOdtFile(document, obj, path, error);
    if (!ok) {
      context.err << error.toStdString() << "\n";
      return kExitFailure;
    }
    return kExitSuccess;
  }

 private:
  // The options given, the rest from the profile.
  CProtocolRequisites Requisites() const {
    const QSettings settings(m_profile.empty() ? render::ProgramProfilePath() : QString::fromStdString(m_profile),
                             QSettings::IniFormat);
    CProtocolRequisites requisites = render::LoadRequisites(settings);
    if (m_organisation) requisites.organisation = *m_organisation;
    if (m_logo) requisites.logoPath = *m_logo;
    if (m_technician) requisites.technician = *m_technician;
    if (m_position) requisites.position = *m_position;
    return requisites;
  }

  ArchiveOptions m_archive;
  std::string m_output;
  EProtocolFormat m_format = EProtocolFormat::kPdf;
  CProtocolSurveyFields m_survey;
  std::string m_date;
  bool m_days = false;
  bool m_months = false;
  bool m_noTable = false;
  bool m_noChart = false;
  bool m_noSituations = false;
  std::vector<std::string> m_params;
  int m_hour = 0;
  ViewOptions m_settings;
  std::optional<std::string> m_organisation;
  std::optional<std::string> m_logo;
  std::optional<std::string> m_technician;
  std::optional<std::string> m_position;
  std::string m_profile;
};

}  // namespace

std::unique_ptr<Command> MakeProtocolCommand() { return std::make_unique<ProtocolCommand>(); }

}  // namespace tkq::cli
