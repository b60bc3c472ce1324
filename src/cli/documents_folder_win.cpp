#include <windows.h>
// After <windows.h>, which they need.
#include <knownfolders.h>
#include <shlobj.h>

#include "cli/documents_folder.h"

namespace tkq::cli {

// A build without Qt: the known folder, as Qt finds it.
std::filesystem::path DocumentsFolder() {
  PWSTR folder = nullptr;
  std::filesystem::path path;
  if (SUCCEEDED(::SHGetKnownFolderPath(FOLDERID_Documents, KF_FLAG_DONT_VERIFY, nullptr, &folder))) {
    path = std::filesystem::path(folder);
  }
  ::CoTaskMemFree(folder);
  return path;
}

}  // namespace tkq::cli
