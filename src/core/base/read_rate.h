#pragma once
// The figures of a transfer in progress as the tool and the program show
// them: kilobytes, the rate and the time left, with a decimal comma.

#include <cstdint>
#include <optional>
#include <string>

namespace tkq {

// "1,5 КБ": `bytes` in kilobytes of 1024 bytes, one decimal.
std::string KilobytesText(uint64_t bytes);

// How fast a transfer goes and how long it still needs.
struct CTransferRate {
  uint64_t bytesPerSecond = 0;
  int64_t secondsLeft = 0;
};

// The rate of a transfer that has moved `done` bytes of `total` in
// `seconds` since its first byte; none while no byte has come or `seconds`
// is not over `minSeconds` (too short to say). A total below `done`
// (0: not known) counts as `done`: nothing is left.
std::optional<CTransferRate> TransferRate(uint64_t done, uint64_t total, double seconds, double minSeconds);

// "1,5 КБ/с".
std::string RateText(const CTransferRate& rate);
// "осталось 2:05": minutes and seconds.
std::string TimeLeftText(const CTransferRate& rate);

}  // namespace tkq
