// The protocol as an OpenDocument text: the package as its readers take
// it (Python's zipfile and XML parser, through check_odt.py), and the
// text LibreOffice finds in it when it converts it to plain text and PDF.

#include <gtest/gtest.h>
#ifndef _WIN32
#include <sys/wait.h>
#endif

#include <cerrno>
#include <cstdio>
#include <fstream>
#include <numeric>
#include <sstream>

#include "core/archive/object_definition.h"
#include "core/description/read_param_class.h"
#include "core/output/protocol_odt.h"
#include "core/storage/file_io.h"
#include "support/test_support.h"

namespace tkq::protocol_odt_test {
namespace {

// A protocol with every kind of block; its table of `days` rows runs over
// pages when long.
CProtocolDocument Document(int days) {
  CProtocolDocument document;
  document.organisation = "ООО «Теплоучёт» & партнёры";
  const auto add = [&](EProtocolBlock kind, std::string text = {}) -> CProtocolBlock& {
    CProtocolBlock& block = document.blocks.emplace_back();
    block.kind = kind;
    block.text = std::move(text);
    return block;
  };
  add(EProtocolBlock::kTitle, "Протокол обследования № 17/2\nот 05.03.2026");
  add(EProtocolBlock::kHeading, "Объект измерений");
  add(EProtocolBlock::kFields).fields = {
      {"Объект", "5 Ввод №1, \"котельная\""}, {"Адрес", "ул. Ленина, 1 <корпус 2>"}, {"Заказчик", "МУП «Водоканал»"}};
  add(EProtocolBlock::kHeading, "Сводка по суткам");
  CProtocolTable& table = add(EProtocolBlock::kTable).table;
  table.captions = {"Сутки", "Объем, м3", "Время измерений, ч"};
  table.align = {EPrintAlign::kLeft, EPrintAlign::kRight, EPrintAlign::kRight};
  for (int day = 1; day <= days; ++day) {
    table.rows.push_back({"сутки-" + std::to_string(day), std::to_string(100 + day) + ",5", "24"});
  }
  table.rows.push_back({"Всего", "12345,6", "720"});
  table.lastRowIsTotal = true;
  add(EProtocolBlock::kChart);
  add(EProtocolBlock::kHeading, "Примечания");
  add(EProtocolBlock::kParagraph, "Первый абзац.\nВторой абзац.");
  add(EProtocolBlock::kSignatures).signatures = {{"Обследование провел", "Иванов И. И.", "инженер"},
                                                 {"Представитель потребителя", "", ""}};
  return document;
}

// The smallest PNG: one pixel.
std::string Pixel() {
  static const unsigned char png[] = {
      0x89, 0x50, 0x4E, 0x47, 0x0D, 0x0A, 0x1A, 0x0A, 0x00, 0x00, 0x00, 0x0D, 0x49, 0x48, 0x44, 0x52, 0x00, 0x00,
      0x00, 0x01, 0x00, 0x00, 0x00, 0x01, 0x08, 0x06, 0x00, 0x00, 0x00, 0x1F, 0x15, 0xC4, 0x89, 0x00, 0x00, 0x00,
      0x0D, 0x49, 0x44, 0x41, 0x54, 0x78, 0x9C, 0x63, 0xF8, 0xCF, 0xC0, 0xF0, 0x1F, 0x00, 0x05, 0x00, 0x01, 0xFF,
      0x89, 0x99, 0x3D, 0x1D, 0x00, 0x00, 0x00, 0x00, 0x49, 0x45, 0x4E, 0x44, 0xAE, 0x42, 0x60, 0x82};
  return std::string(reinterpret_cast<const char*>(png), sizeof png);
}

CProtocolOdtPictures Pictures() {
  CProtocolOdtPictures pictures;
  pictures.chart = {Pixel(), "image/png", 180, 90};
  pictures.logo = {Pixel(), "image/png", 100, 10};  // wider than the logo may be
  return pictures;
}

std::string ReadText(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

size_t Count(const std::string& text, const std::string& what) {
  size_t n = 0;
  for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + what.size())) ++n;
  return n;
}

#ifdef _WIN32
testing::AssertionResult Checked(const std::string&) { return testing::AssertionFailure() << "no python3"; }
#else
// Runs check_odt.py; its output is the problems it found.
testing::AssertionResult Checked(const std::string& args) {
  FILE* pipe = ::popen(("python3 " TKQ_CHECK_ODT " " + args + " 2>&1").c_str(), "r");
  if (pipe == nullptr) return testing::AssertionFailure() << "cannot run python3";
  std::string output;
  char buffer[4096];
  for (size_t n; (n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;) output.append(buffer, n);
  const int status = ::pclose(pipe);
  if (WIFEXITED(status) && WEXITSTATUS(status) == 0) return testing::AssertionSuccess();
  return testing::AssertionFailure() << output;
}
#endif

TEST(ProtocolOdt, PackageHoldsItsPartsMimetypeFirstAndStored) {
  // The first local header: stored (method 0), no extra field, so that the
  // media type is read at offset 38.
  const std::string bytes = ProtocolOdtBytes(Document(1), Pictures());
  ASSERT_GT(bytes.size(), 100u);
  EXPECT_EQ(bytes.substr(0, 4), "PK\x03\x04");
  EXPECT_EQ(bytes.substr(8, 2), std::string(2, '\0'));
  EXPECT_EQ(bytes.substr(28, 2), std::string(2, '\0'));
  EXPECT_EQ(bytes.substr(30, 47), "mimetypeapplication/vnd.oasis.opendocument.text");
#ifdef _WIN32
  GTEST_SKIP() << "checked with Python's zipfile, on Linux";
#endif
  test::TempDir dir;
  WriteProtocolOdt(Document(3), Pictures(), dir / "a.odt");
  EXPECT_TRUE(Checked("package " + (dir / "a.odt").string() +
                      " mimetype content.xml styles.xml meta.xml META-INF/manifest.xml Pictures/chart.png "
                      "Pictures/logo.png"));
  // No pictures given, or a logo of a type no reader shows: none in the package.
  CProtocolOdtPictures odd;
  odd.logo = {"BM....", "image/x-unknown", 10, 10};
  WriteProtocolOdt(Document(3), odd, dir / "b.odt");
  EXPECT_TRUE(Checked("package " + (dir / "b.odt").string() +
                      " mimetype content.xml styles.xml meta.xml "
                      "META-INF/manifest.xml"));
}

TEST(ProtocolOdt, TextsAreEscapedAndBlanksKept) {
  CProtocolDocument document;
  document.blocks.push_back(
      {EProtocolBlock::kParagraph, "A & B <c> \"q\" 'r'\x01\x1f end  two   three\tx", {}, {}, {}});
  document.blocks.push_back({EProtocolBlock::kHeading, std::string("bad \xff byte"), {}, {}, {}});
  const std::string content = ProtocolOdtContent(document, {});
  EXPECT_NE(content.find("A &amp; B &lt;c&gt; &quot;q&quot; &apos;r&apos; end <text:s/>two <text:s text:c=\"2\"/>"
                         "three<text:tab/>x"),
            std::string::npos)
      << content;
  EXPECT_EQ(content.find('\x01'), std::string::npos);
  EXPECT_NE(content.find("bad \xef\xbf\xbd byte"), std::string::npos);  // U+FFFD
  // Nothing about when it was written: the same text twice.
  EXPECT_EQ(content, ProtocolOdtContent(document, {}));
  EXPECT_EQ(content.find("date"), std::string::npos);
}

TEST(ProtocolOdt, ColumnsShareTheWidthByTheirLongestCell) {
  CProtocolTable table;
  table.captions = {"Дата", "Нештатная ситуация", "Длительность"};
  table.rows = {{"01.03.2026", "Отсутствие питания прибора долгое", "1:00"}, {"02.03.2026", "", "10:00"}};
  const std::vector<double> widths = ProtocolOdtColumnWidths(table, 180);
  ASSERT_EQ(widths.size(), 3u);
  EXPECT_NEAR(std::accumulate(widths.begin(), widths.end(), 0.0), 180, 1e-9);
  EXPECT_GT(widths[1], widths[0]);
  // The caption's longest word, not its whole text, widens the last column.
  EXPECT_GT(widths[2], widths[0]);
  EXPECT_LT(widths[2], widths[1]);
  // A logo wider than allowed is shrunk, its proportions kept.
  const std::string content = ProtocolOdtContent(Document(1), Pictures());
  EXPECT_NE(content.find("svg:width=\"50.00mm\" svg:height=\"5.00mm\""), std::string::npos);
  EXPECT_NE(content.find("svg:width=\"180.00mm\" svg:height=\"90.00mm\""), std::string::npos);
}

TEST(ProtocolOdt, FailedWriteLeavesTheFileThere) {
  test::TempDir dir;
  EXPECT_THROW(WriteProtocolOdt(Document(2), {}, dir / "нет папки" / "a.odt"), CFileError);
  WriteFileAtomically(dir / "a.odt", "good");
  SetFileFaultHook([](EFileStep step) { return step == EFileStep::kWrite ? ENOSPC : 0; });
  try {
    WriteProtocolOdt(Document(2), {}, dir / "a.odt");
    ADD_FAILURE() << "no error";
  } catch (const CFileError& e) {
    EXPECT_EQ(e.code().value(), ENOSPC);
  }
  SetFileFaultHook({});
  EXPECT_EQ(ReadText(dir / "a.odt"), "good");
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.Path()), {}), 1);
}

