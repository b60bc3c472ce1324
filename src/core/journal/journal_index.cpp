#include "core/journal/journal_index.h"

#include <SQLiteCpp/SQLiteCpp.h>
#include <sqlite3.h>

#include <ctime>
#include <iterator>
#include <set>

#include "core/base/cp1251.h"
#include "core/base/paths.h"
#include "core/storage/file_io.h"

namespace tkq {
namespace {

// How long a connection waits for another one's write.
constexpr int kBusyTimeoutMs = 5000;
// "TKQJ": marks the database as a journal's index.
constexpr int kApplicationId = 0x544B514A;

// The schema, step by step: step n brings an index of version n to
// version n + 1 (step 0 makes it from nothing). A new version is one more
// step at the end.
void CreateVersion1(SQLite::Database& db) {
  db.exec(
      "CREATE TABLE surveys ("
      " id INTEGER PRIMARY KEY AUTOINCREMENT,"
      " device_id TEXT NOT NULL,"
      " version_key TEXT NOT NULL,"
      " instrument TEXT NOT NULL,"
      " object_number INTEGER NOT NULL,"
      " description TEXT NOT NULL,"
      " first_record INTEGER NOT NULL,"
      " last_record INTEGER NOT NULL,"
      " records INTEGER NOT NULL,"
      " abnormals INTEGER NOT NULL,"
      " read_time INTEGER NOT NULL,"
      " added INTEGER NOT NULL,"
      " file_name TEXT NOT NULL,"
      " file_size INTEGER NOT NULL,"
      " file_mtime INTEGER NOT NULL,"
      " content_hash TEXT NOT NULL,"
      " damaged INTEGER NOT NULL,"
      " damage TEXT NOT NULL,"
      " device_lower TEXT NOT NULL,"
      " search_text TEXT NOT NULL)");
  db.exec("CREATE UNIQUE INDEX surveys_file ON surveys(file_name COLLATE NOCASE)");
  db.exec("CREATE INDEX surveys_hash ON surveys(content_hash)");
  db.exec("CREATE INDEX surveys_read_time ON surveys(read_time DESC, id DESC)");
}

using CSchemaStep = void (*)(SQLite::Database&);
constexpr CSchemaStep kSchemaSteps[] = {CreateVersion1};
constexpr int kSchemaVersion = static_cast<int>(std::size(kSchemaSteps));

// The columns of the current version, as a row is read.
constexpr const char* kColumns =
    "id, device_id, version_key, instrument, object_number, description, first_record, last_record, records,"
    " abnormals, read_time, added, file_name, file_size, content_hash, damaged, damage, search_text";
constexpr const char* kColumnNames[] = {"id",          "device_id",   "version_key", "instrument",   "object_number",
                                        "description", "first_record", "last_record", "records",      "abnormals",
                                        "read_time",   "added",       "file_name",   "file_size",    "file_mtime",
                                        "content_hash", "damaged",    "damage",      "device_lower", "search_text"};

// An index that is not one of ours, or is damaged: set aside and made anew.
struct CUnusableIndex {};

CSurveyEntry EntryOf(SQLite::Statement& q) {
  CSurveyEntry e;
  e.id = q.getColumn(0).getInt64();
  e.deviceId = q.getColumn(1).getString();
  e.versionKey = q.getColumn(2).getString();
  e.instrument = q.getColumn(3).getString();
  e.objectNumber = q.getColumn(4).getInt();
  e.description = q.getColumn(5).getString();
  e.firstRecord = static_cast<uint32_t>(q.getColumn(6).getInt64());
  e.lastRecord = static_cast<uint32_t>(q.getColumn(7).getInt64());
  e.records = q.getColumn(8).getInt64();
  e.abnormals = q.getColumn(9).getInt64();
  e.readTime = q.getColumn(10).getInt64();
  e.added = q.getColumn(11).getInt() != 0;
  e.fileName = q.getColumn(12).getString();
  e.fileSize = q.getColumn(13).getInt64();
  e.contentHash = q.getColumn(14).getString();
  e.damaged = q.getColumn(15).getInt() != 0;
  e.damage = q.getColumn(16).getString();
  e.searchText = q.getColumn(17).getString();
  return e;
}

// Binds every column but the id, from 1 on; returns the next place.
int BindRow(SQLite::Statement& q, const CIndexRow& row) {
  const CSurveyEntry& e = row.entry;
  int i = 1;
  q.bind(i++, e.deviceId);
  q.bind(i++, e.versionKey);
  q.bind(i++, e.instrument);
  q.bind(i++, e.objectNumber);
  q.bind(i++, e.description);
  q.bind(i++, static_cast<int64_t>(e.firstRecord));
  q.bind(i++, static_cast<int64_t>(e.lastRecord));
  q.bind(i++, e.records);
  q.bind(i++, e.abnormals);
  q.bind(i++, e.readTime);
  q.bind(i++, e.added ? 1 : 0);
  q.bind(i++, e.fileName);
  q.bind(i++, e.fileSize);
  q.bind(i++, row.modified);
  q.bind(i++, e.contentHash);
  q.bind(i++, e.damaged ? 1 : 0);
  q.bind(i++, e.damage);
  q.bind(i++, Utf8Lower(e.deviceId));
  q.bind(i++, SurveySearchText(e));
  return i;
}

int64_t QueryInt(SQLite::Database& db, const char* sql) {
  SQLite::Statement q(db, sql);
  return q.executeStep() ? q.getColumn(0).getInt64() : 0;
}

// Our words for what SQLite says of an index it cannot use.
std::string SqliteReason(const SQLite::Exception& e) {
  switch (e.getErrorCode()) {
    case SQLITE_CANTOPEN: return "файл не открывается";
    case SQLITE_READONLY:
    case SQLITE_PERM: return "нет прав на запись";
    case SQLITE_FULL: return "диск заполнен";
    case SQLITE_BUSY:
    case SQLITE_LOCKED: return "журнал занят другой программой";
    case SQLITE_IOERR: return "ошибка ввода-вывода";
    case SQLITE_NOMEM: return "недостаточно памяти";
    default: return e.what();
  }
}

std::string LocalStamp() {
  const std::time_t now = std::time(nullptr);
  std::tm local{};
  char buf[32] = "";
  if (localtime_r(&now, &local) != nullptr) std::strftime(buf, sizeof buf, "%Y%m%d-%H%M%S", &local);
  return buf;
}

}  // namespace

bool IsIndexError(const std::exception& e) { return dynamic_cast<const SQLite::Exception*>(&e) != nullptr; }

std::string IndexErrorReason(const std::exception& e) {
  const auto* error = dynamic_cast<const SQLite::Exception*>(&e);
  return error != nullptr ? SqliteReason(*error) : e.what();
}

std::string Utf8Lower(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (size_t i = 0; i < text.size();) {
    const auto c = static_cast<unsigned char>(text[i]);
    if (c < 0x80) {
      out += static_cast<char>(c >= 'A' && c <= 'Z' ? c + 32 : c);
      ++i;
      continue;
    }
    const size_t at = i;
    char32_t u = DecodeUtf8(text, i);
    if (u >= 0x410 && u <= 0x42F) {
      u += 0x20;  // А..Я
    } else if (u >= 0x400 && u <= 0x40F) {
      u += 0x50;  // Ѐ..Џ, Ё among them
    } else if ((u >= 0xC0 && u <= 0xDE && u != 0xD7)) {
      u += 0x20;  // Latin-1 capitals
    } else {
      out.append(text.substr(at, i - at));
      continue;
    }
    // Every letter lowered above takes two bytes.
    out += static_cast<char>(0xC0 | (u >> 6));
    out += static_cast<char>(0x80 | (u & 0x3F));
  }
  return out;
}

std::string SurveySearchText(const CSurveyEntry& entry) {
  return Utf8Lower(entry.deviceId) + "\n" + Utf8Lower(entry.instrument) + "\n" + Utf8Lower(entry.description);
}

CSurveyJournal::CIndex::CIndex(const std::filesystem::path& folder) : m_path(folder / kJournalIndexName) {
  try {
    Open(m_path);
    return;
  } catch (const CUnusableIndex&) {
  }
  m_db.reset();
  SetAside(m_path);
  m_setAside = true;
  try {
    Open(m_path);
  } catch (const CUnusableIndex&) {
    throw CJournalError("не удается создать индекс журнала " + DisplayPath(m_path));
  }
}

CSurveyJournal::CIndex::~CIndex() = default;

void CSurveyJournal::CIndex::Open(const std::filesystem::path& path) {
  try {
    const std::string name = LibraryFileName(path);
    const char* vfs = JournalIndexVfs();
    m_db = std::make_unique<SQLite::Database>(name.c_str(), SQLite::OPEN_READWRITE | SQLite::OPEN_CREATE,
                                              kBusyTimeoutMs, *vfs != '\0' ? vfs : nullptr);
    Prepare();
  } catch (const SQLite::Exception& e) {
    m_db.reset();
    if (e.getErrorCode() == SQLITE_NOTADB || e.getErrorCode() == SQLITE_CORRUPT) throw CUnusableIndex{};
    throw CJournalError("не удается открыть индекс журнала " + DisplayPath(path) + ": " + SqliteReason(e));
  }
}

void CSurveyJournal::CIndex::Prepare() {
  SQLite::Database& db = *m_db;

  auto foreign = [&](int64_t version) {
    if (version == 0) return QueryInt(db, "SELECT count(*) FROM sqlite_master") != 0;
    if (QueryInt(db, "PRAGMA application_id") != kApplicationId) return true;
    if (version != kSchemaVersion) return false;
    std::set<std::string> columns;
    SQLite::Statement info(db, "PRAGMA table_info(surveys)");
    while (info.executeStep()) columns.insert(info.getColumn(1).getString());
    for (const char* name : kColumnNames) {
      if (columns.count(name) == 0) return true;
    }
    return false;
  };
  // What the header says comes first: an index of a newer version is left
  // as it is.
  int64_t version = QueryInt(db, "PRAGMA user_version");
  if (version > kSchemaVersion) {
    m_db.reset();
    throw CJournalError("журнал " + DisplayPath(m_path.parent_path()) +
                        " создан более новой версией программы: обновите программу, чтобы работать с ним");
  }
  if (foreign(version)) throw CUnusableIndex{};
  {
    SQLite::Statement check(db, "PRAGMA quick_check");
    if (!check.executeStep() || check.getColumn(0).getString() != "ok") throw CUnusableIndex{};
  }
  // Readers and a writer at once; a commit syncs only at checkpoints.
  db.exec("PRAGMA journal_mode=WAL");
  db.exec("PRAGMA synchronous=NORMAL");
  if (version == kSchemaVersion) return;

  // Made or brought up to date in one transaction; another connection doing
  // the same meanwhile has done it first.
  CWrite write(*this);
  version = QueryInt(db, "PRAGMA user_version");
  if (version > kSchemaVersion || foreign(version)) throw CUnusableIndex{};
  for (int64_t step = version; step < kSchemaVersion; ++step) kSchemaSteps[step](db);
  db.exec("PRAGMA application_id=" + std::to_string(kApplicationId));
  db.exec("PRAGMA user_version=" + std::to_string(kSchemaVersion));
  write.Commit();
}

void CSurveyJournal::CIndex::SetAside(const std::filesystem::path& path) {
  const std::string stamp = LocalStamp();
  for (int n = 1;; ++n) {
    std::filesystem::path aside = path;
    std::string suffix = ".damaged-";
    suffix.append(stamp);
    if (n > 1) suffix.append(1, '-').append(std::to_string(n));
    aside += suffix;
    try {
      if (!MoveFileNoReplace(path, aside)) {
        if (n < 100) continue;
        throw CJournalError("не удается отложить поврежденный индекс журнала " + DisplayPath(path));
      }
      // The log and shared memory of the old database go with it: left
      // beside a new one, its log would be played into it.
      for (const char* suffix : {"-wal", "-shm", "-journal"}) {
        std::filesystem::path from = path;
        from += suffix;
        std::filesystem::path to = aside;
        to += suffix;
        if (FileKindOf(from) != EFileKind::kMissing && !MoveFileNoReplace(from, to) && !RemoveFile(from)) {
          throw CJournalError("не удается отложить поврежденный индекс журнала " + DisplayPath(from));
        }
      }
      return;
    } catch (const CFileError& e) {
      throw CJournalError("не удается отложить поврежденный индекс журнала: " + std::string(e.what()));
    }
  }
}

CSurveyJournal::CIndex::CWrite::CWrite(CIndex& index) : m_index(index) { m_index.m_db->exec("BEGIN IMMEDIATE"); }

CSurveyJournal::CIndex::CWrite::~CWrite() {
  if (!m_open) return;
  try {
    m_index.m_db->exec("ROLLBACK");
  } catch (...) {
    // Nothing to undo when the transaction already ended with an error.
  }
}

void CSurveyJournal::CIndex::CWrite::Commit() {
  m_index.m_db->exec("COMMIT");
  m_open = false;
}

int64_t CSurveyJournal::CIndex::Insert(const CIndexRow& row) {
  SQLite::Statement q(*m_db,
                      "INSERT INTO surveys (device_id, version_key, instrument, object_number, description,"
                      " first_record, last_record, records, abnormals, read_time, added, file_name, file_size,"
                      " file_mtime, content_hash, damaged, damage, device_lower, search_text)"
                      " VALUES (?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?)");
  BindRow(q, row);
  q.exec();
  return m_db->getLastInsertRowid();
}

void CSurveyJournal::CIndex::Update(const CIndexRow& row) {
  SQLite::Statement q(*m_db,
                      "UPDATE surveys SET device_id=?, version_key=?, instrument=?, object_number=?, description=?,"
                      " first_record=?, last_record=?, records=?, abnormals=?, read_time=?, added=?, file_name=?,"
                      " file_size=?, file_mtime=?, content_hash=?, damaged=?, damage=?, device_lower=?,"
                      " search_text=? WHERE id=?");
  const int i = BindRow(q, row);
  q.bind(i, row.entry.id);
  q.exec();
}

void CSurveyJournal::CIndex::Delete(int64_t id) {
  SQLite::Statement q(*m_db, "DELETE FROM surveys WHERE id=?");
  q.bind(1, id);
  q.exec();
}

std::vector<CSurveyEntry> CSurveyJournal::CIndex::List(const CSurveyFilter& filter) const {
  std::string sql = std::string("SELECT ") + kColumns + " FROM surveys WHERE 1";
  if (filter.objectNumber != 0) sql += " AND object_number = :object";
  if (!filter.instrument.empty()) sql += " AND instr(device_lower, :instrument) > 0";
  // The period as SurveyMatches takes it.
  if (filter.from != 0) sql += " AND (CASE WHEN last_record != 0 THEN last_record ELSE read_time END) >= :from";
  if (filter.to != 0) sql += " AND (CASE WHEN last_record != 0 THEN first_record ELSE read_time END) <= :to";
  sql += " ORDER BY read_time DESC, id DESC";
  SQLite::Statement q(*m_db, sql);
  if (filter.objectNumber != 0) q.bind(":object", filter.objectNumber);
  if (!filter.instrument.empty()) q.bind(":instrument", Utf8Lower(filter.instrument));
  if (filter.from != 0) q.bind(":from", filter.from);
  if (filter.to != 0) q.bind(":to", filter.to);
  // The words of the text as SurveyMatches takes them (a short number is
  // the object's), which SQL does not say as briefly.
  const bool anyText = filter.text.find_first_not_of(" \t\r\n") != std::string::npos;
  CSurveyFilter words;
  words.text = filter.text;
  std::vector<CSurveyEntry> entries;
  while (q.executeStep()) {
    CSurveyEntry entry = EntryOf(q);
    if (!anyText || SurveyMatches(entry, words)) entries.push_back(std::move(entry));
  }
  return entries;
}

std::optional<CSurveyEntry> CSurveyJournal::CIndex::Find(int64_t id) const {
  SQLite::Statement q(*m_db, std::string("SELECT ") + kColumns + " FROM surveys WHERE id=?");
  q.bind(1, id);
  if (!q.executeStep()) return std::nullopt;
  return EntryOf(q);
}

std::optional<CSurveyEntry> CSurveyJournal::CIndex::FindByName(const std::string& fileName) const {
  SQLite::Statement q(*m_db, std::string("SELECT ") + kColumns + " FROM surveys WHERE file_name=? COLLATE NOCASE");
  q.bind(1, fileName);
  if (!q.executeStep()) return std::nullopt;
  return EntryOf(q);
}

std::vector<CSurveyEntry> CSurveyJournal::CIndex::FindByHash(const std::string& hash) const {
  SQLite::Statement q(*m_db, std::string("SELECT ") + kColumns + " FROM surveys WHERE content_hash=? AND damaged=0");
  q.bind(1, hash);
  std::vector<CSurveyEntry> entries;
  while (q.executeStep()) entries.push_back(EntryOf(q));
  return entries;
}

bool CSurveyJournal::CIndex::NameTaken(const std::string& fileName) const {
  SQLite::Statement q(*m_db, "SELECT 1 FROM surveys WHERE file_name=? COLLATE NOCASE");
  q.bind(1, fileName);
  return q.executeStep();
}

std::unordered_map<std::string, CIndexedFile> CSurveyJournal::CIndex::Files() const {
  SQLite::Statement q(*m_db, "SELECT id, file_name, file_size, file_mtime, added FROM surveys");
  std::unordered_map<std::string, CIndexedFile> files;
  while (q.executeStep()) {
    files[q.getColumn(1).getString()] = {q.getColumn(0).getInt64(), q.getColumn(2).getInt64(),
                                         q.getColumn(3).getInt64(), q.getColumn(4).getInt() != 0};
  }
  return files;
}

}  // namespace tkq
