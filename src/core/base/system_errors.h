#pragma once
// The system's reasons for a failed file call as the user is shown them:
// in the program's own Russian words for the common ones (a file missing,
// access denied, the disk full or read-only, a file held by another
// program, a folder where a file was meant), the system's own text for the
// rest.

#include <exception>
#include <string>
#include <system_error>

namespace tkq {

// Memory that ran out, wherever it is said.
inline constexpr const char* kReasonNoMemory = "недостаточно памяти";

// Ours for an errno value; null when there is none.
const char* RussianErrnoReason(int err);

// Ours for a Windows GetLastError() code (taken as a number, so that the
// table is the same on every system); null when there is none.
const char* RussianWin32Reason(unsigned long code);

// The reason for `ec`: ours where there is one, else ec.message().
std::string ErrorReason(const std::error_code& ec);

// The reason for an errno value.
std::string ErrnoReason(int err);

// What the user is shown of an exception: its text, which every error of
// ours words in Russian; memory that ran out (the library's
// "std::bad_alloc") in our words.
std::string ErrorDetail(const std::exception& e);

// Ours for a code of std::system_category(): an errno value on POSIX, a
// GetLastError() code on Windows; null when there is none.
const char* RussianSystemReason(int code);

}  // namespace tkq
