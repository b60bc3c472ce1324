#pragma once
// The serial line to the instrument, behind an interface so that tests
// and the fuzzer can put a scripted instrument in its place.

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <span>
#include <string>

namespace tkq {

// Whether the bytes received so far form a whole answer; a read ends as
// soon as it says so, never on a pause between bytes.
using AnswerComplete = std::function<bool(std::span<const uint8_t> received)>;

class CSerialChannel {
 public:
  virtual ~CSerialChannel() = default;

  // Opens the named port for this program alone at `baud`, 8 data bits,
  // no parity, one stop bit, no flow control. False when the port is
  // missing, busy or not a serial port.
  virtual bool Open(const std::string& portName, uint32_t baud) = 0;
  virtual void Close() = 0;
  virtual bool IsOpen() const = 0;

  // Discards whatever the output and input buffers hold.
  virtual void Purge() = 0;

  // Hands the whole frame to the line within `timeoutMs`. False only when
  // the write cannot be done at all (the port failed); a write that runs
  // out of time returns true and the answer simply does not come.
  virtual bool Write(std::span<const uint8_t> frame, int timeoutMs) = 0;

  // Reads into `buffer` until `complete` is satisfied, the buffer is full,
  // `timeoutMs` has passed, or `cancel` is set. Returns the number of bytes
  // received (possibly 0), or -1 when the port failed.
  virtual int Read(std::span<uint8_t> buffer, int timeoutMs, const AnswerComplete& complete,
                   const std::atomic<bool>* cancel) = 0;

  // Why the last Open failed, for advice to the user (port_advice.h): the
  // platform's own code, errno on POSIX systems and GetLastError() on
  // Windows; 0 if unknown.
  virtual int LastOpenError() const { return 0; }
};

// The channel on this platform's serial ports.
std::unique_ptr<CSerialChannel> MakeSerialChannel();

}  // namespace tkq
