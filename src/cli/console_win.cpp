#include <windows.h>
// After <windows.h>, which it needs.
#include <fcntl.h>
#include <io.h>
#include <shellapi.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>

#include "cli/console.h"
#include "core/base/win_errors.h"

namespace tkq::cli {

std::vector<std::string> ProgramArguments(int argc, char** argv) {
  int count = 0;
  wchar_t** words = ::CommandLineToArgvW(::GetCommandLineW(), &count);
  if (words == nullptr) return std::vector<std::string>(argv + 1, argv + argc);
  std::vector<std::string> args;
  for (int i = 1; i < count; ++i) args.push_back(Utf8FromWide(words[i]));
  ::LocalFree(words);
  return args;
}

namespace {

// The console belongs to whoever started the program and outlives it: what
// the program changes of it is noted here and put back at the end.
std::atomic<UINT> g_previousCodePage{0};           // 0: unchanged
std::atomic<DWORD> g_previousErrorMode{MAXDWORD};  // MAXDWORD: unchanged

void RestoreAtExit() {
  static const int registered = std::atexit(RestoreConsole);
  (void)registered;
}

}  // namespace

void SetUpStandardStreams() {
  // A report to standard output has its own line ends: no CR is added.
  (void)::_setmode(::_fileno(stdout), _O_BINARY);
  const UINT previous = ::GetConsoleOutputCP();
  if (previous != 0 && previous != CP_UTF8 && ::SetConsoleOutputCP(CP_UTF8)) {
    g_previousCodePage = previous;
    RestoreAtExit();
  }
}

void RestoreConsole() {
  // What is still buffered was written for UTF-8.
  std::fflush(nullptr);
  if (const UINT codePage = g_previousCodePage.exchange(0); codePage != 0) ::SetConsoleOutputCP(codePage);
  if (const DWORD mode = g_previousErrorMode.exchange(MAXDWORD); mode != MAXDWORD) {
    ::SetConsoleMode(::GetStdHandle(STD_ERROR_HANDLE), mode);
  }
}

// A console (not a file, a pipe or NUL, which isatty takes for one) that
// understands the bar's escape sequences.
bool ErrorIsTerminal() {
  const HANDLE err = ::GetStdHandle(STD_ERROR_HANDLE);
  DWORD mode = 0;
  if (err == INVALID_HANDLE_VALUE || !::GetConsoleMode(err, &mode)) return false;
  if ((mode & ENABLE_VIRTUAL_TERMINAL_PROCESSING) != 0) return true;
  if (!::SetConsoleMode(err, mode | ENABLE_VIRTUAL_TERMINAL_PROCESSING)) return false;
  g_previousErrorMode = mode;
  RestoreAtExit();
  return true;
}

const char* PortOptionHelp() { return "A COM port: COM1..COM4, or COM5 and on, as «tarvik-kq ports» lists them"; }

const char* PortsCommandFooter() {
  return "COM1..COM4 are listed always, with or without a device behind them; then every other COM port present, "
         "with the name Device Manager shows for it. A closing line on the error output says why no port can be "
         "used, when none can. Opens no port; exit status 0.";
}

}  // namespace tkq::cli
