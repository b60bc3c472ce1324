#pragma once
// A file written by a library that opens files itself, by name, put in
// place of its destination only when complete.

#include <filesystem>
#include <string_view>

#include "core/storage/file_io.h"

namespace tkq {

// The replacement of `path` (CAtomicFile) and an empty scratch file beside
// it for the library to write (named after `path` with `tag`). Commit()
// copies the scratch file into the replacement and renames that over
// `path`; until then, and on any failure, a file already at `path` stays
// as it was. The scratch file is removed when the object goes, committed
// or not.
class CScratchReplacement {
 public:
  // The replacement first, so that a folder that takes no file fails at
  // once; throws std::system_error.
  CScratchReplacement(const std::filesystem::path& path, std::string_view tag);
  ~CScratchReplacement();
  CScratchReplacement(const CScratchReplacement&) = delete;
  CScratchReplacement& operator=(const CScratchReplacement&) = delete;

  // The file the library writes.
  const std::filesystem::path& ScratchPath() const { return m_scratch; }

  // Throws std::system_error.
  void Commit();

 private:
  CAtomicFile m_file;
  std::filesystem::path m_scratch;
};

}  // namespace tkq
