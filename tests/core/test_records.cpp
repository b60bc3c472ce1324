// The instrument's archive records: the check byte, cutting both files
// into records, and the share of each interval free of abnormal situations.

#include <gtest/gtest.h>

#include "core/archive/object_definition.h"
#include "support/test_support.h"

namespace tkq {
namespace {

using test::AppendAbnormal;
using test::AppendMeasurement;
using test::Bytes;

TEST(RecordChecksum, MatchesTheInstrument) {
  CObjectDefinition obj;
  uint8_t zeros[12] = {};
  EXPECT_EQ(obj.RecordChecksum(zeros), 0x00);
  uint8_t one[12] = {0x01};
  EXPECT_EQ(obj.RecordChecksum(one), 0x10);
  uint8_t last[12] = {};
  last[11] = 0x80;
  EXPECT_EQ(obj.RecordChecksum(last), 0x01);  // the top bit rotates to the bottom
}

TEST(DecodeMeasurements, CutsTheFileIntoRecords) {
  CObjectDefinition obj;
  Bytes arc;
  AppendMeasurement(arc, 3600, 1.5f, -2.25f);
  AppendMeasurement(arc, 7200, 3.0f, 4.0f);
  arc.push_back(0xEE);  // 27 bytes: the extra byte is ignored
  EXPECT_TRUE(obj.DecodeMeasurements(arc, {}));
  ASSERT_EQ(obj.m_arcRecords.GetSize(), 2u);
  const CObjArcElem* r = obj.m_arcRecords[1];
  EXPECT_EQ(r->m_nTime, 7200u);
  EXPECT_EQ(r->m_fValue1, 3.0f);
  EXPECT_EQ(r->m_fValue2, 4.0f);
  EXPECT_EQ(r->m_fArchivingPercent, 100.0f);
  EXPECT_EQ(r->m_nAbnormalCode, 0);
  EXPECT_EQ(obj.m_nReadStatus, ReadStatus::kReadOk);
}

TEST(DecodeMeasurements, TooFewRecordsLeaveEmptySlotsAndStatus5) {
  CObjectDefinition obj;
  Bytes arc;
  AppendMeasurement(arc, 3600, 1.0f, 2.0f);
  EXPECT_FALSE(obj.DecodeMeasurements(arc, {}));
  ASSERT_EQ(obj.m_arcRecords.GetSize(), 1u);
  EXPECT_EQ(obj.m_arcRecords[0], nullptr);
  std::string text;
  EXPECT_EQ(obj.GetReadStatus(text), ReadStatus::kReadArchiveEmpty);
  EXPECT_EQ(text, "АРХИВ ДЛЯ ДАННОГО ОБЪЕКТА ПУСТ");

  CObjectDefinition none;
  EXPECT_FALSE(none.DecodeMeasurements({}, {}));
  EXPECT_EQ(none.m_arcRecords.GetSize(), 0u);
}

Bytes HourlyArchive(size_t n, int badAt = -1) {
  Bytes arc;
  for (size_t i = 0; i < n; ++i) {
    AppendMeasurement(arc, static_cast<uint32_t>(i * 3600), static_cast<float>(i), 0.0f, static_cast<int>(i) != badAt);
  }
  return arc;
}

TEST(DecodeMeasurements, SituationsGiveIntervalsTheirShareAndCode) {
  Bytes err;
  AppendAbnormal(err, 1800, 2700, 3);          // inside the first interval
  AppendAbnormal(err, 2700, 4500, 5);          // runs into the second
  AppendAbnormal(err, 3 * 3600, 4 * 3600, 2);  // covers the fourth interval entirely
  CObjectDefinition obj;
  ASSERT_TRUE(obj.DecodeMeasurements(HourlyArchive(6), err));
  auto rec = [&](size_t i) { return obj.m_arcRecords[i]; };
  EXPECT_EQ(rec(0)->m_fArchivingPercent, 100.0f);
  EXPECT_EQ(rec(0)->m_nAbnormalCode, 0);
  EXPECT_EQ(rec(1)->m_fArchivingPercent, 50.0f);
  EXPECT_EQ(rec(1)->m_nAbnormalCode, 5);  // the last overlapping situation wins
  EXPECT_EQ(rec(2)->m_fArchivingPercent, 75.0f);
  EXPECT_EQ(rec(2)->m_nAbnormalCode, 5);
  EXPECT_EQ(rec(3)->m_fArchivingPercent, 100.0f);
  EXPECT_EQ(rec(3)->m_nAbnormalCode, 0);
  EXPECT_EQ(rec(4)->m_fArchivingPercent, 0.0f);
  EXPECT_EQ(rec(4)->m_nAbnormalCode, 2);
  EXPECT_EQ(rec(5)->m_fArchivingPercent, 100.0f);
}

TEST(DecodeMeasurements, WithoutSituationsEveryGoodRecordIsWhole) {
  CObjectDefinition obj;
  ASSERT_TRUE(obj.DecodeMeasurements(HourlyArchive(5), {}));
  for (size_t i = 0; i < 5; ++i) {
    EXPECT_EQ(obj.m_arcRecords[i]->m_fArchivingPercent, 100.0f);
    EXPECT_EQ(obj.m_arcRecords[i]->m_nAbnormalCode, 0);
  }
}

TEST(DecodeMeasurements, DamagedRecordIsKeptAndMarked) {
  Bytes err;
  AppendAbnormal(err, 3 * 3600 + 900, 4 * 3600, 1);  // the last quarter before record 4
  CObjectDefinition obj;
  ASSERT_TRUE(obj.DecodeMeasurements(HourlyArchive(6, 3), err));
  const CObjArcElem* bad = obj.m_arcRecords[3];
  EXPECT_EQ(bad->m_nAbnormalCode, 7);
  EXPECT_EQ(bad->m_fArchivingPercent, 0.0f);
  EXPECT_EQ(bad->m_fValue1, 3.0f);  // stored values stay
  EXPECT_EQ(bad->m_nTime, 3u * 3600);
  // The record after it takes the archive's period from its neighbours.
  EXPECT_EQ(obj.m_arcRecords[4]->m_fArchivingPercent, 25.0f);
  EXPECT_EQ(obj.m_arcRecords[4]->m_nAbnormalCode, 1);

  CObjectDefinition early;
  ASSERT_TRUE(early.DecodeMeasurements(HourlyArchive(6, 1), err));
  EXPECT_EQ(early.m_arcRecords[2]->m_fArchivingPercent, 0.0f);
  EXPECT_EQ(early.m_arcRecords[2]->m_nAbnormalCode, 0);

  CObjectDefinition first;
  ASSERT_TRUE(first.DecodeMeasurements(HourlyArchive(3, 0), {}));
  EXPECT_EQ(first.m_arcRecords[0]->m_nAbnormalCode, 7);
}

TEST(GetArchivingPercent, BoundariesDoNotCount) {
  CObjectDefinition obj;
  Bytes err;
  AppendAbnormal(err, 0, 3600, 4);     // ends where the interval starts
  AppendAbnormal(err, 7200, 9000, 6);  // starts where the interval ends
  int32_t k = 0;
  uint8_t code = 99;
  EXPECT_EQ(obj.GetArchivingPercent(err, 2, k, code, 3600, 7200), 100.0f);
  EXPECT_EQ(code, 0);

  // The cursor moves back for an interval that starts before its record.
  k = 1;
  EXPECT_EQ(obj.GetArchivingPercent(err, 2, k, code, 1800, 3600), 0.0f);
  EXPECT_EQ(code, 4);
}

TEST(GetArchivingPercent, IntervalsOfNoLengthAndOverlaps) {
  CObjectDefinition obj;
  Bytes err;
  AppendAbnormal(err, 1000, 2000, 2);
  int32_t k = 0;
  uint8_t code = 0;
  EXPECT_EQ(obj.GetArchivingPercent(err, 1, k, code, 5000, 5000), 100.0f);
  EXPECT_EQ(code, 0);
  k = 0;
  EXPECT_EQ(obj.GetArchivingPercent(err, 1, k, code, 1500, 1500), 0.0f);
  EXPECT_EQ(code, 2);

  // Situations that overlap one another cover more than the interval.
  Bytes overlapping;
  AppendAbnormal(overlapping, 0, 3000, 1);
  AppendAbnormal(overlapping, 1000, 3600, 2);
  k = 0;
  const float share = obj.GetArchivingPercent(overlapping, 2, k, code, 100, 3600);
  EXPECT_EQ(share, 0.0f);
  EXPECT_EQ(code, 2);
}

TEST(DecodeAbnormals, CutsTheFileIntoTenByteRecords) {
  Bytes err;
  AppendAbnormal(err, 10, 20, 3, 0xAB);
  err.resize(19);  // a record and nine stray bytes
  CObjectDefinition obj;
  EXPECT_TRUE(obj.DecodeAbnormals(err));
  ASSERT_EQ(obj.m_errRecords.GetSize(), 1u);
  EXPECT_EQ(obj.m_errRecords[0]->m_nBegin, 10u);
  EXPECT_EQ(obj.m_errRecords[0]->m_nEnd, 20u);
  EXPECT_EQ(obj.m_errRecords[0]->m_nCode, 3);
  EXPECT_TRUE(obj.DecodeAbnormals({}));
  EXPECT_EQ(obj.m_errRecords.GetSize(), 0u);
}

TEST(AbnormalText, FixedTextsAndNamedUnknownCodes) {
  EXPECT_EQ(AbnormalText(0), std::string(26, ' '));
  EXPECT_EQ(AbnormalText(1), "         НЕТ  УЗС         ");
  EXPECT_EQ(AbnormalText(3), "        НЕТ ОТВЕТА        ");
  EXPECT_EQ(AbnormalText(7), "   СБОЙ ДАННЫХ В ПАМЯТИ   ");
  EXPECT_EQ(AbnormalText(9), "          КОД 9           ");
  EXPECT_EQ(AbnormalTextCp1251(255).size(), 26u);
  for (int code = 0; code < 256; ++code) EXPECT_EQ(AbnormalTextCp1251(static_cast<uint8_t>(code)).size(), 26u);
}

}  // namespace
}  // namespace tkq
