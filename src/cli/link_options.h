#pragma once
// The instrument's line: --port, --baud and --address, the link set up from
// them, Ctrl+C during a transfer, and advice on a port that does not open.

#include <cstdint>
#include <iosfwd>
#include <string>

#include "cli/command.h"
#include "cli/interrupts.h"
#include "core/archive/instrument_contents.h"
#include "core/link/flash_files.h"

namespace tkq::cli {

struct LinkOptions {
  std::string port;
  uint32_t baud = 9600;
  uint8_t address = 1;
};

// Adds --port (required), --baud and --address to a command.
void AddLinkOptions(CLI::App& command, LinkOptions& options);

// A link on the options' port, cancelled by Ctrl+C or termination while
// this object lives: the transfer then stops at the next transaction or
// within 50 ms of a wait and the port closes. The signals' previous
// handling comes back when it goes.
class CInterruptibleLink {
 public:
  explicit CInterruptibleLink(const LinkOptions& options);
  ~CInterruptibleLink();
  CInterruptibleLink(const CInterruptibleLink&) = delete;
  CInterruptibleLink& operator=(const CInterruptibleLink&) = delete;

  CTrvKqModbusWithFlFiles& Link() { return m_link; }

  // A second line for a port that could not be opened, when the reason is
  // one the user can mend.
  void AdviseOnPort(std::ostream& err) const;

  // Why the identification or the directory could not be read: the read's
  // reason, then the link's for a failed connection, or advice on the port.
  void PrintContentsFailure(const CInstrumentContents& contents, std::ostream& err) const;

 private:
  CInterruptGuard m_interrupts;
  CTrvKqModbusWithFlFiles m_link;
};

}  // namespace tkq::cli
