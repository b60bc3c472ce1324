#pragma once
// What tarvik-kq takes from and gives to the system it runs on: its
// arguments, its standard streams and whether messages go to a terminal.

#include <string>
#include <vector>

namespace tkq::cli {

// The words after the program's name, in UTF-8 (Windows hands `argv` over
// in the ANSI code page, which cannot hold every file name).
std::vector<std::string> ProgramArguments(int argc, char** argv);

// Standard output and error redirected to a file or a pipe: written byte
// for byte, as the UTF-8 they are (reports keep their own line ends). To a
// console: shown as the characters they are, whatever its code page.
void SetUpStandardStreams();

// Gives the console back the modes ErrorIsTerminal changed, as they were
// found; at exit and when the console goes away. Safe to call more than
// once and from another thread.
void RestoreConsole();

// Whether standard error is a terminal that redraws a line in place.
bool ErrorIsTerminal();

// The help of --port and of the ports command, in this system's names.
const char* PortOptionHelp();
const char* PortsCommandFooter();

}  // namespace tkq::cli
