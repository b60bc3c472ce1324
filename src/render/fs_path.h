#pragma once
// A file name from a Qt string for the core's file functions. Through
// UTF-16, so that a Cyrillic name is the same file on every system
// (std::filesystem takes a plain std::string in the ANSI code page on
// Windows).

#include <QString>
#include <filesystem>

namespace tkq::render {

inline std::filesystem::path FsPath(const QString& name) { return std::filesystem::path(name.toStdU16String()); }

}  // namespace tkq::render
