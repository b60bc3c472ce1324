// The survey journal: reads kept once and found again, file names, and the
// faults that must lose nothing (a file not yet indexed, two writers at
// once, a damaged or foreign index, a damaged archive, a full disk).

#include <gtest/gtest.h>

#include <SQLiteCpp/SQLiteCpp.h>

#include <cerrno>
#include <algorithm>
#include <fstream>
#include <set>
#include <thread>
#ifndef _WIN32
#include <sys/wait.h>
#include <unistd.h>
#endif

#include "core/archive/saved_archive.h"
#include "core/journal/survey_journal.h"
#include "core/storage/file_io.h"
#include "support/test_support.h"

namespace tkq {
namespace {

namespace fs = std::filesystem;
using test::TempDir;

constexpr const char* kVersion = "TARVIK 59.11.03.04";

// A survey of `records` records of object `number`, read at `readTime`,
// from the instrument `serial`.
std::unique_ptr<CObjectDefinition> Survey(const CReadParamClass& d, int number, const std::string& serial,
                                          int64_t readTime = 1700000000, size_t records = 12,
                                          uint32_t start = test::k10h) {
  auto object = test::MakeObject(d, kVersion, 0, 1, records, {}, start);
  object->SetObjectNumber(static_cast<uint8_t>(number));
  object->m_strDeviceId = std::string(kVersion) + " " + serial;
  object->m_tRead = readTime;
  return object;
}

std::vector<std::string> Names(const fs::path& dir) {
  std::vector<std::string> names;
  for (const auto& e : fs::directory_iterator(dir)) names.push_back(PathToUtf8(e.path().filename()));
  std::sort(names.begin(), names.end());
  return names;
}

CSurveyFilter Filter(const std::string& text, int object = 0, int64_t from = 0, int64_t to = 0,
                     const std::string& instrument = {}) {
  CSurveyFilter filter;
  filter.text = text;
  filter.objectNumber = object;
  filter.from = from;
  filter.to = to;
  filter.instrument = instrument;
  return filter;
}

class JournalTest : public ::testing::Test {
 protected:
  void SetUp() override { test::UseUtcAsLocalTime(); }
  std::unique_ptr<CReadParamClass> m_d = test::BuiltInDescription();
  TempDir m_dir;
  fs::path Folder() const { return m_dir / "Журнал"; }
};

TEST_F(JournalTest, AReadIsKeptOnceAndFoundAgain) {
  CSurveyJournal journal(Folder(), *m_d);
  auto survey = Survey(*m_d, 3, "SN 0001234");
  survey->m_strDescription = "Котельная на Ленина";
  const CKeptSurvey kept = journal.Keep(*survey);
  EXPECT_FALSE(kept.alreadyKept);
  EXPECT_EQ(PathToUtf8(kept.path.filename()), "SN 0001234 Объект 03 2023-11-14 22-13-20.sav");
  EXPECT_EQ(test::ReadText(kept.path), StoreSavedArchive(*survey));

  const auto entry = journal.Find(kept.id);
  ASSERT_TRUE(entry);
  EXPECT_EQ(entry->instrument, "SN 0001234");
  EXPECT_EQ(entry->versionKey, kVersion);
  EXPECT_EQ(entry->objectNumber, 3);
  EXPECT_EQ(entry->description, "Котельная на Ленина");
  EXPECT_EQ(entry->records, 12);
  EXPECT_EQ(entry->firstRecord, test::k10h);
  EXPECT_EQ(entry->lastRecord, test::k10h + 11 * 3600);
  EXPECT_FALSE(entry->added);
  EXPECT_EQ(entry->fileSize, static_cast<int64_t>(fs::file_size(kept.path)));
  EXPECT_EQ(journal.PathOf(*entry), kept.path);
  EXPECT_EQ(journal.FindByPath(kept.path)->id, kept.id);
  EXPECT_FALSE(journal.FindByPath(m_dir / "elsewhere.sav"));

  // The same contents with another description and read time: not again.
  survey->m_strDescription = "другое";
  survey->m_tRead += 60;
  const CKeptSurvey again = journal.Keep(*survey);
  EXPECT_TRUE(again.alreadyKept);
  EXPECT_EQ(again.id, kept.id);
  EXPECT_EQ(journal.List().size(), 1u);

  // A changed description written back; the index follows.
  journal.Update(kept.id, *survey);
  EXPECT_EQ(journal.Find(kept.id)->description, "другое");
  EXPECT_EQ(LoadSavedArchive(kept.path, *m_d)->m_strDescription, "другое");
  EXPECT_THROW(journal.Update(kept.id + 100, *survey), std::out_of_range);
}

TEST_F(JournalTest, ADeepFolderOfCyrillicNamesServes) {
  // Past the 260 characters a plain Windows name may have.
  fs::path deep = m_dir.Path();
  while (PathToUtf8(deep).size() < 300) deep /= PathFromUtf8("Обследования котельных");
  const fs::path folder = deep / PathFromUtf8("Журнал");
  int64_t id = 0;
  {
    CSurveyJournal journal(folder, *m_d);
    id = journal.Keep(*Survey(*m_d, 1, "SN 1")).id;
  }
  CSurveyJournal journal(folder, *m_d);
  ASSERT_TRUE(journal.Find(id));
  EXPECT_NE(LoadSavedArchive(journal.PathOf(*journal.Find(id)), *m_d), nullptr);
}

TEST_F(JournalTest, FileNamesAreSafeEverywhere) {
  auto survey = Survey(*m_d, 7, "");
  survey->m_strDeviceId = "Нет информации";
  EXPECT_EQ(SurveyFileName(*survey), "Прибор Объект 07 2023-11-14 22-13-20.sav");
  survey->m_strDeviceId = "";
  EXPECT_EQ(SurveyFileName(*survey), "Прибор Объект 07 2023-11-14 22-13-20.sav");
  survey->m_strDeviceId = kVersion;
  EXPECT_EQ(SurveyFileName(*survey), "TARVIK 59.11.03.04 Объект 07 2023-11-14 22-13-20.sav");
  survey->m_strDeviceId = std::string(kVersion) + " a<b>c:d\"e/f\\g|h?i*j\tk. ..";
  EXPECT_EQ(SurveyFileName(*survey), "a_b_c_d_e_f_g_h_i_j_k Объект 07 2023-11-14 22-13-20.sav");
  survey->m_strDeviceId = std::string(kVersion) + " NUL.1";
  EXPECT_EQ(SurveyFileName(*survey).substr(0, 7), "_NUL.1 ");
  // Cut at 40 characters, never inside one.
  survey->m_strDeviceId = std::string(kVersion) + " " + std::string(39, 'x') + "ЖЖЖ";
  EXPECT_EQ(SurveyFileName(*survey), std::string(39, 'x') + "Ж Объект 07 2023-11-14 22-13-20.sav");
  EXPECT_EQ(InstrumentOfDeviceId("TARVIK 59.11.03.04   SN 1  "), "SN 1");
}

TEST_F(JournalTest, SurveysOfOneNameAreNumbered) {
  CSurveyJournal journal(Folder(), *m_d);
  const auto a = journal.Keep(*Survey(*m_d, 1, "SN 1", 1700000000, 12));
  const auto b = journal.Keep(*Survey(*m_d, 1, "SN 1", 1700000000, 13));
  const auto c = journal.Keep(*Survey(*m_d, 1, "SN 1", 1700000000, 14));
  EXPECT_EQ(PathToUtf8(b.path.filename()), "SN 1 Объект 01 2023-11-14 22-13-20 (2).sav");
  EXPECT_EQ(PathToUtf8(c.path.filename()), "SN 1 Объект 01 2023-11-14 22-13-20 (3).sav");
  EXPECT_NE(a.id, b.id);
}

TEST_F(JournalTest, FilesChangedByHandAreNoticedAtOpening) {
  fs::create_directories(Folder());
  // Written, then the process killed before indexing it.
  SaveSavedArchive(Folder() / "a.sav", *Survey(*m_d, 2, "SN 5"));
  std::ofstream(Folder() / "notes.txt") << "not an archive";
  int64_t id = 0;
  {
    CSurveyJournal journal(Folder(), *m_d);
    ASSERT_EQ(journal.OpeningChanges().added.size(), 1u);
    const auto list = journal.List();
    ASSERT_EQ(list.size(), 1u);
    EXPECT_EQ(list[0].fileName, "a.sav");
    EXPECT_EQ(list[0].instrument, "SN 5");
    id = list[0].id;
  }
  fs::remove(Folder() / "a.sav");
  SaveSavedArchive(Folder() / "b.sav", *Survey(*m_d, 4, "SN 6"));
  CSurveyJournal journal(Folder(), *m_d);
  EXPECT_EQ(journal.OpeningChanges().removedFromIndex, 1);
  const auto list = journal.List();
  ASSERT_EQ(list.size(), 1u);
  EXPECT_EQ(list[0].objectNumber, 4);
  EXPECT_GT(list[0].id, id);  // ids are never reused
  EXPECT_TRUE(journal.Rebuild(true).added.empty());
  EXPECT_EQ(journal.List()[0].id, list[0].id);
}

TEST_F(JournalTest, TwoJournalsKeepingAtOnceLoseNothing) {
  constexpr int kEach = 15;
  CSurveyJournal first(Folder(), *m_d);
  CSurveyJournal second(Folder(), *m_d);
  // Every survey has the same name; the two writers differ by content.
  auto keep = [&](CSurveyJournal& journal, int offset) {
    for (int i = 0; i < kEach; ++i) journal.Keep(*Survey(*m_d, 1, "SN 1", 1700000000, 3 + offset + 2 * i));
  };
  std::thread a(keep, std::ref(first), 0);
  std::thread b(keep, std::ref(second), 1);
  a.join();
  b.join();
  const auto list = first.List();
  ASSERT_EQ(list.size(), 2u * kEach);
  std::set<std::string> names;
  for (const auto& e : list) names.insert(e.fileName);
  EXPECT_EQ(names.size(), 2u * kEach);
  EXPECT_EQ(Names(Folder()).size(), 2u * kEach + 3);  // and the index, its log and shared memory
}

#ifndef _WIN32
// Two processes (the program and the tool) keeping into one journal: the
// file locks of the index are per process, which threads do not try.
TEST_F(JournalTest, TwoProcessesKeepingAtOnceLoseNothing) {
  constexpr int kEach = 10;
  { CSurveyJournal made(Folder(), *m_d); }  // the index made before either writer
  auto keep = [&](int offset) {
    CSurveyJournal journal(Folder(), *m_d);
    for (int i = 0; i < kEach; ++i) journal.Keep(*Survey(*m_d, 1, "SN 1", 1700000000, 3 + offset + 2 * i));
  };
  const pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    int status = 0;
    try {
      keep(1);
    } catch (...) {
      status = 1;
    }
    _exit(status);
  }
  keep(0);
  int status = -1;
  ASSERT_EQ(waitpid(child, &status, 0), child);
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
  CSurveyJournal journal(Folder(), *m_d);
  const auto list = journal.List();
  EXPECT_EQ(list.size(), 2u * kEach);
  std::set<std::string> names;
  for (const auto& e : list) names.insert(e.fileName);
  EXPECT_EQ(names.size(), 2u * kEach);
  EXPECT_TRUE(journal.OpeningChanges().added.empty());  // every file was indexed by its writer
}
#endif

TEST_F(JournalTest, ADamagedOrForeignIndexIsSetAsideAndRebuilt) {
  {
    CSurveyJournal journal(Folder(), *m_d);
    journal.Keep(*Survey(*m_d, 1, "SN 1"));
    journal.Keep(*Survey(*m_d, 2, "SN 1"));
  }
  const fs::path index = Folder() / kJournalIndexName;
  auto reopen = [&] {
    CSurveyJournal journal(Folder(), *m_d);
    EXPECT_TRUE(journal.OpeningChanges().indexRebuilt);
    EXPECT_EQ(journal.List().size(), 2u);
  };
  for (const char* suffix : {"", "-wal", "-shm"}) fs::remove(fs::path(index) += suffix);
  std::ofstream(index, std::ios::binary) << std::string(5000, '\x5A');
  reopen();
  {
    fs::remove(index);
    SQLite::Database foreign(PathToUtf8(index), SQLite::OPEN_READWRITE | SQLite::OPEN_CREATE);
    foreign.exec("CREATE TABLE accounts (name TEXT, balance REAL)");
  }
  reopen();
  size_t aside = 0;
  for (const auto& name : Names(Folder())) aside += name.rfind("journal.sqlite.damaged-", 0) == 0 ? 1 : 0;
  EXPECT_GE(aside, 2u);
}

TEST_F(JournalTest, AnIndexOfANewerVersionIsLeftAlone) {
  { CSurveyJournal journal(Folder(), *m_d); }
  const fs::path index = Folder() / kJournalIndexName;
  {
    SQLite::Database db(PathToUtf8(index), SQLite::OPEN_READWRITE);
    db.exec("PRAGMA user_version=99");
  }
  const std::string before = test::ReadText(index);
  try {
    CSurveyJournal journal(Folder(), *m_d);
    ADD_FAILURE();
  } catch (const CJournalError& e) {
    EXPECT_NE(std::string(e.what()).find("более новой версией"), std::string::npos) << e.what();
  }
  EXPECT_EQ(test::ReadText(index), before);
}

TEST_F(JournalTest, ADamagedArchiveIsListedAndLeftInPlace) {
  fs::create_directories(Folder());
  std::ofstream(Folder() / "broken.sav", std::ios::binary) << "not an archive at all";
  CSurveyJournal journal(Folder(), *m_d);
  ASSERT_EQ(journal.OpeningChanges().skipped.size(), 1u);
  const auto list = journal.List();
  ASSERT_EQ(list.size(), 1u);
  EXPECT_TRUE(list[0].damaged);
  EXPECT_FALSE(list[0].damage.empty());
  EXPECT_EQ(test::ReadText(Folder() / "broken.sav"), "not an archive at all");
}

TEST_F(JournalTest, AFolderThatCannotBeMadeIsTold) {
  std::ofstream(m_dir / "file") << "x";
  try {
    CSurveyJournal journal(m_dir / "file" / "Журнал", *m_d);
    ADD_FAILURE();
  } catch (const CJournalError& e) {
    EXPECT_EQ(std::string(e.what()).rfind("не удается создать папку журнала ", 0), 0u) << e.what();
  }
}

TEST_F(JournalTest, AFailedWriteKeepsNothing) {
  CSurveyJournal journal(Folder(), *m_d);
  const auto before = Names(Folder());
  for (const int err : {ENOSPC, EROFS}) {
    SetFileFaultHook([err](EFileStep step) { return step == EFileStep::kWrite ? err : 0; });
    try {
      journal.Keep(*Survey(*m_d, 1, "SN 1"));
      ADD_FAILURE();
    } catch (const CFileError& e) {
      EXPECT_EQ(e.code().value(), err);
    }
    SetFileFaultHook({});
    EXPECT_TRUE(journal.List().empty());
    EXPECT_EQ(Names(Folder()), before);
  }
  EXPECT_FALSE(journal.Keep(*Survey(*m_d, 1, "SN 1")).alreadyKept);
}

TEST_F(JournalTest, RemoveMovesTheFileAside) {
  CSurveyJournal journal(Folder(), *m_d);
  const auto kept = journal.Keep(*Survey(*m_d, 1, "SN 1"));
  const std::string bytes = test::ReadText(kept.path);
  const fs::path removed = Folder() / PathFromUtf8(kJournalRemovedFolder);
  EXPECT_EQ(journal.Remove(kept.id), removed / kept.path.filename());
  EXPECT_FALSE(fs::exists(kept.path));
  EXPECT_EQ(test::ReadText(removed / kept.path.filename()), bytes);
  EXPECT_TRUE(journal.List().empty());
  EXPECT_THROW(journal.Remove(kept.id), std::out_of_range);
  // Kept again (its file is gone) and removed again: beside the first.
  const auto again = journal.Keep(*Survey(*m_d, 1, "SN 1"));
  EXPECT_FALSE(again.alreadyKept);
  const fs::path second = journal.Remove(again.id);
  EXPECT_NE(second, removed / kept.path.filename());
  EXPECT_TRUE(fs::exists(second));
  EXPECT_EQ(Names(removed).size(), 2u);

  // A file another program holds stays, and so does its entry.
  const auto held = journal.Keep(*Survey(*m_d, 2, "SN 1"));
  test::HeldFile hold(held.path);
  if (hold.Held()) {
    EXPECT_THROW(journal.Remove(held.id), CFileBusyError);
    EXPECT_TRUE(fs::exists(held.path));
    EXPECT_TRUE(journal.Find(held.id));
  }
}

TEST_F(JournalTest, ProtocolNotesAreKeptBesideTheSurveyAndGoWithIt) {
  CSurveyJournal journal(Folder(), *m_d);
  const auto kept = journal.Keep(*Survey(*m_d, 1, "SN 1"));
  EXPECT_FALSE(journal.ProtocolFields(kept.id));
  CSurveyNotes notes{"17/2 = б", "ул. Ленина, д. 5\\корп. 2", "ООО «Тепло»",
                     "Первая строка\nвторая\r\n\\n не перевод\n"};
  journal.SetProtocolFields(kept.id, notes);
  const fs::path side = Folder() / PathFromUtf8(PathToUtf8(kept.path.stem()) + ".protocol");
  ASSERT_TRUE(fs::exists(side));
  // One line a key, whatever the values hold.
  const std::string text = test::ReadText(side);
  EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), 4);
  EXPECT_EQ(journal.ProtocolFields(kept.id), notes);
  EXPECT_THROW(journal.SetProtocolFields(kept.id + 100, notes), std::out_of_range);

  // The index is made from the *.sav files only; the notes outlive it.
  EXPECT_TRUE(journal.Rebuild(true).added.empty());
  EXPECT_EQ(journal.List().size(), 1u);
  {
    CSurveyJournal reopened(Folder(), *m_d);
    EXPECT_EQ(reopened.ProtocolFields(kept.id), notes);
  }

  // Removed: the notes go along; a new survey of that name starts without them.
  const fs::path moved = journal.Remove(kept.id);
  EXPECT_FALSE(fs::exists(side));
  const fs::path movedSide = moved.parent_path() / PathFromUtf8(PathToUtf8(moved.stem()) + ".protocol");
  EXPECT_EQ(test::ReadText(movedSide), text);
  const auto again = journal.Keep(*Survey(*m_d, 1, "SN 1"));
  EXPECT_FALSE(journal.ProtocolFields(again.id));
  journal.SetProtocolFields(again.id, CSurveyNotes{"2", "", "", ""});
  const fs::path second = journal.Remove(again.id);
  EXPECT_EQ(ParseSurveyNotes(test::ReadText(second.parent_path() /
                                            PathFromUtf8(PathToUtf8(second.stem()) + ".protocol")))->number,
            "2");
  EXPECT_EQ(test::ReadText(movedSide), text);
}

