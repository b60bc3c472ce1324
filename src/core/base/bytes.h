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

// Written out, so that the compiler makes each a single load.
inline uint16_t LoadLE16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | (p[1] << 8)); }
inline uint32_t LoadLE32(const uint8_t* p) {
  return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) | (static_cast<uint32_t>(p[2]) << 16) |
         (static_cast<uint32_t>(p[3]) << 24);
}
// An IEEE 754 single-precision value.
inline float LoadLEFloat(const uint8_t* p) { return std::bit_cast<float>(LoadLE32(p)); }

}  // namespace tkq
