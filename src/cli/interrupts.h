#pragma once
// Ctrl+C and termination during a long job: while a guard lives they set
// its flag instead of ending the process, and the job stops at its next
// step; the signals' previous handling comes back when the guard goes. On
// Windows the console's Ctrl+C and Ctrl+Break do the same.

#include <atomic>
#include <memory>

namespace tkq::cli {

// For the program's whole run. On Windows: a console closed, a log-off or
// a shutdown stops a job as Ctrl+C does and gives the program a few seconds
// to end (its files finished or cleaned up), and the console gets its code
// page and modes back whichever way the program ends. Nothing on POSIX
// systems.
void HandleConsoleEvents();

class CInterruptGuard {
 public:
  CInterruptGuard();
  ~CInterruptGuard();
  CInterruptGuard(const CInterruptGuard&) = delete;
  CInterruptGuard& operator=(const CInterruptGuard&) = delete;

  // Set by Ctrl+C or termination (cleared when the guard is made).
  std::atomic<bool>& Flag();
  bool Interrupted() const;

 private:
  // The handling the guard replaced, as the platform keeps it.
  struct CPrevious;
  std::unique_ptr<CPrevious> m_previous;
};

}  // namespace tkq::cli
