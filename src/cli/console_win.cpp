#include <windows.h>
// After <windows.h>, which it needs.
#include <fcntl.h>
#include <io.h>
#include <shellapi.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <iostream>
#include <streambuf>
#include <string>
#include <string_view>

#include "cli/console.h"
#include "cli/console_text.h"
#include "core/base/errors_win.h"

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
std::atomic<DWORD> g_previousErrorMode{MAXDWORD};  // MAXDWORD: unchanged

void RestoreAtExit() {
  static const int registered = std::atexit(RestoreConsole);
  (void)registered;
}

// A console window, not a file, a pipe or NUL (which is a character device
// too, but has no console mode).
bool IsConsole(HANDLE handle) {
  DWORD mode = 0;
  return handle != nullptr && handle != INVALID_HANDLE_VALUE && ::GetFileType(handle) == FILE_TYPE_CHAR &&
         ::GetConsoleMode(handle, &mode);
}

// What a stream writes to a console, as UTF-16 through WriteConsoleW: every
// console shows that whatever its code page, where UTF-8 bytes show as
// they are only in a console that honours code page 65001 (wine's does
// not). A character whose bytes come in two writes waits for the rest.
class CConsoleBuffer : public std::streambuf {
 public:
  explicit CConsoleBuffer(HANDLE console) : m_console(console) { setp(m_bytes, m_bytes + sizeof m_bytes); }

 protected:
  int_type overflow(int_type ch) override {
    if (!WriteWhole()) return traits_type::eof();
    if (!traits_type::eq_int_type(ch, traits_type::eof())) {
      *pptr() = traits_type::to_char_type(ch);
      pbump(1);
    }
    return traits_type::not_eof(ch);
  }

  int sync() override { return WriteWhole() ? 0 : -1; }

 private:
  // Writes the whole characters collected and keeps an unfinished one
  // (three bytes at most) at the front.
  bool WriteWhole() {
    const std::string_view pending(pbase(), static_cast<size_t>(pptr() - pbase()));
    const size_t whole = WholeUtf8Prefix(pending);
    bool written = true;
    if (whole > 0) {
      const std::wstring wide = WideFromUtf8(std::string(pending.substr(0, whole)));
      size_t done = 0;
      while (written && done < wide.size()) {
        DWORD count = 0;
        written = ::WriteConsoleW(m_console, wide.data() + done, static_cast<DWORD>(wide.size() - done), &count,
                                  nullptr) != 0 &&
                  count > 0;
        done += count;
      }
    }
    const size_t rest = pending.size() - whole;
    std::memmove(m_bytes, pending.data() + whole, rest);
    setp(m_bytes, m_bytes + sizeof m_bytes);
    pbump(static_cast<int>(rest));
    return written;
  }

  HANDLE m_console;
  char m_bytes[4096];
};

// A stream that goes to a console writes there through CConsoleBuffer, each
// output at once, as the other stream's may come between. The buffer is
// never freed: the stream is flushed at exit, after static objects are gone.
void WriteToConsole(std::ostream& stream, DWORD which) {
  const HANDLE handle = ::GetStdHandle(which);
  if (!IsConsole(handle)) return;
  stream.rdbuf(new CConsoleBuffer(handle));
  stream.setf(std::ios::unitbuf);
}

}  // namespace

void SetUpStandardStreams() {
  // A report to standard output has its own line ends: no CR is added.
  // Redirected to a file or a pipe, both streams keep their bytes as
  // written (UTF-8); a console is written in its own terms.
  (void)::_setmode(::_fileno(stdout), _O_BINARY);
  WriteToConsole(std::cout, STD_OUTPUT_HANDLE);
  WriteToConsole(std::cerr, STD_ERROR_HANDLE);
}

void RestoreConsole() {
  std::fflush(nullptr);
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
