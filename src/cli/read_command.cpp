// read: one object, or several, read from the instrument, kept in the
// survey journal and saved as saved archives.

#include <CLI/CLI.hpp>
#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <ostream>
#include <system_error>

#include "cli/archive_loading.h"
#include "cli/command.h"
#include "cli/journal_options.h"
#include "cli/link_options.h"
#include "cli/number_option.h"
#include "cli/progress_printer.h"
#include "core/archive/archive_read.h"
#include "core/archive/instrument_contents.h"
#include "core/archive/saved_archive.h"
#include "core/base/paths.h"
#include "core/base/system_errors.h"
#include "core/description/read_param_class.h"
#include "core/journal/survey_journal.h"
#include "core/link/flash_names.h"
#include "core/link/read_status.h"
#include "core/storage/file_io.h"

namespace tkq::cli {
namespace {

// Keeps the files as the instrument delivered them, under the names they
// have on the computer.
bool KeepRawFiles(const std::filesystem::path& dir, uint8_t object, const CDeviceFiles& files, std::ostream& err) {
  std::error_code ec;
  std::filesystem::create_directories(dir, ec);
  const std::string name = ObjectFileName(object);
  const std::pair<std::string, const std::vector<uint8_t>*> all[] = {
      {HostFileName(name, "arc"), &files.arc},
      {HostFileName(name, "err"), &files.err},
      {HostFileName(name, "ads"), &files.ads},
      {HostFileName(name, "par"), &files.par},
      {HostFileName(kSystemFileName, kSystemFileExt), &files.dev}};
  try {
    for (const auto& [host, bytes] : all) {
      WriteFileAtomically(dir / host, std::string_view(reinterpret_cast<const char*>(bytes->data()), bytes->size()));
    }
  } catch (const std::system_error& e) {
    err << FileErrorMessage(e) << "\n" << e.what() << "\n";
    return false;
  }
  return true;
}

// Keeps `object` in the journal and says where, after `prefix`; a survey
// that could not be kept is said too. Whether it is in the journal.
bool KeepInJournal(CSurveyJournal& journal, const CObjectDefinition& object, const std::string& prefix,
                   std::ostream& err) {
  try {
    const CKeptSurvey kept = journal.Keep(object);
    err << prefix << (kept.alreadyKept ? "Уже в журнале: " : "В журнале: ") << DisplayPath(kept.path) << "\n";
    return true;
  } catch (const std::exception& e) {  // a journal that cannot be used, a disk full or read-only
    err << prefix << "Не сохранено в журнал: " << ErrorDetail(e) << "\n";
  }
  return false;
}

// "Obj01.sav": the name an object gets in the folder of a read of several.
std::string SavedName(uint8_t object) {
  char name[16];
  std::snprintf(name, sizeof name, "Obj%02u.sav", static_cast<unsigned>(object));
  return name;
}

class ReadCommand : public Command {
 public:
  const char* Name() const override { return "read"; }
  const char* Description() const override {
    return "Read one object, or several, from the instrument into saved archives";
  }

  void Setup(CLI::App& command) override {
    AddLinkOptions(command, m_line);
    CLI::Option* one = AddNumberOption(command, "--object", m_object, 1, 20, "The object, 1 to 20");
    CLI::Option* many =
        command
            .add_option_function<std::string>(
                "--objects",
                [this](const std::string& text) {
                  if (text == "all") {
                    m_objects.clear();
                    m_all = true;
                    return;
                  }
                  const std::optional<std::vector<int>> list = ParseNumberList(text, 1, 20);
                  if (!list) {
                    throw CLI::ValidationError(
                        "--objects takes all or numbers 1 to 20 and ranges, e.g. 1,3,5-7, "
                        "not \"" +
                        text + "\"");
                  }
                  m_objects = *list;
                  std::sort(m_objects.begin(), m_objects.end());
                  m_objects.erase(std::unique(m_objects.begin(), m_objects.end()), m_objects.end());
                },
                "Every object on the instrument (all) or those listed, e.g. 1,3,5-7: each saved in the -o "
                "folder as ObjNN.sav")
            ->type_name("all|LIST");
    one->excludes(many);
    command
        .add_option("-o", m_output,
                    "Also save the saved archive as FILE (with --objects: in the folder FILE); required with "
                    "--no-journal")
        ->type_name("FILE");
    AddJournalOption(command, m_journalFolder);
    CLI::Option* noJournal =
        command.add_flag("--no-journal", m_noJournal, "Do not keep the read in the survey journal");
    noJournal->excludes("--journal");
    command.add_option("--description", m_description, "The object's description text")->type_name("TEXT");
    command.add_option("--raw-dir", m_rawDir, "Also keep the files as the instrument delivered them in DIR")
        ->type_name("DIR");
    command.callback([this, one, many] {
      if (one->count() == 0 && many->count() == 0) throw CLI::RequiredError("--object N or --objects LIST");
      if (m_noJournal && m_output.empty()) throw CLI::ValidationError("with --no-journal, -o FILE is required");
    });
    command.footer(
        "Each object read is kept in the survey journal at once (see journal --help), unless --no-journal; one "
        "equal to a survey already there is not kept twice. Ctrl+C stops a read; a failed read never replaces "
        "the saved archive. With --objects an absent object is skipped, a failed one does not stop the others, "
        "and Ctrl+C keeps those already saved; the status is 1 when any object present of those asked for was "
        "kept nowhere or could not be saved as -o asks, or none was there to read. Uses TarvikKQ.def from the "
        "current folder when it reads, else the built-in description; writes no description file.");
  }

