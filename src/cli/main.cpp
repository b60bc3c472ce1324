// tarvik-kq: the command-line tool over the core, for batch work with
// saved archives and for checking what the program computes.

#include <signal.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <iostream>
#include <map>
#include <optional>
#include <sstream>
#include <string>
#include <system_error>
#include <vector>

#include "archive/quantity_catalogue.h"
#include "description/read_param_class.h"
#include "link/flash_names.h"
#include "link/link_status.h"
#include "link/port_advice.h"
#include "link/serial_channel.h"
#include "output/report.h"
#include "output/text_forms.h"
#include "storage/file_io.h"
#include "storage/saved_archive.h"

namespace tkq {
namespace {

constexpr int kExitFailure = 1;
constexpr int kExitUsage = 2;
constexpr int kExitBadFile = 2;

constexpr const char* kUsage = R"(Usage:
  tarvik-kq versions [--description FILE]
      Load the device description as the program does at start (FILE, by
      default TarvikKQ.def in the current folder; written from the built-in
      description when it is missing or unreadable) and list its versions.
  tarvik-kq info ARCHIVE [--description FILE]
  tarvik-kq tree ARCHIVE [--description FILE]
  tarvik-kq report ARCHIVE --view archive|abnormal|params [-o FILE]
                   [--output-types A,B] [--units A,B] [--result]
                   [--columns LIST] [--description FILE]
      Write the report of one view exactly as the program writes it
      (code page 1251). A and B are positions (from 0) in the lists of the
      view settings; LIST names the columns switched on, from
      number,first,second,start,end,time,abnormal (default: all).
  tarvik-kq import DIR --object N --id TEXT -o FILE [--description TEXT]
      Build a saved archive from an object's files as the instrument keeps
      them (ObjNN_0.arc, .err, .ads, .par and System_0.dev in DIR).
  tarvik-kq identify --port P [--baud B] [--address A]
      Print the instrument's identification text.
  tarvik-kq read --port P [--baud B] [--address A] --object N -o FILE
                 [--description TEXT] [--raw-dir DIR]
      Read one object (1 to 20) from the instrument and save it as a saved
      archive; --raw-dir also keeps the files as the instrument delivered
      them. P is COM1..COM4 (/dev/ttyS0..3) or a device path; B is 1200 to
      38400 (or a higher standard rate), default 9600; A is 0 to 255,
      default 1. Ctrl+C stops a read.

info, tree, report and import use TarvikKQ.def from the current folder when
it reads (or the --description FILE given), else the built-in description;
read uses TarvikKQ.def from the current folder the same way. None of them
writes a description file.
)";

struct Args {
  std::vector<std::string> positional;
  std::map<std::string, std::string> options;
  bool result = false;
  bool help = false;
};

std::optional<Args> Parse(int argc, char** argv, std::string& error) {
  Args args;
  for (int i = 1; i < argc; ++i) {
    const std::string a = argv[i];
    if (a == "--help" || a == "-h") {
      args.help = true;
    } else if (a == "--result") {
      args.result = true;
    } else if (a == "-o" || (a.size() > 2 && a.rfind("--", 0) == 0)) {
      std::string name = a;
      std::string value;
      const size_t eq = a.find('=');
      if (eq != std::string::npos) {
        name = a.substr(0, eq);
        value = a.substr(eq + 1);
      } else if (i + 1 < argc) {
        value = argv[++i];
      } else {
        error = "option " + a + " needs a value";
        return std::nullopt;
      }
      static const char* kKnown[] = {"-o",      "--description", "--view", "--output-types", "--units",
                                     "--columns", "--object",    "--id",   "--port",         "--baud",
                                     "--address", "--raw-dir"};
      bool known = false;
      for (const char* k : kKnown) known = known || name == k;
      if (!known) {
        error = "unknown option " + name;
        return std::nullopt;
      }
      args.options[name] = value;
    } else {
      args.positional.push_back(a);
    }
  }
  return args;
}

std::string Option(const Args& args, const std::string& name, const std::string& fallback = "") {
  auto it = args.options.find(name);
  return it == args.options.end() ? fallback : it->second;
}

int UsageError(const std::string& what) {
  std::cerr << "tarvik-kq: " << what << "\n\n" << kUsage;
  return kExitUsage;
}

int Fail(const std::string& message, const std::string& detail = "") {
  std::cerr << message << "\n";
  if (!detail.empty()) std::cerr << detail << "\n";
  return kExitFailure;
}

std::filesystem::path DescriptionPath(const Args& args) {
  return Option(args, "--description", std::string(kDescriptionFileName));
}

// Both numbers of "A,B"; false when the text is not two numbers 0..255.
bool ParsePair(const std::string& text, uint8_t& a, uint8_t& b) {
  unsigned x = 0;
  unsigned y = 0;
  char tail = 0;
  if (std::sscanf(text.c_str(), "%u,%u%c", &x, &y, &tail) != 2 || x > 255 || y > 255) return false;
  a = static_cast<uint8_t>(x);
  b = static_cast<uint8_t>(y);
  return true;
}

struct Loaded {
  std::unique_ptr<CReadParamClass> description = std::make_unique<CReadParamClass>();
  CTrvKqModbusWithFlFiles link;
  std::unique_ptr<CObjectDefinition> object;
};

// Loads the archive named by the first positional argument; on failure
// reports it and returns the exit status.
int LoadArchive(const Args& args, Loaded& loaded) {
  if (args.positional.size() != 2) return UsageError("name one saved archive");
  loaded.description->LoadOrBuiltIn(DescriptionPath(args));
  try {
    loaded.object = LoadSavedArchive(std::filesystem::path(args.positional[1]), loaded.description.get(),
                                     &loaded.link);
  } catch (const CLoadError& e) {
    std::cerr << e.UserMessage() << "\n" << e.what() << "\n";
    return kExitBadFile;
  }
  return 0;
}

int Versions(const Args& args) {
  if (args.positional.size() != 1) return UsageError("versions takes no file name");
  CReadParamClass description;
  description.LoadAtStart(DescriptionPath(args), [](std::string_view message) { std::cerr << message << "\n"; });
  for (const auto& name : description.VersionNames()) std::cout << name << "\n";
  return 0;
}

std::string QuantityText(uint8_t type) {
  const std::string_view name = catalogue::QuantityTypeName(type);
  return std::to_string(type) + (name.empty() ? " (неизвестная величина)" : " (" + std::string(name) + ")");
}

int Info(const Args& args) {
  Loaded loaded;
  if (const int status = LoadArchive(args, loaded); status != 0) return status;
  CObjectDefinition& obj = *loaded.object;
  const int32_t rows = obj.GetRowCount();
  std::cout << "Объект: " << static_cast<unsigned>(obj.GetObjectNumber()) << "\n"
            << "Считан: " << FormatReadTime(obj.m_tRead) << "\n"
            << "Описание: " << obj.m_strDescription << "\n"
            << "Идентификация: " << obj.m_strDeviceId << "\n"
            << "Записей архива измерений: " << obj.m_arcRecords.GetSize() << "\n"
            << "Интервалов: " << rows << "\n"
            << "Нештатных ситуаций: " << obj.GetAbnormalCount() << "\n"
            << "Первый параметр: " << QuantityText(obj.m_nType1) << "\n"
            << "Второй параметр: " << QuantityText(obj.m_nType2) << "\n";
  std::string status;
  if (obj.GetReadStatus(status) != kReadOk) std::cout << "Состояние: " << status << "\n";
  return 0;
}

int Tree(const Args& args) {
  Loaded loaded;
  if (const int status = LoadArchive(args, loaded); status != 0) return status;
  for (const auto& group : loaded.object->m_paramTree.Items()) {
    std::cout << group.text << "\n";
    for (const auto& line : group.children) std::cout << "    " << line.text << "\n";
  }
  return 0;
}

// Applies --output-types, --units, --result and --columns as the settings
// form would; returns an error text or "".
std::string ApplyArchiveSettings(const Args& args, CObjectDefinition& obj, CColumnSwitches& columns) {
  uint8_t ot1 = 0, ot2 = 0, unit1 = 0, unit2 = 0;
  if (args.options.count("--output-types") && !ParsePair(Option(args, "--output-types"), ot1, ot2)) {
    return "--output-types takes two numbers, e.g. 1,0";
  }
  if (args.options.count("--units") && !ParsePair(Option(args, "--units"), unit1, unit2)) {
    return "--units takes two numbers, e.g. 0,1";
  }
  if (args.result && !obj.IsResultAvailable()) return "Результирующий параметр для этого архива недоступен";
  std::vector<std::string> types1, types2, units1, units2;
  obj.GetOutputTypeNames(args.result, types1, types2);
  if (ot1 >= std::max<size_t>(types1.size(), 1) || ot2 >= std::max<size_t>(types2.size(), 1)) {
    return "Нет такого типа вывода: допустимы 0.." + std::to_string(std::max<size_t>(types1.size(), 1) - 1) +
           " и 0.." + std::to_string(std::max<size_t>(types2.size(), 1) - 1);
  }
  obj.GetUnitNames(false, ot1, units1);
  obj.GetUnitNames(true, ot2, units2);
  if (unit1 >= std::max<size_t>(units1.size(), 1) || unit2 >= std::max<size_t>(units2.size(), 1)) {
    return "Нет такой размерности: допустимы 0.." + std::to_string(std::max<size_t>(units1.size(), 1) - 1) +
           " и 0.." + std::to_string(std::max<size_t>(units2.size(), 1) - 1);
  }
  obj.SetOutputTypes(ot1, unit1, ot2, unit2, args.result ? 1 : 0);

  if (args.options.count("--columns")) {
    columns = CColumnSwitches{false, false, false, false, false, false, false};
    const std::pair<const char*, bool CColumnSwitches::*> kNames[] = {
        {"number", &CColumnSwitches::m_bShowNumber},      {"first", &CColumnSwitches::m_bShowFirst},
        {"second", &CColumnSwitches::m_bShowSecond},      {"start", &CColumnSwitches::m_bShowIntervalStart},
        {"end", &CColumnSwitches::m_bShowIntervalEnd},    {"time", &CColumnSwitches::m_bShowArchivingTime},
        {"abnormal", &CColumnSwitches::m_bShowAbnormal}};
    std::stringstream list(Option(args, "--columns"));
    std::string name;
    while (std::getline(list, name, ',')) {
      if (name.empty()) continue;
      const auto* known = std::find_if(std::begin(kNames), std::end(kNames),
                                       [&](const auto& entry) { return name == entry.first; });
      if (known == std::end(kNames)) {
        return "unknown column " + name + " (number,first,second,start,end,time,abnormal)";
      }
      columns.*(known->second) = true;
    }
  }
  return {};
}

int Report(const Args& args) {
  const std::string view = Option(args, "--view");
  if (view != "archive" && view != "abnormal" && view != "params") {
    return UsageError("--view must be archive, abnormal or params");
  }
  Loaded loaded;
  if (const int status = LoadArchive(args, loaded); status != 0) return status;
  CObjectDefinition& obj = *loaded.object;
  CColumnSwitches columns;
  if (view == "archive") {
    if (const std::string error = ApplyArchiveSettings(args, obj, columns); !error.empty()) {
      std::cerr << error << "\n";
      return kExitUsage;
    }
  }
  auto write = [&](CReportSink& sink) {
    if (view == "archive") {
      WriteArchiveReport(obj, columns, sink);
    } else if (view == "abnormal") {
      WriteAbnormalReport(obj, sink);
    } else {
      const auto& tree = obj.m_paramTree;
      WriteParamReport(tree, std::vector<bool>(tree.GetCount(), true), sink);
    }
  };
  const std::string out = Option(args, "-o");
  try {
    if (out.empty()) {
      CFileSink sink(stdout);
      write(sink);
      if (std::fflush(stdout) != 0) throw std::system_error(errno, std::generic_category(), "standard output");
    } else {
      CAtomicFile file(out);
      CAtomicFileSink sink(file);
      write(sink);
      file.Commit();
    }
  } catch (const std::system_error& e) {
    return Fail(kMessageCannotOpen, e.what());
  }
  return 0;
}

int Import(const Args& args) {
  if (args.positional.size() != 2) return UsageError("import takes one folder");
  const std::string out = Option(args, "-o");
  const int number = std::atoi(Option(args, "--object", "0").c_str());
  if (out.empty() || !args.options.count("--id")) return UsageError("import needs --object, --id and -o");
  if (number < 1 || number > 20) return UsageError("--object must be 1 to 20");

  const std::filesystem::path dir = args.positional[1];
  char stem[16];
  std::snprintf(stem, sizeof stem, "Obj%02d_0", number);
  auto read = [&](const std::string& name, bool required, std::vector<uint8_t>& bytes) {
    const auto path = dir / name;
    if (!required && !std::filesystem::exists(path)) return true;
    try {
      bytes = ReadWholeFile(path);
      return true;
    } catch (const CFileOpenError& e) {
      std::cerr << kMessageCannotOpen << "\n" << e.what() << "\n";
      return false;
    }
  };
  CReadParamClass description;
  description.LoadOrBuiltIn(std::string(kDescriptionFileName));
  CObjectDefinition obj;
  obj.SetVersionList(&description);
  obj.SetObjectNumber(static_cast<uint8_t>(number));
  obj.m_strDeviceId = Option(args, "--id");
  obj.m_strDescription = Option(args, "--description");
  obj.m_tRead = static_cast<int64_t>(std::time(nullptr));
  std::vector<uint8_t> arc, err, ads;
  if (!read(std::string(stem) + ".arc", false, arc) || !read(std::string(stem) + ".err", false, err) ||
      !read(std::string(stem) + ".ads", false, ads) || !read(std::string(stem) + ".par", true, obj.m_parBytes) ||
      !read("System_0.dev", true, obj.m_devBytes)) {
    return kExitBadFile;
  }
  try {
    obj.DecodeDeviceFiles(arc, err, ads);
  } catch (const std::invalid_argument& e) {
    return Fail(ReadStatusText(kReadFileError), e.what());
  }
  try {
    SaveSavedArchive(out, obj);
  } catch (const std::system_error& e) {
    return Fail(kMessageCannotOpen, e.what());
  }
  std::string status;
  if (obj.GetReadStatus(status) != kReadOk) std::cerr << status << "\n";
  return 0;
}

// --- the instrument ---

std::atomic<bool> g_cancel{false};

void OnInterrupt(int) { g_cancel = true; }

// Ctrl+C and termination set the cancel flag; the read then stops at the
// next transaction or within 50 ms of a wait and closes the port.
void CatchInterrupts() {
  struct sigaction action {};
  action.sa_handler = OnInterrupt;
  sigemptyset(&action.sa_mask);
  sigaction(SIGINT, &action, nullptr);
  sigaction(SIGTERM, &action, nullptr);
}

struct LinkOptions {
  std::string port;
  uint32_t baud = 9600;
  uint8_t address = 1;
};

// Reads --port, --baud and --address; returns an error text or "".
std::string ParseLinkOptions(const Args& args, LinkOptions& link) {
  link.port = Option(args, "--port");
  if (link.port.empty()) return "--port is required (COM1..COM4 or a device such as /dev/ttyUSB0)";
  static const uint32_t kRates[] = {1200, 2400, 4800, 9600, 19200, 38400, 57600, 115200, 230400, 460800, 921600};
  if (args.options.count("--baud")) {
    const std::string text = Option(args, "--baud");
    const unsigned long baud = std::strtoul(text.c_str(), nullptr, 10);
    bool known = false;
    for (uint32_t rate : kRates) known = known || rate == baud;
    if (!known) return "--baud must be a standard rate from 1200 to 921600";
    link.baud = static_cast<uint32_t>(baud);
  }
  if (args.options.count("--address")) {
    const std::string text = Option(args, "--address");
    char* end = nullptr;
    const long address = std::strtol(text.c_str(), &end, 10);
    if (text.empty() || *end != '\0' || address < 0 || address > 255) return "--address must be 0 to 255";
    link.address = static_cast<uint8_t>(address);
  }
  return {};
}

void Configure(CTrvKqModbusWithFlFiles& link, const LinkOptions& options) {
  link.SetConnection(options.port, options.address);
  link.m_nBaudRate = options.baud;
  link.SetCancelFlag(&g_cancel);
}

// A second line for a port that could not be opened, when the reason is
// one the user can mend.
void AdviseOnPort(const CTrvKqModbusWithFlFiles& link) {
  const std::string advice = PortAdvice(link.m_strPortName, link.LastOpenError());
  if (!advice.empty()) std::cerr << advice << "\n";
}

int Identify(const Args& args) {
  LinkOptions options;
  if (const std::string error = ParseLinkOptions(args, options); !error.empty()) return UsageError(error);
  CatchInterrupts();
  CTrvKqModbusWithFlFiles link;
  Configure(link, options);
  if (!link.OpenPort()) {
    std::cerr << ReadStatusText(kReadPortBusy) << "\n";
    AdviseOnPort(link);
    return kExitFailure;
  }
  std::string text;
  const bool ok = link.ReadIdentification(text);
  link.ClosePort();
  if (!ok) {
    std::string status;
    link.GetStatusText(status);
    std::cerr << ReadStatusText(link.IsCancelled() ? kReadCancelled : kReadNoConnection) << "\n" << status << "\n";
    return kExitFailure;
  }
  std::cout << text << "\n";
  return 0;
}

std::string Kilobytes(uint64_t bytes) {
  char buf[32];
  std::snprintf(buf, sizeof buf, "%.1f КБ", static_cast<double>(bytes) / 1024.0);
  return buf;
}

// The progress of a read on stderr: a bar redrawn in place on a terminal,
// one line per file otherwise.
class CProgressPrinter : public CReadProgress {
 public:
  CProgressPrinter() : m_tty(::isatty(STDERR_FILENO) != 0), m_start(Clock::now()) {}

