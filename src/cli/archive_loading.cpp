#include "archive_loading.h"

#include <CLI/CLI.hpp>

#include <filesystem>
#include <ostream>

#include "storage/saved_archive.h"

namespace tkq::cli {

void AddArchiveOptions(CLI::App& command, ArchiveOptions& options) {
  command.add_option("ARCHIVE", options.archive, "The saved archive")->required();
  command.add_option("--description", options.descriptionFile,
                     "The device description file (default TarvikKQ.def in the current folder; the built-in "
                     "description when it does not read)")
      ->type_name("FILE");
}

int LoadArchive(const ArchiveOptions& options, LoadedArchive& loaded, CliContext& context) {
  loaded.description->LoadOrBuiltIn(std::filesystem::path(options.descriptionFile));
  try {
    loaded.object =
        LoadSavedArchive(std::filesystem::path(options.archive), loaded.description.get(), &loaded.link);
  } catch (const CLoadError& e) {
    context.err << e.UserMessage() << "\n" << e.what() << "\n";
    return kExitBadFile;
  }
  return kExitSuccess;
}

}  // namespace tkq::cli
