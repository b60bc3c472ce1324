#include "cli/output_option.h"

#include <CLI/CLI.hpp>
#include <utility>

namespace tkq::cli {

void AddOutputFileOption(CLI::App& command, const std::string& endings, std::function<bool(const std::string&)> take,
                         const std::string& description) {
  command
      .add_option_function<std::string>(
          "-o",
          [endings, take = std::move(take)](const std::string& path) {
            if (!take(path)) {
              throw CLI::ValidationError("-o: the file's name must end in " + endings + ", not \"" + path + "\"");
            }
          },
          description)
      ->type_name("FILE")
      ->required();
}

}  // namespace tkq::cli
