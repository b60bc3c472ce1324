// tarvik-kq print: the program's pages as a PDF with no display, read back
// with pdftotext where poppler is installed.

#include <gtest/gtest.h>

#include <cstdio>
#include <sstream>

#include "core/archive/saved_archive.h"
#include "core/output/print_layout.h"
#include "support/run_result.h"
#include "support/test_support.h"

namespace tkq {
namespace {

using test::TempDir;

using test::Cli;
using test::Result;

bool HavePdfToText() { return test::Shell(".", "sh", "-c 'command -v pdftotext' >/dev/null").status == 0; }

class PrintCommand : public ::testing::Test {
 protected:
  void SetUp() override {
    m_previous = std::filesystem::current_path();
    std::filesystem::current_path(dir.Path());
    description = test::BuiltInDescription();
    test::Bytes err;
    test::AppendAbnormal(err, 1328090400 + 1800, 1328090400 + 5400, 3);
    object = test::MakeObject(*description, "TARVIK 59.11.03.04", 0, 1, 301, err);
    object->m_strDescription = "Ввод №1";
    SaveSavedArchive(dir / "obj.sav", *object);
  }
  void TearDown() override { std::filesystem::current_path(m_previous); }

  TempDir dir;
  std::unique_ptr<CReadParamClass> description;
  std::unique_ptr<CObjectDefinition> object;

 private:
  std::filesystem::path m_previous;
};

TEST_F(PrintCommand, ArchivePagesHoldEveryRowInOrder) {
  Result r = Cli({"print", "obj.sav", "--view", "archive", "-o", "archive.pdf"});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out, "");
  ASSERT_TRUE(std::filesystem::exists(dir / "archive.pdf"));
  if (!HavePdfToText()) GTEST_SKIP() << "pdftotext (poppler-utils) is not installed: the pages are not read back";

