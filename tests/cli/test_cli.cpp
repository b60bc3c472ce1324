// The command-line tool, run as a user runs it: in a folder of its own,
// on saved archives written by the core.

#include <gtest/gtest.h>
#include <sys/wait.h>

#include <algorithm>
#include <array>
#include <cstdio>
#include <fstream>

#include "output/report.h"
#include "storage/cp1251.h"
#include "storage/saved_archive.h"
#include "../core/test_support.h"

namespace tkq {
namespace {

using test::TempDir;

struct Result {
  int status = -1;
  std::string out;
  std::string err;
};

Result RunCli(const std::filesystem::path& cwd, const std::string& args) {
  const auto errFile = cwd / ".stderr";
  const std::string command =
      "cd '" + cwd.string() + "' && '" + TKQ_CLI_PATH + "' " + args + " 2>'" + errFile.string() + "'";
  Result r;
  FILE* pipe = ::popen(command.c_str(), "r");
  if (pipe == nullptr) return r;
  std::array<char, 65536> buf;
  size_t n = 0;
  while ((n = std::fread(buf.data(), 1, buf.size(), pipe)) > 0) r.out.append(buf.data(), n);
  const int status = ::pclose(pipe);
  r.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  r.err = test::ReadText(errFile);
  std::filesystem::remove(errFile);
  return r;
}

size_t LineCount(const std::string& text) { return static_cast<size_t>(std::count(text.begin(), text.end(), '\n')); }

TEST(Cli, VersionsWritesTheDescriptionOnce) {
  TempDir dir;
  Result first = RunCli(dir.Path(), "versions");
  EXPECT_EQ(first.status, 0);
  EXPECT_EQ(first.err, "НЕВОЗМОЖНО ОТКРЫТЬ ФАЙЛ НАСТРОЕК ВЕРСИЙ ПРИБОРОВ\n");
  EXPECT_EQ(LineCount(first.out), 18u);
  EXPECT_EQ(first.out.substr(0, 19), "TARVIK 59.11.00.02\n");
  EXPECT_EQ(std::filesystem::file_size(dir / "TarvikKQ.def"), 32397u);

  Result second = RunCli(dir.Path(), "versions");
  EXPECT_EQ(second.status, 0);
  EXPECT_EQ(second.err, "");
  EXPECT_EQ(second.out, first.out);
}

class CliOnArchive : public ::testing::Test {
 protected:
  void SetUp() override {
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

  TempDir dir;
  std::unique_ptr<CReadParamClass> description;
  std::unique_ptr<CObjectDefinition> object;
};

TEST_F(CliOnArchive, InfoAndTree) {
  Result info = RunCli(dir.Path(), "info obj.sav");
  EXPECT_EQ(info.status, 0) << info.err;
  EXPECT_NE(info.out.find("Объект: 5\n"), std::string::npos) << info.out;
  EXPECT_NE(info.out.find("Описание: Ввод №1\n"), std::string::npos);
  EXPECT_NE(info.out.find("Идентификация: TARVIK 59.11.03.04 0123\n"), std::string::npos);
  EXPECT_NE(info.out.find("Записей архива измерений: 6\nИнтервалов: 5\nНештатных ситуаций: 1\n"), std::string::npos);
  EXPECT_NE(info.out.find("Первый параметр: 0 (объем +)\nВторой параметр: 1 (объем -)\n"), std::string::npos);
  EXPECT_EQ(info.out.find("Состояние"), std::string::npos);
  EXPECT_FALSE(std::filesystem::exists(dir / "TarvikKQ.def"));  // nothing written

  Result tree = RunCli(dir.Path(), "tree obj.sav");
  EXPECT_EQ(tree.status, 0);
  EXPECT_EQ(tree.out.substr(0, tree.out.find('\n')), "Системные настройки прибора");
  EXPECT_NE(tree.out.find("\n    Скорость передачи:    1200\n"), std::string::npos) << tree.out;
}

TEST_F(CliOnArchive, ReportsAreTheCoresBytes) {
  Result all = RunCli(dir.Path(), "report obj.sav --view archive");
  EXPECT_EQ(all.status, 0) << all.err;
  object->SetOutputTypes(0, 0, 0, 0, 0);
  EXPECT_EQ(all.out, CoreReport());
  EXPECT_EQ(LineCount(all.out), 5u);

  Result chosen = RunCli(dir.Path(), "report obj.sav --view archive --output-types 1,2 --units 1,0 --result "
                                  "--columns number,end,abnormal -o chosen.txt");
  EXPECT_EQ(chosen.status, 0) << chosen.err;
  EXPECT_EQ(chosen.out, "");
  object->SetOutputTypes(1, 1, 2, 0, 1);
  CColumnSwitches columns{true, true, false, false, false, false, true};
  EXPECT_EQ(test::ReadText(dir / "chosen.txt"), CoreReport(columns));

  Result abnormal = RunCli(dir.Path(), "report obj.sav --view abnormal");
  EXPECT_EQ(abnormal.out, "    1 " + Utf8ToCp1251("________НЕТ_ОТВЕТА________") +
                              " 01.02.2012 10:30:00 01.02.2012 11:30:00 \n");

  Result params = RunCli(dir.Path(), "report obj.sav --view params");
  EXPECT_EQ(params.status, 0);
  EXPECT_EQ(params.out.substr(0, params.out.find('\n')), Utf8ToCp1251("Системные настройки прибора"));
  EXPECT_NE(params.out.find(Utf8ToCp1251("\n       Скорость передачи:    1200\n")), std::string::npos);
}

TEST_F(CliOnArchive, MistakesAreRefused) {
  EXPECT_EQ(RunCli(dir.Path(), "report obj.sav --view archive --output-types 3,0").status, 2);
  EXPECT_EQ(RunCli(dir.Path(), "report obj.sav --view archive --units 0,2").status, 2);
  EXPECT_EQ(RunCli(dir.Path(), "report obj.sav --view archive --columns number,nothing").status, 2);
  EXPECT_EQ(RunCli(dir.Path(), "report obj.sav --view everything").status, 2);
  EXPECT_EQ(RunCli(dir.Path(), "frobnicate").status, 2);

  object->m_nType2 = 4;
  object->m_nParamType2 = 4;
  SaveSavedArchive(dir / "heat.sav", *object);
  Result noResult = RunCli(dir.Path(), "report heat.sav --view archive --result");
  EXPECT_EQ(noResult.status, 2);
  EXPECT_NE(noResult.err.find("недоступен"), std::string::npos);
}

TEST_F(CliOnArchive, FilesThatDoNotLoad) {
  Result missing = RunCli(dir.Path(), "info absent.sav");
  EXPECT_EQ(missing.status, 2);
  EXPECT_EQ(missing.err.substr(0, missing.err.find('\n')), "Ошибка открытия файла");

  const std::string whole = test::ReadText(dir / "obj.sav");
  std::ofstream(dir / "cut.sav", std::ios::binary) << whole.substr(0, whole.size() / 2);
  Result cut = RunCli(dir.Path(), "report cut.sav --view archive -o out.txt");
  EXPECT_EQ(cut.status, 2);
  EXPECT_EQ(cut.err.substr(0, cut.err.find('\n')), "Неверный формат файла");
  EXPECT_NE(cut.err.find("unexpected end of file"), std::string::npos) << cut.err;
  EXPECT_FALSE(std::filesystem::exists(dir / "out.txt"));
}

TEST(Cli, ImportBuildsASavedArchiveFromTheInstrumentsFiles) {
  TempDir dir;
  auto description = test::BuiltInDescription();
  const auto files = test::MakeParamFiles(*description, "TARVIK 59.11.02.03", 2, 3);
  test::Bytes arc;
  for (uint32_t i = 0; i < 4; ++i) test::AppendMeasurement(arc, 1000000000 + i * 600, 1.48f, 0.5f);
  auto put = [&](const std::string& name, const test::Bytes& bytes) {
    std::ofstream(dir / name, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()),
                                                      static_cast<std::streamsize>(bytes.size()));
  };
  put("Obj12_0.arc", arc);
  put("Obj12_0.par", files.par);
  put("System_0.dev", files.dev);
  Result r = RunCli(dir.Path(), "import . --object 12 --id 'TARVIK 59.11.02.03 X' -o obj12.sav");
  ASSERT_EQ(r.status, 0) << r.err;
  Result info = RunCli(dir.Path(), "info obj12.sav");
  EXPECT_NE(info.out.find("Объект: 12\n"), std::string::npos) << info.out;
  EXPECT_NE(info.out.find("Интервалов: 3\n"), std::string::npos);
  EXPECT_NE(info.out.find("Первый параметр: 2 (скорость звука)"), std::string::npos);

  std::filesystem::remove(dir / "System_0.dev");
  Result noSystem = RunCli(dir.Path(), "import . --object 12 --id X -o other.sav");
  EXPECT_EQ(noSystem.status, 2);
  EXPECT_FALSE(std::filesystem::exists(dir / "other.sav"));
}

}  // namespace
}  // namespace tkq
