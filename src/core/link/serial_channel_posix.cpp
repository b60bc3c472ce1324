// The serial channel on a POSIX terminal device (termios).

#include <fcntl.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>

#include "core/link/serial_channel.h"
#include "core/link/serial_ports.h"

namespace tkq {
namespace {

using Clock = std::chrono::steady_clock;

bool SpeedFor(uint32_t baud, speed_t& speed) {
  switch (baud) {
    case 1200: speed = B1200; return true;
    case 2400: speed = B2400; return true;
    case 4800: speed = B4800; return true;
    case 9600: speed = B9600; return true;
    case 19200: speed = B19200; return true;
    case 38400: speed = B38400; return true;
    case 57600: speed = B57600; return true;
    case 115200: speed = B115200; return true;
    case 230400: speed = B230400; return true;
    case 460800: speed = B460800; return true;
    case 921600: speed = B921600; return true;
    default: return false;
  }
}

int RemainingMs(Clock::time_point deadline) {
  const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
  return left > 0 ? static_cast<int>(left) : 0;
}

class CPosixSerialChannel : public CSerialChannel {
 public:
  CPosixSerialChannel() = default;
  ~CPosixSerialChannel() override;
  CPosixSerialChannel(const CPosixSerialChannel&) = delete;
  CPosixSerialChannel& operator=(const CPosixSerialChannel&) = delete;

  bool Open(const std::string& portName, uint32_t baud) override;
  void Close() override;
  bool IsOpen() const override { return m_fd >= 0; }
  void Purge() override;
  bool Write(std::span<const uint8_t> frame, int timeoutMs) override;
  int Read(std::span<uint8_t> buffer, int timeoutMs, const AnswerComplete& complete,
           const std::atomic<bool>* cancel) override;
  int LastOpenError() const override { return m_openError; }

 private:
  int m_fd = -1;
  int m_openError = 0;
};

}  // namespace

std::unique_ptr<CSerialChannel> MakeSerialChannel() { return std::make_unique<CPosixSerialChannel>(); }

CPosixSerialChannel::~CPosixSerialChannel() { Close(); }

bool CPosixSerialChannel::Open(const std::string& portName, uint32_t baud) {
  Close();
  m_openError = 0;
  speed_t speed = B9600;
  if (!SpeedFor(baud, speed)) {
    m_openError = EINVAL;
    return false;
  }
  const std::string path = PortDevicePath(portName);
  const int fd = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) {
    m_openError = errno;
    return false;
  }
  auto fail = [&](int err) {
    ::close(fd);
    m_openError = err;
    return false;
  };
  if (!::isatty(fd)) return fail(ENOTTY);
  // Another program (or this one) holding the port: the lock says so even
  // to root, whom the terminal's exclusive mode does not stop.
  if (::flock(fd, LOCK_EX | LOCK_NB) != 0) return fail(errno == EWOULDBLOCK ? EBUSY : errno);
  if (::ioctl(fd, TIOCEXCL) != 0) return fail(errno);

  termios tio{};
  if (::tcgetattr(fd, &tio) != 0) {
    const int err = errno;
    ::ioctl(fd, TIOCNXCL);
    return fail(err);
  }
  ::cfmakeraw(&tio);
  tio.c_cflag &= ~static_cast<tcflag_t>(CSIZE | PARENB | CSTOPB | CRTSCTS);
  tio.c_cflag |= CS8 | CLOCAL | CREAD;
  tio.c_iflag &= ~static_cast<tcflag_t>(IXON | IXOFF | IXANY);
  tio.c_cc[VMIN] = 0;
  tio.c_cc[VTIME] = 0;
  ::cfsetispeed(&tio, speed);
  ::cfsetospeed(&tio, speed);
  if (::tcsetattr(fd, TCSANOW, &tio) != 0) {
    const int err = errno;
    ::ioctl(fd, TIOCNXCL);
    return fail(err);
  }
  m_fd = fd;
  return true;
}

void CPosixSerialChannel::Close() {
  if (m_fd < 0) return;
  // The exclusive mode belongs to the terminal, not to this descriptor:
  // clear it, or the next open by anyone fails while the line stays open.
  ::ioctl(m_fd, TIOCNXCL);
  ::close(m_fd);
  m_fd = -1;
}

void CPosixSerialChannel::Purge() {
  if (m_fd >= 0) ::tcflush(m_fd, TCIOFLUSH);
}

bool CPosixSerialChannel::Write(std::span<const uint8_t> frame, int timeoutMs) {
  if (m_fd < 0) return false;
  const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
  size_t done = 0;
  while (done < frame.size()) {
    const ssize_t n = ::write(m_fd, frame.data() + done, frame.size() - done);
    if (n > 0) {
      done += static_cast<size_t>(n);
      continue;
    }
    if (n < 0 && errno != EAGAIN && errno != EINTR) return false;
    const int left = RemainingMs(deadline);
    if (left == 0) return true;  // out of time: the answer will not come
    pollfd p{m_fd, POLLOUT, 0};
    if (::poll(&p, 1, left) < 0 && errno != EINTR) return false;
    if (p.revents & (POLLERR | POLLNVAL)) return false;
  }
  return true;
}

int CPosixSerialChannel::Read(std::span<uint8_t> buffer, int timeoutMs, const AnswerComplete& complete,
                              const std::atomic<bool>* cancel) {
  if (m_fd < 0) return -1;
  const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
  size_t got = 0;
  while (got < buffer.size()) {
    if (cancel != nullptr && cancel->load()) break;
    const int left = RemainingMs(deadline);
    if (left == 0) break;
    // Wake now and then to notice a cancel request.
    pollfd p{m_fd, POLLIN, 0};
    const int ready = ::poll(&p, 1, std::min(left, 50));
    if (ready < 0) {
      if (errno == EINTR) continue;
      return -1;
    }
    if (ready == 0) continue;
    if (p.revents & POLLNVAL) return -1;
    const ssize_t n = ::read(m_fd, buffer.data() + got, buffer.size() - got);
    if (n < 0) {
      if (errno == EAGAIN || errno == EINTR) continue;
      return -1;  // the adapter went away
    }
    if (n == 0) {
      if (p.revents & (POLLHUP | POLLERR)) return -1;
      continue;
    }
    got += static_cast<size_t>(n);
    if (complete && complete(buffer.first(got))) break;
  }
  return static_cast<int>(got);
}

}  // namespace tkq
