// Reading an object from the instrument: in-process against the instrument
// model (every fault, fast), and end to end over pseudo-terminals against
// tarvik-kq-sim with the real serial channel and the command-line tool.

#include <gtest/gtest.h>
#ifndef _WIN32
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

#include <chrono>
#include <cstdio>
#include <fstream>
#include <thread>

#include "core/archive/archive_read.h"
#include "core/archive/object_definition.h"
#include "core/archive/saved_archive.h"
#include "core/description/read_param_class.h"
#include "core/output/report.h"
#include "simulator/instrument.h"
#include "support/fake_channel.h"
#ifndef _WIN32
#include "support/sim_process.h"
#endif
#include "support/test_support.h"

namespace tkq {
namespace {

using Bytes = std::vector<uint8_t>;
using test::TempDir;

constexpr const char* kVersion = "TARVIK 59.11.03.04";

// A generated instrument folder with objects 7 and 20.
class Folder {
 public:
  explicit Folder(size_t records = 200) {
    sim::GenerateOptions options;
    options.version = kVersion;
    options.objects = {7, 20};
    options.records = records;
    options.end = 1700000000;
    std::string error;
    ok = sim::Generate(dir.Path(), options, error);
    EXPECT_TRUE(ok) << error;
  }
  std::filesystem::path Path() const { return dir.Path(); }
  Bytes File(const std::string& name) const {
    const std::string text = test::ReadText(dir / name);
    return Bytes(text.begin(), text.end());
  }
  TempDir dir;
  bool ok = false;
};

// A read over a scripted line whose instrument is the model.
struct ModelRead {
  explicit ModelRead(const Folder& folder) : instrument(1, "", "") {
    std::string error;
    EXPECT_TRUE(instrument.LoadFolder(folder.Path(), error)) << error;
    auto channel = std::make_unique<test::CScriptedChannel>(
        [this](std::span<const uint8_t> request) { return instrument.Answer(request); });
    fake = channel.get();
    link = std::make_unique<CTrvKqModbusWithFlFiles>(std::move(channel));
    description.LoadBuiltIn();
  }
  bool Read(uint8_t number, CDeviceFiles* files = nullptr) {
    read = CArchiveRead(number);
    object = ReadArchive(*link, description, read);
    if (files != nullptr) *files = read.m_files;
    return object != nullptr;
  }
  std::string Status() {
    std::string text;
    object ? object->GetReadStatus(text) : read.GetReadStatus(text);
    return text;
  }
  // The 11 name bytes of every file the link opened.
  std::vector<std::string> Opened() const {
    std::vector<std::string> names;
    for (const auto& w : fake->writes) {
      if (w.size() == 20 && w[1] == 0x45 && w[2] == 0x03) names.emplace_back(w.begin() + 4, w.begin() + 15);
    }
    return names;
  }

