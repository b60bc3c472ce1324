#pragma once
// Scripted serial lines for the program's search: which ports the machine
// has, which instrument answers on each (rate and address), which ports do
// not open, and how long each probe takes. Installed as the searches'
// hooks while the object lives.

#include <atomic>
#include <chrono>
#include <map>
#include <memory>
#include <mutex>
#include <set>
#include <thread>

#include "gui/dialogs/search_dialog.h"
#include "support/fake_channel.h"

namespace tkq::gui::test {

class CSearchLines {
 public:
  using Bytes = std::vector<uint8_t>;

  // `ports`: the ports the machine has (each present).
  explicit CSearchLines(std::vector<std::string> ports) {
    for (const std::string& name : ports) {
      CSerialPort port;
      port.name = name;
      port.device = name;
      port.exists = true;
      port.accessible = true;
      m_ports.ports.push_back(port);
    }
    m_hooks.findPorts = [this] { return m_ports; };
    m_hooks.makeChannel = [this] { return Channel(); };
    SetSearchHooks(&m_hooks);
  }
  ~CSearchLines() { SetSearchHooks(nullptr); }
  CSearchLines(const CSearchLines&) = delete;
  CSearchLines& operator=(const CSearchLines&) = delete;

  // An identification answer from `address`: "TARVIK 59.11.03.04" and "SN 1".
  static Bytes Identification(uint8_t address) {
    Bytes frame = {address, 0x11, 0};
    for (const char* text : {"TARVIK 59.11.03.04", "SN 1"}) {
      for (const char* c = text; *c != 0; ++c) frame.push_back(static_cast<uint8_t>(*c));
      frame.push_back(0);
    }
    frame[2] = static_cast<uint8_t>(frame.size() - 3);
    return tkq::test::WithCrc(frame);
  }

  size_t Probes() {
    const std::lock_guard lock(mutex);
    return probes.size();
  }

  // Set before a search starts; read by its workers.
  std::map<std::string, std::pair<uint32_t, uint8_t>> instruments;  // port → (rate, address)
  std::set<std::string> refused;                                    // ports that do not open
  int probeMs = 0;                                                  // each probe's time on the line
  std::mutex mutex;
  std::vector<CLinkSettings> probes;

 private:
  // A scripted channel that cannot open a refused port.
  struct CChannel : tkq::test::CScriptedChannel {
    CChannel(CSearchLines& lines, Responder responder) : CScriptedChannel(std::move(responder)), m_lines(lines) {}
    bool Open(const std::string& port, uint32_t baud) override {
      return m_lines.refused.count(port) == 0 && CScriptedChannel::Open(port, baud);
    }
    int LastOpenError() const override { return 16; }  // EBUSY
    CSearchLines& m_lines;
  };

  std::unique_ptr<CSerialChannel> Channel() {
    auto self = std::make_shared<CChannel*>(nullptr);
    auto channel = std::make_unique<CChannel>(*this, [this, self](std::span<const uint8_t> request) -> Bytes {
      const CChannel& line = **self;
      {
        const std::lock_guard lock(mutex);
        probes.push_back({line.openedPort, line.openedBaud, request[0]});
      }
      if (probeMs > 0) std::this_thread::sleep_for(std::chrono::milliseconds(probeMs));
      const auto it = instruments.find(line.openedPort);
      if (it == instruments.end() || it->second != std::pair(line.openedBaud, request[0])) return {};
      return Identification(request[0]);
    });
    *self = channel.get();
    return channel;
  }

  CSerialPorts m_ports;
  CSearchHooks m_hooks;
};

}  // namespace tkq::gui::test
