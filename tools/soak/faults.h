#pragma once
// The faults of tarvik-kq-sim serve that the soak draws for each read, and
// what a read must come to under each: the archive, or one of the two
// messages a failed read ends with.

#include <cstdint>
#include <initializer_list>
#include <random>
#include <string>
#include <vector>

#include "core/link/read_status.h"

namespace tkq::soak {

// The last line of a read that could not reach the instrument, and of one
// whose file requests went wrong.
inline const char* const kNoConnection = ReadStatusText(ReadStatus::kReadNoConnection);
inline const char* const kFileError = ReadStatusText(ReadStatus::kReadFileError);

// The draws of one soak run: the same seed gives the same run with any
// standard library (the engine's sequence is fixed; no distribution is).
class CSoakRandom {
 public:
  explicit CSoakRandom(uint32_t seed) : m_engine(seed) {}
  // Uniform enough in [0, n); n > 0.
  uint64_t Below(uint64_t n) { return m_engine() % n; }
  int OneOf(std::initializer_list<int> choices) { return choices.begin()[Below(choices.size())]; }

 private:
  std::mt19937 m_engine;
};

struct CFault {
  std::string kind = "clean";        // what the tallies count it under
  std::vector<std::string> options;  // for tarvik-kq-sim serve
  std::string failure;               // the message the read must end with; empty: it must save the archive
  uint64_t silent = 0;               // requests left unanswered before the first answer, of a read that succeeds
};

// A fault (or none) for a read whose clean run takes `requests` requests.
CFault ChooseFault(CSoakRandom& random, uint64_t requests);

// What an exception `code` from request `from` on makes of a read that
// meets `silent` unanswered requests first: "" (the read ends before it),
// kNoConnection or kFileError.
std::string ExceptionOutcome(int code, uint64_t from, uint64_t silent, uint64_t requests);

// "--silent-first 2 --refuse 8", or "no fault".
std::string FaultText(const CFault& fault);

}  // namespace tkq::soak
