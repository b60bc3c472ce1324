#pragma once
// What the platforms' halves of file_io share: the fault hook, the checks
// a file passes before it is read and the read itself, and the errors
// they throw, each naming the file in UTF-8.

#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "core/storage/file_io.h"

namespace tkq::detail {

// The errno a test makes `step` fail with, or 0 to carry it out.
int InjectedFault(EFileStep step);

// What failed with a file, as the user is told it.
enum class EFileAction { kCreate, kWrite, kReplace, kReadBack, kCreateBeside, kMove };

// A CFileError of `err` saying "не удается <action> PATH: <reason>", the
// reason the system's (in our words) unless `reason` is given; for EBUSY
// (the file held by another program) a CFileBusyError.
[[noreturn]] void ThrowFileError(int err, EFileAction action, const std::filesystem::path& path,
                                 const std::string& reason = {});

// "не удается открыть файл PATH: <why>".
CFileOpenError OpenFailure(const std::filesystem::path& path, const std::string& why);
// The same with the system's reason for `err`.
CFileOpenError OpenFailure(const std::filesystem::path& path, int err);

// The reason given for a name that is no regular file.
inline constexpr const char* kReasonNotRegular = "это не обычный файл";

// What a name stands for, as far as a read cares.
struct CFileKind {
  bool directory = false;
  bool regular = false;
  uint64_t size = 0;
};

// Only a regular file of a size the caller can take reads.
void CheckReadable(const std::filesystem::path& path, const CFileKind& kind, uint64_t maxSize);

// Reads an open file of `size` bytes to its end with `readSome` (the bytes
// read into the buffer, 0 at the end, or -1 with the errno in `err`).
// A file that grows past `maxSize` meanwhile is refused all the same.
std::vector<uint8_t> ReadToEnd(const std::filesystem::path& path, uint64_t size, uint64_t maxSize,
                               const std::function<int64_t(uint8_t* buffer, size_t room, int& err)>& readSome);

// `path` with `tag`, this process's number and a running count after it:
// a name no other replacement or scratch file takes.
std::filesystem::path NameBeside(const std::filesystem::path& path, const std::string& tag, unsigned long process);

}  // namespace tkq::detail
