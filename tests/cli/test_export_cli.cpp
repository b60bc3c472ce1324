// tarvik-kq export, in-process, in a folder of its own.

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "core/archive/saved_archive.h"
#include "core/output/csv_export.h"
#include "core/output/summary_table.h"
#include "core/output/workbook.h"
#include "core/storage/file_io.h"
#include "support/run_result.h"

namespace tkq {
namespace {

using test::Cli;
using test::Result;

class ExportCli : public ::testing::Test {
 protected:
  void SetUp() override {
    m_previous = std::filesystem::current_path();
    std::filesystem::current_path(dir.Path());
    test::Bytes err;
    test::AppendAbnormal(err, 1328090400 + 1800, 1328090400 + 5400, 3);
    object = test::MakeObject(*description, "TARVIK 59.11.03.04", 0, 1, 6, err);
    SaveSavedArchive(dir / "obj.sav", *object);
  }
  void TearDown() override { std::filesystem::current_path(m_previous); }

  std::string CoreCsv(ECsvView view, int hour = 0) {
    std::ostringstream out;
    WriteArchiveCsv(out, *object, view, hour);
    return out.str();
  }

  test::TempDir dir;
  std::unique_ptr<CReadParamClass> description = test::BuiltInDescription();
  std::unique_ptr<CObjectDefinition> object;

 private:
  std::filesystem::path m_previous;
};

TEST_F(ExportCli, WritesTheCoresFiles) {
  Result book = Cli({"export", "obj.sav", "-o", "book.xlsx", "--columns", "number,first,abnormal", "--result"});
  EXPECT_EQ(book.status, 0) << book.err;
  EXPECT_EQ(book.out + book.err, "");
  EXPECT_EQ(test::ReadText(dir / "book.xlsx").substr(0, 2), "PK");

  // The view settings choose the values of the CSV as of the table.
  Result csv = Cli({"export", "obj.sav", "-o", "view.csv", "--view", "archive", "--output-types", "1,0", "--units",
                    "1,0", "--result"});
  EXPECT_EQ(csv.status, 0) << csv.err;
  object->SetOutputTypes(1, 1, 0, 0, 1);
  EXPECT_EQ(test::ReadText(dir / "view.csv"), CoreCsv(ECsvView::kArchive));

  EXPECT_EQ(Cli({"export", "obj.sav", "-o", "P.CSV", "--view", "params"}).status, 0);
  EXPECT_EQ(test::ReadText(dir / "P.CSV"), CoreCsv(ECsvView::kParams));

  EXPECT_NE(Cli({"--help"}).out.find("\n  export "), std::string::npos);
  EXPECT_EQ(Cli({"export", "--help"}).status, 0);
}

TEST_F(ExportCli, TheSummaryIsTheCores) {
  // The days and months of the CSV follow the reporting hour and the view
  // settings.
  Result days = Cli({"export", "obj.sav", "-o", "days.csv", "--view", "days", "--hour", "7", "--output-types", "1,0"});
  EXPECT_EQ(days.status, 0) << days.err;
  object->SetOutputTypes(1, 0, 0, 0, 0);
  EXPECT_EQ(test::ReadText(dir / "days.csv"), CoreCsv(ECsvView::kDays, 7));
  EXPECT_EQ(Cli({"export", "obj.sav", "-o", "months.csv", "--view", "months", "--output-types", "1,0"}).status, 0);
  EXPECT_EQ(test::ReadText(dir / "months.csv"), CoreCsv(ECsvView::kMonths));

  // The tool's text is the report's, in UTF-8 and without trailing blanks.
  Result text = Cli({"summary", "obj.sav", "--months", "--hour", "5", "--output-types", "1,0"});
  EXPECT_EQ(text.status, 0) << text.err;
  const CSummary summary = MakeSummary(*object, 5);
  std::string expected;
  for (std::string line : CSummaryTable(*object, summary, ESummaryPeriods::kMonths).TextLines(',')) {
    while (!line.empty() && line.back() == ' ') line.pop_back();
    expected += line + "\n";
  }
  EXPECT_EQ(text.out, expected);
  EXPECT_NE(text.out.find("Расход +, м3/ч: среднее "), std::string::npos) << text.out;
  EXPECT_NE(Cli({"--help"}).out.find("\n  summary "), std::string::npos);
}

TEST_F(ExportCli, MistakesWriteNothing) {
  const std::vector<std::vector<std::string>> mistakes = {
      {"export", "obj.sav", "-o", "out.csv"},
      {"export", "obj.sav", "-o", "out.xlsx", "--view", "archive"},
      {"export", "obj.sav", "-o", "out.csv", "--view", "archive", "--columns", "number"},
      {"export", "obj.sav", "-o", "out.csv", "--view", "everything"},
      {"export", "obj.sav", "-o", "out.txt"},
      {"export", "obj.sav"},
      {"export", "obj.sav", "-o", "out.xlsx", "--output-types", "3,0"},
      {"export", "absent.sav", "-o", "out.xlsx"},
      {"export", "obj.sav", "-o", "out.csv", "--view", "archive", "--hour", "3"},
      {"export", "obj.sav", "-o", "out.csv", "--view", "days", "--hour", "24"},
      {"summary", "obj.sav", "--hour", "-1"},
      {"summary", "obj.sav", "--columns", "number"},
      {"summary", "absent.sav"},
  };
  for (const auto& args : mistakes) {
    Result r = Cli(args);
    EXPECT_EQ(r.status, 2) << args.back() << "\n" << r.err;
    EXPECT_NE(r.err, "");
  }
  EXPECT_EQ(Cli({"export", "obj.sav", "-o", "out.csv"}).err,
            "tarvik-kq: a CSV file holds one view: choose it with --view archive|abnormal|params|days|months\n"
            "Run 'tarvik-kq export --help' for more information.\n");
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.Path()), {}), 1);  // obj.sav only
}

