// The report files and the text forms of the archive tables.

#include <gtest/gtest.h>

#include "core/base/cp1251.h"
#include "core/output/report.h"
#include "core/output/text_forms.h"
#include "support/test_support.h"

namespace tkq {
namespace {

using test::AppendAbnormal;
using test::AppendMeasurement;
using test::Bytes;

using test::k10h;

// Records at 10:00, 11:00 and 12:00: the first row runs from 10:00 to
// 11:00 with values 12.5 and 0.
CObjectDefinition Archive(const Bytes& err = {}) {
  CObjectDefinition obj;
  Bytes arc;
  AppendMeasurement(arc, k10h, 0.0f, 0.0f);
  AppendMeasurement(arc, k10h + 3600, 12.5f, 0.0f);
  AppendMeasurement(arc, k10h + 7200, 25.0f, 0.0f);
  obj.DecodeMeasurements(arc, err);
  obj.DecodeAbnormals(err);
  obj.m_nType1 = 0;
  obj.m_nType2 = 1;
  obj.SetOutputTypes(0, 0, 0, 0, 0);
  return obj;
}

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  size_t start = 0;
  while (start < text.size()) {
    const size_t end = text.find('\n', start);
    lines.push_back(text.substr(start, end - start));
    start = end + 1;
  }
  return lines;
}

TEST(TextForms, CellsOfTheTables) {
  EXPECT_EQ(FormatSequenceNumber(1), "    1");
  EXPECT_EQ(FormatSequenceNumber(10), "   10");
  EXPECT_EQ(FormatSequenceNumber(1234567), "1234567");
  EXPECT_EQ(FormatValue(12.5f), "         12.5000");
  EXPECT_EQ(FormatValue(-0.00004f, ','), "         -0,0000");
  EXPECT_EQ(FormatValue(58.333336f), "         58.3333");
  EXPECT_EQ(FormatValue(3.0e20f).size(), 26u);  // wider than the column, never cut
  EXPECT_EQ(FormatArchivingPercent(100.0f), "100.00%");
  EXPECT_EQ(FormatArchivingPercent(5.5f), "  5.50%");
  EXPECT_EQ(FormatArchivingPercent(33.125f, ','), " 33,12%");  // printf rounds the exact value
  // Every value the instrument can store prints as printf prints it.
  for (float v : {0.00005f, 0.00015f, 1.23455f, 99999.99995f, -7.5e-5f, 16777216.0f, 3.4e38f}) {
    char want[128];
    std::snprintf(want, sizeof want, "%16.4f", static_cast<double>(v));
    EXPECT_EQ(FormatValue(v), want);
  }
}

TEST(TextForms, ObjectTitle) {
  test::UseUtcAsLocalTime();
  EXPECT_EQ(ObjectTitle(3, 1330956429), "Архив объекта №  3  считан 05.03.2012 14.07.09");
  // The proposed file name: the read's date, no characters a file system
  // refuses; no date for a time never set.
  EXPECT_EQ(ArchiveFileStem(3, 1330956429), "Объект 03 2012-03-05");
  EXPECT_EQ(ArchiveFileStem(120, 1330905599), "Объект 120 2012-03-04");
  EXPECT_EQ(ArchiveFileStem(7, 0), "Объект 07");
}

TEST(ArchiveReport, EveryColumnGivesTheWellKnownLine) {
  CObjectDefinition obj = Archive();
  CStringSink sink;
  WriteArchiveReport(obj, CColumnSwitches{}, sink);
  const auto lines = Lines(sink.Text());
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_EQ(lines[0].size(), 115u);
  EXPECT_EQ(lines[0], "    1          12,5000           0,0000 01.02.2012 10:00:00 01.02.2012 11:00:00 100,00% " +
                          std::string(26, '_') + " ");
  EXPECT_EQ(sink.Text().back(), '\n');
  EXPECT_EQ(sink.Text().find('\r'), std::string::npos);
}

TEST(ArchiveReport, ColumnSwitches) {
  CObjectDefinition obj = Archive();
  CColumnSwitches columns;
  columns.m_bShowIntervalEnd = false;
  columns.m_bShowNumber = false;
  columns.m_bShowSecond = false;
  CStringSink sink;
  WriteArchiveReport(obj, columns, sink);
  EXPECT_EQ(Lines(sink.Text())[0], "         12,5000 01.02.2012 10:00:00 100,00% " + std::string(26, '_') + " ");

  CColumnSwitches none{false, false, false, false, false, false, false};
  CStringSink empty;
  WriteArchiveReport(obj, none, empty);
  EXPECT_EQ(empty.Text(), "\n\n");
}

TEST(ArchiveReport, AbnormalTextsWithUnderscoresInCodePage1251) {
  Bytes err;
  AppendAbnormal(err, k10h, k10h + 3600, 3);
  CObjectDefinition obj = Archive(err);
  CColumnSwitches only{};
  only = {true, false, false, false, false, false, false};
  CStringSink sink;
  WriteArchiveReport(obj, only, sink);
  const std::string expected = Utf8ToCp1251("________НЕТ_ОТВЕТА________ ");
  EXPECT_EQ(Lines(sink.Text())[0], expected);

  CStringSink abnormal;
  WriteAbnormalReport(obj, abnormal);
  EXPECT_EQ(abnormal.Text(), "    1 " + expected + "01.02.2012 10:00:00 01.02.2012 11:00:00 \n");
}

TEST(ArchiveReport, NoIntervalsGiveAnEmptyReport) {
  CObjectDefinition obj;
  CStringSink sink;
  WriteArchiveReport(obj, CColumnSwitches{}, sink);
  EXPECT_EQ(sink.Text(), "");
  WriteAbnormalReport(obj, sink);
  EXPECT_EQ(sink.Text(), "");
}

TEST(AbnormalReport, NumbersEveryRecord) {
  CObjectDefinition obj;
  Bytes err;
  for (uint32_t i = 0; i < 12; ++i) AppendAbnormal(err, i * 60, i * 60 + 30, static_cast<uint8_t>(i % 8));
  obj.DecodeAbnormals(err);
  CStringSink sink;
  WriteAbnormalReport(obj, sink);
  const auto lines = Lines(sink.Text());
  ASSERT_EQ(lines.size(), 12u);
  EXPECT_EQ(lines[9].substr(0, 6), "   10 ");
  EXPECT_EQ(lines[0].size(), 5u + 1 + 26 + 1 + 19 + 1 + 19 + 1);
}

TEST(ParamReport, ExpandedGroupsWithIndentedLines) {
  CParamTree tree;
  const size_t a = tree.InsertGroup("Основные параметры");
  tree.InsertSorted(a, "Тип жидкости:     вода");
  tree.InsertSorted(a, "Длина окружности трубопровода, мм   1234.5");
  const size_t b = tree.InsertGroup("Параметры сигнала");
  tree.InsertSorted(b, "Усиление      7");
  CStringSink sink;
  WriteParamReport(tree, {true, false}, sink);
  EXPECT_EQ(sink.Text(), Utf8ToCp1251("Основные параметры\n"
                                      "       Длина окружности трубопровода, мм   1234.5\n"
                                      "       Тип жидкости:     вода\n"));
  CStringSink collapsed;
  WriteParamReport(tree, {false, false}, collapsed);
  EXPECT_EQ(collapsed.Text(), "");
  CStringSink all;
  WriteParamReport(tree, {true, true}, all);
  EXPECT_EQ(Lines(all.Text()).size(), 5u);
}

TEST(Collation, RussianAlphabeticalOrder) {
  EXPECT_LT(CollateCompare("Внутренний", "Длина"), 0);
  EXPECT_LT(CollateCompare("ежик", "Ёлка"), 0);
  EXPECT_LT(CollateCompare("Ёлка", "жук"), 0);
  EXPECT_LT(CollateCompare("абв", "Абвг"), 0);
  EXPECT_LT(CollateCompare("Задержка RTS", "Задержка СТ"), 0);  // Latin before Cyrillic
  EXPECT_EQ(CollateCompare("Текст", "Текст"), 0);
  EXPECT_NE(CollateCompare("текст", "Текст"), 0);
}

}  // namespace
}  // namespace tkq
