#pragma once
// The Modbus RTU master for one instrument at a configured address: frames
// requests, appends and checks the CRC, retries a silent instrument, turns
// exception answers into link status codes, and offers the identification
// request (function 17). The file requests of function 69 are
// CModbusWithFlFiles' (flash_files.h), over a CModbus.

#include <array>
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <span>
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

// Where the instrument is: its port, the line's speed and its address.
struct CLinkSettings {
  std::string port = "COM2";
  uint32_t baudRate = 9600;
  uint8_t address = 1;

  friend bool operator==(const CLinkSettings&, const CLinkSettings&) = default;
};

class CModbus {
 public:
  // The largest frame either way, address and CRC included.
  static constexpr size_t kMaxFrame = 256;

  // A link on the platform's serial channel.
  CModbus();
  // A link on the given channel (tests, the fuzzer).
  explicit CModbus(std::unique_ptr<CSerialChannel> channel);
  ~CModbus();
  CModbus(const CModbus&) = delete;
  CModbus& operator=(const CModbus&) = delete;

  // Closes the port if it is open, then keeps the settings for the next
  // open.
  void SetConnection(const CLinkSettings& settings);
  const CLinkSettings& Settings() const { return m_settings; }

  bool OpenPort();
  void ClosePort();
  bool IsPortOpen() const;
  // Why the last transaction or open failed: a LinkStatus code.
  LinkStatus Status() const { return m_status; }
  // Stores the text of the current link status and returns its code.
  LinkStatus GetStatusText(std::string& text) const;

  // One transaction. `request` is the function code and its data, without
  // the address (the configured one goes first) and without the CRC
  // (appended). `answerLength` is the full answer expected, address to CRC
  // (0: none). Up to three attempts; the reason of a failure stays in
  // Status(). On success `answer` holds the answer as received, address
  // to CRC, valid until the next transaction.
  bool Transact(std::span<const uint8_t> request, size_t answerLength, std::span<const uint8_t>& answer);
  // The bytes the last attempt received, address to CRC (the identification
  // answer's length is kept with a read).
  std::span<const uint8_t> LastAnswer() const { return std::span(m_response).first(m_responseLength); }
  // The last request frame as it stands, address to CRC. The address and
  // CRC are only renewed when the request went to an open port.
  std::span<const uint8_t> LastRequest() const { return std::span(m_request).first(m_requestFrameLength); }

  // Function 17: the instrument's two identification texts joined by one
  // blank, or "Нет информации".
  bool ReadIdentification(std::string& text);

  // The address of the next request; the port stays open (a search moves
  // through the addresses at one rate).
  void SetAddress(uint8_t address) { m_settings.address = address; }
  // One identification request and nothing more, for a search: no second
  // attempt, no failed-attempt call. The first byte of the answer is waited
  // for the request's own time on the line and `waitMs`; the rest as long
  // as its length needs. True with the text when the instrument at this
  // address answered with a whole identification (the address asked, the
  // CRC right, function 17); silence, garbage, a bad CRC, another address
  // or an exception answer are all false.
  bool ProbeIdentification(int waitMs, std::string& text);

  // Called after each failed attempt (the program beeps); returns the one
  // it replaces.
  std::function<void()> SetOnFailedAttempt(std::function<void()> onFailedAttempt);
  // A flag that, once set, makes every further transaction fail at once
  // and ends a wait for an answer early; null for none.
  void SetCancelFlag(const std::atomic<bool>* cancel) { m_cancel = cancel; }
  bool IsCancelled() const { return m_cancel != nullptr && m_cancel->load(); }

  const CLineCounters& Counters() const { return m_counters; }
  CSerialChannel& Channel() { return *m_channel; }
  // Why the last open failed (CSerialChannel::LastOpenError), 0 if unknown.
  int LastOpenError() const { return m_channel->LastOpenError(); }

 private:
  // One exchange of the frame in m_request: purge, write, read. False when
  // the port failed.
  bool Exchange(size_t answerLength, int& received);

  std::unique_ptr<CSerialChannel> m_channel;
  CLinkSettings m_settings;
  LinkStatus m_status = LinkStatus::kLinkOk;
  std::function<void()> m_onFailedAttempt;
  const std::atomic<bool>* m_cancel = nullptr;
  CLineCounters m_counters;
  // One buffer each way for every transaction. A request is written over
  // the last one, so bytes past its end keep what earlier frames left.
  std::array<uint8_t, kMaxFrame> m_request{};
  std::array<uint8_t, kMaxFrame> m_response{};
  size_t m_requestFrameLength = 0;
  size_t m_responseLength = 0;  // bytes received by the last attempt
};

}  // namespace tkq
