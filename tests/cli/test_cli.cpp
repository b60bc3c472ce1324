// tarvik-kq's commands run in-process, as a user runs them: in a folder of
// their own, on saved archives written by the core.

#include <gtest/gtest.h>
#include <signal.h>

#include <algorithm>
#include <fstream>
#include <sstream>
#include <streambuf>

#include "cli/cli.h"
#include "cli/console_text.h"
#include "core/archive/saved_archive.h"
#include "core/base/cp1251.h"
#include "core/base/paths.h"
#include "core/link/serial_ports.h"
#include "core/output/report.h"
#include "simulator/instrument.h"
#include "support/run_result.h"
#ifndef _WIN32
#include "support/sim_process.h"
#endif
#include "support/test_support.h"
#include "tkq_version.h"

namespace tkq {
namespace {

using test::TempDir;

using test::Cli;
using test::Result;

size_t LineCount(const std::string& text) { return static_cast<size_t>(std::count(text.begin(), text.end(), '\n')); }

// A fresh folder the tool runs in: TarvikKQ.def and relative names are
// looked for there.
class CliInFolder : public ::testing::Test {
 protected:
  void SetUp() override {
    m_previous = std::filesystem::current_path();
    std::filesystem::current_path(dir.Path());
  }
  void TearDown() override { std::filesystem::current_path(m_previous); }

  TempDir dir;

 private:
  std::filesystem::path m_previous;
};

TEST_F(CliInFolder, VersionsWritesTheDescriptionOnce) {
  Result first = Cli({"versions"});
  EXPECT_EQ(first.status, 0);
  EXPECT_EQ(first.err, "");  // the first start has nothing to say
  EXPECT_EQ(LineCount(first.out), 18u);
  EXPECT_EQ(first.out.substr(0, 19), "TARVIK 59.11.00.02\n");
  EXPECT_EQ(std::filesystem::file_size(dir / "TarvikKQ.def"), 32397u);

  Result second = Cli({"versions"});
  EXPECT_EQ(second.status, 0);
  EXPECT_EQ(second.err, "");
  EXPECT_EQ(second.out, first.out);

  // --description names the file to load or write; a named file that is
  // not there is said.
  Result other = Cli({"versions", "--description", "other.def"});
  EXPECT_EQ(other.status, 0);
  EXPECT_EQ(other.err, "НЕВОЗМОЖНО ОТКРЫТЬ ФАЙЛ НАСТРОЕК ВЕРСИЙ ПРИБОРОВ\n");
  EXPECT_EQ(other.out, first.out);
  EXPECT_EQ(std::filesystem::file_size(dir / "other.def"), 32397u);
}

class CliOnArchive : public CliInFolder {
 protected:
  void SetUp() override {
    CliInFolder::SetUp();
    description = test::BuiltInDescription();
    test::Bytes err;
    test::AppendAbnormal(err, 1328090400 + 1800, 1328090400 + 5400, 3);
    object = test::MakeObject(*description, "TARVIK 59.11.03.04", 0, 1, 6, err);
    object->m_strDescription = "Ввод №1";
    SaveSavedArchive(dir / "obj.sav", *object);
  }

  std::string CoreReport(const CColumnSwitches& columns = {}) {
    CStringSink sink;
    WriteArchiveReport(*object, columns, sink);
    return sink.Text();
  }

