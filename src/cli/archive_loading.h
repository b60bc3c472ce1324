#pragma once
// A saved archive named on the command line, loaded with the device
// description the way the program loads it, or written from an object the
// tool has read or built.

#include <memory>
#include <string>

#include "cli/command.h"
#include "core/archive/object_definition.h"
#include "core/description/read_param_class.h"

namespace tkq::cli {

// The ARCHIVE argument and --description FILE.
struct ArchiveOptions {
  std::string archive;
  std::string descriptionFile{kDescriptionFileName};
};

// Adds ARCHIVE (required) and --description FILE to a command.
void AddArchiveOptions(CLI::App& command, ArchiveOptions& options);

struct LoadedArchive {
  std::unique_ptr<CReadParamClass> description = std::make_unique<CReadParamClass>();
  std::unique_ptr<CObjectDefinition> object;
};

// Loads the description (the file when it reads, else the built-in one;
// nothing is written) and the archive. A file that does not open or load
// is reported on err, the user's message and then what was wrong, and gives
// kExitBadFile; 0 when loaded.
int LoadArchive(const ArchiveOptions& options, LoadedArchive& loaded, CliContext& context);

// Gives `object` the description text `description` and writes it as the
// saved archive `output`; then a read status other than OK goes to err. A
// file that cannot be written is reported on err, the user's message and
// then what was wrong, and gives kExitFailure; 0 when saved.
int SaveObject(CObjectDefinition& object, const std::string& description, const std::string& output,
               CliContext& context);

// The extension of `path` in lower case, with its point (".xlsx"), or "".
std::string LowerCaseExtension(const std::string& path);

}  // namespace tkq::cli
