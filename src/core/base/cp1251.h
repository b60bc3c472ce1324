#pragma once
// Code page 1251 at the edges of the program: description file, saved
// archives, reports and the instrument's own texts. Inside, text is UTF-8.

#include <string>
#include <string_view>

namespace tkq {

// Every byte maps to one character; 0x98, which the code page leaves
// undefined, maps to U+0098 so that any byte string survives a round trip.
std::string Cp1251ToUtf8(std::string_view bytes);

// Characters the code page cannot hold, and malformed UTF-8, become '?'.
std::string Utf8ToCp1251(std::string_view utf8);

// Wide strings met in stored files: UTF-16 code units (surrogate pairs
// and unmappable characters become '?').
std::string Utf16ToCp1251(std::u16string_view text);

// Number of characters (code points) in a UTF-8 text.
size_t Utf8Length(std::string_view utf8);

// The first `n` characters of a UTF-8 text (all of it when shorter).
std::string_view Utf8Prefix(std::string_view utf8, size_t n);

// Decodes the code point at `i` and advances past it; a malformed
// sequence yields U+FFFD and advances by one byte.
char32_t DecodeUtf8(std::string_view utf8, size_t& i);

}  // namespace tkq