  std::unique_ptr<CReadParamClass> description;
  std::unique_ptr<CObjectDefinition> object;
};

TEST_F(CliOnArchive, InfoAndTree) {
  Result info = Cli({"info", "obj.sav"});
  EXPECT_EQ(info.status, 0) << info.err;
  EXPECT_NE(info.out.find("Объект: 5\n"), std::string::npos) << info.out;
  EXPECT_NE(info.out.find("Описание: Ввод №1\n"), std::string::npos);
  EXPECT_NE(info.out.find("Идентификация: TARVIK 59.11.03.04 0123\n"), std::string::npos);
  EXPECT_NE(info.out.find("Записей архива измерений: 6\nИнтервалов: 5\nНештатных ситуаций: 1\n"), std::string::npos);
  EXPECT_NE(info.out.find("Первый параметр: 0 (объем +)\nВторой параметр: 1 (объем -)\n"), std::string::npos);
  EXPECT_EQ(info.out.find("Состояние"), std::string::npos);
  EXPECT_FALSE(std::filesystem::exists(dir / "TarvikKQ.def"));  // nothing written

  Result tree = Cli({"tree", "obj.sav"});
  EXPECT_EQ(tree.status, 0);
  EXPECT_EQ(tree.out.substr(0, tree.out.find('\n')), "Системные настройки прибора");
  EXPECT_NE(tree.out.find("\n    Скорость передачи:    1200\n"), std::string::npos) << tree.out;
}

TEST_F(CliOnArchive, DiffListsTheRowsThatDiffer) {
  Result same = Cli({"diff", "obj.sav", "obj.sav"});
  EXPECT_EQ(same.status, 0) << same.err;
  EXPECT_EQ(same.out, "");
  Result all = Cli({"diff", "obj.sav", "obj.sav", "--all"});
  EXPECT_EQ(all.status, 0);
  EXPECT_NE(all.out.find("Системные настройки прибора\tСкорость передачи:\t1200\t1200\n"), std::string::npos)
      << all.out;

  // Another version: the rows only this set has, "—" in the other's place.
  SaveSavedArchive(dir / "old.sav", *test::MakeObject(*description, "TARVIK 59.11.01.02", 0, 1, 6));
  Result versions = Cli({"diff", "obj.sav", "old.sav"});
  EXPECT_EQ(versions.status, 1) << versions.err;
  EXPECT_NE(versions.out.find("\t—\n"), std::string::npos) << versions.out;
  size_t lines = 0;
  for (size_t at = 0; (at = versions.out.find('\n', at)) != std::string::npos; ++at) ++lines;
  EXPECT_GT(lines, 0u);
  EXPECT_EQ(static_cast<size_t>(std::count(versions.out.begin(), versions.out.end(), '\t')), 3 * lines);
  EXPECT_EQ(versions.out.find("\tСкорость передачи:\t"), std::string::npos) << "a row both have alike";

  EXPECT_EQ(Cli({"diff", "obj.sav", "missing.sav"}).status, 2);
  EXPECT_EQ(Cli({"diff", "obj.sav"}).status, 2);
}

TEST_F(CliOnArchive, ReportsAreTheCoresBytes) {
  Result all = Cli({"report", "obj.sav", "--view", "archive"});
  EXPECT_EQ(all.status, 0) << all.err;
  object->SetOutputTypes(0, 0, 0, 0, 0);
  EXPECT_EQ(all.out, CoreReport());
  EXPECT_EQ(LineCount(all.out), 5u);

  Result chosen = Cli({"report", "obj.sav", "--view=archive", "--output-types", "1,2", "--units", "1,0", "--result",
                       "--columns", "number,end,abnormal", "-o", "chosen.txt"});
  EXPECT_EQ(chosen.status, 0) << chosen.err;
  EXPECT_EQ(chosen.out, "");
  object->SetOutputTypes(1, 1, 2, 0, 1);
  CColumnSwitches columns{true, true, false, false, false, false, true};
  EXPECT_EQ(test::ReadText(dir / "chosen.txt"), CoreReport(columns));

  Result abnormal = Cli({"report", "obj.sav", "--view", "abnormal"});
  EXPECT_EQ(abnormal.out,
            "    1 " + Utf8ToCp1251("________НЕТ_ОТВЕТА________") + " 01.02.2012 10:30:00 01.02.2012 11:30:00 \n");

  Result params = Cli({"report", "--view", "params", "obj.sav"});
  EXPECT_EQ(params.status, 0);
  EXPECT_EQ(params.out.substr(0, params.out.find('\n')), Utf8ToCp1251("Системные настройки прибора"));
  EXPECT_NE(params.out.find(Utf8ToCp1251("\n       Скорость передачи:    1200\n")), std::string::npos);
}

// A stream that takes nothing, as a full disk behind standard output.
class FullBuffer : public std::streambuf {
 protected:
  int_type overflow(int_type) override { return traits_type::eof(); }
  std::streamsize xsputn(const char*, std::streamsize) override { return 0; }
};

TEST_F(CliOnArchive, AReportThatCannotBeWrittenFails) {
  FullBuffer full;
  std::ostream out(&full);
  std::ostringstream err;
  cli::CliContext context{out, err, false};
  EXPECT_EQ(cli::RunCli({"report", "obj.sav", "--view", "archive"}, context), 1);
  EXPECT_EQ(err.str().substr(0, err.str().find('\n')), "Ошибка открытия файла");
  EXPECT_NE(err.str().find("\nне удается записать в стандартный вывод: "), std::string::npos) << err.str();

  // The detail is Russian too, the system's reason included.
  Result noFolder = Cli({"report", "obj.sav", "--view", "params", "-o", "absent/report.txt"});
  EXPECT_EQ(noFolder.status, 1);
  EXPECT_EQ(noFolder.err, "Ошибка открытия файла\nне удается создать файл " + DisplayPath("absent/report.txt") +
                              ": нет такого файла или папки\n");
}

// A console takes whole characters: a write that ends inside one leaves
// its bytes for the next; bytes that begin nothing are not held back.
TEST(ConsoleText, AnUnfinishedCharacterWaitsForTheNextWrite) {
  const std::string text = "Объект № 1: 5 м³ €𝄞\n";  // characters of one to four bytes
  for (size_t cut = 0; cut <= text.size(); ++cut) {
    size_t boundary = cut;  // the last start of a character at or before the cut
    while (boundary > 0 && boundary < text.size() && (static_cast<unsigned char>(text[boundary]) & 0xC0) == 0x80) {
      --boundary;
    }
    EXPECT_EQ(cli::WholeUtf8Prefix(std::string_view(text).substr(0, cut)), boundary) << cut;
  }
  EXPECT_EQ(cli::WholeUtf8Prefix("\xFF"), 1u);
  EXPECT_EQ(cli::WholeUtf8Prefix("a\x80\x80\x80\x80"), 5u);
  EXPECT_EQ(cli::WholeUtf8Prefix("\xC0"), 1u);
}

// Every command that names a file takes a Cyrillic folder and file name,
// as the arguments' UTF-8.
TEST_F(CliOnArchive, CyrillicFolderAndFileNames) {
  ASSERT_TRUE(std::filesystem::create_directory(dir / "Узел учёта"));
  std::filesystem::copy_file(dir / "obj.sav", dir / "Узел учёта/объект.sav");
  Result info = Cli({"info", "Узел учёта/объект.sav"});
  EXPECT_EQ(info.status, 0) << info.err;

  Result report = Cli({"report", "Узел учёта/объект.sav", "--view", "archive", "-o", "Узел учёта/отчёт.txt"});
  EXPECT_EQ(report.status, 0) << report.err;
  object->SetOutputTypes(0, 0, 0, 0, 0);
  EXPECT_EQ(test::ReadText(dir / "Узел учёта/отчёт.txt"), CoreReport());

  Result book = Cli({"export", "Узел учёта/объект.sav", "-o", "Узел учёта/книга.XLSX"});
  EXPECT_EQ(book.status, 0) << book.err;
  EXPECT_GT(std::filesystem::file_size(dir / "Узел учёта/книга.XLSX"), 0u);
  Result csv = Cli({"export", "Узел учёта/объект.sav", "--view", "archive", "-o", "Узел учёта/таблица.csv"});
  EXPECT_EQ(csv.status, 0) << csv.err;
  EXPECT_GT(std::filesystem::file_size(dir / "Узел учёта/таблица.csv"), 0u);

  Result missing = Cli({"info", "Узел учёта/нет.sav"});
  EXPECT_EQ(missing.status, 2);
  // The path as the system writes it.
  const std::string named =
      "Узел учёта" + std::string(1, static_cast<char>(std::filesystem::path::preferred_separator)) + "нет.sav";
  EXPECT_NE(missing.err.find(named), std::string::npos) << missing.err;
}

TEST_F(CliOnArchive, MistakesAreRefused) {
  EXPECT_EQ(Cli({"report", "obj.sav", "--view", "archive", "--output-types", "3,0"}).status, 2);
  EXPECT_EQ(Cli({"report", "obj.sav", "--view", "archive", "--units", "0,2"}).status, 2);
  EXPECT_EQ(Cli({"report", "obj.sav", "--view", "archive", "--columns", "number,nothing"}).status, 2);
  EXPECT_EQ(Cli({"report", "obj.sav", "--view", "everything"}).status, 2);
  EXPECT_EQ(Cli({"report", "obj.sav"}).status, 2);
  Result unknown = Cli({"frobnicate"});
  EXPECT_EQ(unknown.status, 2);
  EXPECT_EQ(unknown.err, "tarvik-kq: unknown command frobnicate\nRun 'tarvik-kq --help' for more information.\n");
  EXPECT_EQ(Cli({}).status, 2);

  object->m_nType2 = 4;
  object->m_nParamType2 = 4;
  SaveSavedArchive(dir / "heat.sav", *object);
  Result noResult = Cli({"report", "heat.sav", "--view", "archive", "--result"});
  EXPECT_EQ(noResult.status, 2);
  EXPECT_NE(noResult.err.find("недоступен"), std::string::npos);
}

TEST_F(CliOnArchive, EachCommandTakesOnlyItsOwnOptions) {
  const std::vector<std::vector<std::string>> foreign = {
      {"info", "obj.sav", "--port", "X"},
      {"tree", "obj.sav", "--view", "archive"},
      {"info", "obj.sav", "--result"},
      {"versions", "--object", "1"},
      {"versions", "obj.sav"},
      {"info", "obj.sav", "obj.sav"},
      {"report", "obj.sav", "--view", "archive", "--port", "X"},
      {"import", ".", "--object", "1", "--id", "X", "-o", "x.sav", "--raw-dir", "raw"},
      {"identify", "--port", "X", "--object", "1"},
      {"read", "--port", "X", "--object", "1", "-o", "x.sav", "--id", "X"},
      {"info", "obj.sav", "--bogus"},
      {"--description", "TarvikKQ.def", "info", "obj.sav"},
  };
  for (const auto& args : foreign) {
    std::string line;
    for (const auto& word : args) line += word + " ";
    Result r = Cli(args);
    EXPECT_EQ(r.status, 2) << line;
    EXPECT_EQ(r.out, "") << line;
    EXPECT_NE(r.err.find("unexpected argument"), std::string::npos) << line << "\n" << r.err;
    EXPECT_NE(r.err.find("--help' for more information.\n"), std::string::npos) << line;
  }
  Result port = Cli({"info", "obj.sav", "--port", "X"});
  EXPECT_EQ(port.err,
            "tarvik-kq: unexpected arguments: --port X\n"
            "Run 'tarvik-kq info --help' for more information.\n");
  EXPECT_FALSE(std::filesystem::exists(dir / "x.sav"));
}

TEST_F(CliOnArchive, NumbersAreReadWhole) {
  const std::vector<std::vector<std::string>> refused = {
      {"import", ".", "--object", "12abc", "--id", "X", "-o", "x.sav"},
      {"import", ".", "--object", "0x0C", "--id", "X", "-o", "x.sav"},
      {"import", ".", "--object", "+12", "--id", "X", "-o", "x.sav"},
      {"import", ".", "--object", "21", "--id", "X", "-o", "x.sav"},
      {"import", ".", "--object", "", "--id", "X", "-o", "x.sav"},
      {"read", "--port", "X", "--object", "0", "-o", "x.sav"},
      {"read", "--port", "X", "--object", "7.5", "-o", "x.sav"},
      {"identify", "--port", "X", "--address", "256"},
      {"identify", "--port", "X", "--address", "-1"},
      {"identify", "--port", "X", "--baud", "9600baud"},
      {"identify", "--port", "X", "--baud", "9601"},
      {"identify", "--port", ""},
      {"report", "obj.sav", "--view", "archive", "--output-types", "1"},
      {"report", "obj.sav", "--view", "archive", "--output-types", "1,0,0"},
      {"report", "obj.sav", "--view", "archive", "--units", "-1,0"},
      {"report", "obj.sav", "--view", "archive", "--units", "0,256"},
  };
  for (const auto& args : refused) {
    std::string line;
    for (const auto& word : args) line += word + " ";
    Result r = Cli(args);
    EXPECT_EQ(r.status, 2) << line;
    EXPECT_NE(r.err.find("tarvik-kq: "), std::string::npos) << line;
  }
  Result letters = Cli({"import", ".", "--object", "12abc", "--id", "X", "-o", "x.sav"});
  EXPECT_EQ(letters.err,
            "tarvik-kq: --object must be a number from 1 to 20, not \"12abc\"\n"
            "Run 'tarvik-kq import --help' for more information.\n");
  EXPECT_NE(Cli({"identify", "--port", "X", "--baud", "9601"}).err.find("--baud must be a standard rate"),
            std::string::npos);
  EXPECT_NE(Cli({"report", "obj.sav", "--view", "archive", "--units", "x"}).err.find("--units takes two numbers"),
            std::string::npos);
}

TEST_F(CliOnArchive, FilesThatDoNotLoad) {
  Result missing = Cli({"info", "absent.sav"});
  EXPECT_EQ(missing.status, 2);
  EXPECT_EQ(missing.err.substr(0, missing.err.find('\n')), "Ошибка открытия файла");

  const std::string whole = test::ReadText(dir / "obj.sav");
  std::ofstream(dir / "cut.sav", std::ios::binary) << whole.substr(0, whole.size() / 2);
  Result cut = Cli({"report", "cut.sav", "--view", "archive", "-o", "out.txt"});
  EXPECT_EQ(cut.status, 2);
  EXPECT_EQ(cut.err.substr(0, cut.err.find('\n')), "Неверный формат файла");
  EXPECT_NE(cut.err.find("\nфайл обрывается "), std::string::npos) << cut.err;  // with where, in Russian
  EXPECT_NE(cut.err.find(" на байте "), std::string::npos) << cut.err;
  EXPECT_FALSE(std::filesystem::exists(dir / "out.txt"));
}

TEST_F(CliOnArchive, HelpForTheToolAndEachCommand) {
  Result help = Cli({"--help"});
  EXPECT_EQ(help.status, 0);
  EXPECT_EQ(help.err, "");
  const char* commands[] = {"versions", "info", "tree", "report", "import", "identify", "list", "read"};
  for (const char* command : commands) {
    EXPECT_NE(help.out.find(std::string("\n  ") + command + " "), std::string::npos) << command;
    for (const char* flag : {"--help", "-h"}) {
      Result own = Cli({command, flag});
      EXPECT_EQ(own.status, 0) << command;
      EXPECT_EQ(own.err, "") << command;
      EXPECT_NE(own.out.find(std::string("Usage: tarvik-kq ") + command + " "), std::string::npos) << own.out;
    }
  }
  // Help is given even when the command's required options are missing.
  EXPECT_NE(Cli({"read", "--help"}).out.find("--raw-dir DIR"), std::string::npos);

  Result version = Cli({"--version"});
  EXPECT_EQ(version.status, 0);
  EXPECT_EQ(version.out, "tarvik-kq " TKQ_VERSION_TEXT "\n");
}

// --description is the description FILE for commands on a saved archive,
// the object's description TEXT for the commands that make one.
TEST_F(CliOnArchive, DescriptionMeansAFileOrTheObjectsText) {
  Result info = Cli({"info", "obj.sav", "--description", "Ввод 3"});
  EXPECT_EQ(info.status, 0) << info.err;
  EXPECT_NE(info.out.find("Описание: Ввод №1\n"), std::string::npos) << info.out;
  EXPECT_FALSE(std::filesystem::exists(dir / "Ввод 3"));

  Result report = Cli({"report", "obj.sav", "--view", "archive", "--description", "absent.def"});
  EXPECT_EQ(report.status, 0) << report.err;

  auto files = test::MakeParamFiles(*description, "TARVIK 59.11.03.04", 0, 1);
  std::ofstream(dir / "Obj05_0.par", std::ios::binary)
      .write(reinterpret_cast<const char*>(files.par.data()), static_cast<std::streamsize>(files.par.size()));
  std::ofstream(dir / "System_0.dev", std::ios::binary)
      .write(reinterpret_cast<const char*>(files.dev.data()), static_cast<std::streamsize>(files.dev.size()));
  Result import = Cli({"import", ".", "--object", "5", "--id", "X", "-o", "new.sav", "--description", "Ввод 3"});
  ASSERT_EQ(import.status, 0) << import.err;
  EXPECT_NE(Cli({"info", "new.sav"}).out.find("Описание: Ввод 3\n"), std::string::npos);
  EXPECT_FALSE(std::filesystem::exists(dir / "TarvikKQ.def"));
}

TEST_F(CliInFolder, ImportBuildsASavedArchiveFromTheInstrumentsFiles) {
  auto description = test::BuiltInDescription();
  const auto files = test::MakeParamFiles(*description, "TARVIK 59.11.02.03", 2, 3);
  test::Bytes arc;
  for (uint32_t i = 0; i < 4; ++i) test::AppendMeasurement(arc, 1000000000 + i * 600, 1.48f, 0.5f);
  auto put = [&](const std::string& name, const test::Bytes& bytes) {
    std::ofstream(dir / name, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
  };
  put("Obj12_0.arc", arc);
  put("Obj12_0.par", files.par);
  put("System_0.dev", files.dev);
  // Leading zeros are decimal, not octal.
  Result r = Cli({"import", ".", "--object", "012", "--id", "TARVIK 59.11.02.03 X", "-o", "obj12.sav"});
  ASSERT_EQ(r.status, 0) << r.err;
  Result info = Cli({"info", "obj12.sav"});
  EXPECT_NE(info.out.find("Объект: 12\n"), std::string::npos) << info.out;
  EXPECT_NE(info.out.find("Интервалов: 3\n"), std::string::npos);
  EXPECT_NE(info.out.find("Первый параметр: 2 (скорость звука)"), std::string::npos);

  std::filesystem::remove(dir / "System_0.dev");
  Result noSystem = Cli({"import", ".", "--object", "12", "--id", "X", "-o", "other.sav"});
  EXPECT_EQ(noSystem.status, 2);
  EXPECT_EQ(noSystem.err.substr(0, noSystem.err.find('\n')), "Ошибка открытия файла");
  EXPECT_FALSE(std::filesystem::exists(dir / "other.sav"));

  // A file where the folder should be.
  Result notAFolder = Cli({"import", "obj12.sav", "--object", "12", "--id", "X", "-o", "other.sav"});
  EXPECT_EQ(notAFolder.status, 2);
  EXPECT_EQ(notAFolder.err.substr(0, notAFolder.err.find('\n')), "Ошибка открытия файла");
}

// --- the serial ports ---

TEST(CliPorts, ListsEveryPortUnderACaptionStandardNamesFirst) {
  Result r = Cli({"ports"});
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out.rfind("Порт (--port)", 0), 0u) << r.out;
  for (const char* name : {"COM1", "COM2", "COM3", "COM4"}) {
    EXPECT_NE(r.out.find(std::string("\n") + name + " "), std::string::npos) << r.out;
  }
  EXPECT_NE(r.out.find(" " + PortDevicePath("COM4") + " "), std::string::npos) << r.out;
  EXPECT_EQ(LineCount(r.out), FindSerialPorts().ports.size() + 1);
  // It opens no port: the line's options are not its own.
  EXPECT_EQ(Cli({"ports", "--port", "COM1"}).status, 2);
}

// --- the instrument ---

#ifndef _WIN32  // Windows' console keeps its Ctrl+C handlers where they cannot be looked at
void (*InterruptHandler())(int) {
  struct sigaction now {};
  sigaction(SIGINT, nullptr, &now);
  return now.sa_handler;
}
#endif

TEST_F(CliInFolder, APortThatDoesNotOpen) {
  for (const char* command : {"identify", "list", "read", "read --objects"}) {
    std::vector<std::string> args = {std::string(command).substr(0, std::string(command).find(' ')), "--port",
                                     "/dev/nonexistent-tty"};
    if (std::string(command) == "read") args.insert(args.end(), {"--object", "1", "-o", "x.sav", "--no-journal"});
    if (std::string(command) == "read --objects")
      args.insert(args.end(), {"--objects", "all", "-o", "x", "--no-journal"});
    Result r = Cli(args);
    EXPECT_EQ(r.status, 1) << command;
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(r.err.substr(0, r.err.find('\n')), "ПОРТ ЗАНЯТ ИЛИ НЕ СУЩЕСТВУЕТ") << command;
#ifndef _WIN32
    // Ctrl+C is the caller's again once the command is over.
    EXPECT_EQ(InterruptHandler(), SIG_DFL) << command;
#endif
  }
  EXPECT_FALSE(std::filesystem::exists(dir / "x.sav"));
  EXPECT_FALSE(std::filesystem::exists(dir / "x"));
}

// A read from tarvik-kq-sim: progress lines on a file or a pipe, a bar
// redrawn in place and wiped at the end on a terminal.
TEST_F(CliInFolder, ReadShowsItsProgressOnErr) {
#ifdef _WIN32
  GTEST_SKIP() << "tarvik-kq-sim serves pseudo-terminals: POSIX systems only";
#else
  TempDir folder;
  sim::GenerateOptions options;
  options.objects = {3};
  options.records = 300;
  options.end = 1700000000;
  std::string error;
  ASSERT_TRUE(sim::Generate(folder.Path(), options, error)) << error;
  test::CSimulatorProcess sim(TKQ_SIM_PATH, folder.Path(), {});
  ASSERT_FALSE(sim.Path().empty());
  const std::vector<std::string> read = {"read", "--port", sim.Path(), "--baud",        "38400",  "--object",
                                         "3",    "-o",     "obj.sav",  "--description", "Ввод 3", "--no-journal"};

  Result lines = Cli(read, false);
  ASSERT_EQ(lines.status, 0) << lines.err;
  EXPECT_EQ(lines.out, "");
  EXPECT_NE(lines.err.find("Чтение Obj03_0.arc (3900 байт)\n"), std::string::npos) << lines.err;
  EXPECT_EQ(lines.err.find('\r'), std::string::npos);
  EXPECT_NE(lines.err.find("Сохранено: obj.sav (записей 300, "), std::string::npos) << lines.err;

  Result bar = Cli(read, true);
  ASSERT_EQ(bar.status, 0) << bar.err;
  EXPECT_EQ(bar.err.find("Чтение Obj03_0.arc ("), std::string::npos);
  EXPECT_NE(bar.err.find("\r\033[KObj03_0.arc  ["), std::string::npos) << bar.err;
  EXPECT_EQ(bar.err.find("\r\033[KИдентификация прибора  [........................]   0%  0,0 КБ из 0,0 КБ"), 0u)
      << bar.err;
  EXPECT_NE(bar.err.find("\r\033[KСохранено: obj.sav"), std::string::npos);  // the bar wiped first

  CReadParamClass description;
  description.LoadBuiltIn();
  EXPECT_EQ(LoadSavedArchive(dir / "obj.sav", description)->m_strDescription, "Ввод 3");
#endif
}

// find against tarvik-kq-sim at a rate and address other than the
// defaults: the instrument's line, the ready options, a port that does not
// open said on err, nothing found as status 1, and the progress line on a
// terminal only.
TEST_F(CliInFolder, FindGivesThePortRateAndAddress) {
#ifdef _WIN32
  GTEST_SKIP() << "tarvik-kq-sim serves pseudo-terminals: POSIX systems only";
#else
  TempDir folder;
  sim::GenerateOptions options;
  options.objects = {1};
  options.records = 10;
  std::string error;
  ASSERT_TRUE(sim::Generate(folder.Path(), options, error)) << error;
  test::CSimulatorProcess sim(TKQ_SIM_PATH, folder.Path(), {"--address", "17", "--baud", "19200"});
  ASSERT_FALSE(sim.Path().empty());
  const std::string absent = (dir / "no-such-port").string();

  Result found = Cli({"find", "--port", absent, "--port", sim.Path(), "--address", "17"});
  EXPECT_EQ(found.status, 0) << found.err;
  EXPECT_EQ(found.out, sim.Path() + "\t19200\t17\tTARVIK 59.11.03.04 SN 0001234\t--port " + sim.Path() +
                           " --baud 19200 --address 17\n");
  EXPECT_EQ(found.err.find(absent + ": ПОРТ ЗАНЯТ ИЛИ НЕ СУЩЕСТВУЕТ\n"), 0u) << found.err;
  EXPECT_EQ(found.err.find('\r'), std::string::npos);

  Result none = Cli({"find", "--port", sim.Path(), "--baud", "9600", "--baud", "19200"}, true);
  EXPECT_EQ(none.status, 1);
  EXPECT_EQ(none.out, "");
  EXPECT_EQ(none.err.find("\r\033[KПоиск: 0 из 2, " + sim.Path() + ", 9600 бод, адрес 1"), 0u) << none.err;
  // What was tried, and the full search over the same ports and rates.
  EXPECT_NE(none.err.find("\r\033[KПрибор не найден. Порты: " + sim.Path() +
                          "; скорости: 9600, 19200 бод; адреса: 1\nМожно запустить полный поиск (все адреса 1–247): "
                          "tarvik-kq find --all-addresses --port " +
                          sim.Path() + " --baud 9600 --baud 19200\n"),
            std::string::npos)
      << none.err;
  Result closed = Cli({"find", "--port", absent});
  EXPECT_EQ(closed.status, 1);
  EXPECT_NE(closed.err.find("\nПрибор не найден: ни один порт не открылся\n"), std::string::npos) << closed.err;

  for (const char* wrong : {"--baud=57600", "--address=0", "--address=248", "--wait=0"}) {
    EXPECT_EQ(Cli({"find", "--port", sim.Path(), wrong}).status, 2) << wrong;
  }
#endif
}

}  // namespace
}  // namespace tkq
