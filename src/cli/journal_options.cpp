#include "cli/journal_options.h"

#include <CLI/CLI.hpp>
#include <ostream>

#include "cli/documents_folder.h"
#include "core/base/paths.h"
#include "core/base/system_errors.h"

namespace tkq::cli {

void AddJournalOption(CLI::App& command, std::string& folder) {
  command
      .add_option("--journal", folder,
                  "The survey journal's folder (default: Tarvik KQ/Журнал in the documents folder, the one the "
                  "desktop program uses)")
      ->type_name("DIR");
}

std::unique_ptr<CSurveyJournal> OpenJournal(const std::string& folder, const CReadParamClass& description,
                                            std::ostream& err) {
  std::filesystem::path path = PathFromUtf8(folder);
  if (folder.empty()) {
    const std::filesystem::path documents = DocumentsFolder();
    if (documents.empty()) {
      err << "Не найдена папка документов пользователя: укажите папку журнала (--journal DIR)\n";
      return nullptr;
    }
    path = CSurveyJournal::DefaultFolder(documents);
  }
  try {
    return std::make_unique<CSurveyJournal>(path, description);
  } catch (const CJournalError& e) {
    err << e.what() << "\n";
  } catch (const std::exception& e) {
    err << "Журнал обследований " << DisplayPath(path) << " недоступен: " << ErrorDetail(e) << "\n";
  }
  return nullptr;
}

}  // namespace tkq::cli
