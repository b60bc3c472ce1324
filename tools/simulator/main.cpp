// tarvik-kq-sim: a Tarvik KQ instrument on a pseudo-terminal (or a real
// serial port) for trying the program without the instrument, and a
// generator of realistic instrument folders.

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <charconv>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <iostream>
#include <map>
#include <optional>
#include <set>
#include <span>
#include <string>
#include <vector>

#include "instrument.h"
#include "link/crc16.h"

namespace {

using tkq::sim::CInstrument;

constexpr int kExitFailure = 1;
constexpr int kExitUsage = 2;

constexpr const char* kUsage = R"(Usage:
  tarvik-kq-sim [serve] DIR [options]
      Serve the instrument folder DIR (its 8.3 files and identification.txt)
      as a Tarvik KQ on a new pseudo-terminal, whose path is printed on the
      first line; runs until interrupted.
        --tty PATH        serve an existing serial port instead (raw, 8N1)
        --link PATH       also make a symbolic link PATH to the pseudo-terminal
        --address A       device address (default 1)
        --id1 TEXT        first identification text (default: identification.txt)
        --id2 TEXT        second identification text
        --baud B          pace the line at B baud (10 bits a byte); default: no pacing
        --latency MS      delay before each answer
        --log FILE        one line per frame: time in ms, direction, bytes
      Faults:
        --silent          never answer
        --silent-first K  leave the first K requests unanswered
        --bad-crc-at N    corrupt the CRC of the N-th answer
        --wrong-address   answer from address A+1
        --exception CODE[@FROM]  answer every request (from the FROM-th on)
                          with that exception code
        --refuse SUB      refuse subfunction SUB of function 69
        --bad-fcb-length  control block answers carry a wrong length byte
        --short-pieces    read answers deliver half the bytes asked for

  tarvik-kq-sim generate DIR [options]
      Write a realistic instrument folder.
        --version NAME    firmware version (default "TARVIK 59.11.03.04")
        --objects LIST    object numbers 1..20, e.g. 1,3,5-7 (default 1)
        --records N       measurement records per object (default 8760)
        --period S        archive period in seconds (default 3600)
        --first T --second T   archived quantity types 0..6 (default 0 and 1)
        --end EPOCH       time of the last record (default: this hour)
        --serial TEXT     second identification text (default "SN 0001234")
        --seed N          seed of the outages and abnormal situations (default 1)
        --corrupt-record  give one record in the middle a wrong check byte
)";

int UsageError(const std::string& what) {
  std::cerr << "tarvik-kq-sim: " << what << "\n\n" << kUsage;
  return kExitUsage;
}

int Failure(const std::string& what) {
  std::cerr << "tarvik-kq-sim: " << what << "\n";
  return kExitFailure;
}

// --- command line ---

struct Args {
  std::vector<std::string> positional;
  std::map<std::string, std::string> options;
};

const std::set<std::string> kValueOptions = {
    "--tty",      "--link",    "--address", "--id1",     "--id2",     "--baud",   "--latency", "--log",
    "--silent-first", "--bad-crc-at", "--exception", "--refuse", "--version", "--objects", "--records",
    "--period",   "--first",   "--second",  "--end",     "--serial",  "--seed"};
const std::set<std::string> kFlagOptions = {"--silent", "--wrong-address", "--bad-fcb-length", "--short-pieces",
                                            "--corrupt-record", "--help", "-h"};

std::optional<Args> Parse(int argc, char** argv, std::string& error) {
  Args args;
  for (int i = 1; i < argc; ++i) {
    std::string a = argv[i];
    if (a.size() < 2 || a[0] != '-') {
      args.positional.push_back(a);
      continue;
    }
    std::optional<std::string> value;
    if (const size_t eq = a.find('='); eq != std::string::npos && a.starts_with("--")) {
      value = a.substr(eq + 1);
      a.resize(eq);
    }
    if (kFlagOptions.count(a)) {
      if (value) {
        error = a + " takes no value";
        return std::nullopt;
      }
      args.options[a] = "";
    } else if (kValueOptions.count(a)) {
      if (!value) {
        if (i + 1 >= argc) {
          error = a + " needs a value";
          return std::nullopt;
        }
        value = argv[++i];
      }
      args.options[a] = *value;
    } else {
      error = "unknown option " + a;
      return std::nullopt;
    }
  }
  return args;
}

bool ParseNumber(const std::string& text, int64_t lo, int64_t hi, int64_t& out) {
  const char* end = text.data() + text.size();
  auto [p, ec] = std::from_chars(text.data(), end, out);
  return ec == std::errc() && p == end && !text.empty() && out >= lo && out <= hi;
}

