#include "core/archive/quantity_catalogue.h"

namespace tkq::catalogue {

// The tables keep one entry a line, or a row a line, as they are read.
// clang-format off
const std::array<QuantityType, kTypeCount> kTypes = {{
    {0, 3, 0, 8},      // 0 volume, forward
    {3, 3, 0, 8},      // 1 volume, backward
    {6, 1, 3, kNone},  // 2 speed of sound (momentary)
    {7, 1, 4, kNone},  // 3 flow speed (momentary)
    {11, 3, 5, kNone}, // 4 heat energy
    {14, 3, 8, kNone}, // 5 mass, forward
    {17, 3, 8, kNone}, // 6 mass, backward
}};

const std::array<std::string_view, 40> kNames = {
    "Изменение объема +",
    "Расход +",
    "Объем +",
    "Изменение объема -",
    "Расход -",
    "Объем -",
    "Скорость звука",
    "Скорость потока",
    "Изменение объема",
    "Расход",
    "Объем",
    "Изм.тепловой энергии",
    "Тепловая мощность",
    "Тепловая энергия",
    "Изменение массы +",
    "Массовый расход +",
    "Масса +",
    "Изменение массы -",
    "Массовый расход -",
    "Масса -",
    // Short names for printed tables, with their trailing blanks.
    "Изм.объема+",
    "Расход+",
    "Объем+",
    "Изм.Объема-",
    "Расход-",
    "Объем-",
    "Скор.звука",
    "Скор.потока",
    "Изм.объема ",
    "Расход   ",
    "Объем      ",
    "Изм. энергии",
    "Мощность",
    "Энергия",
    "Изм.Массы+",
    "М. расход+",
    "Масса+",
    "Изм.массы-",
    "М.расход-",
    "Масса-",
};

const std::array<UnitGroup, 11> kUnitGroups = {{
    {4, 2},  // 0 volume change: м3, л
    {0, 2},  // 1 flow: м3/ч, л/мин
    {4, 2},  // 2 volume: м3, л
    {2, 1},  // 3 speed of sound: км/с
    {3, 1},  // 4 flow speed: м/c
    {6, 1},  // 5 energy change: ГДж
    {7, 1},  // 6 heat power: ГДж/ч
    {6, 1},  // 7 energy: ГДж
    {8, 1},  // 8 mass change: т
    {9, 1},  // 9 mass flow: т/ч
    {8, 1},  // 10 mass: т
}};

// "м/c" ends in a Latin c, as the instrument's documentation writes it.
const std::array<Unit, 10> kUnits = {{
    {"м3/ч", 3600.0f},
    {"л/мин", 60000.0f},
    {"км/с", 1.0f},
    {"м/c", 1.0f},
    {"м3", 1.0f},
    {"л", 1000.0f},
    {"ГДж", 1.0f},
    {"ГДж/ч", 3600.0f},
    {"т", 1.0f},
    {"т/ч", 3600.0f},
}};
// clang-format on

std::string_view QuantityTypeName(uint8_t type) {
  static constexpr std::array<std::string_view, kTypeCount> kTypeNames = {
      "объем +", "объем -", "скорость звука", "скорость потока", "тепловая энергия", "масса +", "масса -"};
  return type < kTypeCount ? kTypeNames[type] : std::string_view{};
}

}  // namespace tkq::catalogue
