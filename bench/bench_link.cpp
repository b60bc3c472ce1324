// A read of one object over a pseudo-terminal from tarvik-kq-sim, which
// paces its bytes as a line of the given rate would and answers after 5 ms:
// the wall time against the line time (every request and answer byte at 10
// bits, plus the latency of every answer). Also the identification alone,
// and the search for the instrument: the quick search that finds it at the
// slowest rate on one of four ports, the quick search that finds nothing,
// the full search of one rate on a silent line, and how soon a cancelled
// search returns.

#include <benchmark/benchmark.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <thread>
#include <filesystem>
#include <string>
#include <vector>

#include "core/archive/archive_read.h"
#include "core/archive/instrument_search.h"
#include "core/archive/object_definition.h"
#include "core/description/read_param_class.h"
#include "simulator/instrument.h"
#include "support/sim_process.h"

using namespace tkq;

namespace {

constexpr int kLatencyMs = 5;

const std::filesystem::path& Folder() {
  static const std::filesystem::path dir = [] {
    auto path = std::filesystem::temp_directory_path() / ("tkq-bench-link-" + std::to_string(::getpid()));
    sim::GenerateOptions options;
    options.objects = {1};
    options.records = 8760;  // a year of hourly records
    options.end = 1700000000;
    std::string error;
    if (!sim::Generate(path, options, error)) std::fprintf(stderr, "generate: %s\n", error.c_str());
    return path;
  }();
  return dir;
}

class Simulator : public test::CSimulatorProcess {
 public:
  explicit Simulator(uint32_t baud)
      : CSimulatorProcess(TKQ_SIM_PATH, Folder(),
                          {"--baud", std::to_string(baud), "--latency", std::to_string(kLatencyMs)}) {}
};

void ReadOneObject(benchmark::State& state) {
  const auto baud = static_cast<uint32_t>(state.range(0));
  Simulator sim(baud);
  CReadParamClass description;
  description.LoadBuiltIn();
  double ratio = 0;
  uint64_t bytes = 0;
  for (auto _ : state) {
    CTrvKqModbusWithFlFiles link;
    link.SetConnection({sim.Path(), baud, 1});
    CArchiveRead read(1);
    const auto start = std::chrono::steady_clock::now();
    if (!ReadArchive(link, description, read)) state.SkipWithError("the read failed");
    const double wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    const CLineCounters& c = link.Counters();
    bytes = c.bytesSent + c.bytesReceived;
    const double line =
        static_cast<double>(bytes) * 10.0 / baud + kLatencyMs / 1000.0 * static_cast<double>(c.requests);
    ratio = wall / line;
    state.counters["requests"] = static_cast<double>(c.requests);
  }
  state.counters["wall_to_line"] = ratio;
  state.counters["line_bytes"] = static_cast<double>(bytes);
}

void Identification(benchmark::State& state) {
  const auto baud = static_cast<uint32_t>(state.range(0));
  Simulator sim(baud);
  for (auto _ : state) {
    CModbus link;
    link.SetConnection({sim.Path(), baud, 1});
    std::string text;
    if (!link.OpenPort() || !link.ReadIdentification(text)) state.SkipWithError("no identification");
    link.ClosePort();
  }
}

// The search's own latency, as the issue measures it: an instrument that
// answers after 20 ms.
constexpr int kSearchLatencyMs = 20;

class SearchLine : public test::CSimulatorProcess {
 public:
  SearchLine(uint32_t baud, std::vector<std::string> extra)
      : CSimulatorProcess(TKQ_SIM_PATH, Folder(), Options(baud, std::move(extra))) {}

 private:
  static std::vector<std::string> Options(uint32_t baud, std::vector<std::string> extra) {
    std::vector<std::string> o = {"--baud", std::to_string(baud), "--latency", std::to_string(kSearchLatencyMs)};
    o.insert(o.end(), extra.begin(), extra.end());
    return o;
  }
};

double Seconds(std::chrono::steady_clock::time_point since) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - since).count();
}

