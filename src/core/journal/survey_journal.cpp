#include "core/journal/survey_journal.h"

#define XXH_INLINE_ALL
#include <xxhash.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <unordered_map>
#include <unordered_set>

#include "core/archive/device_id.h"
#include "core/archive/object_definition.h"
#include "core/archive/saved_archive.h"
#include "core/base/cp1251.h"
#include "core/base/paths.h"
#include "core/base/system_errors.h"
#include "core/journal/journal_index.h"
#include "core/storage/file_io.h"

namespace tkq {
namespace {

namespace fs = std::filesystem;

// What the identification says when the instrument sent none.
constexpr const char* kNoIdentification = "Нет информации";
constexpr const char* kUnnamedInstrument = "Прибор";
// Characters of the instrument's part of a file name, at most.
constexpr size_t kInstrumentNameLength = 40;
// Names tried with " (2)", " (3)" … before giving up.
constexpr int kMaxNameTries = 10000;

bool IsSavedArchiveName(const std::string& name) {
  if (name.size() < 5) return false;
  std::string ext = name.substr(name.size() - 4);
  for (char& c : ext) c = static_cast<char>(c >= 'A' && c <= 'Z' ? c + 32 : c);
  return ext == ".sav";
}

// A notes file is a few lines typed by hand; anything larger is not one.
constexpr uint64_t kMaxNotesSize = 1 << 20;

// "name.sav" → "name" (any case of the extension); other names as they are.
std::string StemOfSurveyName(const std::string& name) {
  return name.substr(0, name.size() - (IsSavedArchiveName(name) ? 4 : 0));
}

// The notes' keys in their file, in the order written.
struct CNotesKey {
  const char* key;
  std::string CSurveyNotes::*field;
};
constexpr CNotesKey kNotesKeys[] = {{"number", &CSurveyNotes::number},
                                    {"address", &CSurveyNotes::address},
                                    {"client", &CSurveyNotes::client},
                                    {"remarks", &CSurveyNotes::remarks}};

bool IsValidUtf8(std::string_view text) {
  for (size_t i = 0; i < text.size();) {
    const size_t at = i;
    if (DecodeUtf8(text, i) == 0xFFFD && i - at != 3) return false;
  }
  return true;
}

// When the file was last written, compared only for equality.
int64_t ModifiedOf(const fs::path& path) {
  int64_t size = 0;
  int64_t modified = 0;
  return FileStamp(path, size, modified) ? modified : 0;
}


void FillEntry(CSurveyEntry& entry, const CObjectDefinition& object) {
  entry.deviceId = object.m_strDeviceId;
  entry.versionKey = std::string(Utf8Prefix(object.m_strDeviceId, 18));
  entry.instrument = InstrumentOfDeviceId(object.m_strDeviceId);
  entry.objectNumber = object.GetObjectNumber();
  entry.description = object.m_strDescription;
  entry.firstRecord = entry.lastRecord = 0;
  const size_t n = object.m_arcRecords.GetSize();
  for (size_t i = 0; i < n; ++i) {
    if (const CObjArcElem* r = object.m_arcRecords[i]) {
      entry.firstRecord = r->m_nTime;
      break;
    }
  }
  for (size_t i = n; i-- > 0;) {
    if (const CObjArcElem* r = object.m_arcRecords[i]) {
      entry.lastRecord = r->m_nTime;
      break;
    }
  }
  entry.records = static_cast<int64_t>(n);
  entry.abnormals = static_cast<int64_t>(object.m_errRecords.GetSize());
  entry.readTime = object.m_tRead;
  entry.damaged = false;
  entry.damage.clear();
}

// Runs an operation on the index, its database's errors told as the
// journal's.
template <class F>
auto Guarded(const fs::path& folder, F&& operation) -> decltype(operation()) {
  try {
    return operation();
  } catch (const std::runtime_error& e) {
    if (!IsIndexError(e)) throw;
    throw CJournalError("ошибка индекса журнала " + DisplayPath(folder) + ": " + IndexErrorReason(e));
  }
}

}  // namespace

std::string StoreSurveyNotes(const CSurveyNotes& notes) {
  std::string text;
  for (const CNotesKey& k : kNotesKeys) {
    text += k.key;
    text += '=';
    for (const char c : notes.*k.field) {
      if (c == '\\') {
        text += "\\\\";
      } else if (c == '\n') {
        text += "\\n";
      } else if (c == '\r') {
        text += "\\r";
      } else {
        text += c;
      }
    }
    text += '\n';
  }
  return text;
}

std::optional<CSurveyNotes> ParseSurveyNotes(std::string_view text) {
  if (!IsValidUtf8(text)) return std::nullopt;
  CSurveyNotes notes;
  size_t at = 0;
  while (at < text.size()) {
    const size_t end = std::min(text.find('\n', at), text.size());
    std::string_view line = text.substr(at, end - at);
    at = end + 1;
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);  // edited on Windows
    if (line.empty()) continue;
    const size_t equals = line.find('=');
    if (equals == std::string_view::npos) return std::nullopt;
    std::string value;
    for (size_t i = equals + 1; i < line.size(); ++i) {
      if (line[i] != '\\') {
        value += line[i];
        continue;
      }
      if (++i == line.size()) return std::nullopt;
      switch (line[i]) {
        case '\\': value += '\\'; break;
        case 'n': value += '\n'; break;
        case 'r': value += '\r'; break;
        default: return std::nullopt;
      }
    }
    const std::string_view key = line.substr(0, equals);
    for (const CNotesKey& k : kNotesKeys) {
      if (key == k.key) notes.*k.field = std::move(value);
    }
  }
  return notes;
}

