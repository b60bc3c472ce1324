// The link's Windows half: COM names and the devices they stand for, the
// ports listed, and the advice for a port that does not open.

#include <windows.h>
// After <windows.h>.
#include <gtest/gtest.h>

#include <set>

#include "core/link/modbus.h"
#include "core/link/port_advice.h"
#include "core/link/serial_ports.h"

namespace tkq {
namespace {

TEST(WindowsPorts, ComNamesStandForTheirDevices) {
  EXPECT_EQ(PortDevicePath("COM1"), "\\\\.\\COM1");
  EXPECT_EQ(PortDevicePath("COM12"), "\\\\.\\COM12");  // past COM9 only the device name opens
  EXPECT_EQ(PortDevicePath("com3"), "\\\\.\\COM3");
  EXPECT_EQ(PortDevicePath("COM300"), "\\\\.\\COM300");  // port databases number past 256
  EXPECT_EQ(PortDevicePath("COM4096"), "\\\\.\\COM4096");
  EXPECT_EQ(PortDevicePath("COM0"), "COM0");
  EXPECT_EQ(PortDevicePath("COM"), "COM");
  EXPECT_EQ(PortDevicePath("COM99999999999"), "COM99999999999");
  EXPECT_EQ(PortDevicePath("COM1x"), "COM1x");
  EXPECT_EQ(PortDevicePath("\\\\.\\CNCA0"), "\\\\.\\CNCA0");
}

TEST(WindowsPorts, StandardNamesFirstThenEachPresentPortOnce) {
  const CSerialPorts found = FindSerialPorts();
  ASSERT_GE(found.ports.size(), kStandardPorts.size());
  std::set<std::string> names;
  bool anyPresent = false;
  for (size_t i = 0; i < found.ports.size(); ++i) {
    const CSerialPort& port = found.ports[i];
    if (i < kStandardPorts.size()) {
      EXPECT_EQ(port.name, kStandardPorts[i]);
    } else {
      EXPECT_TRUE(port.exists) << port.name;  // past the standard names only ports that are there
    }
    EXPECT_TRUE(names.insert(port.name).second) << port.name << " listed twice";
    EXPECT_EQ(port.device, PortDevicePath(port.name));
    anyPresent = anyPresent || port.exists;
    EXPECT_EQ(PortDescription(port) == "устройства нет", !port.exists) << port.name;
  }
  EXPECT_EQ(found.problem.empty(), anyPresent) << found.problem;
}

TEST(WindowsPorts, APortThatDoesNotOpenGetsAdvice) {
  CModbus link;
  link.SetConnection({.port = "COM250"});
  EXPECT_FALSE(link.OpenPort());
  EXPECT_EQ(PortAdvice("COM250", link.LastOpenError()).rfind("Порт COM250 не найден", 0), 0u) << link.LastOpenError();

  // A device that is no serial port is not taken for one.
  link.SetConnection({.port = "NUL"});
  EXPECT_FALSE(link.OpenPort());
  EXPECT_FALSE(link.IsPortOpen());

  EXPECT_EQ(PortAdvice("COM3", ERROR_ACCESS_DENIED), "Порт COM3 занят другой программой.");
  EXPECT_EQ(PortAdvice("COM3", ERROR_SUCCESS), "");
}

}  // namespace
}  // namespace tkq