// An archive's own protocol, with its abnormal situations: the package is
// well-formed, and LibreOffice reads every cell of its tables.
TEST(ProtocolOdt, ArchivesProtocolReadsBack) {
#ifdef _WIN32
  GTEST_SKIP() << "LibreOffice converts on Linux";
#endif
  test::Bytes err;
  test::AppendAbnormal(err, test::k10h + 5 * 3600, test::k10h + 6 * 3600 + 30, 1);
  const auto object = test::MakeObject(*test::BuiltInDescription(), "TARVIK 59.11.03.04", 0, 1, 80, err, test::k10h);
  CProtocolOptions options;
  options.requisites = {"ООО «Тест»", "", "Иванов И. И.", "инженер"};
  options.params = DefaultProtocolParams(object->m_paramTree);
  const CProtocolDocument document = MakeProtocol(*object, options);
  test::TempDir dir;
  WriteProtocolOdt(document, Pictures(), dir / "p.odt");
  ASSERT_TRUE(Checked("package " + (dir / "p.odt").string() +
                      " mimetype content.xml styles.xml meta.xml META-INF/manifest.xml Pictures/chart.png "
                      "Pictures/logo.png"));
  ASSERT_TRUE(Checked("convert " + (dir / "p.odt").string() + " " + dir.Path().string()));
  const std::string text = ReadText(dir / "doc.txt");
  int tables = 0;
  for (const CProtocolBlock& block : document.blocks) {
    if (block.kind != EProtocolBlock::kTable) continue;
    ++tables;
    for (const std::vector<std::string>& row : block.table.rows) {
      for (const std::string& cell : row) EXPECT_NE(text.find(cell), std::string::npos) << cell;
    }
  }
  EXPECT_GE(tables, 3);  // the days, the situations, the parameters
}

