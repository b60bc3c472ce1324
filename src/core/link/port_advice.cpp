#include "core/link/port_advice.h"

#include <grp.h>
#include <sys/stat.h>

#include <cerrno>

#include "core/link/serial_channel.h"

namespace tkq {

std::string PortAdvice(const std::string& portName, int err) {
  const std::string device = PortDevicePath(portName);
  switch (err) {
    case EACCES:
    case EPERM: {
      std::string groupName = "dialout";
      struct stat st {};
      if (::stat(device.c_str(), &st) == 0) {
        if (const struct group* g = ::getgrgid(st.st_gid); g != nullptr && g->gr_name != nullptr) groupName = g->gr_name;
      }
      return "Нет прав на доступ к " + device + ": добавьте пользователя в группу " + groupName +
             " (sudo usermod -aG " + groupName + " $USER) и войдите в систему заново.";
    }
    case EBUSY:
      return "Порт " + device + " занят другой программой.";
    case ENOENT:
    case ENODEV:
    case ENXIO:
      return "Устройство " + device + " не найдено.";
    case ENOTTY:
      return device + " не является последовательным портом.";
    default:
      return {};
  }
}

}  // namespace tkq
