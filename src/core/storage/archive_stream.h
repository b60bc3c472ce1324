#pragma once
// The archive stream: the one binary encoding of every file the program
// stores (the description file and saved archives). Little-endian numbers,
// counts, length-prefixed code page 1251 strings, byte arrays and object
// references with class records and one numbering counter per stream.
//
// A loading stream works on the whole file in memory and checks every
// value against the bytes that remain, so a damaged file raises
// CArchiveError instead of reading past its end or allocating what it
// cannot hold.

#include <cstdint>
#include <memory>
#include <span>
#include <stdexcept>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "core/storage/persistent.h"

namespace tkq {

class CArchiveError : public std::runtime_error {
 public:
  CArchiveError(const std::string& what, uint64_t offset);
  uint64_t Offset() const { return m_offset; }

 private:
  uint64_t m_offset;
};

class CArchiveStream {
 public:
  // A storing stream collecting its bytes in memory.
  CArchiveStream();
  // A loading stream over a whole file's bytes (not copied: they must
  // outlive the stream).
  explicit CArchiveStream(std::span<const uint8_t> data);
  // A temporary would be gone before the stream reads it.
  explicit CArchiveStream(std::vector<uint8_t>&&) = delete;

  bool IsStoring() const { return m_storing; }
  bool IsLoading() const { return !m_storing; }

  // --- storing ---
  void WriteU8(uint8_t v);
  void WriteU16(uint16_t v);
  void WriteU32(uint32_t v);
  void WriteI32(int32_t v) { WriteU32(static_cast<uint32_t>(v)); }
  void WriteI64(int64_t v);
  void WriteF32(float v);
  void WriteCount(uint32_t n);
  void WriteString(std::string_view utf8);      // converted to code page 1251
  void WriteRawString(std::string_view bytes);  // already code page 1251
  void WriteByteArray(std::span<const uint8_t> bytes);
  // Writes an object reference: empty, or a fresh object introduced by
  // its class record or class tag, followed by the object's fields.
  void WriteObject(const CObject* obj);

  const std::string& Data() const { return m_data; }
  std::string TakeData() { return std::move(m_data); }

  // --- loading ---
  uint8_t ReadU8();
  uint16_t ReadU16();
  uint32_t ReadU32();
  int32_t ReadI32() { return static_cast<int32_t>(ReadU32()); }
  int64_t ReadI64();
  float ReadF32();
  // A count of elements that each take at least `minElementBytes` bytes of
  // the file; a count the remaining bytes cannot hold is damage.
  uint32_t ReadCount(size_t minElementBytes);
  std::string ReadString();     // as UTF-8
  std::string ReadRawString();  // as code page 1251 bytes
  std::vector<uint8_t> ReadByteArray();
  // Reads an object reference that must be empty or name class T; any
  // other class, a back reference or a bad tag is damage.
  template <class T>
  std::unique_ptr<T> ReadObject();

  size_t Position() const { return m_pos; }
  size_t Remaining() const { return m_in.size() - m_pos; }

  // --- both directions, for Serialize ---
  void Transfer(uint8_t& v) { IsStoring() ? WriteU8(v) : void(v = ReadU8()); }
  void Transfer(uint16_t& v) { IsStoring() ? WriteU16(v) : void(v = ReadU16()); }
  void Transfer(int32_t& v) { IsStoring() ? WriteI32(v) : void(v = ReadI32()); }
  void Transfer(uint32_t& v) { IsStoring() ? WriteU32(v) : void(v = ReadU32()); }
  void Transfer(int64_t& v) { IsStoring() ? WriteI64(v) : void(v = ReadI64()); }
  void Transfer(float& v) { IsStoring() ? WriteF32(v) : void(v = ReadF32()); }
  void Transfer(std::string& v) { IsStoring() ? WriteString(v) : void(v = ReadString()); }
  void TransferBytes(std::vector<uint8_t>& v) { IsStoring() ? WriteByteArray(v) : void(v = ReadByteArray()); }

  [[noreturn]] void Fail(const std::string& what, size_t at) const;

 private:
  // Reads a reference's tag; returns null for the empty reference, else the
  // class of the new object, after giving the object its number.
  const CPersistentClass* ReadObjectClass();
  const uint8_t* Take(size_t n);
  size_t ReadStringLength(size_t at);

  bool m_storing;
  std::string m_data;             // storing
  std::span<const uint8_t> m_in;  // loading
  size_t m_pos = 0;
  uint32_t m_lastNumber = 0;  // the one numbering counter
  // Class records of this stream, with their numbers (ascending).
  std::vector<std::pair<uint32_t, const CPersistentClass*>> m_classes;
};

template <class T>
std::unique_ptr<T> CArchiveStream::ReadObject() {
  const size_t at = m_pos;
  const CPersistentClass* cls = ReadObjectClass();
  if (cls == nullptr) return nullptr;
  if (cls != &T::kClass) {
    Fail("объект класса «" + std::string(cls->name) + "» вместо «" + std::string(T::kClass.name) + "»", at);
  }
  auto obj = std::make_unique<T>();
  obj->Serialize(*this);
  return obj;
}

}  // namespace tkq
