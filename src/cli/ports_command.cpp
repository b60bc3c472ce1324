// ports: the names --port takes on this machine, each with its device and
// what it is, so that the adapter the instrument hangs on can be told apart.

#include <CLI/CLI.hpp>
#include <algorithm>
#include <ostream>

#include "cli/command.h"
#include "cli/console.h"
#include "core/base/cp1251.h"
#include "core/link/serial_ports.h"

namespace tkq::cli {
namespace {

// `text` with blanks after it up to `width` characters and two more.
std::string Column(const std::string& text, size_t width) {
  return text + std::string(width - std::min(width, Utf8Length(text)) + 2, ' ');
}

class PortsCommand : public Command {
 public:
  const char* Name() const override { return "ports"; }
  const char* Description() const override {
    return "List the serial ports for --port: the device each stands for and what it is";
  }

  void Setup(CLI::App& command) override { command.footer(PortsCommandFooter()); }

  int Run(CliContext& context) override {
    const CSerialPorts found = FindSerialPorts();
    const std::string nameCaption = "Порт (--port)";
    const std::string deviceCaption = "Устройство";
    size_t nameWidth = Utf8Length(nameCaption);
    size_t deviceWidth = Utf8Length(deviceCaption);
    for (const CSerialPort& port : found.ports) {
      nameWidth = std::max(nameWidth, Utf8Length(port.name));
      deviceWidth = std::max(deviceWidth, Utf8Length(port.device));
    }
    std::ostream& out = context.out;
    out << Column(nameCaption, nameWidth) << Column(deviceCaption, deviceWidth) << "Что это\n";
    for (const CSerialPort& port : found.ports) {
      out << Column(port.name, nameWidth) << Column(port.device, deviceWidth) << PortDescription(port) << "\n";
    }
    if (!found.problem.empty()) context.err << found.problem << "\n";
    return kExitSuccess;
  }
};

}  // namespace

std::unique_ptr<Command> MakePortsCommand() { return std::make_unique<PortsCommand>(); }

}  // namespace tkq::cli
