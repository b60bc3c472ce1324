#pragma once
// What the Windows halves of the core share: Windows' error codes in the
// terms the rest of the core reports in (errno values, whose texts are the
// same on every platform), and UTF-8 texts as the UTF-16 of Windows' wide
// functions. Windows only.

#include <string>

namespace tkq {

// The errno value nearest to a GetLastError() code; EIO when none is near.
int ErrnoOfWin32Error(unsigned long error);

// A UTF-8 text in the UTF-16 Windows' wide functions take, and back.
std::wstring WideFromUtf8(const std::string& text);
std::string Utf8FromWide(const std::wstring& text);

}  // namespace tkq
