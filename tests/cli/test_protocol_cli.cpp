// tarvik-kq protocol: the survey protocol as a PDF read back with
// pdftotext and as an OpenDocument text read back through LibreOffice,
// both holding the summary's figures; the requisites from the profile; the
// mistakes, and files it must not spoil.

#include <gtest/gtest.h>
#include <unistd.h>

#include <QBuffer>
#include <QImage>
#include <QSettings>
#include <algorithm>
#include <fstream>
#include <map>
#include <set>
#include <sstream>

#include "cli/gui_application.h"
#include "core/archive/saved_archive.h"
#include "core/output/protocol.h"
#include "render/protocol_pages.h"
#include "render/protocol_profile.h"
#include "support/run_result.h"
#include "support/test_support.h"

namespace tkq::protocol_cli_test {
namespace {

using test::Cli;
using test::Result;
using test::TempDir;

constexpr const char* kKept = "a good protocol from before";

bool Have(const std::string& program) {
  return test::Shell(".", "sh", "-c 'command -v " + program + "' >/dev/null").status == 0;
}

// The text of an OpenDocument text as LibreOffice reads it.
std::string OdtText(const std::filesystem::path& odt, const std::filesystem::path& work) {
  const std::string profile = "file://" + (work / "lo-profile").string();
  test::Shell(work, "soffice",
              "-env:UserInstallation=" + profile + " --headless --convert-to txt:Text --outdir '" +
                  (work / "txt").string() + "' '" + odt.string() + "' >/dev/null 2>&1");
  return test::ReadText(work / "txt" / (odt.stem().string() + ".txt"));
}

std::string PdfLayoutText(const std::filesystem::path& pdf) {
  return test::Shell(".", "pdftotext", "-layout '" + pdf.string() + "' -").out;
}

std::vector<std::string> Split(const std::string& text) {
  std::vector<std::string> words;
  std::stringstream in(text);
  for (std::string word; in >> word;) words.push_back(word);
  return words;
}

std::set<std::string> Words(const std::string& text) {
  std::set<std::string> words;
  std::stringstream in(text);
  for (std::string word; in >> word;) words.insert(word);
  return words;
}

// The words of `text` not in `words`, where a word may also have been
// read together with its neighbour (pdftotext joins "№ 4" into "№4", the
// blank being narrower than it expects). The lines to write on, which the
// OpenDocument text types as underscores, are not words.
std::vector<std::string> Missing(const std::string& text, const std::set<std::string>& words) {
  const std::vector<std::string> split = Split(text);
  std::vector<std::string> missing;
  for (size_t i = 0; i < split.size(); ++i) {
    if (split[i].find_first_not_of('_') == std::string::npos) continue;
    const bool found = words.contains(split[i]) || (i > 0 && words.contains(split[i - 1] + split[i])) ||
                       (i + 1 < split.size() && words.contains(split[i] + split[i + 1]));
    if (!found) missing.push_back(split[i]);
  }
  return missing;
}

class ProtocolCommand : public ::testing::Test {
 protected:
  void SetUp() override {
    m_previous = std::filesystem::current_path();
    std::filesystem::current_path(dir.Path());
    description = test::BuiltInDescription();
    test::Bytes err;
    test::AppendAbnormal(err, 1328090400 + 1800, 1328090400 + 5400, 3);
    test::AppendAbnormal(err, 1328090400 + 86400 * 3, 1328090400 + 86400 * 3 + 7200, 1);
    object = test::MakeObject(*description, "TARVIK 59.11.03.04", 0, 1, 301, err);
    object->SetObjectNumber(4);
    object->m_strDescription = "Ввод №1";
    SaveSavedArchive(dir / "obj.sav", *object);
  }
  void TearDown() override { std::filesystem::current_path(m_previous); }

  // The survey's options, the same for every file.
  std::vector<std::string> Args(const std::string& output) const {
    return {"protocol",     "obj.sav",        "-o",        output,           "--number",        "17",
            "--date",       "05.02.2026",     "--address", "ул. Ленина, 1",  "--client",        "ТСЖ «Ленина»",
            "--remarks",    "Узел исправен.", "--days",    "--organisation", "ООО «Теплоучет»", "--technician",
            "Иванов И. И.", "--position",     "инженер",   "--profile",      "none.ini"};
  }

