#include "cli/link_options.h"

#include <CLI/CLI.hpp>
#include <algorithm>
#include <iterator>
#include <ostream>

#include "cli/console.h"
#include "cli/number_option.h"
#include "core/link/link_status.h"
#include "core/link/port_advice.h"
#include "core/link/read_status.h"

namespace tkq::cli {
namespace {

constexpr uint32_t kRates[] = {1200, 2400, 4800, 9600, 19200, 38400, 57600, 115200, 230400, 460800, 921600};

}  // namespace

void AddLinkOptions(CLI::App& command, LinkOptions& options) {
  command.add_option("--port", options.port, PortOptionHelp())
      ->type_name("P")
      ->required()
      ->check([](const std::string& port) { return port.empty() ? std::string("names no port") : std::string(); });
  command
      .add_option_function<std::string>(
          "--baud",
          [&options](const std::string& text) {
            const std::optional<int64_t> rate = ParseDecimal(text, 1, UINT32_MAX);
            if (!rate || std::find(std::begin(kRates), std::end(kRates), *rate) == std::end(kRates)) {
              throw CLI::ValidationError("--baud must be a standard rate from 1200 to 921600, not \"" + text + "\"");
            }
            options.baud = static_cast<uint32_t>(*rate);
          },
          "Line speed, 1200 to 38400 or a higher standard rate (default 9600)")
      ->type_name("B");
  AddNumberOption(command, "--address", options.address, 0, 255, "Device address, 0 to 255 (default 1)")
      ->type_name("A");
}

CInterruptibleLink::CInterruptibleLink(const LinkOptions& options) {
  m_link.SetConnection({options.port, options.baud, options.address});
  m_link.SetCancelFlag(&m_interrupts.Flag());
}

CInterruptibleLink::~CInterruptibleLink() = default;

void CInterruptibleLink::AdviseOnPort(std::ostream& err) const {
  const std::string advice = PortAdvice(m_link.Settings().port, m_link.LastOpenError());
  if (!advice.empty()) err << advice << "\n";
}

void CInterruptibleLink::PrintContentsFailure(const CInstrumentContents& contents, std::ostream& err) const {
  err << ReadStatusText(contents.readStatus) << "\n";
  if (contents.readStatus == ReadStatus::kReadNoConnection) err << LinkStatusText(contents.linkStatus) << "\n";
  if (contents.readStatus == ReadStatus::kReadPortBusy) AdviseOnPort(err);
}

}  // namespace tkq::cli
