// What the test support does differently on Windows.
#include <windows.h>
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

HeldFile::HeldFile(const std::filesystem::path& path) {
  const HANDLE file = ::CreateFileW(path.wstring().c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                                    FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file != INVALID_HANDLE_VALUE) m_handle = file;
}

HeldFile::~HeldFile() {
  if (m_handle != nullptr) ::CloseHandle(m_handle);
}

}  // namespace tkq::test
