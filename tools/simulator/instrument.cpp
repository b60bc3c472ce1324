#include "simulator/instrument.h"

#include <algorithm>
#include <cstdint>
#include <fstream>
#include <system_error>

#include "core/base/cp1251.h"
#include "core/link/crc16.h"
#include "core/link/flash_names.h"
#include "core/link/modbus_frames.h"

namespace tkq::sim {
namespace {

constexpr uint8_t kSubBegin = ByteOf(FileSubfunction::kFsBegin);
constexpr uint8_t kSubOpenFile = ByteOf(FileSubfunction::kFsOpenFile);
constexpr uint8_t kSubReadNext = ByteOf(FileSubfunction::kFsReadNext);
constexpr uint8_t kSubOpenRoot = ByteOf(FileSubfunction::kFsOpenRoot);
constexpr uint8_t kSubControlBlock = ByteOf(FileSubfunction::kFsControlBlock);

constexpr uint8_t kExceptionFunction = 1;
constexpr uint8_t kExceptionDataValue = 3;

constexpr uint8_t kResultOk = 0;
constexpr uint8_t kResultRefused = 1;

constexpr size_t kEntrySize = 32;
constexpr size_t kMaxFrame = 256;
// The flash of the instrument is far smaller; anything larger in a folder
// is a mistake, not an archive.
constexpr uintmax_t kMaxFileSize = 64u * 1024 * 1024;

// A fixed creation time for every entry (01.03.2012 00:00:00 on the
// instrument's clock) and the cluster size that numbers the start clusters.
constexpr uint32_t kEntryTime = 1330560000;
constexpr size_t kClusterSize = 512;

void PutU16(uint8_t* at, uint16_t v) {
  at[0] = static_cast<uint8_t>(v);
  at[1] = static_cast<uint8_t>(v >> 8);
}

void PutU32(uint8_t* at, uint32_t v) {
  for (int i = 0; i < 4; ++i) at[i] = static_cast<uint8_t>(v >> (8 * i));
}

// Bytes 0..22 of a directory entry or control block.
void PutDescriptor(uint8_t* at, const std::string& name8, const std::string& ext3, uint16_t startCluster, size_t size) {
  at[0] = 0x20;
  for (size_t i = 0; i < 8; ++i) at[1 + i] = static_cast<uint8_t>(i < name8.size() ? name8[i] : ' ');
  for (size_t i = 0; i < 3; ++i) at[9 + i] = static_cast<uint8_t>(i < ext3.size() ? ext3[i] : ' ');
  at[12] = 0;
  PutU32(at + 13, kEntryTime);
  PutU16(at + 17, startCluster);
  PutU32(at + 19, static_cast<uint32_t>(size));
}

size_t Clusters(size_t size) { return (size + kClusterSize - 1) / kClusterSize; }

std::vector<uint8_t> Frame(std::vector<uint8_t> head) {
  head.resize(head.size() + 2);
  PutCrc16(head.data(), head.size() - 2);
  return head;
}

}  // namespace

CInstrument::CInstrument(uint8_t address_, std::string id1_, std::string id2_)
    : address(address_), id1(std::move(id1_)), id2(std::move(id2_)) {}

bool CInstrument::LoadFolder(const std::filesystem::path& dir, std::string& error) {
  namespace fs = std::filesystem;
  std::error_code ec;
  if (!fs::is_directory(dir, ec)) {
    error = "not a folder: " + dir.string();
    return false;
  }
  std::vector<std::pair<std::string, fs::path>> found;
  for (fs::directory_iterator it(dir, ec), end; !ec && it != end; it.increment(ec)) {
    if (!it->is_regular_file(ec)) continue;
    found.emplace_back(it->path().filename().string(), it->path());
  }
  if (ec) {
    error = "cannot list " + dir.string() + ": " + ec.message();
    return false;
  }
  std::sort(found.begin(), found.end());

  std::vector<FlashFile> files;
  bool haveId = false;
  std::string text1, text2;
  for (const auto& [host, path] : found) {
    FlashFile file;
    const bool flash = SplitHostFileName(host, file.name8, file.ext3);
    const bool idFile = host == "identification.txt";
    if (!flash && !idFile) continue;
    const uintmax_t size = fs::file_size(path, ec);
    if (ec || size > kMaxFileSize) {
      error = ec ? "cannot read " + path.string() + ": " + ec.message()
                 : path.string() + " is larger than the instrument's flash";
      return false;
    }
    std::ifstream in(path, std::ios::binary);
    std::vector<uint8_t> data(static_cast<size_t>(size));
    if (!in || !in.read(reinterpret_cast<char*>(data.data()), static_cast<std::streamsize>(data.size()))) {
      error = "cannot read " + path.string();
      return false;
    }
    if (idFile) {
      const std::string all(data.begin(), data.end());
      const size_t eol = all.find('\n');
      text1 = all.substr(0, eol);
      text2 = eol == std::string::npos ? std::string() : all.substr(eol + 1);
      text2 = text2.substr(0, text2.find('\n'));
      for (std::string* t : {&text1, &text2}) {
        if (!t->empty() && t->back() == '\r') t->pop_back();
      }
      haveId = true;
      continue;
    }
    file.data = std::move(data);
    files.push_back(std::move(file));
  }
  m_files = std::move(files);
  if (haveId) {
    id1 = InstrumentText(text1);
    id2 = InstrumentText(text2);
  }
  m_open = -1;
  m_readPos = 0;
  return true;
}

void CInstrument::AddFile(FlashFile file) {
  file.name8.resize(8, ' ');
  file.ext3.resize(3, ' ');
  m_files.push_back(std::move(file));
}

std::vector<uint8_t> CInstrument::Answer(std::span<const uint8_t> request) {
  const int n = ++m_requests;
  if (request.size() < 4 || Crc16(request) != 0 || request[0] != address) return {};
  if (faults.silent || n <= faults.silentFirst) return {};

  std::vector<uint8_t> answer;
  const uint8_t function = request[1];
  if (faults.exceptionCode != 0 && n >= faults.exceptionFrom) {
    answer = Exception(function, static_cast<uint8_t>(faults.exceptionCode));
  } else if (function == kFunctionIdentification) {
    answer = Identification();
  } else if (function == kFunctionFiles) {
    answer = FileRequest(request);
  } else {
    answer = Exception(function, kExceptionFunction);
  }
  if (answer.empty()) return answer;

  if (faults.wrongAddress) {
    answer[0] = static_cast<uint8_t>(address + 1);
    PutCrc16(answer.data(), answer.size() - 2);
  }
  if (++m_answers == faults.badCrcAt) {
    answer[answer.size() - 2] ^= 0xFF;
    answer[answer.size() - 1] ^= 0xFF;
  }
  return answer;
}

std::vector<uint8_t> CInstrument::Exception(uint8_t function, uint8_t code) const {
  return Frame({address, static_cast<uint8_t>(function | 0x80), code});
}

std::vector<uint8_t> CInstrument::Identification() const {
  std::vector<uint8_t> head = {address, kFunctionIdentification, 0};
  if (id1.empty() && id2.empty()) return Frame(std::move(head));
  // Both texts with their zeros must fit one frame of 256 bytes.
  constexpr size_t kRoom = kMaxFrame - 5 - 2;
  const std::string t1 = id1.substr(0, std::min(id1.size(), kRoom));
  const std::string t2 = id2.substr(0, std::min(id2.size(), kRoom - t1.size()));
  head.insert(head.end(), t1.begin(), t1.end());
  head.push_back(0);
  head.insert(head.end(), t2.begin(), t2.end());
  head.push_back(0);
  head[2] = static_cast<uint8_t>(head.size() - 3);
  return Frame(std::move(head));
}

std::vector<uint8_t> CInstrument::FileRequest(std::span<const uint8_t> request) {
  const uint8_t sub = request.size() > 3 ? request[2] : 0;
  const size_t expected = RequestLength(request);
  if (expected == SIZE_MAX) return Exception(kFunctionFiles, kExceptionFunction);
  if (expected != request.size()) return Exception(kFunctionFiles, kExceptionDataValue);

  auto result = [&](uint8_t code) { return Frame({address, kFunctionFiles, sub, code}); };
  if (faults.refuseSubfunction == sub) return result(kResultRefused);

  switch (sub) {
    case kSubBegin:
      m_open = -1;
      m_readPos = 0;
      return result(kResultOk);

    case kSubOpenRoot:
      m_root = DirectoryBytes(m_files);
      m_open = -2;
      m_readPos = 0;
      return result(kResultOk);

    case kSubOpenFile: {
      m_open = -1;
      m_readPos = 0;
      if (request[3] != 12) return Exception(kFunctionFiles, kExceptionDataValue);
      const std::string name8(request.begin() + 4, request.begin() + 12);
      const std::string ext3(request.begin() + 12, request.begin() + 15);
      // The instrument opens files for reading only (mode 1).
      if (request[15] != 1) return result(kResultRefused);
      for (size_t i = 0; i < m_files.size(); ++i) {
        if (m_files[i].name8 == name8 && m_files[i].ext3 == ext3) {
          m_open = static_cast<int>(i);
          return result(kResultOk);
        }
      }
      return result(kResultRefused);
    }

    case kSubControlBlock: {
      if (m_open == -1) return result(kResultRefused);
      std::vector<uint8_t> block;
      if (m_open == -2) {
        block = ControlBlockBytes(FlashFile{"ROOT    ", "   ", m_root});
      } else {
        block = ControlBlockBytes(m_files[static_cast<size_t>(m_open)]);
        // Start cluster as in the directory.
        size_t cluster = 2;
        for (int i = 0; i < m_open; ++i) cluster += Clusters(m_files[static_cast<size_t>(i)].data.size());
        PutU16(block.data() + 17, static_cast<uint16_t>(cluster));
      }
      PutU32(block.data() + 23, static_cast<uint32_t>(m_readPos));
      std::vector<uint8_t> head = {address, kFunctionFiles, sub, kResultOk,
                                   static_cast<uint8_t>(faults.badControlBlockLength ? 0x32 : kControlBlockSize)};
      head.insert(head.end(), block.begin(), block.end());
      return Frame(std::move(head));
    }

    case kSubReadNext: {
      if (m_open == -1) return result(kResultRefused);
      size_t want = request[3];
      if (want == 0 || want > kMaxPiece) return Exception(kFunctionFiles, kExceptionDataValue);
      if (faults.shortPieces && want > 1) want /= 2;
      const std::vector<uint8_t>& data = m_open == -2 ? m_root : m_files[static_cast<size_t>(m_open)].data;
      const size_t from = std::min(m_readPos, data.size());
      const size_t count = std::min(want, data.size() - from);
      std::vector<uint8_t> head = {address, kFunctionFiles, sub, kResultOk, static_cast<uint8_t>(count)};
      head.insert(head.end(), data.begin() + static_cast<std::ptrdiff_t>(from),
                  data.begin() + static_cast<std::ptrdiff_t>(from + count));
      m_readPos = from + count;
      return Frame(std::move(head));
    }

    default: return Exception(kFunctionFiles, kExceptionFunction);
  }
}

std::string InstrumentText(const std::string& text) {
  size_t i = 0;
  while (i < text.size()) {
    const size_t at = i;
    if (DecodeUtf8(text, i) == U'\uFFFD' && text.compare(at, 3, "\xEF\xBF\xBD") != 0) return text;
  }
  return Utf8ToCp1251(text);
}

size_t RequestLength(std::span<const uint8_t> bytes) {
  if (bytes.size() < 2) return 0;
  if (bytes[1] == kFunctionIdentification) return 4;
  if (bytes[1] != kFunctionFiles) return SIZE_MAX;
  if (bytes.size() < 3) return 0;
  switch (bytes[2]) {
    case kSubBegin:
    case kSubOpenRoot:
    case kSubControlBlock: return 7;
    case kSubOpenFile: return 20;
    case kSubReadNext: return 8;
    default: return SIZE_MAX;
  }
}

std::vector<uint8_t> DirectoryBytes(const std::vector<FlashFile>& files) {
  std::vector<uint8_t> dir(files.size() * kEntrySize, 0);
  size_t cluster = 2;
  for (size_t i = 0; i < files.size(); ++i) {
    PutDescriptor(dir.data() + i * kEntrySize, files[i].name8, files[i].ext3, static_cast<uint16_t>(cluster),
                  files[i].data.size());
    cluster += Clusters(files[i].data.size());
  }
  return dir;
}

std::vector<uint8_t> ControlBlockBytes(const FlashFile& file) {
  std::vector<uint8_t> block(kControlBlockSize, 0);
  PutDescriptor(block.data(), file.name8, file.ext3, 0, file.data.size());
  PutU32(block.data() + 23, 0);                                                  // read position
  PutU32(block.data() + 27, static_cast<uint32_t>(Clusters(file.data.size())));  // clusters taken
  block[31] = 1;                                                                 // open mode
  block[32] = 0x01;                                                              // open
  return block;
}

}  // namespace tkq::sim
