#include "core/link/modbus_frames.h"

#include <algorithm>

#include "core/base/cp1251.h"
#include "core/link/crc16.h"

namespace tkq {
namespace {

constexpr size_t kExceptionAnswerSize = 5;  // address, function, code, CRC
constexpr size_t kFileResultSize = 6;       // address, function, subfunction, result, CRC

}  // namespace

bool IsAnswerComplete(uint8_t function, uint8_t subfunction, size_t expected, std::span<const uint8_t> received) {
  const size_t n = received.size();
  if (n >= expected) return true;
  if (n >= kExceptionAnswerSize && (received[kFrameFunction] & kExceptionFlag) != 0 &&
      Crc16(received.first(kExceptionAnswerSize)) == 0) {
    return true;
  }
  if (function == kFunctionIdentification) {
    return n > kIdentificationCountAt &&
           n >= static_cast<size_t>(received[kIdentificationCountAt]) + kIdentificationCountAt + 1 + kCrcSize;
  }
  if (function == kFunctionFiles) {
    if (n >= kFileResultSize && received[kFileResultAt] != kFileResultOk &&
        Crc16(received.first(kFileResultSize)) == 0) {
      return true;
    }
    if (subfunction == ByteOf(FileSubfunction::kFsReadNext)) {
      return n > kFileCountAt && n >= static_cast<size_t>(received[kFileCountAt]) + kFileDataAt + kCrcSize;
    }
  }
  return false;
}

std::string IdentificationText(std::span<const uint8_t> answer) {
  constexpr size_t kData = kIdentificationCountAt + 1;
  if (answer.size() < kData || answer[kIdentificationCountAt] == 0) return "Нет информации";
  // The data run from byte 3 for the announced count, but no further than
  // the last byte before the CRC of what was received.
  const size_t end = std::min<size_t>(kData + static_cast<size_t>(answer[kIdentificationCountAt]),
                                      answer.size() >= kData + kCrcSize ? answer.size() - kCrcSize : kData);
  size_t i = kData;
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
