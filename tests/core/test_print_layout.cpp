// Printed pages: how lines split into pages, where the title, captions,
// lines and rules of a page lie, and the lines each window prints.

#include <gtest/gtest.h>

#include "core/output/print_layout.h"
#include "support/test_support.h"

namespace tkq {
namespace {

using test::AppendAbnormal;
using test::AppendMeasurement;
using test::Bytes;

using test::k10h;

// Lines "line 0", "line 1", ... in a table of two columns whose first row
// has cells of 3 and 5 characters, or with no table.
class FakeLines : public CPrintLines {
 public:
  FakeLines(int32_t count, bool table) : m_count(count), m_table(table) {}
  int32_t GetLineCount() const override { return m_count; }
  std::string GetLineText(int32_t index) const override { return "line " + std::to_string(index); }
  bool HasTable() const override { return m_table; }
  std::vector<std::string> GetCaptions() const override { return {"№", "Значение"}; }
  std::vector<std::string> GetFirstRowCells() const override { return {"abc", "Время"}; }

 private:
  int32_t m_count;
  bool m_table;
};

// h = 10, w = 6 on a page 500 wide with room for exactly 10 data lines.
constexpr CPrintMetrics kTenLines{10, 6, 500, 4 * 10 + 40 + 10 * 10};

TEST(PrintLayout, PagesOfTenLines) {
  FakeLines lines(25, true);
  CPageLayout layout(lines, "title", kTenLines);
  ASSERT_TRUE(layout.IsValid());
  EXPECT_EQ(layout.RowsPerPage(), 10);
  EXPECT_EQ(layout.PageCount(), 3);
  EXPECT_EQ(layout.State().m_nFirstRowY, 60);
  EXPECT_EQ(layout.State().m_nNextRow, 1);

  const CPrintPage third = layout.Page(3);
  ASSERT_EQ(third.lines.size(), 5u);
  EXPECT_EQ(third.lines.front().text, "line 20");
  EXPECT_EQ(third.lines.back().text, "line 24");
  EXPECT_EQ(third.lines[0].x, 20);
  EXPECT_EQ(third.lines[0].y, 60);
  EXPECT_EQ(third.lines[4].y, 100);
  EXPECT_EQ(layout.Page(1).lines.size(), 10u);
  EXPECT_TRUE(layout.Page(4).lines.empty());

  // One more line than fits makes one more page; exactly full pages none.
  EXPECT_EQ(CPageLayout(FakeLines(30, true), "", kTenLines).PageCount(), 3);
  EXPECT_EQ(CPageLayout(FakeLines(31, true), "", kTenLines).PageCount(), 4);
  EXPECT_EQ(CPageLayout(FakeLines(1, true), "", kTenLines).PageCount(), 1);
}

TEST(PrintLayout, BandsOfAPage) {
  FakeLines lines(3, true);
  CPageLayout layout(lines, "first\nsecond", kTenLines);
  const CPrintPage page = layout.Page(1);
  EXPECT_EQ(page.pageNumber.text, "Страница   1 из   1");
  EXPECT_EQ(page.pageNumber.rect, (CPrintRect{20, 20, 490, 30}));
  EXPECT_EQ(page.pageNumber.align, EPrintAlign::kRight);
  EXPECT_EQ(page.title.text, "first\nsecond");
  EXPECT_EQ(page.title.rect, (CPrintRect{20, 30, 500, 60}));
  EXPECT_EQ(page.title.align, EPrintAlign::kCenter);

  // Columns of " abc " (5 characters) and " Время " (7): edges at 20 + 6·5
  // and 20 + 6·12; captions centred between the edges.
  ASSERT_EQ(page.captions.size(), 2u);
  EXPECT_EQ(page.captions[0].rect, (CPrintRect{20, 50, 50, 60}));
  EXPECT_EQ(page.captions[1].rect, (CPrintRect{50, 50, 92, 60}));
  EXPECT_EQ(page.captions[1].text, "Значение");
  const std::vector<CPrintRule> rules = {
      {20, 50, 20, 160}, {50, 50, 50, 160}, {92, 50, 92, 160}, {20, 50, 92, 50}, {20, 60, 92, 60}};
  EXPECT_EQ(page.rules, rules);
}

TEST(PrintLayout, ALongTitleLineShrinksThenIsCutShortOnThePage) {
  // 480 units between the margin and the right edge: 80 characters of 6.
  const std::string fits(80, 'a');
  EXPECT_EQ(FitPrintLine(fits, 480, 6, 0.6).scale, 1.0);
  EXPECT_EQ(FitPrintLine(fits, 480, 6, 0.6).text, fits);
  // 100 characters fit at 0.8, within the smallest size.
  const CFittedLine shrunk = FitPrintLine(std::string(100, 'a'), 480, 6, 0.6);
  EXPECT_DOUBLE_EQ(shrunk.scale, 0.8);
  EXPECT_EQ(shrunk.text.size(), 100u);
  // 250 Cyrillic characters: at 0.6 room for 133; 132 of them and "…",
  // cut between characters, never inside one.
  std::string cyrillic;
  for (int i = 0; i < 250; ++i) cyrillic += "ж";
  const CFittedLine cut = FitPrintLine(cyrillic, 480, 6, 0.6);
  EXPECT_DOUBLE_EQ(cut.scale, 0.6);
  EXPECT_EQ(CountCharacters(cut.text), 133u);
  EXPECT_TRUE(cut.text.ends_with("ж…"));
  EXPECT_LE(CountCharacters(cut.text) * 6 * cut.scale, 480.0);
  // A page already at the smallest size cuts at once, and no blank is
  // left before the mark.
  const CFittedLine atOnce = FitPrintLine(std::string(78, 'a') + "  bbb", 480, 6, 1.0);
  EXPECT_EQ(atOnce.scale, 1.0);
  EXPECT_EQ(atOnce.text, std::string(78, 'a') + "…");

  // On the page: each title line in its own row of the title's rectangle.
  FakeLines lines(3, true);
  const std::string title = "Архив объекта №  1\n" + cyrillic;
  const CPrintPage page = CPageLayout(lines, title, {10, 6, 500, 200, 0.6}).Page(1);
  EXPECT_EQ(page.title.text, title);
  ASSERT_EQ(page.titleLines.size(), 2u);
  EXPECT_EQ(page.titleLines[0].text, "Архив объекта №  1");
  EXPECT_EQ(page.titleLines[0].scale, 1.0);
  EXPECT_EQ(page.titleLines[0].rect, (CPrintRect{20, 30, 500, 40}));
  EXPECT_EQ(page.titleLines[1].text, cut.text);
  EXPECT_EQ(page.titleLines[1].rect, (CPrintRect{20, 40, 500, 50}));
  EXPECT_EQ(page.titleLines[1].align, EPrintAlign::kCenter);
}

TEST(PrintLayout, ColumnRulesOfEveryPageComeFromTheFirstRow) {
  FakeLines lines(95, true);
  CPageLayout layout(lines, "", kTenLines);
  const auto rules = layout.Page(1).rules;
  for (int32_t p = 2; p <= layout.PageCount(); ++p) EXPECT_EQ(layout.Page(p).rules, rules) << p;
}

// 25 lines of 12 cells of 8 characters, "r<row>c<column>" padded, under
// captions "C<column>" and a heading.
class WideLines : public CPrintLines {
 public:
  explicit WideLines(std::string heading) : m_heading(std::move(heading)) {}
  int32_t GetLineCount() const override { return 25; }
  std::string GetLineText(int32_t index) const override {
    std::string line;
    for (size_t c = 0; c < 12; ++c) line += " " + Cell("r" + std::to_string(index), c) + " ";
    return line;
  }
  bool HasTable() const override { return true; }
  std::vector<std::string> GetCaptions() const override { return Cells("C"); }
  std::vector<std::string> GetFirstRowCells() const override { return Cells("r0"); }
  std::string GetHeading() const override { return m_heading; }

