#pragma once
// Whole-file reads and safe replacement of files.

#include <cstdint>
#include <filesystem>
#include <stdexcept>
#include <string_view>
#include <vector>

namespace tkq {

// A file that cannot be opened or read (missing, no permission, a folder).
class CFileOpenError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// Reads a whole file; throws CFileOpenError.
std::vector<uint8_t> ReadWholeFile(const std::filesystem::path& path);

// A file written beside its destination and renamed over it once
// complete: readers never see half of it, and a failure leaves whatever
// was there before. Discarded unless committed.
class CAtomicFile {
 public:
  // Creates the temporary file; throws std::system_error.
  explicit CAtomicFile(const std::filesystem::path& path);
  ~CAtomicFile();
  CAtomicFile(const CAtomicFile&) = delete;
  CAtomicFile& operator=(const CAtomicFile&) = delete;

  // Both throw std::system_error.
  void Write(std::string_view data);
  void Commit();

 private:
  void Discard();
  std::filesystem::path m_path;
  std::filesystem::path m_tmp;
  int m_fd = -1;
};

// Writes `data` to a temporary file beside `path` and renames it over
// `path`, so a failure (disk full, no permission) never leaves a half-written
// file in place of a good one. A symbolic link is followed and its target
// replaced. Throws std::system_error; the temporary file is removed then.
void WriteFileAtomically(const std::filesystem::path& path, std::string_view data);

}  // namespace tkq
