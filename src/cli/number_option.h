#pragma once
// Options that take whole numbers, read strictly: decimal digits only, no
// sign, blanks, base prefix or trailing text.

#include <CLI/CLI.hpp>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tkq::cli {

// The number `text` writes, when it is one from lo to hi.
std::optional<int64_t> ParseDecimal(std::string_view text, int64_t lo, int64_t hi);

// The numbers a list such as "1,3,5-7" names (1 3 5 6 7, in the order
// written), when each item is a number from lo to hi or a rising range of
// them; nothing for anything else (an empty item, a blank, a falling range).
std::optional<std::vector<int>> ParseNumberList(std::string_view text, int64_t lo, int64_t hi);

// "--name must be a number from lo to hi, not "text"".
std::string NumberError(const std::string& name, std::string_view text, int64_t lo, int64_t hi);

// Adds an option taking a number from lo to hi into `value`; anything else
// is a usage error that names the option.
template <class T>
CLI::Option* AddNumberOption(CLI::App& command, const std::string& name, T& value, int64_t lo, int64_t hi,
                             const std::string& description) {
  return command
      .add_option_function<std::string>(
          name,
          [&value, name, lo, hi](const std::string& text) {
            const std::optional<int64_t> number = ParseDecimal(text, lo, hi);
            if (!number) throw CLI::ValidationError(NumberError(name, text, lo, hi));
            value = static_cast<T>(*number);
          },
          description)
      ->type_name("N");
}

}  // namespace tkq::cli
