// journal: the surveys the survey journal keeps, listed, shown, added from
// saved archives, removed, and its index brought up to date with its folder.

#include <CLI/CLI.hpp>
#include <chrono>
#include <ctime>
#include <limits>
#include <optional>
#include <ostream>
#include <stdexcept>
#include <string_view>

#include "cli/command.h"
#include "cli/interrupts.h"
#include "cli/journal_options.h"
#include "cli/number_option.h"
#include "core/base/paths.h"
#include "core/base/rtc_time.h"
#include "core/description/read_param_class.h"
#include "core/storage/file_io.h"

namespace tkq::cli {
namespace {

constexpr int64_t kSecondsInDay = 86400;

// The first second of a date written ДД.ММ.ГГГГ or ГГГГ-ММ-ДД, counted as
// the instrument counts its clock (seconds since 01.01.1970, no time zone);
// nothing for anything else or a day its clock cannot show.
std::optional<int64_t> ParseDate(std::string_view text) {
  std::optional<int64_t> day, month, year;
  if (text.size() == 10 && text[2] == '.' && text[5] == '.') {
    day = ParseDecimal(text.substr(0, 2), 1, 31);
    month = ParseDecimal(text.substr(3, 2), 1, 12);
    year = ParseDecimal(text.substr(6, 4), 1970, 2105);
  } else if (text.size() == 10 && text[4] == '-' && text[7] == '-') {
    year = ParseDecimal(text.substr(0, 4), 1970, 2105);
    month = ParseDecimal(text.substr(5, 2), 1, 12);
    day = ParseDecimal(text.substr(8, 2), 1, 31);
  }
  if (!day || !month || !year) return std::nullopt;
  const std::chrono::year_month_day date{std::chrono::year(static_cast<int>(*year)),
                                         std::chrono::month(static_cast<unsigned>(*month)),
                                         std::chrono::day(static_cast<unsigned>(*day))};
  if (!date.ok()) return std::nullopt;  // 31.04, 29.02 of a common year
  return static_cast<int64_t>(std::chrono::sys_days(date).time_since_epoch().count()) * kSecondsInDay;
}

// Adds a DATE option; `endOfDay` moves the date to its last second.
CLI::Option* AddDateOption(CLI::App& command, const std::string& name, int64_t& value, bool endOfDay,
                           const std::string& description) {
  return command
      .add_option_function<std::string>(
          name,
          [&value, name, endOfDay](const std::string& text) {
            const std::optional<int64_t> start = ParseDate(text);
            if (!start) {
              throw CLI::ValidationError(name + " takes a date as DD.MM.YYYY or YYYY-MM-DD, not \"" + text + "\"");
            }
            value = endOfDay ? *start + kSecondsInDay - 1 : *start;
          },
          description)
      ->type_name("DATE");
}

// Adds the ID argument of show, path and remove.
void AddIdArgument(CLI::App& command, int64_t& id) {
  command
      .add_option_function<std::string>(
          "ID",
          [&id](const std::string& text) {
            const std::optional<int64_t> number = ParseDecimal(text, 1, std::numeric_limits<int64_t>::max());
            if (!number) {
              throw CLI::ValidationError("ID must be a survey's number as journal list gives it, not \"" + text +
                                         "\"");
            }
            id = *number;
          },
          "The survey's number (the first column of journal list)")
      ->required();
}

// A text as one field of a line: tabs and line ends become blanks.
std::string Field(std::string text) {
  for (char& c : text) {
    if (c == '\t' || c == '\n' || c == '\r') c = ' ';
  }
  return text;
}

// The computer's time `seconds` in local time, as `format` writes it.
std::string LocalTime(int64_t seconds, const char* format) {
  const auto t = static_cast<std::time_t>(seconds);
  std::tm local{};
  if (localtime_r(&t, &local) == nullptr) return {};
  char text[64];
  return std::string(text, std::strftime(text, sizeof text, format, &local));
}

// The first and last record's times on the instrument's clock; "" without
// records.
std::string Period(const CSurveyEntry& entry) {
  if (entry.firstRecord == 0 && entry.lastRecord == 0) return {};
  return CRTCTime::Text(entry.firstRecord) + " – " + CRTCTime::Text(entry.lastRecord);
}

std::string Source(const CSurveyEntry& entry) { return entry.added ? "добавлен" : "считан"; }

std::string Damage(const CSurveyEntry& entry) { return entry.damaged ? "поврежден: " + Field(entry.damage) : ""; }

void PrintLine(const CSurveyEntry& entry, std::ostream& out) {
  out << entry.id << '\t' << LocalTime(entry.readTime, "%d.%m.%Y %H:%M") << '\t' << Field(entry.instrument) << '\t'
      << entry.objectNumber << '\t' << Field(entry.description) << '\t' << Period(entry) << '\t' << entry.records
      << '\t' << entry.abnormals << '\t' << Source(entry) << '\t' << Field(entry.fileName) << '\t' << Damage(entry)
      << '\n';
}

void PrintEntry(const CSurveyEntry& entry, const CSurveyJournal& journal, std::ostream& out) {
  const auto recordTime = [&](uint32_t seconds) {
    return entry.firstRecord == 0 && entry.lastRecord == 0 ? std::string("нет записей") : CRTCTime::Text(seconds);
  };
  out << "Номер: " << entry.id << "\n"
      << "Считан: " << LocalTime(entry.readTime, "%d.%m.%Y %H:%M:%S") << "\n"
      << "Источник: " << (entry.added ? "добавлен из файла" : "чтение с прибора") << "\n"
      << "Прибор: " << Field(entry.instrument) << "\n"
      << "Идентификация: " << Field(entry.deviceId) << "\n"
      << "Версия: " << Field(entry.versionKey) << "\n"
      << "Объект: " << entry.objectNumber << "\n"
      << "Описание: " << Field(entry.description) << "\n"
      << "Первая запись: " << recordTime(entry.firstRecord) << "\n"
      << "Последняя запись: " << recordTime(entry.lastRecord) << "\n"
      << "Записей: " << entry.records << "\n"
      << "Нештатных ситуаций: " << entry.abnormals << "\n"
      << "Файл: " << DisplayPath(journal.PathOf(entry)) << "\n"
      << "Размер файла: " << entry.fileSize << " байт\n"
      << "Хэш содержимого: " << entry.contentHash << "\n"
      << "Состояние: " << (entry.damaged ? Damage(entry) : std::string("исправен")) << "\n";
}

// The skipped files and the counts of what Add or Rebuild did.
void PrintChanges(const CJournalChanges& changes, const CSurveyJournal& journal, std::ostream& out) {
  const auto name = [&](int64_t id) {
    const std::optional<CSurveyEntry> entry = journal.Find(id);
    return entry ? entry->fileName : std::string();
  };
  if (changes.indexRebuilt) out << "Индекс журнала был поврежден или чужой: отложен и построен заново по файлам\n";
  for (const int64_t id : changes.added) out << "Добавлено " << id << ": " << name(id) << "\n";
  for (const int64_t id : changes.alreadyKept) out << "Уже в журнале " << id << ": " << name(id) << "\n";
  for (const CSkippedFile& file : changes.skipped) out << "Пропущен " << DisplayPath(file.path) << ": " << file.reason << "\n";
  if (changes.removedFromIndex > 0) out << "Убрано из индекса (файлов нет): " << changes.removedFromIndex << "\n";
}

class JournalCommand : public Command {
 public:
  const char* Name() const override { return "journal"; }
  const char* Description() const override {
    return "The survey journal, where every read is kept: list, show, add and remove surveys";
  }