TEST_F(JournalTest, DamagedProtocolNotesGiveNone) {
  CSurveyJournal journal(Folder(), *m_d);
  const auto kept = journal.Keep(*Survey(*m_d, 1, "SN 1"));
  const fs::path side = Folder() / PathFromUtf8(PathToUtf8(kept.path.stem()) + ".protocol");
  for (const std::string& damaged : std::vector<std::string>{"number=1\nбез знака равенства\n", "number=a\\tb\n", "number=конец\\",
                                    std::string("number=\xC3\x28\n")}) {
    std::ofstream(side, std::ios::binary) << damaged;
    EXPECT_FALSE(journal.ProtocolFields(kept.id)) << damaged;
  }
  // A folder in its place, and a file too large to be notes.
  fs::remove(side);
  fs::create_directory(side);
  EXPECT_FALSE(journal.ProtocolFields(kept.id));
  fs::remove(side);
  std::ofstream(side, std::ios::binary) << std::string(2 << 20, 'x');
  EXPECT_FALSE(journal.ProtocolFields(kept.id));
  // Written by hand on Windows, with a key of a later version: read.
  std::ofstream(side, std::ios::binary) << "client=Школа № 3\r\nlater=x\r\n";
  EXPECT_EQ(journal.ProtocolFields(kept.id), (CSurveyNotes{"", "", "Школа № 3", ""}));
}

