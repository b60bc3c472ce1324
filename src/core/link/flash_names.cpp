#include "core/link/flash_names.h"

#include <cstdio>

namespace tkq {
namespace {

std::string_view TrimRight(std::string_view s) {
  while (!s.empty() && (s.back() == ' ' || s.back() == '\0')) s.remove_suffix(1);
  return s;
}

}  // namespace

std::string ObjectFileName(uint8_t objectNumber) {
  char name[16];
  std::snprintf(name, sizeof name, "Obj%s%u_0 ", objectNumber < 10 ? "0" : "", static_cast<unsigned>(objectNumber));
  return name;
}

std::string HostFileName(std::string_view name8, std::string_view ext3) {
  return std::string(TrimRight(name8)) + "." + std::string(TrimRight(ext3));
}

bool SplitHostFileName(std::string_view host, std::string& name8, std::string& ext3) {
  const size_t dot = host.rfind('.');
  if (dot == std::string_view::npos) return false;
  const std::string_view name = host.substr(0, dot);
  const std::string_view ext = host.substr(dot + 1);
  if (name.empty() || name.size() > 8 || ext.size() > 3) return false;
  name8 = std::string(name) + std::string(8 - name.size(), ' ');
  ext3 = std::string(ext) + std::string(3 - ext.size(), ' ');
  return true;
}

}  // namespace tkq
