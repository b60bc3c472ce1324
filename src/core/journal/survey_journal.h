#pragma once
// The survey journal: every archive read from an instrument kept at once as
// a saved archive in one folder, with an index to find any of them fast.
//
// The files are the data. The index (an SQLite database in the same
// folder) only says what each file holds, so that a list of thousands of
// surveys needs no file opened; it is checked against the folder when the
// journal opens (files added or removed by hand are noticed) and rebuilt
// from the files when it is damaged or foreign. The program and the tool
// may use one journal at the same time.

#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "core/archive/device_id.h"

namespace tkq {

class CObjectDefinition;
class CReadParamClass;

// The name of the index in the journal folder, of its folder of removed
// surveys, and of the journal folder under the user's documents.
inline constexpr char kJournalIndexName[] = "journal.sqlite";
inline constexpr char kJournalRemovedFolder[] = "Удаленные";
inline constexpr char kJournalFolderInDocuments[] = "Tarvik KQ/Журнал";

// A journal that cannot be used: its folder cannot be created or written,
// or its index cannot be opened even after being set aside. what() is the
// Russian sentence the user is shown, with the path and the reason.
class CJournalError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// One survey as the index knows it.
struct CSurveyEntry {
  int64_t id = 0;                 // stable while the index lives; never reused
  std::string deviceId;           // the whole identification text
  std::string versionKey;         // its first 18 characters
  std::string instrument;         // what follows the version key (the serial number), else the version key
  int objectNumber = 0;           // 1..20
  std::string description;        // the object's description
  uint32_t firstRecord = 0;       // the first and last measurement record's time (instrument's clock);
  uint32_t lastRecord = 0;        //   0 when there is no record
  int64_t records = 0;            // measurement records
  int64_t abnormals = 0;          // abnormal situations
  int64_t readTime = 0;           // when it was read: seconds since 1970 (computer's clock, UTC)
  bool added = false;             // added from a file rather than read here
  std::string fileName;           // the file's name in the journal folder (UTF-8)
  int64_t fileSize = 0;
  std::string contentHash;        // of what the instrument delivered (hex); equal for equal reads
  bool damaged = false;           // the file does not load; `damage` says why
  std::string damage;
  // The identification, object number and description lower-cased, as the
  // search compares them; filled by List and Find, so that a window
  // filtering thousands of surveys keystroke by keystroke lowers nothing.
  std::string searchText;
};

// What `List` keeps; empty or zero fields keep everything.
struct CSurveyFilter {
  std::string instrument;    // part of the instrument's identification, any case
  int objectNumber = 0;      // this object only
  int64_t from = 0;          // the survey's period (first to last record, else its read
  int64_t to = 0;            //   time) meets [from, to]: seconds of the instrument's clock
  std::string text;          // each word found in the instrument (its serial number) or description, any
                             //   case; a number of one or two digits is the object's number, or begins a
                             //   word of the description
};

// Whether `entry` passes `filter`, as List filters: for a window that
// filters a list it holds, keystroke by keystroke, without the index.
bool SurveyMatches(const CSurveyEntry& entry, const CSurveyFilter& filter);

// The outcome of keeping one survey.
struct CKeptSurvey {
  int64_t id = 0;
  std::filesystem::path path;  // the survey's file
  bool alreadyKept = false;    // an equal survey was there: nothing was written
};

// What the user typed for a survey's protocol, kept beside its file as
// "<file stem>.protocol" (UTF-8 "key=value" lines, line feeds and
// backslashes escaped), so that it outlives the index.
struct CSurveyNotes {
  std::string number;
  std::string address;
  std::string client;
  std::string remarks;  // line feeds between paragraphs
  bool operator==(const CSurveyNotes&) const = default;
};

// The extension of a survey's notes file.
inline constexpr char kSurveyNotesExtension[] = ".protocol";

// One file that `Add` could not take, and why (Russian).
struct CSkippedFile {
  std::filesystem::path path;
  std::string reason;
};

// What `Add` and `Rebuild` did.
struct CJournalChanges {
  std::vector<int64_t> added;           // the surveys added
  std::vector<int64_t> alreadyKept;     // files equal to a kept survey: not copied
  std::vector<CSkippedFile> skipped;    // damaged or unreadable files, left as they are
  int removedFromIndex = 0;             // index entries whose file had gone
  bool indexRebuilt = false;            // the index was damaged or foreign and was made anew
};

class CSurveyJournal {
 public:
  // Opens the journal in `folder`, creating the folder and its index when
  // they are not there, and brings the index up to date with the files
  // (Rebuild without reloading unchanged files). A damaged or foreign index
  // is renamed aside ("journal.sqlite.damaged-…") and made anew from the
  // files. `description` decodes the parameter files of the archives that
  // are loaded; it must outlive the journal. Throws CJournalError.
  CSurveyJournal(const std::filesystem::path& folder, const CReadParamClass& description);
  ~CSurveyJournal();
  CSurveyJournal(const CSurveyJournal&) = delete;
  CSurveyJournal& operator=(const CSurveyJournal&) = delete;

