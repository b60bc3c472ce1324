// The serial channel on a Windows COM port: overlapped I/O, with the
// driver's own time-outs ending each read (overlapped_serial_channel.h
// keeps the waits bounded).

#include <windows.h>

#include <array>
#include <string>
#include <vector>

#include "core/base/errors_win.h"
#include "core/link/overlapped_serial_channel.h"
#include "core/link/serial_ports.h"

namespace tkq {
namespace {

// A read with nothing to take ends after this long with no bytes; with
// bytes there, at once with them.
constexpr DWORD kDriverReadMs = 200;

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
  // Intervals and multiplier at MAXDWORD with a constant: a read returns at
  // once with the bytes that are there, or with the first that arrives, or
  // with none after kDriverReadMs. Each read ends by itself, and an answer
  // is looked at the moment its bytes come.
  COMMTIMEOUTS timeouts{};
  timeouts.ReadIntervalTimeout = MAXDWORD;
  timeouts.ReadTotalTimeoutMultiplier = MAXDWORD;
  timeouts.ReadTotalTimeoutConstant = kDriverReadMs;
  return ::SetCommTimeouts(port, &timeouts) != 0;
}

class CWinComPort : public COverlappedPort {
 public:
  CWinComPort(HANDLE port, HANDLE event) : m_port(port) { m_io.hEvent = event; }
  ~CWinComPort() override {
    ::CloseHandle(m_port);
    ::CloseHandle(m_io.hEvent);
  }
  CWinComPort(const CWinComPort&) = delete;
  CWinComPort& operator=(const CWinComPort&) = delete;

  std::span<uint8_t> ReadBuffer() override { return m_read; }

  EStart StartRead(size_t size, size_t& done) override {
    Reset();
    DWORD moved = 0;
    if (::ReadFile(m_port, m_read.data(), static_cast<DWORD>(size), &moved, &m_io)) {
      done = moved;
      return EStart::kDone;
    }
    return ::GetLastError() == ERROR_IO_PENDING ? EStart::kPending : EStart::kFailed;
  }

  EStart StartWrite(std::span<const uint8_t> bytes, size_t& done) override {
    Reset();
    m_write.assign(bytes.begin(), bytes.end());
    DWORD moved = 0;
    if (::WriteFile(m_port, m_write.data(), static_cast<DWORD>(m_write.size()), &moved, &m_io)) {
      done = moved;
      return EStart::kDone;
    }
    return ::GetLastError() == ERROR_IO_PENDING ? EStart::kPending : EStart::kFailed;
  }

  bool WaitEnded(int ms) override {
    return ::WaitForSingleObject(m_io.hEvent, static_cast<DWORD>(ms < 0 ? 0 : ms)) == WAIT_OBJECT_0;
  }

  int Result() override {
    DWORD moved = 0;
    if (::GetOverlappedResult(m_port, &m_io, &moved, FALSE)) return static_cast<int>(moved);
    return ::GetLastError() == ERROR_OPERATION_ABORTED ? static_cast<int>(moved) : -1;
  }

  void Cancel() override { ::CancelIoEx(m_port, &m_io); }

  void Purge() override { ::PurgeComm(m_port, PURGE_TXCLEAR | PURGE_RXCLEAR | PURGE_TXABORT | PURGE_RXABORT); }

 private:
  void Reset() {
    const HANDLE event = m_io.hEvent;
    m_io = OVERLAPPED{};
    m_io.hEvent = event;
    ::ResetEvent(event);
  }

  HANDLE m_port;
  OVERLAPPED m_io{};
  std::array<uint8_t, 4096> m_read{};
  std::vector<uint8_t> m_write;
};

std::unique_ptr<COverlappedPort> OpenComPort(const std::string& portName, uint32_t baud, int& error) {
  if (baud == 0) {
    error = ERROR_INVALID_PARAMETER;
    return nullptr;
  }
  // No sharing: the port is this program's alone while it is open.
  const std::wstring device = WideFromUtf8(PortDevicePath(portName));
  const HANDLE port = ::CreateFileW(device.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                                    FILE_FLAG_OVERLAPPED, nullptr);
  if (port == INVALID_HANDLE_VALUE) {
    error = static_cast<int>(::GetLastError());
    return nullptr;
  }
  const HANDLE event = ::CreateEventW(nullptr, TRUE, FALSE, nullptr);
  if (event == nullptr || !SetLine(port, baud)) {
    error = static_cast<int>(::GetLastError());
    if (event != nullptr) ::CloseHandle(event);
    ::CloseHandle(port);
    return nullptr;
  }
  auto opened = std::make_unique<CWinComPort>(port, event);
  opened->Purge();
  return opened;
}

}  // namespace

std::unique_ptr<CSerialChannel> MakeSerialChannel() { return std::make_unique<COverlappedSerialChannel>(OpenComPort); }

}  // namespace tkq
