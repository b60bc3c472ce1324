#include <windows.h>

#include "cli/console.h"
#include "cli/interrupts.h"

namespace tkq::cli {
namespace {

std::atomic<bool> g_interrupted{false};
std::atomic<int> g_guards{0};

// Windows ends a process 5 s after its console was closed: the rest of a
// job (a file finished or its temporary removed) gets most of that.
constexpr DWORD kEndingGraceMs = 4000;

// Runs on a thread of its own that the console starts; the job's thread
// reads the flag, and the program's end (exit) ends this thread too.
BOOL WINAPI OnConsoleEvent(DWORD event) {
  switch (event) {
    case CTRL_C_EVENT:
    case CTRL_BREAK_EVENT:
      if (g_guards > 0) {
        g_interrupted = true;
        return TRUE;
      }
      RestoreConsole();
      return FALSE;  // the process ends, as it would have
    case CTRL_CLOSE_EVENT:
    case CTRL_LOGOFF_EVENT:
    case CTRL_SHUTDOWN_EVENT:
      g_interrupted = true;
      ::Sleep(kEndingGraceMs);
      RestoreConsole();
      return FALSE;
    default: return FALSE;
  }
}

}  // namespace

void HandleConsoleEvents() {
  static const bool installed = ::SetConsoleCtrlHandler(OnConsoleEvent, TRUE) != 0;
  (void)installed;
}

// One handler for the whole run (HandleConsoleEvents): a guard only says
// that a job takes Ctrl+C as a request to stop.
struct CInterruptGuard::CPrevious {};

CInterruptGuard::CInterruptGuard() {
  g_interrupted = false;
  HandleConsoleEvents();
  ++g_guards;
}

CInterruptGuard::~CInterruptGuard() { --g_guards; }

std::atomic<bool>& CInterruptGuard::Flag() { return g_interrupted; }

bool CInterruptGuard::Interrupted() const { return g_interrupted; }

}  // namespace tkq::cli
