#include "soak/faults.h"

namespace tkq::soak {
namespace {

CFault Fault(std::string kind, std::vector<std::string> options, std::string failure = {}) {
  return CFault{std::move(kind), std::move(options), std::move(failure), 0};
}

// The link tries a request three times: up to two unanswered still read.
CFault SilentFirst(CSoakRandom& random) {
  const uint64_t k = 1 + random.Below(4);
  CFault fault = Fault("--silent-first", {"--silent-first", std::to_string(k)});
  if (k <= 2) {
    fault.silent = k;
  } else {
    fault.failure = kNoConnection;
  }
  return fault;
}

// Any answer of the read with a bad CRC ends it; one past the last answer
// is never sent.
CFault BadCrc(CSoakRandom& random, uint64_t requests) {
  const uint64_t n = 1 + random.Below(requests + 4);
  return Fault("--bad-crc-at", {"--bad-crc-at", std::to_string(n)}, n <= requests ? kNoConnection : "");
}

CFault Exception(CSoakRandom& random, uint64_t requests) {
  const int code = random.OneOf({1, 2, 3, 4, 5, 6, 7, 11});
  const uint64_t from = 1 + random.Below(requests + 3);
  return Fault("--exception", {"--exception", std::to_string(code) + "@" + std::to_string(from)},
               ExceptionOutcome(code, from, 0, requests));
}

// The subfunctions a read uses are file errors when refused; the others
// are never asked for.
CFault Refuse(CSoakRandom& random) {
  const int sub = random.OneOf({1, 3, 8, 12, 14, 0, 2, 5});
  const bool used = sub == 1 || sub == 3 || sub == 8 || sub == 12 || sub == 14;
  return Fault("--refuse", {"--refuse", std::to_string(sub)}, used ? kFileError : "");
}

// What comes after the unanswered requests of Combined: exceptions count
// requests (the unanswered ones too), bad CRCs count answers.
CFault AfterSilence(CSoakRandom& random, uint64_t silent, uint64_t requests) {
  switch (random.Below(4)) {
    case 0: {
      const uint64_t n = 1 + random.Below(requests + 2);
      return Fault("--bad-crc-at", {"--bad-crc-at", std::to_string(n)}, n <= requests ? kNoConnection : "");
    }
    case 1: {
      const int code = random.OneOf({2, 4, 6});
      const uint64_t from = 1 + random.Below(requests + silent + 2);
      return Fault("--exception", {"--exception", std::to_string(code) + "@" + std::to_string(from)},
                   ExceptionOutcome(code, from, silent, requests));
    }
    case 2: return Fault("--refuse", {"--refuse", std::to_string(random.OneOf({1, 3, 8, 12, 14}))}, kFileError);
    default: return Fault("--short-pieces", {"--short-pieces"}, kFileError);
  }
}

// One or two unanswered requests, then another fault.
CFault Combined(CSoakRandom& random, uint64_t requests) {
  const uint64_t k = 1 + random.Below(2);
  CFault then = AfterSilence(random, k, requests);
  CFault fault = Fault("--silent-first+" + then.kind, {"--silent-first", std::to_string(k)}, then.failure);
  fault.options.insert(fault.options.end(), then.options.begin(), then.options.end());
  fault.silent = k;
  return fault;
}

}  // namespace

CFault ChooseFault(CSoakRandom& random, uint64_t requests) {
  const uint64_t r = random.Below(100);
  if (r < 12) return CFault{};
  if (r < 16) return Fault("--latency", {"--latency", std::to_string(1 + random.Below(5))});
  if (r < 20) return Fault("--silent", {"--silent"}, kNoConnection);
  if (r < 28) return SilentFirst(random);
  if (r < 42) return BadCrc(random, requests);
  if (r < 48) return Fault("--wrong-address", {"--wrong-address"}, kNoConnection);
  if (r < 62) return Exception(random, requests);
  if (r < 74) return Refuse(random);
  if (r < 80) return Fault("--bad-fcb-length", {"--bad-fcb-length"}, kFileError);
  if (r < 86) return Fault("--short-pieces", {"--short-pieces"}, kFileError);
  return Combined(random, requests);
}

std::string ExceptionOutcome(int code, uint64_t from, uint64_t silent, uint64_t requests) {
  // An exception to the identification is always no connection.
  if (from <= silent + 1) return kNoConnection;
  if (from - silent > requests) return "";
  // Codes 1, 2, 3, 5 and 6 are link failures; the others leave the link's
  // status alone, so the refused file request is a file error.
  const bool linkFailure = code == 1 || code == 2 || code == 3 || code == 5 || code == 6;
  return linkFailure ? kNoConnection : kFileError;
}

std::string FaultText(const CFault& fault) {
  if (fault.options.empty()) return "no fault";
  std::string text;
  for (const std::string& option : fault.options) text += (text.empty() ? "" : " ") + option;
  return text;
}

}  // namespace tkq::soak
