// tarvik-kq list and read --objects against tarvik-kq-sim on a
// pseudo-terminal: what is listed, what the reads really send against
// what was estimated, a failed object among good ones, a refused
// directory, and Ctrl+C between objects.

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <fstream>
#include <sstream>
#include <thread>

#include "core/archive/instrument_contents.h"
#include "core/archive/saved_archive.h"
#include "simulator/instrument.h"
#include "support/fake_channel.h"
#include "support/run_result.h"
#include "support/sim_process.h"
#include "support/test_support.h"

namespace tkq {
namespace {

using test::Cli;
using test::Result;
using test::TempDir;

// A generated instrument with objects 3, 7 and 20.
struct Instrument {
  explicit Instrument(size_t records = 300) {
    sim::GenerateOptions options;
    options.objects = {3, 7, 20};
    options.records = records;
    options.end = 1700000000;
    std::string error;
    EXPECT_TRUE(sim::Generate(dir.Path(), options, error)) << error;
  }
  std::string Size(const std::string& name) const { return std::to_string(test::ReadText(dir / name).size()); }
  // What is on it, as the core lists it through the instrument model.
  CInstrumentContents Contents() const {
    sim::CInstrument model(1, "", "");
    std::string error;
    EXPECT_TRUE(model.LoadFolder(dir.Path(), error)) << error;
    CTrvKqModbusWithFlFiles link(std::make_unique<test::CScriptedChannel>(
        [&](std::span<const uint8_t> request) { return model.Answer(request); }));
    CInstrumentContents contents;
    EXPECT_TRUE(ReadInstrumentContents(link, 9600, contents));
    return contents;
  }
  TempDir dir;
};

// The bytes of the frames in the simulator's log, both ways.
uint64_t LoggedBytes(const std::filesystem::path& log) {
  std::istringstream lines(test::ReadText(log));
  std::string line;
  uint64_t bytes = 0;
  while (std::getline(lines, line)) {
    std::istringstream words(line);
    std::string time, direction, word;
    words >> time >> direction;
    if (direction != "RX" && direction != "TX") continue;
    while (words >> word && word.size() == 2 && std::isxdigit(static_cast<unsigned char>(word[0]))) ++bytes;
  }
  return bytes;
}

// The table of list, then every object read: the line carried exactly
// what the estimates counted (each command lists the instrument first).
TEST(ObjectsOnTheInstrument, ListThenReadAllAsEstimated) {
  Instrument instrument;
  TempDir work;
  test::CSimulatorProcess sim(TKQ_SIM_PATH, instrument.dir.Path(), {"--log", (work / "frames.log").string()});
  ASSERT_FALSE(sim.Path().empty());
  Result list = Cli({"list", "--port", sim.Path(), "--baud", "9600"});
  ASSERT_EQ(list.status, 0) << list.err;
  EXPECT_EQ(list.out.substr(0, list.out.find('\n')), "Прибор: TARVIK 59.11.03.04 SN 0001234");
  const CInstrumentContents contents = instrument.Contents();
  ASSERT_EQ(contents.objects.size(), 3u);
  for (const CObjectContents& object : contents.objects) {
    const std::string number = std::to_string(object.object);
    const std::string stem = (object.object < 10 ? "Obj0" : "Obj") + number + "_0.";
    std::string row = std::string(6 - number.size(), ' ') + number + "      300  ";
    const size_t at = list.out.find("\n" + row);
    ASSERT_NE(at, std::string::npos) << list.out;
    // Appended piece by piece: GCC 12 at -O3 misreads `" " + text + " "`
    // as an overlapping copy (-Wrestrict).
    row.assign(1, ' ');
    row += ReadTimeText(object.readSeconds);
    row += ' ';
    for (const char* ext : {"arc", "err", "ads", "par"}) {
      row += std::string(ext == std::string("arc") ? " " : ", ") + stem + ext + " " + instrument.Size(stem + ext);
    }
    EXPECT_EQ(list.out.find(row + "\n", at), list.out.find('\n', at + 1) - row.size()) << list.out;
  }
  EXPECT_EQ(std::count(list.out.begin(), list.out.end(), '\n'), 9);  // 3 rows, and no other

  Result r = Cli({"read", "--port", sim.Path(), "--baud", "38400", "--objects", "all", "-o", (work / "out").string(),
                  "--no-journal", "--description", "Узел 1"});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.err.substr(r.err.rfind('\n', r.err.size() - 2) + 1), "Прочитано объектов: 3 из 3\n");
  CLineTraffic listing = IdentificationTraffic(contents.identificationAnswer);
  listing += DirectoryTraffic(contents.directoryBytes);
  uint64_t expected = 2 * listing.bytes;
  for (const CObjectContents& object : contents.objects) expected += object.traffic.bytes;
  EXPECT_EQ(LoggedBytes(work / "frames.log"), expected);

