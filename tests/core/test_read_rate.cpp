// The figures of a transfer in progress: kilobytes, rate and time left.

#include <gtest/gtest.h>

#include "core/base/read_rate.h"

namespace tkq {
namespace {

TEST(ReadRate, KilobytesWithOneDecimalAndAComma) {
  EXPECT_EQ(KilobytesText(0), "0,0 КБ");
  EXPECT_EQ(KilobytesText(1536), "1,5 КБ");
  EXPECT_EQ(KilobytesText(1023), "1,0 КБ");  // 0.999 rounds up
  EXPECT_EQ(KilobytesText(1075), "1,0 КБ");  // 1.0498
  EXPECT_EQ(KilobytesText(1076), "1,1 КБ");  // 1.0508
  EXPECT_EQ(KilobytesText(1126), "1,1 КБ");  // 1.0996 (1.1 is 1126.4 bytes)
  EXPECT_EQ(KilobytesText(10 * 1024 * 1024), "10240,0 КБ");
}

TEST(ReadRate, NoneBeforeTheFirstByteOrTooEarly) {
  EXPECT_FALSE(TransferRate(0, 1000, 5.0, 0.2));
  EXPECT_FALSE(TransferRate(100, 1000, 0.0, 0.2));  // no time elapsed: no division by zero
  EXPECT_FALSE(TransferRate(100, 1000, 0.2, 0.2));
  EXPECT_TRUE(TransferRate(100, 1000, 0.21, 0.2));
}

TEST(ReadRate, RateAndTimeLeft) {
  const auto rate = TransferRate(3072, 3072 + 2048 * 125, 2.0, 0.2);
  ASSERT_TRUE(rate);
  EXPECT_EQ(rate->bytesPerSecond, 1536u);
  EXPECT_EQ(rate->secondsLeft, 166);  // 256000 bytes at 1536 a second: 166.7, cut
  EXPECT_EQ(RateText(*rate), "1,5 КБ/с");
  EXPECT_EQ(TimeLeftText(*rate), "осталось 2:46");
  EXPECT_EQ(TimeLeftText({0, 5}), "осталось 0:05");
  EXPECT_EQ(TimeLeftText({0, 3600}), "осталось 60:00");
}

TEST(ReadRate, AnUnknownOrSmallerTotalLeavesNothing) {
  const auto unknown = TransferRate(4096, 0, 1.0, 0.3);
  ASSERT_TRUE(unknown);
  EXPECT_EQ(unknown->bytesPerSecond, 4096u);
  EXPECT_EQ(unknown->secondsLeft, 0);
  EXPECT_EQ(TransferRate(4096, 1000, 1.0, 0.3)->secondsLeft, 0);
}

TEST(ReadRate, ASlowLineCountsAtLeastAByteASecond) {
  // Half a byte a second: the time left is reckoned at one.
  const auto slow = TransferRate(1, 101, 2.0, 0.3);
  ASSERT_TRUE(slow);
  EXPECT_EQ(slow->bytesPerSecond, 0u);
  EXPECT_EQ(RateText(*slow), "0,0 КБ/с");
  EXPECT_EQ(slow->secondsLeft, 100);
}

}  // namespace
}  // namespace tkq
