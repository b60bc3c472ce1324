// tarvik-kq journal and the journal of tarvik-kq read, in-process, each on a
// journal folder of its own (never the user's documents).

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <fstream>

#include "core/archive/saved_archive.h"
#include "core/journal/survey_journal.h"
#include "simulator/instrument.h"
#include "support/run_result.h"
#ifndef _WIN32
#include "support/sim_process.h"
#endif
#include "support/test_support.h"

namespace tkq {
namespace {

using test::Cli;
using test::Result;
using test::TempDir;

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  for (size_t from = 0; from < text.size();) {
    const size_t end = text.find('\n', from);
    lines.push_back(text.substr(from, end - from));
    from = end == std::string::npos ? text.size() : end + 1;
  }
  return lines;
}

std::vector<std::string> Fields(const std::string& line) {
  std::vector<std::string> fields;
  size_t from = 0;
  for (size_t tab; (tab = line.find('\t', from)) != std::string::npos; from = tab + 1) {
    fields.push_back(line.substr(from, tab - from));
  }
  fields.push_back(line.substr(from));
  return fields;
}

// The first field of each line of a list: the surveys' numbers.
std::vector<std::string> Ids(const std::string& list) {
  std::vector<std::string> ids;
  for (const std::string& line : Lines(list)) ids.push_back(Fields(line).front());
  return ids;
}

// Runs in a folder of its own (so no TarvikKQ.def of another test is
// loaded), with a folder of three saved archives and one damaged file:
//   a.sav  SN 0001234, object 3, «Котельная Ленина», records from 01.02.2012
//   b.sav  SN 0001234, object 5, «Школа», records from 01.03.2012
//   c.sav  SN 0009999, object 3, «Баня», records from 01.04.2012
class JournalCli : public ::testing::Test {
 protected:
  void SetUp() override {
    m_previous = std::filesystem::current_path();
    std::filesystem::current_path(m_dir.Path());
    std::filesystem::create_directories(m_dir / "src/sub");
    const auto description = test::BuiltInDescription();
    const auto save = [&](const std::string& name, const std::string& serial, uint8_t number, const char* text,
                          uint32_t start) {
      auto object = test::MakeObject(*description, "TARVIK 59.11.03.04", 0, 1, 6, {}, start);
      object->m_strDeviceId = "TARVIK 59.11.03.04 " + serial;
      object->SetObjectNumber(number);
      object->m_strDescription = text;
      SaveSavedArchive(m_dir / name, *object);
    };
    save("src/a.sav", "SN 0001234", 3, "Котельная Ленина", test::k10h);
    save("src/sub/b.sav", "SN 0001234", 5, "Школа", test::k10h + 29 * 86400);
    save("src/c.sav", "SN 0009999", 3, "Баня", test::k10h + 60 * 86400);
    std::ofstream(m_dir / "src/sub/bad.sav") << "not an archive";
  }
  void TearDown() override { std::filesystem::current_path(m_previous); }

  Result Journal(std::vector<std::string> args) {
    args.insert(args.begin(), "journal");
    args.push_back("--journal");
    args.push_back(m_journal);
    return Cli(args);
  }

