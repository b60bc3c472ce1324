// Files on POSIX systems: descriptors, fsync and rename.

#include <dirent.h>
#include <fcntl.h>
#include <stdio.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

#include "core/storage/file_io.h"
#include "core/storage/file_io_shared.h"

namespace tkq {

using detail::InjectedFault;
using detail::EFileAction;
using detail::ThrowFileError;

namespace {

detail::CFileKind KindOf(const struct stat& st) {
  return {S_ISDIR(st.st_mode), S_ISREG(st.st_mode), static_cast<uint64_t>(st.st_size)};
}

}  // namespace

std::vector<uint8_t> ReadWholeFile(const std::filesystem::path& path, uint64_t maxSize) {
  // The name is looked at before it is opened, as opening a pipe waits for
  // a writer and opening a device may act on it.
  struct stat st {};
  if (::stat(path.c_str(), &st) != 0) throw detail::OpenFailure(path, errno);
  detail::CheckReadable(path, KindOf(st), maxSize);
  // Not blocking all the same, should the name have changed meanwhile.
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
  if (fd < 0) throw detail::OpenFailure(path, errno);
  struct Closer {
    int fd;
    ~Closer() { ::close(fd); }
  } closer{fd};
  if (::fstat(fd, &st) != 0) throw detail::OpenFailure(path, errno);
  detail::CheckReadable(path, KindOf(st), maxSize);
  return detail::ReadToEnd(path, static_cast<uint64_t>(st.st_size), maxSize,
                           [fd](uint8_t* buffer, size_t room, int& err) -> int64_t {
                             for (;;) {
                               const ssize_t n = ::read(fd, buffer, room);
                               if (n >= 0 || errno != EINTR) {
                                 err = errno;
                                 return n;
                               }
                             }
                           });
}

CAtomicFile::CAtomicFile(const std::filesystem::path& requested) : m_path(requested) {
  std::error_code ec;
  if (std::filesystem::is_symlink(m_path, ec)) {
    const auto target = std::filesystem::canonical(m_path, ec);
    if (!ec) m_path = target;
  }
  m_tmp = detail::NameBeside(m_path, ".tmp", static_cast<unsigned long>(::getpid()));

  mode_t mode = 0666;  // narrowed by the umask, as a plain new file would be
  struct stat st {};
  const bool existed = ::stat(m_path.c_str(), &st) == 0;
  // A rename would put a file in place of the device or pipe.
  if (existed && !S_ISREG(st.st_mode)) {
    ThrowFileError(S_ISDIR(st.st_mode) ? EISDIR : EINVAL, EFileAction::kReplace, m_path,
                   S_ISDIR(st.st_mode) ? std::string() : detail::kReasonNotRegular);
  }
  if (existed) mode = st.st_mode & 07777;
  if (const int err = InjectedFault(EFileStep::kCreate)) ThrowFileError(err, EFileAction::kCreate, m_path);
  const int fd = ::open(m_tmp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, mode);
  if (fd < 0) ThrowFileError(errno, EFileAction::kCreate, m_path);
  m_file = fd;
  if (existed) (void)::fchmod(fd, mode);
}

CAtomicFile::~CAtomicFile() { Discard(); }

void CAtomicFile::Discard() {
  if (m_file < 0) return;
  ::close(static_cast<int>(m_file));
  ::unlink(m_tmp.c_str());
  m_file = -1;
}

void CAtomicFile::Write(std::string_view data) {
  const int fd = static_cast<int>(m_file);
  size_t done = 0;
  while (done < data.size()) {
    const int injected = InjectedFault(EFileStep::kWrite);
    const ssize_t n = injected != 0 ? -1 : ::write(fd, data.data() + done, data.size() - done);
    if (n < 0) {
      if (injected == 0 && errno == EINTR) continue;
      const int err = injected != 0 ? injected : errno;
      Discard();
      ThrowFileError(err, EFileAction::kWrite, m_path);
    }
    done += static_cast<size_t>(n);
  }
}

void CAtomicFile::Commit() {
  const int fd = static_cast<int>(m_file);
  // The data reach the disk before the name points at them, so a crash
  // leaves the old file or the new one, never an empty one.
  const int syncFault = InjectedFault(EFileStep::kSync);
  if (syncFault != 0 || (::fsync(fd) != 0 && errno != EINVAL)) {
    const int err = syncFault != 0 ? syncFault : errno;
    Discard();
    ThrowFileError(err, EFileAction::kWrite, m_path);
  }
  m_file = -1;
  // Where a network file system reports writes it had deferred.
  const int closeFault = InjectedFault(EFileStep::kClose);
  if (::close(fd) != 0 || closeFault != 0) {
    const int err = closeFault != 0 ? closeFault : errno;
    ::unlink(m_tmp.c_str());
    ThrowFileError(err, EFileAction::kWrite, m_path);
  }
  const int renameFault = InjectedFault(EFileStep::kRename);
  if (renameFault != 0 || ::rename(m_tmp.c_str(), m_path.c_str()) != 0) {
    const int err = renameFault != 0 ? renameFault : errno;
    ::unlink(m_tmp.c_str());
    ThrowFileError(err, EFileAction::kReplace, m_path);
  }
}

void CopyFileInto(const std::filesystem::path& from, CAtomicFile& to) {
  const int fd = ::open(from.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) ThrowFileError(errno, EFileAction::kReadBack, from);
  struct Closer {
    int fd;
    ~Closer() { ::close(fd); }
  } closer{fd};
  std::vector<char> buffer(1 << 20);
  for (;;) {
    const ssize_t n = ::read(fd, buffer.data(), buffer.size());
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) ThrowFileError(errno, EFileAction::kReadBack, from);
    if (n == 0) break;
    to.Write(std::string_view(buffer.data(), static_cast<size_t>(n)));
  }
}