std::string SurveyFileName(const CObjectDefinition& object) {
  std::string instrument = InstrumentOfDeviceId(object.m_strDeviceId);
  if (instrument.empty() || instrument == kNoIdentification) instrument = kUnnamedInstrument;
  std::string safe;
  for (const char c : std::string(Utf8Prefix(instrument, kInstrumentNameLength))) {
    const auto u = static_cast<unsigned char>(c);
    safe += (u < 0x20 || u == 0x7F || std::strchr("<>:\"/\\|?*", c) != nullptr) ? '_' : c;
  }
  while (!safe.empty() && (safe.back() == '.' || safe.back() == ' ')) safe.pop_back();
  if (safe.find_first_not_of(" ._") == std::string::npos) safe = kUnnamedInstrument;
  // A device name before the first dot ("NUL.1 …") is the device for
  // older Windows, whatever follows.
  std::string device = safe.substr(0, safe.find('.'));
  while (!device.empty() && device.back() == ' ') device.pop_back();
  for (char& c : device) c = static_cast<char>(c >= 'a' && c <= 'z' ? c - 32 : c);
  static const char* const kDevices[] = {"CON",  "PRN",  "AUX",  "NUL",  "COM1", "COM2", "COM3", "COM4",
                                         "COM5", "COM6", "COM7", "COM8", "COM9", "LPT1", "LPT2", "LPT3",
                                         "LPT4", "LPT5", "LPT6", "LPT7", "LPT8", "LPT9"};
  for (const char* name : kDevices) {
    if (device == name) safe = std::string(1, '_').append(safe);
  }

  char number[32];
  std::snprintf(number, sizeof number, " Объект %02u ", static_cast<unsigned>(object.GetObjectNumber()));
  const auto t = static_cast<std::time_t>(object.m_tRead);
  std::tm local{};
  char when[64] = "0000-00-00 00-00-00";
  if (localtime_r(&t, &local) != nullptr) std::strftime(when, sizeof when, "%Y-%m-%d %H-%M-%S", &local);
  return safe + number + when + ".sav";
}

std::string SurveyContentHash(const CObjectDefinition& object) {
  XXH3_state_t state;
  XXH3_128bits_reset(&state);
  std::string buffer;
  auto flush = [&] {
    XXH3_128bits_update(&state, buffer.data(), buffer.size());
    buffer.clear();
  };
  auto u8 = [&](uint8_t v) { buffer += static_cast<char>(v); };
  auto u32 = [&](uint32_t v) {
    for (int i = 0; i < 4; ++i) buffer += static_cast<char>(v >> (8 * i));
  };
  auto f32 = [&](float v) {
    uint32_t bits;
    std::memcpy(&bits, &v, sizeof bits);
    u32(bits);
  };
  auto bytes = [&](std::string_view b) {
    u32(static_cast<uint32_t>(b.size()));
    buffer.append(b);
    flush();
  };
  u8(object.GetObjectNumber());
  bytes(object.m_strDeviceId);
  u32(static_cast<uint32_t>(object.m_arcRecords.GetSize()));
  for (size_t i = 0; i < object.m_arcRecords.GetSize(); ++i) {
    const CObjArcElem* r = object.m_arcRecords[i];
    if (r == nullptr) {
      u8(0);
    } else {
      u8(1);
      f32(r->m_fValue1);
      f32(r->m_fValue2);
      u32(r->m_nTime);
      f32(r->m_fArchivingPercent);
      u8(r->m_nAbnormalCode);
    }
    if (buffer.size() >= 65536) flush();
  }
  u32(static_cast<uint32_t>(object.m_errRecords.GetSize()));
  for (size_t i = 0; i < object.m_errRecords.GetSize(); ++i) {
    const CErrArcElem* r = object.m_errRecords[i];
    if (r == nullptr) {
      u8(0);
    } else {
      u8(1);
      u32(r->m_nBegin);
      u32(r->m_nEnd);
      u8(r->m_nCode);
    }
    if (buffer.size() >= 65536) flush();
  }
  auto view = [](const std::vector<uint8_t>& v) {
    return std::string_view(reinterpret_cast<const char*>(v.data()), v.size());
  };
  bytes(view(object.m_parBytes));
  bytes(view(object.m_devBytes));
  XXH128_canonical_t canonical;
  XXH128_canonicalFromHash(&canonical, XXH3_128bits_digest(&state));
  static const char kHex[] = "0123456789abcdef";
  std::string hex;
  for (const unsigned char c : canonical.digest) {
    hex += kHex[c >> 4];
    hex += kHex[c & 15];
  }
  return hex;
}

