#include "cli/console_text.h"

#include <algorithm>

namespace tkq::cli {

size_t WholeUtf8Prefix(std::string_view bytes) {
  const size_t size = bytes.size();
  // The last character's first byte lies at most three bytes back.
  for (size_t back = 1; back <= std::min<size_t>(3, size); ++back) {
    const auto byte = static_cast<unsigned char>(bytes[size - back]);
    if ((byte & 0xC0) == 0x80) continue;  // a continuation byte
    size_t length = 1;
    if (byte >= 0xC2 && byte <= 0xDF) {
      length = 2;
    } else if (byte >= 0xE0 && byte <= 0xEF) {
      length = 3;
    } else if (byte >= 0xF0 && byte <= 0xF4) {
      length = 4;
    }
    return length > back ? size - back : size;
  }
  // Continuation bytes with nothing to continue: no more will mend them.
  return size;
}

}  // namespace tkq::cli
