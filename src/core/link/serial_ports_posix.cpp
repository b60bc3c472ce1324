// Serial ports on Linux: device nodes under /dev, what they are from sysfs.

#include <unistd.h>

#include <algorithm>
#include <charconv>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/link/port_advice.h"
#include "core/link/serial_ports.h"

namespace tkq {
namespace {

namespace fs = std::filesystem;

constexpr std::string_view kUartPrefix = "ttyS";
constexpr std::string_view kById = "/dev/serial/by-id";
// USB adapters and modems, the UARTs of ARM boards, Bluetooth links: offered
// in this order after the by-id names.
constexpr std::string_view kDevicePrefixes[] = {"ttyUSB", "ttyACM", "ttyAMA", "rfcomm"};

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

std::string_view WithoutLeadingZeros(std::string_view digits) {
  while (digits.size() > 1 && digits.front() == '0') digits.remove_prefix(1);
  return digits;
}

// "ttyUSB2" before "ttyUSB10": runs of digits compare by their value.
bool NaturalLess(std::string_view a, std::string_view b) {
  size_t i = 0;
  size_t j = 0;
  while (i < a.size() && j < b.size()) {
    if (IsDigit(a[i]) && IsDigit(b[j])) {
      const size_t si = i;
      const size_t sj = j;
      while (i < a.size() && IsDigit(a[i])) ++i;
      while (j < b.size() && IsDigit(b[j])) ++j;
      const std::string_view na = WithoutLeadingZeros(a.substr(si, i - si));
      const std::string_view nb = WithoutLeadingZeros(b.substr(sj, j - sj));
      if (na.size() != nb.size()) return na.size() < nb.size();
      if (na != nb) return na < nb;
    } else {
      if (a[i] != b[j]) return static_cast<unsigned char>(a[i]) < static_cast<unsigned char>(b[j]);
      ++i;
      ++j;
    }
  }
  if (a.size() - i != b.size() - j) return a.size() - i < b.size() - j;
  return a < b;
}

// `name` is `prefix` and a decimal number, nothing else.
bool IsNumbered(std::string_view name, std::string_view prefix) {
  if (!name.starts_with(prefix) || name.size() == prefix.size()) return false;
  for (const char c : name.substr(prefix.size())) {
    if (!IsDigit(c)) return false;
  }
  return true;
}

// Entries of `dir` other than folders, device nodes and (possibly dangling)
// links included, that `keep` accepts, in natural order. A folder that
// cannot be read has none.
template <typename Keep>
std::vector<std::string> DeviceNames(const std::string& dir, Keep keep) {
  std::vector<std::string> names;
  std::error_code ec;
  for (fs::directory_iterator it(dir, ec), end; !ec && it != end; it.increment(ec)) {
    std::error_code statError;
    if (it->is_directory(statError)) continue;
    std::string name = it->path().filename().string();
    if (keep(name)) names.push_back(std::move(name));
  }
  std::sort(names.begin(), names.end(), NaturalLess);
  return names;
}

// The first line of a small sysfs file, without its blanks; nullopt when it
// cannot be read.
std::optional<std::string> ReadAttribute(const fs::path& path) {
  std::ifstream in(path);
  std::string line;
  if (!in || !std::getline(in, line)) return std::nullopt;
  const size_t first = line.find_first_not_of(" \t\r\n");
  if (first == std::string::npos) return std::string();
  return line.substr(first, line.find_last_not_of(" \t\r\n") - first + 1);
}

// The kernel creates ttyS nodes for UARTs it merely reserved a slot for;
// their sysfs "type" reads 0. Without sysfs information the node is kept.
bool IsEmptySlot(const std::string& root, std::string_view tty) {
  const std::optional<std::string> type = ReadAttribute(root + "/sys/class/tty/" + std::string(tty) + "/type");
  return type && *type == "0";
}

// Where the link at `path` leads, followed through a few links; `path`
// itself when it is no link. Relative and absolute targets alike stay
// under `root`.
std::string LinkTarget(const std::string& root, std::string path) {
  for (int hop = 0; hop < 8; ++hop) {
    std::error_code ec;
    const fs::path target = fs::read_symlink(root + path, ec);
    if (ec) break;
    path = (target.is_absolute() ? target : fs::path(path).parent_path() / target).lexically_normal().string();
  }
  return path;
}

// A USB device's account of itself, found by walking up from the tty's
// device (an interface of the USB device) to the folder with idVendor.
void ReadUsbDevice(const std::string& root, std::string_view tty, CSerialPort& port) {
  std::error_code ec;
  const fs::path sys = fs::weakly_canonical(root + "/sys", ec);
  fs::path dir = fs::canonical(root + "/sys/class/tty/" + std::string(tty) + "/device", ec);
  if (ec) return;
  for (; dir != dir.parent_path() && dir.string().starts_with(sys.string()); dir = dir.parent_path()) {
    const std::optional<std::string> vendor = ReadAttribute(dir / "idVendor");
    if (!vendor) continue;
    port.kind = EPortKind::kUsbAdapter;
    port.manufacturer = ReadAttribute(dir / "manufacturer").value_or("");
    port.product = ReadAttribute(dir / "product").value_or("");
    port.serialNumber = ReadAttribute(dir / "serial").value_or("");
    const std::optional<std::string> product = ReadAttribute(dir / "idProduct");
    port.usbId = *vendor + (product ? ":" + *product : std::string());
    return;
  }
}

EPortKind KindByName(const std::string& root, std::string_view tty) {
  if (tty.starts_with("ttyUSB") || tty.starts_with("ttyACM")) return EPortKind::kUsbAdapter;
  if (tty.starts_with("rfcomm")) return EPortKind::kBluetooth;
  if (tty.starts_with(kUartPrefix) || tty.starts_with("ttyAMA")) {
    return IsEmptySlot(root, tty) ? EPortKind::kEmptySlot : EPortKind::kBuiltIn;
  }
  return EPortKind::kUnknown;
}

CSerialPort Describe(const std::string& root, std::string name, std::string device) {
  CSerialPort port;
  port.name = std::move(name);
  port.device = std::move(device);
  const std::string node = root + port.device;
  std::error_code ec;
  port.exists = fs::exists(node, ec);
  if (port.exists) {
    port.accessible = ::access(node.c_str(), R_OK | W_OK) == 0;
    port.group = DeviceGroup(node);
  }
  // Only a device directly in /dev has a sysfs entry of its own name.
  const fs::path path(port.device);
  if (path.parent_path() != "/dev") return port;
  const std::string tty = path.filename().string();
  port.kind = KindByName(root, tty);
  ReadUsbDevice(root, tty, port);
  return port;
}

// Only devices that are there and not an empty slot count as found.
std::string Problem(const std::vector<CSerialPort>& ports) {
  const CSerialPort* locked = nullptr;
  for (const CSerialPort& port : ports) {
    if (!port.exists || port.kind == EPortKind::kEmptySlot) continue;
    if (port.accessible) return {};
    if (locked == nullptr) locked = &port;
  }
  if (locked != nullptr) return NoAccessAdvice(locked->device, locked->group);
  return "Последовательных портов не найдено: за именами " + std::string(kStandardPorts.front()) + ".." +
         std::string(kStandardPorts.back()) + " устройств нет, USB-адаптер не подключён.";
}

}  // namespace

std::string PortDevicePath(const std::string& portName) {
  if (portName.size() > 3 && portName.compare(0, 3, "COM") == 0 &&
      portName.find_first_not_of("0123456789", 3) == std::string::npos && portName.size() <= 6) {
    const int n = std::atoi(portName.c_str() + 3);
    if (n >= 1) return "/dev/" + std::string(kUartPrefix) + std::to_string(n - 1);
  }
  return portName;
}

CSerialPorts FindSerialPorts(const std::string& root) {
  CSerialPorts found;
  std::vector<CSerialPort>& ports = found.ports;
  for (const std::string_view name : kStandardPorts) {
    ports.push_back(Describe(root, std::string(name), PortDevicePath(std::string(name))));
  }
  const auto add = [&](const std::string& dir, const std::string& name) {
    const std::string path = dir + "/" + name;
    for (const CSerialPort& port : ports) {
      if (port.name == path) return;
    }
    ports.push_back(Describe(root, path, LinkTarget(root, path)));
  };

  const std::string byId(kById);
  for (const std::string& name : DeviceNames(root + byId, [](std::string_view) { return true; })) add(byId, name);
  for (const std::string_view prefix : kDevicePrefixes) {
    const auto numbered = [prefix](std::string_view name) { return IsNumbered(name, prefix); };
    for (const std::string& name : DeviceNames(root + "/dev", numbered)) add("/dev", name);
  }
  // The first UARTs are the standard names already.
  const auto furtherUart = [&root](std::string_view name) {
    if (!IsNumbered(name, kUartPrefix)) return false;
    unsigned number = 0;
    const std::string_view digits = name.substr(kUartPrefix.size());
    if (std::from_chars(digits.data(), digits.data() + digits.size(), number).ec != std::errc()) return false;
    return number >= kStandardPorts.size() && !IsEmptySlot(root, name);
  };
  for (const std::string& name : DeviceNames(root + "/dev", furtherUart)) add("/dev", name);

  found.problem = Problem(ports);
  return found;
}

}  // namespace tkq
