#pragma once
// The soak's second part: the read of tarvik-kq read (ReadArchive over
// CTrvKqModbusWithFlFiles) repeated in this process for long, round a set
// of simulated lines with and without faults, one link per line kept for
// the whole run and a fresh object per read. Each read must end as its
// line's fault says; the open file descriptors must not grow, nor the
// resident memory beyond a small margin after the warm-up.

#include <string>

#include "soak/instruments.h"

namespace tkq::soak {

// Runs `reads` reads of `target` with tarvik-kq-sim `sim` serving the
// lines, printing the figures and each unexpected outcome; returns the
// count of failed checks.
int RunProcessReads(const CTarget& target, int reads, const std::string& sim);

}  // namespace tkq::soak
