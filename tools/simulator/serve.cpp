#include "simulator/serve.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

#include <CLI/CLI.hpp>
#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <map>
#include <memory>
#include <ostream>
#include <span>
#include <string>
#include <vector>

#include "core/link/crc16.h"
#include "simulator/instrument.h"
#include "simulator/sim_cli.h"

namespace tkq::sim {
namespace {

// A file descriptor closed when the object goes.
class CDescriptor {
 public:
  CDescriptor() = default;
  explicit CDescriptor(int fd) : m_fd(fd) {}
  ~CDescriptor() {
    if (m_fd >= 0) close(m_fd);
  }
  CDescriptor(const CDescriptor&) = delete;
  CDescriptor& operator=(const CDescriptor&) = delete;
  CDescriptor& operator=(int fd) {
    if (m_fd >= 0) close(m_fd);
    m_fd = fd;
    return *this;
  }
  operator int() const { return m_fd; }

 private:
  int m_fd = -1;
};

volatile sig_atomic_t g_stop = 0;
int g_wakeWrite = -1;

void OnSignal(int) {
  g_stop = 1;
  const char c = 0;
  [[maybe_unused]] const ssize_t n = write(g_wakeWrite, &c, 1);
}

int64_t NowNs() {
  return std::chrono::duration_cast<std::chrono::nanoseconds>(std::chrono::steady_clock::now().time_since_epoch())
      .count();
}

constexpr int64_t kMs = 1000000;
constexpr int64_t kPauseNs = 50 * kMs;    // drops unframed bytes after this silence
constexpr int64_t kStuckNs = 5000 * kMs;  // gives up an answer nobody reads
constexpr size_t kMaxPending = 1024;      // unframed bytes kept at most

std::optional<speed_t> SpeedOf(int64_t baud) {
  static const std::map<int64_t, speed_t> kSpeeds = {
      {300, B300},     {600, B600},     {1200, B1200},   {2400, B2400},     {4800, B4800},     {9600, B9600},
      {19200, B19200}, {38400, B38400}, {57600, B57600}, {115200, B115200}, {230400, B230400},
  };
  auto it = kSpeeds.find(baud);
  if (it == kSpeeds.end()) return std::nullopt;
  return it->second;
}

// The baud of a termios speed code; 0 for B0, -1 for a rate not named here.
int64_t RateOf(speed_t speed) {
  static const std::map<speed_t, int64_t> kRates = {
      {B0, 0},           {B50, 50},       {B75, 75},         {B110, 110},       {B134, 134},
      {B150, 150},       {B200, 200},     {B300, 300},       {B600, 600},       {B1200, 1200},
      {B1800, 1800},     {B2400, 2400},   {B4800, 4800},     {B9600, 9600},     {B19200, 19200},
      {B38400, 38400},   {B57600, 57600}, {B115200, 115200}, {B230400, 230400},
#ifdef B460800
      {B460800, 460800},
#endif
#ifdef B921600
      {B921600, 921600},
#endif
  };
  auto it = kRates.find(speed);
  if (it != kRates.end()) return it->second;
  // A C library whose speed codes are the rates themselves passes any other
  // rate through as its number; elsewhere the code stands for a rate set by
  // other means, which this program cannot read.
  if constexpr (B9600 == 9600) return static_cast<int64_t>(speed);
  return -1;
}

class CServer {
 public:
  // rateFd: a descriptor of the client's terminal, whose rate must be
  // `baud` for a request to be taken; -1 takes requests at any rate.
  CServer(CInstrument& instrument, int fd, int wakeFd, int rateFd, int64_t baud, int64_t latencyMs, FILE* log)
      : m_inst(instrument),
        m_fd(fd),
        m_wakeFd(wakeFd),
        m_rateFd(rateFd),
        m_baud(baud),
        m_byteNs(baud > 0 ? 10'000'000'000 / baud : 0),
        m_latencyNs(latencyMs * kMs),
        m_log(log),
        m_t0(NowNs()) {}

  int Run(std::ostream& err);

 private:
  void Log(int64_t at, const char* what, const std::vector<uint8_t>& bytes, const char* note = "");
  void ReadInput(int64_t now);
  // Why bytes arriving now are garbage to the instrument, or "" when they
  // come at its rate.
  std::string RateMismatch() const;
  void Take(size_t length, int64_t ready, int64_t now);
  // Bytes to skip to reach a whole request with a good CRC, or 0.
  size_t Resync() const;
  // The time something is next due, or -1.
  int64_t Step(int64_t now);

  CInstrument& m_inst;
  int m_fd;
  int m_wakeFd;
  int m_rateFd;
  int64_t m_baud;
  int64_t m_byteNs;
  int64_t m_latencyNs;
  FILE* m_log;
  int64_t m_t0;

  std::vector<uint8_t> m_in;
  std::vector<int64_t> m_arrival;  // per byte of m_in
  int64_t m_lastByte = 0;
  int64_t m_quietUntil = 0;  // after a hang-up of a served tty

  std::vector<uint8_t> m_out;
  size_t m_outPos = 0;
  int64_t m_outStart = 0;
  bool m_outBlocked = false;
};

void CServer::Log(int64_t at, const char* what, const std::vector<uint8_t>& bytes, const char* note) {
  if (m_log == nullptr) return;
  std::fprintf(m_log, "%.3f %s", static_cast<double>(at - m_t0) / kMs, what);
  for (uint8_t b : bytes) std::fprintf(m_log, " %02X", b);
  std::fprintf(m_log, "%s\n", note);
  std::fflush(m_log);
}

std::string CServer::RateMismatch() const {
  if (m_rateFd < 0) return "";
  termios tio{};
  if (tcgetattr(m_rateFd, &tio) != 0) return "";
  // The request went out at the client's output rate. B0 is no rate at all
  // but an order to hang up: the port drops DTR and RTS, and what becomes
  // of bytes written then is up to the driver (Linux's keeps the UART at
  // 9600, others stop; an adapter fed from those lines goes dead). Nothing
  // an instrument could count on, so it is a mismatch like any other rate;
  // a client that never set a rate has the terminal's last one, not B0.
  const speed_t speed = cfgetospeed(&tio);
  const int64_t rate = RateOf(speed);
  if (rate == m_baud) return "";
  const std::string line = speed == B0 ? "hung up (B0)"
                           : rate < 0  ? "at a rate set by other means"
                                       : "at " + std::to_string(rate);
  return "rate mismatch: line " + line + ", instrument at " + std::to_string(m_baud);
}

void CServer::ReadInput(int64_t now) {
  uint8_t chunk[512];
  for (;;) {
    const ssize_t n = read(m_fd, chunk, sizeof chunk);
    if (n > 0) {
      const std::string mismatch = RateMismatch();
      if (!mismatch.empty()) {
        // Bytes sent at another rate are garbage to the instrument: it
        // drops them with whatever part of a frame it held, and stays
        // silent. The next request at its rate starts afresh.
        std::vector<uint8_t> dropped = std::move(m_in);
        dropped.insert(dropped.end(), chunk, chunk + n);
        m_in.clear();
        m_arrival.clear();
        Log(now, "DROP", dropped, ("  (" + mismatch + ")").c_str());
        continue;
      }
      m_in.insert(m_in.end(), chunk, chunk + n);
      m_arrival.insert(m_arrival.end(), static_cast<size_t>(n), now);
      m_lastByte = now;
      if (m_in.size() > 4 * kMaxPending) {
        // A flood while an answer goes out: keep only the latest bytes.
        const auto cut = static_cast<std::ptrdiff_t>(m_in.size() - kMaxPending);
        m_in.erase(m_in.begin(), m_in.begin() + cut);
        m_arrival.erase(m_arrival.begin(), m_arrival.begin() + cut);
      }
      continue;
    }
    if (n < 0 && errno == EINTR) continue;
    if (n == 0 || (n < 0 && errno != EAGAIN && errno != EWOULDBLOCK)) {
      // The far end of a served tty went away: look again in a while.
      m_quietUntil = now + 100 * kMs;
    }
    return;
  }
}

void CServer::Take(size_t length, int64_t ready, int64_t now) {
  std::vector<uint8_t> frame(m_in.begin(), m_in.begin() + static_cast<std::ptrdiff_t>(length));
  m_in.erase(m_in.begin(), m_in.begin() + static_cast<std::ptrdiff_t>(length));
  m_arrival.erase(m_arrival.begin(), m_arrival.begin() + static_cast<std::ptrdiff_t>(length));
  // On a paced line the bytes behind the frame cannot have arrived before
  // the frame itself was through.
  for (int64_t& at : m_arrival) at = std::max(at, ready);
  std::vector<uint8_t> answer = m_inst.Answer(frame);
  Log(now, "RX", frame, answer.empty() ? "  (no answer)" : "");
  if (answer.empty()) return;
  m_out = std::move(answer);
  m_outPos = 0;
  m_outStart = ready + m_latencyNs;
}

size_t CServer::Resync() const {
  for (size_t k = 1; k + 4 <= m_in.size(); ++k) {
    const std::span<const uint8_t> rest(m_in.data() + k, m_in.size() - k);
    const size_t length = RequestLength(rest);
    if (length != 0 && length != SIZE_MAX && length <= rest.size() && Crc16(rest.first(length)) == 0) return k;
  }
  return 0;
}

int64_t CServer::Step(int64_t now) {
  for (;;) {
    if (!m_out.empty()) {
      if (now < m_outStart) return m_outStart;
      if (m_outPos == 0 && !m_outBlocked) Log(now, "TX", m_out);
      size_t due = m_out.size();
      if (m_byteNs > 0) due = std::min<size_t>(due, static_cast<size_t>((now - m_outStart) / m_byteNs) + 1);
      while (m_outPos < due) {
        const ssize_t n = write(m_fd, m_out.data() + m_outPos, due - m_outPos);
        if (n > 0) {
          m_outPos += static_cast<size_t>(n);
          continue;
        }
        if (n < 0 && errno == EINTR) continue;
        break;
      }
      m_outBlocked = m_outPos < due;
      if (m_outBlocked && now - m_outStart > kStuckNs) {
        Log(now, "TX", {}, "  (answer dropped: nobody reads the line)");
        m_outPos = m_out.size();
      }
      if (m_outPos < m_out.size()) {
        if (m_outBlocked) return now + 10 * kMs;
        // Small chunks, at most one a millisecond, rather than a call per byte.
        return std::max(m_outStart + static_cast<int64_t>(m_outPos) * m_byteNs, now + kMs);
      }
      m_out.clear();
      m_outBlocked = false;
      now = NowNs();
    }
    if (m_in.empty()) return -1;
    const size_t length = RequestLength(m_in);
    if (length != 0 && length != SIZE_MAX && m_in.size() >= length) {
      const int64_t ready =
          m_byteNs > 0 ? m_arrival[0] + static_cast<int64_t>(length) * m_byteNs : m_arrival[length - 1];
      if (now < ready) return ready;
      // Answers are timed from the request's end, not from when the loop
      // came round to it (up to a millisecond later; more after an answer).
      now = NowNs();
      Take(length, std::max(ready, now - kMs), now);
      continue;
    }
    if (length == SIZE_MAX) {
      // Noise ahead of a whole request: skip to the request.
      const size_t skip = Resync();
      if (skip > 0) {
        Log(now, "DROP", std::vector<uint8_t>(m_in.begin(), m_in.begin() + static_cast<std::ptrdiff_t>(skip)));
        m_in.erase(m_in.begin(), m_in.begin() + static_cast<std::ptrdiff_t>(skip));
        m_arrival.erase(m_arrival.begin(), m_arrival.begin() + static_cast<std::ptrdiff_t>(skip));
        continue;
      }
    }
    if (now - m_lastByte < kPauseNs && m_in.size() <= kMaxPending) return m_lastByte + kPauseNs;
    // Bytes no request of known length accounts for, ended by a pause: a
    // whole frame of a function the instrument does not know still gets
    // its exception answer, anything else is line noise.
    if (length == SIZE_MAX && m_in.size() >= 4 && m_in.size() <= kMaxPending && Crc16(m_in) == 0) {
      Take(m_in.size(), now, now);
      continue;
    }
    Log(now, "DROP", m_in);
    m_in.clear();
    m_arrival.clear();
    return -1;
  }
}

int CServer::Run(std::ostream& err) {
  while (!g_stop) {
    int64_t now = NowNs();
    const int64_t due = Step(now);
    now = NowNs();
    int timeoutMs = -1;
    if (due >= 0) timeoutMs = due <= now ? 0 : static_cast<int>(std::min<int64_t>((due - now + kMs - 1) / kMs, 1000));
    const bool listen = now >= m_quietUntil;
    if (!listen) {
      const int quiet = static_cast<int>((m_quietUntil - now + kMs - 1) / kMs);
      timeoutMs = timeoutMs < 0 ? quiet : std::min(timeoutMs, quiet);
    }
    pollfd fds[2] = {{m_wakeFd, POLLIN, 0}, {m_fd, 0, 0}};
    if (listen) fds[1].events = POLLIN;
    if (m_outBlocked) fds[1].events |= POLLOUT;
    const int r = poll(fds, 2, timeoutMs);
    if (r < 0 && errno != EINTR) return Failure(err, std::string("poll: ") + std::strerror(errno));
    if (r > 0 && (fds[1].revents & (POLLIN | POLLHUP | POLLERR))) ReadInput(NowNs());
  }
  return 0;
}

bool MakeRaw(int fd, std::optional<speed_t> speed, std::string& error) {
  termios tio{};
  if (tcgetattr(fd, &tio) != 0) {
    error = std::string("cannot read the line settings: ") + std::strerror(errno);
    return false;
  }
  cfmakeraw(&tio);
  tio.c_cflag &= ~static_cast<tcflag_t>(CSTOPB | PARENB | CSIZE);
  tio.c_cflag |= CS8 | CREAD | CLOCAL;
  tio.c_cc[VMIN] = 1;
  tio.c_cc[VTIME] = 0;
  if (speed && (cfsetispeed(&tio, *speed) != 0 || cfsetospeed(&tio, *speed) != 0)) {
    error = "cannot set the line speed";
    return false;
  }
  if (tcsetattr(fd, TCSANOW, &tio) != 0) {
    error = std::string("cannot set the line raw: ") + std::strerror(errno);
    return false;
  }
  return true;
}

// The simulated faults the options ask for.
void SetFaults(const ServeOptions& o, CInstrument& instrument) {
  instrument.faults.silent = o.silent;
  instrument.faults.silentFirst = static_cast<int>(o.silentFirst);
  instrument.faults.badCrcAt = static_cast<int>(o.badCrcAt);
  instrument.faults.wrongAddress = o.wrongAddress;
  instrument.faults.exceptionCode = static_cast<int>(o.exceptionCode);
  instrument.faults.exceptionFrom = static_cast<int>(o.exceptionFrom);
  instrument.faults.refuseSubfunction = static_cast<int>(o.refuse);
  instrument.faults.badControlBlockLength = o.badFcbLength;
  instrument.faults.shortPieces = o.shortPieces;
}

// Opens the line served: the terminal --tty, raw at `speed`, or a new
// pseudo-terminal whose other side is held open in `slave`. The failure's
// status, or nothing when the line is open.
std::optional<int> OpenLine(const ServeOptions& o, std::optional<speed_t> speed, CDescriptor& fd, CDescriptor& slave,
                            std::string& linePath, std::ostream& err) {
  constexpr std::string_view kCommand = "serve";
  std::string error;
  if (o.tty) {
    linePath = *o.tty;
    fd = open(linePath.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK);
    if (fd < 0) return UsageError(err, kCommand, "cannot open " + linePath + ": " + std::strerror(errno));
    if (!isatty(fd)) return UsageError(err, kCommand, linePath + " is not a terminal");
    if (!MakeRaw(fd, speed, error)) return Failure(err, linePath + ": " + error);
  } else {
    fd = posix_openpt(O_RDWR | O_NOCTTY);
    if (fd < 0 || grantpt(fd) != 0 || unlockpt(fd) != 0 || ptsname(fd) == nullptr) {
      return Failure(err, std::string("cannot make a pseudo-terminal: ") + std::strerror(errno));
    }
    linePath = ptsname(fd);
    // Held open for the whole run, so that the line never hangs up between
    // the program's opens of the port.
    slave = open(linePath.c_str(), O_RDWR | O_NOCTTY);
    if (slave < 0) return Failure(err, "cannot open " + linePath + ": " + std::strerror(errno));
    if (!MakeRaw(slave, std::nullopt, error)) return Failure(err, linePath + ": " + error);
    fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) | O_NONBLOCK);
  }
  return std::nullopt;
}

// SIGINT, SIGTERM and SIGHUP stop the server (OnSignal); a client that
// goes away is no signal.
void CatchStopSignals() {
  struct sigaction sa {};
  sa.sa_handler = OnSignal;
  sigemptyset(&sa.sa_mask);
  sigaction(SIGINT, &sa, nullptr);
  sigaction(SIGTERM, &sa, nullptr);
  sigaction(SIGHUP, &sa, nullptr);
  signal(SIGPIPE, SIG_IGN);
}

}  // namespace

