// The channel over overlapped operations against drivers that behave and
// one that never ends a read, even when cancelled.

#include <gtest/gtest.h>

#include <array>
#include <chrono>
#include <cstdio>
#include <deque>
#include <thread>
#include <vector>

#include "core/link/overlapped_serial_channel.h"

namespace tkq {
namespace {

using Clock = std::chrono::steady_clock;

// What the fake driver does with the next read: hand over these bytes at
// once, or after a wait, or never end it.
struct CStep {
  enum EKind { kAtOnce, kLater, kNever, kFail } kind = kAtOnce;
  std::vector<uint8_t> bytes;
};

struct CDriverLog {
  int live = 0;  // ports made and not destroyed
  int cancels = 0;
  std::vector<std::vector<uint8_t>> written;
};

class CFakePort : public COverlappedPort {
 public:
  CFakePort(std::deque<CStep> steps, CDriverLog& log) : m_steps(std::move(steps)), m_log(log) { ++m_log.live; }
  ~CFakePort() override { --m_log.live; }

  std::span<uint8_t> ReadBuffer() override { return m_buffer; }
  EStart StartRead(size_t size, size_t& done) override {
    if (m_steps.empty()) m_steps.push_back({CStep::kLater, {}});  // nothing comes: the driver's time-out
    m_current = m_steps.front();
    m_steps.pop_front();
    m_current.bytes.resize(std::min(m_current.bytes.size(), size));
    std::copy(m_current.bytes.begin(), m_current.bytes.end(), m_buffer.begin());
    if (m_current.kind == CStep::kFail) return EStart::kFailed;
    if (m_current.kind != CStep::kAtOnce) return EStart::kPending;
    done = m_current.bytes.size();
    return EStart::kDone;
  }
  EStart StartWrite(std::span<const uint8_t> bytes, size_t& done) override {
    m_log.written.emplace_back(bytes.begin(), bytes.end());
    done = bytes.size();
    return EStart::kDone;
  }
  bool WaitEnded(int ms) override {
    if (m_current.kind == CStep::kNever) {
      std::this_thread::sleep_for(std::chrono::milliseconds(ms));
      return false;
    }
    return true;
  }
  int Result() override { return static_cast<int>(m_current.bytes.size()); }
  void Cancel() override { ++m_log.cancels; }
  void Purge() override {}

