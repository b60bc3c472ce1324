#include "cli/archive_loading.h"

#include <CLI/CLI.hpp>
#include <cctype>
#include <filesystem>
#include <ostream>
#include <system_error>

#include "core/archive/saved_archive.h"
#include "core/base/paths.h"
#include "core/link/read_status.h"
#include "core/storage/file_io.h"

namespace tkq::cli {

void AddArchiveOptions(CLI::App& command, ArchiveOptions& options) {
  command.add_option("ARCHIVE", options.archive, "The saved archive")->required();
  command
      .add_option("--description", options.descriptionFile,
                  "The device description file (default TarvikKQ.def in the current folder; the built-in "
                  "description when it does not read)")
      ->type_name("FILE");
}

int LoadArchive(const ArchiveOptions& options, LoadedArchive& loaded, CliContext& context) {
  loaded.description->LoadOrBuiltIn(PathFromUtf8(options.descriptionFile));
  try {
    loaded.object = LoadSavedArchive(PathFromUtf8(options.archive), *loaded.description);
  } catch (const CLoadError& e) {
    context.err << e.UserMessage() << "\n" << e.what() << "\n";
    return kExitBadFile;
  }
  return kExitSuccess;
}

int SaveObject(CObjectDefinition& object, const std::string& description, const std::string& output,
               CliContext& context) {
  object.m_strDescription = description;
  try {
    SaveSavedArchive(PathFromUtf8(output), object);
  } catch (const std::system_error& e) {
    context.err << FileErrorMessage(e) << "\n" << e.what() << "\n";
    return kExitFailure;
  }
  std::string status;
  if (object.GetReadStatus(status) != ReadStatus::kReadOk) context.err << status << "\n";
  return kExitSuccess;
}

std::string LowerCaseExtension(const std::string& path) {
  std::string extension = PathToUtf8(PathFromUtf8(path).extension());
  for (char& c : extension) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return extension;
}

}  // namespace tkq::cli
