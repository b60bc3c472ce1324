// tarvik-kq-sim's command line run in-process: what generate writes for its
// options, and the mistakes serve refuses before it opens a line.

#include <gtest/gtest.h>

#include <sstream>

#include "simulator/instrument.h"
#include "simulator/sim_cli.h"
#include "support/test_support.h"
#include "tkq_version.h"

namespace tkq::sim {
namespace {

using test::TempDir;

struct Result {
  int status = -1;
  std::string out;
  std::string err;
};

Result Sim(const std::vector<std::string>& args) {
  std::ostringstream out, err;
  Result r;
  r.status = RunSimCli(args, out, err);
  r.out = out.str();
  r.err = err.str();
  return r;
}

std::string FirstLine(const std::string& text) { return text.substr(0, text.find('\n')); }

// Every option reaches the generator: the folder is the one the generator
// writes for the same settings.
TEST(SimCommandLine, GenerateWritesTheFolderOfItsOptions) {
  TempDir byCli, byModel;
  Result r = Sim({"generate",
                  byCli.Path().string(),
                  "--version",
                  "TARVIK 59.11.02.03",
                  "--objects",
                  "2,4-5",
                  "--records",
                  "30",
                  "--period=600",
                  "--first",
                  "2",
                  "--second",
                  "3",
                  "--end",
                  "1700000000",
                  "--serial",
                  "SN 42",
                  "--seed",
                  "9",
                  "--corrupt-record"});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out + r.err, "");

  GenerateOptions options;
  options.version = "TARVIK 59.11.02.03";
  options.objects = {2, 4, 5};
  options.records = 30;
  options.period = 600;
  options.firstType = 2;
  options.secondType = 3;
  options.end = 1700000000;
  options.serial = "SN 42";
  options.seed = 9;
  options.corruptRecord = true;
  std::string error;
  ASSERT_TRUE(Generate(byModel.Path(), options, error)) << error;
  size_t files = 0;
  for (const auto& entry : std::filesystem::directory_iterator(byModel.Path())) {
    const auto name = entry.path().filename();
    EXPECT_EQ(test::ReadText(byCli / name.string()), test::ReadText(entry.path())) << name;
    ++files;
  }
  EXPECT_EQ(files, 2u + 3 * 4);  // identification, system file, four files an object
  EXPECT_FALSE(std::filesystem::exists(byCli / "Obj03_0.arc"));
}

TEST(SimCommandLine, GenerateRefusesMistakes) {
  TempDir dir;
  const std::string folder = (dir / "new").string();
  const std::vector<std::vector<std::string>> refused = {
      {"generate", folder, "--objects", "0"},
      {"generate", folder, "--objects", "5-3"},
      {"generate", folder, "--objects", "1,,2"},
      {"generate", folder, "--objects", "21"},
      {"generate", folder, "--records", "-1"},
      {"generate", folder, "--records", "1e3"},
      {"generate", folder, "--records", "1000001"},
      {"generate", folder, "--period", "0"},
      {"generate", folder, "--first", "7"},
      {"generate", folder, "--end", "0"},
      {"generate", folder, "--seed", "4294967296"},
      {"generate", folder, "--tty", "/dev/ttyS0"},
      {"generate", folder, "--silent"},
      {"generate", folder, folder},
      {"generate"},
  };
  for (const auto& args : refused) {
    std::string line;
    for (const auto& word : args) line += word + " ";
    Result r = Sim(args);
    EXPECT_EQ(r.status, 2) << line;
    EXPECT_NE(r.err.find("Run 'tarvik-kq-sim generate --help' for more information.\n"), std::string::npos)
        << line << "\n"
        << r.err;
  }
  EXPECT_FALSE(std::filesystem::exists(folder));
  EXPECT_EQ(FirstLine(Sim({"generate", folder, "--records", "1e3"}).err),
            "tarvik-kq-sim: --records must be a number from 0 to 1000000, not \"1e3\"");
  EXPECT_EQ(FirstLine(Sim({"generate", folder, "--silent"}).err), "tarvik-kq-sim: --silent is an option of serve");
}

// Each of these is refused before a line is opened, so serve returns.
TEST(SimCommandLine, ServeRefusesMistakes) {
  TempDir dir;
  GenerateOptions options;
  options.records = 2;
  std::string error;
  ASSERT_TRUE(Generate(dir.Path(), options, error)) << error;
  const std::string folder = dir.Path().string();
  const std::vector<std::vector<std::string>> refused = {
      {"serve", folder, "--address", "0"},
      {"serve", folder, "--address", "248"},
      {"serve", folder, "--baud", "49"},
      {"serve", folder, "--latency", "60001"},
      {"serve", folder, "--silent-first", "-1"},
      {"serve", folder, "--bad-crc-at", "0"},
      {"serve", folder, "--refuse", "256"},
      {"serve", folder, "--exception", "0"},
      {"serve", folder, "--exception", "2@0"},
      {"serve", folder, "--exception", "2@"},
      {"serve", folder, "--exception", "2@x"},
      {"serve", folder, "--silent=maybe"},
      {"serve", folder, "--records", "5"},
      {"serve", folder, "--tty", "/dev/null", "--link", (dir / "tty").string()},
      {"serve", folder, "--tty", "/dev/null", "--baud", "100"},
      {"serve", folder, "--tty", "/dev/null", "--any-rate"},
      {"serve", folder, "--tty", "/dev/null"},
      {"serve", folder, "--tty", (dir / "absent").string()},
      {"serve", folder, "--log", (dir / "absent" / "log.txt").string()},
      {"serve", folder, "--link", folder},
      {"serve", (dir / "absent").string()},
      {"serve"},
      {folder, "--address", "0"},
  };
  for (const auto& args : refused) {
    std::string line;
    for (const auto& word : args) line += word + " ";
    Result r = Sim(args);
    EXPECT_EQ(r.status, 2) << line;
    EXPECT_EQ(r.out, "") << line;
    EXPECT_NE(r.err.find("Run 'tarvik-kq-sim serve --help' for more information.\n"), std::string::npos) << line << "\n"
                                                                                                         << r.err;
  }
  EXPECT_EQ(FirstLine(Sim({folder, "--address", "0"}).err),
            "tarvik-kq-sim: --address must be a number from 1 to 247, not \"0\"");
  EXPECT_EQ(FirstLine(Sim({"serve", folder, "--version", "X"}).err),
            "tarvik-kq-sim: --version is an option of generate");
}

TEST(SimCommandLine, HelpAndVersion) {
  for (const std::vector<std::string>& args :
       {std::vector<std::string>{"--help"}, {"serve", "--help"}, {"generate", "-h"}, {"--version"}}) {
    Result r = Sim(args);
    EXPECT_EQ(r.status, 0) << args[0];
    EXPECT_EQ(r.err, "");
    EXPECT_FALSE(r.out.empty());
  }
  EXPECT_NE(Sim({"serve", "--help"}).out.find("--exception CODE[@FROM]"), std::string::npos);
  EXPECT_NE(Sim({"serve", "--help"}).out.find("--any-rate"), std::string::npos);
  EXPECT_NE(Sim({"generate", "--help"}).out.find("--corrupt-record"), std::string::npos);
  EXPECT_EQ(Sim({"--version"}).out, "tarvik-kq-sim " TKQ_VERSION_TEXT "\n");
  Result nothing = Sim({});
  EXPECT_EQ(nothing.status, 2);
  EXPECT_EQ(FirstLine(nothing.err), "tarvik-kq-sim: name an instrument folder");
}

}  // namespace
}  // namespace tkq::sim
