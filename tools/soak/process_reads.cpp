#include "soak/process_reads.h"

#include <dirent.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <ctime>
#include <fstream>
#include <iostream>
#include <map>
#include <memory>
#include <vector>

#include "core/archive/archive_read.h"
#include "core/archive/object_definition.h"
#include "core/archive/saved_archive.h"
#include "core/description/read_param_class.h"
#include "core/link/flash_files.h"
#include "soak/faults.h"
#include "soak/interrupt.h"
#include "support/sim_process.h"

namespace tkq::soak {
namespace {

// Resident memory may grow by this much between the warm-up and the end:
// the allocator keeps some of what a read frees.
constexpr long kResidentMarginKb = 1024;
constexpr int kWarmUp = 100;

int OpenDescriptors() {
  int n = 0;
  DIR* dir = opendir("/proc/self/fd");
  if (dir == nullptr) return -1;
  while (const dirent* entry = readdir(dir)) {
    if (entry->d_name[0] != '.') ++n;
  }
  closedir(dir);
  return n - 1;  // the one opendir holds
}

long ResidentKb() {
  std::ifstream status("/proc/self/status");
  std::string line;
  while (std::getline(status, line)) {
    if (line.rfind("VmRSS:", 0) == 0) return std::strtol(line.c_str() + 6, nullptr, 10);
  }
  return -1;
}

struct CSample {
  int fds = -1;
  long residentKb = -1;
};

CSample Sample(const char* when, int reads) {
  const CSample sample{OpenDescriptors(), ResidentKb()};
  std::cout << when << " (" << reads << " reads): fds " << sample.fds << ", VmRSS " << sample.residentKb << " kB"
            << std::endl;
  return sample;
}

// A simulated line, its fault and what every read on it must end in.
struct CLinePlan {
  const char* failure;  // "" for the archive
  std::vector<std::string> options;
};

const std::vector<CLinePlan>& LinePlans() {
  static const std::vector<CLinePlan> plans = {
      {"", {}},
      {kFileError, {"--short-pieces"}},
      {"", {"--silent-first", "2"}},
      {kNoConnection, {"--wrong-address"}},
      {"", {}},
      {kNoConnection, {"--exception", "6@5"}},
      {"", {"--latency", "1"}},
      {kFileError, {"--refuse", "8"}},
      {"", {}},
      {kFileError, {"--bad-fcb-length"}},
      {"", {}},
      {kFileError, {"--refuse", "14"}},
  };
  return plans;
}

struct CLine {
  std::unique_ptr<test::CSimulatorProcess> sim;
  std::unique_ptr<CTrvKqModbusWithFlFiles> link;
  std::string expected;  // "ok" or the read status text
};

bool StartLines(const CTarget& target, const std::string& sim, std::vector<CLine>& lines) {
  for (const CLinePlan& plan : LinePlans()) {
    CLine line;
    line.sim = std::make_unique<test::CSimulatorProcess>(sim, target.dir, plan.options);
    if (line.sim->Path().empty()) {
      std::cout << "tarvik-kq-sim serve " << target.dir.string() << " did not start" << std::endl;
      return false;
    }
    line.link = std::make_unique<CTrvKqModbusWithFlFiles>();
    line.link->SetConnection({line.sim->Path(), 115200, 1});
    line.expected = *plan.failure != '\0' ? plan.failure : "ok";
    lines.push_back(std::move(line));
  }
  return true;
}

// One read on `line`: its outcome, "ok" only when it gave the target's
// archive.
std::string ReadOnce(CLine& line, const CTarget& target, const CReadParamClass& description) {
  CArchiveRead read(target.object);
  const int64_t started = static_cast<int64_t>(std::time(nullptr));
  const std::unique_ptr<CObjectDefinition> object = ReadArchive(*line.link, description, read);
  const int64_t ended = static_cast<int64_t>(std::time(nullptr));
  if (!object) {
    std::string text;
    read.GetReadStatus(text);
    return text;
  }
  object->m_strDescription = target.description;
  const std::string problem = CompareWithExpected(target, StoreSavedArchive(*object), started, ended);
  return problem.empty() ? "ok" : "ok but " + problem;
}

// The descriptors must not grow, the memory not beyond the margin.
int CheckFigures(const CSample& start, const CSample& warm, const CSample& end) {
  if (start.fds < 0 || end.fds < 0 || warm.residentKb < 0 || end.residentKb < 0) {
    std::cout << "no figures of descriptors or memory in /proc/self" << std::endl;
    return 1;
  }
  int failed = 0;
  if (end.fds > start.fds) {
    std::cout << "open file descriptors grew" << std::endl;
    ++failed;
  }
  if (end.residentKb > warm.residentKb + kResidentMarginKb) {
    std::cout << "resident memory grew by more than " << kResidentMarginKb << " kB after warm-up" << std::endl;
    ++failed;
  }
  return failed;
}

int StopLines(std::vector<CLine>& lines) {
  int failed = 0;
  for (CLine& line : lines) {
    if (line.sim->Stop()) continue;
    std::cout << "a simulator did not end cleanly" << std::endl;
    ++failed;
  }
  return failed;
}

}  // namespace

int RunProcessReads(const CTarget& target, int reads, const std::string& sim) {
  std::vector<CLine> lines;
  if (!StartLines(target, sim, lines)) return 1 + StopLines(lines);
  CReadParamClass description;
  description.LoadBuiltIn();
  // Short runs still measure from a warm-up of their own.
  const int warmUp = std::min(kWarmUp, reads / 2);
  const auto begun = std::chrono::steady_clock::now();
  const CSample start = Sample("start", 0);
  CSample warm = start;
  int mostFds = start.fds;
  std::map<std::string, int> outcomes;
  int failed = 0;
  int n = 1;
  for (; n <= reads && !g_interrupted; ++n) {
    CLine& line = lines[static_cast<size_t>(n - 1) % lines.size()];
    const std::string outcome = ReadOnce(line, target, description);
    ++outcomes[outcome];
    if (outcome != line.expected) {
      ++failed;
      std::cout << "read " << n << " on " << line.sim->Path() << ": \"" << outcome << "\", expected \"" << line.expected
                << "\"" << std::endl;
    }
    if (line.link->IsPortOpen()) {
      ++failed;
      std::cout << "read " << n << " on " << line.sim->Path() << " left the port open" << std::endl;
    }
    mostFds = std::max(mostFds, OpenDescriptors());
    if (n == warmUp) warm = Sample("after warm-up", n);
  }
  const CSample end = Sample("end", n - 1);
  const auto seconds = std::chrono::duration_cast<std::chrono::seconds>(std::chrono::steady_clock::now() - begun);
  std::cout << "most fds between reads: " << mostFds << "\n";
  for (const auto& [outcome, count] : outcomes) std::cout << "  " << count << "  " << outcome << "\n";
  std::cout << n - 1 << " reads in " << seconds.count() << " s; fds " << start.fds << " at the start, " << end.fds
            << " at the end; VmRSS " << start.residentKb << " kB at the start, " << warm.residentKb
            << " kB after warm-up, " << end.residentKb << " kB at the end" << std::endl;
  failed += CheckFigures(start, warm, end);
  return failed + StopLines(lines);
}

}  // namespace tkq::soak
