#include "core/archive/instrument_contents.h"

#include <algorithm>
#include <cmath>

#include "core/archive/archive_read.h"
#include "core/archive/records.h"
#include "core/link/flash_names.h"
#include "core/link/link_status.h"
#include "core/link/modbus_frames.h"
#include "core/link/read_status.h"

namespace tkq {
namespace {

// Frame lengths on the line, CRC included, as the link's requests make them.
constexpr uint64_t kIdentificationRequest = 4;  // address, function, CRC
constexpr uint64_t kShortFileRequest = 7;       // begin, open root, control block
constexpr uint64_t kOpenFileRequest = 20;       // with the 8.3 name and the mode
constexpr uint64_t kReadNextRequest = 8;        // with the byte count
constexpr uint64_t kResultAnswer = 6;           // address, function, subfunction, result, CRC
constexpr uint64_t kControlBlockAnswer = kFileDataAt + kControlBlockSize + kCrcSize;
constexpr uint64_t kPieceAnswerOverhead = 7;  // a piece answer: its bytes and 7 more
constexpr uint64_t kPiece = 128;              // the bytes one read request asks for
constexpr double kBitsPerByte = 10.0;
constexpr double kFrameGapCharacters = 3.5;
constexpr double kFixedFrameGapSeconds = 0.00175;  // above 19200 baud

// The pieces of `size` bytes and what they put on the line.
CLineTraffic Pieces(uint64_t size) {
  const uint64_t pieces = (size + kPiece - 1) / kPiece;
  return {pieces, pieces * (kReadNextRequest + kPieceAnswerOverhead) + size};
}

bool Fail(CTrvKqModbusWithFlFiles& link, CInstrumentContents& out, ReadStatus code) {
  out.linkStatus = link.Status();
  if (link.IsCancelled()) {
    out.readStatus = ReadStatus::kReadCancelled;
  } else if (code == ReadStatus::kReadFileError && link.Status() != LinkStatus::kLinkOk) {
    // A file request that failed for the line's sake, as a read reports it.
    out.readStatus = ReadStatus::kReadNoConnection;
  } else {
    out.readStatus = code;
  }
  link.ClosePort();
  return false;
}

}  // namespace

double LineSeconds(const CLineTraffic& traffic, uint32_t baud) {
  const double rate = std::max<uint32_t>(baud, 1);
  const double gap = baud > 19200 ? kFixedFrameGapSeconds : kFrameGapCharacters * kBitsPerByte / rate;
  return static_cast<double>(traffic.bytes) * kBitsPerByte / rate +
         static_cast<double>(traffic.transactions) * 2.0 * gap;
}

std::string ReadTimeText(double seconds) {
  if (!(seconds < 1e9)) seconds = 1e9;  // also NaN: a figure, not garbage
  const long long whole = std::llround(std::max(seconds, 0.0));
  if (whole < 1) return "< 1 с";
  if (whole < 60) return std::to_string(whole) + " с";
  if (whole < 3600) return std::to_string(whole / 60) + " мин " + std::to_string(whole % 60) + " с";
  return std::to_string(whole / 3600) + " ч " + std::to_string(whole % 3600 / 60) + " мин";
}

CLineTraffic IdentificationTraffic(size_t answerBytes) { return {1, kIdentificationRequest + answerBytes}; }

CLineTraffic DirectoryTraffic(uint64_t directoryBytes) {
  // Begin, open the root, its control block, then its pieces.
  CLineTraffic traffic{3, 3 * kShortFileRequest + 2 * kResultAnswer + kControlBlockAnswer};
  traffic += Pieces(directoryBytes);
  return traffic;
}

CLineTraffic FileTraffic(uint64_t size) {
  // Begin, open by name, the control block, then its pieces; the link
  // refuses a file larger than it accepts once it has its control block.
  CLineTraffic traffic{3, 2 * kShortFileRequest + kOpenFileRequest + 2 * kResultAnswer + kControlBlockAnswer};
  if (size <= CModbusWithFlFiles::kMaxFileSize) traffic += Pieces(size);
  return traffic;
}

CObjectContents ObjectContents(const CTrvKqModbusWithFlFiles& link, uint8_t object, uint32_t baud,
                               size_t identificationAnswer) {
  CObjectContents contents;
  contents.object = object;
  contents.traffic = IdentificationTraffic(identificationAnswer);
  contents.traffic += DirectoryTraffic(link.Root().m_data.size());
  bool reading = true;  // false once the read would have stopped
  for (const CObjectReadFile& wanted : ObjectReadFiles(object)) {
    const CFlFile* file = link.FindFile(wanted.name, wanted.ext);
    const std::string host = HostFileName(wanted.name, wanted.ext);
    const bool own = wanted.name != kSystemFileName;
    if (file == nullptr) {
      if (wanted.required) {
        contents.missing.push_back(host);
        contents.readable = false;
        reading = false;
      }
      continue;
    }
    const uint32_t size = file->m_fcb.m_descriptor.m_size;
    if (own) contents.files.push_back({host, size});
    if (own && wanted.ext == "arc") contents.records = static_cast<uint32_t>(size / kMeasurementRecordSize);
    contents.bytes += size;
    if (reading) contents.traffic += FileTraffic(size);
    if (size > CModbusWithFlFiles::kMaxFileSize) {
      contents.readable = false;
      reading = false;
    }
  }
  contents.readSeconds = LineSeconds(contents.traffic, baud);
  return contents;
}

std::vector<CObjectContents> ObjectsInDirectory(const CTrvKqModbusWithFlFiles& link, uint32_t baud,
                                                size_t identificationAnswer) {
  std::vector<CObjectContents> objects;
  for (uint8_t object = 1; object <= 20; ++object) {
    CObjectContents contents = ObjectContents(link, object, baud, identificationAnswer);
    if (!contents.files.empty()) objects.push_back(std::move(contents));
  }
  return objects;
}

bool ReadInstrumentContents(CTrvKqModbusWithFlFiles& link, uint32_t baud, CInstrumentContents& out) {
  out = CInstrumentContents{};
  const ReadStatus code = ReadInstrumentDirectory(link, out.deviceId, &out.identificationAnswer);
  if (code != ReadStatus::kReadOk) return Fail(link, out, code);
  out.directoryBytes = link.Root().m_data.size();
  if (const CFlFile* system = link.FindFile(std::string(kSystemFileName), std::string(kSystemFileExt))) {
    out.systemFileSize = system->m_fcb.m_descriptor.m_size;
  }
  out.objects = ObjectsInDirectory(link, baud, out.identificationAnswer);
  out.readStatus = ReadStatus::kReadOk;
  out.linkStatus = LinkStatus::kLinkOk;
  return true;
}

std::string UnreadableReason(const CObjectContents& object) {
  if (object.readable) return "";
  if (!object.missing.empty()) {
    std::string text = "нет";
    for (size_t i = 0; i < object.missing.size(); ++i) text += (i == 0 ? " " : ", ") + object.missing[i];
    return text;
  }
  return "файл больше " + std::to_string(CModbusWithFlFiles::kMaxFileSize >> 20) + " МБ";
}

}  // namespace tkq
