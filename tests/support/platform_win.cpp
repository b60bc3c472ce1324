// What the test support does differently on Windows.
#include <stdlib.h>
#include <time.h>

#include "support/sim_process.h"
#include "support/test_support.h"

namespace tkq::test {

const char* const kEndlessDevice = "NUL";

void UseUtcAsLocalTime() {
  _putenv_s("TZ", "UTC0");  // Windows' C library wants the offset written out
  _tzset();
}

// The simulator serves a pseudo-terminal, which Windows does not have.
const bool kHaveSimulator = false;

CSimulatorProcess::CSimulatorProcess(const std::string&, const std::filesystem::path&,
                                     const std::vector<std::string>&) {}

bool CSimulatorProcess::Stop() { return false; }

}  // namespace tkq::test
