#pragma once
// File names as the program's texts hold them (UTF-8) and as the file
// system takes them. A path made from a std::string, or turned into one
// with string(), goes through the ANSI code page on Windows, which cannot
// hold a Cyrillic name; these go through UTF-8 on every platform.

#include <filesystem>
#include <string>
#include <string_view>

namespace tkq {

inline std::filesystem::path PathFromUtf8(std::string_view text) {
  return std::filesystem::path(std::u8string(text.begin(), text.end()));
}

inline std::string PathToUtf8(const std::filesystem::path& path) {
  const std::u8string text = path.u8string();
  return std::string(text.begin(), text.end());
}

// A path as a message shows it: with the system's own separators
// (backslashes on Windows, whatever a file dialog handed over), in UTF-8.
inline std::string DisplayPath(std::filesystem::path path) { return PathToUtf8(path.make_preferred()); }

}  // namespace tkq
