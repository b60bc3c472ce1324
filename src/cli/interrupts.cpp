#include "cli/interrupts.h"

namespace tkq::cli {
namespace {

std::atomic<bool> g_interrupted{false};

void OnInterrupt(int) { g_interrupted = true; }

}  // namespace

CInterruptGuard::CInterruptGuard() {
  g_interrupted = false;
  struct sigaction action {};
  action.sa_handler = OnInterrupt;
  sigemptyset(&action.sa_mask);
  sigaction(SIGINT, &action, &m_previousInt);
  sigaction(SIGTERM, &action, &m_previousTerm);
}

CInterruptGuard::~CInterruptGuard() {
  sigaction(SIGINT, &m_previousInt, nullptr);
  sigaction(SIGTERM, &m_previousTerm, nullptr);
}

std::atomic<bool>& CInterruptGuard::Flag() { return g_interrupted; }

bool CInterruptGuard::Interrupted() const { return g_interrupted; }

}  // namespace tkq::cli
