#pragma once
// Text on its way to a console that takes whole characters only.

#include <cstddef>
#include <string_view>

namespace tkq::cli {

// How much of the UTF-8 `bytes` ends with whole characters: all of it, or
// all but a multi-byte sequence begun at its end and not yet complete,
// which waits for the bytes of the next write. Bytes that cannot begin or
// continue any sequence are let through, to be shown as what they are.
size_t WholeUtf8Prefix(std::string_view bytes);

}  // namespace tkq::cli
