// Serial ports on Windows: the COM ports Device Manager lists, with the
// names it shows; beside them those serial drivers announce in the
// registry and the DOS device names (wine maps its ports so, and a few
// virtual port drivers do too).

// <windows.h> first, then <initguid.h>, so that <devguid.h> defines the
// class GUID in this file.
// clang-format off
#include <windows.h>
#include <initguid.h>
#include <devguid.h>
#include <setupapi.h>
// clang-format on

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cwchar>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/base/errors_win.h"
#include "core/link/serial_ports.h"

namespace tkq {
namespace {

// The COM names probed one by one, beside those the system lists (a few
// virtual port drivers and wine's mapped ports are only found so).
constexpr unsigned kProbedComNumbers = 256;

bool EqualNoCase(std::string_view a, std::string_view b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
           return std::toupper(static_cast<unsigned char>(x)) == std::toupper(static_cast<unsigned char>(y));
         });
}

// The number of "COMn" in any case, n from 1 on with as many digits as
// Windows gives (port databases go past COM256); nullopt for any other name.
std::optional<unsigned> ComNumber(std::string_view name) {
  if (name.size() < 4 || !EqualNoCase(name.substr(0, 3), "COM")) return std::nullopt;
  unsigned number = 0;
  const char* end = name.data() + name.size();
  const auto [at, ec] = std::from_chars(name.data() + 3, end, number);
  if (ec != std::errc() || at != end || number < 1) return std::nullopt;
  return number;
}

// COM ports by number, then any other names in the order of their text.
bool PortOrder(const CSerialPort& a, const CSerialPort& b) {
  const std::optional<unsigned> na = ComNumber(a.name);
  const std::optional<unsigned> nb = ComNumber(b.name);
  if (na.has_value() != nb.has_value()) return na.has_value();
  return na != nb ? na < nb : a.name < b.name;
}

std::string RegistryProperty(HDEVINFO devices, SP_DEVINFO_DATA& device, DWORD property) {
  wchar_t buffer[512] = {};
  DWORD type = 0;
  if (!::SetupDiGetDeviceRegistryPropertyW(devices, &device, property, &type, reinterpret_cast<BYTE*>(buffer),
                                           sizeof buffer - sizeof(wchar_t), nullptr)) {
    return {};
  }
  // The first string of a list (hardware ids are one).
  return Utf8FromWide(buffer);
}

std::string PortNameOf(HDEVINFO devices, SP_DEVINFO_DATA& device) {
  const HKEY key = ::SetupDiOpenDevRegKey(devices, &device, DICS_FLAG_GLOBAL, 0, DIREG_DEV, KEY_READ);
  if (key == INVALID_HANDLE_VALUE) return {};
  wchar_t buffer[64] = {};
  DWORD size = sizeof buffer - sizeof(wchar_t);
  DWORD type = 0;
  const LSTATUS status = ::RegQueryValueExW(key, L"PortName", nullptr, &type, reinterpret_cast<BYTE*>(buffer), &size);
  ::RegCloseKey(key);
  return status == ERROR_SUCCESS && type == REG_SZ ? Utf8FromWide(buffer) : std::string();
}

// The four hexadecimal digits after `tag` ("VID_") in a hardware id, in
// lower case as Linux shows them; empty when there are none.
std::string HexAfter(const std::string& id, std::string_view tag) {
  const size_t at = id.find(tag);
  if (at == std::string::npos || at + tag.size() + 4 > id.size()) return {};
  std::string digits = id.substr(at + tag.size(), 4);
  for (char& c : digits) {
    if (!std::isxdigit(static_cast<unsigned char>(c))) return {};
    c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  }
  return digits;
}

// What the bus the device hangs on says of it: "USB\VID_0403&PID_6001..."
// (FTDI's own driver: "FTDIBUS\VID_0403+PID_6001..."), "BTHENUM\...",
// "ACPI\PNP0501" for a UART of the machine.
void DescribeByHardwareId(const std::string& hardwareId, CSerialPort& port) {
  const std::string vendor = HexAfter(hardwareId, "VID_");
  const std::string product = HexAfter(hardwareId, "PID_");
  if (!vendor.empty()) {
    port.kind = EPortKind::kUsbAdapter;
    port.usbId = vendor + (product.empty() ? std::string() : ":" + product);
  } else if (hardwareId.rfind("BTHENUM\\", 0) == 0) {
    port.kind = EPortKind::kBluetooth;
  } else if (hardwareId.rfind("ACPI\\", 0) == 0 || hardwareId.rfind("*PNP05", 0) == 0) {
    port.kind = EPortKind::kBuiltIn;
  }
}

// A USB device's serial number is the last part of its instance id
// ("USB\VID_0403&PID_6001\A50285BI"); Windows makes one with '&' in it for
// a device that has none.
std::string SerialNumberOf(HDEVINFO devices, SP_DEVINFO_DATA& device) {
  wchar_t buffer[512] = {};
  if (!::SetupDiGetDeviceInstanceIdW(devices, &device, buffer, 511, nullptr)) return {};
  const std::string id = Utf8FromWide(buffer);
  if (id.rfind("USB\\", 0) != 0) return {};
  const std::string last = id.substr(id.rfind('\\') + 1);
  return last.find('&') == std::string::npos ? last : std::string();
}

