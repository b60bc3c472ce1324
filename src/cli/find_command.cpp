// find: the ports, baud rates and addresses at which instruments answer,
// found by identification requests alone.

#include <CLI/CLI.hpp>
#include <algorithm>
#include <chrono>
#include <filesystem>
#include <iterator>
#include <ostream>

#include "cli/command.h"
#include "cli/interrupts.h"
#include "cli/number_option.h"
#include "core/archive/instrument_search.h"
#include "core/base/paths.h"
#include "core/description/read_param_class.h"
#include "core/link/port_advice.h"
#include "core/link/read_status.h"
#include "core/link/serial_ports.h"

namespace tkq::cli {
namespace {

// The rates --baud takes here: those the instrument can be set to.
constexpr uint32_t kInstrumentRates[] = {1200, 2400, 4800, 9600, 19200, 38400};

// `port` as the shell takes it back.
std::string Quoted(const std::string& port) {
  if (port.find_first_of(" \t'\"") == std::string::npos && !port.empty()) return port;
  return "\"" + port + "\"";
}

// What the search says while it runs: a line redrawn on a terminal, a few
// times a second; nothing otherwise. The ports that do not open, always.
class CFindObserver : public CSearchObserver {
 public:
  CFindObserver(std::ostream& err, bool terminal) : m_err(err), m_tty(terminal) {}

  void OnProbe(const CLinkSettings& at, uint64_t tried, uint64_t total) override {
    if (!m_tty) return;
    const auto now = std::chrono::steady_clock::now();
    if (m_drawn && now - m_last < std::chrono::milliseconds(100)) return;
    m_last = now;
    m_drawn = true;
    m_err << "\r\033[KПоиск: " << tried << " из " << total << ", " << at.port << ", " << at.baudRate << " бод, адрес "
          << int(at.address) << std::flush;
  }
  void OnFound(const CFoundInstrument&) override { Wipe(); }
  void OnPortFailed(const std::string& port, int openError) override {
    Wipe();
    m_failed.push_back(port);
    m_err << port << ": " << ReadStatusText(ReadStatus::kReadPortBusy) << "\n";
    if (const std::string advice = PortAdvice(port, openError); !advice.empty()) m_err << advice << "\n";
  }
  void Wipe() {
    if (m_drawn) m_err << "\r\033[K" << std::flush;
    m_drawn = false;
  }
  const std::vector<std::string>& FailedPorts() const { return m_failed; }

 private:
  std::vector<std::string> m_failed;
  std::ostream& m_err;
  bool m_tty;
  bool m_drawn = false;
  std::chrono::steady_clock::time_point m_last;
};

class FindCommand : public Command {
 public:
  const char* Name() const override { return "find"; }
  const char* Description() const override {
    return "Find the port, baud rate and address at which the instrument answers";
  }

  void Setup(CLI::App& command) override {
    command
        .add_option("--port", m_ports,
                    "A port to search; repeat for more (default: every port `ports` lists as present)")
        ->type_name("P");
    command
        .add_option_function<std::vector<std::string>>(
            "--baud",
            [this](const std::vector<std::string>& texts) {
              for (const std::string& text : texts) {
                const std::optional<int64_t> rate = ParseDecimal(text, 1, UINT32_MAX);
                if (!rate || std::find(std::begin(kInstrumentRates), std::end(kInstrumentRates), *rate) ==
                                 std::end(kInstrumentRates)) {
                  throw CLI::ValidationError("--baud must be 1200, 2400, 4800, 9600, 19200 or 38400, not \"" +
                                             text + "\"");
                }
                m_rates.push_back(static_cast<uint32_t>(*rate));
              }
            },
            "A baud rate to try; repeat for more (default: 9600, 19200, 38400, 4800, 2400, 1200)")
        ->type_name("B")
        ->allow_extra_args(false);
    command
        .add_option_function<std::vector<std::string>>(
            "--address",
            [this](const std::vector<std::string>& texts) {
              for (const std::string& text : texts) {
                const std::optional<int64_t> address = ParseDecimal(text, kFirstAddress, kLastAddress);
                if (!address) throw CLI::ValidationError("--address must be 1 to 247, not \"" + text + "\"");
                m_addresses.push_back(static_cast<uint8_t>(*address));
              }
            },
            "An address to try at each rate; repeat for more (default 1)")
        ->type_name("A")
        ->allow_extra_args(false);
    command.add_flag("--all-addresses", m_all, "Then try every address from 1 to 247 at each rate");
    AddNumberOption(command, "--wait", m_waitMs, 1, 10000,
                    "How long a probe waits for the first byte of an answer after its request (default 100)")
        ->type_name("MS");
    command.footer(
        "Sends the identification request and nothing else, so it changes nothing on any device. The ports are "
        "searched at the same time; a port is left once an instrument answers on it. Each instrument found is a "
        "line on standard output: the port as given, the baud rate, the address and the identification text, "
        "separated by tabs, then the options for the other commands. Exit status: 0 an instrument found, 1 none, "
        "2 a mistake on the command line.");
  }

