// tkq_soak: the soak of reads that scripts/soak.sh runs. Generates its
// instruments in a temporary folder, then reads them by tarvik-kq read
// (each read against a tarvik-kq-sim serve with a random fault, or none)
// and in this process (for long, descriptors and memory watched). Exit
// status 0 when every outcome was the expected one, 1 when any was not, 2
// when the soak could not be set up.

#include <signal.h>

#include <CLI/CLI.hpp>
#include <ctime>
#include <iostream>

#include "soak/faults.h"
#include "soak/instruments.h"
#include "soak/interrupt.h"
#include "soak/process_reads.h"
#include "soak/tool_reads.h"
#include "support/test_support.h"

namespace tkq::soak {

volatile std::sig_atomic_t g_interrupted = 0;

void InstallInterruptHandler() {
  struct sigaction action {};
  action.sa_handler = [](int) { g_interrupted = 1; };
  sigemptyset(&action.sa_mask);
  sigaction(SIGINT, &action, nullptr);
  sigaction(SIGTERM, &action, nullptr);
}

namespace {

struct CSoakOptions {
  int reads = 500;
  int readerReads = 1000;
  // Small as the numbers a shell's RANDOM takes, so that one is easy to
  // repeat.
  uint32_t seed = static_cast<uint32_t>(std::time(nullptr) % 32768);
};

int Run(const CSoakOptions& options) {
  InstallInterruptHandler();
  const test::TempDir work;
  std::cout << "=== instruments" << std::endl;
  std::vector<CTarget> targets;
  std::string error;
  if (!MakeTargets(work.Path(), targets, error)) {
    std::cout << "the instruments could not be made: " << error << std::endl;
    return 2;
  }
  int failed = 0;
  if (options.reads > 0) {
    std::cout << "=== " << options.reads << " reads by tarvik-kq read (seed " << options.seed << ")" << std::endl;
    CSoakRandom random(options.seed);
    failed += RunToolReads({TKQ_CLI_PATH, TKQ_SIM_PATH, work.Path(), options.reads}, targets, random);
  }
  if (options.readerReads > 0 && !g_interrupted) {
    std::cout << "\n=== " << options.readerReads << " reads in one process" << std::endl;
    // The second object of the folder with two.
    failed += RunProcessReads(targets[1], options.readerReads, TKQ_SIM_PATH);
  }
  std::cout << "\n";
  if (g_interrupted) {
    std::cout << "soak interrupted (seed " << options.seed << ")" << std::endl;
    return 1;
  }
  if (failed == 0) {
    std::cout << "soak passed (seed " << options.seed << ")" << std::endl;
    return 0;
  }
  std::cout << "soak FAILED: " << failed << " unexpected (seed " << options.seed << ")" << std::endl;
  return 1;
}

}  // namespace
}  // namespace tkq::soak

int main(int argc, char** argv) {
  tkq::soak::CSoakOptions options;
  CLI::App app(
      "A soak of reads: tarvik-kq read against tarvik-kq-sim serve with random faults, then reads in one "
      "process with its descriptors and memory watched.",
      "tkq_soak");
  app.add_option("--reads", options.reads, "Reads by tarvik-kq read (default 500)")->check(CLI::NonNegativeNumber);
  app.add_option("--reader-reads", options.readerReads, "Reads in this process (default 1000)")
      ->check(CLI::NonNegativeNumber);
  app.add_option("--seed", options.seed, "Repeats a run's choice of objects and faults (default: from the clock)");
  try {
    app.parse(argc, argv);
  } catch (const CLI::ParseError& e) {
    return app.exit(e) == 0 ? 0 : 2;
  }
  return tkq::soak::Run(options);
}
