#include "core/link/modbus.h"

#include "core/link/crc16.h"
#include "core/link/modbus_frames.h"

namespace tkq {
namespace {

constexpr int kAttempts = 3;
constexpr int kWriteTimeoutMs = 1000;
constexpr int kReadTimeoutMs = 1000;

// The status of an exception code; 0 (unchanged) for codes without one.
int ExceptionStatus(uint8_t code) {
  switch (code) {
    case 1: return kLinkFunctionNotSupported;
    case 2: return kLinkAddressFieldError;
    case 3: return kLinkDataFieldError;
    case 5: return kLinkRequestAcknowledged;
    case 6: return kLinkDeviceBusy;
    default: return 0;
  }
}

}  // namespace

CModbus::CModbus() : CModbus(MakeSerialChannel()) {}

CModbus::CModbus(std::unique_ptr<CSerialChannel> channel) : m_channel(std::move(channel)) {}

CModbus::~CModbus() { ClosePort(); }

void CModbus::SetConnection(const std::string& portName, uint8_t deviceAddress) {
  ClosePort();
  m_strPortName = portName;
  m_nDeviceAddress = deviceAddress;
}

bool CModbus::OpenPort() {
  if (!m_channel->Open(m_strPortName, m_nBaudRate)) {
    m_nStatus = kLinkPortError;
    return false;
  }
  return true;
}

void CModbus::ClosePort() { m_channel->Close(); }

bool CModbus::IsPortOpen() const { return m_channel->IsOpen(); }

int CModbus::GetStatusText(std::string& text) const {
  text = LinkStatusText(m_nStatus);
  return m_nStatus;
}

bool CModbus::Exchange(size_t requestLength, size_t answerLength, int& received) {
  m_channel->Purge();
  const size_t frameLength = requestLength + 2;
  if (!m_channel->Write(std::span<const uint8_t>(m_abRequest, frameLength), kWriteTimeoutMs)) return false;
  ++m_counters.requests;
  m_counters.bytesSent += frameLength;
  received = 0;
  m_nResponseLength = 0;
  if (answerLength == 0) return true;
  // The wait starts once the request is handed to the driver, so it also
  // covers the request's and the answer's own time on the line: at 1200
  // baud a 135-byte piece alone takes 1125 ms.
  const uint64_t lineMs = (uint64_t{frameLength} + answerLength) * 10 * 1000 / std::max<uint32_t>(m_nBaudRate, 1) + 1;
  const int timeout = kReadTimeoutMs + static_cast<int>(std::min<uint64_t>(lineMs, 600000));
  const uint8_t function = m_abRequest[1];
  const uint8_t subfunction = m_abRequest[2];
  const AnswerComplete complete = [=](std::span<const uint8_t> bytes) {
    return IsAnswerComplete(function, subfunction, answerLength, bytes);
  };
  const size_t room = std::min(answerLength, sizeof m_abResponse);
  received = m_channel->Read(std::span<uint8_t>(m_abResponse, room), timeout, complete, m_pCancel);
  if (received < 0) return false;
  m_nResponseLength = static_cast<size_t>(received);
  m_counters.bytesReceived += m_nResponseLength;
  return true;
}

bool CModbus::Transact(size_t requestLength, size_t answerLength) {
  m_nStatus = kLinkOk;
  if (!m_channel->IsOpen()) {
    m_nStatus = kLinkPortError;
    return false;
  }
  m_abRequest[0] = m_nDeviceAddress;
  PutCrc16(m_abRequest, requestLength);

  for (int attempt = 1; attempt <= kAttempts; ++attempt) {
    if (IsCancelled()) return false;
    m_nStatus = kLinkOk;
    int received = 0;
    if (!Exchange(requestLength, answerLength, received)) {
      m_nStatus = kLinkPortError;
      return false;
    }
    if (answerLength == 0) return true;
    if (IsCancelled()) return false;

    bool failed = false;
    if (received == 0) {
      m_nStatus = kLinkNoAnswer;
      failed = true;
    } else {
      const std::span<const uint8_t> answer(m_abResponse, static_cast<size_t>(received));
      if (answer[0] != m_nDeviceAddress) m_nStatus = kLinkNoAnswer;
      if (Crc16(answer) != 0) {
        m_nStatus = kLinkCrcError;
        return false;
      }
      if (answer.size() >= 3 && (answer[1] & 0x80) != 0) {
        if (const int status = ExceptionStatus(answer[2]); status != 0) m_nStatus = status;
        return false;
      }
      if (m_nStatus == kLinkOk) return true;
      failed = true;  // an answer from another address
    }
    if (failed && m_onFailedAttempt) m_onFailedAttempt();
  }
  m_nStatus = kLinkNoAnswer;
  return false;
}

bool CModbus::ReadIdentification(std::string& text) {
  m_abRequest[1] = kFunctionIdentification;
  if (!Transact(2, 256) || m_nStatus != kLinkOk) return false;
  text = IdentificationText(std::span<const uint8_t>(m_abResponse, m_nResponseLength));
  return true;
}

}  // namespace tkq