  // The default folder: kJournalFolderInDocuments under `documents`.
  static std::filesystem::path DefaultFolder(const std::filesystem::path& documents);

  const std::filesystem::path& Folder() const { return m_folder; }

  // Keeps a survey just read: written as a saved archive (safely, like
  // every save) under a name made from the instrument, the object and the
  // read time, then indexed. A survey equal to a kept one is not written
  // again (alreadyKept). Throws CFileError (disk full, read-only, …) with
  // nothing indexed and no partial file left, or CJournalError.
  CKeptSurvey Keep(const CObjectDefinition& object);

  // Writes `object` (its description changed) back over the file of survey
  // `id` and updates the index. Throws as Keep does; std::out_of_range when
  // there is no such survey.
  void Update(int64_t id, const CObjectDefinition& object);

  // Copies saved archives into the journal, the originals untouched: each
  // file given, and every "*.sav" file under a folder given (with its
  // subfolders). Damaged ones are skipped with the reason. `progress`, when
  // given, hears (done, total) and may return false to stop.
  CJournalChanges Add(const std::vector<std::filesystem::path>& paths,
                      const std::function<bool(size_t, size_t)>& progress = {});

  // The notes typed for survey `id`'s protocol; none when none were kept,
  // the survey is unknown, or the notes file is damaged or unreadable.
  std::optional<CSurveyNotes> ProtocolFields(int64_t id) const;
  // Keeps the notes beside survey `id`'s file, replacing the file safely.
  // Throws std::out_of_range when there is no such survey, CFileError when
  // the file cannot be written (the old notes then stay).
  void SetProtocolFields(int64_t id, const CSurveyNotes& notes);

  // Moves the survey's file (and its notes) into the folder
  // kJournalRemovedFolder of the journal (never deleting it) and drops it
  // from the index. Throws
  // std::out_of_range when there is no such survey, CFileError when the
  // file cannot be moved (the index then keeps it). Returns where the file
  // went ("name (2).sav" when a survey of that name was removed before),
  // empty when it had gone already.
  std::filesystem::path Remove(int64_t id);

  // The surveys, newest read first.
  std::vector<CSurveyEntry> List(const CSurveyFilter& filter = {}) const;
  std::optional<CSurveyEntry> Find(int64_t id) const;
  // The survey whose file is `path`, if the file is one of the journal's.
  std::optional<CSurveyEntry> FindByPath(const std::filesystem::path& path) const;
  std::filesystem::path PathOf(const CSurveyEntry& entry) const;

  // Brings the index up to date with the folder: new files are loaded and
  // indexed, entries of missing files dropped, changed files (size or time)
  // loaded again. With `everything`, every file is loaded again.
  CJournalChanges Rebuild(bool everything = false);

  // What opening the journal found: files added or removed by hand, damaged
  // files, an index made anew.
  const CJournalChanges& OpeningChanges() const { return m_opening; }

  class CIndex;  // the index's own header: journal_index.h

 private:
  // `name`, else the first of "stem (2).sav", "stem (3).sav" … taken
  // neither in the folder nor in the index, with no notes file left of it.
  std::string FreeName(const std::string& name) const;
  std::filesystem::path NotesPathOf(const CSurveyEntry& entry) const;

  std::filesystem::path m_folder;
  const CReadParamClass& m_description;
  std::unique_ptr<CIndex> m_index;
  CJournalChanges m_opening;
};

// The content hash of a survey: what the instrument delivered (the object
// number, identification, records, abnormal situations, parameter and
// system files), not the description, read time or view settings.
std::string SurveyContentHash(const CObjectDefinition& object);

// The file name a survey is kept under, safe on every system:
// "SN 0001234 Объект 03 2026-12-09 14-05-31.sav" (the read time in local
// time); characters no file system takes become '_'.
std::string SurveyFileName(const CObjectDefinition& object);

// The notes file's text, and the notes read back from it; nullopt for a
// text that is not one (a line without '=', an unknown escape, no valid
// UTF-8). Keys it does not know are passed over.
std::string StoreSurveyNotes(const CSurveyNotes& notes);
std::optional<CSurveyNotes> ParseSurveyNotes(std::string_view text);

}  // namespace tkq