  TempDir m_dir;
  std::string m_journal = PathToUtf8(m_dir / "Журнал");
  std::filesystem::path m_previous;
};

TEST_F(JournalCli, AddsAFolderSkippingADamagedFile) {
  Result add = Journal({"add", PathToUtf8(m_dir / "src")});
  EXPECT_EQ(add.status, 1) << add.err;  // one file skipped
  EXPECT_NE(add.out.find("Пропущен " + DisplayPath(m_dir / "src/sub/bad.sav") + ": "), std::string::npos) << add.out;
  EXPECT_NE(add.out.find("Добавлено: 3; уже в журнале: 0; пропущено: 1\n"), std::string::npos) << add.out;
  EXPECT_TRUE(std::filesystem::exists(m_dir / "src/sub/bad.sav"));  // the originals stay

  // The same files again are already there; one file alone succeeds.
  Result again = Journal({"add", PathToUtf8(m_dir / "src/a.sav"), PathToUtf8(m_dir / "src/c.sav")});
  EXPECT_EQ(again.status, 0) << again.err;
  EXPECT_NE(again.out.find("Добавлено: 0; уже в журнале: 2; пропущено: 0\n"), std::string::npos) << again.out;
  EXPECT_EQ(Lines(Journal({"list"}).out).size(), 3u);
}

TEST_F(JournalCli, ListFiltersAndKeepsItsNumbers) {
  ASSERT_EQ(Journal({"add", PathToUtf8(m_dir / "src/a.sav"), PathToUtf8(m_dir / "src/sub/b.sav"),
                     PathToUtf8(m_dir / "src/c.sav")})
                .status,
            0);
  Result all = Journal({"list"});
  ASSERT_EQ(all.status, 0) << all.err;
  const std::vector<std::string> lines = Lines(all.out);
  ASSERT_EQ(lines.size(), 3u) << all.out;
  for (const std::string& line : lines) {
    const std::vector<std::string> fields = Fields(line);
    ASSERT_EQ(fields.size(), 11u) << line;
    EXPECT_EQ(fields[6], "6") << line;         // records
    EXPECT_EQ(fields[8], "добавлен") << line;  // added rather than read
    EXPECT_EQ(fields[10], "") << line;         // not damaged
  }
  const auto lineOf = [&](const std::string& description) {
    const auto found = std::find_if(lines.begin(), lines.end(),
                                    [&](const std::string& line) { return Fields(line)[4] == description; });
    return found == lines.end() ? std::vector<std::string>(11) : Fields(*found);
  };
  const std::vector<std::string> a = lineOf("Котельная Ленина");
  EXPECT_EQ(a[2], "SN 0001234");
  EXPECT_EQ(a[3], "3");
  EXPECT_EQ(a[5], "01.02.2012 10:00:00 – 01.02.2012 15:00:00");
  EXPECT_EQ(Journal({"list"}).out, all.out);  // the numbers stay

  const auto ids = [&](std::vector<std::string> filter) {
    filter.insert(filter.begin(), "list");
    Result r = Journal(filter);
    EXPECT_EQ(r.status, 0) << r.err;
    std::vector<std::string> found = Ids(r.out);
    std::sort(found.begin(), found.end());
    return found;
  };
  const std::string idA = a[0], idB = lineOf("Школа")[0], idC = lineOf("Баня")[0];
  using V = std::vector<std::string>;
  const auto sorted = [](V v) {
    std::sort(v.begin(), v.end());
    return v;
  };
  EXPECT_EQ(ids({"--instrument", "sn 0001234"}), sorted({idA, idB}));
  EXPECT_EQ(ids({"--object", "3"}), sorted({idA, idC}));
  EXPECT_EQ(ids({"--text", "ленина"}), V{idA});
  EXPECT_EQ(ids({"--text", "9999"}), V{idC});
  EXPECT_EQ(ids({"--from", "01.03.2012"}), sorted({idB, idC}));
  EXPECT_EQ(ids({"--to", "2012-02-01"}), V{idA});  // the whole day of --to
  EXPECT_EQ(ids({"--from", "2012-03-01", "--to", "01.03.2012", "--object", "5"}), V{idB});
  EXPECT_EQ(ids({"--object", "5", "--instrument", "9999"}), V{});

  Result header = Journal({"list", "--header", "--object", "5"});
  ASSERT_EQ(Lines(header.out).size(), 2u);
  EXPECT_EQ(Fields(Lines(header.out)[0]).size(), 11u);
  EXPECT_EQ(Fields(Lines(header.out)[1])[0], idB);

  for (const V& wrong : {V{"--from", "31.02.2012"}, V{"--to", "2012-13-01"}, V{"--from", "1.2.2012"},
                         V{"--from", "01.03.2012", "--to", "01.02.2012"}, V{"--object", "21"}, V{"extra"}}) {
    V args{"list"};
    args.insert(args.end(), wrong.begin(), wrong.end());
    Result r = Journal(args);
    EXPECT_EQ(r.status, 2) << wrong.front();
    EXPECT_EQ(r.out, "") << wrong.front();
    EXPECT_NE(r.err.find("Run 'tarvik-kq journal list --help'"), std::string::npos) << r.err;
  }
}

TEST_F(JournalCli, ShowPathAndRemove) {
  ASSERT_EQ(Journal({"add", PathToUtf8(m_dir / "src/a.sav")}).status, 0);
  const std::string id = Ids(Journal({"list"}).out).at(0);

  Result path = Journal({"path", id});
  ASSERT_EQ(path.status, 0) << path.err;
  ASSERT_EQ(Lines(path.out).size(), 1u);
  const std::filesystem::path file = PathFromUtf8(Lines(path.out)[0]);
  EXPECT_EQ(file.parent_path(), PathFromUtf8(m_journal));
  EXPECT_EQ(test::ReadText(file), test::ReadText(m_dir / "src/a.sav"));

  Result show = Journal({"show", id});
  ASSERT_EQ(show.status, 0) << show.err;
  for (const std::string& line :
       {"Номер: " + id, std::string("Прибор: SN 0001234"), std::string("Объект: 3"),
        std::string("Описание: Котельная Ленина"), std::string("Первая запись: 01.02.2012 10:00:00"),
        std::string("Записей: 6"), std::string("Источник: добавлен из файла"), "Файл: " + DisplayPath(file),
        std::string("Состояние: исправен")}) {
    EXPECT_NE(show.out.find(line + "\n"), std::string::npos) << line << "\n" << show.out;
  }

  for (const char* command : {"show", "path", "remove"}) {
    Result unknown = Journal({command, "999"});
    EXPECT_EQ(unknown.status, 1) << command;
    EXPECT_EQ(unknown.out, "") << command;
    EXPECT_NE(unknown.err.find("нет обследования 999"), std::string::npos) << unknown.err;
    EXPECT_EQ(Journal({command, "x"}).status, 2) << command;
    EXPECT_EQ(Journal({command}).status, 2) << command;
  }

  Result remove = Journal({"remove", id});
  ASSERT_EQ(remove.status, 0) << remove.err;
  const std::filesystem::path removed = PathFromUtf8(m_journal) / PathFromUtf8(kJournalRemovedFolder) / file.filename();
  EXPECT_NE(remove.out.find(DisplayPath(removed)), std::string::npos) << remove.out;
  EXPECT_TRUE(std::filesystem::exists(removed));
  EXPECT_FALSE(std::filesystem::exists(file));
  EXPECT_EQ(Journal({"list"}).out, "");
  EXPECT_EQ(Journal({"path", id}).status, 1);
}

// A file put into the folder by hand and one taken out of it are noticed.
TEST_F(JournalCli, RebuildSaysWhatChanged) {
  ASSERT_EQ(Journal({"add", PathToUtf8(m_dir / "src/a.sav")}).status, 0);
  const std::filesystem::path kept = PathFromUtf8(Lines(Journal({"path", Ids(Journal({"list"}).out).at(0)}).out)[0]);
  std::filesystem::remove(kept);
  std::filesystem::copy_file(m_dir / "src/c.sav", PathFromUtf8(m_journal) / "by hand.sav");
  Result rebuild = Journal({"rebuild"});
  ASSERT_EQ(rebuild.status, 0) << rebuild.err;
  EXPECT_NE(rebuild.out.find("by hand.sav"), std::string::npos) << rebuild.out;
  EXPECT_NE(rebuild.out.find("Убрано из индекса (файлов нет): 1\n"), std::string::npos) << rebuild.out;
  EXPECT_NE(rebuild.out.find("В журнале обследований: 1; поврежденных файлов: 0\n"), std::string::npos)
      << rebuild.out;
}

// A journal folder where a file is: nothing to list, and a read that would
// keep nothing does not begin.
TEST_F(JournalCli, AFolderThatCannotBeCreated) {
  std::ofstream(m_dir / "file") << "x";
  m_journal = PathToUtf8(m_dir / "file" / "Журнал");
  for (const std::vector<std::string>& args : {std::vector<std::string>{"list"}, {"rebuild"}, {"path", "1"}}) {
    Result r = Journal(args);
    EXPECT_EQ(r.status, 1) << args[0];
    EXPECT_EQ(r.out, "");
    EXPECT_NE(r.err.find(DisplayPath(PathFromUtf8(m_journal))), std::string::npos) << r.err;
  }
  Result read = Cli({"read", "--port", PathToUtf8(m_dir / "no-port"), "--object", "1", "--journal", m_journal});
  EXPECT_EQ(read.status, 1);
  EXPECT_NE(read.err.find("Прочитанное некуда сохранить: чтение не начато"), std::string::npos) << read.err;
}

// Without --journal the journal is the one in the documents folder: here a
// home of the test's own.
TEST_F(JournalCli, TheDefaultFolderIsInTheDocuments) {
#ifdef _WIN32
  GTEST_SKIP() << "the documents folder is the known folder of the user running the tests";
#else
  const char* home = std::getenv("HOME");
  const std::string previous = home != nullptr ? home : "";
  setenv("HOME", PathToUtf8(m_dir.Path()).c_str(), 1);
  setenv("XDG_CONFIG_HOME", PathToUtf8(m_dir / ".config").c_str(), 1);
  Result list = Cli({"journal", "list"});
  setenv("HOME", previous.c_str(), 1);
  unsetenv("XDG_CONFIG_HOME");
  EXPECT_EQ(list.status, 0) << list.err;
  EXPECT_TRUE(std::filesystem::exists(m_dir / "Documents/Tarvik KQ/Журнал" / kJournalIndexName));
#endif
}

// read keeps what it reads, once; --no-journal keeps nothing and needs -o.
TEST_F(JournalCli, ReadKeepsTheSurveyOnce) {
#ifdef _WIN32
  GTEST_SKIP() << "tarvik-kq-sim serves pseudo-terminals: POSIX systems only";
#else
  TempDir instrument;
  sim::GenerateOptions options;
  options.objects = {2, 3};
  options.records = 20;
  options.end = 1700000000;
  std::string error;
  ASSERT_TRUE(sim::Generate(instrument.Path(), options, error)) << error;
  test::CSimulatorProcess sim(TKQ_SIM_PATH, instrument.Path(), {});
  ASSERT_FALSE(sim.Path().empty());
  const std::vector<std::string> read = {"read", "--port", sim.Path(), "--object", "3", "--description", "Ввод 3",
                                         "--journal", m_journal};

  Result first = Cli(read);
  ASSERT_EQ(first.status, 0) << first.err;
  EXPECT_NE(first.err.find("Прочитано: записей 20, "), std::string::npos) << first.err;
  const std::string kept = "В журнале: ";
  const size_t at = first.err.find(kept);
  ASSERT_NE(at, std::string::npos) << first.err;
  const std::string path = first.err.substr(at + kept.size(), first.err.find('\n', at) - at - kept.size());
  CReadParamClass description;
  description.LoadBuiltIn();
  EXPECT_EQ(LoadSavedArchive(PathFromUtf8(path), description)->m_strDescription, "Ввод 3");
  const std::vector<std::string> lines = Lines(Journal({"list"}).out);
  ASSERT_EQ(lines.size(), 1u);
  const std::vector<std::string> line = Fields(lines[0]);
  ASSERT_EQ(line.size(), 11u);
  EXPECT_EQ(line[3], "3");
  EXPECT_EQ(line[8], "считан");
  EXPECT_EQ(line[9], PathToUtf8(PathFromUtf8(path).filename()));

  Result second = Cli(read);
  ASSERT_EQ(second.status, 0) << second.err;
  EXPECT_NE(second.err.find("Уже в журнале: " + path + "\n"), std::string::npos) << second.err;

  // With -o the file is written too; --no-journal keeps nothing.
  Result both = Cli({"read", "--port", sim.Path(), "--objects", "all", "-o", "objects", "--journal", m_journal});
  ASSERT_EQ(both.status, 0) << both.err;
  EXPECT_NE(both.err.find("Объект 2: В журнале: "), std::string::npos) << both.err;
  EXPECT_NE(both.err.find("Объект 3: Уже в журнале: " + path + "\n"), std::string::npos) << both.err;
  EXPECT_TRUE(std::filesystem::exists(m_dir / "objects/Obj02.sav"));
  Result apart = Cli({"read", "--port", sim.Path(), "--object", "2", "--no-journal", "-o", "apart.sav"});
  ASSERT_EQ(apart.status, 0) << apart.err;
  EXPECT_EQ(apart.err.find("журнал"), std::string::npos) << apart.err;
  EXPECT_EQ(Lines(Journal({"list"}).out).size(), 2u);

  Result nowhere = Cli({"read", "--port", sim.Path(), "--object", "2", "--no-journal"});
  EXPECT_EQ(nowhere.status, 2);
  EXPECT_NE(nowhere.err.find("with --no-journal, -o FILE is required"), std::string::npos) << nowhere.err;
  EXPECT_EQ(Cli({"read", "--port", sim.Path(), "--object", "2", "--no-journal", "-o", "x.sav", "--journal", "j"})
                .status,
            2);
  EXPECT_FALSE(std::filesystem::exists(m_dir / "x.sav"));
#endif
}

}  // namespace
}  // namespace tkq