  void Setup(CLI::App& command) override {
    command.require_subcommand(1);
    command.footer(
        "The journal keeps every survey read by the program or by tarvik-kq read as a saved archive in one "
        "folder, with an index (journal.sqlite) to find them fast; files added to or removed from the folder by "
        "hand are noticed when it opens. A survey's number stays the same while the index lives. Exit status: 0 "
        "done, 1 failed (an unknown number, a file skipped, a journal that cannot be used), 2 a mistake on the "
        "command line.");

    m_list = command.add_subcommand(
        "list",
        "One tab-separated line per survey, newest read first: number, read time, instrument, object, "
        "description, period of the records, records, abnormal situations, read or added, file name, damage");
    AddJournalOption(*m_list, m_folder);
    m_list->add_option("--instrument", m_filter.instrument, "Only this instrument (part of its identification)")
        ->type_name("TEXT");
    AddNumberOption(*m_list, "--object", m_filter.objectNumber, 1, 20, "Only this object, 1 to 20");
    AddDateOption(*m_list, "--from", m_filter.from, false, "Only surveys with records on or after DATE");
    AddDateOption(*m_list, "--to", m_filter.to, true, "Only surveys with records on or before DATE (the whole day)");
    m_list->add_option("--text", m_filter.text, "Only surveys whose instrument, object or description holds each word")
        ->type_name("TEXT");
    m_list->add_flag("--header", m_header, "Begin with a line of column names");
    m_list->callback([this] {
      if (m_filter.from != 0 && m_filter.to != 0 && m_filter.from > m_filter.to) {
        throw CLI::ValidationError("--from DATE is after --to DATE");
      }
    });
    m_list->footer(
        "DATE is DD.MM.YYYY or YYYY-MM-DD on the instrument's clock; a survey is listed when its records (or, "
        "without records, its read time) meet the days asked for. The read time is the computer's, in local time. "
        "The last column is empty for a file that loads; tabs and line ends in a description are written as "
        "blanks.");

    m_show = command.add_subcommand("show", "Every field of one survey, one per line");
    AddIdArgument(*m_show, m_id);
    AddJournalOption(*m_show, m_folder);

    m_path = command.add_subcommand("path", "The full path of one survey's saved archive, alone on its line");
    AddIdArgument(*m_path, m_id);
    AddJournalOption(*m_path, m_folder);

    m_add = command.add_subcommand(
        "add", "Copy saved archives into the journal: each FILE, and every .sav file under each FOLDER");
    m_add->add_option("PATH", m_paths, "Saved archives and folders of them; the originals are left as they are")
        ->type_name("FILE|FOLDER")
        ->required();
    AddJournalOption(*m_add, m_folder);
    m_add->footer(
        "A file equal to a survey in the journal is not copied again; one that does not load is skipped with the "
        "reason, and the status is then 1. Ctrl+C stops after the file being copied.");

    m_remove = command.add_subcommand(
        "remove", "Move one survey's saved archive to the folder Удаленные of the journal (it is not deleted)");
    AddIdArgument(*m_remove, m_id);
    AddJournalOption(*m_remove, m_folder);

    m_rebuild = command.add_subcommand(
        "rebuild", "Load every saved archive in the journal's folder again and bring the index up to date");
    AddJournalOption(*m_rebuild, m_folder);

    for (CLI::App* sub : {m_list, m_show, m_path, m_add, m_remove, m_rebuild}) {
      sub->footer(sub->get_footer() + (sub->get_footer().empty() ? "" : " ") +
                  "Uses TarvikKQ.def from the current folder when it reads, else the built-in description.");
    }
  }

