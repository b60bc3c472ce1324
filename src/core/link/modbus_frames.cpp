#include "core/link/modbus_frames.h"

#include <algorithm>

#include "core/base/cp1251.h"
#include "core/link/crc16.h"

namespace tkq {

bool IsAnswerComplete(uint8_t function, uint8_t subfunction, size_t expected, std::span<const uint8_t> received) {
  const size_t n = received.size();
  if (n >= expected) return true;
  if (n >= 5 && (received[1] & 0x80) != 0 && Crc16(received.first(5)) == 0) return true;
  if (function == kFunctionIdentification) return n >= 3 && n >= static_cast<size_t>(received[2]) + 5;
  if (function == kFunctionFiles) {
    if (n >= 6 && received[3] != 0 && Crc16(received.first(6)) == 0) return true;
    if (subfunction == kFsReadNext) return n >= 5 && n >= static_cast<size_t>(received[4]) + 7;
  }
  return false;
}

std::string IdentificationText(std::span<const uint8_t> answer) {
  if (answer.size() < 3 || answer[2] == 0) return "Нет информации";
  // The data run from byte 3 for the announced count, but no further than
  // the last byte before the CRC of what was received.
  const size_t end = std::min<size_t>(3 + static_cast<size_t>(answer[2]), answer.size() >= 5 ? answer.size() - 2 : 3);
  size_t i = 3;
  auto nextText = [&]() {
    const size_t start = i;
    while (i < end && answer[i] != 0) ++i;
    std::string text(reinterpret_cast<const char*>(answer.data()) + start, i - start);
    if (i < end) ++i;  // past the zero
    return Cp1251ToUtf8(text);
  };
  const std::string first = nextText();
  const std::string second = nextText();
  return first + " " + second;
}

}  // namespace tkq
