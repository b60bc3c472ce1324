#include "core/output/text_forms.h"

#include <charconv>
#include <cstdio>
#include <cstring>

namespace tkq {
namespace {

// Right-aligns a fixed-point rendering in `width` characters, as printf's
// "%<width>.<precision>f" does (to_chars rounds exactly as printf).
size_t AppendFixed(char* out, double value, int width, int precision, char decimal) {
  char digits[64];
  const auto result = std::to_chars(digits, digits + sizeof digits, value, std::chars_format::fixed, precision);
  size_t len = result.ec == std::errc{} ? static_cast<size_t>(result.ptr - digits) : 0;
  if (len == 0) {
    len = static_cast<size_t>(std::snprintf(digits, sizeof digits, "%.*f", precision, value));
    len = std::min(len, sizeof digits - 1);
  }
  size_t pad = len < static_cast<size_t>(width) ? static_cast<size_t>(width) - len : 0;
  std::memset(out, ' ', pad);
  std::memcpy(out + pad, digits, len);
  if (decimal != '.') {
    for (size_t i = pad; i < pad + len; ++i) {
      if (out[i] == '.') out[i] = decimal;
    }
  }
  return pad + len;
}

}  // namespace

size_t AppendSequenceNumber(char* out, uint32_t n) {
  char digits[16];
  const auto result = std::to_chars(digits, digits + sizeof digits, n);
  const auto len = static_cast<size_t>(result.ptr - digits);
  const size_t pad = len < 5 ? 5 - len : 0;
  std::memset(out, ' ', pad);
  std::memcpy(out + pad, digits, len);
  return pad + len;
}

size_t AppendValue(char* out, float value, char decimal) { return AppendFixed(out, value, 16, 4, decimal); }

size_t AppendArchivingPercent(char* out, float value, char decimal) {
  const size_t len = AppendFixed(out, value, 6, 2, decimal);
  out[len] = '%';
  return len + 1;
}

std::string FormatSequenceNumber(uint32_t n) {
  char buf[64];
  return std::string(buf, AppendSequenceNumber(buf, n));
}

std::string FormatValue(float value, char decimal) {
  char buf[128];
  return std::string(buf, AppendValue(buf, value, decimal));
}

std::string FormatArchivingPercent(float value, char decimal) {
  char buf[128];
  return std::string(buf, AppendArchivingPercent(buf, value, decimal));
}

std::string FormatReadTime(int64_t seconds) {
  const auto t = static_cast<std::time_t>(seconds);
  std::tm local{};
  if (localtime_r(&t, &local) == nullptr) return {};
  char buf[64];
  const size_t n = std::strftime(buf, sizeof buf, "%d.%m.%Y %H.%M.%S", &local);
  return std::string(buf, n);
}

std::string ObjectTitle(uint8_t objectNumber, int64_t readTime) {
  char buf[64];
  std::snprintf(buf, sizeof buf, "Архив объекта № %2u  ", static_cast<unsigned>(objectNumber));
  return std::string(buf) + "считан " + FormatReadTime(readTime);
}

std::string ArchiveFileStem(uint8_t objectNumber, int64_t readTime) {
  char buf[64];
  std::snprintf(buf, sizeof buf, "Объект %02u", static_cast<unsigned>(objectNumber));
  std::string stem(buf);
  const auto t = static_cast<std::time_t>(readTime);
  std::tm local{};
  if (readTime > 0 && localtime_r(&t, &local) != nullptr) {
    const size_t n = std::strftime(buf, sizeof buf, " %Y-%m-%d", &local);
    stem.append(buf, n);
  }
  return stem;
}

}  // namespace tkq
