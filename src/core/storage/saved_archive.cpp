#include "storage/saved_archive.h"

#include <new>

#include "storage/archive_stream.h"
#include "storage/file_io.h"

namespace tkq {

std::string StoreSavedArchive(const CObjectDefinition& object) {
  CArchiveStream ar;
  const_cast<CObjectDefinition&>(object).Serialize(ar);
  return ar.TakeData();
}

void SaveSavedArchive(const std::filesystem::path& path, const CObjectDefinition& object) {
  WriteFileAtomically(path, StoreSavedArchive(object));
}

std::unique_ptr<CObjectDefinition> LoadSavedArchive(std::span<const uint8_t> bytes, CReadParamClass* description,
                                                    CTrvKqModbusWithFlFiles* link) {
  auto object = std::make_unique<CObjectDefinition>();
  object->SetLink(link);
  object->SetVersionList(description);
  try {
    CArchiveStream ar(bytes);
    object->Serialize(ar);
  } catch (const CArchiveError& e) {
    throw CLoadError(CLoadError::kBadFormat, e.what());
  } catch (const std::invalid_argument& e) {
    throw CLoadError(CLoadError::kBadFormat, e.what());
  } catch (const std::bad_alloc&) {
    throw CLoadError(CLoadError::kBadFormat, "out of memory");
  } catch (const std::length_error& e) {
    throw CLoadError(CLoadError::kBadFormat, e.what());
  }
  return object;
}

std::unique_ptr<CObjectDefinition> LoadSavedArchive(const std::filesystem::path& path, CReadParamClass* description,
                                                    CTrvKqModbusWithFlFiles* link) {
  std::vector<uint8_t> bytes;
  try {
    bytes = ReadWholeFile(path);
  } catch (const CFileOpenError& e) {
    throw CLoadError(CLoadError::kCannotOpen, e.what());
  }
  return LoadSavedArchive(bytes, description, link);
}

}  // namespace tkq
