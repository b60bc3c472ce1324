#pragma once
// A file name from a Qt string for the core's file functions. Through
// UTF-16, so that a Cyrillic name is the same file on every system
// (std::filesystem takes a plain std::string in the ANSI code page on
// Windows).

#include <QString>
#include <filesystem>

namespace tkq::render {

inline std::filesystem::path FsPath(const QString& name) { return std::filesystem::path(name.toStdU16String()); }

// And back: a path of the core as Qt names files, with '/' between folders.
inline QString QtPath(const std::filesystem::path& path) { return QString::fromStdU16String(path.generic_u16string()); }

}  // namespace tkq::render
