#include "simulator/generate_command.h"

#include <CLI/CLI.hpp>
#include <ostream>

#include "simulator/sim_cli.h"

namespace tkq::sim {

void AddGenerateOptions(CLI::App& command, GenerateCommandOptions& options) {
  GenerateOptions& o = options.folder;
  command.add_option("DIR", options.dir, "The folder to write")->required();
  command.add_option("--version", o.version, "Firmware version (default \"TARVIK 59.11.03.04\")")->type_name("NAME");
  command
      .add_option_function<std::string>(
          "--objects",
          [&o](const std::string& text) {
            const std::optional<std::vector<int>> objects = ParseNumberList(text, 1, 20);
            if (!objects) throw CLI::ValidationError("--objects takes numbers 1 to 20 and ranges, e.g. 1,3,5-7");
            o.objects = *objects;
          },
          "Object numbers 1..20, e.g. 1,3,5-7 (default 1)")
      ->type_name("LIST");
  AddNumberOption(command, "--records", o.records, 0, 1000000, "Measurement records per object (default 8760)");
  AddNumberOption(command, "--period", o.period, 1, 31 * 86400, "Archive period in seconds (default 3600)")
      ->type_name("S");
  AddNumberOption(command, "--first", o.firstType, 0, 6, "Quantity type of the first archived value (default 0)")
      ->type_name("T");
  AddNumberOption(command, "--second", o.secondType, 0, 6, "Quantity type of the second archived value (default 1)")
      ->type_name("T");
  AddNumberOption(command, "--end", o.end, 1, UINT32_MAX, "Time of the last record (default: this hour)")
      ->type_name("EPOCH");
  command.add_option("--serial", o.serial, "Second identification text (default \"SN 0001234\")")->type_name("TEXT");
  AddNumberOption(command, "--seed", o.seed, 0, UINT32_MAX, "Seed of the outages and abnormal situations (default 1)");
  command.add_flag("--corrupt-record", o.corruptRecord, "Give one record in the middle a wrong check byte");
}

int RunGenerate(const GenerateCommandOptions& options, std::ostream& err) {
  std::string error;
  if (!Generate(options.dir, options.folder, error)) {
    err << "tarvik-kq-sim: " << error << "\n";
    return kExitUsage;
  }
  return 0;
}

}  // namespace tkq::sim
