#include "core/link/flash_files.h"

#include <algorithm>
#include <cstring>
#include <utility>

#include "core/base/bytes.h"
#include "core/link/flash_names.h"
#include "core/link/modbus_frames.h"

namespace tkq {
namespace {

constexpr size_t kPiece = 128;
constexpr size_t kDirectoryEntry = 32;
constexpr size_t kNameSize = 8;
constexpr size_t kExtSize = 3;
constexpr uint8_t kModeRead = 1;  // the only mode a file is opened in

// Request frames from the address to the CRC, and the answers they expect
// (CRC included).
constexpr size_t kShortRequest = 5;      // begin, open root, control block
constexpr size_t kOpenFileRequest = 18;  // with the 8.3 name and the mode
constexpr size_t kReadNextRequest = 6;   // with the byte count
constexpr size_t kResultAnswer = kFileResultAt + 1 + kCrcSize;
constexpr size_t kControlBlockAnswer = kFileDataAt + kControlBlockSize + kCrcSize;
// The parameter bytes that follow in an open request: the name, the
// extension and the mode.
constexpr uint8_t kOpenFileParameters = 12;
constexpr size_t kOpenNameAt = 4;
constexpr size_t kOpenExtAt = kOpenNameAt + kNameSize;
constexpr size_t kOpenModeAt = kOpenExtAt + kExtSize;
constexpr size_t kParameterAt = 3;  // the count of a read, the parameter count of an open

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
  d.m_attr = b[0];
  std::memcpy(d.m_name, b + 1, kNameSize);
  std::memcpy(d.m_ext, b + 9, kExtSize);
  d.m_byte12 = b[12];
  d.m_value13 = LoadLE32(b + 13);
  d.m_value17 = LoadLE16(b + 17);
  d.m_size = LoadLE32(b + 19);
}

std::string CFlFile::Name() const { return FieldText(m_fcb.m_descriptor.m_name, kNameSize); }
std::string CFlFile::Ext() const { return FieldText(m_fcb.m_descriptor.m_ext, kExtSize); }

bool CFlFile::Read(CModbusWithFlFiles& link) {
  CModbus& modbus = link.Modbus();
  modbus.OpenPort();  // a port that did not open fails the first request
  if (CReadProgress* p = link.Progress())
    p->OnStage(EReadStage::kFile, HostFileName(Name(), Ext()), m_fcb.m_descriptor.m_size);
  const bool ok = link.FsBegin() && link.FsOpenFile(Padded(Name(), kNameSize), Padded(Ext(), kExtSize), kModeRead) &&
                  link.TransferContents(*this);
  modbus.ClosePort();
  return ok;
}

// --- the file requests ---

void CModbusWithFlFiles::StartRequest(FileSubfunction subfunction) {
  const std::span<const uint8_t> last = m_modbus.LastRequest();
  if (last.size() > 1) std::copy(last.begin() + 1, last.end(), m_request.begin());
  RequestByte(kFrameFunction) = kFunctionFiles;
  RequestByte(kFrameSubfunction) = ByteOf(subfunction);
}

bool CModbusWithFlFiles::FileRequest(size_t frameLength, size_t answerLength, size_t minAnswer,
                                     std::span<const uint8_t>& answer) {
  if (!m_modbus.Transact(std::span<const uint8_t>(m_request).first(frameLength - 1), answerLength, answer)) {
    return false;
  }
  // An answer too short to hold its result byte (and CRC) is no answer the
  // instrument gives; refuse it rather than read stale bytes.
  if (answer.size() < minAnswer) return false;
  return answer[kFileResultAt] == kFileResultOk;
}

bool CModbusWithFlFiles::FsBegin() {
  StartRequest(FileSubfunction::kFsBegin);
  std::span<const uint8_t> answer;
  return FileRequest(kShortRequest, kResultAnswer, kResultAnswer, answer);
}

bool CModbusWithFlFiles::FsOpenRoot() {
  StartRequest(FileSubfunction::kFsOpenRoot);
  std::span<const uint8_t> answer;
  return FileRequest(kShortRequest, kResultAnswer, kResultAnswer, answer);
}

bool CModbusWithFlFiles::FsOpenFile(const std::string& name, const std::string& ext, uint8_t mode) {
  StartRequest(FileSubfunction::kFsOpenFile);
  RequestByte(kParameterAt) = kOpenFileParameters;
  std::memcpy(&RequestByte(kOpenNameAt), Padded(name, kNameSize).data(), kNameSize);
  std::memcpy(&RequestByte(kOpenExtAt), Padded(ext, kExtSize).data(), kExtSize);
  RequestByte(kOpenModeAt) = mode;
  std::span<const uint8_t> answer;
  return FileRequest(kOpenFileRequest, kResultAnswer, kResultAnswer, answer);
}

bool CModbusWithFlFiles::FsGetControlBlock(CFlFile::CFCB& fcb) {
  StartRequest(FileSubfunction::kFsControlBlock);
  std::span<const uint8_t> answer;
  if (!FileRequest(kShortRequest, kControlBlockAnswer, kResultAnswer, answer)) return false;
  if (answer[kFileCountAt] != kControlBlockSize || answer.size() < kControlBlockAnswer) return false;
  const uint8_t* b = answer.data() + kFileDataAt;
  CFlFile::ParseDescriptor(b, fcb.m_descriptor);
  fcb.m_value23 = LoadLE32(b + 23);
  fcb.m_value27 = LoadLE32(b + 27);
  fcb.m_byte31 = b[31];
  fcb.m_byte32 = b[32];
  return true;
}

bool CModbusWithFlFiles::FsReadNext(uint8_t count, uint8_t& delivered, uint8_t* buffer) {
  if (count > kMaxPiece) return false;  // nothing is sent
  StartRequest(FileSubfunction::kFsReadNext);
  RequestByte(kParameterAt) = count;
  std::span<const uint8_t> answer;
  if (!FileRequest(kReadNextRequest, kFileDataAt + size_t{count} + kCrcSize, kResultAnswer, answer)) return false;
  delivered = answer[kFileCountAt];
  const size_t copied = std::min(delivered, count);
  // The bytes must be in what was received, before the CRC.
  if (kFileDataAt + copied + kCrcSize > answer.size()) return false;
  std::memcpy(buffer, answer.data() + kFileDataAt, copied);
  return true;
}

void CModbusWithFlFiles::StartCounting(uint64_t total) {
  m_bytesDone = 0;
  m_bytesTotal = total;
  if (m_progress != nullptr) m_progress->OnBytes(0, total);
}

void CModbusWithFlFiles::CountBytes(uint64_t n) {
  m_bytesDone += n;
  if (m_progress != nullptr) m_progress->OnBytes(m_bytesDone, m_bytesTotal);
}

bool CModbusWithFlFiles::TransferContents(CFlFile& file) {
  if (!FsGetControlBlock(file.m_fcb)) return false;
  file.m_data.clear();
  const uint32_t size = file.m_fcb.m_descriptor.m_size;
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

// --- the instrument's link and its directory ---

CTrvKqModbusWithFlFiles::CTrvKqModbusWithFlFiles() = default;

CTrvKqModbusWithFlFiles::CTrvKqModbusWithFlFiles(std::unique_ptr<CSerialChannel> channel)
    : m_modbus(std::move(channel)) {}

bool CTrvKqModbusWithFlFiles::ReadDirectory() {
  OpenPort();  // a port that did not open fails the first request
  if (Progress() != nullptr) Progress()->OnStage(EReadStage::kDirectory, {}, 0);
  const bool ok = m_fileRequests.FsBegin() && m_fileRequests.FsOpenRoot() && m_fileRequests.TransferContents(m_root);
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

const CFlFile* CTrvKqModbusWithFlFiles::FindFile(const std::string& name, const std::string& ext) const {
  for (const auto& file : m_files) {
    if (file->Name() == name && file->Ext() == ext) return file.get();
  }
  return nullptr;
}

CFlFile* CTrvKqModbusWithFlFiles::FindFile(const std::string& name, const std::string& ext) {
  return const_cast<CFlFile*>(std::as_const(*this).FindFile(name, ext));
}

}  // namespace tkq
