#pragma once
// What the Windows half of file_io decides by itself, apart from the
// calls it makes: the name a path is handed to Windows under, and when a
// file call another program's hold made fail is tried again. Plain string
// and arithmetic work, built on every platform so that its tests run
// everywhere.

#include <array>
#include <chrono>
#include <functional>
#include <string>
#include <string_view>

namespace tkq::detail {

// The extended-length form of a full path (one GetFullPathNameW made:
// absolute, backslashes, no "." or ".."), which Windows takes up to 32,767
// characters long where a plain one ends at 260: "C:\a" becomes
// "\\?\C:\a", "\\server\share\a" "\\?\UNC\server\share\a". A path in that
// form already or in the device namespace ("\\.\COM1", "\\.\pipe\x") is
// kept, and so is anything else (a relative path is not Windows' full
// one).
std::wstring ExtendedLengthPath(std::wstring_view full);

// The waits before each further try of a file call that failed because
// another program holds the file (an antivirus, an indexer, a cloud
// client holds one for a moment; an open workbook for as long as it is
// open): half a second in all.
inline constexpr std::array<std::chrono::milliseconds, 4> kBusyRetryWaits{
    std::chrono::milliseconds(50), std::chrono::milliseconds(100), std::chrono::milliseconds(150),
    std::chrono::milliseconds(200)};

// What one try of a file call came to.
enum class ETry { kDone, kHeld, kFailed };

// Tries `call` until it is not kHeld or the waits are spent, waiting with
// `wait` between tries; returns the last try's outcome.
ETry RetryWhileHeld(const std::function<ETry()>& call, const std::function<void(std::chrono::milliseconds)>& wait);

}  // namespace tkq::detail