// Reads option `name` as a number in [lo, hi] into `out` when present.
bool NumberOption(const Args& args, const std::string& name, int64_t lo, int64_t hi, int64_t& out,
                  std::string& error) {
  auto it = args.options.find(name);
  if (it == args.options.end()) return true;
  if (ParseNumber(it->second, lo, hi, out)) return true;
  error = name + " must be a number from " + std::to_string(lo) + " to " + std::to_string(hi) + ", not \"" +
          it->second + "\"";
  return false;
}

bool Has(const Args& args, const std::string& name) { return args.options.count(name) != 0; }

// "1,3,5-7" -> 1 3 5 6 7.
bool ParseObjects(const std::string& text, std::vector<int>& objects) {
  objects.clear();
  size_t from = 0;
  while (from <= text.size()) {
    size_t comma = text.find(',', from);
    if (comma == std::string::npos) comma = text.size();
    const std::string item = text.substr(from, comma - from);
    const size_t dash = item.find('-');
    int64_t lo = 0, hi = 0;
    if (dash == std::string::npos) {
      if (!ParseNumber(item, 1, 20, lo)) return false;
      hi = lo;
    } else if (!ParseNumber(item.substr(0, dash), 1, 20, lo) || !ParseNumber(item.substr(dash + 1), lo, 20, hi)) {
      return false;
    }
    for (int64_t n = lo; n <= hi; ++n) objects.push_back(static_cast<int>(n));
    from = comma + 1;
  }
  return !objects.empty();
}

// --- generate ---

int Generate(const Args& args) {
  if (args.positional.size() != 2) return UsageError("generate takes one folder");
  tkq::sim::GenerateOptions o;
  std::string error;
  int64_t records = static_cast<int64_t>(o.records), period = o.period, first = o.firstType,
          second = o.secondType, end = 0, seed = o.seed;
  if (!NumberOption(args, "--records", 0, 1000000, records, error) ||
      !NumberOption(args, "--period", 1, 31 * 86400, period, error) ||
      !NumberOption(args, "--first", 0, 6, first, error) || !NumberOption(args, "--second", 0, 6, second, error) ||
      !NumberOption(args, "--end", 1, UINT32_MAX, end, error) ||
      !NumberOption(args, "--seed", 0, UINT32_MAX, seed, error)) {
    return UsageError(error);
  }
  if (Has(args, "--objects") && !ParseObjects(args.options.at("--objects"), o.objects)) {
    return UsageError("--objects takes numbers 1 to 20 and ranges, e.g. 1,3,5-7");
  }
  for (const char* serveOnly : {"--tty", "--link", "--address", "--id1", "--id2", "--baud", "--latency", "--log",
                                "--silent", "--silent-first", "--bad-crc-at", "--wrong-address", "--exception",
                                "--refuse", "--bad-fcb-length", "--short-pieces"}) {
    if (Has(args, serveOnly)) return UsageError(std::string(serveOnly) + " is an option of serve");
  }
  if (Has(args, "--version")) o.version = args.options.at("--version");
  if (Has(args, "--serial")) o.serial = args.options.at("--serial");
  o.records = static_cast<size_t>(records);
  o.period = static_cast<uint32_t>(period);
  o.firstType = static_cast<int>(first);
  o.secondType = static_cast<int>(second);
  o.end = end;
  o.seed = static_cast<uint32_t>(seed);
  o.corruptRecord = Has(args, "--corrupt-record");
  if (!tkq::sim::Generate(args.positional[1], o, error)) {
    std::cerr << "tarvik-kq-sim: " << error << "\n";
    return kExitUsage;
  }
  return 0;
}

// --- serve ---

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
constexpr int64_t kPauseNs = 50 * kMs;       // drops unframed bytes after this silence
constexpr int64_t kStuckNs = 5000 * kMs;     // gives up an answer nobody reads
constexpr size_t kMaxPending = 1024;         // unframed bytes kept at most

std::optional<speed_t> SpeedOf(int64_t baud) {
  static const std::map<int64_t, speed_t> kSpeeds = {
      {300, B300},       {600, B600},       {1200, B1200},     {2400, B2400},     {4800, B4800},
      {9600, B9600},     {19200, B19200},   {38400, B38400},   {57600, B57600},   {115200, B115200},
      {230400, B230400},
  };
  auto it = kSpeeds.find(baud);
  if (it == kSpeeds.end()) return std::nullopt;
  return it->second;
}

