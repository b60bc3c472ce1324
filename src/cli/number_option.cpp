#include "number_option.h"

#include <charconv>

namespace tkq::cli {

std::optional<int64_t> ParseDecimal(std::string_view text, int64_t lo, int64_t hi) {
  if (text.empty() || text.front() < '0' || text.front() > '9') return std::nullopt;
  int64_t number = 0;
  const char* end = text.data() + text.size();
  const auto [stop, error] = std::from_chars(text.data(), end, number);
  if (error != std::errc() || stop != end || number < lo || number > hi) return std::nullopt;
  return number;
}

std::string NumberError(const std::string& name, std::string_view text, int64_t lo, int64_t hi) {
  return name + " must be a number from " + std::to_string(lo) + " to " + std::to_string(hi) + ", not \"" +
         std::string(text) + "\"";
}

}  // namespace tkq::cli
