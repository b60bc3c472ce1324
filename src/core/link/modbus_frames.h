#pragma once
// Pure rules of the instrument's Modbus frames, apart from any port: when
// an answer is complete and how the identification answer is read.

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>

namespace tkq {

inline constexpr uint8_t kFunctionIdentification = 0x11;
inline constexpr uint8_t kFunctionFiles = 0x45;

// The file functions of function 69.
enum FileSubfunction : uint8_t {
  kFsBegin = 0x01,
  kFsOpenFile = 0x03,
  kFsReadNext = 0x08,
  kFsOpenRoot = 0x0C,
  kFsControlBlock = 0x0E,
};

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
