#pragma once
// The link status: the reason of the last failed transaction with the
// instrument, a code 0 to 8 with a fixed text.

namespace tkq {

enum class LinkStatus : int {
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
const char* LinkStatusText(LinkStatus status);

}  // namespace tkq
