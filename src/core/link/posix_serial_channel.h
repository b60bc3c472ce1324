#pragma once
// The serial channel on a POSIX terminal device (termios).

#include "core/link/serial_channel.h"

namespace tkq {

class CPosixSerialChannel : public CSerialChannel {
 public:
  CPosixSerialChannel() = default;
  ~CPosixSerialChannel() override;
  CPosixSerialChannel(const CPosixSerialChannel&) = delete;
  CPosixSerialChannel& operator=(const CPosixSerialChannel&) = delete;

  bool Open(const std::string& portName, uint32_t baud) override;
  void Close() override;
  bool IsOpen() const override { return m_fd >= 0; }
  void Purge() override;
  bool Write(std::span<const uint8_t> frame, int timeoutMs) override;
  int Read(std::span<uint8_t> buffer, int timeoutMs, const AnswerComplete& complete,
           const std::atomic<bool>* cancel) override;
  int LastOpenError() const override { return m_nOpenError; }

 private:
  int m_fd = -1;
  int m_nOpenError = 0;
};

}  // namespace tkq
