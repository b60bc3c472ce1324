#include "core/link/win_serial_channel.h"

#include <windows.h>

#include <algorithm>
#include <chrono>
#include <string>

#include "core/base/win_errors.h"
#include "core/link/serial_ports.h"

namespace tkq {
namespace {

using Clock = std::chrono::steady_clock;

// How often a wait looks at the cancel flag.
constexpr int kPollMs = 50;

int RemainingMs(Clock::time_point deadline) {
  const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
  return left > 0 ? static_cast<int>(left) : 0;
}

bool Cancelled(const std::atomic<bool>* cancel) { return cancel != nullptr && cancel->load(); }

// Waits for the overlapped operation `io` on `port` until it ends, the
// deadline passes or `cancel` is set, and cancels it in the two last
// cases. The bytes it moved (possibly 0), or -1 when the port failed: a
// USB adapter pulled out fails the operation.
int AwaitIo(HANDLE port, OVERLAPPED& io, Clock::time_point deadline, const std::atomic<bool>* cancel) {
  for (;;) {
    const DWORD waited = ::WaitForSingleObject(io.hEvent, static_cast<DWORD>(std::min(RemainingMs(deadline), kPollMs)));
    if (waited == WAIT_OBJECT_0) break;
    if (waited != WAIT_TIMEOUT || RemainingMs(deadline) == 0 || Cancelled(cancel)) {
      ::CancelIo(port);
      break;
    }
  }
  // The operation may still have ended on its own meanwhile, with bytes.
  DWORD moved = 0;
  if (::GetOverlappedResult(port, &io, &moved, TRUE)) return static_cast<int>(moved);
  return ::GetLastError() == ERROR_OPERATION_ABORTED ? static_cast<int>(moved) : -1;
}

// 8 data bits, no parity, one stop bit, no flow control of either kind:
// what the instrument speaks, whatever another program left set.
bool SetLine(HANDLE port, uint32_t baud) {
  DCB dcb{};
  dcb.DCBlength = sizeof dcb;
  if (!::GetCommState(port, &dcb)) return false;
  const std::string mode = "baud=" + std::to_string(baud) + " parity=N data=8 stop=1";
  if (!::BuildCommDCBA(mode.c_str(), &dcb)) return false;
  dcb.fBinary = TRUE;
  dcb.fParity = FALSE;
  dcb.fOutxCtsFlow = FALSE;
  dcb.fOutxDsrFlow = FALSE;
  dcb.fDtrControl = DTR_CONTROL_ENABLE;
  dcb.fRtsControl = RTS_CONTROL_ENABLE;
  dcb.fDsrSensitivity = FALSE;
  dcb.fOutX = FALSE;
  dcb.fInX = FALSE;
  dcb.fErrorChar = FALSE;
  dcb.fNull = FALSE;
  dcb.fAbortOnError = FALSE;
  if (!::SetCommState(port, &dcb)) return false;
  // No time-outs of the driver's: a read waits for the bytes it asks for
  // and Read() keeps the time itself, so that it can end the moment an
  // answer is whole.
  COMMTIMEOUTS timeouts{};
  return ::SetCommTimeouts(port, &timeouts) != 0;
}

}  // namespace

std::unique_ptr<CSerialChannel> MakeSerialChannel() { return std::make_unique<CWinSerialChannel>(); }

CWinSerialChannel::~CWinSerialChannel() { Close(); }

bool CWinSerialChannel::Open(const std::string& portName, uint32_t baud) {
  Close();
  m_nOpenError = 0;
  if (baud == 0) {
    m_nOpenError = ERROR_INVALID_PARAMETER;
    return false;
  }
  // No sharing: the port is this program's alone while it is open.
  const std::wstring device = WideFromUtf8(PortDevicePath(portName));
  const HANDLE port = ::CreateFileW(device.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                                    FILE_FLAG_OVERLAPPED, nullptr);
  if (port == INVALID_HANDLE_VALUE) {
    m_nOpenError = static_cast<int>(::GetLastError());
    return false;
  }
  const HANDLE event = ::CreateEventW(nullptr, TRUE, FALSE, nullptr);
  if (event == nullptr || !SetLine(port, baud)) {
    m_nOpenError = static_cast<int>(::GetLastError());
    if (event != nullptr) ::CloseHandle(event);
    ::CloseHandle(port);
    return false;
  }
  ::PurgeComm(port, PURGE_TXCLEAR | PURGE_RXCLEAR | PURGE_TXABORT | PURGE_RXABORT);
  m_port = port;
  m_event = event;
  return true;
}

void CWinSerialChannel::Close() {
  if (m_port == nullptr) return;
  ::CloseHandle(static_cast<HANDLE>(m_port));
  ::CloseHandle(static_cast<HANDLE>(m_event));
  m_port = nullptr;
  m_event = nullptr;
}

void CWinSerialChannel::Purge() {
  if (m_port != nullptr) {
    ::PurgeComm(static_cast<HANDLE>(m_port), PURGE_TXCLEAR | PURGE_RXCLEAR | PURGE_TXABORT | PURGE_RXABORT);
  }
}

bool CWinSerialChannel::Write(std::span<const uint8_t> frame, int timeoutMs) {
  if (m_port == nullptr) return false;
  const HANDLE port = static_cast<HANDLE>(m_port);
  const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
  OVERLAPPED io{};
  io.hEvent = static_cast<HANDLE>(m_event);
  ::ResetEvent(io.hEvent);
  DWORD written = 0;
  if (::WriteFile(port, frame.data(), static_cast<DWORD>(frame.size()), &written, &io)) return true;
  if (::GetLastError() != ERROR_IO_PENDING) return false;
  // Out of time is no failure of the port: the answer will not come.
  return AwaitIo(port, io, deadline, nullptr) >= 0;
}

int CWinSerialChannel::Read(std::span<uint8_t> buffer, int timeoutMs, const AnswerComplete& complete,
                            const std::atomic<bool>* cancel) {
  if (m_port == nullptr) return -1;
  const HANDLE port = static_cast<HANDLE>(m_port);
  const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
  size_t got = 0;
  while (got < buffer.size()) {
    if (Cancelled(cancel) || RemainingMs(deadline) == 0) break;
    // What has arrived is taken at once; with nothing there, one byte is
    // waited for, so that each arrival is looked at as it comes.
    DWORD errors = 0;
    COMSTAT status{};
    if (!::ClearCommError(port, &errors, &status)) return -1;  // the adapter went away
    const size_t room = buffer.size() - got;
    const DWORD want = static_cast<DWORD>(std::clamp<size_t>(status.cbInQue, 1, room));
    OVERLAPPED io{};
    io.hEvent = static_cast<HANDLE>(m_event);
    ::ResetEvent(io.hEvent);
    DWORD read = 0;
    int n = 0;
    if (::ReadFile(port, buffer.data() + got, want, &read, &io)) {
      n = static_cast<int>(read);
    } else if (::GetLastError() == ERROR_IO_PENDING) {
      n = AwaitIo(port, io, deadline, cancel);
    } else {
      return -1;
    }
    if (n < 0) return -1;
    got += static_cast<size_t>(n);
    if (n > 0 && complete && complete(buffer.first(got))) break;
  }
  return static_cast<int>(got);
}

}  // namespace tkq
