#pragma once
// CRC-16/MODBUS: reflected polynomial 0xA001, initial value 0xFFFF, no final
// inversion. The low byte goes first on the line; a frame whose CRC is
// computed over all its bytes, its own two CRC bytes included, gives 0.

#include <cstddef>
#include <cstdint>
#include <span>

namespace tkq {

uint16_t Crc16(std::span<const uint8_t> bytes);

// Appends the CRC of `frame[0..length)` at frame[length] (low) and
// frame[length + 1] (high).
void PutCrc16(uint8_t* frame, size_t length);

}  // namespace tkq
