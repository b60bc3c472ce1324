// tarvik-kq-sim serve over its pseudo-terminal: with --baud the instrument
// takes only requests sent at its rate, as a real line does; a client at
// another rate (the rate set on its side of the terminal) gets silence.

#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

#include <chrono>
#include <thread>

#include "core/link/crc16.h"
#include "core/link/flash_files.h"
#include "simulator/instrument.h"
#include "support/sim_process.h"
#include "support/test_support.h"

namespace tkq {
namespace {

using Bytes = std::vector<uint8_t>;
using namespace std::chrono_literals;

const Bytes kIdentify = {0x01, 0x11, 0xC0, 0x2C};

// A generated instrument folder.
struct Folder {
  Folder() {
    sim::GenerateOptions options;
    options.records = 2;
    options.end = 1700000000;
    std::string error;
    EXPECT_TRUE(sim::Generate(dir.Path(), options, error)) << error;
  }
  test::TempDir dir;
};

// A client of the pseudo-terminal that sets its rate itself, as a program
// does with termios, and writes and reads raw bytes.
class RawClient {
 public:
  explicit RawClient(const std::string& path) : m_fd(::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK)) {
    EXPECT_GE(m_fd, 0) << path;
  }
  ~RawClient() {
    if (m_fd >= 0) ::close(m_fd);
  }
  RawClient(const RawClient&) = delete;
  RawClient& operator=(const RawClient&) = delete;

  void SetRate(speed_t speed) {
    termios tio{};
    ASSERT_EQ(::tcgetattr(m_fd, &tio), 0);
    ::cfmakeraw(&tio);
    ASSERT_EQ(::cfsetospeed(&tio, speed), 0);
    ASSERT_EQ(::cfsetispeed(&tio, speed), 0);
    ASSERT_EQ(::tcsetattr(m_fd, TCSANOW, &tio), 0);
  }
  void Send(const Bytes& bytes) { ASSERT_EQ(::write(m_fd, bytes.data(), bytes.size()), ssize_t(bytes.size())); }

  // What arrives until `wait` passes without a byte.
  Bytes Receive(std::chrono::milliseconds wait) {
    Bytes got;
    for (;;) {
      pollfd p{m_fd, POLLIN, 0};
      if (::poll(&p, 1, static_cast<int>(wait.count())) <= 0) return got;
      uint8_t chunk[256];
      const ssize_t n = ::read(m_fd, chunk, sizeof chunk);
      if (n <= 0) return got;
      got.insert(got.end(), chunk, chunk + n);
    }
  }

 private:
  int m_fd;
};

bool IsIdentification(const Bytes& answer) {
  return answer.size() > 5 && answer[0] == 1 && answer[1] == 0x11 && answer.size() == answer[2] + 5u &&
         Crc16(answer) == 0;
}

size_t Count(const std::string& text, const std::string& part) {
  size_t n = 0;
  for (size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) ++n;
  return n;
}

TEST(SimLineRate, TheProgramsLinkAtTheInstrumentsRateIsAnswered) {
  Folder folder;
  test::CSimulatorProcess sim(TKQ_SIM_PATH, folder.dir.Path(), {"--baud", "19200"});
  ASSERT_FALSE(sim.Path().empty());
  CTrvKqModbusWithFlFiles link;
  link.SetConnection({sim.Path(), 19200, 1});
  ASSERT_TRUE(link.OpenPort());
  std::string text;
  EXPECT_TRUE(link.ReadIdentification(text));
  EXPECT_EQ(text.rfind("TARVIK", 0), 0u) << text;
}

TEST(SimLineRate, AnotherRateGetsSilenceAndTheNextRequestAtTheRateAnAnswer) {
  Folder folder;
  const auto log = folder.dir / "serve.log";
  test::CSimulatorProcess sim(TKQ_SIM_PATH, folder.dir.Path(), {"--baud", "19200", "--log", log.string()});
  ASSERT_FALSE(sim.Path().empty());
  RawClient client(sim.Path());

  client.SetRate(B9600);
  client.Send(kIdentify);
  EXPECT_EQ(client.Receive(300ms), Bytes{});

  client.SetRate(B19200);
  client.Send(kIdentify);
  EXPECT_TRUE(IsIdentification(client.Receive(300ms)));

  // A frame begun at the rate and ended at another is garbage as a whole:
  // its first half is not completed by the second.
  client.Send({kIdentify[0], kIdentify[1]});
  std::this_thread::sleep_for(15ms);
  client.SetRate(B9600);
  client.Send({kIdentify[2], kIdentify[3]});
  EXPECT_EQ(client.Receive(300ms), Bytes{});

  // The line hung up (B0) carries no rate the instrument could take.
  client.SetRate(B0);
  client.Send(kIdentify);
  EXPECT_EQ(client.Receive(300ms), Bytes{});

  client.SetRate(B19200);
  client.Send(kIdentify);
  EXPECT_TRUE(IsIdentification(client.Receive(300ms)));

  EXPECT_TRUE(sim.Stop());
  // Each garbled frame logged whole, the half taken at the rate with it.
  const std::string text = test::ReadText(log);
  EXPECT_EQ(Count(text, " DROP 01 11 C0 2C  (rate mismatch: line at 9600, instrument at 19200)\n"), 2u) << text;
  EXPECT_EQ(Count(text, " DROP 01 11 C0 2C  (rate mismatch: line hung up (B0), instrument at 19200)\n"), 1u) << text;
  EXPECT_EQ(Count(text, " RX 01 11 C0 2C\n"), 2u) << text;
  EXPECT_EQ(Count(text, " TX 01 11"), 2u) << text;
}

TEST(SimLineRate, AnyRatePacesButAnswersEveryRate) {
  Folder folder;
  test::CSimulatorProcess sim(TKQ_SIM_PATH, folder.dir.Path(), {"--baud", "19200", "--any-rate"});
  ASSERT_FALSE(sim.Path().empty());
  RawClient client(sim.Path());
  for (speed_t speed : {B9600, B0, B115200}) {
    client.SetRate(speed);
    client.Send(kIdentify);
    EXPECT_TRUE(IsIdentification(client.Receive(300ms))) << speed;
  }
}

}  // namespace
}  // namespace tkq
