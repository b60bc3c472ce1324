// tarvik-kq: the command-line tool over the core, for batch work with
// saved archives and for checking what the program computes.

#include <unistd.h>

#include <iostream>
#include <string>
#include <vector>

#include "cli/cli.h"

int main(int argc, char** argv) {
  tkq::cli::CliContext context{std::cout, std::cerr, ::isatty(STDERR_FILENO) != 0};
  return tkq::cli::RunCli(std::vector<std::string>(argv + 1, argv + argc), context);
}
