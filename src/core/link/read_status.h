#pragma once
// The read status of a measurement object: why its read failed, a code
// 0 to 7 with a fixed text shown to the user.

#include <cstdint>

namespace tkq {

enum class ReadStatus : uint8_t {
  kReadOk = 0,
  kReadPortBusy = 1,
  kReadNoConnection = 2,
  kReadFileError = 3,
  kReadDescriptionDamaged = 4,  // set by nothing; holds its place in the table
  kReadArchiveEmpty = 5,
  kReadUnknownVersion = 6,
  // The user stopped the read; nothing of it is kept.
  kReadCancelled = 7,
};

// "OK" ... "НЕИЗВЕСТНАЯ ВЕРСИЯ ПРИБОРА", "Чтение прервано пользователем";
// other codes give "".
const char* ReadStatusText(ReadStatus status);

}  // namespace tkq