  int Run(CliContext& context) override {
    CReadParamClass description;
    description.LoadOrBuiltIn(std::filesystem::path(kDescriptionFileName));
    const std::unique_ptr<CSurveyJournal> journal = OpenJournal(m_folder, description, context.err);
    if (!journal) return kExitFailure;
    if (m_list->parsed()) return List(*journal, context);
    if (m_add->parsed()) return Add(*journal, context);
    if (m_rebuild->parsed()) return Rebuild(*journal, context);
    const std::optional<CSurveyEntry> entry = journal->Find(m_id);
    if (!entry) {
      context.err << "В журнале " << DisplayPath(journal->Folder()) << " нет обследования " << m_id << "\n";
      return kExitFailure;
    }
    if (m_show->parsed()) PrintEntry(*entry, *journal, context.out);
    if (m_path->parsed()) context.out << DisplayPath(journal->PathOf(*entry)) << "\n";
    if (m_remove->parsed()) return Remove(*journal, *entry, context);
    return kExitSuccess;
  }

 private:
  int List(const CSurveyJournal& journal, CliContext& context) const {
    if (m_header) {
      context.out << "Номер\tСчитан\tПрибор\tОбъект\tОписание\tПериод\tЗаписей\tНештатных ситуаций\tИсточник\tФайл\t"
                     "Повреждение\n";
    }
    for (const CSurveyEntry& entry : journal.List(m_filter)) PrintLine(entry, context.out);
    return kExitSuccess;
  }

