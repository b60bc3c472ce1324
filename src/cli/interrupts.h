#pragma once
// Ctrl+C and termination during a long job: while a guard lives they set
// its flag instead of ending the process, and the job stops at its next
// step; the signals' previous handling comes back when the guard goes.

#include <signal.h>

#include <atomic>

namespace tkq::cli {

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
  struct sigaction m_previousInt {};
  struct sigaction m_previousTerm {};
};

}  // namespace tkq::cli
