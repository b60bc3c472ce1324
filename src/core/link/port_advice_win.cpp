// Advice on a COM port that would not open, from Windows' error code.
// There are no device groups here: every user may open a port that no
// other program holds.

#include <windows.h>

#include "core/link/port_advice.h"

namespace tkq {

std::string PortAdvice(const std::string& portName, int err) {
  switch (static_cast<DWORD>(err)) {
    // A port held by another program refuses the open so.
    case ERROR_ACCESS_DENIED:
    case ERROR_SHARING_VIOLATION:
    case ERROR_BUSY: return "Порт " + portName + " занят другой программой.";
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
    case ERROR_BAD_UNIT:
    case ERROR_DEV_NOT_EXIST:
      return "Порт " + portName + " не найден: его нет в диспетчере устройств («Порты (COM и LPT)»).";
    case ERROR_INVALID_FUNCTION:
    case ERROR_NOT_SUPPORTED:
    case ERROR_INVALID_HANDLE: return portName + " не является последовательным портом.";
    case ERROR_GEN_FAILURE:
    case ERROR_DEVICE_NOT_CONNECTED:
    case ERROR_OPERATION_ABORTED: return "Порт " + portName + " не отвечает: переподключите USB-адаптер.";
    default: return {};
  }
}

}  // namespace tkq