  void OnStage(const std::string& stage, uint64_t bytes) override {
    if (stage == "identification" || stage == "directory") {
      m_stage = stage == "identification" ? "Идентификация прибора" : "Чтение каталога";
    } else {
      m_stage = stage;
      if (!m_tty) std::cerr << "Чтение " << stage << " (" << bytes << " байт)\n";
    }
    Draw(true);
  }

  void OnBytes(uint64_t done, uint64_t total) override {
    if (m_done == 0 && done > 0) m_firstByte = Clock::now();
    m_done = done;
    m_total = total;
    Draw(false);
  }

  void Finish() {
    if (m_tty && m_drawn) std::cerr << "\r\033[K";
  }

 private:
  using Clock = std::chrono::steady_clock;

  void Draw(bool force) {
    if (!m_tty) return;
    const auto now = Clock::now();
    if (!force && now - m_lastDraw < std::chrono::milliseconds(100)) return;
    m_lastDraw = now;
    m_drawn = true;
    const uint64_t total = std::max(m_total, m_done);
    const double share = total > 0 ? static_cast<double>(m_done) / static_cast<double>(total) : 0.0;
    const int width = 24;
    const int filled = static_cast<int>(share * width);
    std::string bar(static_cast<size_t>(width) + 2, '.');
    bar.front() = '[';
    bar.back() = ']';
    bar.replace(1, static_cast<size_t>(filled), static_cast<size_t>(filled), '#');
    const double seconds = std::chrono::duration<double>(now - m_firstByte).count();
    std::string rate;
    std::string left;
    if (m_done > 0 && seconds > 0.2) {
      const double perSecond = static_cast<double>(m_done) / seconds;
      rate = "  " + Kilobytes(static_cast<uint64_t>(perSecond)) + "/с";
      const auto remaining = static_cast<long>(static_cast<double>(total - m_done) / std::max(perSecond, 1.0));
      char buf[48];
      std::snprintf(buf, sizeof buf, "  осталось %ld:%02ld", remaining / 60, remaining % 60);
      left = buf;
    }
    char percent[16];
    std::snprintf(percent, sizeof percent, "%3d%%", static_cast<int>(share * 100.0));
    std::cerr << "\r\033[K" << m_stage << "  " << bar << " " << percent << "  " << Kilobytes(m_done) << " из "
              << Kilobytes(total) << rate << left << std::flush;
  }

