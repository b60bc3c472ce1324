#include <windows.h>

#include "cli/interrupts.h"

namespace tkq::cli {
namespace {

std::atomic<bool> g_interrupted{false};

// Runs on a thread of its own that the console starts: it only sets the
// flag, which the job's thread reads.
BOOL WINAPI OnConsoleEvent(DWORD event) {
  if (event != CTRL_C_EVENT && event != CTRL_BREAK_EVENT) return FALSE;  // closing and logging off end the process
  g_interrupted = true;
  return TRUE;
}

}  // namespace

// The console keeps a list of handlers: the guard's is added and taken off
// again, and those before it are left as they were.
struct CInterruptGuard::CPrevious {};

CInterruptGuard::CInterruptGuard() {
  g_interrupted = false;
  ::SetConsoleCtrlHandler(OnConsoleEvent, TRUE);
}

CInterruptGuard::~CInterruptGuard() { ::SetConsoleCtrlHandler(OnConsoleEvent, FALSE); }

std::atomic<bool>& CInterruptGuard::Flag() { return g_interrupted; }

bool CInterruptGuard::Interrupted() const { return g_interrupted; }

}  // namespace tkq::cli
