#include "core/base/read_rate.h"

#include <algorithm>
#include <charconv>

namespace tkq {

std::string KilobytesText(uint64_t bytes) {
  char buf[32];
  // to_chars, not printf: the C locale's point whatever locale the program
  // runs in, then the comma.
  const auto [end, ec] =
      std::to_chars(buf, buf + sizeof buf, static_cast<double>(bytes) / 1024.0, std::chars_format::fixed, 1);
  std::string text(buf, ec == std::errc() ? end : buf);
  std::replace(text.begin(), text.end(), '.', ',');
  return text + " КБ";
}

std::optional<CTransferRate> TransferRate(uint64_t done, uint64_t total, double seconds, double minSeconds) {
  if (done == 0 || !(seconds > minSeconds)) return std::nullopt;
  const double perSecond = static_cast<double>(done) / seconds;
  const uint64_t left = std::max(total, done) - done;
  // Held below what the integers take, whatever the clock says.
  constexpr double kLargest = 1e15;
  CTransferRate rate;
  rate.bytesPerSecond = static_cast<uint64_t>(std::min(perSecond, kLargest));
  rate.secondsLeft = static_cast<int64_t>(std::min(static_cast<double>(left) / std::max(perSecond, 1.0), kLargest));
  return rate;
}

std::string RateText(const CTransferRate& rate) { return KilobytesText(rate.bytesPerSecond) + "/с"; }

std::string TimeLeftText(const CTransferRate& rate) {
  const int64_t seconds = std::max<int64_t>(rate.secondsLeft, 0);
  const int64_t rest = seconds % 60;
  return "осталось " + std::to_string(seconds / 60) + ":" + (rest < 10 ? "0" : "") + std::to_string(rest);
}

}  // namespace tkq
