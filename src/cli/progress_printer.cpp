#include "cli/progress_printer.h"

#include <algorithm>
#include <cstdio>
#include <optional>
#include <ostream>

#include "core/base/read_rate.h"

namespace tkq::cli {
namespace {

// A rate is shown once the bytes have come for this long.
constexpr double kRateAfterSeconds = 0.2;
constexpr auto kRedrawInterval = std::chrono::milliseconds(100);
constexpr int kBarWidth = 24;

}  // namespace

void CProgressPrinter::OnStage(EReadStage stage, const std::string& file, uint64_t bytes) {
  m_listing = stage != EReadStage::kFile;
  if (m_listing) {
    m_stage = stage == EReadStage::kIdentification ? "Идентификация прибора" : "Чтение каталога";
  } else {
    m_stage = file;
    if (!m_tty) m_err << "Чтение " << file << " (" << bytes << " байт)\n";
  }
  m_stage = m_label + m_stage;
  Draw(true);
}

void CProgressPrinter::OnBytes(uint64_t done, uint64_t total) {
  if (m_job) {
    // The directory's bytes are no object's: they would count on from
    // the object before.
    if (m_listing) return;
    done += m_jobBase;
    total = m_jobTotal;
  }
  if (m_done == 0 && done > 0) m_firstByte = Clock::now();
  m_done = done;
  m_total = total;
  Draw(false);
}

void CProgressPrinter::StartPart(const std::string& label, uint64_t base, uint64_t total) {
  m_job = true;
  m_label = label;
  m_jobBase = base;
  m_jobTotal = total;
  m_done = base;
  m_total = total;
}

void CProgressPrinter::Finish() {
  if (m_tty && m_drawn) m_err << "\r\033[K";
  m_drawn = false;
}

void CProgressPrinter::Draw(bool force) {
  if (!m_tty) return;
  const auto now = Clock::now();
  if (!force && now - m_lastDraw < kRedrawInterval) return;
  m_lastDraw = now;
  m_drawn = true;
  const uint64_t total = std::max(m_total, m_done);
  const double share = total > 0 ? static_cast<double>(m_done) / static_cast<double>(total) : 0.0;
  const int filled = static_cast<int>(share * kBarWidth);
  std::string bar(static_cast<size_t>(kBarWidth) + 2, '.');
  bar.front() = '[';
  bar.back() = ']';
  bar.replace(1, static_cast<size_t>(filled), static_cast<size_t>(filled), '#');
  const double seconds = std::chrono::duration<double>(now - m_firstByte).count();
  std::string figures;
  if (const std::optional<CTransferRate> rate = TransferRate(m_done, total, seconds, kRateAfterSeconds)) {
    figures = "  " + RateText(*rate) + "  " + TimeLeftText(*rate);
  }
  char percent[16];
  std::snprintf(percent, sizeof percent, "%3d%%", static_cast<int>(share * 100.0));
  m_err << "\r\033[K" << m_stage << "  " << bar << " " << percent << "  " << KilobytesText(m_done) << " из "
        << KilobytesText(total) << figures << std::flush;
}

}  // namespace tkq::cli