  bool m_tty;
  bool m_drawn = false;
  Clock::time_point m_start;
  Clock::time_point m_firstByte = Clock::now();
  Clock::time_point m_lastDraw{};
  std::string m_stage;
  uint64_t m_done = 0;
  uint64_t m_total = 0;
};

// Keeps the files as the instrument delivered them, under the names they
// have on the computer.
bool KeepRawFiles(const std::filesystem::path& dir, uint8_t object, const CDeviceFiles& files) {
  std::error_code ec;
  std::filesystem::create_directories(dir, ec);
  const std::string name = ObjectFileName(object);
  const std::pair<std::string, const std::vector<uint8_t>*> all[] = {
      {HostFileName(name, "arc"), &files.arc}, {HostFileName(name, "err"), &files.err},
      {HostFileName(name, "ads"), &files.ads}, {HostFileName(name, "par"), &files.par},
      {HostFileName(kSystemFileName, kSystemFileExt), &files.dev}};
  try {
    for (const auto& [host, bytes] : all) {
      WriteFileAtomically(dir / host, std::string_view(reinterpret_cast<const char*>(bytes->data()), bytes->size()));
    }
  } catch (const std::system_error& e) {
    std::cerr << kMessageCannotOpen << "\n" << e.what() << "\n";
    return false;
  }
  return true;
}

int Read(const Args& args) {
  LinkOptions options;
  if (const std::string error = ParseLinkOptions(args, options); !error.empty()) return UsageError(error);
  const std::string out = Option(args, "-o");
  const std::string objectText = Option(args, "--object");
  char* end = nullptr;
  const long object = std::strtol(objectText.c_str(), &end, 10);
  if (objectText.empty() || *end != '\0' || object < 1 || object > 20) return UsageError("--object must be 1 to 20");
  if (out.empty()) return UsageError("name the saved archive with -o FILE");

  CatchInterrupts();
  CReadParamClass description;
  description.LoadOrBuiltIn(std::string(kDescriptionFileName));
  CTrvKqModbusWithFlFiles link;
  Configure(link, options);
  CProgressPrinter progress;
  link.SetProgress(&progress);

  CObjectDefinition obj;
  obj.SetLink(&link);
  obj.SetVersionList(&description);
  obj.SetObjectNumber(static_cast<uint8_t>(object));
  obj.m_strDescription = Option(args, "--description");
  CDeviceFiles delivered;
  const bool ok = obj.ReadArchive(&delivered);
  progress.Finish();
  const bool haveFiles = !delivered.par.empty() || !delivered.dev.empty();
  if (args.options.count("--raw-dir") && haveFiles &&
      !KeepRawFiles(Option(args, "--raw-dir"), static_cast<uint8_t>(object), delivered)) {
    return kExitFailure;
  }
  if (!ok) {
    std::string text;
    const uint8_t code = obj.GetReadStatus(text);
    std::cerr << text << "\n";
    if (code == kReadPortBusy) AdviseOnPort(link);
    return kExitFailure;
  }
  try {
    SaveSavedArchive(out, obj);
  } catch (const std::system_error& e) {
    return Fail(kMessageCannotOpen, e.what());
  }
  std::string status;
  if (obj.GetReadStatus(status) != kReadOk) std::cerr << status << "\n";
  const CLineCounters& line = link.Counters();
  std::cerr << "Сохранено: " << out << " (записей " << obj.m_arcRecords.GetSize() << ", нештатных ситуаций "
            << obj.GetAbnormalCount() << "; запросов " << line.requests << ", принято " << line.bytesReceived
            << " байт)\n";
  return 0;
}

int Run(int argc, char** argv) {
  std::string error;
  const std::optional<Args> args = Parse(argc, argv, error);
  if (!args) return UsageError(error);
  if (args->help) {
    std::cout << kUsage;
    return 0;
  }
  if (args->positional.empty()) return UsageError("name a command");
  const std::string& command = args->positional[0];
  if (command == "versions") return Versions(*args);
  if (command == "info") return Info(*args);
  if (command == "tree") return Tree(*args);
  if (command == "report") return Report(*args);
  if (command == "import") return Import(*args);
  if (command == "identify") return Identify(*args);
  if (command == "read") return Read(*args);
  return UsageError("unknown command " + command);
}

}  // namespace
}  // namespace tkq

int main(int argc, char** argv) { return tkq::Run(argc, argv); }