  int Add(CSurveyJournal& journal, CliContext& context) const {
    std::vector<std::filesystem::path> paths;
    for (const std::string& path : m_paths) paths.push_back(PathFromUtf8(path));
    CInterruptGuard interrupts;
    bool drawn = false;
    const CJournalChanges changes = journal.Add(paths, [&](size_t done, size_t total) {
      if (context.errIsTerminal) {
        context.err << "\r\033[KДобавление в журнал: " << done << " из " << total << std::flush;
        drawn = true;
      }
      return !interrupts.Interrupted();
    });
    if (drawn) context.err << "\r\033[K" << std::flush;
    PrintChanges(changes, journal, context.out);
    context.out << "Добавлено: " << changes.added.size() << "; уже в журнале: " << changes.alreadyKept.size()
                << "; пропущено: " << changes.skipped.size() << "\n";
    if (interrupts.Interrupted()) {
      context.err << "Добавление остановлено\n";
      return kExitFailure;
    }
    return changes.skipped.empty() ? kExitSuccess : kExitFailure;
  }

  int Remove(CSurveyJournal& journal, const CSurveyEntry& entry, CliContext& context) const {
    try {
      journal.Remove(entry.id);
    } catch (const std::out_of_range&) {  // removed meanwhile by another program
      context.err << "В журнале " << DisplayPath(journal.Folder()) << " нет обследования " << entry.id << "\n";
      return kExitFailure;
    } catch (const CFileError& e) {
      context.err << FileErrorMessage(e) << "\n" << e.what() << "\n";
      return kExitFailure;
    }
    const std::filesystem::path removed = journal.Folder() / PathFromUtf8(kJournalRemovedFolder);
    const std::filesystem::path file = removed / PathFromUtf8(entry.fileName);
    std::error_code ec;
    context.out << "Обследование " << entry.id << " убрано из журнала; файл перемещен в "
                << DisplayPath(std::filesystem::exists(file, ec) ? file : removed) << "\n";
    return kExitSuccess;
  }

  int Rebuild(CSurveyJournal& journal, CliContext& context) const {
    // What opening the journal noticed (files added or removed by hand, a
    // damaged index), then what loading every file again found.
    PrintChanges(journal.OpeningChanges(), journal, context.out);
    const CJournalChanges changes = journal.Rebuild(true);
    PrintChanges(changes, journal, context.out);
    const std::vector<CSurveyEntry> all = journal.List();
    size_t damaged = 0;
    for (const CSurveyEntry& entry : all) damaged += entry.damaged ? 1 : 0;
    context.out << "В журнале обследований: " << all.size() << "; поврежденных файлов: " << damaged << "\n";
    return kExitSuccess;
  }

  std::string m_folder;
  CSurveyFilter m_filter;
  bool m_header = false;
  int64_t m_id = 0;
  std::vector<std::string> m_paths;
  CLI::App* m_list = nullptr;
  CLI::App* m_show = nullptr;
  CLI::App* m_path = nullptr;
  CLI::App* m_add = nullptr;
  CLI::App* m_remove = nullptr;
  CLI::App* m_rebuild = nullptr;
};

}  // namespace

std::unique_ptr<Command> MakeJournalCommand() { return std::make_unique<JournalCommand>(); }

}  // namespace tkq::cli
