// A read of one object over a pseudo-terminal from tarvik-kq-sim, which
// paces its bytes as a line of the given rate would and answers after 5 ms:
// the wall time against the line time (every request and answer byte at 10
// bits, plus the latency of every answer). Also the identification alone.

#include <benchmark/benchmark.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <string>
#include <vector>

#include "core/archive/archive_read.h"
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

}  // namespace

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
