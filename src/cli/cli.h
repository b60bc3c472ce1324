#pragma once
// tarvik-kq's command line: the commands under one parser, usage mistakes
// reported in one place.

#include <string>
#include <vector>

#include "cli/command.h"

namespace tkq::cli {

// Parses `args` (the words after the program's name), runs the command they
// name and returns the exit status: 0 done, 1 failed, 2 a mistake on the
// command line or a file that does not load. --help and --version write to
// context.out; usage mistakes go to context.err with a hint to --help.
int RunCli(const std::vector<std::string>& args, CliContext& context);

}  // namespace tkq::cli
