#pragma once
// tarvik-kq-sim serving a folder in a child process; the path of its
// pseudo-terminal is the first line it prints. Ended when the object goes.
// The simulator serves a pseudo-terminal, a POSIX thing: on Windows there
// is none, kHaveSimulator is false and the cases that need one skip.

#include <filesystem>
#include <string>
#include <vector>

#ifdef _WIN32

namespace tkq::test {

inline constexpr bool kHaveSimulator = false;

class CSimulatorProcess {
 public:
  CSimulatorProcess(const std::string&, const std::filesystem::path&, const std::vector<std::string>&) {}
  const std::string& Path() const { return m_path; }
  bool Stop() { return false; }

 private:
  std::string m_path;
};

}  // namespace tkq::test

#else

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

namespace tkq::test {

inline constexpr bool kHaveSimulator = true;

class CSimulatorProcess {
 public:
  CSimulatorProcess(const std::string& program, const std::filesystem::path& dir,
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
  ~CSimulatorProcess() { Stop(); }
  CSimulatorProcess(const CSimulatorProcess&) = delete;
  CSimulatorProcess& operator=(const CSimulatorProcess&) = delete;

  const std::string& Path() const { return m_path; }

  // Ends the simulator: true when it ended as it should on SIGTERM, with
  // status 0 (false also when it never ran or was ended before).
  bool Stop() {
    if (m_pid <= 0) return false;
    ::kill(m_pid, SIGTERM);
    int status = 0;
    const pid_t ended = ::waitpid(m_pid, &status, 0);
    m_pid = -1;
    return ended > 0 && WIFEXITED(status) && WEXITSTATUS(status) == 0;
  }

 private:
  pid_t m_pid = -1;
  std::string m_path;
};

}  // namespace tkq::test

#endif
