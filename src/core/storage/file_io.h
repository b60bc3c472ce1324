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

// Writes `data` to a temporary file beside `path` and renames it over
// `path`, so a failure (disk full, no permission) never leaves a half-written
// file in place of a good one. A symbolic link is followed and its target
// replaced. Throws std::system_error; the temporary file is removed then.
void WriteFileAtomically(const std::filesystem::path& path, std::string_view data);

}  // namespace tkq
