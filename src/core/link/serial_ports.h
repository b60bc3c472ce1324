#pragma once
// The serial ports a user may choose: the standard names first, then every
// serial device found on the machine, each with the device it stands for
// and what it is. How ports are found and what device a name stands for is
// the platform's own (serial_ports_posix.cpp, serial_ports_win.cpp); this
// header is not.

#include <array>
#include <string>
#include <string_view>
#include <vector>

namespace tkq {

// The names users know from the instrument's papers. They are offered
// whether or not the machine has such ports, and a profile keeps a chosen
// one by its position here.
inline constexpr std::array<std::string_view, 4> kStandardPorts = {"COM1", "COM2", "COM3", "COM4"};

// The position of `name` in kStandardPorts; -1 for any other name.
int StandardPortIndex(std::string_view name);

// The device a port name stands for: COM1 is the platform's first serial
// port, and so on (a further COMn typed by hand goes on counting; on
// Windows COMn is the port of that name, "\\.\COMn"); any other name is
// a device path used as it stands.
std::string PortDevicePath(const std::string& portName);

enum class EPortKind {
  kUnknown,     // a device nothing more is known of
  kUsbAdapter,  // a USB serial adapter, or a USB device with a serial interface
  kBuiltIn,     // a UART of the machine itself
  kEmptySlot,   // a device node kept for a UART the machine does not have
  kBluetooth,
};

struct CSerialPort {
  std::string name;    // what --port takes and the connection dialog lists
  std::string device;  // the device node it stands for (where a link leads)
  EPortKind kind = EPortKind::kUnknown;
  // A USB device's own account of itself; each empty when it gives none.
  std::string manufacturer;
  std::string product;
  std::string serialNumber;
  std::string usbId;        // vendor and product, "0403:6001"
  // The name the system shows the user for the device (Windows' Device
  // Manager: "USB Serial Port (COM5)"); empty where it has none.
  std::string friendlyName;
  bool exists = false;      // the device node is there
  bool accessible = false;  // this user may open it for reading and writing
  std::string group;        // whose members may open it; empty without a device or groups
};

struct CSerialPorts {
  std::vector<CSerialPort> ports;
  // Why no port leads to a device this user can open, in words; empty when
  // one does.
  std::string problem;
};

// The ports of this machine, in the order they are offered. Every path
// looked at is taken under `root` (tests build a /dev and /sys of their own
// there); the names and devices returned never carry it. Windows asks the
// system, not paths, and takes no root.
CSerialPorts FindSerialPorts(const std::string& root = {});

// What the port is, for the user: the adapter's make, model and serial
// number, a built-in port, a missing device or one this user may not open.
std::string PortDescription(const CSerialPort& port);

}  // namespace tkq