// The instrument at address 1 at 1200 baud on the last of four ports; two
// ports absent, one silent; the settings in use are another port's 9600.
void QuickSearchFindsAt1200(benchmark::State& state) {
  SearchLine instrument(1200, {});
  SearchLine silent(9600, {"--silent"});
  const std::vector<std::string> ports = {"/nonexistent/ttyA", silent.Path(), "/nonexistent/ttyB", instrument.Path()};
  CSearchObserver quiet;
  for (auto _ : state) {
    const auto start = std::chrono::steady_clock::now();
    const auto found = SearchInstruments(MakeSearchPlan(ports, {ports[0], 9600, 1}, false), nullptr, quiet, nullptr);
    state.SetIterationTime(Seconds(start));
    if (found.size() != 1 || found[0].at.baudRate != 1200) state.SkipWithError("not found at 1200");
  }
}

// Nothing on any of four ports (two silent, two absent); the settings in
// use name address 5, so the quick search tries 5 and 1 at each rate.
void QuickSearchFindsNothing(benchmark::State& state) {
  SearchLine a(9600, {"--silent"});
  SearchLine b(1200, {"--silent"});
  const std::vector<std::string> ports = {a.Path(), b.Path(), "/nonexistent/ttyA", "/nonexistent/ttyB"};
  CSearchObserver quiet;
  for (auto _ : state) {
    const auto start = std::chrono::steady_clock::now();
    const auto found = SearchInstruments(MakeSearchPlan(ports, {ports[0], 9600, 5}, false), nullptr, quiet, nullptr);
    state.SetIterationTime(Seconds(start));
    if (!found.empty()) state.SkipWithError("found something");
  }
}

// Every address at one rate on a silent line; the figure is per address.
void FullSearchOfOneRate(benchmark::State& state) {
  const auto baud = static_cast<uint32_t>(state.range(0));
  SearchLine silent(baud, {"--silent"});
  CSearchPlan plan;
  plan.ports = {silent.Path()};
  plan.rates = {baud};
  plan.quick = false;
  plan.full = true;
  CSearchObserver quiet;
  for (auto _ : state) {
    const auto start = std::chrono::steady_clock::now();
    SearchInstruments(plan, nullptr, quiet, nullptr);
    state.SetIterationTime(Seconds(start) / kLastAddress);
  }
}

// A full search cancelled after half a second: the time from the cancel to
// the search's return.
void CancelledSearch(benchmark::State& state) {
  SearchLine silent(1200, {"--silent"});
  CSearchObserver quiet;
  for (auto _ : state) {
    std::atomic<bool> cancel{false};
    std::chrono::steady_clock::time_point cancelled;
    std::thread stopper([&] {
      std::this_thread::sleep_for(std::chrono::milliseconds(500));
      cancelled = std::chrono::steady_clock::now();
      cancel = true;
    });
    SearchInstruments(MakeSearchPlan({silent.Path()}, {silent.Path(), 9600, 1}, true), nullptr, quiet, &cancel);
    const auto returned = std::chrono::steady_clock::now();
    stopper.join();
    state.SetIterationTime(std::chrono::duration<double>(returned - cancelled).count());
  }
}

}  // namespace

BENCHMARK(QuickSearchFindsAt1200)->Iterations(3)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(QuickSearchFindsNothing)->Iterations(3)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(FullSearchOfOneRate)->Arg(9600)->Arg(1200)->Iterations(1)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(CancelledSearch)->Iterations(5)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(ReadOneObject)->Arg(38400)->Arg(9600)->Iterations(1)->Unit(benchmark::kSecond)->UseRealTime();
BENCHMARK(Identification)->Arg(38400)->Unit(benchmark::kMillisecond)->UseRealTime();

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  std::error_code ec;
  std::filesystem::remove_all(Folder(), ec);
  return 0;
}