 private:
  static std::string Cell(const std::string& row, size_t c) {
    const std::string cell = row + (row == "C" ? "" : "c") + std::to_string(c);
    return row == "C" ? cell : cell + std::string(8 - cell.size(), ' ');
  }
  static std::vector<std::string> Cells(const std::string& row) {
    std::vector<std::string> cells;
    for (size_t c = 0; c < 12; ++c) cells.push_back(Cell(row, c));
    return cells;
  }
  std::string m_heading;
};

TEST(PrintLayout, AWideTableGoesOnAcrossPagesUnderItsHeading) {
  // Columns of 60 units: 8 fit the 480 after the margin, the other 4 go on
  // a page of their own after column 0. The heading's line moves the table
  // down a line: 9 rows a page, 3 bands of 2 pages.
  const WideLines lines("Сводка");
  CPageLayout layout(lines, "first\nsecond", kTenLines);
  EXPECT_EQ(layout.RowsPerPage(), 9);
  EXPECT_EQ(layout.PagesAcross(), 2);
  EXPECT_EQ(layout.PageCount(), 6);
  const CPrintPage first = layout.Page(1), second = layout.Page(2), third = layout.Page(3);
  EXPECT_EQ(first.titleLines.at(2).text, "Сводка");
  EXPECT_EQ(first.captions.at(0).rect, (CPrintRect{20, 60, 80, 70}));
  EXPECT_EQ(first.lines.at(0).y, 70);
  EXPECT_EQ(first.rules.back(), (CPrintRule{20, 70, 500, 70}));
  // Page 2 goes on with page 1's rows: column 0, then 8 to 11.
  EXPECT_EQ(second.pageNumber.text, "Страница   2 из   6");
  ASSERT_EQ(second.captions.size(), 5u);
  EXPECT_EQ(second.captions[1].text, "C8");
  EXPECT_EQ(second.rules.back(), (CPrintRule{20, 70, 320, 70}));
  EXPECT_EQ(second.lines.at(8).text, " r8c0      r8c8      r8c9      r8c10     r8c11    ");
  EXPECT_EQ(third.lines.at(0).text.substr(0, 10), " r9c0     ");
}

TEST(PrintLayout, TreeHasNoTable) {
  FakeLines lines(12, false);
  CPageLayout layout(lines, "", kTenLines);
  const CPrintPage page = layout.Page(2);
  EXPECT_TRUE(page.captions.empty());
  EXPECT_TRUE(page.rules.empty());
  ASSERT_EQ(page.lines.size(), 2u);
  EXPECT_EQ(page.lines[1].text, "line 11");
}

TEST(PrintLayout, NoLinesNoPagesAndPagesTooSmallAreRefused) {
  CPageLayout empty(FakeLines(0, true), "", kTenLines);
  EXPECT_TRUE(empty.IsValid());
  EXPECT_EQ(empty.PageCount(), 0);

  // Room for 4h + 40 and less than one line more: R = 0.
  CPageLayout small(FakeLines(5, true), "", {10, 6, 500, 4 * 10 + 40 + 9});
  EXPECT_FALSE(small.IsValid());
  EXPECT_EQ(small.PageCount(), 0);
  EXPECT_TRUE(small.Page(1).lines.empty());
  for (const CPrintMetrics& bad : {CPrintMetrics{0, 6, 500, 500}, CPrintMetrics{10, 0, 500, 500},
                                   CPrintMetrics{10, 6, 500, -5}, CPrintMetrics{2000000000, 6, 500, 2000000000}}) {
    EXPECT_FALSE(CPageLayout(FakeLines(5, true), "", bad).IsValid());
  }
}

TEST(PrintLayout, LongListsKeepEveryLine) {
  // A single-precision quotient would lose the last line, a 16-bit page
  // number every page past 65535.
  CPrintState state;
  ASSERT_TRUE(SetUpPrintPages({10, 6, 500, 4 * 10 + 40 + 10}, 16777217, state));
  EXPECT_EQ(state.m_nRowsPerPage, 1);
  EXPECT_EQ(state.m_nPageCount, 16777217);
  ASSERT_TRUE(SetUpPrintPages(kTenLines, 1000001, state));
  EXPECT_EQ(state.m_nPageCount, 100001);
  EXPECT_EQ(PageNumberText(100001, 100001), "Страница 100001 из 100001");
}

TEST(PrintTexts, TitleAndCharacters) {
  EXPECT_TRUE(PrintTitle(3, 0, "Котельная").starts_with("Архив объекта №  3  считан "));
  const std::string title = PrintTitle(3, 0, "Котельная\r\nввод 2");
  EXPECT_EQ(title.substr(title.find('\n')), "\nКотельная  ввод 2");
  EXPECT_EQ(CountCharacters("Время"), 5u);
  EXPECT_EQ(CountCharacters(" 12.5 "), 6u);
}

// Records at 10:00, 11:00 and 12:00 with an abnormal situation from 10:30
// to 10:45.
CObjectDefinition Archive() {
  CObjectDefinition obj;
  Bytes arc;
  Bytes err;
  AppendMeasurement(arc, k10h, 0.0f, 0.0f);
  AppendMeasurement(arc, k10h + 3600, 12.5f, 0.0f);
  AppendMeasurement(arc, k10h + 7200, 25.0f, 0.0f);
  AppendAbnormal(err, k10h + 1800, k10h + 2700, 2);
  obj.DecodeMeasurements(arc, err);
  obj.DecodeAbnormals(err);
  obj.m_nType1 = 0;
  obj.m_nType2 = 1;
  obj.SetOutputTypes(0, 0, 0, 0, 0);
  obj.SetObjectNumber(3);
  obj.m_strDescription = "Котельная";
  return obj;
}

TEST(PrintedWindows, ArchiveLinesAreTheTableCellsBetweenBlanks) {
  CObjectDefinition obj = Archive();
  CArchivePrintLines lines(obj, CColumnSwitches{});
  ASSERT_EQ(lines.GetLineCount(), 2);
  const std::string first = lines.GetLineText(0);
  EXPECT_EQ(first.substr(0, 25), "     1           12.5000 ");
  EXPECT_NE(first.find(" 01.02.2012 10:00:00  01.02.2012 11:00:00   75.00% "), std::string::npos) << first;
  const std::vector<std::string> captions = lines.GetCaptions();
  ASSERT_EQ(captions.size(), 7u);
  EXPECT_EQ(captions[0], "№");
  EXPECT_EQ(captions[3], "Начало интервала");
  EXPECT_EQ(captions[5], "Время");
  EXPECT_EQ(captions[6], "Нешт-я ситуация");

  // Without the number the first rule follows the first parameter's text.
  CColumnSwitches noNumber;
  noNumber.m_bShowNumber = false;
  CArchivePrintLines without(obj, noNumber);
  CPageLayout layout(without, PrintTitle(obj), kTenLines);
  EXPECT_EQ(without.GetCaptions().size(), 6u);
  EXPECT_EQ(layout.ColumnEdges().front(), 20 + 6 * 18);
  EXPECT_EQ(layout.Page(1).lines[0].text.substr(0, 18), "          12.5000 ");
}

TEST(PrintedWindows, PastNinetyNineThousandRowsTheNumbersWidenTogether) {
  auto description = test::BuiltInDescription();
  auto obj = test::MakeObject(*description, "TARVIK 59.11.03.04", 0, 1, 100001);
  CArchivePrintLines lines(*obj, CColumnSwitches{});
  ASSERT_EQ(lines.GetLineCount(), 100000);
  const std::string first = lines.GetLineText(0);
  const std::string last = lines.GetLineText(99999);
  EXPECT_EQ(first.substr(0, 8), "      1 ");
  EXPECT_EQ(last.substr(0, 8), " 100000 ");
  EXPECT_EQ(CountCharacters(first), CountCharacters(last));
  CPageLayout layout(lines, "", kTenLines);
  EXPECT_EQ(layout.ColumnEdges().front(), 20 + 6 * 8);
  // Up to 99999 rows the cells are the table's own.
  CArchivePrintLines few(*obj, CColumnSwitches{}, {1, 2, 3});
  EXPECT_EQ(few.GetLineText(0).substr(0, 7), "     1 ");
}

TEST(PrintedWindows, AbnormalTableAndTree) {
  CObjectDefinition obj = Archive();
  CAbnormalPrintLines abnormal(obj);
  ASSERT_EQ(abnormal.GetLineCount(), 1);
  EXPECT_EQ(abnormal.GetCaptions(), (std::vector<std::string>{"№", "Нештатная ситуация", "Начало", "Конец"}));
  EXPECT_EQ(abnormal.GetFirstRowCells().size(), 4u);
  EXPECT_EQ(abnormal.GetLineText(0).substr(0, 7), "     1 ");
  EXPECT_NE(abnormal.GetLineText(0).find(" 01.02.2012 10:30:00  01.02.2012 10:45:00 "), std::string::npos);

  CParamTree tree;
  const size_t a = tree.InsertGroup("Группа А");
  tree.InsertSorted(a, "Строка 1");
  const size_t b = tree.InsertGroup("Группа Б");
  tree.InsertSorted(b, "Строка 2");
  tree.InsertSorted(b, "Строка 3");
  CTreePrintLines some(tree, {false, true});
  ASSERT_EQ(some.GetLineCount(), 3);
  EXPECT_EQ(some.GetLineText(0), "Группа Б");
  EXPECT_EQ(some.GetLineText(2), "       Строка 3");
  CTreePrintLines collapsed(tree, {false});
  EXPECT_EQ(collapsed.GetLineCount(), 0);
  EXPECT_EQ(CPageLayout(collapsed, "", kTenLines).PageCount(), 0);
}

}  // namespace
}  // namespace tkq
