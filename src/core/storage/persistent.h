#pragma once
// The persistent-object base and the registry of the classes that stored
// files may name.

#include <array>
#include <cstdint>
#include <string_view>

namespace tkq {

class CArchiveStream;

// A class as stored files name it: its name and schema number.
struct CPersistentClass {
  std::string_view name;
  uint16_t schema;
};

inline constexpr CPersistentClass kClassVersionDef{"CVersionDef", 1};
inline constexpr CPersistentClass kClassParamDef{"CParamDef", 1};
inline constexpr CPersistentClass kClassObArray{"CMyObArrayWithDelete", 1};
inline constexpr CPersistentClass kClassObjArcElem{"CObjArcElem", 1};
inline constexpr CPersistentClass kClassErrArcElem{"CErrArcElem", 1};

// Every class a stored file may introduce. All are versionable: a reader
// accepts any schema number for them.
inline constexpr std::array<const CPersistentClass*, 5> kPersistentClasses = {
    &kClassVersionDef, &kClassParamDef, &kClassObArray, &kClassObjArcElem, &kClassErrArcElem};

const CPersistentClass* FindPersistentClass(std::string_view name);

// An object that moves its fields through an archive stream, in
// declaration order, in the direction of the stream's mode.
class CObject {
 public:
  virtual ~CObject() = default;
  // The registered class, or null for classes that are stored only as
  // plain fields of their owner.
  virtual const CPersistentClass* GetRuntimeClass() const { return nullptr; }
  virtual void Serialize(CArchiveStream& ar) = 0;

 protected:
  CObject() = default;
  CObject(const CObject&) = default;
  CObject& operator=(const CObject&) = default;
};

}  // namespace tkq
