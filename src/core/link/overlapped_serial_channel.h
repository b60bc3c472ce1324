#pragma once
// The serial channel over overlapped operations (Windows' COM ports), with
// every wait bounded: the driver ends each read by itself within a moment,
// and an operation that a cancel does not end within kCancelWaitMs has its
// port abandoned, so that a read ends with the port's failure instead of
// hanging the tool or the program's read thread.

#include <chrono>
#include <functional>
#include <memory>
#include <string>

#include "core/link/overlapped_port.h"
#include "core/link/serial_channel.h"

namespace tkq {

class COverlappedSerialChannel : public CSerialChannel {
 public:
  // How long a cancelled operation is given to end.
  static constexpr int kCancelWaitMs = 800;

  // Opens a port at `baud`; null with the system's error code in `error`.
  using Opener = std::function<std::unique_ptr<COverlappedPort>(const std::string& name, uint32_t baud, int& error)>;

  explicit COverlappedSerialChannel(Opener opener, int cancelWaitMs = kCancelWaitMs);
  ~COverlappedSerialChannel() override;
  COverlappedSerialChannel(const COverlappedSerialChannel&) = delete;
  COverlappedSerialChannel& operator=(const COverlappedSerialChannel&) = delete;

  bool Open(const std::string& portName, uint32_t baud) override;
  void Close() override;
  bool IsOpen() const override { return m_port != nullptr; }
  void Purge() override;
  bool Write(std::span<const uint8_t> frame, int timeoutMs) override;
  int Read(std::span<uint8_t> buffer, int timeoutMs, const AnswerComplete& complete,
           const std::atomic<bool>* cancel) override;
  int LastOpenError() const override { return m_openError; }

  // Ports given up on since the program started (they are never closed:
  // closing a handle with an operation the driver still holds may hang as
  // well).
  static size_t AbandonedPorts();

 private:
  // The operation under way until it ends, out of time or cancelled; its
  // bytes, or -1 when the port failed or was abandoned.
  int Await(std::chrono::steady_clock::time_point deadline, const std::atomic<bool>* cancel);
  void Abandon();

  Opener m_opener;
  int m_cancelWaitMs;
  std::unique_ptr<COverlappedPort> m_port;
  int m_openError = 0;
};

}  // namespace tkq
