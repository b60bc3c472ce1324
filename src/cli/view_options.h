#pragma once
// The settings of the measurement archive's view taken from the command
// line: --output-types A,B, --units A,B, --result and --columns LIST.

#include <cstdint>
#include <optional>
#include <string>
#include <utility>

#include "cli/archive_loading.h"
#include "cli/command.h"
#include "core/archive/object_definition.h"
#include "core/output/report.h"

namespace CLI {
class App;
}

namespace tkq::cli {

struct ViewOptions {
  // Positions (from 0) in the settings form's lists, first and second
  // parameter; the first entries when not given.
  std::optional<std::pair<uint8_t, uint8_t>> outputTypes;
  std::optional<std::pair<uint8_t, uint8_t>> units;
  bool result = false;
  // The columns switched on; every column when not given.
  std::optional<CColumnSwitches> columns;
};

// Adds the required --view archive|abnormal|params to a command.
void AddViewChoice(CLI::App& command, std::string& view);

// Adds the four options to a command (--columns only `withColumns`). A
// value that is not two numbers 0..255 or that names an unknown column is
// a usage error.
void AddViewOptions(CLI::App& command, ViewOptions& options, bool withColumns = true);

// Sets the object's output types, units and result parameter as the
// settings form would, and `columns` from the options; returns "" or the
// reason the archive does not allow them.
std::string ApplyViewOptions(const ViewOptions& options, CObjectDefinition& object, CColumnSwitches& columns);

// The same for a command on one view: applied for "archive" only, a
// refusal written to err. Returns 0, or kExitUsage when refused.
int ApplyViewOptionsTo(const std::string& view, const ViewOptions& options, CObjectDefinition& object,
                       CColumnSwitches& columns, CliContext& context);

// Loads the archive (LoadArchive) and applies the options for `view`
// (ApplyViewOptionsTo): 0, or the status the command ends with.
int LoadArchiveForView(const ArchiveOptions& archive, const std::string& view, const ViewOptions& options,
                       LoadedArchive& loaded, CColumnSwitches& columns, CliContext& context);

}  // namespace tkq::cli