  const std::vector<std::string> pages = test::PdfPages(dir / "archive.pdf", true);
  ASSERT_GE(pages.size(), 3u);
  const CArchivePrintLines lines(*object, CColumnSwitches{});
  int32_t next = 0;
  for (size_t p = 0; p < pages.size(); ++p) {
    const std::string& page = pages[p];
    char number[64];
    std::snprintf(number, sizeof number, "Страница %3zu из %3zu", p + 1, pages.size());
    EXPECT_NE(page.find(number), std::string::npos) << page.substr(0, 300);
    // (pdftotext spaces words as it sees fit)
    const size_t title = page.find("Архив объекта №");
    EXPECT_NE(title, std::string::npos) << page.substr(0, 400);
    EXPECT_LT(page.find(" 5 ", title), page.find("считан ", title));
    EXPECT_NE(page.find("Ввод №1"), std::string::npos);
    EXPECT_NE(page.find("Начало интервала"), std::string::npos);
    EXPECT_NE(page.find("Нешт-я ситуация"), std::string::npos);
    // The rows of this page, in order, each with its number and times.
    size_t at = 0;
    while (next < lines.GetLineCount()) {
      const std::string line = lines.GetLineText(next);
      // The start of the interval: after the number and the two values.
      const std::string start = line.substr(7 + 18 + 18 + 1, 19);
      const size_t found = page.find(start, at);
      if (found == std::string::npos) break;
      at = found;
      ++next;
    }
  }
  EXPECT_EQ(next, lines.GetLineCount());
}

TEST_F(PrintCommand, ViewsAndTheirOptions) {
  ASSERT_EQ(
      Cli({"print", "obj.sav", "--view", "abnormal", "-o", "abnormal.pdf", "--page-size", "A3", "--landscape"}).status,
      0);
  ASSERT_EQ(Cli({"print", "obj.sav", "--view", "params", "-o", "params.pdf"}).status, 0);
  ASSERT_EQ(Cli({"print", "obj.sav", "--view", "archive", "-o", "narrow.pdf", "--columns", "number,first",
                 "--output-types", "1,0"})
                .status,
            0);
  if (!HavePdfToText()) GTEST_SKIP() << "pdftotext (poppler-utils) is not installed: the pages are not read back";
  const auto abnormal = test::PdfPages(dir / "abnormal.pdf", true);
  ASSERT_EQ(abnormal.size(), 1u);
  EXPECT_NE(abnormal[0].find("Нештатная ситуация"), std::string::npos);
  EXPECT_NE(abnormal[0].find("01.02.2012 10:30:00"), std::string::npos);
  const auto params = test::PdfPages(dir / "params.pdf", true);
  ASSERT_FALSE(params.empty());
  EXPECT_NE(params[0].find("Системные настройки прибора"), std::string::npos);
  EXPECT_EQ(params[0].find("Начало"), std::string::npos);  // no table
  const auto narrow = test::PdfPages(dir / "narrow.pdf", true);
  ASSERT_FALSE(narrow.empty());
  EXPECT_EQ(narrow[0].find("Конец интервала"), std::string::npos);
}

TEST_F(PrintCommand, TheSummaryWithItsHeadingAndAWideTableOverMorePages) {
  ASSERT_EQ(Cli({"print", "obj.sav", "--view", "days", "--hour", "7", "-o", "days.pdf"}).status, 0);
  ASSERT_EQ(Cli({"print", "obj.sav", "--view", "months", "--output-types", "1,1", "-o", "months.pdf"}).status, 0);
  EXPECT_EQ(Cli({"print", "obj.sav", "--view", "archive", "--hour", "7", "-o", "a.pdf"}).status, 2);
  if (!HavePdfToText()) GTEST_SKIP() << "pdftotext (poppler-utils) is not installed: the pages are not read back";
  const auto days = test::PdfPages(dir / "days.pdf", true);
  ASSERT_EQ(days.size(), 1u);
  EXPECT_NE(days[0].find("Сводка по суткам, отчетный час 7, с 01.02.2012 10:00:00 по"), std::string::npos) << days[0];
  // Two rates do not fit across A4: page 2 goes on with the months and the
  // columns that did not fit.
  const auto months = test::PdfPages(dir / "months.pdf", true);
  ASSERT_EQ(months.size(), 2u);
  EXPECT_NE(months[1].find("Страница   2 из   2"), std::string::npos);
  EXPECT_NE(months[1].find("Сводка по месяцам, отчетный час 0"), std::string::npos);
  EXPECT_NE(months[1].find("02.2012"), std::string::npos) << months[1];
  EXPECT_NE(months[1].find("макс."), std::string::npos);
  EXPECT_EQ(months[1].find("Пропуск"), std::string::npos);
}

TEST_F(PrintCommand, NothingToPrintAndMistakes) {
  Result collapsed = Cli({"print", "obj.sav", "--view", "params", "--collapsed", "-o", "none.pdf"});
  EXPECT_EQ(collapsed.status, 1);
  EXPECT_EQ(collapsed.err, "Нет строк для печати\n");
  EXPECT_FALSE(std::filesystem::exists(dir / "none.pdf"));

  EXPECT_EQ(Cli({"print", "obj.sav", "--view", "archive"}).status, 2);
  EXPECT_EQ(Cli({"print", "obj.sav", "--view", "archive", "-o", "a.pdf", "--printer", "x"}).status, 2);
  EXPECT_EQ(Cli({"print", "obj.sav", "--view", "chart", "-o", "a.pdf"}).status, 2);
  EXPECT_EQ(Cli({"print", "obj.sav", "--view", "archive", "-o", "a.pdf", "--page-size", "B7"}).status, 2);
  Result printer = Cli({"print", "obj.sav", "--view", "archive", "--printer", "no-such-printer"});
  EXPECT_EQ(printer.status, 1);
  EXPECT_EQ(printer.err, "Нет такого принтера: no-such-printer\n");
  Result missing = Cli({"print", "missing.sav", "--view", "archive", "-o", "a.pdf"});
  EXPECT_EQ(missing.status, 2);
  EXPECT_EQ(missing.err.substr(0, missing.err.find('\n')), "Ошибка открытия файла");
  Result folder = Cli({"print", "obj.sav", "--view", "archive", "-o", "no/such/folder/a.pdf"});
  EXPECT_EQ(folder.status, 1);
  EXPECT_NE(folder.err.find("no/such/folder/a.pdf"), std::string::npos) << folder.err;
}

TEST_F(PrintCommand, TheProgramPrintsWithoutADisplayAndSaysNothingWhenItWorks) {
  // As from a service or as root: no display, no XDG_RUNTIME_DIR.
  for (const std::string command : {"print obj.sav --view archive -o shell.pdf", "plot obj.sav -o shell.png"}) {
    const Result r = test::Shell(
        dir.Path(), "env",
        "-u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM -u XDG_RUNTIME_DIR '" TKQ_CLI_PATH "' " + command);
    EXPECT_EQ(r.status, 0) << command << ": " << r.err;
    EXPECT_EQ(r.err, "") << command;
  }
  EXPECT_GT(std::filesystem::file_size(dir / "shell.pdf"), 1000u);
  EXPECT_GT(std::filesystem::file_size(dir / "shell.png"), 1000u);
}

}  // namespace
}  // namespace tkq
