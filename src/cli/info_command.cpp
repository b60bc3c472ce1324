// info: what a saved archive holds, in a few lines.

#include <CLI/CLI.hpp>
#include <ostream>

#include "cli/archive_loading.h"
#include "cli/command.h"
#include "core/archive/quantity_catalogue.h"
#include "core/output/text_forms.h"

namespace tkq::cli {
namespace {

std::string QuantityText(uint8_t type) {
  const std::string_view name = catalogue::QuantityTypeName(type);
  return std::to_string(type) + (name.empty() ? " (неизвестная величина)" : " (" + std::string(name) + ")");
}

class InfoCommand : public Command {
 public:
  const char* Name() const override { return "info"; }
  const char* Description() const override { return "Describe a saved archive"; }

  void Setup(CLI::App& command) override { AddArchiveOptions(command, m_archive); }

  int Run(CliContext& context) override {
    LoadedArchive loaded;
    if (const int status = LoadArchive(m_archive, loaded, context); status != kExitSuccess) return status;
    const CObjectDefinition& obj = *loaded.object;
    context.out << "Объект: " << static_cast<unsigned>(obj.GetObjectNumber()) << "\n"
                << "Считан: " << FormatReadTime(obj.m_tRead) << "\n"
                << "Описание: " << obj.m_strDescription << "\n"
                << "Идентификация: " << obj.m_strDeviceId << "\n"
                << "Записей архива измерений: " << obj.m_arcRecords.GetSize() << "\n"
                << "Интервалов: " << obj.RowCount() << "\n"
                << "Нештатных ситуаций: " << obj.GetAbnormalCount() << "\n"
                << "Первый параметр: " << QuantityText(obj.m_nType1) << "\n"
                << "Второй параметр: " << QuantityText(obj.m_nType2) << "\n";
    std::string status;
    if (obj.GetReadStatus(status) != ReadStatus::kReadOk) context.out << "Состояние: " << status << "\n";
    return kExitSuccess;
  }

 private:
  ArchiveOptions m_archive;
};

}  // namespace

std::unique_ptr<Command> MakeInfoCommand() { return std::make_unique<InfoCommand>(); }

}  // namespace tkq::cli
