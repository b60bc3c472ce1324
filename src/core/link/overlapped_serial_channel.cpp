#include "core/link/overlapped_serial_channel.h"

#include <algorithm>
#include <cstring>
#include <mutex>
#include <vector>

namespace tkq {
namespace {

using Clock = std::chrono::steady_clock;

// How often a wait looks at the cancel flag and the deadline.
constexpr int kPollMs = 50;

int RemainingMs(Clock::time_point deadline) {
  const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
  return left > 0 ? static_cast<int>(left) : 0;
}

bool Cancelled(const std::atomic<bool>* cancel) { return cancel != nullptr && cancel->load(); }

// The ports given up on, kept (and so never destroyed) until the process
// ends; reachable from here, so that leak checkers do not count them.
struct CAbandoned {
  std::mutex mutex;
  std::vector<std::unique_ptr<COverlappedPort>> ports;
};

CAbandoned& Abandoned() {
  static auto* abandoned = new CAbandoned;
  return *abandoned;
}

}  // namespace

COverlappedSerialChannel::COverlappedSerialChannel(Opener opener, int cancelWaitMs)
    : m_opener(std::move(opener)), m_cancelWaitMs(cancelWaitMs) {}

COverlappedSerialChannel::~COverlappedSerialChannel() { Close(); }

bool COverlappedSerialChannel::Open(const std::string& portName, uint32_t baud) {
  Close();
  m_openError = 0;
  m_port = m_opener(portName, baud, m_openError);
  return m_port != nullptr;
}

void COverlappedSerialChannel::Close() { m_port.reset(); }

void COverlappedSerialChannel::Purge() {
  if (m_port) m_port->Purge();
}

size_t COverlappedSerialChannel::AbandonedPorts() {
  CAbandoned& abandoned = Abandoned();
  const std::lock_guard lock(abandoned.mutex);
  return abandoned.ports.size();
}

void COverlappedSerialChannel::Abandon() {
  CAbandoned& abandoned = Abandoned();
  const std::lock_guard lock(abandoned.mutex);
  abandoned.ports.push_back(std::move(m_port));
}

int COverlappedSerialChannel::Await(Clock::time_point deadline, const std::atomic<bool>* cancel) {
  for (;;) {
    if (m_port->WaitEnded(std::min(RemainingMs(deadline), kPollMs))) return m_port->Result();
    if (RemainingMs(deadline) == 0 || Cancelled(cancel)) break;
  }
  // The operation may still end on its own meanwhile, with bytes; a driver
  // that ends it neither so nor on the cancel has its port given up.
  m_port->Cancel();
  if (m_port->WaitEnded(m_cancelWaitMs)) return m_port->Result();
  Abandon();
  return -1;
}

bool COverlappedSerialChannel::Write(std::span<const uint8_t> frame, int timeoutMs) {
  if (!m_port) return false;
  const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
  size_t done = 0;
  switch (m_port->StartWrite(frame, done)) {
    case COverlappedPort::EStart::kDone: return true;
    case COverlappedPort::EStart::kFailed: return false;
    case COverlappedPort::EStart::kPending: break;
  }
  // Out of time is no failure of the port: the answer will not come.
  return Await(deadline, nullptr) >= 0;
}

int COverlappedSerialChannel::Read(std::span<uint8_t> buffer, int timeoutMs, const AnswerComplete& complete,
                                   const std::atomic<bool>* cancel) {
  if (!m_port) return -1;
  const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
  size_t got = 0;
  while (got < buffer.size()) {
    if (Cancelled(cancel) || RemainingMs(deadline) == 0) break;
    const size_t room = std::min(buffer.size() - got, m_port->ReadBuffer().size());
    size_t done = 0;
    int n = 0;
    switch (m_port->StartRead(room, done)) {
      case COverlappedPort::EStart::kDone: n = static_cast<int>(done); break;
      case COverlappedPort::EStart::kFailed: return -1;
      case COverlappedPort::EStart::kPending: n = Await(deadline, cancel); break;
    }
    if (n < 0) return -1;
    const size_t moved = std::min(static_cast<size_t>(n), room);
    if (moved > 0) std::memcpy(buffer.data() + got, m_port->ReadBuffer().data(), moved);
    got += moved;
    if (moved > 0 && complete && complete(buffer.first(got))) break;
  }
  return static_cast<int>(got);
}

}  // namespace tkq