  int Run(CliContext& context) override {
    CReadParamClass description;
    description.LoadOrBuiltIn(std::filesystem::path(kDescriptionFileName));
    // The journal is opened before the instrument is read: without it and
    // without -o a read would be kept nowhere.
    if (!m_noJournal) {
      m_journal = OpenJournal(m_journalFolder, description, context.err);
      if (!m_journal && m_output.empty()) {
        context.err << "Прочитанное некуда сохранить: чтение не начато (сохранить в файл: -o FILE)\n";
        return kExitFailure;
      }
    }
    CInterruptibleLink line(m_line);
    CProgressPrinter progress(context.err, context.errIsTerminal);
    line.Link().SetProgress(&progress);
    const int status = m_object != 0 ? ReadOne(line, description, progress, context)
                                     : ReadSeveral(line, description, progress, context);
    line.Link().SetProgress(nullptr);
    m_journal.reset();
    return status;
  }

 private:
  int ReadOne(CInterruptibleLink& line, const CReadParamClass& description, CProgressPrinter& progress,
              CliContext& context) {
    CTrvKqModbusWithFlFiles& link = line.Link();
    CArchiveRead read(static_cast<uint8_t>(m_object));
    const std::unique_ptr<CObjectDefinition> object = ReadArchive(link, description, read);
    progress.Finish();
    const CDeviceFiles& delivered = read.m_files;
    const bool haveFiles = !delivered.par.empty() || !delivered.dev.empty();
    if (!m_rawDir.empty() && haveFiles &&
        !KeepRawFiles(PathFromUtf8(m_rawDir), static_cast<uint8_t>(m_object), delivered, context.err)) {
      return kExitFailure;
    }
    if (!object) {
      std::string text;
      const ReadStatus code = read.GetReadStatus(text);
      context.err << text << "\n";
      if (code == ReadStatus::kReadPortBusy) line.AdviseOnPort(context.err);
      return kExitFailure;
    }
    CObjectDefinition& obj = *object;
    obj.m_strDescription = m_description;
    const CLineCounters& counters = link.Counters();
    const std::string summary = "записей " + std::to_string(obj.m_arcRecords.GetSize()) + ", нештатных ситуаций " +
                                std::to_string(obj.GetAbnormalCount()) + "; запросов " +
                                std::to_string(counters.requests) + ", принято " +
                                std::to_string(counters.bytesReceived) + " байт";
    bool saved = false;
    if (!m_output.empty()) {
      saved = SaveObject(obj, m_description, m_output, context) == kExitSuccess;
      if (saved) context.err << "Сохранено: " << m_output << " (" << summary << ")\n";
    } else {
      std::string status;
      if (obj.GetReadStatus(status) != ReadStatus::kReadOk) context.err << status << "\n";
      context.err << "Прочитано: " << summary << "\n";
    }
    const bool kept = m_journal && KeepInJournal(*m_journal, obj, "", context.err);
    return (m_output.empty() || saved) && (kept || saved) ? kExitSuccess : kExitFailure;
  }

  // Each object present of those asked for, one after another, into the
  // folder -o; what is on the instrument is read first.
  int ReadSeveral(CInterruptibleLink& line, const CReadParamClass& description, CProgressPrinter& progress,
                  CliContext& context) {
    CTrvKqModbusWithFlFiles& link = line.Link();
    CInstrumentContents contents;
    const bool listed = ReadInstrumentContents(link, m_line.baud, contents);
    progress.Finish();
    if (!listed) {
      line.PrintContentsFailure(contents, context.err);
      return kExitFailure;
    }
    const std::vector<const CObjectContents*> wanted = WantedObjects(contents, context.err);
    if (wanted.empty()) {
      context.err << "Нет объектов для чтения\n";
      return kExitFailure;
    }
    const std::filesystem::path folder = PathFromUtf8(m_output);
    if (!m_output.empty() && !MakeFolder(folder, context.err)) return kExitFailure;
    uint64_t total = 0;
    double seconds = 0.0;
    for (const CObjectContents* object : wanted) {
      total += object->bytes;
      seconds += object->readSeconds;
    }
    context.err << "Чтение объектов: " << wanted.size() << " (" << total << " байт, около " << ReadTimeText(seconds)
                << ")\n";

    std::vector<int> saved;
    std::vector<int> failed;
    bool cancelled = false;
    uint64_t base = 0;
    for (const CObjectContents* present : wanted) {
      const uint8_t number = present->object;
      progress.StartPart("Объект " + std::to_string(number) + ": ", base, total);
      base += present->bytes;
      const EObjectOutcome outcome = ReadOneOfSeveral(link, description, number, folder, progress, context.err);
      if (outcome == EObjectOutcome::kCancelled) {
        cancelled = true;
        break;
      }
      (outcome == EObjectOutcome::kKept ? saved : failed).push_back(number);
    }
    if (cancelled) context.err << ReadStatusText(ReadStatus::kReadCancelled) << "\n";
    context.err << "Прочитано объектов: " << saved.size() << " из " << wanted.size();
    if (!failed.empty()) context.err << "; с ошибкой: " << NumberList(failed);
    if (cancelled) context.err << "; не прочитаны после остановки: " << wanted.size() - saved.size() - failed.size();
    context.err << "\n";
    return saved.size() == wanted.size() ? kExitSuccess : kExitFailure;
  }

