// identify: the instrument's identification text.

#include <CLI/CLI.hpp>
#include <ostream>

#include "cli/command.h"
#include "cli/link_options.h"
#include "core/link/read_status.h"

namespace tkq::cli {
namespace {

class IdentifyCommand : public Command {
 public:
  const char* Name() const override { return "identify"; }
  const char* Description() const override { return "Print the instrument's identification text"; }

  void Setup(CLI::App& command) override { AddLinkOptions(command, m_line); }

  int Run(CliContext& context) override {
    CInterruptibleLink line(m_line);
    CTrvKqModbusWithFlFiles& link = line.Link();
    if (!link.OpenPort()) {
      context.err << ReadStatusText(ReadStatus::kReadPortBusy) << "\n";
      line.AdviseOnPort(context.err);
      return kExitFailure;
    }
    std::string text;
    const bool ok = link.ReadIdentification(text);
    link.ClosePort();
    if (!ok) {
      std::string status;
      link.GetStatusText(status);
      context.err << ReadStatusText(link.IsCancelled() ? ReadStatus::kReadCancelled : ReadStatus::kReadNoConnection)
                  << "\n"
                  << status << "\n";
      return kExitFailure;
    }
    context.out << text << "\n";
    return kExitSuccess;
  }

 private:
  LinkOptions m_line;
};

}  // namespace

std::unique_ptr<Command> MakeIdentifyCommand() { return std::make_unique<IdentifyCommand>(); }

}  // namespace tkq::cli
