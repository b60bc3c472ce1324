// import: a saved archive built from an object's files as the instrument
// keeps them.

#include <CLI/CLI.hpp>
#include <cstdio>
#include <ctime>
#include <filesystem>
#include <ostream>
#include <stdexcept>
#include <system_error>

#include "cli/archive_loading.h"
#include "cli/command.h"
#include "cli/number_option.h"
#include "core/archive/archive_read.h"
#include "core/base/paths.h"
#include "core/description/read_param_class.h"
#include "core/link/flash_files.h"
#include "core/link/read_status.h"
#include "core/storage/file_io.h"
#include "core/storage/load_error.h"

namespace tkq::cli {
namespace {

class ImportCommand : public Command {
 public:
  const char* Name() const override { return "import"; }
  const char* Description() const override { return "Build a saved archive from an instrument's files"; }

  void Setup(CLI::App& command) override {
    command.add_option("DIR", m_dir, "The folder of the instrument's files")->required();
    AddNumberOption(command, "--object", m_object, 1, 20, "The object, 1 to 20")->required();
    command.add_option("--id", m_id, "The instrument's identification text")->required();
    command.add_option("-o", m_output, "The saved archive to write")->type_name("FILE")->required();
    command.add_option("--description", m_description, "The object's description text")->type_name("TEXT");
    command.footer(
        "DIR holds the object's files as the instrument keeps them: ObjNN_0.arc, .err and .ads (each optional), "
        "ObjNN_0.par and System_0.dev. Uses TarvikKQ.def from the current folder when it reads, else the "
        "built-in description; writes no description file.");
  }

  int Run(CliContext& context) override {
    char stem[16];
    std::snprintf(stem, sizeof stem, "Obj%02d_0", m_object);
    const std::filesystem::path dir = PathFromUtf8(m_dir);
    auto read = [&](const std::string& name, bool required, std::vector<uint8_t>& bytes) {
      const auto path = dir / name;
      std::error_code unreadable;
      if (!required && !std::filesystem::exists(path, unreadable) && !unreadable) return true;
      try {
        // No larger than the instrument's files a read accepts.
        bytes = ReadWholeFile(path, CModbusWithFlFiles::kMaxFileSize);
        return true;
      } catch (const CFileOpenError& e) {
        context.err << kMessageCannotOpen << "\n" << e.what() << "\n";
        return false;
      }
    };
    CReadParamClass description;
    description.LoadOrBuiltIn(std::filesystem::path(kDescriptionFileName));
    // The files as a read from the instrument would have brought them.
    CArchiveRead files(static_cast<uint8_t>(m_object));
    files.m_strDeviceId = m_id;
    files.m_tRead = static_cast<int64_t>(std::time(nullptr));
    CDeviceFiles& f = files.m_files;
    if (!read(std::string(stem) + ".arc", false, f.arc) || !read(std::string(stem) + ".err", false, f.err) ||
        !read(std::string(stem) + ".ads", false, f.ads) || !read(std::string(stem) + ".par", true, f.par) ||
        !read("System_0.dev", true, f.dev)) {
      return kExitBadFile;
    }
    std::unique_ptr<CObjectDefinition> decoded;
    try {
      decoded = DecodeArchive(files, description);
    } catch (const CParamDecodeError& e) {
      context.err << ReadStatusText(ReadStatus::kReadFileError) << "\n" << e.what() << "\n";
      return kExitFailure;
    }
    return SaveObject(*decoded, m_description, m_output, context);
  }

 private:
  std::string m_dir;
  int m_object = 0;
  std::string m_id;
  std::string m_output;
  std::string m_description;
};

}  // namespace

std::unique_ptr<Command> MakeImportCommand() { return std::make_unique<ImportCommand>(); }

}  // namespace tkq::cli
