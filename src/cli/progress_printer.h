#pragma once
// The progress of a read from the instrument on the tool's error stream: a
// bar redrawn in place on a terminal, one line per file otherwise.

#include <chrono>
#include <cstdint>
#include <iosfwd>
#include <string>

#include "core/link/flash_files.h"

namespace tkq::cli {

class CProgressPrinter : public CReadProgress {
 public:
  CProgressPrinter(std::ostream& err, bool terminal) : m_err(err), m_tty(terminal) {}

  void OnStage(EReadStage stage, const std::string& file, uint64_t bytes) override;
  void OnBytes(uint64_t done, uint64_t total) override;

  // One bar for several objects: the next object's bytes count from
  // `base`, of `total` for the whole job; its stages are shown after
  // `label`.
  void StartPart(const std::string& label, uint64_t base, uint64_t total);

  // Wipes the bar, so that a line can be written; the next step draws it
  // again.
  void Finish();

 private:
  using Clock = std::chrono::steady_clock;

  void Draw(bool force);

  std::ostream& m_err;
  bool m_tty;
  bool m_drawn = false;
  Clock::time_point m_firstByte = Clock::now();
  Clock::time_point m_lastDraw{};
  std::string m_stage;
  uint64_t m_done = 0;
  uint64_t m_total = 0;
  bool m_job = false;
  bool m_listing = false;  // the identification or the directory is being read
  std::string m_label;
  uint64_t m_jobBase = 0;
  uint64_t m_jobTotal = 0;
};

}  // namespace tkq::cli
