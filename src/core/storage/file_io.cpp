#include "core/storage/file_io.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstring>
#include <new>
#include <string>
#include <system_error>
#include <utility>

namespace tkq {
namespace {

[[noreturn]] void ThrowErrno(int err, const std::string& what) {
  throw std::system_error(err, std::generic_category(), what);
}

std::function<int(CFileStep)>& FaultHook() {
  static std::function<int(CFileStep)> hook;
  return hook;
}

// The errno a test makes `step` fail with, or 0 to carry it out.
int InjectedFault(CFileStep step) {
  const auto& hook = FaultHook();
  return hook ? hook(step) : 0;
}

}  // namespace

std::vector<uint8_t> ReadWholeFile(const std::filesystem::path& path, uint64_t maxSize) {
  const auto failure = [&](const std::string& why) { return CFileOpenError(path.string() + ": " + why); };
  // Only a regular file of a size the caller can take reads. The name is
  // looked at before it is opened, as opening a pipe waits for a writer and
  // opening a device may act on it.
  const auto check = [&](const struct stat& st) {
    if (S_ISDIR(st.st_mode)) throw failure(std::strerror(EISDIR));
    if (!S_ISREG(st.st_mode)) throw failure("not a regular file");
    if (static_cast<uint64_t>(st.st_size) > maxSize) {
      throw CFileTooLargeError(path.string() + ": " + std::to_string(st.st_size) + " bytes, more than the " +
                               std::to_string(maxSize) + " such a file can hold");
    }
  };
  struct stat st {};
  if (::stat(path.c_str(), &st) != 0) throw failure(std::strerror(errno));
  check(st);
  // Not blocking all the same, should the name have changed meanwhile.
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
  if (fd < 0) throw failure(std::strerror(errno));
  struct Closer {
    int fd;
    ~Closer() { ::close(fd); }
  } closer{fd};
  if (::fstat(fd, &st) != 0) throw failure(std::strerror(errno));
  check(st);
  std::vector<uint8_t> data;
  try {
    data.reserve(static_cast<size_t>(st.st_size));
    uint8_t buf[65536];
    for (;;) {
      const ssize_t n = ::read(fd, buf, sizeof buf);
      if (n < 0) {
        if (errno == EINTR) continue;
        throw failure(std::strerror(errno));
      }
      if (n == 0) break;
      // A file that grows while it is read stops at the same limit.
      if (data.size() + static_cast<size_t>(n) > maxSize) {
        throw CFileTooLargeError(path.string() + ": more than the " + std::to_string(maxSize) +
                                 " bytes such a file can hold");
      }
      data.insert(data.end(), buf, buf + n);
    }
  } catch (const std::bad_alloc&) {
    throw failure("not enough memory for " + std::to_string(st.st_size) + " bytes");
  }
  return data;
}

CAtomicFile::CAtomicFile(const std::filesystem::path& requested) : m_path(requested) {
  std::error_code ec;
  if (std::filesystem::is_symlink(m_path, ec)) {
    const auto target = std::filesystem::canonical(m_path, ec);
    if (!ec) m_path = target;
  }
  static std::atomic<unsigned> counter{0};
  m_tmp = m_path.string() + ".tmp" + std::to_string(::getpid()) + "-" + std::to_string(counter++);

  mode_t mode = 0666;  // narrowed by the umask, as a plain new file would be
  struct stat st {};
  const bool existed = ::stat(m_path.c_str(), &st) == 0;
  // A rename would put a file in place of the device or pipe.
  if (existed && !S_ISREG(st.st_mode)) {
    ThrowErrno(S_ISDIR(st.st_mode) ? EISDIR : EINVAL, "cannot replace " + m_path.string() + ", not a regular file");
  }
  if (existed) mode = st.st_mode & 07777;
  if (const int err = InjectedFault(CFileStep::kCreate)) ThrowErrno(err, "cannot create " + m_path.string());
  m_fd = ::open(m_tmp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, mode);
  if (m_fd < 0) ThrowErrno(errno, "cannot create " + m_path.string());
  if (existed) (void)::fchmod(m_fd, mode);
}

CAtomicFile::~CAtomicFile() { Discard(); }

void CAtomicFile::Discard() {
  if (m_fd < 0) return;
  ::close(m_fd);
  ::unlink(m_tmp.c_str());
  m_fd = -1;
}

void CAtomicFile::Write(std::string_view data) {
  size_t done = 0;
  while (done < data.size()) {
    const int injected = InjectedFault(CFileStep::kWrite);
    const ssize_t n = injected != 0 ? -1 : ::write(m_fd, data.data() + done, data.size() - done);
    if (n < 0) {
      if (injected == 0 && errno == EINTR) continue;
      const int err = injected != 0 ? injected : errno;
      Discard();
      ThrowErrno(err, "cannot write " + m_path.string());
    }
    done += static_cast<size_t>(n);
  }
}

void CAtomicFile::Commit() {
  // The data reach the disk before the name points at them, so a crash
  // leaves the old file or the new one, never an empty one.
  const int syncFault = InjectedFault(CFileStep::kSync);
  if (syncFault != 0 || (::fsync(m_fd) != 0 && errno != EINVAL)) {
    const int err = syncFault != 0 ? syncFault : errno;
    Discard();
    ThrowErrno(err, "cannot write " + m_path.string());
  }
  const int fd = m_fd;
  m_fd = -1;
  // Where a network file system reports writes it had deferred.
  const int closeFault = InjectedFault(CFileStep::kClose);
  if (::close(fd) != 0 || closeFault != 0) {
    const int err = closeFault != 0 ? closeFault : errno;
    ::unlink(m_tmp.c_str());
    ThrowErrno(err, "cannot write " + m_path.string());
  }
  const int renameFault = InjectedFault(CFileStep::kRename);
  if (renameFault != 0 || ::rename(m_tmp.c_str(), m_path.c_str()) != 0) {
    const int err = renameFault != 0 ? renameFault : errno;
    ::unlink(m_tmp.c_str());
    ThrowErrno(err, "cannot replace " + m_path.string());
  }
}

void WriteFileAtomically(const std::filesystem::path& path, std::string_view data) {
  CAtomicFile file(path);
  file.Write(data);
  file.Commit();
}

void SetFileFaultHook(std::function<int(CFileStep)> hook) { FaultHook() = std::move(hook); }

}  // namespace tkq
