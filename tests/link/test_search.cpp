// Finding the instrument: the order of the probes, when a port is left, what
// counts as an answer, the cancel and a port that does not open.

#include <gtest/gtest.h>

#include <atomic>
#include <map>
#include <memory>
#include <mutex>
#include <set>

#include "core/archive/instrument_search.h"
#include "core/description/read_param_class.h"
#include "core/link/crc16.h"
#include "support/fake_channel.h"

namespace tkq {
namespace {

using test::WithCrc;
using Bytes = std::vector<uint8_t>;

// An identification answer from `address`: "TARVIK 59.11.03.04" and "SN 1".
Bytes IdentificationFrom(uint8_t address) {
  Bytes frame = {address, 0x11, 0};
  for (const char* text : {"TARVIK 59.11.03.04", "SN 1"}) {
    for (const char* c = text; *c != 0; ++c) frame.push_back(static_cast<uint8_t>(*c));
    frame.push_back(0);
  }
  frame[2] = static_cast<uint8_t>(frame.size() - 3);
  return WithCrc(frame);
}

// Lines with one instrument at most each: port → (rate, address). What
// each line answers can be replaced for a case; every probe is recorded.
struct ProbedLines {
  std::map<std::string, std::pair<uint32_t, uint8_t>> instruments;
  std::set<std::string> absent;
  std::function<Bytes(const std::string& port, uint8_t address)> answer;  // null: the instrument's
  std::mutex mutex;
  std::vector<CLinkSettings> probes;

  ChannelFactory Factory() {
    return [this] {
      auto self = std::make_shared<test::CScriptedChannel*>(nullptr);
      auto channel = std::make_unique<test::CScriptedChannel>([this, self](std::span<const uint8_t> request) -> Bytes {
        const test::CScriptedChannel& line = **self;
        const std::string port = line.openedPort;
        {
          const std::lock_guard lock(mutex);
          probes.push_back({port, line.openedBaud, request[0]});
        }
        EXPECT_EQ(Bytes(request.begin(), request.end()), WithCrc({request[0], 0x11}));  // nothing but function 17
        if (answer) return answer(port, request[0]);
        const auto it = instruments.find(port);
        if (it == instruments.end() || it->second != std::pair(line.openedBaud, request[0])) return {};
        return IdentificationFrom(request[0]);
      });
      *self = channel.get();
      return channel;
    };
  }
};

class SearchRecorder : public CSearchObserver {
 public:
  void OnProbe(const CLinkSettings&, uint64_t tried, uint64_t total) override {
    lastTried = tried;
    lastTotal = total;
  }
  void OnFound(const CFoundInstrument& f) override { found.push_back(f.at.port); }
  void OnPortFailed(const std::string& port, int) override { failed.push_back(port); }
  void OnPortDone(const std::string& port) override { done.insert(port); }
  uint64_t lastTried = 0, lastTotal = 0;
  std::vector<std::string> found, failed;
  std::multiset<std::string> done;
};

}  // namespace
}  // namespace tkq

// gtest's printer for the settings in failure messages.
namespace tkq {
void PrintTo(const CLinkSettings& s, std::ostream* os) { *os << s.port << "@" << s.baudRate << "/" << int(s.address); }
}  // namespace tkq

