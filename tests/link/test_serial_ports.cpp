// The ports offered, found in a /dev and /sys of the test's own: their
// order and rules, what a USB adapter says of itself, and why nothing
// usable was found.

#include <gtest/gtest.h>
#ifndef _WIN32
#include <unistd.h>
#endif

#include <fstream>
#include <set>

#include "core/link/serial_ports.h"
#include "support/test_support.h"

namespace tkq {
namespace {

#ifdef _WIN32
TEST(SerialPorts, FoundInDevAndSys) {
  GTEST_SKIP() << "Windows asks the system, not /dev and /sys, for its ports: test_win_link.cpp tests that";
}
#else

namespace fs = std::filesystem;

void Put(const fs::path& path, const std::string& text = {}) {
  fs::create_directories(path.parent_path());
  std::ofstream(path) << text;
}

std::vector<std::string> Names(const CSerialPorts& found) {
  std::vector<std::string> names;
  for (const CSerialPort& port : found.ports) names.push_back(port.name);
  return names;
}

const CSerialPort* Port(const CSerialPorts& found, const std::string& name) {
  for (const CSerialPort& port : found.ports) {
    if (port.name == name) return &port;
  }
  return nullptr;
}

TEST(SerialPorts, OrderAndWhichDevicesAreOffered) {
  test::TempDir root;
  for (const char* name : {"ttyUSB10", "ttyUSB2", "ttyACM0", "ttyAMA1", "rfcomm0", "ttyS0", "ttyS3", "ttyS4", "ttyS12",
                           "ttyS5", "tty1", "ttyUSB", "console"}) {
    Put(root / "dev" / name);
  }
  fs::create_directories(root / "dev/serial/by-id");
  fs::create_symlink("../../ttyUSB2", root / "dev/serial/by-id/usb-FTDI_B-port0");
  fs::create_symlink("../../missing", root / "dev/serial/by-id/usb-FTDI_A-port0");
  // ttyS5 is a reserved slot without a UART, ttyS4 a real one.
  Put(root / "sys/class/tty/ttyS5/type", "0\n");
  Put(root / "sys/class/tty/ttyS4/type", "4\n");

  const std::vector<std::string> expected = {"COM1",
                                             "COM2",
                                             "COM3",
                                             "COM4",
                                             "/dev/serial/by-id/usb-FTDI_A-port0",
                                             "/dev/serial/by-id/usb-FTDI_B-port0",
                                             "/dev/ttyUSB2",
                                             "/dev/ttyUSB10",
                                             "/dev/ttyACM0",
                                             "/dev/ttyAMA1",
                                             "/dev/rfcomm0",
                                             "/dev/ttyS4",
                                             "/dev/ttyS12"};
  const CSerialPorts found = FindSerialPorts(root.Path().string());
  EXPECT_EQ(Names(found), expected);
  EXPECT_EQ(Port(found, "COM4")->device, "/dev/ttyS3");
  EXPECT_TRUE(Port(found, "COM4")->exists);
  EXPECT_EQ(PortDescription(*Port(found, "COM2")), "устройства нет");
  EXPECT_EQ(Port(found, "/dev/serial/by-id/usb-FTDI_A-port0")->device, "/dev/missing");
  EXPECT_EQ(Port(found, "/dev/serial/by-id/usb-FTDI_B-port0")->device, "/dev/ttyUSB2");

  // On this machine: COM1..COM4 first, nothing twice.
  const std::vector<std::string> real = Names(FindSerialPorts());
  ASSERT_GE(real.size(), 4u);
  EXPECT_EQ(std::vector<std::string>(real.begin(), real.begin() + 4),
            (std::vector<std::string>{"COM1", "COM2", "COM3", "COM4"}));
  EXPECT_EQ(std::set<std::string>(real.begin(), real.end()).size(), real.size());
}

TEST(SerialPorts, AUsbAdapterIsNamedByItsMakeModelAndSerialNumber) {
  test::TempDir root;
  Put(root / "dev/ttyUSB0");
  fs::create_directories(root / "dev/serial/by-id");
  fs::create_symlink("../../ttyUSB0", root / "dev/serial/by-id/usb-FTDI_FT232R_USB_UART_A50285BI-if00-port0");
  // sysfs: the tty's device is the adapter's port on an interface of the USB device.
  const fs::path usb = root / "sys/devices/pci0000:00/0000:00:14.0/usb1/1-2";
  fs::create_directories(usb / "1-2:1.0/ttyUSB0");
  for (const auto& [file, text] : {std::pair{"manufacturer", "FTDI\n"},
                                   {"product", "FT232R USB UART\n"},
                                   {"serial", "A50285BI\n"},
                                   {"idVendor", "0403\n"},
                                   {"idProduct", "6001\n"}}) {
    Put(usb / file, text);
  }
  fs::create_directories(root / "sys/class/tty/ttyUSB0");
  fs::create_symlink("../../../devices/pci0000:00/0000:00:14.0/usb1/1-2/1-2:1.0/ttyUSB0",
                     root / "sys/class/tty/ttyUSB0/device");

  const CSerialPorts found = FindSerialPorts(root.Path().string());
  const CSerialPort* adapter = Port(found, "/dev/serial/by-id/usb-FTDI_FT232R_USB_UART_A50285BI-if00-port0");
  ASSERT_NE(adapter, nullptr);
  EXPECT_EQ(adapter->device, "/dev/ttyUSB0");
  EXPECT_EQ(adapter->kind, EPortKind::kUsbAdapter);
  EXPECT_EQ(PortDescription(*adapter), "USB-адаптер FTDI FT232R USB UART, серийный номер A50285BI (0403:6001)");
  EXPECT_EQ(PortDescription(*Port(found, "/dev/ttyUSB0")), PortDescription(*adapter));
  EXPECT_EQ(found.problem, "");
}

TEST(SerialPorts, NothingUsableFoundSaysWhy) {
  test::TempDir root;
  const CSerialPorts none = FindSerialPorts(root.Path().string());
  EXPECT_EQ(Names(none), (std::vector<std::string>{"COM1", "COM2", "COM3", "COM4"}));
  EXPECT_NE(none.problem.find("не найдено"), std::string::npos) << none.problem;

  // Nodes for UARTs the machine does not have are no ports either.
  for (const char* name : {"ttyS0", "ttyS1", "ttyS2", "ttyS3"}) {
    Put(root / "dev" / name);
    Put(root / "sys/class/tty" / name / "type", "0\n");
  }
  const CSerialPorts slots = FindSerialPorts(root.Path().string());
  EXPECT_EQ(slots.ports[0].kind, EPortKind::kEmptySlot);
  EXPECT_EQ(slots.problem, none.problem);

  Put(root / "sys/class/tty/ttyS1/type", "4\n");
  const CSerialPorts one = FindSerialPorts(root.Path().string());
  EXPECT_EQ(PortDescription(one.ports[1]), "встроенный последовательный порт");
  EXPECT_EQ(one.problem, "");
}

TEST(SerialPorts, ADeviceThisUserMayNotOpenNamesTheGroup) {
  if (::geteuid() == 0) GTEST_SKIP() << "root may open any device";
  test::TempDir root;
  Put(root / "dev/ttyUSB0");
  fs::permissions(root / "dev/ttyUSB0", fs::perms::owner_read);
  const CSerialPorts found = FindSerialPorts(root.Path().string());
  const CSerialPort* adapter = Port(found, "/dev/ttyUSB0");
  ASSERT_NE(adapter, nullptr);
  EXPECT_FALSE(adapter->accessible);
  EXPECT_NE(PortDescription(*adapter).find("нет прав доступа (группа " + adapter->group + ")"), std::string::npos);
  EXPECT_EQ(found.problem.find("Нет прав на доступ к /dev/ttyUSB0: добавьте пользователя в группу " + adapter->group),
            0u)
      << found.problem;
}

TEST(SerialPorts, StandardNamesAndTheirDevices) {
  EXPECT_EQ(StandardPortIndex("COM4"), 3);
  EXPECT_EQ(StandardPortIndex("COM5"), -1);
  EXPECT_EQ(PortDevicePath("COM12"), "/dev/ttyS11");
  EXPECT_EQ(PortDevicePath("COM0"), "COM0");
}

#endif

}  // namespace
}  // namespace tkq