  TempDir dir;
  std::unique_ptr<CReadParamClass> description;
  std::unique_ptr<CObjectDefinition> object;

 private:
  std::filesystem::path m_previous;
};

TEST_F(ProtocolCommand, PdfHoldsTheSummarysFiguresOnNumberedPages) {
  const Result r = Cli(Args("p.pdf"));
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out, "");
  EXPECT_EQ(r.err, "");
  ASSERT_TRUE(std::filesystem::exists(dir / "p.pdf"));
  if (!Have("pdftotext")) GTEST_SKIP() << "pdftotext (poppler-utils) is not installed: the pages are not read back";

  const std::vector<std::string> pages = test::PdfPages(dir / "p.pdf");
  ASSERT_GE(pages.size(), 2u);
  for (size_t p = 0; p < pages.size(); ++p) {
    EXPECT_NE(pages[p].find(ProtocolPageText(static_cast<int>(p + 1), static_cast<int>(pages.size()))),
              std::string::npos)
        << pages[p];
  }
  std::string text;
  for (const std::string& page : pages) text += page;
  for (const char* expected :
       {"Протокол обследования № 17", "от 05.02.2026", "ООО «Теплоучет»", "Иванов И. И.", "ул. Ленина, 1",
        "ТСЖ «Ленина»", "Узел исправен.", "Всего", "Ввод №1", "Обследование провел", "Представитель потребителя"}) {
    EXPECT_NE(text.find(expected), std::string::npos) << expected;
  }
  // Every day's line and the «Всего» line hold the figures of tarvik-kq
  // summary's, in its order (with decimal points).
  const Result summary = Cli({"summary", "obj.sav"});
  ASSERT_EQ(summary.status, 0) << summary.err;
  std::map<std::string, std::vector<std::string>> printed;
  std::stringstream pdf(PdfLayoutText(dir / "p.pdf"));
  for (std::string line; std::getline(pdf, line);) {
    const std::vector<std::string> words = Split(line);
    if (!words.empty()) printed.emplace(words.front(), words);
  }
  std::stringstream lines(summary.out);
  int compared = 0;
  for (std::string line; std::getline(lines, line);) {
    std::vector<std::string> words = Split(line);
    if (words.empty() || !(words[0] == "Всего" || (words[0].size() == 10 && words[0][2] == '.'))) continue;
    for (std::string& word : words) std::replace(word.begin(), word.end(), ',', '.');
    EXPECT_EQ(printed[words[0]], words) << line;
    ++compared;
  }
  EXPECT_EQ(compared, 14);  // 13 days and «Всего»
}

TEST_F(ProtocolCommand, OdtHoldsTheSameTextsAsThePdf) {
  ASSERT_EQ(Cli(Args("p.pdf")).status, 0);
  const Result r = Cli(Args("p.odt"));
  ASSERT_EQ(r.status, 0) << r.err;
  ASSERT_TRUE(std::filesystem::exists(dir / "p.odt"));
  if (!Have("pdftotext") || !Have("soffice")) {
    GTEST_SKIP() << "pdftotext or soffice (LibreOffice) is not installed: the texts are not compared";
  }
  std::string pdf;
  for (const std::string& page : test::PdfPages(dir / "p.pdf")) pdf += page;
  std::string odt = OdtText(dir / "p.odt", dir.Path());
  if (odt.starts_with("\xEF\xBB\xBF")) odt.erase(0, 3);  // the byte-order mark
  ASSERT_FALSE(odt.empty());
  // Every field's label and value and every table cell is in both.
  CProtocolOptions options;
  options.survey = {"17", "ул. Ленина, 1", "ТСЖ «Ленина»", "Узел исправен."};
  options.requisites = {"ООО «Теплоучет»", "", "Иванов И. И.", "инженер"};
  options.date = "05.02.2026";
  options.table = EProtocolTable::kDays;
  options.params = DefaultProtocolParams(object->m_paramTree);
  const CProtocolDocument document = MakeProtocol(*object, options);
  const std::set<std::string> inPdf = Words(pdf);
  const std::set<std::string> inOdt = Words(odt);
  int cells = 0;
  for (const CProtocolBlock& block : document.blocks) {
    std::vector<std::string> texts{block.text};
    for (const auto& [label, value] : block.fields) texts.insert(texts.end(), {label, value});
    for (const auto& row : block.table.rows) texts.insert(texts.end(), row.begin(), row.end());
    for (const auto& caption : block.table.captions) texts.push_back(caption);
    for (const std::string& t : texts) {
      EXPECT_EQ(Missing(t, inPdf), std::vector<std::string>{}) << t;
      EXPECT_EQ(Missing(t, inOdt), std::vector<std::string>{}) << t;
      ++cells;
    }
  }
  EXPECT_GT(cells, 100);
  // And the ODT says nothing the PDF does not.
  EXPECT_EQ(Missing(odt, inPdf), std::vector<std::string>{});
}

TEST_F(ProtocolCommand, RequisitesComeFromTheProfileUnlessGiven) {
  {
    QSettings profile(QString::fromStdString((dir / "profile.ini").string()), QSettings::IniFormat);
    render::SaveRequisites(profile, {"АО «Профиль»", "", "Петров П. П.", "мастер"});
  }
  const Result r = Cli({"protocol", "obj.sav", "-o", "p.pdf", "--profile", "profile.ini", "--technician", "Сидоров"});
  ASSERT_EQ(r.status, 0) << r.err;
  if (!Have("pdftotext")) GTEST_SKIP() << "pdftotext (poppler-utils) is not installed";
  std::string text;
  for (const std::string& page : test::PdfPages(dir / "p.pdf")) text += page;
  EXPECT_NE(text.find("АО «Профиль»"), std::string::npos);
  EXPECT_NE(text.find("мастер"), std::string::npos);
  EXPECT_NE(text.find("Сидоров"), std::string::npos);
  EXPECT_EQ(text.find("Петров"), std::string::npos);
}

TEST(ProtocolProfile, ParamsAndRequisitesComeBackAsSaved) {
  TempDir dir;
  const QString path = QString::fromStdString((dir / "p.ini").string());
  const std::vector<std::vector<std::string>> lists = {
      {}, {"Диаметр трубы, мм"}, {"Серийный номер", "Тип жидкости, плотность", "a,b\"c", ""}};
  for (const auto& names : lists) {
    {
      QSettings settings(path, QSettings::IniFormat);
      bool stored = true;
      settings.remove(render::protocol_key::kParams);
      EXPECT_TRUE(render::LoadProtocolParams(settings, stored).empty());
      EXPECT_FALSE(stored);
      render::SaveProtocolParams(settings, names);
      render::SaveRequisites(settings, {"ООО «Тест», филиал", "C:/logo, 1.png", "", "инженер"});
    }
    const QSettings settings(path, QSettings::IniFormat);
    bool stored = false;
    EXPECT_EQ(render::LoadProtocolParams(settings, stored), names);
    EXPECT_TRUE(stored);
    const CProtocolRequisites r = render::LoadRequisites(settings);
    EXPECT_EQ(r.organisation, "ООО «Тест», филиал");
    EXPECT_EQ(r.logoPath, "C:/logo, 1.png");
    EXPECT_EQ(r.position, "инженер");
  }
}

TEST_F(ProtocolCommand, AskedForRowsTheTreeLacksAreNamedAndLeftOut) {
  const Result r = Cli(
      {"protocol", "obj.sav", "-o", "p.pdf", "--profile", "none.ini", "--param", "Нет такого", "--param", "И этого"});
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_NE(r.err.find("«Нет такого», «И этого»"), std::string::npos) << r.err;
}

TEST_F(ProtocolCommand, LogoIsKeptAsItIsOrMadeAPngOrLeftOutWithAWarning) {
  cli::EnsureGuiApplication();
  QImage picture(40, 20, QImage::Format_RGB32);
  picture.fill(Qt::blue);
  ASSERT_TRUE(picture.save(QString::fromStdString((dir / "logo.jpg").string()), "JPEG"));
  ASSERT_TRUE(picture.save(QString::fromStdString((dir / "logo.bmp").string()), "BMP"));
  std::ofstream(dir / "broken.png") << "not a picture";

  CProtocolDocument document;
  document.logoPath = (dir / "logo.jpg").string();
  render::CProtocolLogo logo = render::LoadProtocolLogo(document);
  EXPECT_EQ(logo.mediaType, "image/jpeg");
  EXPECT_EQ(logo.bytes.toStdString(), test::ReadText(dir / "logo.jpg"));
  EXPECT_EQ(logo.image.size(), QSize(40, 20));

  document.logoPath = (dir / "logo.bmp").string();
  logo = render::LoadProtocolLogo(document);
  EXPECT_EQ(logo.mediaType, "image/png");
  EXPECT_TRUE(logo.bytes.startsWith("\x89PNG"));
  EXPECT_TRUE(logo.problem.isEmpty());

  for (const char* bad : {"broken.png", "absent.png"}) {
    const Result r = Cli({"protocol", "obj.sav", "-o", "p.odt", "--profile", "none.ini", "--logo", bad});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.err.find("Логотип не загружен"), std::string::npos) << r.err;
    EXPECT_NE(r.err.find(bad), std::string::npos) << r.err;
  }
}