TEST_F(JournalTest, AddCopiesGoodArchivesAndSkipsTheRest) {
  const fs::path source = m_dir / "старые";
  fs::create_directories(source / "2024");
  SaveSavedArchive(source / "one.sav", *Survey(*m_d, 1, "SN 1"));
  SaveSavedArchive(source / "2024" / "two.SAV", *Survey(*m_d, 2, "SN 1"));
  SaveSavedArchive(source / "2024" / "copy.sav", *Survey(*m_d, 2, "SN 1"));
  std::ofstream(source / "2024" / "bad.sav") << "garbage";
  std::ofstream(source / "readme.txt") << "not looked at";
  const std::string original = test::ReadText(source / "one.sav");

  CSurveyJournal journal(Folder(), *m_d);
  size_t calls = 0;
  const CJournalChanges changes = journal.Add({source}, [&](size_t, size_t total) {
    EXPECT_EQ(total, 4u);
    return ++calls > 0;
  });
  EXPECT_EQ(changes.added.size(), 2u);
  EXPECT_EQ(changes.alreadyKept.size(), 1u);
  ASSERT_EQ(changes.skipped.size(), 1u);
  EXPECT_EQ(changes.skipped[0].path.filename(), "bad.sav");
  EXPECT_EQ(test::ReadText(source / "one.sav"), original);
  const auto entry = journal.List(Filter("", 1))[0];
  EXPECT_TRUE(entry.added);
  EXPECT_EQ(test::ReadText(journal.PathOf(entry)), original);

  // The journal's own files are not added to it again.
  const CJournalChanges own = journal.Add({Folder(), journal.PathOf(entry)});
  EXPECT_TRUE(own.added.empty() && own.alreadyKept.empty() && own.skipped.empty());
  EXPECT_EQ(journal.List().size(), 2u);
}