  CReadParamClass description;
  description.LoadBuiltIn();
  for (const char* name : {"Obj03.sav", "Obj07.sav", "Obj20.sav"}) {
    EXPECT_EQ(LoadSavedArchive(work / "out" / name, description)->m_strDescription, "Узел 1") << name;
  }
}

TEST(ObjectsOnTheInstrument, AFailedObjectDoesNotStopTheOthers) {
  Instrument instrument;
  std::filesystem::remove(instrument.dir / "Obj07_0.par");
  test::CSimulatorProcess sim(TKQ_SIM_PATH, instrument.dir.Path(), {});
  TempDir work;
  std::filesystem::create_directory(work / "out");
  std::ofstream(work / "out" / "Obj07.sav") << "the previous read";

  Result list = Cli({"list", "--port", sim.Path()});
  ASSERT_EQ(list.status, 0) << list.err;
  EXPECT_NE(list.out.find("Obj07_0.ads 16; не будет прочитан: нет Obj07_0.par\n"), std::string::npos) << list.out;

  Result r = Cli({"read", "--port", sim.Path(), "--baud", "38400", "--objects", "all", "-o", (work / "out").string(),
                  "--no-journal"});
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.err.find("\nОбъект 7: ОШИБКА ЧТЕНИЯ ФАЙЛОВ\n"), std::string::npos) << r.err;
  EXPECT_EQ(r.err.substr(r.err.rfind('\n', r.err.size() - 2) + 1), "Прочитано объектов: 2 из 3; с ошибкой: 7\n");
  EXPECT_TRUE(std::filesystem::exists(work / "out" / "Obj03.sav"));
  EXPECT_TRUE(std::filesystem::exists(work / "out" / "Obj20.sav"));
  EXPECT_EQ(test::ReadText(work / "out" / "Obj07.sav"), "the previous read");

  // Objects asked for that are not there are skipped, not failed.
  Result some =
      Cli({"read", "--port", sim.Path(), "--objects", "20,1-2", "-o", (work / "some").string(), "--no-journal"});
  EXPECT_EQ(some.status, 0) << some.err;
  EXPECT_EQ(some.err.find("Объект 1: нет на приборе, пропущен\nОбъект 2: нет на приборе, пропущен\n"), 0u) << some.err;
  EXPECT_TRUE(std::filesystem::exists(work / "some" / "Obj20.sav"));
}

TEST(ObjectsOnTheInstrument, ARefusedDirectory) {
  Instrument instrument;
  test::CSimulatorProcess sim(TKQ_SIM_PATH, instrument.dir.Path(), {"--refuse", "12"});
  TempDir work;
  Result list = Cli({"list", "--port", sim.Path()});
  EXPECT_EQ(list.status, 1);
  EXPECT_EQ(list.out + list.err, "ОШИБКА ЧТЕНИЯ ФАЙЛОВ\n");
  Result read = Cli({"read", "--port", sim.Path(), "--objects", "all", "-o", (work / "out").string(), "--no-journal"});
  EXPECT_EQ(read.status, 1);
  EXPECT_EQ(read.err, "ОШИБКА ЧТЕНИЯ ФАЙЛОВ\n");
  EXPECT_FALSE(std::filesystem::exists(work / "out"));
}

TEST(ObjectsOnTheInstrument, MistakesInTheObjectsAsked) {
  for (const char* list : {"21", "5-3", "1,,2", "all,3"}) {
    Result r = Cli({"read", "--port", "X", "--objects", list, "-o", "out", "--no-journal"});
    EXPECT_EQ(r.status, 2) << list;
    EXPECT_NE(r.err.find("--objects takes all or numbers 1 to 20"), std::string::npos) << list << "\n" << r.err;
  }
  Result both = Cli({"read", "--port", "X", "--object", "3", "--objects", "3", "-o", "out"});
  EXPECT_EQ(both.status, 2);
  EXPECT_NE(both.err.find("excludes"), std::string::npos) << both.err;
  Result neither = Cli({"read", "--port", "X", "-o", "out"});
  EXPECT_EQ(neither.status, 2);
  EXPECT_NE(neither.err.find("--object N or --objects LIST"), std::string::npos) << neither.err;
}

// Ctrl+C during the second object: the first stays saved, the second is
// not written.
TEST(ObjectsOnTheInstrument, CtrlCKeepsTheObjectsAlreadySaved) {
  Instrument instrument(4000);
  std::filesystem::resize_file(instrument.dir / "Obj03_0.arc", 13 * 20);
  test::CSimulatorProcess sim(TKQ_SIM_PATH, instrument.dir.Path(), {"--baud", "38400"});
  TempDir work;
  const pid_t pid = ::fork();
  if (pid == 0) {
    if (::chdir(work.Path().c_str()) != 0 || std::freopen("err.txt", "w", stderr) == nullptr) ::_exit(126);
    ::execl(TKQ_CLI_PATH, TKQ_CLI_PATH, "read", "--port", sim.Path().c_str(), "--baud", "38400", "--objects", "all",
            "-o", "out", "--no-journal", static_cast<char*>(nullptr));
    ::_exit(127);
  }
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
  while (!std::filesystem::exists(work / "out" / "Obj03.sav") && std::chrono::steady_clock::now() < deadline) {
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  std::this_thread::sleep_for(std::chrono::milliseconds(200));
  ::kill(pid, SIGINT);
  int status = 0;
  ::waitpid(pid, &status, 0);
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), 1);
  const std::string err = test::ReadText(work / "err.txt");
  EXPECT_NE(err.find("\nЧтение прервано пользователем\nПрочитано объектов: 1 из 3; не прочитаны после остановки: 2\n"),
            std::string::npos)
      << err;
  CReadParamClass description;
  description.LoadBuiltIn();
  EXPECT_EQ(LoadSavedArchive(work / "out" / "Obj03.sav", description)->m_arcRecords.GetSize(), 20u);
  EXPECT_FALSE(std::filesystem::exists(work / "out" / "Obj07.sav"));
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(work / "out"), {}), 1);  // no temporary left
}

}  // namespace
}  // namespace tkq
