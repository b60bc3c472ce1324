#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "core/storage/archive_stream.h"

namespace tkq {

// Where a row's value lives: the object's parameter file or the
// instrument's system file. Rows of any other source take no bytes.
inline constexpr uint8_t kSourceMask = 0x43;
inline constexpr uint8_t kSourceParamFile = 0x02;
inline constexpr uint8_t kSourceSystemFile = 0x42;

inline constexpr uint8_t kTypeMask = 0x3C;
enum class ValueType : uint8_t {
  kTypeU16 = 0x04,
  kTypeFloat = 0x08,
  kTypeU32 = 0x0C,
  kTypeU16b = 0x10,
  kTypeU8 = 0x14,
  kTypeS8 = 0x18,
  kTypeU32Time = 0x24,
};

// The type bits of a row's flags byte; any other value there is a type
// that reads nothing.
constexpr ValueType TypeOf(uint8_t flags) { return static_cast<ValueType>(flags & kTypeMask); }

// Bytes a value of the type takes; 0 for types that read nothing.
size_t ValueTypeWidth(ValueType type);

// One parameter row of a parameter set.
class CParamDef : public CObject {
 public:
  static constexpr const CPersistentClass& kClass = kClassParamDef;

  CParamDef() = default;
  CParamDef(std::string caption, int32_t enumBase, uint8_t format, uint8_t flags, int32_t group, uint8_t visible)
      : m_strCaption(std::move(caption)),
        m_nEnumBase(enumBase),
        m_nFormat(format),
        m_nFlags(flags),
        m_nGroup(group),
        m_bVisible(visible) {}

  const CPersistentClass* GetRuntimeClass() const override { return &kClass; }
  void Serialize(CArchiveStream& ar) override {
    ar.Transfer(m_strCaption);
    ar.Transfer(m_nEnumBase);
    ar.Transfer(m_nFormat);
    ar.Transfer(m_nFlags);
    ar.Transfer(m_nGroup);
    ar.Transfer(m_bVisible);
  }

  ValueType Type() const { return TypeOf(m_nFlags); }
  uint8_t Source() const { return m_nFlags & kSourceMask; }

  std::string m_strCaption;
  // Type 0x14 only: 0 shows the number; otherwise value v shows enumeration
  // text (m_nEnumBase - 1 + v) of the set.
  int32_t m_nEnumBase = 0;
  uint8_t m_nFormat = 0;  // index into the number formats
  uint8_t m_nFlags = 0;   // value type (0x3C) and source (0x43)
  int32_t m_nGroup = 0;
  uint8_t m_bVisible = 0;  // 0: decoded (bytes consumed) but never shown
};

}  // namespace tkq
