#pragma once
// tarvik-kq-sim's command line: `serve` (also taken when the first word is
// a folder) and `generate`, usage mistakes reported in one place.

#include <CLI/CLI.hpp>
#include <cstdint>
#include <iosfwd>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "cli/number_option.h"

namespace tkq::sim {

constexpr int kExitFailure = 1;
constexpr int kExitUsage = 2;

// Parses `args` (the words after the program's name) and runs the command;
// returns the exit status: 0 done, 1 failed, 2 a mistake on the command line
// or an unusable folder, port or file named on it.
int RunSimCli(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

// A mistake found once the options are read: the reason and a hint to the
// command's --help on err; returns kExitUsage.
int UsageError(std::ostream& err, std::string_view command, const std::string& what);
// A failure of the system: the reason on err; returns kExitFailure.
int Failure(std::ostream& err, const std::string& what);

// Whole-number options, as tarvik-kq reads them.
using cli::AddNumberOption;
using cli::ParseDecimal;
using cli::ParseNumberList;

// Adds an option whose text, when given, goes into `value`.
CLI::Option* AddTextOption(CLI::App& command, const std::string& name, std::optional<std::string>& value,
                           const std::string& description);

}  // namespace tkq::sim
