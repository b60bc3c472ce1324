#pragma once
// What the Windows half of the file layer offers beyond file_io.h. Windows
// only.

#include <functional>
#include <string>

namespace tkq {

// For tests: sees every name handed to Windows' file calls, as handed.
// An empty function removes it.
void SetWin32NameObserver(std::function<void(const std::wstring&)> observer);

}  // namespace tkq
