#include "simulator/sim_cli.h"

#include <exception>
#include <memory>
#include <ostream>

#include "simulator/generate_command.h"
#include "simulator/serve.h"
#include "tkq_version.h"

namespace tkq::sim {
namespace {

constexpr const char* kProgram = "tarvik-kq-sim";

// What was wrong with the command line, in words.
std::string UsageMistake(const CLI::App& app, const CLI::ParseError& e, const std::vector<std::string>& args,
                         const CLI::App* command) {
  if (command == nullptr && args.empty()) return "name an instrument folder";
  const std::vector<std::string> extra = app.remaining(true);
  if (extra.empty() || (command != nullptr && dynamic_cast<const CLI::ExtrasError*>(&e) == nullptr)) {
    return e.what();
  }
  // An option of the other command given to this one.
  for (const std::string& word : extra) {
    const std::string name = word.substr(0, word.find('='));
    if (!name.starts_with('-')) continue;
    for (const CLI::App* other : app.get_subcommands({})) {
      if (other != command && other->get_option_no_throw(name) != nullptr) {
        return name + " is an option of " + other->get_name();
      }
    }
  }
  // The words left over, in the order they were given.
  std::string text = extra.size() > 1 ? "unexpected arguments:" : "unexpected argument:";
  for (const std::string& word : extra) text += " " + word;
  return text;
}

}  // namespace

int UsageError(std::ostream& err, std::string_view command, const std::string& what) {
  err << kProgram << ": " << what << "\n"
      << "Run '" << kProgram << " " << command << (command.empty() ? "" : " ") << "--help' for more information.\n";
  return kExitUsage;
}

int Failure(std::ostream& err, const std::string& what) {
  err << kProgram << ": " << what << "\n";
  return kExitFailure;
}

CLI::Option* AddTextOption(CLI::App& command, const std::string& name, std::optional<std::string>& value,
                           const std::string& description) {
  return command.add_option_function<std::string>(
      name, [&value](const std::string& text) { value = text; }, description);
}

int RunSimCli(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
  CLI::App app(
      "A Tarvik KQ instrument on a pseudo-terminal (or a serial port), and a generator of instrument "
      "folders.",
      kProgram);
  app.set_version_flag("--version", std::string(kProgram) + " " + TKQ_VERSION_TEXT);
  app.require_subcommand(1);

  ServeOptions serve;
  CLI::App* serveCommand = app.add_subcommand(
      "serve",
      "Serve an instrument folder on a new pseudo-terminal, whose path is printed on the first line; "
      "runs until interrupted");
  AddServeOptions(*serveCommand, serve);
  GenerateCommandOptions generate;
  CLI::App* generateCommand = app.add_subcommand("generate", "Write a realistic instrument folder");
  AddGenerateOptions(*generateCommand, generate);
  app.footer(
      "The first word may be the folder itself: tarvik-kq-sim DIR [options] serves DIR. Exit status: 0 "
      "done, 1 failed, 2 a mistake on the command line or an unusable folder, port or file named on it.");

  // "tarvik-kq-sim DIR ..." serves DIR.
  std::vector<std::string> words = args;
  if (!words.empty() && !words.front().starts_with('-') && words.front() != "serve" && words.front() != "generate") {
    words.insert(words.begin(), "serve");
  }
  std::vector<std::string> reversed(words.rbegin(), words.rend());
  try {
    app.parse(reversed);
  } catch (const CLI::ParseError& e) {
    if (e.get_exit_code() == static_cast<int>(CLI::ExitCodes::Success)) return app.exit(e, out, err);
    const std::vector<CLI::App*> selected = app.get_subcommands();
    const CLI::App* command = selected.empty() ? nullptr : selected.front();
    return UsageError(err, command == nullptr ? "" : command->get_name(), UsageMistake(app, e, words, command));
  }
  try {
    if (generateCommand->parsed()) return RunGenerate(generate, err);
    return RunServe(serve, out, err);
  } catch (const std::exception& e) {
    return Failure(err, e.what());
  }
}

}  // namespace tkq::sim
