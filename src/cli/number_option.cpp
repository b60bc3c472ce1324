#include "cli/number_option.h"

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

std::optional<std::vector<int>> ParseNumberList(std::string_view text, int64_t lo, int64_t hi) {
  std::vector<int> numbers;
  size_t from = 0;
  while (from <= text.size()) {
    size_t comma = text.find(',', from);
    if (comma == std::string_view::npos) comma = text.size();
    const std::string_view item = text.substr(from, comma - from);
    const size_t dash = item.find('-');
    const std::optional<int64_t> first = ParseDecimal(item.substr(0, dash), lo, hi);
    const std::optional<int64_t> last =
        dash == std::string_view::npos ? first : ParseDecimal(item.substr(dash + 1), lo, hi);
    if (!first || !last || *last < *first) return std::nullopt;
    for (int64_t n = *first; n <= *last; ++n) numbers.push_back(static_cast<int>(n));
    from = comma + 1;
  }
  return numbers;
}

std::string NumberError(const std::string& name, std::string_view text, int64_t lo, int64_t hi) {
  return name + " must be a number from " + std::to_string(lo) + " to " + std::to_string(hi) + ", not \"" +
         std::string(text) + "\"";
}

}  // namespace tkq::cli
