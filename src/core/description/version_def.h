#pragma once

#include <cstdint>
#include <string>

#include "core/storage/archive_stream.h"

namespace tkq {

// One supported firmware version.
class CVersionDef : public CObject {
 public:
  static constexpr const CPersistentClass& kClass = kClassVersionDef;

  CVersionDef() = default;
  CVersionDef(std::string name, int32_t paramSet, int32_t paramCount, int32_t groupCount, uint8_t firstArchParam,
              uint8_t secondArchParam)
      : m_strName(std::move(name)),
        m_nParamSet(paramSet),
        m_nParamCount(paramCount),
        m_nGroupCount(groupCount),
        m_nFirstArchParam(firstArchParam),
        m_nSecondArchParam(secondArchParam) {}

  const CPersistentClass* GetRuntimeClass() const override { return &kClass; }
  void Serialize(CArchiveStream& ar) override {
    ar.Transfer(m_strName);
    ar.Transfer(m_nParamSet);
    ar.Transfer(m_nParamCount);
    ar.Transfer(m_nGroupCount);
    ar.Transfer(m_nFirstArchParam);
    ar.Transfer(m_nSecondArchParam);
  }

  // The identification text of the version, compared exactly with the
  // first 18 characters the instrument reports.
  std::string m_strName;
  int32_t m_nParamSet = 0;         // parameter set, group captions and enumeration texts
  int32_t m_nParamCount = 0;       // rows 0..count-1 of the set
  int32_t m_nGroupCount = 0;       // groups 0..count-1
  uint8_t m_nFirstArchParam = 0;   // row selecting the first archived quantity
  uint8_t m_nSecondArchParam = 0;  // row selecting the second
};

}  // namespace tkq
