// The measurement object: which records make rows, the values of each
// column in its output type and unit, captions and name lists, the abnormal
// cursor and the read status rule.

#include <gtest/gtest.h>

#include "core/archive/archive_read.h"
#include "core/archive/object_definition.h"
#include "support/test_support.h"

namespace tkq {
namespace {

using test::AppendAbnormal;
using test::AppendMeasurement;
using test::Bytes;

// An object whose records lie at the given times (values = time / 3600).
CObjectDefinition WithTimes(const std::vector<uint32_t>& times) {
  CObjectDefinition obj;
  Bytes arc;
  for (uint32_t t : times) AppendMeasurement(arc, t, static_cast<float>(t) / 3600, 0.0f);
  obj.DecodeMeasurements(arc, {});
  return obj;
}

std::vector<int32_t> Rows(CObjectDefinition& obj) {
  std::vector<int32_t> rows;
  if (!obj.MoveFirstRow()) return rows;
  do {
    rows.push_back(obj.m_nRowCursor);
  } while (obj.MoveNextRow());
  return rows;
}

TEST(Rows, IrregularIntervalsAreSkipped) {
  const uint32_t h = 3600;
  CObjectDefinition gap = WithTimes({0, h, 2 * h, 3 * h, 8 * h, 9 * h, 10 * h});
  EXPECT_EQ(Rows(gap), (std::vector<int32_t>{1, 2, 3, 5, 6}));
  EXPECT_EQ(gap.GetRowCount(), 5);
  EXPECT_EQ(gap.m_nRowCursor, 6);  // the count leaves the cursor on the last row
  EXPECT_EQ(gap.RowPositions(), (std::vector<int32_t>{1, 2, 3, 5, 6}));

  CObjectDefinition endGap = WithTimes({0, h, 2 * h, 7 * h});
  EXPECT_EQ(Rows(endGap), (std::vector<int32_t>{1, 2}));

  CObjectDefinition lateStart = WithTimes({0, 60, 3660, 7260});
  EXPECT_EQ(Rows(lateStart), (std::vector<int32_t>{2, 3}));
}

TEST(Rows, TheRowAfterAGapHasItsOwnInterval) {
  const uint32_t h = 3600;
  CObjectDefinition obj = WithTimes({0, h, 2 * h, 3 * h, 8 * h, 9 * h, 10 * h});
  obj.SetOutputTypes(0, 0, 0, 0, 0);
  ASSERT_TRUE(obj.MoveFirstRow());
  for (int i = 0; i < 3; ++i) obj.MoveNextRow();
  float v1, v2, percent;
  int64_t start, end;
  std::string_view text;
  ASSERT_TRUE(obj.GetRow(v1, v2, start, end, percent, text));
  EXPECT_EQ(start, 8 * h);
  EXPECT_EQ(end, 9 * h);
  EXPECT_EQ(v1, 1.0f);
}

TEST(Rows, TwoOrFewerRecordsMakeNoRows) {
  for (size_t n : {0u, 1u, 2u}) {
    std::vector<uint32_t> times;
    for (size_t i = 0; i < n; ++i) times.push_back(static_cast<uint32_t>(i * 3600));
    CObjectDefinition obj = WithTimes(times);
    obj.m_nReadStatus = ReadStatus::kReadOk;
    EXPECT_EQ(obj.GetRowCount(), 0);
    std::string status;
    EXPECT_EQ(obj.GetReadStatus(status), ReadStatus::kReadArchiveEmpty);
    EXPECT_FALSE(obj.MoveNextRow());
    float v1, v2, p;
    int64_t s, e;
    std::string_view t;
    EXPECT_FALSE(obj.GetRow(v1, v2, s, e, p, t));
  }
}

TEST(Rows, CursorsFromAFileCannotReachOutside) {
  CObjectDefinition obj = WithTimes({0, 3600, 7200});
  CArchiveRow row;
  for (int32_t c : {-5, 0, 3, 1000000}) {
    obj.m_nRowCursor = c;
    EXPECT_FALSE(obj.ComputeRow(c, row));
    if (c != 0) {
      EXPECT_FALSE(obj.MoveNextRow());
    }
  }
  obj.m_nAbnormalCursor = -3;
  int64_t s, e;
  std::string_view t;
  EXPECT_FALSE(obj.GetAbnormal(s, e, t));
  EXPECT_FALSE(obj.MoveNextAbnormal());
}

class Values : public ::testing::Test {
 protected:
  // Value 1 from 100.0 to 103.5 over an hour; value 2 from 7 to 9.
  void SetUp() override {
    Bytes arc;
    AppendMeasurement(arc, 0, 96.5f, 5.0f);
    AppendMeasurement(arc, 3600, 100.0f, 7.0f);
    AppendMeasurement(arc, 7200, 103.5f, 9.0f);
    obj.DecodeMeasurements(arc, {});
    obj.m_nType1 = 0;
    obj.m_nType2 = 1;
  }
  float First(uint8_t outputType, uint8_t unit) {
    obj.SetOutputTypes(outputType, unit, 0, 0, 0);
    CArchiveRow row;
    EXPECT_TRUE(obj.ComputeRow(2, row));
    return row.value1;
  }
  CArchiveRow Row() {
    CArchiveRow row;
    EXPECT_TRUE(obj.ComputeRow(2, row));
    return row;
  }
  CObjectDefinition obj;
};

TEST_F(Values, OutputTypesAndUnits) {
  EXPECT_EQ(First(0, 0), 3.5f);        // м3
  EXPECT_EQ(First(0, 1), 3500.0f);     // л
  EXPECT_EQ(First(1, 0), 3.5f);        // м3/ч
  EXPECT_EQ(First(1, 1), 58.333336f);  // л/мин, in single precision
  EXPECT_EQ(First(2, 0), 103.5f);      // м3
  EXPECT_EQ(First(2, 1), 103500.0f);
}

TEST_F(Values, SpeedsAreShownAsStored) {
  obj.m_nType1 = 2;
  for (uint8_t ot : {0, 1, 2}) EXPECT_EQ(First(ot, 0), 103.5f);
  std::vector<std::string> names, units;
  obj.GetTypeNames(2, names, false);
  EXPECT_EQ(names, std::vector<std::string>{"Скорость звука"});
  obj.GetUnitNames(false, 0, units);
  EXPECT_EQ(units, std::vector<std::string>{"км/с"});
}

TEST_F(Values, ResultingParameterSumsBothColumns) {
  obj.SetOutputTypes(2, 0, 2, 0, 1);
  CArchiveRow row = Row();
  EXPECT_EQ(row.value1, 112.5f);
  EXPECT_EQ(row.value2, 112.5f);
  std::string c1, c2;
  obj.GetColumnCaptions(c1, c2);
  EXPECT_EQ(c1, "Объем, м3");
  EXPECT_EQ(c2, "Объем, м3");

  obj.SetOutputTypes(0, 0, 2, 0, 1);
  row = Row();
  EXPECT_EQ(row.value1, 3.5f + 2.0f);    // both changes over the interval
  EXPECT_EQ(row.value2, 9.0f + 103.5f);  // both totals
  obj.GetColumnCaptions(c1, c2);
  EXPECT_EQ(c1, "Изменение объема, м3");
  EXPECT_EQ(c2, "Объем, м3");
}

TEST_F(Values, ARateOverNoTimeIsZero) {
  Bytes arc;
  AppendMeasurement(arc, 3600, 1.0f, 1.0f);
  AppendMeasurement(arc, 3600, 2.0f, 2.0f);
  AppendMeasurement(arc, 3600, 3.0f, 3.0f);
  obj.DecodeMeasurements(arc, {});
  EXPECT_EQ(First(1, 0), 0.0f);
  EXPECT_EQ(First(0, 0), 1.0f);
}

TEST_F(Values, CaptionsNamesAndUnits) {
  obj.SetOutputTypes(1, 0, 0, 1, 0);
  std::string c1, c2;
  obj.GetColumnCaptions(c1, c2);
  EXPECT_EQ(c1, "Расход +, м3/ч");
  EXPECT_EQ(c2, "Изменение объема -, л");
  obj.GetPrintCaptions(c1, c2);
  EXPECT_EQ(c1, "Расход+, м3/ч");
  EXPECT_EQ(c2, "Изм.Объема-, л");

  std::vector<std::string> l1, l2;
  obj.GetOutputTypeNames(true, l1, l2);
  EXPECT_EQ(l1, (std::vector<std::string>{"Изменение объема", "Расход", "Объем"}));
  obj.GetOutputTypeNames(false, l1, l2);
  EXPECT_EQ(l2, (std::vector<std::string>{"Изменение объема -", "Расход -", "Объем -"}));
  obj.GetUnitNames(true, 1, l1);
  EXPECT_EQ(l1, (std::vector<std::string>{"м3/ч", "л/мин"}));

  obj.m_nType1 = 3;
  obj.GetUnitNames(false, 0, l1);
  EXPECT_EQ(l1, std::vector<std::string>{"м/\x63"});  // a Latin c
}

TEST_F(Values, ResultIsAvailableOnlyForTheTwoVolumes) {
  auto available = [&](uint8_t a, uint8_t b) {
    obj.m_nType1 = a;
    obj.m_nType2 = b;
    return obj.IsResultAvailable();
  };
  EXPECT_TRUE(available(0, 1));
  EXPECT_TRUE(available(1, 0));
  EXPECT_FALSE(available(0, 0));
  EXPECT_FALSE(available(0, 4));
  EXPECT_FALSE(available(1, 1));
}

TEST_F(Values, QuantitiesOutsideTheCatalogueShowStoredValues) {
  obj.m_nType1 = 9;
  obj.m_nType2 = 200;
  obj.SetOutputTypes(1, 1, 0, 0, 0);
  CArchiveRow row = Row();
  EXPECT_EQ(row.value1, 103.5f);
  EXPECT_EQ(row.value2, 9.0f);
  std::string c1, c2;
  obj.GetColumnCaptions(c1, c2);
  EXPECT_EQ(c1, "");
  EXPECT_EQ(c2, "");
  std::vector<std::string> l1, l2;
  obj.GetOutputTypeNames(false, l1, l2);
  EXPECT_TRUE(l1.empty());
  obj.GetUnitNames(false, 0, l1);
  EXPECT_TRUE(l1.empty());

  // Output types and units a saved file may hold beyond the lists.
  obj.m_nType1 = 0;
  obj.SetOutputTypes(7, 9, 0, 0, 0);
  obj.GetColumnCaptions(c1, c2);
  EXPECT_EQ(c1, "");
  EXPECT_EQ(Row().value1, 103.5f);
}

TEST(AbnormalCursor, WalksTheRecords) {
  CObjectDefinition obj;
  int64_t s, e;
  std::string_view text;
  EXPECT_FALSE(obj.MoveFirstAbnormal());
  EXPECT_FALSE(obj.GetAbnormal(s, e, text));
  Bytes err;
  AppendAbnormal(err, 100, 200, 3);
  AppendAbnormal(err, 0xFFFFFFF0u, 0xFFFFFFFFu, 12);
  obj.DecodeAbnormals(err);
  ASSERT_TRUE(obj.MoveFirstAbnormal());
  ASSERT_TRUE(obj.GetAbnormal(s, e, text));
  EXPECT_EQ(text, "        НЕТ ОТВЕТА        ");
  ASSERT_TRUE(obj.MoveNextAbnormal());
  ASSERT_TRUE(obj.GetAbnormal(s, e, text));
  EXPECT_EQ(e, 0xFFFFFFFFll);  // widened without sign
  EXPECT_EQ(text, "          КОД 12          ");
  EXPECT_FALSE(obj.MoveNextAbnormal());
}

TEST(ReadStatus, FileErrorsAfterALineFailureMeanNoConnection) {
  // The read keeps the link's status of the moment it failed.
  CArchiveRead read(1);
  read.m_linkStatus = LinkStatus::kLinkNoAnswer;
  std::string text;
  read.m_nReadStatus = ReadStatus::kReadFileError;
  EXPECT_EQ(read.GetReadStatus(text), ReadStatus::kReadNoConnection);
  EXPECT_EQ(text, "НЕВОЗМОЖНО УСТАНОВИТЬ СОЕДИНЕНИЕ");
  EXPECT_EQ(read.GetReadStatus(text), ReadStatus::kReadNoConnection);  // asked again, the same answer

  read.m_linkStatus = LinkStatus::kLinkOk;
  read.m_nReadStatus = ReadStatus::kReadFileError;
  EXPECT_EQ(read.GetReadStatus(text), ReadStatus::kReadFileError);
  EXPECT_EQ(text, "ОШИБКА ЧТЕНИЯ ФАЙЛОВ");

  read.m_linkStatus = LinkStatus::kLinkCrcError;
  read.m_nReadStatus = ReadStatus::kReadArchiveEmpty;
  EXPECT_EQ(read.GetReadStatus(text), ReadStatus::kReadArchiveEmpty);
  EXPECT_EQ(text, "АРХИВ ДЛЯ ДАННОГО ОБЪЕКТА ПУСТ");

  CTrvKqModbusWithFlFiles link;
  std::string id;
  EXPECT_FALSE(link.ReadIdentification(id));  // the port was never opened

  std::string linkText;
  EXPECT_EQ(link.GetStatusText(linkText), LinkStatus::kLinkPortError);
  EXPECT_EQ(linkText, "Ошибка порта связи");
}

TEST(DecodeParameters, UnknownVersionsLeaveAnEmptyTreeAndStatus6) {
  auto d = test::BuiltInDescription();
  auto obj = test::MakeObject(*d, "TARVIK 59.11.03.04", 0, 1, 10);
  EXPECT_EQ(obj->m_nType1, 0);
  EXPECT_EQ(obj->m_nType2, 1);
  EXPECT_FALSE(obj->m_paramTree.IsEmpty());

  auto unknown = test::MakeObject(*d, "TARVIK 59.11.03.09", 0, 1, 10);
  std::string text;
  EXPECT_EQ(unknown->GetReadStatus(text), ReadStatus::kReadUnknownVersion);
  EXPECT_TRUE(unknown->m_paramTree.IsEmpty());
  EXPECT_EQ(unknown->m_nType1, 0);       // defined, not left over
  EXPECT_EQ(unknown->GetRowCount(), 9);  // the archive is still shown
}

}  // namespace
}  // namespace tkq