  sim::CInstrument instrument;
  test::CScriptedChannel* fake = nullptr;
  std::unique_ptr<CTrvKqModbusWithFlFiles> link;
  CReadParamClass description;
  CArchiveRead read;
  std::unique_ptr<CObjectDefinition> object;
};

TEST(ReadObject, FiveFilesInOrderAndDecoded) {
  Folder folder;
  ModelRead read(folder);
  CDeviceFiles files;
  ASSERT_TRUE(read.Read(7, &files)) << read.Status();
  EXPECT_EQ(read.Opened(),
            (std::vector<std::string>{"Obj07_0 arc", "Obj07_0 err", "Obj07_0 ads", "Obj07_0 par", "System_0dev"}));
  EXPECT_EQ(files.arc, folder.File("Obj07_0.arc"));
  EXPECT_EQ(files.dev, folder.File("System_0.dev"));
  EXPECT_EQ(read.object->m_strDeviceId.substr(0, 18), kVersion);
  EXPECT_EQ(read.object->m_arcRecords.GetSize(), folder.File("Obj07_0.arc").size() / 13);
  EXPECT_GT(read.object->GetRowCount(), 100);
  EXPECT_FALSE(read.object->m_paramTree.IsEmpty());
  EXPECT_FALSE(read.link->IsPortOpen());
  EXPECT_EQ(read.fake->timeouts, 0);  // every answer ended by its length

  ModelRead twenty(folder);
  ASSERT_TRUE(twenty.Read(20));
  EXPECT_EQ(twenty.Opened()[0], "Obj20_0 arc");
}

TEST(ReadObject, MissingArchivesStillRead) {
  Folder folder;
  for (const char* ext : {"arc", "err", "ads"}) std::filesystem::remove(folder.dir / ("Obj07_0." + std::string(ext)));
  ModelRead read(folder);
  ASSERT_TRUE(read.Read(7));
  EXPECT_EQ(read.object->m_arcRecords.GetSize(), 0u);
  EXPECT_EQ(read.object->GetAbnormalCount(), 0);
  EXPECT_EQ(read.object->GetRowCount(), 0);
}

TEST(ReadObject, MissingRequiredFilesAreFileErrors) {
  for (const char* missing : {"Obj07_0.par", "System_0.dev"}) {
    Folder folder;
    std::filesystem::remove(folder.dir / missing);
    ModelRead read(folder);
    EXPECT_FALSE(read.Read(7)) << missing;
    EXPECT_EQ(read.Status(), "ОШИБКА ЧТЕНИЯ ФАЙЛОВ") << missing;
  }
}

struct FaultCase {
  const char* what;
  std::function<void(sim::FaultOptions&)> set;
  const char* status;
};

TEST(ReadObject, EachFaultGivesItsReason) {
  const FaultCase cases[] = {
      {"silent", [](sim::FaultOptions& f) { f.silent = true; }, "НЕВОЗМОЖНО УСТАНОВИТЬ СОЕДИНЕНИЕ"},
      {"exception in a file request",
       [](sim::FaultOptions& f) {
         f.exceptionCode = 2;
         f.exceptionFrom = 5;
       },
       "НЕВОЗМОЖНО УСТАНОВИТЬ СОЕДИНЕНИЕ"},
      {"bad CRC in the directory", [](sim::FaultOptions& f) { f.badCrcAt = 4; }, "НЕВОЗМОЖНО УСТАНОВИТЬ СОЕДИНЕНИЕ"},
      {"wrong address", [](sim::FaultOptions& f) { f.wrongAddress = true; }, "НЕВОЗМОЖНО УСТАНОВИТЬ СОЕДИНЕНИЕ"},
      {"refused open", [](sim::FaultOptions& f) { f.refuseSubfunction = 3; }, "ОШИБКА ЧТЕНИЯ ФАЙЛОВ"},
      {"control block length", [](sim::FaultOptions& f) { f.badControlBlockLength = true; }, "ОШИБКА ЧТЕНИЯ ФАЙЛОВ"},
      {"short pieces", [](sim::FaultOptions& f) { f.shortPieces = true; }, "ОШИБКА ЧТЕНИЯ ФАЙЛОВ"},
  };
  Folder folder;
  for (const FaultCase& c : cases) {
    ModelRead read(folder);
    c.set(read.instrument.faults);
    EXPECT_FALSE(read.Read(7)) << c.what;
    EXPECT_EQ(read.Status(), c.status) << c.what;
    EXPECT_FALSE(read.link->IsPortOpen()) << c.what;
  }

  // An instrument silent for its first two requests is answered on the
  // third attempt.
  ModelRead late(folder);
  late.instrument.faults.silentFirst = 2;
  int beeps = 0;
  late.link->Modbus().SetOnFailedAttempt([&] { ++beeps; });
  EXPECT_TRUE(late.Read(7)) << late.Status();
  EXPECT_EQ(beeps, 2);
}

// A fault at every request of a read: what the soak of reads expects of
// each place (scripts/soak.sh).
TEST(ReadObject, AFaultAtEveryRequestOfTheRead) {
  Folder folder(300);
  ModelRead clean(folder);
  ASSERT_TRUE(clean.Read(7));
  // Identification; the directory (begin, open, control block, pieces of
  // 128 bytes); each of the object's files and the system file alike.
  auto pieces = [](size_t bytes) { return static_cast<int>((bytes + 127) / 128); };
  int requests = 1 + 3 + pieces(32 * clean.instrument.Files().size());
  for (const char* name : {"Obj07_0.arc", "Obj07_0.err", "Obj07_0.ads", "Obj07_0.par", "System_0.dev"}) {
    requests += 3 + pieces(folder.File(name).size());
  }
  ASSERT_EQ(clean.instrument.RequestCount(), requests);
  ASSERT_EQ(static_cast<int>(clean.link->Counters().requests), requests);

  const std::string connection = "НЕВОЗМОЖНО УСТАНОВИТЬ СОЕДИНЕНИЕ";
  const std::string files = "ОШИБКА ЧТЕНИЯ ФАЙЛОВ";
  for (int n = 1; n <= requests + 1; ++n) {
    ModelRead read(folder);
    read.instrument.faults.badCrcAt = n;
    EXPECT_EQ(read.Read(7), n > requests) << "bad CRC at " << n;
    if (n <= requests) {
      EXPECT_EQ(read.Status(), connection) << "bad CRC at " << n;
    }
  }
  // Codes with a link status of their own fail the connection; others
  // leave the link as it was, so a refused file request is a file error.
  // Unanswered first requests count among the requests.
  for (const int code : {4, 6}) {
    for (const int silent : {0, 2}) {
      for (int from = 1; from <= requests + silent + 1; ++from) {
        ModelRead read(folder);
        read.instrument.faults.exceptionCode = code;
        read.instrument.faults.exceptionFrom = from;
        read.instrument.faults.silentFirst = silent;
        const std::string where =
            std::to_string(code) + "@" + std::to_string(from) + " after " + std::to_string(silent) + " unanswered";
        const bool ok = read.Read(7);
        EXPECT_EQ(ok, from > requests + silent) << where;
        if (ok) continue;
        EXPECT_EQ(read.Status(), from <= silent + 1 || code == 6 ? connection : files) << where;
        EXPECT_FALSE(read.link->IsPortOpen()) << where;
      }
    }
  }
}

TEST(ReadObject, APortThatDoesNotOpen) {
  Folder folder;
  ModelRead read(folder);
  read.fake->failOpen = true;
  EXPECT_FALSE(read.Read(7));
  EXPECT_EQ(read.Status(), "ПОРТ ЗАНЯТ ИЛИ НЕ СУЩЕСТВУЕТ");
}

TEST(ReadObject, AParameterFileTooShortIsAFailedRead) {
  Folder folder;
  Bytes par = folder.File("Obj07_0.par");
  par.resize(271);
  std::ofstream(folder.dir / "Obj07_0.par", std::ios::binary | std::ios::trunc)
      .write(reinterpret_cast<const char*>(par.data()), static_cast<std::streamsize>(par.size()));
  ModelRead read(folder);
  CDeviceFiles files;
  EXPECT_FALSE(read.Read(7, &files));
  EXPECT_EQ(read.Status(), "ОШИБКА ЧТЕНИЯ ФАЙЛОВ");
  EXPECT_EQ(files.par.size(), 271u);  // kept for support
}

class Recorder : public CReadProgress {
 public:
  void OnStage(EReadStage stage, const std::string& file, uint64_t) override {
    stages.push_back(stage == EReadStage::kIdentification ? "identification"
                     : stage == EReadStage::kDirectory    ? "directory"
                                                          : file);
  }
  void OnBytes(uint64_t done, uint64_t total) override {
    last = done;
    this->total = total;
    if (cancelAt > 0 && done >= cancelAt && cancel != nullptr) *cancel = true;
  }
  std::vector<std::string> stages;
  uint64_t last = 0;
  uint64_t total = 0;
  uint64_t cancelAt = 0;
  std::atomic<bool>* cancel = nullptr;
};

TEST(ReadObject, ProgressAndCancel) {
  Folder folder;
  ModelRead read(folder);
  Recorder progress;
  read.link->SetProgress(&progress);
  ASSERT_TRUE(read.Read(7));
  EXPECT_EQ(progress.stages, (std::vector<std::string>{"identification", "directory", "Obj07_0.arc", "Obj07_0.err",
                                                       "Obj07_0.ads", "Obj07_0.par", "System_0.dev"}));
  const uint64_t expected = folder.File("Obj07_0.arc").size() + folder.File("Obj07_0.err").size() +
                            folder.File("Obj07_0.ads").size() + folder.File("Obj07_0.par").size() +
                            folder.File("System_0.dev").size();
  EXPECT_EQ(progress.total, expected);
  EXPECT_EQ(progress.last, expected);

  ModelRead cancelled(folder);
  std::atomic<bool> cancel{false};
  Recorder stopper;
  stopper.cancel = &cancel;
  stopper.cancelAt = 1000;
  cancelled.link->SetProgress(&stopper);
  cancelled.link->SetCancelFlag(&cancel);
  EXPECT_FALSE(cancelled.Read(7));
  EXPECT_EQ(cancelled.Status(), "Чтение прервано пользователем");
  EXPECT_FALSE(cancelled.link->IsPortOpen());
  EXPECT_LT(stopper.last, expected);
}

// --- over pseudo-terminals ---

#ifdef _WIN32
TEST(ReadOverAPseudoTerminal, AgainstTheSimulator) {
  GTEST_SKIP() << "tarvik-kq-sim serves pseudo-terminals: POSIX systems only";
}
#else

// tarvik-kq-sim serving a folder.
class Simulator : public test::CSimulatorProcess {
 public:
  Simulator(const std::filesystem::path& dir, const std::vector<std::string>& options)
      : CSimulatorProcess(TKQ_SIM_PATH, dir, options) {}
};

struct CliRun {
  int status = -1;
  std::string err;
};

CliRun RunCli(const std::filesystem::path& cwd, const std::string& args, int interruptAfterMs = 0) {
  CliRun r;
  const auto errFile = cwd / ".stderr";
  const pid_t pid = ::fork();
  if (pid == 0) {
    if (::chdir(cwd.c_str()) != 0) ::_exit(126);
    std::FILE* err = std::freopen(errFile.c_str(), "w", stderr);
    (void)err;
    const std::string command = std::string("exec '") + TKQ_CLI_PATH + "' " + args;
    ::execl("/bin/sh", "sh", "-c", command.c_str(), static_cast<char*>(nullptr));
    ::_exit(127);
  }
  if (interruptAfterMs > 0) {
    std::this_thread::sleep_for(std::chrono::milliseconds(interruptAfterMs));
    ::kill(pid, SIGINT);
  }
  int status = 0;
  ::waitpid(pid, &status, 0);
  r.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  r.err = test::ReadText(errFile);
  return r;
}

TEST(ReadOverAPseudoTerminal, TheRealChannelReadsWhatTheModelServes) {
  Folder folder;
  Simulator sim(folder.Path(), {});
  ASSERT_FALSE(sim.Path().empty());
  CTrvKqModbusWithFlFiles link;
  link.SetConnection({sim.Path(), 38400, 1});
  CReadParamClass description;
  description.LoadBuiltIn();
  CArchiveRead read(7);
  ASSERT_TRUE(ReadArchive(link, description, read));
  const CDeviceFiles& files = read.m_files;
  EXPECT_EQ(files.arc, folder.File("Obj07_0.arc"));
  EXPECT_EQ(files.err, folder.File("Obj07_0.err"));
  EXPECT_EQ(files.par, folder.File("Obj07_0.par"));

  // A second link cannot open the port while the first holds it.
  ASSERT_TRUE(link.OpenPort());
  CTrvKqModbusWithFlFiles second;
  second.SetConnection({.port = sim.Path()});
  CArchiveRead other(7);
  EXPECT_FALSE(ReadArchive(second, description, other));
  std::string text;
  other.GetReadStatus(text);
  EXPECT_EQ(text, "ПОРТ ЗАНЯТ ИЛИ НЕ СУЩЕСТВУЕТ");
  link.ClosePort();
  EXPECT_TRUE(second.OpenPort());  // free again once closed
  second.ClosePort();
}

TEST(ReadOverAPseudoTerminal, EachFaultOfTheSimulatorGivesItsReason) {
  const std::pair<std::vector<std::string>, const char*> cases[] = {
      {{"--exception", "2@5"}, "НЕВОЗМОЖНО УСТАНОВИТЬ СОЕДИНЕНИЕ"},
      {{"--exception", "6"}, "НЕВОЗМОЖНО УСТАНОВИТЬ СОЕДИНЕНИЕ"},
      {{"--bad-crc-at", "6"}, "НЕВОЗМОЖНО УСТАНОВИТЬ СОЕДИНЕНИЕ"},
      {{"--wrong-address"}, "НЕВОЗМОЖНО УСТАНОВИТЬ СОЕДИНЕНИЕ"},
      {{"--refuse", "3"}, "ОШИБКА ЧТЕНИЯ ФАЙЛОВ"},
      {{"--refuse", "12"}, "ОШИБКА ЧТЕНИЯ ФАЙЛОВ"},
      {{"--bad-fcb-length"}, "ОШИБКА ЧТЕНИЯ ФАЙЛОВ"},
      {{"--short-pieces"}, "ОШИБКА ЧТЕНИЯ ФАЙЛОВ"},
  };
  Folder folder(50);
  CReadParamClass description;
  description.LoadBuiltIn();
  for (const auto& [flags, status] : cases) {
    Simulator sim(folder.Path(), flags);
    CTrvKqModbusWithFlFiles link;
    link.SetConnection({sim.Path(), 38400, 1});
    CArchiveRead read(7);
    EXPECT_FALSE(ReadArchive(link, description, read)) << flags[0];
    std::string text;
    read.GetReadStatus(text);
    EXPECT_EQ(text, status) << flags[0];
  }
  // Silent for the first request: the second attempt gets the answer.
  Simulator late(folder.Path(), {"--silent-first", "1"});
  CTrvKqModbusWithFlFiles link;
  link.SetConnection({.port = late.Path()});
  CArchiveRead read(20);
  EXPECT_TRUE(ReadArchive(link, description, read));
}

TEST(ReadOverAPseudoTerminal, ASilentInstrumentAfterThreeAttempts) {
  Folder folder(10);
  Simulator sim(folder.Path(), {"--silent"});
  TempDir work;
  const auto started = std::chrono::steady_clock::now();
  CliRun r = RunCli(work.Path(), "read --port " + sim.Path() + " --baud 38400 --object 7 -o obj.sav");
  const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.err, "НЕВОЗМОЖНО УСТАНОВИТЬ СОЕДИНЕНИЕ\n");
  EXPECT_GT(seconds, 2.9);  // three attempts of a second each
  EXPECT_LT(seconds, 6.0);
  EXPECT_FALSE(std::filesystem::exists(work / "obj.sav"));
}

TEST(ReadOverAPseudoTerminal, TheToolReadsSavesAndKeepsTheRawFiles) {
  Folder folder;
  Simulator sim(folder.Path(), {});
  TempDir work;
  CliRun id = RunCli(work.Path(), "identify --port " + sim.Path() + " --baud 38400 > id.txt");
  EXPECT_EQ(id.status, 0) << id.err;
  EXPECT_EQ(test::ReadText(work / "id.txt").substr(0, 19), std::string(kVersion) + " ");

  CliRun read = RunCli(work.Path(), "read --port " + sim.Path() +
                                        " --baud 38400 --object 20 -o obj.sav --raw-dir raw --description 'Ввод 2'");
  ASSERT_EQ(read.status, 0) << read.err;
  for (const char* name : {"Obj20_0.arc", "Obj20_0.err", "Obj20_0.ads", "Obj20_0.par", "System_0.dev"}) {
    EXPECT_EQ(test::ReadText(work / "raw" / name), test::ReadText(folder.dir / name)) << name;
  }
  CReadParamClass description;
  description.LoadBuiltIn();
  auto saved = LoadSavedArchive(work / "obj.sav", description);
  EXPECT_EQ(saved->GetObjectNumber(), 20);
  EXPECT_EQ(saved->m_strDescription, "Ввод 2");
  EXPECT_EQ(saved->m_arcRecords.GetSize(), folder.File("Obj20_0.arc").size() / 13);

  // The tables of what was read are those of the instrument's own files.
  CliRun imported = RunCli(work.Path(), "import '" + folder.Path().string() + "' --object 20 --id '" +
                                            saved->m_strDeviceId + "' -o imported.sav");
  ASSERT_EQ(imported.status, 0) << imported.err;
  for (const char* view : {"archive", "abnormal", "params"}) {
    RunCli(work.Path(), std::string("report obj.sav --view ") + view + " -o read.txt");
    RunCli(work.Path(), std::string("report imported.sav --view ") + view + " -o imported.txt");
    EXPECT_EQ(test::ReadText(work / "read.txt"), test::ReadText(work / "imported.txt")) << view;
    EXPECT_GT(std::filesystem::file_size(work / "read.txt"), 100u) << view;
  }

  // A failed read never replaces a good file.
  const std::string good = test::ReadText(work / "obj.sav");
  std::filesystem::remove(folder.dir / "System_0.dev");
  Simulator lacking(folder.Path(), {});
  CliRun failed = RunCli(work.Path(), "read --port " + lacking.Path() + " --object 20 -o obj.sav");
  EXPECT_EQ(failed.status, 1);
  // One line per file, then the reason.
  EXPECT_NE(failed.err.find("Чтение Obj20_0.par (272 байт)\n"), std::string::npos) << failed.err;
  EXPECT_EQ(failed.err.substr(failed.err.rfind('\n', failed.err.size() - 2) + 1), "ОШИБКА ЧТЕНИЯ ФАЙЛОВ\n");
  EXPECT_EQ(test::ReadText(work / "obj.sav"), good);

  CliRun busy = RunCli(work.Path(), "read --port /dev/nonexistent-tty --object 1 -o x.sav");
  EXPECT_EQ(busy.status, 1);
  EXPECT_EQ(busy.err.substr(0, busy.err.find('\n')), "ПОРТ ЗАНЯТ ИЛИ НЕ СУЩЕСТВУЕТ");
}

TEST(ReadOverAPseudoTerminal, CtrlCStopsARead) {
  Folder folder(4000);
  Simulator sim(folder.Path(), {"--baud", "9600"});
  TempDir work;
  CliRun r = RunCli(work.Path(), "read --port " + sim.Path() + " --object 7 -o obj.sav", 700);
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.err.find("Чтение прервано пользователем\n"), std::string::npos) << r.err;
  EXPECT_FALSE(std::filesystem::exists(work / "obj.sav"));
}

#endif

}  // namespace
}  // namespace tkq