 private:
  std::deque<CStep> m_steps;
  CDriverLog& m_log;
  CStep m_current;
  std::array<uint8_t, 16> m_buffer{};
};

COverlappedSerialChannel::Opener Driver(std::deque<CStep> steps, CDriverLog& log, bool opens = true) {
  return [steps, &log, opens](const std::string&, uint32_t, int& error) -> std::unique_ptr<COverlappedPort> {
    if (!opens) {
      error = 2;
      return nullptr;
    }
    return std::make_unique<CFakePort>(steps, log);
  };
}

bool Whole(std::span<const uint8_t> got) { return got.size() >= 5; }

TEST(OverlappedChannel, TakesAnAnswerInItsPiecesAndStopsWhenItIsWhole) {
  CDriverLog log;
  COverlappedSerialChannel channel(Driver({{CStep::kAtOnce, {1, 2}}, {CStep::kLater, {3}}, {CStep::kLater, {4, 5}},
                                          {CStep::kAtOnce, {6}}},
                                         log));
  ASSERT_TRUE(channel.Open("COM7", 38400));
  const std::array<uint8_t, 3> frame{9, 8, 7};
  EXPECT_TRUE(channel.Write(frame, 100));
  ASSERT_EQ(log.written.size(), 1u);
  std::array<uint8_t, 64> buffer{};
  ASSERT_EQ(channel.Read(buffer, 1000, Whole, nullptr), 5);
  EXPECT_EQ((std::vector<uint8_t>(buffer.begin(), buffer.begin() + 5)), (std::vector<uint8_t>{1, 2, 3, 4, 5}));
  EXPECT_EQ(log.cancels, 0);

  // An answer longer than the port's buffer comes in several reads.
  COverlappedSerialChannel big(Driver({{CStep::kAtOnce, std::vector<uint8_t>(16, 1)}, {CStep::kAtOnce, {2, 3}}}, log));
  ASSERT_TRUE(big.Open("COM7", 38400));
  EXPECT_EQ(big.Read(buffer, 200, [](std::span<const uint8_t> got) { return got.size() >= 18; }, nullptr), 18);
  EXPECT_EQ(buffer[17], 3);
}

TEST(OverlappedChannel, APortThatFailsOrDoesNotOpenIsAFailure) {
  CDriverLog log;
  COverlappedSerialChannel missing(Driver({}, log, false));
  EXPECT_FALSE(missing.Open("COM9", 9600));
  EXPECT_EQ(missing.LastOpenError(), 2);
  std::array<uint8_t, 8> buffer{};
  EXPECT_EQ(missing.Read(buffer, 100, Whole, nullptr), -1);
  EXPECT_FALSE(missing.Write(buffer, 100));

  COverlappedSerialChannel pulled(Driver({{CStep::kAtOnce, {1}}, {CStep::kFail, {}}}, log));
  ASSERT_TRUE(pulled.Open("COM9", 9600));
  EXPECT_EQ(pulled.Read(buffer, 500, Whole, nullptr), -1);
}

TEST(OverlappedChannel, SilenceEndsAtTheTimeOutWithWhatCame) {
  CDriverLog log;
  COverlappedSerialChannel channel(Driver({{CStep::kAtOnce, {1, 2}}}, log));
  ASSERT_TRUE(channel.Open("COM7", 38400));
  std::array<uint8_t, 8> buffer{};
  EXPECT_EQ(channel.Read(buffer, 60, Whole, nullptr), 2);
  EXPECT_TRUE(channel.IsOpen());
  EXPECT_EQ(log.live, 1);
}

// A USB adapter's driver that never ends a read, not even on a cancel: the
// read ends with the port's failure shortly after the cancel wait, the port
// is given up (not closed: that could hang too) and the channel is closed.
TEST(OverlappedChannel, AReadTheDriverNeverEndsIsGivenUp) {
  CDriverLog log;
  const size_t abandonedBefore = COverlappedSerialChannel::AbandonedPorts();
  COverlappedSerialChannel channel(Driver({{CStep::kAtOnce, {1}}, {CStep::kNever, {}}}, log));
  ASSERT_TRUE(channel.Open("COM7", 38400));
  std::atomic<bool> cancel{false};
  std::array<uint8_t, 8> buffer{};
  std::thread stopper([&cancel] {
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    cancel = true;
  });
  const auto started = Clock::now();
  EXPECT_EQ(channel.Read(buffer, 60'000, Whole, &cancel), -1);
  const auto took = std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - started).count();
  stopper.join();
  EXPECT_LT(took, 100 + COverlappedSerialChannel::kCancelWaitMs + 1000) << "ms";
  std::printf("a read the driver never ends, cancelled after 100 ms: over after %lld ms\n",
              static_cast<long long>(took));
  EXPECT_EQ(log.cancels, 1);
  EXPECT_FALSE(channel.IsOpen());
  EXPECT_EQ(log.live, 1);  // abandoned, not destroyed
  EXPECT_EQ(COverlappedSerialChannel::AbandonedPorts(), abandonedBefore + 1);

  // Out of time without a cancel: the same.
  COverlappedSerialChannel timed(Driver({{CStep::kNever, {}}}, log), 50);
  ASSERT_TRUE(timed.Open("COM8", 38400));
  EXPECT_EQ(timed.Read(buffer, 100, Whole, nullptr), -1);
  EXPECT_FALSE(timed.IsOpen());
  EXPECT_EQ(timed.Read(buffer, 100, Whole, nullptr), -1);
}

}  // namespace
}  // namespace tkq
