#include "core/archive/device_id.h"

#include <string_view>

#include "core/base/cp1251.h"

namespace tkq {
namespace {

std::string Trimmed(std::string_view s) {
  const size_t b = s.find_first_not_of(' ');
  if (b == std::string_view::npos) return {};
  return std::string(s.substr(b, s.find_last_not_of(' ') - b + 1));
}

}  // namespace

std::string InstrumentOfDeviceId(const std::string& deviceId) {
  const std::string_view key = Utf8Prefix(deviceId, kVersionKeyLength);
  std::string rest = Trimmed(std::string_view(deviceId).substr(key.size()));
  return rest.empty() ? Trimmed(key) : rest;
}

std::string VersionOfDeviceId(const std::string& deviceId) { return Trimmed(Utf8Prefix(deviceId, kVersionKeyLength)); }

}  // namespace tkq
