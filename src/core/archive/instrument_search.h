#pragma once
// Finding the instrument on the serial lines: which port, baud rate and
// address it answers at. Each combination is probed with the
// identification request (function 17) and nothing else, so a search can
// change nothing on any device on the line. Ports are separate lines and
// are searched at the same time, one worker each; a port is left once an
// instrument has answered on it.

#include <array>
#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "core/link/modbus.h"
#include "core/link/serial_channel.h"

namespace tkq {

class CReadParamClass;

// The baud rates a search tries, in its order: the instrument's default
// first, then the faster rates (cheap to try), the slow ones last.
inline constexpr std::array<uint32_t, 6> kSearchRates = {9600, 19200, 38400, 4800, 2400, 1200};
// The addresses an instrument may have.
inline constexpr uint8_t kFirstAddress = 1;
inline constexpr uint8_t kLastAddress = 247;
// How long a probe waits for the first byte of an answer beyond the
// request's own time on the line: five times what the simulator's
// instrument takes to answer (20 ms), which leaves room for a USB adapter
// that holds bytes for its latency timer (16 ms by default). A full search
// of one rate then costs at most about 135 ms an address, at 1200 baud.
inline constexpr int kDefaultProbeWaitMs = 100;

// What a search tries.
struct CSearchPlan {
  std::vector<std::string> ports;
  // Tried before anything else on its port (the settings in use).
  CLinkSettings first;
  bool tryFirst = false;
  // The quick part: these addresses at each of these rates, in order.
  std::vector<uint32_t> rates;
  std::vector<uint8_t> addresses;
  bool quick = true;
  // The full part: every other address from 1 to 247 at each rate.
  bool full = false;
  int probeWaitMs = kDefaultProbeWaitMs;
};

// The usual search: `configured` first; then on every port its address and
// address 1 at its rate and at the six rates; with `full`, every address.
CSearchPlan MakeSearchPlan(const std::vector<std::string>& ports, const CLinkSettings& configured, bool full);

// The combinations tried on `port`, in their order, each once.
std::vector<CLinkSettings> SearchOrder(const CSearchPlan& plan, const std::string& port);

struct CFoundInstrument {
  CLinkSettings at;
  std::string identification;
  bool versionKnown = false;  // the device description has its version
};

// What a search tells whoever watches it. The calls come one at a time,
// from the search's workers, never from the caller's thread.
class CSearchObserver {
 public:
  virtual ~CSearchObserver() = default;
  // A probe is about to go out: `tried` combinations of `total` are done
  // (the total shrinks as ports are left early).
  virtual void OnProbe(const CLinkSettings& /*at*/, uint64_t /*tried*/, uint64_t /*total*/) {}
  virtual void OnFound(const CFoundInstrument& /*found*/) {}
  // `port` did not open; `openError` as CSerialChannel::LastOpenError().
  virtual void OnPortFailed(const std::string& /*port*/, int /*openError*/) {}
  // The search has left `port`: answered, failed, tried through or
  // cancelled (after OnFound or OnPortFailed for it).
  virtual void OnPortDone(const std::string& /*port*/) {}
};

// The numbers in ascending order, each once, a run of three or more as a
// range: "1", "1, 7", "1–247", "1–3, 7".
std::string NumberRanges(std::vector<int> numbers);

// What `plan` tries on `ports`, for the user: "Порты: COM1, COM3; скорости:
// 9600, 19200 бод; адреса: 1" (rates ascending, addresses as ranges).
std::string SearchTriedText(const CSearchPlan& plan, const std::vector<std::string>& ports);

// The probes under way, one a port, for the user: the ports at the same
// rate and address together, "COM3, COM5: 9600 бод, адрес 12; COM7: 4800 бод,
// адрес 1", in the order given.
std::string ProbesText(const std::vector<CLinkSettings>& probes);

using ChannelFactory = std::function<std::unique_ptr<CSerialChannel>()>;

// Runs `plan` until every port has answered or been tried through, or
// `cancel` is set (it then returns within a fraction of a second). The
// instruments found, in the order of the plan's ports. `description`, if
// given, tells whether each version is known.
std::vector<CFoundInstrument> SearchInstruments(const CSearchPlan& plan, const CReadParamClass* description,
                                                CSearchObserver& observer, const std::atomic<bool>* cancel,
                                                const ChannelFactory& makeChannel = MakeSerialChannel);

}  // namespace tkq
