#pragma once
// The serial channel on a Windows COM port (overlapped I/O).

#include "core/link/serial_channel.h"

namespace tkq {

class CWinSerialChannel : public CSerialChannel {
 public:
  CWinSerialChannel() = default;
  ~CWinSerialChannel() override;
  CWinSerialChannel(const CWinSerialChannel&) = delete;
  CWinSerialChannel& operator=(const CWinSerialChannel&) = delete;

  bool Open(const std::string& portName, uint32_t baud) override;
  void Close() override;
  bool IsOpen() const override { return m_port != nullptr; }
  void Purge() override;
  bool Write(std::span<const uint8_t> frame, int timeoutMs) override;
  int Read(std::span<uint8_t> buffer, int timeoutMs, const AnswerComplete& complete,
           const std::atomic<bool>* cancel) override;
  int LastOpenError() const override { return m_nOpenError; }

 private:
  // The handles stay opaque here, so that <windows.h> is this channel's
  // source file's alone.
  void* m_port = nullptr;   // the COM port, null while closed
  void* m_event = nullptr;  // signalled when an overlapped operation ends
  int m_nOpenError = 0;
};

}  // namespace tkq
