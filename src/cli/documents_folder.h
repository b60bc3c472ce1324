#pragma once
// The user's documents folder, where the survey journal lives unless
// --journal names another.

#include <filesystem>

namespace tkq::cli {

// The documents folder as the desktop program finds it, so that the two
// use one journal; empty when the system names none.
std::filesystem::path DocumentsFolder();

}  // namespace tkq::cli
