#include "soak/tool_reads.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <ctime>
#include <iostream>
#include <map>
#include <thread>
#include <utility>

#include "soak/interrupt.h"
#include "support/sim_process.h"
#include "support/test_support.h"

namespace tkq::soak {

namespace {

// Longer than any read of these instruments takes, even with the
// simulator's latency on every answer.
constexpr auto kReadTimeLimit = std::chrono::seconds(60);
constexpr const char* kNoEnd = "no end within 60 s";

// One run of tarvik-kq read and what it left.
struct CReadRun {
  int status = -1;  // the exit status; 128 + the signal that ended it
  bool timedOut = false;
  int64_t started = 0;  // seconds since 1970, before it began and after it ended
  int64_t ended = 0;
  std::string lastLine;            // of its error output
  std::vector<std::string> files;  // in the folder it ran in
};

// Only what is safe between fork and exec: the read runs in `dir` with its
// error output into `errFile` and nothing on its input.
[[noreturn]] void ExecInChild(const std::filesystem::path& dir, const std::filesystem::path& errFile,
                              std::vector<char*>& argv) {
  if (::chdir(dir.c_str()) != 0) ::_exit(127);
  const int err = ::open(errFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
  const int in = ::open("/dev/null", O_RDONLY);
  if (err < 0 || in < 0) ::_exit(127);
  ::dup2(err, STDERR_FILENO);
  ::dup2(in, STDIN_FILENO);
  ::close(err);
  ::close(in);
  ::execv(argv[0], argv.data());
  ::_exit(127);
}

// Waits for `pid`, killing it past the time limit; its exit status.
int Reap(pid_t pid, bool& timedOut) {
  const auto deadline = std::chrono::steady_clock::now() + kReadTimeLimit;
  int status = 0;
  while (::waitpid(pid, &status, WNOHANG) == 0) {
    if (std::chrono::steady_clock::now() > deadline) {
      timedOut = true;
      ::kill(pid, SIGKILL);
      ::waitpid(pid, &status, 0);
      break;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

std::string LastLine(const std::filesystem::path& file) {
  std::string text = test::ReadText(file);
  while (!text.empty() && text.back() == '\n') text.pop_back();
  const size_t newline = text.rfind('\n');
  return newline == std::string::npos ? text : text.substr(newline + 1);
}

std::vector<std::string> FilesIn(const std::filesystem::path& dir) {
  std::vector<std::string> names;
  for (const auto& entry : std::filesystem::directory_iterator(dir)) names.push_back(entry.path().filename());
  std::sort(names.begin(), names.end());
  return names;
}

CReadRun RunRead(const std::string& cli, const std::filesystem::path& dir, const std::filesystem::path& errFile,
                 std::vector<std::string> args) {
  args.insert(args.begin(), cli);
  std::vector<char*> argv;
  for (std::string& arg : args) argv.push_back(arg.data());
  argv.push_back(nullptr);
  CReadRun run;
  run.started = static_cast<int64_t>(std::time(nullptr));
  std::cout.flush();
  const pid_t pid = ::fork();
  if (pid == 0) ExecInChild(dir, errFile, argv);
  if (pid > 0) run.status = Reap(pid, run.timedOut);
  run.ended = static_cast<int64_t>(std::time(nullptr));
  run.lastLine = LastLine(errFile);
  run.files = FilesIn(dir);
  return run;
}

std::string Describe(const CReadRun& run) {
  std::string files;
  for (const std::string& name : run.files) files += (files.empty() ? "" : " ") + name;
  return "status " + std::to_string(run.status) + ", files \"" + files + "\", last line \"" + run.lastLine + "\"";
}

// Why the read is not what `fault` must make of it ("" when it is); its
// outcome for the tallies into `outcome`.
std::string CheckRead(const CTarget& target, const CFault& fault, const CReadRun& run, const std::string& saved,
                      std::string& outcome) {
  if (run.timedOut) {
    outcome = kNoEnd;
    return kNoEnd;
  }
  if (!fault.failure.empty()) {
    outcome = run.lastLine;
    const bool failedAsItShould = run.status == 1 && run.lastLine == fault.failure && run.files.empty();
    return failedAsItShould ? "" : Describe(run);
  }
  outcome = "ok";
  if (run.status != 0 || run.files != std::vector<std::string>{"out.sav"}) {
    outcome = run.lastLine;
    return Describe(run);
  }
  // The unanswered requests were asked again: they count too.
  const uint64_t requests = target.requests + fault.silent;
  if (run.lastLine.find("запросов " + std::to_string(requests) + ",") == std::string::npos) {
    return "not the requests of a clean read (" + std::to_string(target.requests) + " + " +
           std::to_string(fault.silent) + " unanswered): " + run.lastLine;
  }
  return CompareWithExpected(target, saved, run.started, run.ended);
}

std::string Quoted(const CFault& fault) { return fault.failure.empty() ? "ok" : fault.failure; }

void PrintTallies(const std::map<std::pair<std::string, std::string>, int>& byKind) {
  for (const auto& [key, count] : byKind) {
    std::printf("  %-30s %4d  %s\n", key.first.c_str(), count, key.second.c_str());
  }
  std::fflush(stdout);
}

}  // namespace

int RunToolReads(const CToolReadsSetup& setup, const std::vector<CTarget>& targets, CSoakRandom& random) {
  const std::filesystem::path runDir = setup.work / "run";
  const std::filesystem::path errFile = setup.work / "err.txt";
  std::map<std::pair<std::string, std::string>, int> byKind;
  int unexpected = 0;
  const auto begun = std::chrono::steady_clock::now();
  int n = 1;
  for (; n <= setup.reads && !g_interrupted; ++n) {
    const CTarget& target = targets[random.Below(targets.size())];
    const CFault fault = ChooseFault(random, target.requests);
    const std::string what =
        "object " + std::to_string(target.object) + " of " + target.dir.filename().string() + ", " + FaultText(fault);
    test::CSimulatorProcess sim(setup.sim, target.dir, fault.options);
    if (sim.Path().empty()) {
      ++unexpected;
      std::cout << "read " << n << ": " << what << ": tarvik-kq-sim serve did not start" << std::endl;
      continue;
    }
    std::filesystem::remove_all(runDir);
    std::filesystem::create_directory(runDir);
    const CReadRun run =
        RunRead(setup.cli, runDir, errFile,
                {"read", "--port", sim.Path(), "--baud", "115200", "--object", std::to_string(target.object), "-o",
                 "out.sav", "--description", target.description, "--no-journal"});
    const std::string saved = test::ReadText(runDir / "out.sav");
    std::string outcome;
    const std::string problem = CheckRead(target, fault, run, saved, outcome);
    if (!problem.empty()) {
      ++unexpected;
      std::cout << "read " << n << ": " << what << ": expected \"" << Quoted(fault) << "\": " << problem << std::endl;
    }
    if (!sim.Stop()) {
      ++unexpected;
      std::cout << "read " << n << ": the simulator did not end cleanly" << std::endl;
    }
    ++byKind[{fault.kind, outcome}];
    if (n % 50 == 0) std::cout << n << " reads, " << unexpected << " unexpected" << std::endl;
  }
  const auto seconds = std::chrono::duration_cast<std::chrono::seconds>(std::chrono::steady_clock::now() - begun);
  std::cout << "\n"
            << n - 1 << " reads in " << seconds.count() << " s, " << unexpected
            << " unexpected; outcomes by kind:" << std::endl;
  PrintTallies(byKind);
  return unexpected;
}

}  // namespace tkq::soak
