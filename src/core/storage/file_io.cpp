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

class Fd {
 public:
  explicit Fd(int fd) : m_fd(fd) {}
  ~Fd() {
    if (m_fd >= 0) ::close(m_fd);
  }
  Fd(const Fd&) = delete;
  Fd& operator=(const Fd&) = delete;
  int get() const { return m_fd; }
  int release() {
    const int fd = m_fd;
    m_fd = -1;
    return fd;
  }

 private:
  int m_fd;
};

[[noreturn]] void ThrowErrno(const std::string& what) {
  throw std::system_error(errno, std::generic_category(), what);
}

}  // namespace

std::vector<uint8_t> ReadWholeFile(const std::filesystem::path& path) {
  Fd fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
  if (fd.get() < 0) throw CFileOpenError(path.string() + ": " + std::strerror(errno));
  struct stat st {};
  if (::fstat(fd.get(), &st) != 0) throw CFileOpenError(path.string() + ": " + std::strerror(errno));
  if (S_ISDIR(st.st_mode)) throw CFileOpenError(path.string() + ": " + std::strerror(EISDIR));
  std::vector<uint8_t> data;
  if (S_ISREG(st.st_mode) && st.st_size > 0) data.reserve(static_cast<size_t>(st.st_size));
  uint8_t buf[65536];
  for (;;) {
    const ssize_t n = ::read(fd.get(), buf, sizeof buf);
    if (n < 0) {
      if (errno == EINTR) continue;
      throw CFileOpenError(path.string() + ": " + std::strerror(errno));
    }
    if (n == 0) break;
    data.insert(data.end(), buf, buf + n);
  }
  return data;
}

void WriteFileAtomically(const std::filesystem::path& requested, std::string_view data) {
  std::filesystem::path path = requested;
  std::error_code ec;
  if (std::filesystem::is_symlink(path, ec)) {
    const auto target = std::filesystem::canonical(path, ec);
    if (!ec) path = target;
  }
  static std::atomic<unsigned> counter{0};
  const std::filesystem::path tmp =
      path.string() + ".tmp" + std::to_string(::getpid()) + "-" + std::to_string(counter++);

  mode_t mode = 0666;  // narrowed by the umask, as a plain new file would be
  struct stat st {};
  const bool existed = ::stat(path.c_str(), &st) == 0;
  if (existed) mode = st.st_mode & 07777;

  Fd fd(::open(tmp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, mode));
  if (fd.get() < 0) ThrowErrno("cannot create " + tmp.string());
  auto fail = [&](const std::string& what) {
    const int err = errno;
    ::close(fd.release());
    ::unlink(tmp.c_str());
    errno = err;
    ThrowErrno(what);
  };
  if (existed) (void)::fchmod(fd.get(), mode);
  size_t done = 0;
  while (done < data.size()) {
    const ssize_t n = ::write(fd.get(), data.data() + done, data.size() - done);
    if (n < 0) {
      if (errno == EINTR) continue;
      fail("cannot write " + path.string());
    }
    done += static_cast<size_t>(n);
  }
  if (::fsync(fd.get()) != 0 && errno != EINVAL) fail("cannot write " + path.string());
  if (::close(fd.release()) != 0) {
    const int err = errno;
    ::unlink(tmp.c_str());
    errno = err;
    ThrowErrno("cannot write " + path.string());
  }
  if (::rename(tmp.c_str(), path.c_str()) != 0) {
    const int err = errno;
    ::unlink(tmp.c_str());
    errno = err;
    ThrowErrno("cannot replace " + path.string());
  }
}

}  // namespace tkq
