#pragma once
// The instrument's 8.3 file names (a name of exactly 8 characters and an
// extension of exactly 3, padded with blanks) and the names such files get
// on the computer ("Obj05_0 " + "arc" is "Obj05_0.arc", "System_0" + "dev"
// is "System_0.dev").

#include <cstdint>
#include <string>
#include <string_view>

namespace tkq {

// "Obj" + two digits + "_0 ": the 8-character name of an object's files.
std::string ObjectFileName(uint8_t objectNumber);
inline constexpr std::string_view kSystemFileName = "System_0";
inline constexpr std::string_view kSystemFileExt = "dev";

// The name on the computer: blanks at the end of either part dropped,
// joined by a point.
std::string HostFileName(std::string_view name8, std::string_view ext3);

// The reverse: false when the host name has no point or a part is longer
// than the instrument allows.
bool SplitHostFileName(std::string_view host, std::string& name8, std::string& ext3);

}  // namespace tkq
