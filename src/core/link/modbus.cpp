#include "core/link/modbus.h"

#include <algorithm>
#include <cstring>

#include "core/link/crc16.h"
#include "core/link/modbus_frames.h"

namespace tkq {
namespace {

constexpr int kAttempts = 3;
constexpr int kWriteTimeoutMs = 1000;
constexpr int kReadTimeoutMs = 1000;
// A probe's allowance beyond an answer's own line time, for a driver or
// adapter that hands the bytes on in batches.
constexpr int kAnswerSlackMs = 30;
// The longest answer to function 17: the whole frame.
constexpr size_t kIdentificationAnswer = CModbus::kMaxFrame;

// The status of an exception code; kLinkOk (unchanged) for codes without one.
LinkStatus ExceptionStatus(uint8_t code) {
  switch (static_cast<ExceptionCode>(code)) {
    case ExceptionCode::kExceptionIllegalFunction: return LinkStatus::kLinkFunctionNotSupported;
    case ExceptionCode::kExceptionIllegalDataAddress: return LinkStatus::kLinkAddressFieldError;
    case ExceptionCode::kExceptionIllegalDataValue: return LinkStatus::kLinkDataFieldError;
    case ExceptionCode::kExceptionAcknowledge: return LinkStatus::kLinkRequestAcknowledged;
    case ExceptionCode::kExceptionDeviceBusy: return LinkStatus::kLinkDeviceBusy;
    default: return LinkStatus::kLinkOk;
  }
}

}  // namespace

CModbus::CModbus() : CModbus(MakeSerialChannel()) {}

CModbus::CModbus(std::unique_ptr<CSerialChannel> channel) : m_channel(std::move(channel)) {}

CModbus::~CModbus() { ClosePort(); }

void CModbus::SetConnection(const CLinkSettings& settings) {
  ClosePort();
  m_settings = settings;
}

bool CModbus::OpenPort() {
  if (!m_channel->Open(m_settings.port, m_settings.baudRate)) {
    m_status = LinkStatus::kLinkPortError;
    return false;
  }
  return true;
}

void CModbus::ClosePort() { m_channel->Close(); }

bool CModbus::IsPortOpen() const { return m_channel->IsOpen(); }

LinkStatus CModbus::GetStatusText(std::string& text) const {
  text = LinkStatusText(m_status);
  return m_status;
}

std::function<void()> CModbus::SetOnFailedAttempt(std::function<void()> onFailedAttempt) {
  std::swap(m_onFailedAttempt, onFailedAttempt);
  return onFailedAttempt;
}

bool CModbus::Exchange(size_t answerLength, int& received) {
  m_channel->Purge();
  const size_t frameLength = m_requestFrameLength;
  if (!m_channel->Write(std::span<const uint8_t>(m_request).first(frameLength), kWriteTimeoutMs)) return false;
  ++m_counters.requests;
  m_counters.bytesSent += frameLength;
  received = 0;
  m_responseLength = 0;
  if (answerLength == 0) return true;
  // The wait starts once the request is handed to the driver, so it also
  // covers the request's and the answer's own time on the line: at 1200
  // baud a 135-byte piece alone takes 1125 ms.
  const uint64_t lineMs =
      (uint64_t{frameLength} + answerLength) * 10 * 1000 / std::max<uint32_t>(m_settings.baudRate, 1) + 1;
  const int timeout = kReadTimeoutMs + static_cast<int>(std::min<uint64_t>(lineMs, 600000));
  const uint8_t function = m_request[kFrameFunction];
  const uint8_t subfunction = m_request[kFrameSubfunction];
  const AnswerComplete complete = [=](std::span<const uint8_t> bytes) {
    return IsAnswerComplete(function, subfunction, answerLength, bytes);
  };
  const size_t room = std::min(answerLength, m_response.size());
  received = m_channel->Read(std::span<uint8_t>(m_response).first(room), timeout, complete, m_cancel);
  if (received < 0) return false;
  m_responseLength = static_cast<size_t>(received);
  m_counters.bytesReceived += m_responseLength;
  return true;
}

bool CModbus::Transact(std::span<const uint8_t> request, size_t answerLength, std::span<const uint8_t>& answer) {
  answer = {};
  m_status = LinkStatus::kLinkOk;
  // Room for the address before and the CRC after.
  if (request.empty() || request.size() + 1 + kCrcSize > m_request.size()) return false;
  std::memcpy(m_request.data() + 1, request.data(), request.size());
  const size_t length = 1 + request.size();  // the bytes the CRC covers
  m_requestFrameLength = length + kCrcSize;
  if (!m_channel->IsOpen()) {
    m_status = LinkStatus::kLinkPortError;
    return false;
  }
  m_request[0] = m_settings.address;
  PutCrc16(m_request.data(), length);

  for (int attempt = 1; attempt <= kAttempts; ++attempt) {
    if (IsCancelled()) return false;
    m_status = LinkStatus::kLinkOk;
    int received = 0;
    if (!Exchange(answerLength, received)) {
      m_status = LinkStatus::kLinkPortError;
      return false;
    }
    if (answerLength == 0) return true;
    if (IsCancelled()) return false;

    bool failed = false;
    if (received == 0) {
      m_status = LinkStatus::kLinkNoAnswer;
      failed = true;
    } else {
      const std::span<const uint8_t> frame(m_response.data(), static_cast<size_t>(received));
      if (frame[0] != m_settings.address) m_status = LinkStatus::kLinkNoAnswer;
      if (Crc16(frame) != 0) {
        m_status = LinkStatus::kLinkCrcError;
        return false;
      }
      if (frame.size() > kExceptionCodeAt && (frame[kFrameFunction] & kExceptionFlag) != 0) {
        if (const LinkStatus status = ExceptionStatus(frame[kExceptionCodeAt]); status != LinkStatus::kLinkOk)
          m_status = status;
        return false;
      }
      if (m_status == LinkStatus::kLinkOk) {
        answer = frame;
        return true;
      }
      failed = true;  // an answer from another address
    }
    if (failed && m_onFailedAttempt) m_onFailedAttempt();
  }
  m_status = LinkStatus::kLinkNoAnswer;
  return false;
}

bool CModbus::ReadIdentification(std::string& text) {
  const uint8_t request[] = {kFunctionIdentification};
  std::span<const uint8_t> answer;
  if (!Transact(request, kIdentificationAnswer, answer) || m_status != LinkStatus::kLinkOk) return false;
  text = IdentificationText(answer);
  return true;
}

bool CModbus::ProbeIdentification(int waitMs, std::string& text) {
  m_status = LinkStatus::kLinkNoAnswer;
  m_responseLength = 0;
  if (!m_channel->IsOpen()) {
    m_status = LinkStatus::kLinkPortError;
    return false;
  }
  if (IsCancelled()) return false;
  const uint8_t address = m_settings.address;
  m_request[0] = address;
  m_request[kFrameFunction] = kFunctionIdentification;
  PutCrc16(m_request.data(), 2);
  m_requestFrameLength = 2 + kCrcSize;
  m_channel->Purge();
  if (!m_channel->Write(std::span<const uint8_t>(m_request).first(m_requestFrameLength), kWriteTimeoutMs)) {
    m_status = LinkStatus::kLinkPortError;
    return false;
  }
  ++m_counters.requests;
  m_counters.bytesSent += m_requestFrameLength;

  const uint32_t baud = std::max<uint32_t>(m_settings.baudRate, 1);
  const auto lineMs = [baud](size_t bytes) { return static_cast<int>(uint64_t{bytes} * 10 * 1000 / baud) + 1; };
  const std::span<uint8_t> buffer(m_response);
  // The first byte, whatever the batch it comes in.
  int got = m_channel->Read(buffer, lineMs(m_requestFrameLength) + std::max(waitMs, 0),
                            [](std::span<const uint8_t> bytes) { return !bytes.empty(); }, m_cancel);
  if (got < 0) m_status = LinkStatus::kLinkPortError;
  if (got <= 0) return false;
  // The rest as its length says; an answer from another address is not
  // waited for.
  const auto whole = [address](std::span<const uint8_t> bytes) {
    return bytes[0] != address || IsAnswerComplete(kFunctionIdentification, 0, kMaxFrame, bytes);
  };
  const size_t first = static_cast<size_t>(got);
  if (!whole(buffer.first(first))) {
    const int more = m_channel->Read(
        buffer.subspan(first), lineMs(kMaxFrame - first) + kAnswerSlackMs,
        [&](std::span<const uint8_t> bytes) { return whole(buffer.first(first + bytes.size())); }, m_cancel);
    if (more < 0) {
      m_status = LinkStatus::kLinkPortError;
      return false;
    }
    got += more;
  }
  m_responseLength = static_cast<size_t>(got);
  m_counters.bytesReceived += m_responseLength;
  std::span<const uint8_t> frame = buffer.first(m_responseLength);
  if (frame.size() <= kIdentificationCountAt || frame[0] != address ||
      frame[kFrameFunction] != kFunctionIdentification) {
    return false;
  }
  const size_t length = size_t{frame[kIdentificationCountAt]} + kIdentificationCountAt + 1 + kCrcSize;
  if (frame.size() < length || Crc16(frame.first(length)) != 0) return false;
  frame = frame.first(length);
  m_status = LinkStatus::kLinkOk;
  text = IdentificationText(frame);
  return true;
}

}  // namespace tkq
