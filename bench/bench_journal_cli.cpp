// tarvik-kq journal list on a journal of 10,000 surveys, as a script runs
// it: the journal opened (its folder compared with the index), every
// survey listed and written out as a line.

#include <benchmark/benchmark.h>

#include <sstream>

#include "cli/cli.h"
#include "core/base/paths.h"
#include "journal_fixture.h"

namespace tkq {
namespace {

void ListThroughTheTool(benchmark::State& state, std::vector<std::string> filter) {
  CReadParamClass description;
  description.LoadBuiltIn();
  const std::string folder = PathToUtf8(bench::JournalFixture(description));
  std::vector<std::string> args = {"journal", "list", "--journal", folder};
  args.insert(args.end(), filter.begin(), filter.end());
  size_t bytes = 0;
  for (auto _ : state) {
    std::ostringstream out, err;
    cli::CliContext context{out, err, false};
    if (cli::RunCli(args, context) != 0) state.SkipWithError(err.str().c_str());
    bytes = out.str().size();
  }
  state.counters["bytes"] = static_cast<double>(bytes);
}
BENCHMARK_CAPTURE(ListThroughTheTool, everything, std::vector<std::string>{})->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(ListThroughTheTool, text, std::vector<std::string>{"--text", "котельная"})
    ->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace tkq

BENCHMARK_MAIN();