namespace {

// Whether the character before `at` ends a word: the text's start, or
// anything but a letter or digit (a blank, a dot, «, №, …).
bool StartsWord(std::string_view text, size_t at) {
  if (at == 0) return true;
  size_t lead = at - 1;
  while (lead > 0 && (static_cast<unsigned char>(text[lead]) & 0xC0) == 0x80) --lead;
  const char32_t c = DecodeUtf8(text, lead);
  const bool latin = (c >= U'0' && c <= U'9') || (c >= U'a' && c <= U'z') || (c >= U'A' && c <= U'Z');
  const bool letter = (c >= 0xC0 && c <= 0x24F && c != 0xD7 && c != 0xF7) || (c >= 0x400 && c <= 0x4FF);
  return !latin && !letter;
}

bool FoundAsWordStart(std::string_view text, std::string_view word) {
  for (size_t at = text.find(word); at != std::string_view::npos; at = text.find(word, at + 1)) {
    if (StartsWord(text, at)) return true;
  }
  return false;
}

}  // namespace

bool SurveyMatches(const CSurveyEntry& entry, const CSurveyFilter& filter) {
  if (filter.objectNumber != 0 && entry.objectNumber != filter.objectNumber) return false;
  const bool hasPeriod = entry.lastRecord != 0;
  const int64_t start = hasPeriod ? entry.firstRecord : entry.readTime;
  const int64_t end = hasPeriod ? entry.lastRecord : entry.readTime;
  if (filter.from != 0 && end < filter.from) return false;
  if (filter.to != 0 && start > filter.to) return false;
  const bool anyText = filter.text.find_first_not_of(" \t\r\n") != std::string::npos;
  if (filter.instrument.empty() && !anyText) return true;
  // The search text's lines: the whole identification, the instrument
  // (the serial number), the description.
  std::string computed;
  if (entry.searchText.empty()) computed = SurveySearchText(entry);
  const std::string_view haystack = entry.searchText.empty() ? computed : entry.searchText;
  const size_t first = std::min(haystack.find('\n'), haystack.size());
  const size_t second = std::min(haystack.find('\n', first + 1), haystack.size());
  const std::string_view identification = haystack.substr(0, first);
  const std::string_view instrument = haystack.substr(std::min(first + 1, haystack.size()), second - first - 1);
  const std::string_view description = haystack.substr(std::min(second + 1, haystack.size()));
  if (!filter.instrument.empty() && identification.find(Utf8Lower(filter.instrument)) == std::string_view::npos) {
    return false;
  }
  // Each word is found in the instrument or the description; a number of
  // one or two digits is the object's number (or a word of the
  // description that begins so: "12" finds object 12 and «Школа 12», not
  // every serial number with a 1 and a 2 in it). The version key is not
  // searched: every survey of one firmware would match its digits.
  const std::string text = Utf8Lower(filter.text);
  for (size_t i = 0; i < text.size();) {
    const size_t stop = std::min(text.find_first_of(" \t\r\n", i), text.size());
    const std::string_view word = std::string_view(text).substr(i, stop - i);
    i = stop + 1;
    if (word.empty()) continue;
    const bool shortNumber =
        word.size() <= 2 && std::all_of(word.begin(), word.end(), [](char c) { return c >= '0' && c <= '9'; });
    if (shortNumber) {
      if (std::stoi(std::string(word)) == entry.objectNumber || FoundAsWordStart(description, word)) continue;
      return false;
    }
    if (instrument.find(word) == std::string_view::npos && description.find(word) == std::string_view::npos) {
      return false;
    }
  }
  return true;
}

