#pragma once
// A serial channel with a scripted instrument behind it: every frame
// written is handed to a responder, whose answer is then read back byte by
// byte, as a real port delivers it, until the answer is complete. Nothing
// waits: a read that ends incomplete is counted as a time-out.

#include <deque>
#include <functional>
#include <span>
#include <string>
#include <vector>

#include "core/link/crc16.h"
#include "core/link/serial_channel.h"

namespace tkq::test {

class CScriptedChannel : public CSerialChannel {
 public:
  using Responder = std::function<std::vector<uint8_t>(std::span<const uint8_t> request)>;

  explicit CScriptedChannel(Responder responder) : m_responder(std::move(responder)) {}

  bool Open(const std::string& portName, uint32_t baud) override {
    ++opens;
    if (failOpen) return false;
    m_open = true;
    openedPort = portName;
    openedBaud = baud;
    return true;
  }
  void Close() override { m_open = false; }
  bool IsOpen() const override { return m_open; }
  void Purge() override { pending.clear(); }
  bool Write(std::span<const uint8_t> frame, int /*timeoutMs*/) override {
    if (failWrite) return false;
    writes.emplace_back(frame.begin(), frame.end());
    const std::vector<uint8_t> answer = m_responder(frame);
    pending.insert(pending.end(), answer.begin(), answer.end());
    return true;
  }
  int Read(std::span<uint8_t> buffer, int timeoutMs, const AnswerComplete& complete,
           const std::atomic<bool>* cancel) override {
    lastTimeoutMs = timeoutMs;
    if (failRead) return -1;
    size_t got = 0;
    bool done = false;
    while (got < buffer.size() && !pending.empty() && !(cancel != nullptr && cancel->load())) {
      buffer[got++] = pending.front();
      pending.pop_front();
      if (complete && complete(buffer.first(got))) {
        done = true;
        break;
      }
    }
    if (!done && got < buffer.size()) ++timeouts;
    return static_cast<int>(got);
  }

  std::vector<std::vector<uint8_t>> writes;
  std::deque<uint8_t> pending;
  int opens = 0;
  int timeouts = 0;
  int lastTimeoutMs = 0;
  bool failOpen = false;
  bool failWrite = false;
  bool failRead = false;
  std::string openedPort;
  uint32_t openedBaud = 0;

 private:
  Responder m_responder;
  bool m_open = false;
};

// A frame with its CRC appended.
inline std::vector<uint8_t> WithCrc(std::vector<uint8_t> frame) {
  const uint16_t crc = Crc16(frame);
  frame.push_back(static_cast<uint8_t>(crc & 0xFF));
  frame.push_back(static_cast<uint8_t>(crc >> 8));
  return frame;
}

}  // namespace tkq::test
