#pragma once
// The saved archive file: one measurement object stored with the archive
// stream, reopened later without the instrument.

#include <cstdint>
#include <filesystem>
#include <memory>
#include <span>
#include <stdexcept>
#include <string>

#include "core/archive/object_definition.h"
#include "core/base/messages.h"
#include "core/storage/load_error.h"

namespace tkq {

class CReadParamClass;

// The largest saved archive that loads; anything larger is not one. A read
// keeps at most the link's 64 MiB of each of the instrument's files (whose
// flash holds a few MB); stored, a 13-byte measurement record takes 19
// bytes, a 10-byte abnormal situation 11, and the parameter and system
// files stay as they came: about 292 MiB at the very most. The bound
// leaves room above that and keeps a file of gigabytes, or a device, from
// being read into memory.
inline constexpr uint64_t kMaxSavedArchiveSize = uint64_t{512} << 20;

// The file's bytes for `object`.
std::string StoreSavedArchive(const CObjectDefinition& object);

// Writes the file through a temporary file renamed over `path`, so a
// failed save leaves any previous file intact. Throws std::system_error.
void SaveSavedArchive(const std::filesystem::path& path, const CObjectDefinition& object);

// Loads a saved archive into a new object, decoding its parameter files
// again with `description` (only read). Throws CLoadError and nothing
// else: a file that is not a regular file of at most kMaxSavedArchiveSize
// bytes is refused before anything is read.
std::unique_ptr<CObjectDefinition> LoadSavedArchive(std::span<const uint8_t> bytes, const CReadParamClass& description);
std::unique_ptr<CObjectDefinition> LoadSavedArchive(const std::filesystem::path& path,
                                                    const CReadParamClass& description);

}  // namespace tkq
