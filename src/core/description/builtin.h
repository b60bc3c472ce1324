#pragma once
// The tables of the built-in device description.

#include <array>
#include <cstdint>
#include <string_view>

namespace tkq::builtin {

struct VersionRow {
  std::string_view name;
  int32_t paramSet;
  int32_t paramCount;
  int32_t groupCount;
  uint8_t firstArchParam;
  uint8_t secondArchParam;
};

struct ParamRow {
  std::string_view caption;
  uint8_t flags;
  int32_t enumBase;
  uint8_t format;
  int32_t group;
  uint8_t visible;
};

inline constexpr int kParamSetCount = 5;
inline constexpr size_t kRowSlots = 200;
inline constexpr size_t kGroupSlots = 40;
inline constexpr size_t kEnumSlots = 83;

extern const std::array<VersionRow, 18> kVersions;
extern const std::array<std::string_view, 60> kFormats;
// Groups 0..7 of every set; sets 2, 3 and 4 also have group 8.
extern const std::array<std::string_view, 9> kGroupCaptions;
// The enumeration texts of set 4.
extern const std::array<std::string_view, 74> kEnumTexts;
extern const std::array<ParamRow, 107> kSet4Rows;

}  // namespace tkq::builtin
