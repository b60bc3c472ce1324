// list: what is on the instrument, from its identification and directory:
// the objects, their files, records and how long reading each would take.

#include <CLI/CLI.hpp>
#include <ostream>

#include "cli/command.h"
#include "cli/link_options.h"
#include "core/archive/instrument_contents.h"
#include "core/base/cp1251.h"

namespace tkq::cli {

namespace {

// `text` with blanks before it up to `width` characters.
std::string PadLeft(const std::string& text, size_t width) {
  const size_t length = Utf8Length(text);
  return length >= width ? text : std::string(width - length, ' ') + text;
}

class ListCommand : public Command {
 public:
  const char* Name() const override { return "list"; }
  const char* Description() const override {
    return "List the objects on the instrument with their files, records and read times";
  }

  void Setup(CLI::App& command) override {
    AddLinkOptions(command, m_line);
    command.footer(
        "Reads the identification and the directory only. A read time is the line time of the requests and "
        "answers a read of that object makes at the --baud rate, with the RTU frame gaps; retries come on top.");
  }

  int Run(CliContext& context) override {
    CInterruptibleLink line(m_line);
    CInstrumentContents contents;
    if (!ReadInstrumentContents(line.Link(), m_line.baud, contents)) {
      line.PrintContentsFailure(contents, context.err);
      return kExitFailure;
    }
    std::ostream& out = context.out;
    out << "Прибор: " << contents.deviceId << "\n"
        << "Системный файл System_0.dev: "
        << (contents.systemFileSize > 0 ? std::to_string(contents.systemFileSize) + " байт, читается с каждым объектом"
                                        : std::string("нет"))
        << "\n";
    if (contents.objects.empty()) {
      out << "Объектов на приборе нет\n";
      return kExitSuccess;
    }
    const std::string timeCaption = "Чтение (" + std::to_string(m_line.baud) + " бод)";
    const size_t timeWidth = Utf8Length(timeCaption);
    out << "\nОбъект  Записей  " << PadLeft(timeCaption, timeWidth) << "  Файлы, байт\n";
    double total = 0.0;
    for (const CObjectContents& object : contents.objects) {
      std::string files;
      for (const CObjectFileInfo& file : object.files) {
        files += (files.empty() ? "" : ", ") + file.name + " " + std::to_string(file.size);
      }
      const std::string obstacle = UnreadableReason(object);
      if (!obstacle.empty()) files += "; не будет прочитан: " + obstacle;
      out << PadLeft(std::to_string(object.object), 6) << "  " << PadLeft(std::to_string(object.records), 7) << "  "
          << PadLeft(object.readable ? ReadTimeText(object.readSeconds) : std::string("—"), timeWidth) << "  " << files
          << "\n";
      total += object.readSeconds;  // as read --objects all would try it
    }
    out << "\nВсего объектов: " << contents.objects.size() << "; чтение всех около " << ReadTimeText(total) << "\n";
    return kExitSuccess;
  }

 private:
  LinkOptions m_line;
};

}  // namespace

std::unique_ptr<Command> MakeListCommand() { return std::make_unique<ListCommand>(); }

}  // namespace tkq::cli
