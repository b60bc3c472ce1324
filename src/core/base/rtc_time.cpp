#include "core/base/rtc_time.h"

namespace tkq {
namespace {

struct CivilDate {
  int year;
  unsigned month;
  unsigned day;
};

// Gregorian date of a day count since 01.01.1970. Within 1970..2069 this is
// the instrument's own rule (every year code divisible by 4 is a leap year);
// from 2070 to 2106 it keeps counting correctly instead of wrapping.
CivilDate CivilFromDays(int64_t z) {
  z += 719468;
  const int64_t era = (z >= 0 ? z : z - 146096) / 146097;
  const auto doe = static_cast<unsigned>(z - era * 146097);
  const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const int64_t y = static_cast<int64_t>(yoe) + era * 400;
  const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const unsigned mp = (5 * doy + 2) / 153;
  const unsigned d = doy - (153 * mp + 2) / 5 + 1;
  const unsigned m = mp < 10 ? mp + 3 : mp - 9;
  return {static_cast<int>(y + (m <= 2)), m, d};
}

inline void Put2(char* out, unsigned v) {
  out[0] = static_cast<char>('0' + v / 10 % 10);
  out[1] = static_cast<char>('0' + v % 10);
}

}  // namespace

void CRTCTime::SplitFields(Fields& f) const {
  const uint32_t s = m_dwSeconds;
  const CivilDate date = CivilFromDays(s / 86400);
  const uint32_t rest = s % 86400;
  f.day = static_cast<uint8_t>(date.day);
  f.month = static_cast<uint8_t>(date.month);
  f.year = static_cast<uint8_t>(date.year < 2000 ? date.year - 1900 : date.year - 2000);
  f.hour = static_cast<uint8_t>(rest / 3600);
  f.minute = static_cast<uint8_t>(rest % 3600 / 60);
  f.second = static_cast<uint8_t>(rest % 60);
}

void CRTCTime::FormatInto(uint32_t seconds, char* out) {
  const CivilDate date = CivilFromDays(seconds / 86400);
  const uint32_t rest = seconds % 86400;
  Put2(out, date.day);
  out[2] = '.';
  Put2(out + 3, date.month);
  out[5] = '.';
  Put2(out + 6, static_cast<unsigned>(date.year / 100));
  Put2(out + 8, static_cast<unsigned>(date.year % 100));
  out[10] = ' ';
  Put2(out + 11, rest / 3600);
  out[13] = ':';
  Put2(out + 14, rest % 3600 / 60);
  out[16] = ':';
  Put2(out + 17, rest % 60);
}

std::string CRTCTime::Text(uint32_t seconds) {
  std::string text(kTextLength, ' ');
  FormatInto(seconds, text.data());
  return text;
}

void CRTCTime::Format(std::string& text) const { text = Text(m_dwSeconds); }

}  // namespace tkq
