#pragma once
// Running the tools in the tests: tarvik-kq's commands in-process with the
// streams caught, or a program through the shell in a folder.

#ifndef _WIN32
#include <sys/wait.h>
#endif

#include <array>
#include <cstdio>
#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include "cli/cli.h"
#include "support/test_support.h"

namespace tkq::test {

struct Result {
  int status = -1;
  std::string out;
  std::string err;
};

// tarvik-kq with `args`, in-process.
inline Result Cli(const std::vector<std::string>& args, bool errIsTerminal = false) {
  std::ostringstream out, err;
  cli::CliContext context{out, err, errIsTerminal};
  Result r;
  r.status = cli::RunCli(args, context);
  r.out = out.str();
  r.err = err.str();
  return r;
}

#ifndef _WIN32  // a POSIX shell
// `program args` through the shell in `cwd` (`args` may redirect).
inline Result Shell(const std::filesystem::path& cwd, const std::string& program, const std::string& args) {
  const auto errFile = cwd / ".stderr";
  const std::string command =
      "cd '" + cwd.string() + "' && '" + program + "' " + args + " 2>'" + errFile.string() + "'";
  Result r;
  FILE* pipe = ::popen(command.c_str(), "r");
  if (pipe == nullptr) return r;
  std::array<char, 65536> buf;
  size_t n = 0;
  while ((n = std::fread(buf.data(), 1, buf.size(), pipe)) > 0) r.out.append(buf.data(), n);
  const int status = ::pclose(pipe);
  r.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  r.err = ReadText(errFile);
  std::filesystem::remove(errFile);
  return r;
}
#endif

}  // namespace tkq::test
