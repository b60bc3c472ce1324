#pragma once
// One line of advice for a serial port that would not open, when the
// reason is one the user can mend; empty otherwise.

#include <string>

namespace tkq {

// `err` is the channel's LastOpenError() for the failed open: errno on
// POSIX systems, where the advice names the device and, for a permission
// error, the group that serial devices belong to; Windows' error code
// there, where it names the port.
std::string PortAdvice(const std::string& portName, int err);

// Where devices belong to groups (POSIX systems only):

// The group whose members may open the device at `path`; "dialout", the
// usual one, when that cannot be told.
std::string DeviceGroup(const std::string& path);

// The advice for a device this user may not open: join `group`.
std::string NoAccessAdvice(const std::string& device, const std::string& group);

}  // namespace tkq
