#pragma once
// The index of the survey journal: one SQLite database beside the files,
// one row per file. Several connections (the program's, the tool's) may
// use it at once: every change is one write transaction, and a connection
// that finds the database locked waits for it.

#include <cstdint>
#include <filesystem>
#include <unordered_map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "core/journal/survey_journal.h"

namespace SQLite {
class Database;
}

namespace tkq {

// The name of the SQLite file system layer the index is opened with: on
// Windows the one that takes paths of any length; empty for the default.
const char* JournalIndexVfs();

// What the index knows of a file, to tell whether it changed.
struct CIndexedFile {
  int64_t id = 0;
  int64_t size = 0;
  int64_t modified = 0;
  bool added = false;
};

// One row: the entry, the file's modification time and the search text.
struct CIndexRow {
  CSurveyEntry entry;
  int64_t modified = 0;
};

class CSurveyJournal::CIndex {
 public:
  // Opens or creates `folder`/kJournalIndexName. A file that is not an
  // index of ours (damaged, foreign) is renamed aside and a new one made:
  // IndexRebuilt() then says so. Throws CJournalError, also for an index
  // of a newer version, which is left untouched.
  explicit CIndex(const std::filesystem::path& folder);
  ~CIndex();

  bool IndexRebuilt() const { return m_setAside; }

  // A write transaction: taken at once (waiting while another connection
  // writes), rolled back unless committed.
  class CWrite {
   public:
    explicit CWrite(CIndex& index);
    ~CWrite();
    CWrite(const CWrite&) = delete;
    CWrite& operator=(const CWrite&) = delete;
    void Commit();

   private:
    CIndex& m_index;
    bool m_open = true;
  };

  int64_t Insert(const CIndexRow& row);
  // Replaces everything but the id of row `row.entry.id`.
  void Update(const CIndexRow& row);
  void Delete(int64_t id);

  std::vector<CSurveyEntry> List(const CSurveyFilter& filter) const;
  std::optional<CSurveyEntry> Find(int64_t id) const;
  std::optional<CSurveyEntry> FindByName(const std::string& fileName) const;
  // The surveys (not damaged) of a content hash.
  std::vector<CSurveyEntry> FindByHash(const std::string& hash) const;
  bool NameTaken(const std::string& fileName) const;
  // Every file the index holds, by name.
  std::unordered_map<std::string, CIndexedFile> Files() const;

 private:
  void Open(const std::filesystem::path& path);
  void Prepare();
  void SetAside(const std::filesystem::path& path);

  std::filesystem::path m_path;
  std::unique_ptr<SQLite::Database> m_db;
  bool m_setAside = false;
};

// The text the search of a list looks in, in lower case: the
// identification, the object's number (as "3" and "03") and the
// description.
std::string SurveySearchText(const CSurveyEntry& entry);

// Whether `e` is an error of the index's database, and its reason in our
// words.
bool IsIndexError(const std::exception& e);
std::string IndexErrorReason(const std::exception& e);

// `text` in lower case, Cyrillic letters too.
std::string Utf8Lower(std::string_view text);

}  // namespace tkq