TEST_F(ProtocolCommand, MistakesAreUsageErrors) {
  for (const std::vector<std::string>& args : std::vector<std::vector<std::string>>{
           {"protocol", "obj.sav", "-o", "p.docx"},
           {"protocol", "obj.sav", "-o", "p.pdf", "--date", "31.02.2026"},
           {"protocol", "obj.sav", "-o", "p.pdf", "--days", "--months"},
           {"protocol", "obj.sav", "-o", "p.pdf", "--hour", "24"},
           {"protocol", "absent.sav", "-o", "p.pdf"},
       }) {
    const Result r = Cli(args);
    EXPECT_EQ(r.status, 2) << args[3] << r.err;
    EXPECT_FALSE(std::filesystem::exists(dir / "p.pdf"));
  }
  EXPECT_NE(Cli({"protocol", "obj.sav", "-o", "P.ODT", "--profile", "none.ini"}).status, 2);
  EXPECT_NE(Cli({"protocol", "obj.sav", "-o", "p.docx"}).err.find(".pdf or .odt"), std::string::npos);
}

TEST_F(ProtocolCommand, AFileThatCannotBeWrittenKeepsThePreviousOne) {
  // A folder the tool may not write to; root writes anywhere, so root runs
  // the tool as nobody.
  std::filesystem::create_directory(dir / "locked");
  using std::filesystem::perms;
  std::filesystem::permissions(
      dir.Path(), perms::owner_all | perms::group_read | perms::group_exec | perms::others_read | perms::others_exec);
  for (const std::string name : {"p.pdf", "p.odt"}) {
    std::ofstream(dir / "locked" / name) << kKept;
    std::filesystem::permissions(dir / "locked", perms::owner_read | perms::owner_exec | perms::group_read |
                                                     perms::group_exec | perms::others_read | perms::others_exec);
    const Result r = ::geteuid() == 0 ? test::Shell(dir.Path(), "env",
                                                    "LSAN_OPTIONS= ASAN_OPTIONS=\"$ASAN_OPTIONS:detect_leaks=0\" "
                                                    "setpriv --reuid=65534 --regid=65534 --clear-groups '" TKQ_CLI_PATH
                                                    "' protocol obj.sav --profile none.ini -o locked/" +
                                                        name)
                                      : Cli({"protocol", "obj.sav", "--profile", "none.ini", "-o", "locked/" + name});
    std::filesystem::permissions(dir / "locked", perms::owner_all);
    EXPECT_EQ(r.status, 1) << r.err;
    EXPECT_NE(r.err.find("locked/" + name), std::string::npos) << r.err;
    EXPECT_EQ(test::ReadText(dir / "locked" / name), kKept);
  }
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir / "locked"), {}), 2);
}

}  // namespace
}  // namespace tkq::protocol_cli_test
