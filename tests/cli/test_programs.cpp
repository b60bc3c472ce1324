// The two programs themselves, as a shell runs them: exit statuses,
// standard output against standard error, --help and --version.

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cstdio>

#include "core/archive/saved_archive.h"
#include "simulator/instrument.h"
#include "support/run_result.h"
#include "support/test_support.h"
#include "tkq_version.h"

namespace tkq {
namespace {

using test::TempDir;

using test::Result;
using test::Shell;

TEST(Programs, TheToolsExitStatuses) {
  TempDir dir;
  auto description = test::BuiltInDescription();
  auto object = test::MakeObject(*description, "TARVIK 59.11.03.04", 0, 1, 6);
  SaveSavedArchive(dir / "obj.sav", *object);

  Result info = Shell(dir.Path(), TKQ_CLI_PATH, "info obj.sav");
  EXPECT_EQ(info.status, 0);
  EXPECT_NE(info.out.find("Объект: 5\n"), std::string::npos);
  EXPECT_EQ(info.err, "");

  Result report = Shell(dir.Path(), TKQ_CLI_PATH, "report obj.sav --view archive");
  EXPECT_EQ(report.status, 0);
  EXPECT_EQ(std::count(report.out.begin(), report.out.end(), '\n'), 5);

  // Standard output that takes nothing: a failure, not a success.
  Result full = Shell(dir.Path(), TKQ_CLI_PATH, "report obj.sav --view archive >/dev/full");
  EXPECT_EQ(full.status, 1);
  EXPECT_EQ(full.err.substr(0, full.err.find('\n')), "Ошибка открытия файла");

  Result absent = Shell(dir.Path(), TKQ_CLI_PATH, "info absent.sav");
  EXPECT_EQ(absent.status, 2);
  EXPECT_EQ(absent.out, "");

  Result usage = Shell(dir.Path(), TKQ_CLI_PATH, "info obj.sav --port COM1");
  EXPECT_EQ(usage.status, 2);
  EXPECT_EQ(usage.out, "");
  EXPECT_EQ(usage.err,
            "tarvik-kq: unexpected arguments: --port COM1\n"
            "Run 'tarvik-kq info --help' for more information.\n");

  EXPECT_EQ(Shell(dir.Path(), TKQ_CLI_PATH, "").status, 2);
  EXPECT_EQ(Shell(dir.Path(), TKQ_CLI_PATH, "identify --port /dev/nonexistent-tty").status, 1);
}

TEST(Programs, HelpAndVersionOnStandardOutput) {
  TempDir dir;
  for (const char* program : {TKQ_CLI_PATH, TKQ_SIM_PATH}) {
    Result help = Shell(dir.Path(), program, "--help");
    EXPECT_EQ(help.status, 0) << program;
    EXPECT_NE(help.out.find("Usage: "), std::string::npos) << program;
    EXPECT_EQ(help.err, "");
    Result version = Shell(dir.Path(), program, "--version");
    EXPECT_EQ(version.status, 0);
    EXPECT_EQ(version.out, std::filesystem::path(program).filename().string() + " " TKQ_VERSION_TEXT "\n");
  }
  Result report = Shell(dir.Path(), TKQ_CLI_PATH, "report --help");
  EXPECT_EQ(report.status, 0);
  EXPECT_NE(report.out.find("--columns LIST"), std::string::npos);
}

// "tarvik-kq-sim DIR" serves DIR as "tarvik-kq-sim serve DIR" does: the
// pseudo-terminal's path first, then it runs until terminated.
TEST(Programs, TheSimulatorServesAFolderNamedFirst) {
  TempDir dir;
  sim::GenerateOptions options;
  options.records = 2;
  std::string error;
  ASSERT_TRUE(sim::Generate(dir.Path(), options, error)) << error;
  int out[2];
  ASSERT_EQ(::pipe(out), 0);
  const pid_t pid = ::fork();
  if (pid == 0) {
    ::dup2(out[1], STDOUT_FILENO);
    ::close(out[0]);
    ::close(out[1]);
    ::execl(TKQ_SIM_PATH, TKQ_SIM_PATH, dir.Path().c_str(), "--latency", "1", static_cast<char*>(nullptr));
    ::_exit(127);
  }
  ::close(out[1]);
  std::string path;
  char c = 0;
  while (::read(out[0], &c, 1) == 1 && c != '\n') path.push_back(c);
  ::close(out[0]);
  ::kill(pid, SIGTERM);
  int status = 0;
  ::waitpid(pid, &status, 0);
  EXPECT_EQ(path.rfind("/dev/pts/", 0), 0u) << path;
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
}

}  // namespace
}  // namespace tkq
