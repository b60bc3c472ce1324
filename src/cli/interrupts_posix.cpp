#include <signal.h>

#include "cli/interrupts.h"

namespace tkq::cli {
namespace {

std::atomic<bool> g_interrupted{false};

void OnInterrupt(int) { g_interrupted = true; }

}  // namespace

void HandleConsoleEvents() {}

struct CInterruptGuard::CPrevious {
  struct sigaction interrupt {};
  struct sigaction terminate {};
};

CInterruptGuard::CInterruptGuard() : m_previous(std::make_unique<CPrevious>()) {
  g_interrupted = false;
  struct sigaction action {};
  action.sa_handler = OnInterrupt;
  sigemptyset(&action.sa_mask);
  sigaction(SIGINT, &action, &m_previous->interrupt);
  sigaction(SIGTERM, &action, &m_previous->terminate);
}

CInterruptGuard::~CInterruptGuard() {
  sigaction(SIGINT, &m_previous->interrupt, nullptr);
  sigaction(SIGTERM, &m_previous->terminate, nullptr);
}

std::atomic<bool>& CInterruptGuard::Flag() { return g_interrupted; }

bool CInterruptGuard::Interrupted() const { return g_interrupted; }

}  // namespace tkq::cli