void AddServeOptions(CLI::App& command, ServeOptions& o) {
  command.add_option("DIR", o.dir, "The instrument folder: its 8.3 files and identification.txt")->required();
  AddTextOption(command, "--tty", o.tty, "Serve an existing serial port instead (raw, 8N1)")->type_name("PATH");
  AddTextOption(command, "--link", o.link, "Also make a symbolic link PATH to the pseudo-terminal")->type_name("PATH");
  AddNumberOption(command, "--address", o.address, 1, 247, "Device address (default 1)")->type_name("A");
  AddTextOption(command, "--id1", o.id1, "First identification text (default: identification.txt)")->type_name("TEXT");
  AddTextOption(command, "--id2", o.id2, "Second identification text")->type_name("TEXT");
  AddNumberOption(command, "--baud", o.baud, 50, 4000000,
                  "Pace the line at B baud (10 bits a byte) and, on the pseudo-terminal, stay silent to requests "
                  "the client sends at another rate, as the instrument does; default: no pacing, any rate")
      ->type_name("B");
  command.add_flag("--any-rate", o.anyRate,
                   "With --baud on the pseudo-terminal: pace only, answer a client at any rate");
  AddNumberOption(command, "--latency", o.latencyMs, 0, 60000, "Delay before each answer")->type_name("MS");
  AddTextOption(command, "--log", o.log, "One line per frame: time in ms, direction, bytes")->type_name("FILE");

  const std::string faults = "Faults";
  command.add_flag("--silent", o.silent, "Never answer")->group(faults);
  AddNumberOption(command, "--silent-first", o.silentFirst, 0, INT32_MAX, "Leave the first K requests unanswered")
      ->type_name("K")
      ->group(faults);
  AddNumberOption(command, "--bad-crc-at", o.badCrcAt, 1, INT32_MAX, "Corrupt the CRC of the N-th answer")
      ->group(faults);
  command.add_flag("--wrong-address", o.wrongAddress, "Answer from address A+1")->group(faults);
  command
      .add_option_function<std::string>(
          "--exception",
          [&o](const std::string& text) {
            const size_t at = text.find('@');
            const auto code = ParseDecimal(std::string_view(text).substr(0, at), 1, 255);
            const auto from = at == std::string::npos
                                  ? std::optional<int64_t>(1)
                                  : ParseDecimal(std::string_view(text).substr(at + 1), 1, INT32_MAX);
            if (!code || !from) {
              throw CLI::ValidationError(
                  "--exception takes CODE or CODE@FROM, a code 1 to 255 and a request number from 1");
            }
            o.exceptionCode = *code;
            o.exceptionFrom = *from;
          },
          "Answer every request (from the FROM-th on) with that exception code")
      ->type_name("CODE[@FROM]")
      ->group(faults);
  AddNumberOption(command, "--refuse", o.refuse, 0, 255, "Refuse subfunction SUB of function 69")
      ->type_name("SUB")
      ->group(faults);
  command.add_flag("--bad-fcb-length", o.badFcbLength, "Control block answers carry a wrong length byte")
      ->group(faults);
  command.add_flag("--short-pieces", o.shortPieces, "Read answers deliver half the bytes asked for")->group(faults);
}

