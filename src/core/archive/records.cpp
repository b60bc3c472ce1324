#include "core/archive/records.h"

#include <array>
#include <string>

#include "core/base/cp1251.h"

namespace tkq {
namespace {

// The tables keep one entry a line, or a row a line, as they are read.
// clang-format off
constexpr std::array<std::string_view, 8> kAbnormalTexts = {
    "                          ",
    "         НЕТ  УЗС         ",
    "      ТРАКТ ЗАШУМЛЕН      ",
    "        НЕТ ОТВЕТА        ",
    " ПРЕВЫШЕНИЕ МАКС. РАСХОДА ",
    "ПРЕВЫШЕНИЕ СКОРОСТИ ПОТОКА",
    " ОШИБКА В ИСХОДНЫХ ДАННЫХ ",
    "   СБОЙ ДАННЫХ В ПАМЯТИ   ",
};
// clang-format on

struct AbnormalTextTable {
  std::array<std::string, 256> utf8;
  std::array<std::string, 256> cp1251;

  AbnormalTextTable() {
    for (size_t code = 0; code < 256; ++code) {
      if (code < kAbnormalTexts.size()) {
        utf8[code] = kAbnormalTexts[code];
      } else {
        const std::string name = "КОД " + std::to_string(code);
        const size_t len = Utf8Length(name);
        const size_t left = (kAbnormalTextLength - len) / 2;
        utf8[code] = std::string(left, ' ') + name + std::string(kAbnormalTextLength - len - left, ' ');
      }
      cp1251[code] = Utf8ToCp1251(utf8[code]);
    }
  }
};

const AbnormalTextTable& Table() {
  static const AbnormalTextTable table;
  return table;
}

}  // namespace

uint8_t MeasurementCheckByte(const uint8_t* record) {
  uint8_t c = 0;
  for (int i = 0; i < 12; ++i) {
    const uint8_t x = c ^ record[i];
    c = static_cast<uint8_t>((x << 1) | (x >> 7));
  }
  return c;
}

std::string_view AbnormalText(uint8_t code) { return Table().utf8[code]; }
std::string_view AbnormalTextCp1251(uint8_t code) { return Table().cp1251[code]; }

void CObjArcElem::Serialize(CArchiveStream& ar) {
  ar.Transfer(m_fValue1);
  ar.Transfer(m_fValue2);
  ar.Transfer(m_nTime);
  ar.Transfer(m_fArchivingPercent);
  ar.Transfer(m_nAbnormalCode);
}

void CErrArcElem::Serialize(CArchiveStream& ar) {
  ar.Transfer(m_nBegin);
  ar.Transfer(m_nEnd);
  ar.Transfer(m_nCode);
}

}  // namespace tkq