// LibreOffice's reading of a protocol whose table runs over pages: every
// text there, every page numbered, the table's header on each of its pages.
TEST(ProtocolOdt, ConvertedByLibreOffice) {
#ifdef _WIN32
  GTEST_SKIP() << "LibreOffice converts on Linux";
#endif
  test::TempDir dir;
  WriteProtocolOdt(Document(150), Pictures(), dir / "protocol.odt");
  ASSERT_TRUE(Checked("convert " + (dir / "protocol.odt").string() + " " + dir.Path().string()));
  const std::string text = ReadText(dir / "doc.txt");
  for (const char* expected :
       {"ООО «Теплоучёт» & партнёры", "Протокол обследования № 17/2", "от 05.03.2026", "Объект измерений",
        "5 Ввод №1, \"котельная\"", "ул. Ленина, 1 <корпус 2>", "сутки-77", "101,5", "Всего", "12345,6",
        "Первый абзац.\nВторой абзац.", "Обследование провел", "Иванов И. И.", "инженер", "Представитель потребителя",
        "Подпись ____________", "Дата ____________"}) {
    EXPECT_NE(text.find(expected), std::string::npos) << expected;
  }

  const std::string pdf = ReadText(dir / "pdf.txt");
  std::vector<std::string> pages;
  std::istringstream in(pdf);
  for (std::string page; std::getline(in, page, '\f');) {
    if (page.find_first_not_of(" \n") != std::string::npos) pages.push_back(page);
  }
  ASSERT_GE(pages.size(), 3u);  // 150 rows run over two pages at least, and the rest follows
  const std::string count = std::to_string(pages.size());
  int tablePages = 0;
  for (size_t i = 0; i < pages.size(); ++i) {
    EXPECT_NE(pages[i].find("Страница " + std::to_string(i + 1) + " из " + count), std::string::npos) << pages[i];
    if (pages[i].find("сутки-") != std::string::npos) {
      ++tablePages;
      EXPECT_EQ(Count(pages[i], "Сутки"), 1u) << "page " << i + 1;
    }
  }
  EXPECT_GE(tablePages, 2);
}

}  // namespace
}  // namespace tkq::protocol_odt_test