// The ports of the ports class that are present, COM ports only (the
// class holds the printer ports too).
std::vector<CSerialPort> DevicesOfThePortsClass() {
  std::vector<CSerialPort> found;
  const HDEVINFO devices = ::SetupDiGetClassDevsW(&GUID_DEVCLASS_PORTS, nullptr, nullptr, DIGCF_PRESENT);
  if (devices == INVALID_HANDLE_VALUE) return found;
  SP_DEVINFO_DATA device{};
  device.cbSize = sizeof device;
  for (DWORD i = 0; ::SetupDiEnumDeviceInfo(devices, i, &device); ++i) {
    CSerialPort port;
    port.name = PortNameOf(devices, device);
    if (!ComNumber(port.name)) continue;
    port.friendlyName = RegistryProperty(devices, device, SPDRP_FRIENDLYNAME);
    port.manufacturer = RegistryProperty(devices, device, SPDRP_MFG);
    DescribeByHardwareId(RegistryProperty(devices, device, SPDRP_HARDWAREID), port);
    if (port.kind == EPortKind::kUsbAdapter) port.serialNumber = SerialNumberOf(devices, device);
    found.push_back(std::move(port));
  }
  ::SetupDiDestroyDeviceInfoList(devices);
  return found;
}

void AddComName(std::vector<CSerialPort>& found, const std::string& name) {
  if (!ComNumber(name)) return;
  if (std::any_of(found.begin(), found.end(), [&](const CSerialPort& p) { return EqualNoCase(p.name, name); })) return;
  CSerialPort port;
  port.name = name;
  found.push_back(std::move(port));
}

// The COM ports serial drivers have announced: the values of
// HKLM\HARDWARE\DEVICEMAP\SERIALCOMM ("\Device\Serial0" = "COM1").
void AddAnnouncedPorts(std::vector<CSerialPort>& found) {
  HKEY key = nullptr;
  if (::RegOpenKeyExW(HKEY_LOCAL_MACHINE, L"HARDWARE\\DEVICEMAP\\SERIALCOMM", 0, KEY_QUERY_VALUE, &key) !=
      ERROR_SUCCESS) {
    return;
  }
  for (DWORD i = 0;; ++i) {
    wchar_t value[256];
    DWORD valueSize = 256;
    wchar_t data[64] = {};
    DWORD dataSize = sizeof data - sizeof(wchar_t);
    DWORD type = 0;
    const LSTATUS status =
        ::RegEnumValueW(key, i, value, &valueSize, nullptr, &type, reinterpret_cast<BYTE*>(data), &dataSize);
    if (status == ERROR_NO_MORE_ITEMS) break;
    if (status == ERROR_SUCCESS && type == REG_SZ) AddComName(found, Utf8FromWide(data));
  }
  ::RegCloseKey(key);
}

// The COM names that stand for a device: all DOS device names, and each of
// the first kProbedComNumbers asked for by name.
void AddDosDevicePorts(std::vector<CSerialPort>& found) {
  std::vector<wchar_t> names(65536);
  for (int tries = 0; tries < 4; ++tries) {
    const DWORD length = ::QueryDosDeviceW(nullptr, names.data(), static_cast<DWORD>(names.size()));
    if (length != 0) {
      for (const wchar_t* name = names.data(); *name != L'\0' && name < names.data() + length;
           name += std::wcslen(name) + 1) {
        AddComName(found, Utf8FromWide(name));
      }
      break;
    }
    if (::GetLastError() != ERROR_INSUFFICIENT_BUFFER) break;
    names.resize(names.size() * 4);
  }
  wchar_t target[1024];
  for (unsigned n = 1; n <= kProbedComNumbers; ++n) {
    const std::wstring name = L"COM" + std::to_wstring(n);
    if (::QueryDosDeviceW(name.c_str(), target, 1024) != 0) AddComName(found, "COM" + std::to_string(n));
  }
}

void Settle(CSerialPort& port) {
  // Canonical "COMn", whatever case the registry keeps it in.
  if (const std::optional<unsigned> number = ComNumber(port.name)) port.name = "COM" + std::to_string(*number);
  port.device = PortDevicePath(port.name);
  port.exists = true;
  // Whether another program holds the port shows only when it is opened,
  // and a list opens none; a user needs no rights of their own for one.
  port.accessible = true;
}

}  // namespace

std::string PortDevicePath(const std::string& portName) {
  if (const std::optional<unsigned> number = ComNumber(portName)) return "\\\\.\\COM" + std::to_string(*number);
  return portName;
}

CSerialPorts FindSerialPorts(const std::string& /*root*/) {
  std::vector<CSerialPort> present = DevicesOfThePortsClass();
  AddAnnouncedPorts(present);
  AddDosDevicePorts(present);
  for (CSerialPort& port : present) Settle(port);
  std::sort(present.begin(), present.end(), PortOrder);

  CSerialPorts found;
  for (const std::string_view name : kStandardPorts) {
    const auto it = std::find_if(present.begin(), present.end(), [&](const CSerialPort& p) { return p.name == name; });
    if (it != present.end()) {
      found.ports.push_back(*it);
      present.erase(it);
      continue;
    }
    CSerialPort absent;
    absent.name = std::string(name);
    absent.device = PortDevicePath(absent.name);
    found.ports.push_back(std::move(absent));
  }
  const bool any = !present.empty() ||
                   std::any_of(found.ports.begin(), found.ports.end(), [](const CSerialPort& p) { return p.exists; });
  found.ports.insert(found.ports.end(), present.begin(), present.end());
  if (!any) {
    found.problem =
        "Последовательных портов не найдено: в диспетчере устройств нет портов COM, USB-адаптер не подключён.";
  }
  return found;
}

}  // namespace tkq
