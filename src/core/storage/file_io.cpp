#include "core/storage/file_io.h"

#include <atomic>
#include <cerrno>
#include <cstring>
#include <new>
#include <system_error>
#include <utility>

#include "core/base/messages.h"
#include "core/base/paths.h"
#include "core/storage/file_io_shared.h"

namespace tkq {
namespace {

std::function<int(CFileStep)>& FaultHook() {
  static std::function<int(CFileStep)> hook;
  return hook;
}

}  // namespace

namespace detail {

int InjectedFault(CFileStep step) {
  const auto& hook = FaultHook();
  return hook ? hook(step) : 0;
}

void ThrowFileError(int err, const std::string& what, const std::filesystem::path& path, const std::string& after) {
  if (err == EBUSY) throw CFileBusyError(err, std::generic_category(), what + " " + PathToUtf8(path) + after);
  throw std::system_error(err, std::generic_category(), what + " " + PathToUtf8(path) + after);
}

CFileOpenError OpenFailure(const std::filesystem::path& path, const std::string& why) {
  return CFileOpenError(PathToUtf8(path) + ": " + why);
}

void CheckReadable(const std::filesystem::path& path, const CFileKind& kind, uint64_t maxSize) {
  if (kind.directory) throw OpenFailure(path, std::strerror(EISDIR));
  if (!kind.regular) throw OpenFailure(path, "not a regular file");
  if (kind.size > maxSize) {
    throw CFileTooLargeError(PathToUtf8(path) + ": " + std::to_string(kind.size) + " bytes, more than the " +
                             std::to_string(maxSize) + " such a file can hold");
  }
}

std::vector<uint8_t> ReadToEnd(const std::filesystem::path& path, uint64_t size, uint64_t maxSize,
                               const std::function<int64_t(uint8_t* buffer, size_t room, int& err)>& readSome) {
  std::vector<uint8_t> data;
  try {
    data.reserve(static_cast<size_t>(size));
    uint8_t buf[65536];
    for (;;) {
      int err = 0;
      const int64_t n = readSome(buf, sizeof buf, err);
      if (n < 0) throw OpenFailure(path, std::strerror(err));
      if (n == 0) break;
      if (data.size() + static_cast<size_t>(n) > maxSize) {
        throw CFileTooLargeError(PathToUtf8(path) + ": more than the " + std::to_string(maxSize) +
                                 " bytes such a file can hold");
      }
      data.insert(data.end(), buf, buf + n);
    }
  } catch (const std::bad_alloc&) {
    throw OpenFailure(path, "not enough memory for " + std::to_string(size) + " bytes");
  }
  return data;
}

std::filesystem::path NameBeside(const std::filesystem::path& path, const std::string& tag, unsigned long process) {
  static std::atomic<unsigned> counter{0};
  std::filesystem::path name = path;
  name += tag + std::to_string(process) + "-" + std::to_string(counter++);
  return name;
}

}  // namespace detail

const char* FileErrorMessage(const std::exception& e) {
  return dynamic_cast<const CFileBusyError*>(&e) != nullptr ? kMessageFileBusy : kMessageCannotOpen;
}

void WriteFileAtomically(const std::filesystem::path& path, std::string_view data) {
  CAtomicFile file(path);
  file.Write(data);
  file.Commit();
}

void SetFileFaultHook(std::function<int(CFileStep)> hook) { FaultHook() = std::move(hook); }

}  // namespace tkq
