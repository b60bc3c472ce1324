#include "core/link/port_advice.h"

#include <grp.h>
#include <sys/stat.h>

#include <cerrno>

#include "core/link/serial_ports.h"

namespace tkq {

std::string DeviceGroup(const std::string& path) {
  struct stat st {};
  if (::stat(path.c_str(), &st) == 0) {
    if (const struct group* g = ::getgrgid(st.st_gid); g != nullptr && g->gr_name != nullptr) return g->gr_name;
  }
  return "dialout";
}

std::string NoAccessAdvice(const std::string& device, const std::string& group) {
  return "Нет прав на доступ к " + device + ": добавьте пользователя в группу " + group + " (sudo usermod -aG " +
         group + " $USER) и войдите в систему заново.";
}

std::string PortAdvice(const std::string& portName, int err) {
  const std::string device = PortDevicePath(portName);
  switch (err) {
    case EACCES:
    case EPERM: return NoAccessAdvice(device, DeviceGroup(device));
    case EBUSY: return "Порт " + device + " занят другой программой.";
    case ENOENT:
    case ENODEV:
    case ENXIO: return "Устройство " + device + " не найдено.";
    case ENOTTY: return device + " не является последовательным портом.";
    default: return {};
  }
}

}  // namespace tkq