class CServer {
 public:
  CServer(CInstrument& instrument, int fd, int wakeFd, int64_t baud, int64_t latencyMs, FILE* log)
      : m_inst(instrument),
        m_fd(fd),
        m_wakeFd(wakeFd),
        m_byteNs(baud > 0 ? 10'000'000'000 / baud : 0),
        m_latencyNs(latencyMs * kMs),
        m_log(log),
        m_t0(NowNs()) {}

  int Run();

 private:
  void Log(int64_t at, const char* what, const std::vector<uint8_t>& bytes, const char* note = "");
  void ReadInput(int64_t now);
  void Take(size_t length, int64_t ready, int64_t now);
  // Bytes to skip to reach a whole request with a good CRC, or 0.
  size_t Resync() const;
  // The time something is next due, or -1.
  int64_t Step(int64_t now);

  CInstrument& m_inst;
  int m_fd;
  int m_wakeFd;
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

void CServer::ReadInput(int64_t now) {
  uint8_t chunk[512];
  for (;;) {
    const ssize_t n = read(m_fd, chunk, sizeof chunk);
    if (n > 0) {
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
    const size_t length = tkq::sim::RequestLength(rest);
    if (length != 0 && length != SIZE_MAX && length <= rest.size() && tkq::Crc16(rest.first(length)) == 0) return k;
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
    const size_t length = tkq::sim::RequestLength(m_in);
    if (length != 0 && length != SIZE_MAX && m_in.size() >= length) {
      const int64_t ready = m_byteNs > 0 ? m_arrival[0] + static_cast<int64_t>(length) * m_byteNs
                                         : m_arrival[length - 1];
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
    if (length == SIZE_MAX && m_in.size() >= 4 && m_in.size() <= kMaxPending && tkq::Crc16(m_in) == 0) {
      Take(m_in.size(), now, now);
      continue;
    }
    Log(now, "DROP", m_in);
    m_in.clear();
    m_arrival.clear();
    return -1;
  }
}

int CServer::Run() {
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
    if (r < 0 && errno != EINTR) return Failure(std::string("poll: ") + std::strerror(errno));
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

int Serve(const Args& args, size_t dirIndex) {
  if (args.positional.size() != dirIndex + 1) return UsageError("serve takes one folder");
  for (const char* generateOnly :
       {"--version", "--objects", "--records", "--period", "--first", "--second", "--end", "--serial", "--seed",
        "--corrupt-record"}) {
    if (Has(args, generateOnly)) return UsageError(std::string(generateOnly) + " is an option of generate");
  }
  std::string error;
  int64_t address = 1, baud = 0, latency = 0, silentFirst = 0, badCrcAt = 0, refuse = -1;
  if (!NumberOption(args, "--address", 1, 247, address, error) ||
      !NumberOption(args, "--baud", 50, 4000000, baud, error) ||
      !NumberOption(args, "--latency", 0, 60000, latency, error) ||
      !NumberOption(args, "--silent-first", 0, INT32_MAX, silentFirst, error) ||
      !NumberOption(args, "--bad-crc-at", 1, INT32_MAX, badCrcAt, error) ||
      !NumberOption(args, "--refuse", 0, 255, refuse, error)) {
    return UsageError(error);
  }
  int64_t exceptionCode = 0, exceptionFrom = 1;
  if (Has(args, "--exception")) {
    const std::string& text = args.options.at("--exception");
    const size_t at = text.find('@');
    if (!ParseNumber(text.substr(0, at), 1, 255, exceptionCode) ||
        (at != std::string::npos && !ParseNumber(text.substr(at + 1), 1, INT32_MAX, exceptionFrom))) {
      return UsageError("--exception takes CODE or CODE@FROM, a code 1 to 255 and a request number from 1");
    }
  }
  std::optional<speed_t> speed;
  const bool tty = Has(args, "--tty");
  if (tty) {
    speed = SpeedOf(baud != 0 ? baud : 9600);
    if (!speed) return UsageError("--baud with --tty must be a standard rate (300 to 230400)");
    if (Has(args, "--link")) return UsageError("--link makes a link to a new pseudo-terminal, not to --tty");
  }

  CInstrument instrument(static_cast<uint8_t>(address), "", "");
  const std::string dir = args.positional[dirIndex];
  if (!instrument.LoadFolder(dir, error)) return UsageError(error);
  // Typed in the terminal's UTF-8, sent in the instrument's code page.
  if (Has(args, "--id1")) instrument.id1 = tkq::sim::InstrumentText(args.options.at("--id1"));
  if (Has(args, "--id2")) instrument.id2 = tkq::sim::InstrumentText(args.options.at("--id2"));
  instrument.faults.silent = Has(args, "--silent");
  instrument.faults.silentFirst = static_cast<int>(silentFirst);
  instrument.faults.badCrcAt = static_cast<int>(badCrcAt);
  instrument.faults.wrongAddress = Has(args, "--wrong-address");
  instrument.faults.exceptionCode = static_cast<int>(exceptionCode);
  instrument.faults.exceptionFrom = static_cast<int>(exceptionFrom);
  instrument.faults.refuseSubfunction = static_cast<int>(refuse);
  instrument.faults.badControlBlockLength = Has(args, "--bad-fcb-length");
  instrument.faults.shortPieces = Has(args, "--short-pieces");

  FILE* log = nullptr;
  if (Has(args, "--log")) {
    log = std::fopen(args.options.at("--log").c_str(), "w");
    if (log == nullptr) return UsageError("cannot write the log " + args.options.at("--log"));
  }

  int fd = -1, slave = -1;
  std::string linePath;
  if (tty) {
    linePath = args.options.at("--tty");
    fd = open(linePath.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK);
    if (fd < 0) return UsageError("cannot open " + linePath + ": " + std::strerror(errno));
    if (!isatty(fd)) return UsageError(linePath + " is not a terminal");
    if (!MakeRaw(fd, speed, error)) return Failure(linePath + ": " + error);
  } else {
    fd = posix_openpt(O_RDWR | O_NOCTTY);
    if (fd < 0 || grantpt(fd) != 0 || unlockpt(fd) != 0 || ptsname(fd) == nullptr) {
      return Failure(std::string("cannot make a pseudo-terminal: ") + std::strerror(errno));
    }
    linePath = ptsname(fd);
    // Held open for the whole run, so that the line never hangs up between
    // the program's opens of the port.
    slave = open(linePath.c_str(), O_RDWR | O_NOCTTY);
    if (slave < 0) return Failure("cannot open " + linePath + ": " + std::strerror(errno));
    if (!MakeRaw(slave, std::nullopt, error)) return Failure(linePath + ": " + error);
    fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) | O_NONBLOCK);
  }

  std::string link;
  if (Has(args, "--link")) {
    link = args.options.at("--link");
    struct stat st {};
    if (lstat(link.c_str(), &st) == 0) {
      if (!S_ISLNK(st.st_mode)) return UsageError(link + " exists and is not a symbolic link");
      unlink(link.c_str());
    }
    if (symlink(linePath.c_str(), link.c_str()) != 0) {
      return Failure("cannot make the link " + link + ": " + std::strerror(errno));
    }
  }

  int wake[2];
  if (pipe(wake) != 0) return Failure("cannot make a pipe");
  fcntl(wake[0], F_SETFL, fcntl(wake[0], F_GETFL) | O_NONBLOCK);
  fcntl(wake[1], F_SETFL, fcntl(wake[1], F_GETFL) | O_NONBLOCK);
  g_wakeWrite = wake[1];
  struct sigaction sa {};
  sa.sa_handler = OnSignal;
  sigemptyset(&sa.sa_mask);
  sigaction(SIGINT, &sa, nullptr);
  sigaction(SIGTERM, &sa, nullptr);
  sigaction(SIGHUP, &sa, nullptr);
  signal(SIGPIPE, SIG_IGN);

  std::cout << linePath << std::endl;

  CServer server(instrument, fd, wake[0], baud, latency, log);
  const int status = server.Run();

  if (!link.empty()) {
    char target[4096];
    const ssize_t n = readlink(link.c_str(), target, sizeof target);
    if (n >= 0 && std::string(target, static_cast<size_t>(n)) == linePath) unlink(link.c_str());
  }
  if (log != nullptr) std::fclose(log);
  if (slave >= 0) close(slave);
  close(fd);
  return status;
}

}  // namespace

int main(int argc, char** argv) {
  std::string error;
  const auto args = Parse(argc, argv, error);
  if (!args) return UsageError(error);
  if (Has(*args, "--help") || Has(*args, "-h")) {
    std::cout << kUsage;
    return 0;
  }
  if (args->positional.empty()) return UsageError("name an instrument folder");
  const std::string& command = args->positional[0];
  if (command == "generate") return Generate(*args);
  if (command == "serve") return Serve(*args, 1);
  return Serve(*args, 0);
}
