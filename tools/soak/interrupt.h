#pragma once
// Ctrl+C ends the soak after the read under way, so that its simulators
// are stopped and its folder removed.

#include <csignal>

namespace tkq::soak {

// Set by SIGINT and SIGTERM once InstallInterruptHandler has run.
extern volatile std::sig_atomic_t g_interrupted;

void InstallInterruptHandler();

}  // namespace tkq::soak