fs::path CSurveyJournal::DefaultFolder(const fs::path& documents) {
  return documents / PathFromUtf8(kJournalFolderInDocuments);
}

CSurveyJournal::CSurveyJournal(const fs::path& folder, const CReadParamClass& description)
    : m_folder(folder), m_description(description) {
  std::error_code ec;
  CreateFolders(m_folder, ec);
  if (ec) throw CJournalError("не удается создать папку журнала " + DisplayPath(m_folder) + ": " + ErrorReason(ec));
  m_index = std::make_unique<CIndex>(m_folder);
  m_opening = Rebuild(false);
  m_opening.indexRebuilt = m_index->IndexRebuilt();
}

CSurveyJournal::~CSurveyJournal() = default;

fs::path CSurveyJournal::PathOf(const CSurveyEntry& entry) const { return m_folder / PathFromUtf8(entry.fileName); }

std::string CSurveyJournal::FreeName(const std::string& name) const {
  const std::string stem = name.substr(0, name.size() - 4);
  for (int n = 1; n <= kMaxNameTries; ++n) {
    const std::string candidate = n == 1 ? name : stem + " (" + std::to_string(n) + ").sav";
    const fs::path notes = m_folder / PathFromUtf8(StemOfSurveyName(candidate) + kSurveyNotesExtension);
    if (FileKindOf(m_folder / PathFromUtf8(candidate)) == EFileKind::kMissing && !m_index->NameTaken(candidate) &&
        FileKindOf(notes) == EFileKind::kMissing) {
      return candidate;
    }
  }
  throw CJournalError("в журнале " + DisplayPath(m_folder) + " нет свободного имени для " + name);
}

CKeptSurvey CSurveyJournal::Keep(const CObjectDefinition& object) {
  const std::string hash = SurveyContentHash(object);
  const std::string bytes = StoreSavedArchive(object);
  return Guarded(m_folder, [&] {
    CIndex::CWrite write(*m_index);
    for (const CSurveyEntry& kept : m_index->FindByHash(hash)) {
      const fs::path path = PathOf(kept);
      if (FileKindOf(path) == EFileKind::kFile) return CKeptSurvey{kept.id, path, true};
      m_index->Delete(kept.id);  // its file has gone
    }
    CIndexRow row;
    row.entry.fileName = FreeName(SurveyFileName(object));
    const fs::path path = PathOf(row.entry);
    WriteFileAtomically(path, bytes);
    FillEntry(row.entry, object);
    row.entry.fileSize = static_cast<int64_t>(bytes.size());
    row.entry.contentHash = hash;
    row.modified = ModifiedOf(path);
    const int64_t id = m_index->Insert(row);
    write.Commit();
    return CKeptSurvey{id, path, false};
  });
}

void CSurveyJournal::Update(int64_t id, const CObjectDefinition& object) {
  const std::string hash = SurveyContentHash(object);
  const std::string bytes = StoreSavedArchive(object);
  Guarded(m_folder, [&] {
    CIndex::CWrite write(*m_index);
    const std::optional<CSurveyEntry> entry = m_index->Find(id);
    if (!entry) throw std::out_of_range("в журнале нет обследования " + std::to_string(id));
    CIndexRow row;
    row.entry = *entry;
    const fs::path path = PathOf(row.entry);
    WriteFileAtomically(path, bytes);
    FillEntry(row.entry, object);
    row.entry.fileSize = static_cast<int64_t>(bytes.size());
    row.entry.contentHash = hash;
    row.modified = ModifiedOf(path);
    m_index->Update(row);
    write.Commit();
  });
}

