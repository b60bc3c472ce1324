#pragma once
// The link status: the reason of the last failed transaction with the
// instrument, a code 0 to 8 with a fixed text.

#include <string>

namespace tkq {

enum LinkStatus : int {
  kLinkOk = 0,
  kLinkCrcError = 1,
  kLinkNoAnswer = 2,
  kLinkFunctionNotSupported = 3,
  kLinkAddressFieldError = 4,
  kLinkDataFieldError = 5,
  kLinkRequestAcknowledged = 6,
  kLinkDeviceBusy = 7,
  kLinkPortError = 8,
};

// The fixed text of a link status code ("OK" ... "Ошибка порта связи");
// codes outside 0..8 give an empty text.
const char* LinkStatusText(int code);

// What the measurement object asks of the device link when it must tell
// the user why a read failed.
class CLinkStatusSource {
 public:
  virtual ~CLinkStatusSource() = default;
  // Stores the text of the current link status and returns its code.
  virtual int GetStatusText(std::string& text) const = 0;
};

// A link status that does not come from a line: the status of a link
// that has not been used, or a fixed one for checking the status rule.
class CFixedLinkStatus : public CLinkStatusSource {
 public:
  explicit CFixedLinkStatus(int code = kLinkOk) : m_nStatus(code) {}
  void SetStatus(int code) { m_nStatus = code; }
  int GetStatusText(std::string& text) const override {
    text = LinkStatusText(m_nStatus);
    return m_nStatus;
  }

 private:
  int m_nStatus;
};

}  // namespace tkq
