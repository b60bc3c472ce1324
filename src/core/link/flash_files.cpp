#include "core/link/flash_files.h"

#include <cstring>

#include "core/base/bytes.h"
#include "core/link/flash_names.h"
#include "core/link/modbus_frames.h"

namespace tkq {
namespace {

constexpr size_t kPiece = 128;
constexpr size_t kDirectoryEntry = 32;

std::string FieldText(const char* field, size_t size) {
  size_t n = 0;
  while (n < size && field[n] != '\0') ++n;
  return std::string(field, n);
}

std::string Padded(const std::string& text, size_t size) {
  std::string out = text.substr(0, size);
  out.resize(size, ' ');
  return out;
}

}  // namespace

// --- CFlFile ---

void CFlFile::ParseDescriptor(const uint8_t* b, CFCB::CFlFileDescriptor& d) {
  d.m_nAttr = b[0];
  std::memcpy(d.m_name, b + 1, 8);
  std::memcpy(d.m_ext, b + 9, 3);
  d.m_nByte12 = b[12];
  d.m_nValue13 = LoadLE32(b + 13);
  d.m_nValue17 = LoadLE16(b + 17);
  d.m_nSize = LoadLE32(b + 19);
}

std::string CFlFile::Name() const { return FieldText(m_fcb.m_descriptor.m_name, 8); }
std::string CFlFile::Ext() const { return FieldText(m_fcb.m_descriptor.m_ext, 3); }

bool CFlFile::Read(CModbusWithFlFiles& link) {
  link.OpenPort();  // a port that did not open fails the first request
  if (CReadProgress* p = link.Progress())
    p->OnStage(EReadStage::kFile, HostFileName(Name(), Ext()), m_fcb.m_descriptor.m_nSize);
  const bool ok =
      link.FsBegin() && link.FsOpenFile(Padded(Name(), 8), Padded(Ext(), 3), 1) && link.TransferContents(*this);
  link.ClosePort();
  return ok;
}

// --- the file requests ---

bool CModbusWithFlFiles::FileRequest(size_t requestLength, size_t answerLength, size_t minAnswer) {
  if (!Transact(requestLength, answerLength)) return false;
  // An answer too short to hold its result byte (and CRC) is no answer the
  // instrument gives; refuse it rather than read stale bytes.
  if (m_nResponseLength < minAnswer) return false;
  return m_abResponse[3] == 0;
}

bool CModbusWithFlFiles::FsBegin() {
  m_abRequest[1] = kFunctionFiles;
  m_abRequest[2] = kFsBegin;
  return FileRequest(5, 6, 6);
}

bool CModbusWithFlFiles::FsOpenRoot() {
  m_abRequest[1] = kFunctionFiles;
  m_abRequest[2] = kFsOpenRoot;
  return FileRequest(5, 6, 6);
}

bool CModbusWithFlFiles::FsOpenFile(const std::string& name, const std::string& ext, uint8_t mode) {
  m_abRequest[1] = kFunctionFiles;
  m_abRequest[2] = kFsOpenFile;
  m_abRequest[3] = 12;  // the parameter bytes that follow
  std::memcpy(m_abRequest + 4, Padded(name, 8).data(), 8);
  std::memcpy(m_abRequest + 12, Padded(ext, 3).data(), 3);
  m_abRequest[15] = mode;
  return FileRequest(18, 6, 6);
}

bool CModbusWithFlFiles::FsGetControlBlock(CFlFile::CFCB& fcb) {
  m_abRequest[1] = kFunctionFiles;
  m_abRequest[2] = kFsControlBlock;
  if (!FileRequest(5, 5 + kControlBlockSize + 2, 6)) return false;
  if (m_abResponse[4] != kControlBlockSize || m_nResponseLength < 5 + kControlBlockSize + 2) return false;
  const uint8_t* b = m_abResponse + 5;
  CFlFile::ParseDescriptor(b, fcb.m_descriptor);
  fcb.m_nValue23 = LoadLE32(b + 23);
  fcb.m_nValue27 = LoadLE32(b + 27);
  fcb.m_nByte31 = b[31];
  fcb.m_nByte32 = b[32];
  return true;
}

bool CModbusWithFlFiles::FsReadNext(uint8_t count, uint8_t& delivered, uint8_t* buffer) {
  if (count > kMaxPiece) return false;  // nothing is sent
  m_abRequest[1] = kFunctionFiles;
  m_abRequest[2] = kFsReadNext;
  m_abRequest[3] = count;
  if (!FileRequest(6, size_t{count} + 7, 6)) return false;
  delivered = m_abResponse[4];
  const size_t copied = std::min(delivered, count);
  // The bytes must be in what was received, before the CRC.
  if (5 + copied + 2 > m_nResponseLength) return false;
  std::memcpy(buffer, m_abResponse + 5, copied);
  return true;
}

void CModbusWithFlFiles::StartCounting(uint64_t total) {
  m_nBytesDone = 0;
  m_nBytesTotal = total;
  if (m_pProgress != nullptr) m_pProgress->OnBytes(0, total);
}

void CModbusWithFlFiles::CountBytes(uint64_t n) {
  m_nBytesDone += n;
  if (m_pProgress != nullptr) m_pProgress->OnBytes(m_nBytesDone, m_nBytesTotal);
}

bool CModbusWithFlFiles::TransferContents(CFlFile& file) {
  if (!FsGetControlBlock(file.m_fcb)) return false;
  file.m_data.clear();
  const uint32_t size = file.m_fcb.m_descriptor.m_nSize;
  if (size > kMaxFileSize) return false;
  // Memory grows with the bytes that actually come, not with the size an
  // instrument announces.
  file.m_data.reserve(std::min<uint32_t>(size, 1u << 20));
  size_t done = 0;
  uint8_t piece[kPiece];
  while (done < size) {
    const auto count = static_cast<uint8_t>(std::min<size_t>(size - done, kPiece));
    uint8_t delivered = 0;
    if (!FsReadNext(count, delivered, piece)) return false;
    // Fewer bytes than asked would leave zeros in the file as if they were
    // data: the transfer fails instead.
    if (delivered < count) return false;
    file.m_data.insert(file.m_data.end(), piece, piece + count);
    done += count;
    CountBytes(count);
  }
  return true;
}

// --- the directory ---

bool CTrvKqModbusWithFlFiles::ReadDirectory() {
  OpenPort();  // a port that did not open fails the first request
  if (Progress() != nullptr) Progress()->OnStage(EReadStage::kDirectory, {}, 0);
  const bool ok = FsBegin() && FsOpenRoot() && TransferContents(m_root);
  ClosePort();
  return ok;
}

bool CTrvKqModbusWithFlFiles::ParseDirectory() {
  m_files.clear();
  const size_t size = m_root.m_data.size();
  if (size % kDirectoryEntry != 0) return false;
  m_files.reserve(size / kDirectoryEntry);
  for (size_t at = 0; at < size; at += kDirectoryEntry) {
    auto file = std::make_unique<CFlFile>();
    CFlFile::ParseDescriptor(m_root.m_data.data() + at, file->m_fcb.m_descriptor);
    m_files.push_back(std::move(file));
  }
  return true;
}

CFlFile* CTrvKqModbusWithFlFiles::FindFile(const std::string& name, const std::string& ext) {
  for (const auto& file : m_files) {
    if (file->Name() == name && file->Ext() == ext) return file.get();
  }
  return nullptr;
}

}  // namespace tkq
