// read: one object read from the instrument and saved as a saved archive.

#include <CLI/CLI.hpp>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <ostream>
#include <system_error>

#include "command.h"
#include "description/read_param_class.h"
#include "link/flash_names.h"
#include "link/read_status.h"
#include "link_options.h"
#include "number_option.h"
#include "storage/file_io.h"
#include "storage/saved_archive.h"

namespace tkq::cli {
namespace {

std::string Kilobytes(uint64_t bytes) {
  char buf[32];
  std::snprintf(buf, sizeof buf, "%.1f КБ", static_cast<double>(bytes) / 1024.0);
  return buf;
}

// The progress of a read on err: a bar redrawn in place on a terminal, one
// line per file otherwise.
class CProgressPrinter : public CReadProgress {
 public:
  CProgressPrinter(std::ostream& err, bool terminal) : m_err(err), m_tty(terminal) {}

  void OnStage(const std::string& stage, uint64_t bytes) override {
    if (stage == "identification" || stage == "directory") {
      m_stage = stage == "identification" ? "Идентификация прибора" : "Чтение каталога";
    } else {
      m_stage = stage;
      if (!m_tty) m_err << "Чтение " << stage << " (" << bytes << " байт)\n";
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
    if (m_tty && m_drawn) m_err << "\r\033[K";
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
    m_err << "\r\033[K" << m_stage << "  " << bar << " " << percent << "  " << Kilobytes(m_done) << " из "
          << Kilobytes(total) << rate << left << std::flush;
  }

  std::ostream& m_err;
  bool m_tty;
  bool m_drawn = false;
  Clock::time_point m_firstByte = Clock::now();
  Clock::time_point m_lastDraw{};
  std::string m_stage;
  uint64_t m_done = 0;
  uint64_t m_total = 0;
};

// Keeps the files as the instrument delivered them, under the names they
// have on the computer.
bool KeepRawFiles(const std::filesystem::path& dir, uint8_t object, const CDeviceFiles& files, std::ostream& err) {
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
    err << kMessageCannotOpen << "\n" << e.what() << "\n";
    return false;
  }
  return true;
}

class ReadCommand : public Command {
 public:
  const char* Name() const override { return "read"; }
  const char* Description() const override { return "Read one object from the instrument into a saved archive"; }

  void Setup(CLI::App& command) override {
    AddLinkOptions(command, m_line);
    AddNumberOption(command, "--object", m_object, 1, 20, "The object, 1 to 20")->required();
    command.add_option("-o", m_output, "The saved archive to write")->type_name("FILE")->required();
    command.add_option("--description", m_description, "The object's description text")->type_name("TEXT");
    command.add_option("--raw-dir", m_rawDir, "Also keep the files as the instrument delivered them in DIR")
        ->type_name("DIR");
    command.footer(
        "Ctrl+C stops a read; a failed read never replaces the saved archive. Uses TarvikKQ.def from the "
        "current folder when it reads, else the built-in description; writes no description file.");
  }

  int Run(CliContext& context) override {
    CReadParamClass description;
    description.LoadOrBuiltIn(std::filesystem::path(kDescriptionFileName));
    CInterruptibleLink line(m_line);
    CTrvKqModbusWithFlFiles& link = line.Link();
    CProgressPrinter progress(context.err, context.errIsTerminal);
    link.SetProgress(&progress);

    CObjectDefinition obj;
    obj.SetLink(&link);
    obj.SetVersionList(&description);
    obj.SetObjectNumber(static_cast<uint8_t>(m_object));
    obj.m_strDescription = m_description;
    CDeviceFiles delivered;
    const bool ok = obj.ReadArchive(&delivered);
    progress.Finish();
    link.SetProgress(nullptr);
    const bool haveFiles = !delivered.par.empty() || !delivered.dev.empty();
    if (!m_rawDir.empty() && haveFiles &&
        !KeepRawFiles(m_rawDir, static_cast<uint8_t>(m_object), delivered, context.err)) {
      return kExitFailure;
    }
    if (!ok) {
      std::string text;
      const uint8_t code = obj.GetReadStatus(text);
      context.err << text << "\n";
      if (code == kReadPortBusy) line.AdviseOnPort(context.err);
      return kExitFailure;
    }
    try {
      SaveSavedArchive(m_output, obj);
    } catch (const std::system_error& e) {
      context.err << kMessageCannotOpen << "\n" << e.what() << "\n";
      return kExitFailure;
    }
    std::string status;
    if (obj.GetReadStatus(status) != kReadOk) context.err << status << "\n";
    const CLineCounters& counters = link.Counters();
    context.err << "Сохранено: " << m_output << " (записей " << obj.m_arcRecords.GetSize()
                << ", нештатных ситуаций " << obj.GetAbnormalCount() << "; запросов " << counters.requests
                << ", принято " << counters.bytesReceived << " байт)\n";
    return kExitSuccess;
  }

 private:
  LinkOptions m_line;
  int m_object = 0;
  std::string m_output;
  std::string m_description;
  std::string m_rawDir;
};

}  // namespace

std::unique_ptr<Command> MakeReadCommand() { return std::make_unique<ReadCommand>(); }

}  // namespace tkq::cli
