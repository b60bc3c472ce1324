#pragma once
// The catalogue of quantities the instrument archives: for each quantity
// type its output types (change over the interval, rate, total) with their
// names, the units offered for each output type and the factors that turn
// the instrument's base units into them.

#include <array>
#include <cstdint>
#include <string_view>

namespace tkq::catalogue {

inline constexpr uint8_t kNone = 0xFF;
inline constexpr uint8_t kTypeCount = 7;  // quantity types 0..6
inline constexpr uint8_t kShortNameOffset = 20;

struct QuantityType {
  uint8_t firstName;        // name index of output type 0
  uint8_t nameCount;        // number of output types
  uint8_t firstUnitGroup;   // unit group of output type 0
  uint8_t firstResultName;  // kNone: no resulting parameter
};

struct UnitGroup {
  uint8_t firstUnit;
  uint8_t unitCount;
};

struct Unit {
  std::string_view text;
  float factor;
};

extern const std::array<QuantityType, kTypeCount> kTypes;
extern const std::array<std::string_view, 40> kNames;  // long names 0..19, short names 20..39
extern const std::array<UnitGroup, 11> kUnitGroups;
extern const std::array<Unit, 10> kUnits;

// What the quantity type is, in a few words, for tools ("объем +", ...).
std::string_view QuantityTypeName(uint8_t type);

}  // namespace tkq::catalogue
