// tarvik-kq-sim: a Tarvik KQ instrument on a pseudo-terminal (or a real
// serial port) for trying the program without the instrument, and a
// generator of realistic instrument folders.

#include <iostream>
#include <string>
#include <vector>

#include "simulator/sim_cli.h"

int main(int argc, char** argv) {
  return tkq::sim::RunSimCli(std::vector<std::string>(argv + 1, argv + argc), std::cout, std::cerr);
}
