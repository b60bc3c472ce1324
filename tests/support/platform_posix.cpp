// What the test support does differently on POSIX systems.
#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <array>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <future>

#include "support/run_result.h"
#include "support/sim_process.h"
#include "support/test_support.h"

namespace tkq::test {

const char* const kEndlessDevice = "/dev/zero";

void MakeFifo(const std::filesystem::path& path) { ::mkfifo(path.c_str(), 0600); }

bool EndsAtOnce(const std::function<void()>& load, const std::filesystem::path& fifo) {
  auto done = std::async(std::launch::async, load);
  if (done.wait_for(std::chrono::seconds(2)) == std::future_status::ready) return true;
  for (;;) {
    const int fd = ::open(fifo.c_str(), O_WRONLY | O_NONBLOCK);
    if (fd >= 0) ::close(fd);
    if (done.wait_for(std::chrono::milliseconds(50)) == std::future_status::ready) return false;
  }
}

// POSIX systems let a file be renamed or removed however it is open.
HeldFile::HeldFile(const std::filesystem::path&) {}

HeldFile::~HeldFile() = default;

void UseUtcAsLocalTime() {
  setenv("TZ", "UTC", 1);
  tzset();
}

Result Shell(const std::filesystem::path& cwd, const std::string& program, const std::string& args) {
  const auto errFile = cwd / ".stderr";
  const std::string command =
      "cd '" + cwd.string() + "' && '" + program + "' " + args + " 2>'" + errFile.string() + "'";
  Result r;
  FILE* pipe = ::popen(command.c_str(), "r");
  if (pipe == nullptr) return r;
  std::array<char, 65536> buf;
  size_t n = 0;
  while ((n = std::fread(buf.data(), 1, buf.size(), pipe)) > 0) r.out.append(buf.data(), n);
  const int status = ::pclose(pipe);
  r.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  r.err = ReadText(errFile);
  std::filesystem::remove(errFile);
  return r;
}

const bool kHaveSimulator = true;

CSimulatorProcess::CSimulatorProcess(const std::string& program, const std::filesystem::path& dir,
                                     const std::vector<std::string>& options) {
  int out[2];
  if (::pipe(out) != 0) return;
  m_pid = ::fork();
  if (m_pid == 0) {
    ::dup2(out[1], STDOUT_FILENO);
    ::close(out[0]);
    ::close(out[1]);
    std::vector<std::string> args = {program, "serve", dir.string()};
    args.insert(args.end(), options.begin(), options.end());
    std::vector<char*> argv;
    for (auto& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    ::execv(program.c_str(), argv.data());
    ::_exit(127);
  }
  ::close(out[1]);
  char c = 0;
  while (::read(out[0], &c, 1) == 1 && c != '\n') m_path.push_back(c);
  ::close(out[0]);
}

bool CSimulatorProcess::Stop() {
  if (m_pid <= 0) return false;
  ::kill(static_cast<pid_t>(m_pid), SIGTERM);
  int status = 0;
  const pid_t ended = ::waitpid(static_cast<pid_t>(m_pid), &status, 0);
  m_pid = -1;
  return ended > 0 && WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

}  // namespace tkq::test