TEST_F(JournalTest, TheFilterFindsByTextObjectAndPeriod) {
  CSurveyJournal journal(Folder(), *m_d);
  auto a = Survey(*m_d, 3, "SN 0004321", 1700000000, 10, test::k10h);
  a->m_strDescription = "Котельная на ЛЕНИНА, март";
  auto b = Survey(*m_d, 12, "SN 0009999", 1700000100, 10, test::k10h + 86400 * 30);
  b->m_strDescription = "Школа №5";
  journal.Keep(*a);
  journal.Keep(*b);

  auto objects = [&](const CSurveyFilter& filter) {
    std::vector<int> numbers;
    for (const auto& e : journal.List(filter)) numbers.push_back(e.objectNumber);
    // A list at hand filters alike.
    std::vector<int> matched;
    for (const auto& e : journal.List()) {
      if (SurveyMatches(e, filter)) matched.push_back(e.objectNumber);
    }
    EXPECT_EQ(numbers, matched);
    return numbers;
  };
  EXPECT_EQ(objects({}), (std::vector<int>{12, 3}));  // newest read first
  EXPECT_EQ(objects(Filter("котельная ленина")), std::vector<int>{3});
  EXPECT_EQ(objects(Filter("  ШКОЛА  ")), std::vector<int>{12});
  EXPECT_EQ(objects(Filter("котельная школа")), std::vector<int>{});
  EXPECT_EQ(objects(Filter("9999")), std::vector<int>{12});
  EXPECT_EQ(objects(Filter("12")), std::vector<int>{12});  // the object's number
  // A short number is the object's, or begins a word of the description;
  // not the digits of every serial number and version key.
  EXPECT_EQ(objects(Filter("3")), std::vector<int>{3});
  EXPECT_EQ(objects(Filter("5")), std::vector<int>{12});  // «Школа №5»
  EXPECT_EQ(objects(Filter("0009999 12")), std::vector<int>{12});
  EXPECT_EQ(objects(Filter("59")), std::vector<int>{});
  EXPECT_EQ(objects(Filter("", 0, 0, 0, "sn 000432")), std::vector<int>{3});
  EXPECT_EQ(objects(Filter("", 12)), std::vector<int>{12});
  EXPECT_EQ(objects(Filter("", 0, test::k10h + 86400)), std::vector<int>{12});
  EXPECT_EQ(objects(Filter("", 0, 0, test::k10h + 86400)), std::vector<int>{3});
  EXPECT_EQ(objects(Filter("", 0, test::k10h + 5 * 3600, test::k10h + 6 * 3600)), std::vector<int>{3});
}

}  // namespace
}  // namespace tkq
