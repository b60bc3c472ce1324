#include "core/archive/archive_read.h"

#include <ctime>
#include <iterator>
#include <stdexcept>

#include "core/archive/object_definition.h"
#include "core/link/flash_names.h"
#include "core/storage/load_error.h"

namespace tkq {
namespace {

bool FailRead(CTrvKqModbusWithFlFiles& link, CArchiveRead& read, ReadStatus code) {
  read.m_nReadStatus = link.IsCancelled() ? ReadStatus::kReadCancelled : code;
  read.m_linkStatus = link.Status();
  link.ClosePort();
  return false;
}

}  // namespace

std::vector<CObjectReadFile> ObjectReadFiles(uint8_t number) {
  const std::string name = ObjectFileName(number);
  return {
      {name, "arc", false},
      {name, "err", false},
      {name, "ads", false},
      {name, "par", true},
      {std::string(kSystemFileName), std::string(kSystemFileExt), true},
  };
}

ReadStatus CArchiveRead::GetReadStatus(std::string& text) const {
  const ReadStatus code = m_nReadStatus == ReadStatus::kReadFileError && m_linkStatus != LinkStatus::kLinkOk
                              ? ReadStatus::kReadNoConnection
                              : m_nReadStatus;
  text = ReadStatusText(code);
  return code;
}

ReadStatus ReadInstrumentDirectory(CTrvKqModbusWithFlFiles& link, std::string& deviceId, size_t* identificationAnswer) {
  if (CReadProgress* progress = link.Progress()) progress->OnStage(EReadStage::kIdentification, {}, 0);
  if (!link.OpenPort()) {
    std::string text;
    return link.GetStatusText(text) == LinkStatus::kLinkPortError ? ReadStatus::kReadPortBusy
                                                                  : ReadStatus::kReadNoConnection;
  }
  if (!link.ReadIdentification(deviceId)) {
    link.ClosePort();
    return ReadStatus::kReadNoConnection;
  }
  if (identificationAnswer != nullptr) *identificationAnswer = link.Modbus().LastAnswer().size();
  link.ClosePort();
  if (!link.ReadDirectory() || !link.ParseDirectory()) return ReadStatus::kReadFileError;
  return ReadStatus::kReadOk;
}

bool ReadDeviceFiles(CTrvKqModbusWithFlFiles& link, CArchiveRead& read) {
  const ReadStatus opened = ReadInstrumentDirectory(link, read.m_strDeviceId);
  if (opened != ReadStatus::kReadOk) return FailRead(link, read, opened);

  const std::vector<CObjectReadFile> wanted = ObjectReadFiles(read.m_nObjectNumber);
  CDeviceFiles& files = read.m_files;
  std::vector<uint8_t>* const bytes[] = {&files.arc, &files.err, &files.ads, &files.par, &files.dev};
  static_assert(std::size(bytes) == 5);
  uint64_t total = 0;
  for (const CObjectReadFile& w : wanted) {
    if (const CFlFile* file = link.FindFile(w.name, w.ext)) total += file->m_fcb.m_descriptor.m_size;
  }
  link.FileRequests().StartCounting(total);
  for (size_t i = 0; i < wanted.size(); ++i) {
    const CObjectReadFile& w = wanted[i];
    CFlFile* file = link.FindFile(w.name, w.ext);
    if (file == nullptr) {
      if (w.required) return FailRead(link, read, ReadStatus::kReadFileError);
      continue;
    }
    if (!link.ReadFile(*file)) return FailRead(link, read, ReadStatus::kReadFileError);
    *bytes[i] = std::move(file->m_data);
    file->m_data.clear();
  }
  return true;
}

std::unique_ptr<CObjectDefinition> DecodeArchive(const CArchiveRead& read, const CReadParamClass& description) {
  auto object = std::make_unique<CObjectDefinition>();
  object->SetObjectNumber(read.m_nObjectNumber);
  object->m_strDeviceId = read.m_strDeviceId;
  object->m_tRead = read.m_tRead;
  object->m_parBytes = read.m_files.par;
  object->m_devBytes = read.m_files.dev;
  object->DecodeDeviceFiles(description, read.m_files.arc, read.m_files.err, read.m_files.ads);
  return object;
}

std::unique_ptr<CObjectDefinition> ReadArchive(CTrvKqModbusWithFlFiles& link, const CReadParamClass& description,
                                               CArchiveRead& read) {
  read.m_files = CDeviceFiles{};
  read.m_strDeviceId.clear();
  read.m_nReadStatus = ReadStatus::kReadOk;
  read.m_linkStatus = LinkStatus::kLinkOk;
  read.m_tRead = static_cast<int64_t>(std::time(nullptr));
  if (!ReadDeviceFiles(link, read)) return nullptr;
  try {
    return DecodeArchive(read, description);
  } catch (const CParamDecodeError&) {
    // A parameter or system file too short for its version: the read failed.
    read.m_nReadStatus = ReadStatus::kReadFileError;
    read.m_linkStatus = LinkStatus::kLinkOk;
    return nullptr;
  }
}

}  // namespace tkq
