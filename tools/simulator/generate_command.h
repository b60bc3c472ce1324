#pragma once
// tarvik-kq-sim generate DIR: a realistic instrument folder.

#include <iosfwd>
#include <string>

#include "simulator/instrument.h"

namespace CLI {
class App;
}

namespace tkq::sim {

struct GenerateCommandOptions {
  std::string dir;
  GenerateOptions folder;
};

void AddGenerateOptions(CLI::App& command, GenerateCommandOptions& options);
int RunGenerate(const GenerateCommandOptions& options, std::ostream& err);

}  // namespace tkq::sim
