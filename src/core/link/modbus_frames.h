#pragma once
// Pure rules of the instrument's Modbus frames, apart from any port: the
// function codes, subfunctions and result codes, when an answer is complete
// and how the identification answer is read.

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>

namespace tkq {

// The function codes the instrument answers.
inline constexpr uint8_t kFunctionIdentification = 0x11;  // 17: the two identification texts
inline constexpr uint8_t kFunctionFiles = 0x45;           // 69: the flash file requests

// Set in the function byte of an exception answer (address, function |
// 0x80, exception code, CRC).
inline constexpr uint8_t kExceptionFlag = 0x80;

// The exception codes of standard Modbus.
enum class ExceptionCode : uint8_t {
  kExceptionIllegalFunction = 1,
  kExceptionIllegalDataAddress = 2,
  kExceptionIllegalDataValue = 3,
  kExceptionDeviceFailure = 4,
  kExceptionAcknowledge = 5,
  kExceptionDeviceBusy = 6,
};

// The file functions of function 69.
enum class FileSubfunction : uint8_t {
  kFsBegin = 0x01,
  kFsOpenFile = 0x03,
  kFsReadNext = 0x08,
  kFsOpenRoot = 0x0C,
  kFsControlBlock = 0x0E,
};

// The byte that names a subfunction in a frame.
constexpr uint8_t ByteOf(FileSubfunction subfunction) { return static_cast<uint8_t>(subfunction); }

// The result byte of a function 69 answer: 0 done, anything else refused.
inline constexpr uint8_t kFileResultOk = 0;

// Where the parts of a frame sit, the address being byte 0.
inline constexpr size_t kFrameFunction = 1;
inline constexpr size_t kFrameSubfunction = 2;       // function 69
inline constexpr size_t kExceptionCodeAt = 2;        // an exception answer
inline constexpr size_t kIdentificationCountAt = 2;  // a function 17 answer: its data bytes
inline constexpr size_t kFileResultAt = 3;           // a function 69 answer
inline constexpr size_t kFileCountAt = 4;            // subfunctions 8 and 14: the data bytes
inline constexpr size_t kFileDataAt = 5;
inline constexpr size_t kCrcSize = 2;

inline constexpr size_t kMaxPiece = 242;         // the most one read request may ask for
inline constexpr size_t kControlBlockSize = 51;  // the data of a control-block answer

// Whether `received` is a whole answer to a request of `function` (with
// `subfunction` for function 69) that expects at most `expected` bytes:
// the expected count has arrived; or an exception answer of 5 bytes with a
// correct CRC; or an identification answer of its byte count + 5 bytes; or
// a piece of subfunction 8 of its own count + 7 bytes; or a refusal of
// function 69 (6 bytes, correct CRC, non-zero result). Which bytes they
// are is judged afterwards, as for any answer.
bool IsAnswerComplete(uint8_t function, uint8_t subfunction, size_t expected, std::span<const uint8_t> received);

// The identification text of an answer to function 17 of `length` bytes
// received (CRC included): "Нет информации" for a byte count of 0,
// otherwise the first text, one blank and the second; each text ends at its
// zero byte or at the last data byte, never in the CRC or beyond what came.
// Texts are code page 1251; the result is UTF-8.
std::string IdentificationText(std::span<const uint8_t> answer);

}  // namespace tkq
