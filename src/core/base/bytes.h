#pragma once
// Little-endian numbers in the instrument's frames and files and in the
// stored files: every multi-byte value the program reads is one of these.
// The caller has checked that the bytes are there.

#include <bit>
#include <cstddef>
#include <cstdint>

namespace tkq {

// The first `width` bytes (at most 4) at `p` as an unsigned number.
inline uint32_t LoadLE(const uint8_t* p, size_t width) {
  uint32_t value = 0;
  for (size_t i = 0; i < width; ++i) value |= static_cast<uint32_t>(p[i]) << (8 * i);
  return value;
}

inline uint16_t LoadLE16(const uint8_t* p) { return static_cast<uint16_t>(LoadLE(p, 2)); }
inline uint32_t LoadLE32(const uint8_t* p) { return LoadLE(p, 4); }
// An IEEE 754 single-precision value.
inline float LoadLEFloat(const uint8_t* p) { return std::bit_cast<float>(LoadLE32(p)); }

}  // namespace tkq
