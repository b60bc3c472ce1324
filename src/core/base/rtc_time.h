#pragma once
// The instrument's timestamp: seconds since 01.01.1970 00:00:00 on the
// instrument's own clock, shown exactly as the instrument counted them
// (no time zone, no daylight saving).

#include <cstddef>
#include <cstdint>
#include <string>

namespace tkq {

class CRTCTime {
 public:
  // Broken-down form; year codes 70..99 stand for 1970..1999, 0..69 for
  // 2000..2069 (and 70..106 from 2070 on, counted from 2000).
  struct Fields {
    uint8_t second = 0;
    uint8_t minute = 0;
    uint8_t hour = 0;
    uint8_t day = 1;
    uint8_t month = 1;
    uint8_t year = 70;
  };

  static constexpr size_t kTextLength = 19;  // "dd.mm.yyyy hh:mm:ss"

  virtual ~CRTCTime() = default;

  void SetSeconds(uint32_t seconds) { m_dwSeconds = seconds; }
  void SplitFields(Fields& fields) const;
  // "%02d.%02d.%04d %02d:%02d:%02d": day, month, year, hour, minute, second.
  void Format(std::string& text) const;

  // The text form without an object: writes exactly kTextLength characters.
  static void FormatInto(uint32_t seconds, char* out);
  static std::string Text(uint32_t seconds);

  uint32_t m_dwSeconds = 0;
};

}  // namespace tkq
