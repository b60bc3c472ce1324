#include "core/storage/file_rules.h"

namespace tkq::detail {

std::wstring ExtendedLengthPath(std::wstring_view full) {
  const auto starts = [&](std::wstring_view prefix) { return full.substr(0, prefix.size()) == prefix; };
  if (starts(L"\\\\?\\") || starts(L"\\\\.\\")) return std::wstring(full);
  const bool drive = full.size() >= 3 && full[1] == L':' && full[2] == L'\\' &&
                     ((full[0] >= L'A' && full[0] <= L'Z') || (full[0] >= L'a' && full[0] <= L'z'));
  if (drive) return L"\\\\?\\" + std::wstring(full);
  // A share: two backslashes, then the server's name.
  if (starts(L"\\\\") && full.size() > 2 && full[2] != L'\\') return L"\\\\?\\UNC\\" + std::wstring(full.substr(2));
  return std::wstring(full);
}

ETry RetryWhileHeld(const std::function<ETry()>& call, const std::function<void(std::chrono::milliseconds)>& wait) {
  ETry outcome = call();
  for (const std::chrono::milliseconds pause : kBusyRetryWaits) {
    if (outcome != ETry::kHeld) break;
    wait(pause);
    outcome = call();
  }
  return outcome;
}

}  // namespace tkq::detail