bool RemoveFile(const std::filesystem::path& path) { return ::unlink(path.c_str()) == 0 || errno == ENOENT; }

bool FileStamp(const std::filesystem::path& path, int64_t& size, int64_t& modified) {
  struct stat st {};
  if (::stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return false;
  size = static_cast<int64_t>(st.st_size);
  modified = static_cast<int64_t>(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec;
  return true;
}

namespace {

// Calls `take(folder's descriptor, entry)` for each entry of `folder`
// ("." and ".." left out); sets `ec` when the folder cannot be read.
template <class Take>
void ReadFolder(const std::filesystem::path& folder, std::error_code& ec, Take&& take) {
  ec.clear();
  DIR* dir = ::opendir(folder.c_str());
  if (dir == nullptr) {
    ec.assign(errno, std::generic_category());
    return;
  }
  struct Closer {
    DIR* dir;
    ~Closer() { ::closedir(dir); }
  } closer{dir};
  for (;;) {
    errno = 0;
    const dirent* entry = ::readdir(dir);
    if (entry == nullptr) {
      if (errno != 0) ec.assign(errno, std::generic_category());
      return;
    }
    const std::string_view name = entry->d_name;
    if (name != "." && name != "..") take(::dirfd(dir), *entry);
  }
}

}  // namespace

std::vector<CFolderFile> ListFolderFiles(const std::filesystem::path& folder, std::error_code& ec) {
  std::vector<CFolderFile> files;
  ReadFolder(folder, ec, [&](int dirFd, const dirent& entry) {
    if (entry.d_type != DT_REG && entry.d_type != DT_LNK && entry.d_type != DT_UNKNOWN) return;
    // Looked at beside the folder's own descriptor: no path walked again.
    struct stat st {};
    if (::fstatat(dirFd, entry.d_name, &st, 0) != 0 || !S_ISREG(st.st_mode)) return;
    files.push_back({entry.d_name, static_cast<int64_t>(st.st_size),
                     static_cast<int64_t>(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec});
  });
  return files;
}

EFileKind FileKindOf(const std::filesystem::path& path) {
  struct stat st {};
  if (::stat(path.c_str(), &st) != 0) {
    return errno == ENOENT || errno == ENOTDIR ? EFileKind::kMissing : EFileKind::kOther;
  }
  if (S_ISREG(st.st_mode)) return EFileKind::kFile;
  if (S_ISDIR(st.st_mode)) return EFileKind::kFolder;
  return EFileKind::kOther;
}

void CreateFolders(const std::filesystem::path& path, std::error_code& ec) {
  ec.clear();
  std::filesystem::create_directories(path, ec);
  if (!ec && FileKindOf(path) != EFileKind::kFolder) ec = std::make_error_code(std::errc::not_a_directory);
}

std::vector<std::filesystem::path> ListSubfolders(const std::filesystem::path& folder, std::error_code& ec) {
  std::vector<std::filesystem::path> folders;
  ReadFolder(folder, ec, [&](int dirFd, const dirent& entry) {
    if (entry.d_type == DT_UNKNOWN) {
      // The link itself looked at, never where it leads.
      struct stat st {};
      if (::fstatat(dirFd, entry.d_name, &st, AT_SYMLINK_NOFOLLOW) != 0 || !S_ISDIR(st.st_mode)) return;
    } else if (entry.d_type != DT_DIR) {
      return;
    }
    folders.emplace_back(entry.d_name);
  });
  return folders;
}

bool SameFile(const std::filesystem::path& a, const std::filesystem::path& b) {
  struct stat first {};
  struct stat second {};
  return ::stat(a.c_str(), &first) == 0 && ::stat(b.c_str(), &second) == 0 && first.st_dev == second.st_dev &&
         first.st_ino == second.st_ino;
}

int64_t SecondsOfStamp(int64_t modified) {
  // Nanoseconds: rounded down, as a time before 1970 is too.
  return modified >= 0 ? modified / 1000000000 : -((-modified + 999999999) / 1000000000);
}

bool MoveFileNoReplace(const std::filesystem::path& from, const std::filesystem::path& to) {
  if (::renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0) return true;
  int err = errno;
  if (err == EINVAL || err == ENOSYS || err == ENOTSUP) {
    // A file system that cannot refuse to replace: looked at first.
    struct stat st {};
    if (::lstat(to.c_str(), &st) == 0) return false;
    if (::rename(from.c_str(), to.c_str()) == 0) return true;
    err = errno;
  }
  if (err == EEXIST) return false;
  ThrowFileError(err, EFileAction::kMove, from);
}

std::string LibraryFileName(const std::filesystem::path& path) { return path.string(); }

void ClearSystemError() { errno = 0; }

int SystemError() { return errno; }

std::filesystem::path CreateScratchFileBeside(const std::filesystem::path& path, std::string_view tag) {
  std::string name = path.string() + std::string(tag) + "-XXXXXX";
  const int fd = ::mkstemp(name.data());
  if (fd < 0) ThrowFileError(errno, EFileAction::kCreateBeside, path);
  ::close(fd);
  return name;
}

}  // namespace tkq
