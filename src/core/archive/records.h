#pragma once
// The records of the instrument's two archive files, as held in memory.

#include <cstdint>
#include <memory>
#include <string_view>
#include <vector>

#include "core/storage/archive_stream.h"
#include "core/storage/owning_array.h"

namespace tkq {

// Sizes of one record in the instrument's files.
inline constexpr size_t kMeasurementRecordSize = 13;
inline constexpr size_t kAbnormalRecordSize = 10;
inline constexpr size_t kAbnormalTextLength = 26;  // characters

// Code 7 also marks a measurement record whose check byte is wrong.
inline constexpr uint8_t kAbnormalDataFault = 7;

// The check byte of a measurement record over its first 12 bytes: each
// byte XORed in, then the result rotated left by one bit.
uint8_t MeasurementCheckByte(const uint8_t* record);

// The 26-character centred text of an abnormal-situation code (UTF-8).
// Codes 0..7 have the instrument's texts; any other code is named, e.g.
// "КОД 9", so that no table is read out of range.
std::string_view AbnormalText(uint8_t code);
// The same text in code page 1251 (26 bytes).
std::string_view AbnormalTextCp1251(uint8_t code);

// One decoded measurement record.
class CObjArcElem : public CObject {
 public:
  static constexpr const CPersistentClass& kClass = kClassObjArcElem;

  CObjArcElem() = default;
  CObjArcElem(float value1, float value2, uint32_t time, float archivingPercent, uint8_t abnormalCode)
      : m_fValue1(value1),
        m_fValue2(value2),
        m_nTime(time),
        m_fArchivingPercent(archivingPercent),
        m_nAbnormalCode(abnormalCode) {}

  const CPersistentClass* GetRuntimeClass() const override { return &kClass; }
  void Serialize(CArchiveStream& ar) override;

  float m_fValue1 = 0.0f;
  float m_fValue2 = 0.0f;
  uint32_t m_nTime = 0;
  float m_fArchivingPercent = 100.0f;
  uint8_t m_nAbnormalCode = 0;
};

// One abnormal situation.
class CErrArcElem : public CObject {
 public:
  static constexpr const CPersistentClass& kClass = kClassErrArcElem;

  CErrArcElem() = default;
  CErrArcElem(uint32_t begin, uint32_t end, uint8_t code) : m_nBegin(begin), m_nEnd(end), m_nCode(code) {}

  const CPersistentClass* GetRuntimeClass() const override { return &kClass; }
  void Serialize(CArchiveStream& ar) override;

  uint32_t m_nBegin = 0;
  uint32_t m_nEnd = 0;
  uint8_t m_nCode = 0;
};

}  // namespace tkq
