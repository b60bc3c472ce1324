#include "core/link/read_status.h"

#include <array>
#include <cstddef>

namespace tkq {

const char* ReadStatusText(ReadStatus status) {
  const auto code = static_cast<size_t>(status);
  static constexpr std::array<const char*, 8> kTexts = {
      "OK",
      "ПОРТ ЗАНЯТ ИЛИ НЕ СУЩЕСТВУЕТ",
      "НЕВОЗМОЖНО УСТАНОВИТЬ СОЕДИНЕНИЕ",
      "ОШИБКА ЧТЕНИЯ ФАЙЛОВ",
      "ФАЙЛ ОПИСАНИЯ ПОВРЕЖДЕН",
      "АРХИВ ДЛЯ ДАННОГО ОБЪЕКТА ПУСТ",
      "НЕИЗВЕСТНАЯ ВЕРСИЯ ПРИБОРА",
      "Чтение прервано пользователем",
  };
  if (code >= kTexts.size()) return "";
  return kTexts[code];
}

}  // namespace tkq
