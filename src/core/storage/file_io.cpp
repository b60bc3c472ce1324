#include "storage/file_io.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstring>
#include <string>
#include <system_error>

namespace tkq {
namespace {

[[noreturn]] void ThrowErrno(int err, const std::string& what) {
  throw std::system_error(err, std::generic_category(), what);
}

}  // namespace

std::vector<uint8_t> ReadWholeFile(const std::filesystem::path& path) {
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) throw CFileOpenError(path.string() + ": " + std::strerror(errno));
  struct Closer {
    int fd;
    ~Closer() { ::close(fd); }
  } closer{fd};
  struct stat st {};
  if (::fstat(fd, &st) != 0) throw CFileOpenError(path.string() + ": " + std::strerror(errno));
  if (S_ISDIR(st.st_mode)) throw CFileOpenError(path.string() + ": " + std::strerror(EISDIR));
  std::vector<uint8_t> data;
  if (S_ISREG(st.st_mode) && st.st_size > 0) data.reserve(static_cast<size_t>(st.st_size));
  uint8_t buf[65536];
  for (;;) {
    const ssize_t n = ::read(fd, buf, sizeof buf);
    if (n < 0) {
      if (errno == EINTR) continue;
      throw CFileOpenError(path.string() + ": " + std::strerror(errno));
    }
    if (n == 0) break;
    data.insert(data.end(), buf, buf + n);
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
  if (existed) mode = st.st_mode & 07777;
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
    const ssize_t n = ::write(m_fd, data.data() + done, data.size() - done);
    if (n < 0) {
      if (errno == EINTR) continue;
      const int err = errno;
      Discard();
      ThrowErrno(err, "cannot write " + m_path.string());
    }
    done += static_cast<size_t>(n);
  }
}

void CAtomicFile::Commit() {
  // The data reach the disk before the name points at them, so a crash
  // leaves the old file or the new one, never an empty one.
  if (::fsync(m_fd) != 0 && errno != EINVAL) {
    const int err = errno;
    Discard();
    ThrowErrno(err, "cannot write " + m_path.string());
  }
  const int fd = m_fd;
  m_fd = -1;
  if (::close(fd) != 0) {
    const int err = errno;
    ::unlink(m_tmp.c_str());
    ThrowErrno(err, "cannot write " + m_path.string());
  }
  if (::rename(m_tmp.c_str(), m_path.c_str()) != 0) {
    const int err = errno;
    ::unlink(m_tmp.c_str());
    ThrowErrno(err, "cannot replace " + m_path.string());
  }
}

void WriteFileAtomically(const std::filesystem::path& path, std::string_view data) {
  CAtomicFile file(path);
  file.Write(data);
  file.Commit();
}

}  // namespace tkq
