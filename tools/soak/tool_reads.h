#pragma once
// The soak's first part: reads by the tarvik-kq program itself, each
// against a tarvik-kq-sim serve of its own with a fault drawn at random
// (or none), each checked against what that fault must make of it.

#include <filesystem>
#include <string>
#include <vector>

#include "soak/faults.h"
#include "soak/instruments.h"

namespace tkq::soak {

struct CToolReadsSetup {
  std::string cli;  // tarvik-kq
  std::string sim;  // tarvik-kq-sim
  std::filesystem::path work;
  int reads = 0;
};

// Runs the reads, printing each unexpected outcome, the progress and the
// outcomes by kind; returns the count of unexpected outcomes.
int RunToolReads(const CToolReadsSetup& setup, const std::vector<CTarget>& targets, CSoakRandom& random);

}  // namespace tkq::soak
