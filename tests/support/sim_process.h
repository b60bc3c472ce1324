#pragma once
// tarvik-kq-sim serving a folder in a child process; the path of its
// pseudo-terminal is the first line it prints. Ended when the object goes.
// The simulator serves a pseudo-terminal, a POSIX thing: on Windows there
// is none, kHaveSimulator is false and the cases that need one skip.

#include <filesystem>
#include <string>
#include <vector>

namespace tkq::test {

// Whether the simulator can run here (not on Windows).
extern const bool kHaveSimulator;

class CSimulatorProcess {
 public:
  CSimulatorProcess(const std::string& program, const std::filesystem::path& dir,
                    const std::vector<std::string>& options);
  ~CSimulatorProcess() { Stop(); }
  CSimulatorProcess(const CSimulatorProcess&) = delete;
  CSimulatorProcess& operator=(const CSimulatorProcess&) = delete;

  const std::string& Path() const { return m_path; }

  // Ends the simulator: true when it ended as it should on SIGTERM, with
  // status 0 (false also when it never ran or was ended before).
  bool Stop();

 private:
  long long m_pid = -1;
  std::string m_path;
};

}  // namespace tkq::test
