#include "cli/cli.h"

#include <CLI/CLI.hpp>
#include <exception>
#include <ostream>

#include "core/base/system_errors.h"
#include "tkq_version.h"

namespace tkq::cli {

// The commands, in the order --help lists them. A command is a file of its
// own that defines its Make...Command(), declared and listed here.
std::unique_ptr<Command> MakeVersionsCommand();
std::unique_ptr<Command> MakeInfoCommand();
std::unique_ptr<Command> MakeTreeCommand();
std::unique_ptr<Command> MakeDiffCommand();
std::unique_ptr<Command> MakeReportCommand();
std::unique_ptr<Command> MakeExportCommand();
std::unique_ptr<Command> MakeSummaryCommand();
std::unique_ptr<Command> MakeImportCommand();
std::unique_ptr<Command> MakePortsCommand();
std::unique_ptr<Command> MakeFindCommand();
std::unique_ptr<Command> MakeIdentifyCommand();
std::unique_ptr<Command> MakeListCommand();
std::unique_ptr<Command> MakeReadCommand();
std::unique_ptr<Command> MakeJournalCommand();
#ifdef TKQ_HAVE_PRINT  // the commands that draw: built with the desktop program only
std::unique_ptr<Command> MakePrintCommand();
std::unique_ptr<Command> MakePlotCommand();
std::unique_ptr<Command> MakeProtocolCommand();
#endif

std::vector<std::unique_ptr<Command>> MakeCommands() {
  using Factory = std::unique_ptr<Command> (*)();
  static constexpr Factory kFactories[] = {
      MakeVersionsCommand, MakeInfoCommand,   MakeTreeCommand,    MakeDiffCommand,   MakeReportCommand,
      MakeExportCommand,   MakeSummaryCommand, MakeImportCommand, MakePortsCommand,  MakeFindCommand,
      MakeIdentifyCommand, MakeListCommand,   MakeReadCommand,    MakeJournalCommand,
#ifdef TKQ_HAVE_PRINT
      MakePrintCommand,    MakePlotCommand,   MakeProtocolCommand,
#endif
  };
  std::vector<std::unique_ptr<Command>> commands;
  for (const Factory make : kFactories) commands.push_back(make());
  return commands;
}

namespace {

constexpr const char* kProgram = "tarvik-kq";

constexpr const char* kFooter =
    "info, tree, report and export use TarvikKQ.def from the current folder when it reads (or the --description FILE "
    "given), else the built-in description; import, read and journal use TarvikKQ.def from the current folder the "
    "same way. None of them writes a description file. read keeps every survey it reads in the survey journal, "
    "as the desktop program does: the folder Tarvik KQ/Журнал in the documents folder, or the --journal DIR "
    "given; journal lists, shows, adds and removes its surveys. Exit status: 0 done, 1 failed, 2 a mistake on the "
    "command line or a file that does not load.";

// What was wrong with the command line, in words; the command it concerns
// in `command` ("" for the tool as a whole).
std::string UsageMistake(const CLI::App& app, const CLI::ParseError& e, const std::vector<std::string>& args,
                         std::string& command) {
  const std::vector<CLI::App*> selected = app.get_subcommands();
  command.clear();
  // The command and the command of it chosen ("journal list").
  for (const CLI::App* sub = selected.empty() ? nullptr : selected.front(); sub != nullptr;) {
    command += (command.empty() ? "" : " ") + sub->get_name();
    const std::vector<CLI::App*> under = sub->get_subcommands();
    sub = under.empty() ? nullptr : under.front();
  }
  if (selected.empty() && args.empty()) return "name a command";
  if (selected.empty() && !args.front().starts_with('-')) return "unknown command " + args.front();
  // The words left over, in the order they were given.
  const std::vector<std::string> extra = app.remaining(true);
  if (!extra.empty() && (selected.empty() || dynamic_cast<const CLI::ExtrasError*>(&e) != nullptr)) {
    std::string text = extra.size() > 1 ? "unexpected arguments:" : "unexpected argument:";
    for (const std::string& word : extra) text += " " + word;
    return text;
  }
  return e.what();
}

}  // namespace

int RunCli(const std::vector<std::string>& args, CliContext& context) {
  CLI::App app("The Tarvik KQ Monitor's command-line tool: saved archives, reports and reads from the instrument.",
               kProgram);
  // Options are "--name" and "-x" on every system: a word starting with
  // '/' is a path (from the drive's root, as scripts write it on Windows),
  // never "/name". Set before the commands, which take it over.
  app.allow_windows_style_options(false);
  app.set_version_flag("--version", std::string(kProgram) + " " + TKQ_VERSION_TEXT);
  app.require_subcommand(1);
  std::vector<std::unique_ptr<Command>> commands = MakeCommands();
  std::vector<std::pair<CLI::App*, Command*>> subcommands;
  for (auto& command : commands) {
    CLI::App* sub = app.add_subcommand(command->Name(), command->Description());
    command->Setup(*sub);
    subcommands.emplace_back(sub, command.get());
  }
  app.footer(kFooter);

  std::vector<std::string> reversed(args.rbegin(), args.rend());
  try {
    app.parse(reversed);
  } catch (const CLI::ParseError& e) {
    if (e.get_exit_code() == static_cast<int>(CLI::ExitCodes::Success)) return app.exit(e, context.out, context.err);
    std::string command;
    const std::string mistake = UsageMistake(app, e, args, command);
    context.err << kProgram << ": " << mistake << "\n"
                << "Run '" << kProgram << " " << (command.empty() ? "" : command + " ")
                << "--help' for more information.\n";
    return kExitUsage;
  }
  for (const auto& [sub, command] : subcommands) {
    if (!sub->parsed()) continue;
    try {
      return command->Run(context);
    } catch (const std::exception& e) {
      // Whatever a command did not foresee still ends in a message.
      context.err << kProgram << ": " << ErrorDetail(e) << "\n";
      return kExitFailure;
    }
  }
  return kExitUsage;  // require_subcommand(1) leaves no other case
}

}  // namespace tkq::cli
