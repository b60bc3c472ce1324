// tarvik-kq: the command-line tool over the core, for batch work with
// saved archives and for checking what the program computes.

#include <iostream>
#include <string>
#include <vector>

#include "cli/cli.h"
#include "cli/console.h"
#include "cli/interrupts.h"

int main(int argc, char** argv) {
  tkq::cli::SetUpStandardStreams();
  tkq::cli::HandleConsoleEvents();
  tkq::cli::CliContext context{std::cout, std::cerr, tkq::cli::ErrorIsTerminal()};
  return tkq::cli::RunCli(tkq::cli::ProgramArguments(argc, argv), context);
}
