#include "core/description/number_format.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdio>

#include "core/storage/load_error.h"

namespace tkq {
namespace {

constexpr int kMaxWidth = 100;

[[noreturn]] void Refuse(std::string_view format, const char* why) {
  throw CParamDecodeError("формат числа «" + std::string(format) + "»: " + why);
}

int ReadNumber(std::string_view f, size_t& i) {
  int n = 0;
  while (i < f.size() && f[i] >= '0' && f[i] <= '9') {
    n = std::min(n * 10 + (f[i] - '0'), 10000);
    ++i;
  }
  return n;
}

int32_t TruncateToInt32(double v) {
  // What the processor's truncating conversion gives: out-of-range values
  // and NaN become the "integer indefinite" value.
  if (!(v > -2147483649.0 && v < 2147483648.0)) return INT32_MIN;
  return static_cast<int32_t>(v);
}

template <class T>
std::string Apply(std::string_view format, const std::string& conversion, T value) {
  const int n = std::snprintf(nullptr, 0, conversion.c_str(), value);
  if (n < 0) Refuse(format, "не применяется к значению");
  std::string piece(static_cast<size_t>(n) + 1, '\0');
  std::snprintf(piece.data(), piece.size(), conversion.c_str(), value);
  piece.resize(static_cast<size_t>(n));
  return piece;
}

}  // namespace

std::string FormatNumber(std::string_view format, const NumberArg& arg) {
  std::string out;
  bool converted = false;
  size_t i = 0;
  while (i < format.size()) {
    const char c = format[i++];
    if (c != '%') {
      out.push_back(c);
      continue;
    }
    if (i < format.size() && format[i] == '%') {
      out.push_back('%');
      ++i;
      continue;
    }
    if (converted) Refuse(format, "больше одного преобразования");
    std::string conversion = "%";
    while (i < format.size() && std::string_view("-+ #0").find(format[i]) != std::string_view::npos) {
      conversion.push_back(format[i++]);
    }
    if (i < format.size() && format[i] == '*') Refuse(format, "ширина из аргументов");
    const int width = std::min(ReadNumber(format, i), kMaxWidth);
    if (width > 0) conversion += std::to_string(width);
    if (i < format.size() && format[i] == '.') {
      ++i;
      if (i < format.size() && format[i] == '*') Refuse(format, "точность из аргументов");
      conversion += '.';
      conversion += std::to_string(std::min(ReadNumber(format, i), kMaxWidth));
    }
    // Length modifiers, including the I64/I32 forms of some C libraries.
    while (i < format.size()) {
      const char m = format[i];
      if (m == 'h' || m == 'l' || m == 'L' || m == 'q' || m == 'j' || m == 'z' || m == 't') {
        ++i;
      } else if (m == 'I' && format.substr(i, 3) == "I64") {
        i += 3;
      } else if (m == 'I' && format.substr(i, 3) == "I32") {
        i += 3;
      } else {
        break;
      }
    }
    if (i >= format.size()) Refuse(format, "нет преобразования");
    const char conv = format[i++];
    std::string piece;
    if (std::string_view("diouxX").find(conv) != std::string_view::npos) {
      uint32_t bits = 0;
      if (arg.kind == NumberArg::EKind::kFloat) {
        bits = static_cast<uint32_t>(TruncateToInt32(arg.real));
      } else {
        bits = static_cast<uint32_t>(arg.integer);
      }
      if (conv == 'd' || conv == 'i') {
        conversion.push_back(conv);
        piece = Apply(format, conversion, static_cast<int>(static_cast<int32_t>(bits)));
      } else {
        // A sign or a blank for it is the signed conversions' alone: some C
        // libraries put the blank before an unsigned number all the same.
        std::erase_if(conversion, [](char flag) { return flag == ' ' || flag == '+'; });
        conversion.push_back(conv);
        piece = Apply(format, conversion, static_cast<unsigned>(bits));
      }
    } else if (std::string_view("fFeEgGaA").find(conv) != std::string_view::npos) {
      double v = arg.real;
      if (arg.kind == NumberArg::EKind::kSigned) v = static_cast<double>(static_cast<int32_t>(arg.integer));
      if (arg.kind == NumberArg::EKind::kUnsigned) v = static_cast<double>(static_cast<uint32_t>(arg.integer));
      conversion.push_back(conv);
      piece = Apply(format, conversion, v);
    } else {
      Refuse(format, "преобразование не для чисел");
    }
    out += piece;
    converted = true;
  }
  return out;
}

}  // namespace tkq