  // The objects on the instrument of those asked for, in its order; each
  // asked for and absent is said to be skipped.
  std::vector<const CObjectContents*> WantedObjects(const CInstrumentContents& contents, std::ostream& err) const {
    std::vector<const CObjectContents*> wanted;
    for (const CObjectContents& object : contents.objects) {
      if (m_all || std::binary_search(m_objects.begin(), m_objects.end(), object.object)) wanted.push_back(&object);
    }
    for (const int number : m_objects) {
      const bool present = std::any_of(contents.objects.begin(), contents.objects.end(),
                                       [&](const CObjectContents& o) { return o.object == number; });
      if (!present) err << "Объект " << number << ": нет на приборе, пропущен\n";
    }
    return wanted;
  }

  // Creates the folder of the saved archives, or says why it cannot be one.
  static bool MakeFolder(const std::filesystem::path& folder, std::ostream& err) {
    std::error_code ec;
    std::filesystem::create_directories(folder, ec);
    if (!ec && std::filesystem::is_directory(folder)) return true;
    err << kMessageCannotOpen << "\n"
        << DisplayPath(folder) << ": " << (ec ? ErrorReason(ec) : std::string("это не папка")) << "\n";
    return false;
  }

  enum class EObjectOutcome { kKept, kFailed, kCancelled };

  // Reads object `number` of several and keeps it: its raw files (with
  // --raw-dir), the saved archive in `folder` (with -o) and the journal.
  // Kept when it was saved as -o asks and kept somewhere.
  EObjectOutcome ReadOneOfSeveral(CTrvKqModbusWithFlFiles& link, const CReadParamClass& description, uint8_t number,
                                  const std::filesystem::path& folder, CProgressPrinter& progress, std::ostream& err) {
    CArchiveRead read(number);
    const std::unique_ptr<CObjectDefinition> object = ReadArchive(link, description, read);
    progress.Finish();
    std::string text;
    if (read.GetReadStatus(text) == ReadStatus::kReadCancelled) return EObjectOutcome::kCancelled;
    // The raw files are kept as a single read keeps them, also when
    // they do not decode.
    const CDeviceFiles& delivered = read.m_files;
    const bool haveFiles = !delivered.par.empty() || !delivered.dev.empty();
    if (!m_rawDir.empty() && haveFiles && !KeepRawFiles(PathFromUtf8(m_rawDir), number, delivered, err)) {
      return EObjectOutcome::kFailed;
    }
    if (!object) {
      err << "Объект " << +number << ": " << text << "\n";
      return EObjectOutcome::kFailed;
    }
    CObjectDefinition& obj = *object;
    obj.m_strDescription = m_description;
    const ReadStatus code = obj.GetReadStatus(text);
    const std::string prefix = "Объект " + std::to_string(number) + ": ";
    const std::string summary = "(записей " + std::to_string(obj.m_arcRecords.GetSize()) + ", нештатных ситуаций " +
                                std::to_string(obj.GetAbnormalCount()) + ")" +
                                (code != ReadStatus::kReadOk ? "; " + text : std::string());
    bool written = false;
    if (!m_output.empty()) {
      const std::filesystem::path path = folder / SavedName(number);
      try {
        SaveSavedArchive(path, obj);
        written = true;
        err << prefix << "сохранено " << PathToUtf8(path) << " " << summary << "\n";
      } catch (const std::system_error& e) {
        err << prefix << FileErrorMessage(e) << "\n" << e.what() << "\n";
      }
    } else {
      err << prefix << "прочитано " << summary << "\n";
    }
    const bool kept = m_journal && KeepInJournal(*m_journal, obj, prefix, err);
    return (m_output.empty() || written) && (kept || written) ? EObjectOutcome::kKept : EObjectOutcome::kFailed;
  }

  static std::string NumberList(const std::vector<int>& numbers) {
    std::string text;
    for (const int n : numbers) text += (text.empty() ? "" : ", ") + std::to_string(n);
    return text;
  }

  LinkOptions m_line;
  int m_object = 0;
  std::vector<int> m_objects;  // ascending, without repeats
  bool m_all = false;
  std::string m_output;
  std::string m_description;
  std::string m_rawDir;
  std::string m_journalFolder;
  bool m_noJournal = false;
  std::unique_ptr<CSurveyJournal> m_journal;  // while a read runs; null with --no-journal or when unusable
};

}  // namespace

std::unique_ptr<Command> MakeReadCommand() { return std::make_unique<ReadCommand>(); }

}  // namespace tkq::cli
