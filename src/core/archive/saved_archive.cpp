#include "core/archive/saved_archive.h"

#include <new>

#include "core/link/flash_files.h"
#include "core/base/system_errors.h"
#include "core/storage/archive_stream.h"
#include "core/storage/file_io.h"

namespace tkq {
namespace {

// What each record takes in the file: its tag and its fields.
constexpr uint64_t kStoredMeasurementSize = 19;
constexpr uint64_t kStoredAbnormalSize = 11;
constexpr uint64_t kLargestFile = CModbusWithFlFiles::kMaxFileSize;
static_assert(kMaxSavedArchiveSize >= kLargestFile / kMeasurementRecordSize * kStoredMeasurementSize +
                                          kLargestFile / kAbnormalRecordSize * kStoredAbnormalSize + 2 * kLargestFile +
                                          (1 << 20),
              "a saved archive of the largest read must load again");

}  // namespace

std::string StoreSavedArchive(const CObjectDefinition& object) {
  CArchiveStream ar;
  const_cast<CObjectDefinition&>(object).Serialize(ar);
  return ar.TakeData();
}

void SaveSavedArchive(const std::filesystem::path& path, const CObjectDefinition& object) {
  WriteFileAtomically(path, StoreSavedArchive(object));
}

std::unique_ptr<CObjectDefinition> LoadSavedArchive(std::span<const uint8_t> bytes,
                                                    const CReadParamClass& description) {
  std::unique_ptr<CObjectDefinition> object;
  try {
    object = std::make_unique<CObjectDefinition>();
    CArchiveStream ar(bytes);
    object->Serialize(ar);
    // The parameters as the description of this moment decodes them; a
    // file too short for its version is no saved archive.
    object->DecodeParameters(description, object->m_parBytes, object->m_devBytes);
  } catch (const CArchiveError& e) {
    throw CLoadError(CLoadError::EKind::kBadFormat, e.what());
  } catch (const CLoadError&) {
    // A parameter file that does not decode (CParamDecodeError).
    throw;
  } catch (const std::bad_alloc&) {
    throw CLoadError(CLoadError::EKind::kBadFormat, kReasonNoMemory);
  } catch (...) {
    // Whatever else failed says nothing the user can read.
    throw CLoadError(CLoadError::EKind::kBadFormat, "содержимое файла не читается");
  }
  return object;
}

std::unique_ptr<CObjectDefinition> LoadSavedArchive(const std::filesystem::path& path,
                                                    const CReadParamClass& description) {
  std::vector<uint8_t> bytes;
  try {
    bytes = ReadWholeFile(path, kMaxSavedArchiveSize);
  } catch (const CFileTooLargeError& e) {
    throw CLoadError(CLoadError::EKind::kBadFormat, e.what());
  } catch (const CFileOpenError& e) {
    throw CLoadError(CLoadError::EKind::kCannotOpen, e.what());
  }
  return LoadSavedArchive(bytes, description);
}

}  // namespace tkq
