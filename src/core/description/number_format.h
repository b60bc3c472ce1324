#pragma once
// Applying the description's printf-style number formats safely. A format
// comes from a file the user may edit, so it is parsed here and applied
// with exactly one argument of the kind its conversion expects; a format
// that asks for anything else (a string, a pointer, a second argument, a
// width taken from the arguments) is refused with CParamDecodeError
// (core/storage/load_error.h): the description is damaged.

#include <cstdint>
#include <string>
#include <string_view>

namespace tkq {

struct NumberArg {
  enum class EKind { kSigned, kUnsigned, kFloat };
  EKind kind;
  int64_t integer = 0;  // kSigned: an int32 value; kUnsigned: a uint32 value
  double real = 0.0;    // kFloat

  static NumberArg Signed(int32_t v) { return {EKind::kSigned, v, 0.0}; }
  static NumberArg Unsigned(uint32_t v) { return {EKind::kUnsigned, v, 0.0}; }
  static NumberArg Float(double v) { return {EKind::kFloat, 0, v}; }
};

// Formats `arg` with `format` (POSIX printf conventions, decimal point ".").
// An integer conversion shows a float truncated toward zero; a floating
// conversion shows an integer's value. Length modifiers (l, ll, h, ...) are
// accepted and ignored: the argument is always 32 bits or a double.
std::string FormatNumber(std::string_view format, const NumberArg& arg);

}  // namespace tkq
