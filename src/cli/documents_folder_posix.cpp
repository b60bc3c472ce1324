#include <cstdlib>
#include <fstream>
#include <string>

#include "cli/documents_folder.h"

namespace tkq::cli {

// A build without Qt: the folder the desktop's user-dirs.dirs names
// (XDG_DOCUMENTS_DIR="$HOME/…"), else ~/Documents, as Qt finds it.
std::filesystem::path DocumentsFolder() {
  const char* home = std::getenv("HOME");
  if (home == nullptr || *home == '\0') return {};
  const char* config = std::getenv("XDG_CONFIG_HOME");
  const std::filesystem::path configDir =
      config != nullptr && *config == '/' ? std::filesystem::path(config) : std::filesystem::path(home) / ".config";
  std::ifstream dirs(configDir / "user-dirs.dirs");
  const std::string key = "XDG_DOCUMENTS_DIR=\"";
  for (std::string line; std::getline(dirs, line);) {
    if (!line.starts_with(key) || !line.ends_with('"')) continue;
    std::string value = line.substr(key.size(), line.size() - key.size() - 1);
    if (value.starts_with("$HOME")) value = home + value.substr(5);
    if (value.starts_with('/')) return std::filesystem::path(value);
  }
  return std::filesystem::path(home) / "Documents";
}

}  // namespace tkq::cli
