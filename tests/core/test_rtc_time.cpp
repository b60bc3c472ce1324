// The instrument's timestamp and its text form.

#include <gtest/gtest.h>

#include "core/base/rtc_time.h"

namespace tkq {
namespace {

std::string Text(uint32_t s) {
  CRTCTime t;
  t.SetSeconds(s);
  std::string text;
  t.Format(text);
  return text;
}

TEST(RTCTime, FormatsTheInstrumentsCount) {
  EXPECT_EQ(Text(0), "01.01.1970 00:00:00");
  EXPECT_EQ(Text(946684800 - 1), "31.12.1999 23:59:59");
  EXPECT_EQ(Text(946684800), "01.01.2000 00:00:00");
  EXPECT_EQ(Text(946684800 + 59 * 86400), "29.02.2000 00:00:00");
  EXPECT_EQ(Text(1336780800), "12.05.2012 00:00:00");
  EXPECT_EQ(Text(1328090400), "01.02.2012 10:00:00");
  // Past 2069 the count goes on instead of wrapping to 1970.
  EXPECT_EQ(Text(3155760000u), "01.01.2070 00:00:00");
  EXPECT_EQ(Text(4107542400u), "01.03.2100 00:00:00");  // 2100 is no leap year
  EXPECT_EQ(Text(0xFFFFFFFFu), "07.02.2106 06:28:15");
}

// The instrument's own rule, year by year and month by month, for the
// range it covers (year codes 70..99 and 0..69).
CRTCTime::Fields ReferenceSplit(uint32_t s) {
  CRTCTime::Fields f;
  unsigned year = 70;
  if (s >= 946684800) {
    year = 0;
    s -= 946684800;
  }
  auto yearLength = [](unsigned y) { return (y % 4 == 0 ? 366u : 365u) * 86400u; };
  while (s >= yearLength(year)) {
    s -= yearLength(year);
    ++year;
  }
  const unsigned days[] = {31, year % 4 == 0 ? 29u : 28u, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  unsigned month = 0;
  while (s >= days[month] * 86400u) s -= days[month++] * 86400u;
  f.year = static_cast<uint8_t>(year);
  f.month = static_cast<uint8_t>(month + 1);
  f.day = static_cast<uint8_t>(s / 86400 + 1);
  const uint32_t r = s % 86400;
  f.hour = static_cast<uint8_t>(r / 3600);
  f.minute = static_cast<uint8_t>(r % 3600 / 60);
  f.second = static_cast<uint8_t>(r % 60);
  return f;
}

TEST(RTCTime, SplitsAsTheInstrumentCountsThroughAHundredYears) {
  // 01.01.2070 is 3155760000.
  for (uint64_t s = 0; s < 3155760000u; s += 86400u * 7 + 3671) {
    CRTCTime t;
    t.SetSeconds(static_cast<uint32_t>(s));
    CRTCTime::Fields got;
    t.SplitFields(got);
    const CRTCTime::Fields want = ReferenceSplit(static_cast<uint32_t>(s));
    ASSERT_EQ(got.year, want.year) << s;
    ASSERT_EQ(got.month, want.month) << s;
    ASSERT_EQ(got.day, want.day) << s;
    ASSERT_EQ(got.hour, want.hour) << s;
    ASSERT_EQ(got.minute, want.minute) << s;
    ASSERT_EQ(got.second, want.second) << s;
  }
}

}  // namespace
}  // namespace tkq
