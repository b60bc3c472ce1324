#pragma once
// The Modbus RTU master for one instrument at a configured address: frames
// requests, appends and checks the CRC, retries a silent instrument, turns
// exception answers into link status codes, and offers the identification
// request (function 17) and the instrument's file requests (function 69).

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "core/link/link_status.h"
#include "core/link/serial_channel.h"

namespace tkq {

// Byte counts moved over the line, for progress and for timing a read.
struct CLineCounters {
  uint64_t requests = 0;
  uint64_t bytesSent = 0;
  uint64_t bytesReceived = 0;
};

class CModbus {
 public:
  // A link on the platform's serial channel.
  CModbus();
  // A link on the given channel (tests, the fuzzer).
  explicit CModbus(std::unique_ptr<CSerialChannel> channel);
  virtual ~CModbus();
  CModbus(const CModbus&) = delete;
  CModbus& operator=(const CModbus&) = delete;

  // Closes the port if it is open, then keeps the name and address for
  // the next open.
  void SetConnection(const std::string& portName, uint8_t deviceAddress);
  bool OpenPort();
  void ClosePort();
  bool IsPortOpen() const;
  // Stores the text of the current link status and returns its code.
  int GetStatusText(std::string& text) const;

  // One transaction: the caller has put the function code and data into
  // m_abRequest from byte 1 on; `requestLength` counts the bytes before the
  // CRC, `answerLength` the full answer expected (0: none). Up to three
  // attempts; the reason of a failure stays in m_nStatus.
  bool Transact(size_t requestLength, size_t answerLength);

  // Function 17: the instrument's two identification texts joined by one
  // blank, or "Нет информации".
  bool ReadIdentification(std::string& text);

  // Called after each failed attempt (the program beeps).
  std::function<void()> m_onFailedAttempt;
  // A flag that, once set, makes every further transaction fail at once
  // and ends a wait for an answer early; null for none.
  void SetCancelFlag(const std::atomic<bool>* cancel) { m_pCancel = cancel; }
  bool IsCancelled() const { return m_pCancel != nullptr && m_pCancel->load(); }

  const CLineCounters& Counters() const { return m_counters; }
  CSerialChannel& Channel() { return *m_channel; }
  // Why the last open failed (CSerialChannel::LastOpenError), 0 if unknown.
  int LastOpenError() const { return m_channel->LastOpenError(); }

  uint8_t m_abResponse[256] = {};
  uint8_t m_abRequest[256] = {};
  size_t m_nResponseLength = 0;  // bytes received by the last attempt
  uint32_t m_nBaudRate = 9600;
  std::string m_strPortName = "COM2";
  int m_nStatus = kLinkOk;
  uint8_t m_nDeviceAddress = 1;

 protected:
  std::unique_ptr<CSerialChannel> m_channel;
  const std::atomic<bool>* m_pCancel = nullptr;
  CLineCounters m_counters;

 private:
  // One exchange: purge, write, read. False when the port failed.
  bool Exchange(size_t requestLength, size_t answerLength, int& received);
};

}  // namespace tkq