CJournalChanges CSurveyJournal::Add(const std::vector<fs::path>& paths,
                                    const std::function<bool(size_t, size_t)>& progress) {
  // The files, those of folders found first, so that progress knows the
  // whole count.
  std::vector<fs::path> files;
  const fs::path removed = m_folder / PathFromUtf8(kJournalRemovedFolder);
  for (const fs::path& given : paths) {
    if (FileKindOf(given) != EFileKind::kFolder) {
      files.push_back(given);
      continue;
    }
    std::error_code ec;
    // The journal's removed surveys stay removed.
    const auto enter = [&](const fs::path& folder) { return !SameFile(folder, removed); };
    for (fs::path& file : ListFolderTree(given, enter, ec)) {
      if (IsSavedArchiveName(PathToUtf8(file.filename()))) files.push_back(std::move(file));
    }
  }

  CJournalChanges changes;
  const size_t total = files.size();
  for (size_t i = 0; i < total; ++i) {
    if (progress && !progress(i, total)) return changes;
    const fs::path& file = files[i];
    // The journal's own files are in it already.
    if (SameFile(fs::absolute(file).parent_path(), m_folder)) continue;
    std::vector<uint8_t> bytes;
    std::unique_ptr<CObjectDefinition> object;
    try {
      bytes = ReadWholeFile(file, kMaxSavedArchiveSize);
      object = LoadSavedArchive(bytes, m_description);
    } catch (const CFileOpenError& e) {
      changes.skipped.push_back({file, e.what()});
      continue;
    } catch (const CLoadError& e) {
      changes.skipped.push_back({file, e.what()});
      continue;
    }
    const std::string hash = SurveyContentHash(*object);
    Guarded(m_folder, [&] {
      CIndex::CWrite write(*m_index);
      for (const CSurveyEntry& kept : m_index->FindByHash(hash)) {
        if (FileKindOf(PathOf(kept)) == EFileKind::kFile) {
          changes.alreadyKept.push_back(kept.id);
          return;
        }
      }
      CIndexRow row;
      row.entry.fileName = FreeName(SurveyFileName(*object));
      const fs::path path = PathOf(row.entry);
      try {
        // The original's bytes as they are.
        WriteFileAtomically(path, std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()));
      } catch (const CFileError& e) {
        changes.skipped.push_back({file, e.what()});
        return;
      }
      FillEntry(row.entry, *object);
      row.entry.added = true;
      row.entry.fileSize = static_cast<int64_t>(bytes.size());
      row.entry.contentHash = hash;
      row.modified = ModifiedOf(path);
      changes.added.push_back(m_index->Insert(row));
      write.Commit();
    });
  }
  if (progress) progress(total, total);
  return changes;
}

fs::path CSurveyJournal::Remove(int64_t id) {
  return Guarded(m_folder, [&] {
    CIndex::CWrite write(*m_index);
    const std::optional<CSurveyEntry> entry = m_index->Find(id);
    if (!entry) throw std::out_of_range("в журнале нет обследования " + std::to_string(id));
    const fs::path path = PathOf(*entry);
    fs::path moved;
    if (FileKindOf(path) != EFileKind::kMissing) {
      const fs::path removed = m_folder / PathFromUtf8(kJournalRemovedFolder);
      std::error_code ec;
      CreateFolders(removed, ec);
      if (ec) {
        throw CFileError(ec.value(), "не удается создать папку " + DisplayPath(removed) + ": " + ErrorReason(ec));
      }
      const std::string name = entry->fileName;
      const std::string stem = StemOfSurveyName(name);
      const std::string ext = name.substr(stem.size());
      for (int n = 1;; ++n) {
        const std::string candidateStem = n == 1 ? stem : stem + " (" + std::to_string(n) + ")";
        moved = removed / PathFromUtf8(candidateStem + ext);
        // A name whose notes file is taken would give the survey another's notes.
        const fs::path movedNotes = removed / PathFromUtf8(candidateStem + kSurveyNotesExtension);
        if (FileKindOf(movedNotes) == EFileKind::kMissing && MoveFileNoReplace(path, moved)) {
          // The notes follow; should they not move, they stay where they
          // were rather than be lost.
          const fs::path notes = NotesPathOf(*entry);
          if (FileKindOf(notes) == EFileKind::kFile) MoveFileNoReplace(notes, movedNotes);
          break;
        }
        if (n == kMaxNameTries) {
          throw CFileError(EEXIST, "не удается переместить файл " + DisplayPath(path) + " в папку " +
                                       DisplayPath(removed) + ": нет свободного имени");
        }
      }
    }
    m_index->Delete(id);
    write.Commit();
    return moved;
  });
}

fs::path CSurveyJournal::NotesPathOf(const CSurveyEntry& entry) const {
  return m_folder / PathFromUtf8(StemOfSurveyName(entry.fileName) + kSurveyNotesExtension);
}

