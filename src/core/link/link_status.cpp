#include "core/link/link_status.h"

#include <array>

namespace tkq {

const char* LinkStatusText(LinkStatus status) {
  const int code = static_cast<int>(status);
  static constexpr std::array<const char*, 9> kTexts = {
      "OK",
      "Ошибка CRC",
      "Устройство не отвечает на запрос",
      "Функция не поддерживается",
      "Ошибка в поле адреса",
      "Ошибка в поле данных",
      "Запрос подтвержден",
      "Устройство занято",
      "Ошибка порта связи",
  };
  if (code < 0 || code >= static_cast<int>(kTexts.size())) return "";
  return kTexts[code];
}

}  // namespace tkq