namespace tkq {
namespace {

TEST(SearchOrder, ConfiguredFirstThenTheQuickThenTheRestEachOnce) {
  const CSearchPlan plan = MakeSearchPlan({"A", "B"}, {"A", 19200, 5}, false);
  const std::vector<CLinkSettings> a = SearchOrder(plan, "A");
  // The settings in use; then addresses 5 and 1 at 19200 and the six rates.
  ASSERT_EQ(a.size(), 12u);
  EXPECT_EQ(a[0], (CLinkSettings{"A", 19200, 5}));
  EXPECT_EQ(a[1], (CLinkSettings{"A", 19200, 1}));
  EXPECT_EQ(a[2], (CLinkSettings{"A", 9600, 5}));
  EXPECT_EQ(a[3], (CLinkSettings{"A", 9600, 1}));
  EXPECT_EQ(a.back(), (CLinkSettings{"A", 1200, 1}));
  // Another port has no first combination of its own: the same quick order.
  EXPECT_EQ(SearchOrder(plan, "B").size(), 12u);
  EXPECT_EQ(SearchOrder(plan, "B")[0], (CLinkSettings{"B", 19200, 5}));

  // The full search: every address at every rate, each once; and its
  // second part alone leaves out what the quick part tried.
  CSearchPlan full = MakeSearchPlan({"A"}, {"A", 9600, 1}, true);
  EXPECT_EQ(SearchOrder(full, "A").size(), 6u * 247u);
  full.quick = false;
  const std::vector<CLinkSettings> rest = SearchOrder(full, "A");
  EXPECT_EQ(rest.size(), 6u * 246u);
  EXPECT_EQ(rest[0], (CLinkSettings{"A", 9600, 2}));
}

// What the user reads of a search: what it tried, and the probes under way.
TEST(SearchTexts, TriedRangesAndProbesUnderWay) {
  EXPECT_EQ(NumberRanges({}), "");
  EXPECT_EQ(NumberRanges({7, 1, 7}), "1, 7");
  EXPECT_EQ(NumberRanges({3, 1, 2, 5, 6, 9, 8, 7}), "1–3, 5–9");
  EXPECT_EQ(NumberRanges({247, 246, 1}), "1, 246, 247");

  // The quick plan: the configured rate and address with the six rates
  // and address 1, each rate once and in ascending order.
  const CSearchPlan quick = MakeSearchPlan({"COM1", "COM3"}, {"COM3", 19200, 12}, false);
  EXPECT_EQ(SearchTriedText(quick, {"COM1", "COM3"}),
            "Порты: COM1, COM3; скорости: 1200, 2400, 4800, 9600, 19200, 38400 бод; адреса: 1, 12");
  CSearchPlan few;
  few.rates = {19200, 9600};
  few.addresses = {1};
  EXPECT_EQ(SearchTriedText(few, {"A"}), "Порты: A; скорости: 9600, 19200 бод; адреса: 1");
  // The configured settings count only on their own port; the full search
  // tries every address.
  few.tryFirst = true;
  few.first = {"B", 1200, 40};
  EXPECT_EQ(SearchTriedText(few, {"A"}), "Порты: A; скорости: 9600, 19200 бод; адреса: 1");
  EXPECT_EQ(SearchTriedText(few, {"B"}), "Порты: B; скорости: 1200, 9600, 19200 бод; адреса: 1, 40");
  few.full = true;
  EXPECT_EQ(SearchTriedText(few, {"A"}), "Порты: A; скорости: 9600, 19200 бод; адреса: 1–247");

  EXPECT_EQ(ProbesText({{"COM3", 9600, 12}, {"COM7", 4800, 1}, {"COM5", 9600, 12}}),
            "COM3, COM5: 9600 бод, адрес 12; COM7: 4800 бод, адрес 1");
  EXPECT_EQ(ProbesText({{"A", 9600, 1}, {"B", 9600, 2}}), "A: 9600 бод, адрес 1; B: 9600 бод, адрес 2");
}

TEST(Search, FindsEachPortsInstrumentAndLeavesThePortThere) {
  ProbedLines lines;
  lines.instruments["A"] = {2400, 1};
  lines.instruments["C"] = {9600, 7};
  CReadParamClass description;
  description.LoadBuiltIn();
  SearchRecorder recorder;
  const CSearchPlan plan = MakeSearchPlan({"A", "B", "C"}, {"C", 9600, 7}, false);
  const auto found = SearchInstruments(plan, &description, recorder, nullptr, lines.Factory());
  ASSERT_EQ(found.size(), 2u);
  EXPECT_EQ(found[0].at, (CLinkSettings{"A", 2400, 1}));
  EXPECT_EQ(found[0].identification, "TARVIK 59.11.03.04 SN 1");
  EXPECT_TRUE(found[0].versionKnown);
  EXPECT_EQ(found[1].at, (CLinkSettings{"C", 9600, 7}));
  // C answered to its first probe; A after 9600, 19200, 38400 and 4800 at
  // addresses 7 and 1, then 2400 at 7 and 1; B through all twelve.
  size_t onA = 0, onB = 0, onC = 0;
  for (const CLinkSettings& p : lines.probes) (p.port == "A" ? onA : p.port == "B" ? onB : onC)++;
  EXPECT_EQ(onC, 1u);
  EXPECT_EQ(onA, 10u);
  EXPECT_EQ(onB, 12u);
  // Each probe counted; the total shrinks by what an answering port leaves
  // untried (by how much at the last probe depends on the threads' pace).
  EXPECT_EQ(recorder.lastTried, 22u);
  EXPECT_GE(recorder.lastTotal, 23u);
  EXPECT_LT(recorder.lastTotal, 36u);
}

TEST(Search, GarbageABadCrcAnotherAddressOrAnExceptionIsSilence) {
  for (int kind = 0; kind < 5; ++kind) {
    ProbedLines lines;
    lines.answer = [kind](const std::string&, uint8_t address) -> Bytes {
      Bytes good = IdentificationFrom(address);
      switch (kind) {
        case 0: return {0xFF, 0x00, 0x13, 0x7E};                           // noise
        case 1: good[5] ^= 1; return good;                                 // a bad CRC
        case 2: return IdentificationFrom(static_cast<uint8_t>(address + 1));  // another address
        case 3: return WithCrc({address, 0x91, 0x01});                     // an exception
        default: return Bytes(good.begin(), good.end() - 3);               // cut short
      }
    };
    SearchRecorder recorder;
    const auto found =
        SearchInstruments(MakeSearchPlan({"A"}, {"A", 9600, 1}, false), nullptr, recorder, nullptr, lines.Factory());
    EXPECT_TRUE(found.empty()) << kind;
    EXPECT_EQ(lines.probes.size(), 6u) << kind;  // no second attempt at any combination
  }
}

TEST(Search, APortThatDoesNotOpenIsSaidOnceAndTheOthersGoOn) {
  ProbedLines lines;
  lines.instruments["B"] = {1200, 1};
  // "A" does not open (ENOENT), whatever the rate.
  struct Refusing : CSerialChannel {
    std::unique_ptr<CSerialChannel> inner;
    bool Open(const std::string& port, uint32_t baud) override { return port != "A" && inner->Open(port, baud); }
    void Close() override { inner->Close(); }
    bool IsOpen() const override { return inner->IsOpen(); }
    void Purge() override { inner->Purge(); }
    bool Write(std::span<const uint8_t> f, int t) override { return inner->Write(f, t); }
    int Read(std::span<uint8_t> b, int t, const AnswerComplete& c, const std::atomic<bool>* x) override {
      return inner->Read(b, t, c, x);
    }
    int LastOpenError() const override { return 2; }
  };
  SearchRecorder recorder;
  const auto found = SearchInstruments(MakeSearchPlan({"A", "B"}, {"A", 9600, 1}, false), nullptr, recorder, nullptr,
                                       [factory = lines.Factory()] {
                                         auto r = std::make_unique<Refusing>();
                                         r->inner = factory();
                                         return r;
                                       });
  EXPECT_EQ(recorder.failed, std::vector<std::string>{"A"});
  // Each port is left once, whether it failed or answered.
  EXPECT_EQ(recorder.done, (std::multiset<std::string>{"A", "B"}));
  ASSERT_EQ(found.size(), 1u);
  EXPECT_EQ(found[0].at, (CLinkSettings{"B", 1200, 1}));
}

TEST(Search, ACancelledSearchProbesNothingMore) {
  ProbedLines lines;
  std::atomic<bool> cancel{false};
  lines.answer = [&cancel](const std::string&, uint8_t) -> Bytes {
    cancel = true;  // set while the first probe is on the line
    return {};
  };
  SearchRecorder recorder;
  const auto found =
      SearchInstruments(MakeSearchPlan({"A"}, {"A", 9600, 1}, true), nullptr, recorder, &cancel, lines.Factory());
  EXPECT_TRUE(found.empty());
  EXPECT_EQ(lines.probes.size(), 1u);
}

}  // namespace
}  // namespace tkq