int RunServe(const ServeOptions& o, std::ostream& out, std::ostream& err) {
  constexpr std::string_view kCommand = "serve";
  std::optional<speed_t> speed;
  if (o.tty) {
    speed = SpeedOf(o.baud != 0 ? o.baud : 9600);
    if (!speed) return UsageError(err, kCommand, "--baud with --tty must be a standard rate (300 to 230400)");
    if (o.link) return UsageError(err, kCommand, "--link makes a link to a new pseudo-terminal, not to --tty");
    if (o.anyRate) {
      return UsageError(err, kCommand, "--any-rate is for the pseudo-terminal: --tty sets the port's rate");
    }
  }

  std::string error;
  CInstrument instrument(static_cast<uint8_t>(o.address), "", "");
  if (!instrument.LoadFolder(o.dir, error)) return UsageError(err, kCommand, error);
  // Typed in the terminal's UTF-8, sent in the instrument's code page.
  if (o.id1) instrument.id1 = InstrumentText(*o.id1);
  if (o.id2) instrument.id2 = InstrumentText(*o.id2);
  SetFaults(o, instrument);

  std::unique_ptr<FILE, int (*)(FILE*)> log(nullptr, std::fclose);
  if (o.log) {
    log.reset(std::fopen(o.log->c_str(), "w"));
    if (log == nullptr) return UsageError(err, kCommand, "cannot write the log " + *o.log);
  }

  CDescriptor fd, slave;
  std::string linePath;
  if (const std::optional<int> failed = OpenLine(o, speed, fd, slave, linePath, err)) return *failed;

  if (o.link) {
    const std::string& link = *o.link;
    struct stat st {};
    if (lstat(link.c_str(), &st) == 0) {
      if (!S_ISLNK(st.st_mode)) return UsageError(err, kCommand, link + " exists and is not a symbolic link");
      unlink(link.c_str());
    }
    if (symlink(linePath.c_str(), link.c_str()) != 0) {
      return Failure(err, "cannot make the link " + link + ": " + std::strerror(errno));
    }
  }

  int wake[2];
  if (pipe(wake) != 0) return Failure(err, "cannot make a pipe");
  const CDescriptor wakeRead(wake[0]), wakeWrite(wake[1]);
  fcntl(wake[0], F_SETFL, fcntl(wake[0], F_GETFL) | O_NONBLOCK);
  fcntl(wake[1], F_SETFL, fcntl(wake[1], F_GETFL) | O_NONBLOCK);
  g_stop = 0;
  g_wakeWrite = wake[1];
  CatchStopSignals();

  out << linePath << std::endl;

  // The client sets the rate on the pseudo-terminal's side it opens; the
  // settings belong to the terminal, so the side held here reads them.
  // (A served tty has the rate set above: a mismatch there is physical.)
  const int rateFd = !o.tty && o.baud > 0 && !o.anyRate ? static_cast<int>(slave) : -1;
  CServer server(instrument, fd, wake[0], rateFd, o.baud, o.latencyMs, log.get());
  const int status = server.Run(err);
  g_wakeWrite = -1;

  if (o.link) {
    char target[4096];
    const ssize_t n = readlink(o.link->c_str(), target, sizeof target);
    if (n >= 0 && std::string(target, static_cast<size_t>(n)) == linePath) unlink(o.link->c_str());
  }
  return status;
}

}  // namespace tkq::sim
