#include "core/storage/file_io.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <new>
#include <system_error>
#include <utility>

#include "core/base/messages.h"
#include "core/base/paths.h"
#include "core/base/system_errors.h"
#include "core/storage/file_io_shared.h"

namespace tkq {
namespace {

std::function<int(EFileStep)>& FaultHook() {
  static std::function<int(EFileStep)> hook;
  return hook;
}

// A file larger than any file of its kind; `size` 0 when not known.
CFileTooLargeError TooLarge(const std::filesystem::path& path, uint64_t maxSize, uint64_t size = 0) {
  return CFileTooLargeError("файл " + DisplayPath(path) + " слишком велик: " +
                            (size > 0 ? std::to_string(size) + " байт, а " : std::string()) +
                            "в таком файле бывает не больше " + std::to_string(maxSize) + " байт");
}

}  // namespace

namespace detail {

int InjectedFault(EFileStep step) {
  const auto& hook = FaultHook();
  return hook ? hook(step) : 0;
}

void ThrowFileError(int err, EFileAction action, const std::filesystem::path& path, const std::string& reason) {
  const char* verb = "";
  switch (action) {
    case EFileAction::kCreate: verb = "не удается создать файл "; break;
    case EFileAction::kWrite: verb = "не удается записать файл "; break;
    case EFileAction::kReplace: verb = "не удается заменить файл "; break;
    case EFileAction::kReadBack: verb = "не удается прочитать файл "; break;
    case EFileAction::kCreateBeside: verb = "не удается создать временный файл рядом с "; break;
    case EFileAction::kMove: verb = "не удается переместить файл "; break;
  }
  const std::string text = verb + DisplayPath(path) + ": " + (reason.empty() ? ErrnoReason(err) : reason);
  if (err == EBUSY) throw CFileBusyError(err, text);
  throw CFileError(err, text);
}

CFileOpenError OpenFailure(const std::filesystem::path& path, const std::string& why) {
  return CFileOpenError("не удается открыть файл " + DisplayPath(path) + ": " + why);
}

CFileOpenError OpenFailure(const std::filesystem::path& path, int err) { return OpenFailure(path, ErrnoReason(err)); }

void CheckReadable(const std::filesystem::path& path, const CFileKind& kind, uint64_t maxSize) {
  if (kind.directory) throw OpenFailure(path, EISDIR);
  if (!kind.regular) throw OpenFailure(path, kReasonNotRegular);
  if (kind.size > maxSize) throw TooLarge(path, maxSize, kind.size);
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
      if (n < 0) throw OpenFailure(path, err);
      if (n == 0) break;
      if (data.size() + static_cast<size_t>(n) > maxSize) {
        throw TooLarge(path, maxSize);
      }
      data.insert(data.end(), buf, buf + n);
    }
  } catch (const std::bad_alloc&) {
    throw OpenFailure(path, std::string(kReasonNoMemory) + " для " + std::to_string(size) + " байт");
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

void SetFileFaultHook(std::function<int(EFileStep)> hook) { FaultHook() = std::move(hook); }

std::vector<std::filesystem::path> ListFolderTree(const std::filesystem::path& folder,
                                                  const std::function<bool(const std::filesystem::path&)>& enter,
                                                  std::error_code& ec) {
  ec.clear();
  std::vector<std::filesystem::path> files;
  // Walked with a list of its own rather than by recursion: a tree
  // however deep takes no more stack.
  std::vector<std::filesystem::path> pending{folder};
  for (bool top = true; !pending.empty(); top = false) {
    const std::filesystem::path current = std::move(pending.back());
    pending.pop_back();
    std::error_code listed;
    std::vector<CFolderFile> here = ListFolderFiles(current, listed);
    std::vector<std::filesystem::path> subfolders;
    if (!listed) subfolders = ListSubfolders(current, listed);
    if (listed) {
      if (!top) continue;
      ec = listed;
      return {};
    }
    // In the order of their names, whatever order the system lists in.
    std::sort(here.begin(), here.end(), [](const CFolderFile& a, const CFolderFile& b) { return a.name < b.name; });
    for (const CFolderFile& file : here) files.push_back(current / file.name);
    std::sort(subfolders.begin(), subfolders.end());
    for (auto it = subfolders.rbegin(); it != subfolders.rend(); ++it) {
      std::filesystem::path subfolder = current / *it;
      if (!enter || enter(subfolder)) pending.push_back(std::move(subfolder));
    }
  }
  return files;
}

}  // namespace tkq
