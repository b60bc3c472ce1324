#pragma once
// One serial port's overlapped operations, in the shape Windows gives them:
// an operation is started, then ends by itself, is waited for, or is
// cancelled. Behind an interface so that the channel's waits can be tried
// against a driver that never ends a read.

#include <cstddef>
#include <cstdint>
#include <span>

namespace tkq {

class COverlappedPort {
 public:
  virtual ~COverlappedPort() = default;

  enum class EStart {
    kDone,     // ended at once; `done` holds the bytes it moved
    kPending,  // under way: WaitEnded, then Result
    kFailed,   // the port failed (an adapter pulled out)
  };

  // The bytes go through the port's own buffers, never the caller's: a
  // driver that finishes an abandoned operation late writes into memory
  // that is still the port's.
  virtual std::span<uint8_t> ReadBuffer() = 0;
  // Starts a read of up to `size` bytes (at most ReadBuffer's size) into
  // ReadBuffer.
  virtual EStart StartRead(size_t size, size_t& done) = 0;
  // Starts writing `bytes`, copied first.
  virtual EStart StartWrite(std::span<const uint8_t> bytes, size_t& done) = 0;
  // Waits up to `ms` for the operation under way to end: true when it has.
  virtual bool WaitEnded(int ms) = 0;
  // The bytes the ended operation moved, also when it was cancelled; -1
  // when it failed.
  virtual int Result() = 0;
  // Asks the driver to end the operation under way.
  virtual void Cancel() = 0;
  // Discards what the output and input buffers hold.
  virtual void Purge() = 0;
};

}  // namespace tkq
