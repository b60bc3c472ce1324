#pragma once
// What an instrument's identification string names: the firmware version
// key (its first 18 characters) and the instrument itself (what follows).

#include <string>

namespace tkq {

// The characters of the identification that name the firmware version.
inline constexpr size_t kVersionKeyLength = 18;

// The instrument's identification as the journal and the protocol name it:
// what follows the version key, trimmed; the version key when nothing
// follows.
std::string InstrumentOfDeviceId(const std::string& deviceId);

// The version key, trimmed: "TARVIK 59.11.03.04".
std::string VersionOfDeviceId(const std::string& deviceId);

}  // namespace tkq
