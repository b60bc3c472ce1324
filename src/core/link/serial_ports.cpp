#include "core/link/serial_ports.h"

#include <algorithm>

namespace tkq {
namespace {

// "FTDI" and "FTDI FT232R USB UART" make "FTDI FT232R USB UART", not the
// make twice: many adapters repeat it in the product's name.
std::string MakeAndModel(const CSerialPort& port) {
  if (port.manufacturer.empty()) return port.product;
  if (port.product.empty() || port.product.starts_with(port.manufacturer)) {
    return port.product.empty() ? port.manufacturer : port.product;
  }
  return port.manufacturer + " " + port.product;
}

std::string UsbAdapterText(const CSerialPort& port) {
  std::string text = "USB-адаптер";
  if (const std::string model = MakeAndModel(port); !model.empty()) text += " " + model;
  if (!port.serialNumber.empty()) text += ", серийный номер " + port.serialNumber;
  if (!port.usbId.empty()) text += " (" + port.usbId + ")";
  return text;
}

std::string KindText(const CSerialPort& port) {
  switch (port.kind) {
    case EPortKind::kUsbAdapter: return UsbAdapterText(port);
    case EPortKind::kBuiltIn: return "встроенный последовательный порт";
    case EPortKind::kEmptySlot: return "порта нет: устройство есть, микросхемы UART за ним нет";
    case EPortKind::kBluetooth: return "последовательный порт Bluetooth";
    case EPortKind::kUnknown: break;
  }
  return "последовательное устройство";
}

}  // namespace

int StandardPortIndex(std::string_view name) {
  const auto* found = std::find(kStandardPorts.begin(), kStandardPorts.end(), name);
  return found == kStandardPorts.end() ? -1 : static_cast<int>(found - kStandardPorts.begin());
}

std::string PortDescription(const CSerialPort& port) {
  if (!port.exists) return "устройства нет";
  std::string text = KindText(port);
  if (!port.friendlyName.empty()) text += ", «" + port.friendlyName + "»";
  if (!port.accessible && port.kind != EPortKind::kEmptySlot) {
    text += port.group.empty() ? "; нет прав доступа" : "; нет прав доступа (группа " + port.group + ")";
  }
  return text;
}

}  // namespace tkq
