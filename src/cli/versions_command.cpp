// versions: the device description's firmware versions, loaded as the
// program loads it at start.

#include <CLI/CLI.hpp>
#include <filesystem>
#include <ostream>

#include "cli/command.h"
#include "core/base/paths.h"
#include "core/description/read_param_class.h"

namespace tkq::cli {
namespace {

class VersionsCommand : public Command {
 public:
  const char* Name() const override { return "versions"; }
  const char* Description() const override { return "List the firmware versions of the device description"; }

  void Setup(CLI::App& command) override {
    m_descriptionOption = command
                              .add_option("--description", m_descriptionFile,
                                          "The device description file (default TarvikKQ.def in the current folder)")
                              ->type_name("FILE");
    command.footer(
        "Loads the device description as the program does at start: FILE, or the built-in description when "
        "FILE is missing or unreadable, which is then written to FILE. Says so unless the default file was "
        "not there at all (a first start).");
  }

  int Run(CliContext& context) override {
    CReadParamClass description;
    description.LoadAtStart(PathFromUtf8(m_descriptionFile),
                            [&](std::string_view message) { context.err << message << "\n"; },
                            m_descriptionOption->count() > 0 ? EMissingDescription::kTellUser
                                                             : EMissingDescription::kWriteQuietly);
    for (const auto& name : description.VersionNames()) context.out << name << "\n";
    return kExitSuccess;
  }

 private:
  std::string m_descriptionFile{kDescriptionFileName};
  CLI::Option* m_descriptionOption = nullptr;
};

}  // namespace

std::unique_ptr<Command> MakeVersionsCommand() { return std::make_unique<VersionsCommand>(); }

}  // namespace tkq::cli