  int Run(CliContext& context) override {
    CSearchPlan plan;
    plan.ports = m_ports;
    if (plan.ports.empty()) {
      const CSerialPorts found = FindSerialPorts();
      for (const CSerialPort& port : found.ports) {
        if (port.exists) plan.ports.push_back(port.name);
      }
      if (plan.ports.empty()) {
        context.err << "Последовательные порты не найдены\n";
        if (!found.problem.empty()) context.err << found.problem << "\n";
        return kExitFailure;
      }
    }
    plan.rates = m_rates.empty() ? std::vector<uint32_t>(kSearchRates.begin(), kSearchRates.end()) : m_rates;
    plan.addresses = m_addresses.empty() ? std::vector<uint8_t>{1} : m_addresses;
    plan.full = m_all;
    plan.probeWaitMs = m_waitMs;

    CReadParamClass description;
    description.LoadOrBuiltIn(std::filesystem::path(kDescriptionFileName));
    CInterruptGuard interrupts;
    CFindObserver observer(context.err, context.errIsTerminal);
    const std::vector<CFoundInstrument> found = SearchInstruments(plan, &description, observer, &interrupts.Flag());
    observer.Wipe();
    for (const CFoundInstrument& f : found) {
      const std::string port = f.at.port, baud = std::to_string(f.at.baudRate);
      const std::string address = std::to_string(f.at.address);
      context.out << port << "\t" << baud << "\t" << address << "\t" << f.identification << "\t--port " << Quoted(port)
                  << " --baud " << baud << " --address " << address << "\n";
      if (!f.versionKnown) {
        context.err << port << ": версия «" << f.identification << "» отсутствует в описании версий\n";
      }
    }
    if (interrupts.Interrupted()) {
      context.err << ReadStatusText(ReadStatus::kReadCancelled) << "\n";
    } else if (found.empty()) {
      NotFound(context.err, plan, observer.FailedPorts());
    }
    return found.empty() ? kExitFailure : kExitSuccess;
  }

 private:
  // What was tried, and the full search with the same ports and rates
  // when it was not.
  void NotFound(std::ostream& err, const CSearchPlan& plan, const std::vector<std::string>& failed) const {
    std::vector<std::string> tried;
    for (const std::string& port : plan.ports) {
      if (std::find(failed.begin(), failed.end(), port) == failed.end()) tried.push_back(port);
    }
    if (tried.empty()) {
      err << "Прибор не найден: ни один порт не открылся\n";
      return;
    }
    err << "Прибор не найден. " << SearchTriedText(plan, tried) << "\n";
    if (m_all) return;
    err << "Можно запустить полный поиск (все адреса 1–247): tarvik-kq find --all-addresses";
    for (const std::string& port : m_ports) err << " --port " << Quoted(port);
    for (uint32_t rate : m_rates) err << " --baud " << rate;
    if (m_waitMs != kDefaultProbeWaitMs) err << " --wait " << m_waitMs;
    err << "\n";
  }

  std::vector<std::string> m_ports;
  std::vector<uint32_t> m_rates;
  std::vector<uint8_t> m_addresses;
  bool m_all = false;
  int m_waitMs = kDefaultProbeWaitMs;
};

}  // namespace

std::unique_ptr<Command> MakeFindCommand() { return std::make_unique<FindCommand>(); }

}  // namespace tkq::cli