std::optional<CSurveyNotes> CSurveyJournal::ProtocolFields(int64_t id) const {
  const std::optional<CSurveyEntry> entry = Find(id);
  if (!entry) return std::nullopt;
  const fs::path path = NotesPathOf(*entry);
  if (FileKindOf(path) != EFileKind::kFile) return std::nullopt;
  std::vector<uint8_t> bytes;
  try {
    bytes = ReadWholeFile(path, kMaxNotesSize);
  } catch (const CFileOpenError&) {
    return std::nullopt;  // unreadable or too large: the dialog starts empty
  }
  return ParseSurveyNotes(std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()));
}

void CSurveyJournal::SetProtocolFields(int64_t id, const CSurveyNotes& notes) {
  const std::optional<CSurveyEntry> entry = Find(id);
  if (!entry) throw std::out_of_range("в журнале нет обследования " + std::to_string(id));
  WriteFileAtomically(NotesPathOf(*entry), StoreSurveyNotes(notes));
}

std::vector<CSurveyEntry> CSurveyJournal::List(const CSurveyFilter& filter) const {
  return Guarded(m_folder, [&] { return m_index->List(filter); });
}

std::optional<CSurveyEntry> CSurveyJournal::Find(int64_t id) const {
  return Guarded(m_folder, [&] { return m_index->Find(id); });
}

std::optional<CSurveyEntry> CSurveyJournal::FindByPath(const fs::path& path) const {
  std::error_code ec;
  const fs::path absolute = fs::absolute(path, ec);
  if (ec || !SameFile(absolute.parent_path(), m_folder)) return std::nullopt;
  return Guarded(m_folder, [&] { return m_index->FindByName(PathToUtf8(absolute.filename())); });
}

CJournalChanges CSurveyJournal::Rebuild(bool everything) {
  struct CFound {
    std::string name;
    int64_t size = 0;
    int64_t modified = 0;
  };
  std::vector<CFound> found;
  std::unordered_set<std::string> present;
  std::error_code ec;
  for (const CFolderFile& file : ListFolderFiles(m_folder, ec)) {
    std::string name = PathToUtf8(file.name);
    if (!IsSavedArchiveName(name)) continue;
    present.insert(name);
    found.push_back({std::move(name), file.size, file.modified});
  }
  if (ec) {
    throw CJournalError("не удается прочитать папку журнала " + DisplayPath(m_folder) + ": " + ErrorReason(ec));
  }

  CJournalChanges changes;
  return Guarded(m_folder, [&] {
    const std::unordered_map<std::string, CIndexedFile> indexed = m_index->Files();
    auto unchanged = [&](const std::unordered_map<std::string, CIndexedFile>& files, const CFound& f) {
      const auto it = files.find(f.name);
      return it != files.end() && it->second.size == f.size && it->second.modified == f.modified;
    };
    // Loaded before the index is locked: another program's writes wait
    // only for the index's own.
    std::vector<CIndexRow> rows;
    for (const CFound& f : found) {
      if (!everything && unchanged(indexed, f)) continue;
      CIndexRow row;
      row.entry.fileName = f.name;
      row.entry.fileSize = f.size;
      row.modified = f.modified;
      const fs::path path = PathOf(row.entry);
      try {
        const auto object = LoadSavedArchive(path, m_description);
        FillEntry(row.entry, *object);
        row.entry.contentHash = SurveyContentHash(*object);
      } catch (const CLoadError& e) {
        row.entry.damaged = true;
        row.entry.damage = e.what();
        row.entry.readTime = SecondsOfStamp(f.modified);
        changes.skipped.push_back({path, e.what()});
      }
      rows.push_back(std::move(row));
    }
    bool gone = false;
    for (const auto& [name, file] : indexed) gone = gone || present.count(name) == 0;
    if (rows.empty() && !gone) return changes;

    CIndex::CWrite write(*m_index);
    const std::unordered_map<std::string, CIndexedFile> current = m_index->Files();
    for (CIndexRow& row : rows) {
      const auto it = current.find(row.entry.fileName);
      if (it == current.end()) {
        const int64_t id = m_index->Insert(row);
        if (!row.entry.damaged) changes.added.push_back(id);
        continue;
      }
      row.entry.id = it->second.id;
      row.entry.added = it->second.added;
      m_index->Update(row);
    }
    for (const auto& [name, file] : current) {
      if (present.count(name) != 0) continue;
      // Kept by another program since the folder was looked at?
      if (FileKindOf(m_folder / PathFromUtf8(name)) != EFileKind::kMissing) continue;
      m_index->Delete(file.id);
      ++changes.removedFromIndex;
    }
    write.Commit();
    return changes;
  });
}

}  // namespace tkq
