#include "core/storage/archive_stream.h"

#include <algorithm>
#include <bit>
#include <cstring>

#include "core/base/bytes.h"
#include "core/base/cp1251.h"

namespace tkq {
namespace {

constexpr uint16_t kNullTag = 0x0000;
constexpr uint16_t kNewClassTag = 0xFFFF;
constexpr uint16_t kBigTag = 0x7FFF;
constexpr uint16_t kClassTag = 0x8000;
constexpr uint32_t kBigClassTag = 0x80000000;
constexpr uint32_t kMaxMapCount = 0x3FFFFFFE;
constexpr size_t kMaxClassNameLength = 64;

std::string Printable(std::string_view raw) {
  std::string out;
  for (char c : raw) {
    const auto b = static_cast<uint8_t>(c);
    out.push_back(b >= 0x20 && b < 0x7F ? c : '?');
  }
  return out;
}

}  // namespace

const CPersistentClass* FindPersistentClass(std::string_view name) {
  for (const CPersistentClass* cls : kPersistentClasses) {
    if (cls->name == name) return cls;
  }
  return nullptr;
}

CArchiveError::CArchiveError(const std::string& what, uint64_t offset)
    : std::runtime_error(what + " на байте " + std::to_string(offset)), m_offset(offset) {}

CArchiveStream::CArchiveStream() : m_storing(true) {}

CArchiveStream::CArchiveStream(std::span<const uint8_t> data) : m_storing(false), m_in(data) {}

void CArchiveStream::Fail(const std::string& what, size_t at) const { throw CArchiveError(what, at); }

// --- storing ---

void CArchiveStream::WriteU8(uint8_t v) { m_data.push_back(static_cast<char>(v)); }

void CArchiveStream::WriteU16(uint16_t v) {
  const char b[2] = {static_cast<char>(v), static_cast<char>(v >> 8)};
  m_data.append(b, 2);
}

void CArchiveStream::WriteU32(uint32_t v) {
  const char b[4] = {static_cast<char>(v), static_cast<char>(v >> 8), static_cast<char>(v >> 16),
                     static_cast<char>(v >> 24)};
  m_data.append(b, 4);
}

void CArchiveStream::WriteI64(int64_t v) {
  const auto u = static_cast<uint64_t>(v);
  WriteU32(static_cast<uint32_t>(u));
  WriteU32(static_cast<uint32_t>(u >> 32));
}

void CArchiveStream::WriteF32(float v) { WriteU32(std::bit_cast<uint32_t>(v)); }

void CArchiveStream::WriteCount(uint32_t n) {
  if (n < 0xFFFF) {
    WriteU16(static_cast<uint16_t>(n));
  } else {
    WriteU16(0xFFFF);
    WriteU32(n);
  }
}

void CArchiveStream::WriteString(std::string_view utf8) { WriteRawString(Utf8ToCp1251(utf8)); }

void CArchiveStream::WriteRawString(std::string_view bytes) {
  const size_t len = bytes.size();
  if (len <= 0xFE) {
    WriteU8(static_cast<uint8_t>(len));
  } else if (len <= 0xFFFD) {
    WriteU8(0xFF);
    WriteU16(static_cast<uint16_t>(len));
  } else {
    WriteU8(0xFF);
    WriteU16(0xFFFF);
    WriteU32(static_cast<uint32_t>(len));
  }
  m_data.append(bytes);
}

void CArchiveStream::WriteByteArray(std::span<const uint8_t> bytes) {
  WriteCount(static_cast<uint32_t>(bytes.size()));
  m_data.append(reinterpret_cast<const char*>(bytes.data()), bytes.size());
}

void CArchiveStream::WriteObject(const CObject* obj) {
  if (obj == nullptr) {
    WriteU16(kNullTag);
    return;
  }
  const CPersistentClass* cls = obj->GetRuntimeClass();
  if (cls == nullptr) throw std::logic_error("an object of an unregistered class cannot be stored as an object");
  auto known =
      std::find_if(m_classes.begin(), m_classes.end(), [cls](const auto& entry) { return entry.second == cls; });
  if (known == m_classes.end()) {
    WriteU16(kNewClassTag);
    WriteU16(cls->schema);
    WriteU16(static_cast<uint16_t>(cls->name.size()));
    m_data.append(cls->name);
    m_classes.emplace_back(++m_lastNumber, cls);
  } else if (known->first <= 0x7FFE) {
    WriteU16(static_cast<uint16_t>(kClassTag + known->first));
  } else {
    WriteU16(kBigTag);
    WriteU32(kBigClassTag + known->first);
  }
  ++m_lastNumber;
  // Serialize takes a non-const object because loading fills it; storing
  // only reads the fields.
  const_cast<CObject*>(obj)->Serialize(*this);
}

// --- loading ---

const uint8_t* CArchiveStream::Take(size_t n) {
  if (Remaining() < n) Fail("файл обрывается", m_pos);
  const uint8_t* p = m_in.data() + m_pos;
  m_pos += n;
  return p;
}

uint8_t CArchiveStream::ReadU8() { return *Take(1); }

uint16_t CArchiveStream::ReadU16() { return LoadLE16(Take(2)); }

uint32_t CArchiveStream::ReadU32() { return LoadLE32(Take(4)); }

int64_t CArchiveStream::ReadI64() {
  const uint64_t lo = ReadU32();
  const uint64_t hi = ReadU32();
  return static_cast<int64_t>(lo | (hi << 32));
}

float CArchiveStream::ReadF32() { return std::bit_cast<float>(ReadU32()); }

uint32_t CArchiveStream::ReadCount(size_t minElementBytes) {
  const size_t at = m_pos;
  uint32_t n = ReadU16();
  if (n == 0xFFFF) n = ReadU32();
  if (minElementBytes > 0 && n > Remaining() / minElementBytes) {
    Fail("число элементов " + std::to_string(n) + " больше, чем вмещают оставшиеся " + std::to_string(Remaining()) +
             " байт файла,",
         at);
  }
  return n;
}

size_t CArchiveStream::ReadStringLength(size_t at) {
  const uint8_t b = ReadU8();
  if (b < 0xFF) return b;
  const uint16_t w = ReadU16();
  if (w < 0xFFFE) return w;
  if (w == 0xFFFF) return ReadU32();
  Fail("неверная длина строки", at);
}

std::string CArchiveStream::ReadRawString() {
  const size_t at = m_pos;
  const uint8_t b = ReadU8();
  size_t len = b;
  bool wide = false;
  if (b == 0xFF) {
    const uint16_t w = ReadU16();
    if (w == 0xFFFE) {
      wide = true;
      len = ReadStringLength(at);
    } else if (w == 0xFFFF) {
      len = ReadU32();
    } else {
      len = w;
    }
  }
  if (!wide) {
    if (len > Remaining()) Fail("файл обрывается в строке, начатой", at);
    const uint8_t* p = Take(len);
    return std::string(reinterpret_cast<const char*>(p), len);
  }
  if (len > Remaining() / 2) Fail("файл обрывается в строке, начатой", at);
  const uint8_t* p = Take(len * 2);
  std::u16string units(len, u'\0');
  for (size_t i = 0; i < len; ++i) units[i] = static_cast<char16_t>(p[2 * i] | (p[2 * i + 1] << 8));
  return Utf16ToCp1251(units);
}

std::string CArchiveStream::ReadString() { return Cp1251ToUtf8(ReadRawString()); }

std::vector<uint8_t> CArchiveStream::ReadByteArray() {
  const size_t at = m_pos;
  const uint32_t n = ReadCount(0);
  if (n > Remaining()) Fail("файл обрывается в массиве из " + std::to_string(n) + " байт, начатом", at);
  const uint8_t* p = Take(n);
  return std::vector<uint8_t>(p, p + n);
}

const CPersistentClass* CArchiveStream::ReadObjectClass() {
  const size_t at = m_pos;
  const uint16_t w = ReadU16();
  if (w == kNewClassTag) {
    ReadU16();  // schema number: every class is versionable
    const uint16_t len = ReadU16();
    if (len >= kMaxClassNameLength) Fail("имя класса из " + std::to_string(len) + " символов", at);
    const uint8_t* p = Take(len);
    const std::string_view name(reinterpret_cast<const char*>(p), len);
    const CPersistentClass* cls = FindPersistentClass(name);
    if (cls == nullptr) Fail("неизвестный класс «" + Printable(name) + "»", at);
    if (m_lastNumber >= kMaxMapCount) Fail("слишком много объектов", at);
    m_classes.emplace_back(++m_lastNumber, cls);
    ++m_lastNumber;
    return cls;
  }
  const uint32_t tag = w == kBigTag ? ReadU32() : (w & kClassTag ? (w & 0x7FFFu) | kBigClassTag : uint32_t{w});
  if ((tag & kBigClassTag) == 0) {
    if (tag == 0) return nullptr;
    if (tag > m_lastNumber) Fail("номер объекта " + std::to_string(tag) + " вне допустимых пределов", at);
    // The program never writes an object twice; a second reference would
    // make two slots share one record.
    Fail("повторная ссылка на прочитанный ранее объект", at);
  }
  const uint32_t k = tag & ~kBigClassTag;
  auto it = std::lower_bound(m_classes.begin(), m_classes.end(), k,
                             [](const auto& entry, uint32_t n) { return entry.first < n; });
  if (k == 0 || k > m_lastNumber) Fail("номер класса " + std::to_string(k) + " вне допустимых пределов", at);
  if (it == m_classes.end() || it->first != k) Fail("объект указан там, где нужен класс,", at);
  if (m_lastNumber >= kMaxMapCount) Fail("слишком много объектов", at);
  ++m_lastNumber;
  return it->second;
}

}  // namespace tkq
