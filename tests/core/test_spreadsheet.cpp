// The workbook and CSV exports, read back by the tools a user reads them
// with (openpyxl and Python's csv module, through check_export.py) and
// compared with the report files of the same archive.

#include <gtest/gtest.h>
#ifndef _WIN32
#include <sys/wait.h>
#endif

#include <cmath>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <limits>
#include <sstream>

#include "core/output/csv_export.h"
#include "core/output/print_layout.h"
#include "core/output/report.h"
#include "core/output/workbook.h"
#include "core/storage/file_io.h"
#include "support/test_support.h"

namespace tkq {
namespace {

using test::k10h;

std::string Quoted(const std::string& text) { return "'" + text + "'"; }

#ifdef _WIN32
// The checks run python3 through a POSIX shell: none on Windows.
const std::string& Python() {
  static const std::string none;
  return none;
}

testing::AssertionResult Checked(const std::string&) { return testing::AssertionFailure() << "no python3"; }
#else
// The Python with openpyxl: on the path or Debian's own.
const std::string& Python() {
  static const std::string found = [] {
    for (const char* candidate : {"python3", "/usr/bin/python3"}) {
      if (std::system((std::string(candidate) + " -c 'import openpyxl' >/dev/null 2>&1").c_str()) == 0) {
        return std::string(candidate);
      }
    }
    return std::string();
  }();
  return found;
}

// Runs check_export.py; its output is the differences it found.
testing::AssertionResult Checked(const std::string& args) {
  FILE* pipe = ::popen((Python() + " " TKQ_CHECK_EXPORT " " + args + " 2>&1").c_str(), "r");
  if (pipe == nullptr) return testing::AssertionFailure() << "cannot run python";
  std::string output;
  char buffer[4096];
  for (size_t n; (n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;) output.append(buffer, n);
  const int status = ::pclose(pipe);
  if (WIFEXITED(status) && WEXITSTATUS(status) == 0) return testing::AssertionSuccess();
  return testing::AssertionFailure() << output;
}
#endif

class Export : public testing::Test {
 protected:
  void SetUp() override {
    test::Bytes err;
    test::AppendAbnormal(err, k10h + 1800, k10h + 5400, 3);
    test::AppendAbnormal(err, k10h + 20 * 3600, k10h + 20 * 3600 + 900, 9);  // a code with no text
    object = test::MakeObject(*description, "TARVIK 59.11.03.04", 0, 1, 40, err, k10h);
    object->m_arcRecords.GetAt(7)->m_fValue1 = 0.1f;
    object->m_arcRecords.GetAt(12)->m_fValue2 = std::numeric_limits<float>::quiet_NaN();
    object->m_arcRecords.GetAt(20)->m_fValue1 = 3.0e20f;
    for (size_t i = 30; i < 40; ++i) object->m_arcRecords.GetAt(i)->m_nTime += 1800;  // a gap
    object->m_strDescription = "Ввод №1, \"котельная\"\nвторая строка";
    object->m_paramTree.InsertSorted(object->m_paramTree.InsertGroup("Группа, \"кавычки\""),
                                     "Строка \"в кавычках\", с запятой");
    object->m_paramTree.InsertGroup("Пустая группа");
  }

  // The reports check_export.py compares with.
  void WriteReports(const CColumnSwitches& columns = {}) {
    CStringSink archive, abnormal, params;
    WriteArchiveReport(*object, columns, archive);
    WriteAbnormalReport(*object, abnormal);
    WriteParamReport(object->m_paramTree, std::vector<bool>(object->m_paramTree.GetCount(), true), params);
    WriteFileAtomically(dir / "archive.txt", archive.Text());
    WriteFileAtomically(dir / "abnormal.txt", abnormal.Text());
    WriteFileAtomically(dir / "params.txt", params.Text());
    WriteArchiveCsvFile(dir / "days.csv", *object, ECsvView::kDays, 6);
    WriteArchiveCsvFile(dir / "months.csv", *object, ECsvView::kMonths, 6);
  }

  // The workbook of `columns`, checked against the reports.
  testing::AssertionResult WorkbookMatches(const CColumnSwitches& columns, const std::string& names,
                                           uint32_t rowsPerSheet = 1048575) {
    detail::WriteArchiveWorkbook(dir / "book.xlsx", *object, columns, {"Тест", "9.9"}, rowsPerSheet, 6);
    WriteReports(columns);
    std::string caption1, caption2;
    object->GetColumnCaptions(caption1, caption2);
    std::string description = object->m_strDescription;
    for (size_t at; (at = description.find('\n')) != std::string::npos;) description.replace(at, 1, "\\n");
    std::ofstream(dir / "info.txt") << "Объект\t5\nИдентификация\tTARVIK 59.11.03.04 0123\n"
                                    << "Версия\tTARVIK 59.11.03.04\nСчитан\t*date*\nЗаписей архива измерений\t40\n"
                                    << "Интервалов\t38\nНештатных ситуаций\t2\nПрограмма\tТест\n"
                                    << "Версия программы\t9.9\nПервое значение\t" << caption1 << "\n"
                                    << "Описание\t" << description << "\n";
    std::ofstream(dir / "title.txt") << PrintTitle(*object);
    return Checked("workbook " + (dir / "book.xlsx").string() + " " + dir.Path().string() + " " + Quoted(names) + " " +
                   Quoted(caption1) + " " + Quoted(caption2) + " " + std::to_string(rowsPerSheet));
  }

  std::unique_ptr<CReadParamClass> description = test::BuiltInDescription();
  std::unique_ptr<CObjectDefinition> object;
  test::TempDir dir;
};

TEST(Csv, FieldsAreQuotedOnlyWhenTheyMustBe) {
  const auto field = [](std::string_view text) {
    std::string out;
    AppendCsvField(out, text);
    return out;
  };
  EXPECT_EQ(field(""), "");
  EXPECT_EQ(field("Скорость передачи:    1200"), "Скорость передачи:    1200");
  EXPECT_EQ(field("a,b"), "\"a,b\"");
  EXPECT_EQ(field("say \"hi\""), "\"say \"\"hi\"\"\"");
  EXPECT_EQ(field("one\rtwo"), "\"one\rtwo\"");
  EXPECT_EQ(field("Ввод №1, \"котельная\"\nвторая"), "\"Ввод №1, \"\"котельная\"\"\nвторая\"");
}

TEST_F(Export, CsvBytesOfEachView) {
  object->m_paramTree.InsertSorted(object->m_paramTree.GetCount() - 2, "две\r\nстроки");
  std::ostringstream archive, abnormal, params;
  WriteArchiveCsv(archive, *object, ECsvView::kArchive);
  WriteArchiveCsv(abnormal, *object, ECsvView::kAbnormal);
  WriteArchiveCsv(params, *object, ECsvView::kParams);
  const std::string bom = "\xEF\xBB\xBF";
  const std::string head = bom +
                           "number,start,end,value1,value2,archiving_percent,abnormal_code,abnormal_text\r\n"
                           "1,2012-02-01T10:00:00,2012-02-01T11:00:00,1.5,0.25,50,3,НЕТ ОТВЕТА\r\n";
  EXPECT_EQ(archive.str().substr(0, head.size()), head);
  // Every value is the shortest text that reads back as the row's float.
  EXPECT_NE(archive.str().find("\r\n7,2012-02-01T16:00:00,2012-02-01T17:00:00,-108.9,0.25,100,0,\r\n"),
            std::string::npos);
  EXPECT_NE(archive.str().find("\r\n12,2012-02-01T21:00:00,2012-02-01T22:00:00,1.5,nan,100,0,\r\n"), std::string::npos);
  EXPECT_NE(archive.str().find(",3e+20,0.25,100,0,\r\n"
                               "21,2012-02-02T06:00:00,2012-02-02T07:00:00,-3e+20,0.25,75,9,КОД 9\r\n"),
            std::string::npos);
  EXPECT_EQ(archive.str().substr(archive.str().size() - 9), ",100,0,\r\n");
  EXPECT_EQ(abnormal.str(),
            bom +
                "number,code,text,start,end\r\n1,3,НЕТ ОТВЕТА,2012-02-01T10:30:00,2012-02-01T11:30:00\r\n"
                "2,9,КОД 9,2012-02-02T06:00:00,2012-02-02T06:15:00\r\n");
  EXPECT_TRUE(
      params.str().ends_with("\r\n\"Группа, \"\"кавычки\"\"\",\"две\r\nстроки\"\r\n"
                             "\"Группа, \"\"кавычки\"\"\",\"Строка \"\"в кавычках\"\", с запятой\"\r\n"
                             "Пустая группа,\r\n"))
      << params.str();
}

TEST_F(Export, CsvReadBackByPython) {
  if (Python().empty()) GTEST_SKIP() << "python3 with openpyxl is not installed";
  object->SetOutputTypes(1, 1, 0, 0, 0);
  WriteArchiveCsvFile(dir / "archive.csv", *object, ECsvView::kArchive);
  WriteReports();
  EXPECT_TRUE(Checked("csv " + (dir / "archive.csv").string() + " " + dir.Path().string()));
}

TEST_F(Export, WorkbookReadBackByOpenpyxl) {
  if (Python().empty()) GTEST_SKIP() << "python3 with openpyxl is not installed";
  EXPECT_TRUE(WorkbookMatches({}, "number,first,second,start,end,time,abnormal"));
  object->SetOutputTypes(1, 1, 0, 0, 1);
  EXPECT_TRUE(WorkbookMatches({true, false, false, true, false, true, true}, "number,second,time,abnormal"));
  EXPECT_TRUE(WorkbookMatches({false, false, false, false, false, false, false}, ""));
  // Tables longer than a sheet go on in further sheets of the same name.
  EXPECT_TRUE(WorkbookMatches({}, "number,first,second,start,end,time,abnormal", 12));
}

TEST_F(Export, WorkbookHeaderHoldsWhatFitsOfALongDescription) {
  if (Python().empty()) GTEST_SKIP() << "python3 with openpyxl is not installed";
  // Every '&' is doubled; the header fills up on either half of a pair.
  for (const char* lead : {"", "Ж"}) {
    object->m_strDescription = std::string(lead) + "Котельная & насосная №3\n";
    for (int i = 0; i < 150; ++i) object->m_strDescription += i % 3 == 0 ? "Ё" : "&";
    EXPECT_TRUE(WorkbookMatches({}, "number,first,second,start,end,time,abnormal")) << lead;
  }
}

TEST_F(Export, ControlCharactersInTextsLeaveTheWorkbookReadable) {
  if (Python().empty()) GTEST_SKIP() << "python3 with openpyxl is not installed";
  object->m_strDescription = std::string(
      "a\x01"
      "b\x1f"
      "c\td");
  object->m_paramTree.InsertSorted(object->m_paramTree.InsertGroup("g\x02"), "x\x03y");
  WriteArchiveWorkbook(dir / "book.xlsx", *object, {}, {});
  const std::string script =
      "import openpyxl,sys\n"
      "wb=openpyxl.load_workbook(sys.argv[1])\n"
      "cells=[c.value for ws in wb for r in ws.iter_rows() for c in r if isinstance(c.value,str)]\n"
      "print(repr(sorted(v for v in cells if v.startswith(('a ','g ','x ')))))\n";
  std::ofstream(dir / "read.py") << script;
  FILE* pipe = ::popen(
      (Python() + " " + (dir / "read.py").string() + " " + (dir / "book.xlsx").string() + " 2>&1").c_str(), "r");
  ASSERT_NE(pipe, nullptr);
  std::string output;
  char buffer[4096];
  for (size_t n; (n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;) output.append(buffer, n);
  ::pclose(pipe);
  EXPECT_EQ(output, "['a b c\\td', 'g ', 'x y']\n");
}

TEST_F(Export, AFailedWriteKeepsTheFile) {
  const auto book = dir / "book.xlsx";
  const auto csv = dir / "view.csv";
  std::ofstream(book) << "the good workbook";
  std::ofstream(csv) << "the good csv";
  for (EFileStep failing : {EFileStep::kCreate, EFileStep::kWrite, EFileStep::kSync, EFileStep::kRename}) {
    SetFileFaultHook([failing](EFileStep step) { return step == failing ? ENOSPC : 0; });
    EXPECT_THROW(WriteArchiveWorkbook(book, *object, {}, {}), std::runtime_error);
    EXPECT_THROW(WriteArchiveCsvFile(csv, *object, ECsvView::kArchive), std::runtime_error);
    SetFileFaultHook({});
    EXPECT_EQ(test::ReadText(book), "the good workbook");
    EXPECT_EQ(test::ReadText(csv), "the good csv");
    // Nothing is left beside them.
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.Path()), {}), 2);
  }
  try {
    WriteArchiveWorkbook(dir / "absent" / "book.xlsx", *object, {}, {});
    ADD_FAILURE() << "written into a missing folder";
  } catch (const std::runtime_error& e) {
    EXPECT_NE(std::string(e.what()).find(PathToUtf8(std::filesystem::path("absent") / "book.xlsx")), std::string::npos)
        << e.what();
  }
}

// A workbook the library cannot close says what it failed at and why, not
// the library's guess at a cause.
TEST(Workbook, ACloseFailureGivesTheSystemsReason) {
  constexpr int kCreatingXlsxFile = 2, kCreatingTmpfile = 3;  // libxlsxwriter's lxw_error
  EXPECT_EQ(detail::WorkbookCloseFailure(kCreatingXlsxFile, ENOENT), "ошибка создания файла: нет такого файла или папки");
  EXPECT_EQ(detail::WorkbookCloseFailure(kCreatingXlsxFile, 0), "ошибка создания файла");
  EXPECT_EQ(detail::WorkbookCloseFailure(kCreatingTmpfile, ENOSPC), "ошибка создания временного файла: диск заполнен");
}

}  // namespace
}  // namespace tkq
