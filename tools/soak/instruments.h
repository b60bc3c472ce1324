#pragma once
// The instruments the soak reads, and what a read of each object must
// give: the saved archive its files make (built as tarvik-kq import builds
// it) and the requests a clean read puts on the line.

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace tkq::soak {

// One object of one instrument folder.
struct CTarget {
  std::filesystem::path dir;
  uint8_t object = 0;
  std::string description;  // the description text the reads give
  // The saved archive of the object's files with the read time 0, and
  // where in it the eight bytes of the read time lie.
  std::string expected;
  size_t readTimeAt = 0;
  uint64_t requests = 0;  // of a read on a line without faults
};

// Generates the soak's instrument folders under `work` and works out each
// target; false with `error` when it cannot.
bool MakeTargets(const std::filesystem::path& work, std::vector<CTarget>& targets, std::string& error);

// Why `saved` (a read's saved archive, read between `started` and `ended`,
// seconds since 1970) is not the target's archive; "" when it is.
std::string CompareWithExpected(const CTarget& target, const std::string& saved, int64_t started, int64_t ended);

}  // namespace tkq::soak
