// The pure rules of the instrument's frames: the CRC, when an answer is
// complete, and how the identification answer reads.

#include <gtest/gtest.h>

#include "core/base/cp1251.h"
#include "core/link/crc16.h"
#include "core/link/modbus_frames.h"
#include "support/fake_channel.h"

namespace tkq {
namespace {

using test::WithCrc;
using Bytes = std::vector<uint8_t>;

TEST(Crc16, ModbusFrames) {
  EXPECT_EQ(WithCrc({0x01, 0x11}), (Bytes{0x01, 0x11, 0xC0, 0x2C}));
  const Bytes frame = WithCrc({0x01, 0x45, 0x08, 0x80, 0x00, 0x00});
  EXPECT_EQ(Crc16(frame), 0);  // a frame with its own CRC checks to zero
  EXPECT_EQ(Crc16(Bytes{0x31, 0x32, 0x33, 0x34, 0x35, 0x36, 0x37, 0x38, 0x39}), 0x4B37);  // the check value
}

bool Complete(uint8_t function, uint8_t sub, size_t expected, const Bytes& received) {
  return IsAnswerComplete(function, sub, expected, received);
}

TEST(AnswerComplete, EndsByLengthNeverByPause) {
  // The expected count.
  EXPECT_TRUE(Complete(0x45, ByteOf(FileSubfunction::kFsBegin), 6, WithCrc({1, 0x45, 1, 0})));
  EXPECT_FALSE(Complete(0x45, ByteOf(FileSubfunction::kFsControlBlock), 58, Bytes(57, 0)));
  // An exception answer after its five bytes, once its CRC is right.
  const Bytes exception = WithCrc({1, 0xC5, 0x02});
  EXPECT_TRUE(Complete(0x45, ByteOf(FileSubfunction::kFsReadNext), 135, exception));
  EXPECT_FALSE(
      Complete(0x45, ByteOf(FileSubfunction::kFsReadNext), 135, Bytes(exception.begin(), exception.end() - 1)));
  Bytes badException = exception;
  badException[4] ^= 1;
  EXPECT_FALSE(Complete(0x45, ByteOf(FileSubfunction::kFsReadNext), 135, badException));
  // The identification after its byte count + 5.
  const Bytes id = WithCrc({1, 0x11, 4, 'A', 0, 'B', 0});
  EXPECT_TRUE(Complete(0x11, 0, 256, id));
  EXPECT_FALSE(Complete(0x11, 0, 256, Bytes(id.begin(), id.end() - 1)));
  EXPECT_FALSE(Complete(0x11, 0, 256, Bytes{1, 0x11}));
  // A piece after its own count + 7, however many were asked for.
  Bytes piece = {1, 0x45, 8, 0, 3, 7, 8, 9};
  piece = WithCrc(piece);
  EXPECT_TRUE(Complete(0x45, ByteOf(FileSubfunction::kFsReadNext), 135, piece));
  EXPECT_FALSE(Complete(0x45, ByteOf(FileSubfunction::kFsReadNext), 135, Bytes(piece.begin(), piece.end() - 1)));
  // A refusal of any file request after six bytes.
  EXPECT_TRUE(Complete(0x45, ByteOf(FileSubfunction::kFsControlBlock), 58, WithCrc({1, 0x45, 0x0E, 1})));
  EXPECT_FALSE(Complete(0x45, ByteOf(FileSubfunction::kFsControlBlock), 58, WithCrc({1, 0x45, 0x0E, 0})));
}

TEST(IdentificationText, TwoTextsJoinedByABlank) {
  EXPECT_EQ(IdentificationText(WithCrc({1, 0x11, 0})), "Нет информации");
  const std::string a = "TARVIK 59.11.03.04";
  Bytes answer = {1, 0x11, static_cast<uint8_t>(a.size() + 1 + 4 + 1)};
  answer.insert(answer.end(), a.begin(), a.end());
  answer.push_back(0);
  for (char c : Utf8ToCp1251("№123")) answer.push_back(static_cast<uint8_t>(c));
  answer.push_back(0);
  EXPECT_EQ(IdentificationText(WithCrc(answer)), "TARVIK 59.11.03.04 №123");
  // An empty second text leaves a trailing blank.
  EXPECT_EQ(IdentificationText(WithCrc({1, 0x11, 3, 'A', 'B', 0})), "AB ");
}

TEST(IdentificationText, TextsEndAtTheLastDataByte) {
  // No terminating zero, a count larger than what came: never read the CRC.
  EXPECT_EQ(IdentificationText(WithCrc({1, 0x11, 3, 'L', 'M', 'B'})), "LMB ");
  EXPECT_EQ(IdentificationText(WithCrc({1, 0x11, 200, 'X', 'Y'})), "XY ");
  EXPECT_EQ(IdentificationText(Bytes{1, 0x11, 9}), " ");
}

}  // namespace
}  // namespace tkq