TEST_F(ExportCli, AFailedWriteKeepsTheFile) {
  std::ofstream(dir / "book.xlsx") << "the good workbook";
  SetFileFaultHook([](EFileStep step) { return step == EFileStep::kRename ? EIO : 0; });
  for (const char* output : {"book.xlsx", "absent/book.xlsx"}) {
    Result r = Cli({"export", "obj.sav", "-o", output});
    EXPECT_EQ(r.status, 1) << output;
    EXPECT_EQ(r.err.substr(0, r.err.find('\n')), "Ошибка открытия файла") << r.err;
  }
  SetFileFaultHook({});
  EXPECT_EQ(test::ReadText(dir / "book.xlsx"), "the good workbook");
}

// A file another program keeps open: the tool says so in its words.
TEST_F(ExportCli, AFileHeldElsewhereIsSaidSo) {
  std::ofstream(dir / "book.xlsx") << "the good workbook";
  SetFileFaultHook([](EFileStep step) { return step == EFileStep::kRename ? EBUSY : 0; });
  for (const std::vector<std::string>& args :
       {std::vector<std::string>{"export", "obj.sav", "-o", "book.xlsx"},
        std::vector<std::string>{"export", "obj.sav", "-o", "book.csv", "--view", "abnormal"},
        std::vector<std::string>{"report", "obj.sav", "--view", "params", "-o", "book.txt"}}) {
    Result r = Cli(args);
    EXPECT_EQ(r.status, 1) << args[3];
    EXPECT_EQ(r.err.substr(0, r.err.find('\n')), "Файл открыт в другой программе. Закройте его там и повторите.")
        << r.err;
    EXPECT_NE(r.err.find("book."), std::string::npos) << r.err;
  }
  SetFileFaultHook({});
  EXPECT_EQ(test::ReadText(dir / "book.xlsx"), "the good workbook");
}

}  // namespace
}  // namespace tkq
