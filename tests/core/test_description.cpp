// The device description: the built-in tables, the description file and
// its load at start, and version selection.

#include <gtest/gtest.h>

#include <fstream>

#include "core/base/cp1251.h"
#include "core/description/param_layout.h"
#include "core/description/read_param_class.h"
#include "support/test_support.h"

namespace tkq {
namespace {

using test::Bytes;
using test::TempDir;

std::string Builtin() { return test::BuiltInDescription()->StoreToBytes(); }

std::string Hex(const std::string& bytes) {
  std::string out;
  char buf[4];
  for (unsigned char c : bytes) {
    std::snprintf(buf, sizeof buf, "%02X ", c);
    out += buf;
  }
  return out;
}

TEST(BuiltInDescription, FileIsExactToTheByte) {
  const std::string file = Builtin();
  EXPECT_EQ(file.size(), 32397u);
  // 18 versions; the first introduces its class; its fields follow.
  std::string head = std::string("\x12\x00\xFF\xFF\x01\x00\x0B\x00", 8) + "CVersionDef" + "\x12" +
                     "TARVIK 59.11.00.02" +
                     std::string("\x00\x00\x00\x00\x56\x00\x00\x00\x08\x00\x00\x00\x51\x52", 14) + "\x01\x80";
  EXPECT_EQ(Hex(file.substr(0, head.size())), Hex(head));

  std::string sets = std::string("\x05\x00\xFF\xFF\x01\x00\x14\x00", 8) + "CMyObArrayWithDelete" +
                     std::string("\xC8\x00\xFF\xFF\x01\x00\x09\x00", 8) + "CParamDef" + "\x12" +
                     Utf8ToCp1251("Скорость передачи:") +
                     std::string("\x03\x00\x00\x00\x00\x56\x00\x00\x00\x00\x01", 11) + "\x16\x80";
  EXPECT_EQ(Hex(file.substr(647, sets.size())), Hex(sets));
  // The second parameter set is tagged with the array class's number 20.
  EXPECT_NE(file.find(std::string("\x14\x80\xC8\x00", 4)), std::string::npos);
}

TEST(BuiltInDescription, TablesHaveTheirSlots) {
  auto d = test::BuiltInDescription();
  ASSERT_EQ(d->m_versions.GetSize(), 18u);
  EXPECT_EQ(d->m_versions[17]->m_strName, "TARVIK 59.11.03.04");
  EXPECT_EQ(d->m_formats.size(), 60u);
  EXPECT_EQ(d->m_formats[40], "%9lu");
  EXPECT_EQ(d->m_formats[41], "");
  ASSERT_EQ(d->m_paramSets.GetSize(), 5u);
  for (size_t set = 0; set < 5; ++set) {
    EXPECT_EQ(d->m_paramSets[set]->GetSize(), 200u);
    EXPECT_EQ(d->m_groupCaptions[set].size(), 40u);
    EXPECT_EQ(d->m_enumTexts[set].size(), 83u);
  }
  // Latin letters where the documentation has them.
  EXPECT_EQ(d->m_groupCaptions[4][8],
            "Параметры тепло\x63"
            "ети");
  EXPECT_EQ(d->m_groupCaptions[1][8], "");
  EXPECT_EQ(d->m_enumTexts[4][36],
            "   отсут\x63"
            "твует");
  EXPECT_EQ(d->m_enumTexts[4][62], " dОбъема");
  // Sets 0 and 1 lack three texts, so later enumerations start earlier.
  EXPECT_EQ(d->m_enumTexts[0][18], d->m_enumTexts[4][21]);
  EXPECT_EQ(d->m_enumTexts[0][64], d->m_enumTexts[4][67]);
  EXPECT_EQ(d->m_enumTexts[0][65], "");
  const CParamDef* setOneRow = (*d->m_paramSets[1])[12];  // set-4 row 13, "Кор. скорости потока:"
  EXPECT_EQ(setOneRow->m_strCaption, "Кор. скорости потока:");
  EXPECT_EQ(setOneRow->m_nEnumBase, 46);
  EXPECT_EQ((*d->m_paramSets[0])[84]->m_strCaption, "Режим просмотра архива");
  EXPECT_EQ((*d->m_paramSets[4])[19]->m_strCaption, "Смещение разности, мкс ");
}

TEST(BuiltInDescription, FileSizesFollowFromTheRows) {
  auto d = test::BuiltInDescription();
  const size_t par[] = {228, 237, 271, 272, 272};
  const size_t dev[] = {36, 44, 44, 49, 55};
  for (const char* name :
       {"TARVIK 59.11.00.02", "TARVIK 59.11.01.03", "TARVIK 59.11.02.00", "TARVIK 59.11.02.03", "TARVIK 59.11.03.04"}) {
    ASSERT_TRUE(d->SelectVersion(name));
    const CParamLayout layout = LayoutOf(*d, *d->CurrentVersion());
    EXPECT_EQ(layout.parSize, par[d->m_nCurParamSet]) << name;
    EXPECT_EQ(layout.devSize, dev[d->m_nCurParamSet]) << name;
  }
}

TEST(DescriptionFile, RoundTripsByteForByte) {
  const std::string file = Builtin();
  CReadParamClass loaded;
  CArchiveStream in(std::span(reinterpret_cast<const uint8_t*>(file.data()), file.size()));
  loaded.Serialize(in);
  EXPECT_EQ(in.Remaining(), 0u);
  EXPECT_EQ(loaded.StoreToBytes(), file);
}

TEST(DescriptionFile, DamageIsRefusedAndChangesNothing) {
  const std::string file = Builtin();
  auto d = test::BuiltInDescription();
  const std::string before = d->StoreToBytes();
  for (size_t cut : {size_t{0}, size_t{1}, size_t{647}, size_t{5000}, file.size() - 1}) {
    const Bytes part(file.begin(), file.begin() + static_cast<ptrdiff_t>(cut));
    CArchiveStream in(part);
    EXPECT_THROW(d->Serialize(in), CArchiveError) << cut;
  }
  // A parameter record where a version belongs.
  std::string wrong = file;
  wrong.replace(8, 11, "CObjArcElem");  // a registered class, in the wrong place
  Bytes wrongBytes(wrong.begin(), wrong.end());
  CArchiveStream in(wrongBytes);
  EXPECT_THROW(d->Serialize(in), CArchiveError);
  EXPECT_EQ(d->StoreToBytes(), before);
}

TEST(DescriptionFile, AnAppendedVersionIsSelectable) {
  auto d = test::BuiltInDescription();
  d->m_versions.Add(std::make_unique<CVersionDef>("TARVIK 59.11.09.99", 2, 101, 9, 81, 82));
  TempDir dir;
  ASSERT_TRUE(d->SaveDescription(dir / "TarvikKQ.def"));
  CReadParamClass loaded;
  loaded.LoadFile(dir / "TarvikKQ.def");
  EXPECT_EQ(loaded.VersionNames().size(), 19u);
  EXPECT_TRUE(loaded.SelectVersion("TARVIK 59.11.09.99"));
  EXPECT_EQ(loaded.m_nCurVersion, 18);
  EXPECT_EQ(loaded.m_nCurParamSet, 2);
}

TEST(SelectVersion, ComparesExactlyAndTakesTheFirst) {
  auto d = test::BuiltInDescription();
  EXPECT_TRUE(d->SelectVersion("TARVIK 59.11.03.04"));
  EXPECT_EQ(d->m_nCurVersion, 17);
  EXPECT_FALSE(d->SelectVersion("tarvik 59.11.03.04"));
  EXPECT_FALSE(d->SelectVersion("TARVIK 59.11.03.05"));
  EXPECT_EQ(d->m_nCurVersion, 17);  // a refusal keeps the selection
  d->m_versions.Add(std::make_unique<CVersionDef>("TARVIK 59.11.01.00", 4, 108, 9, 82, 83));
  EXPECT_TRUE(d->SelectVersion("TARVIK 59.11.01.00"));
  EXPECT_EQ(d->m_nCurVersion, 1);
  EXPECT_EQ(d->m_nCurParamSet, 1);
}

struct StartUp {
  std::vector<std::string> messages;
  bool fromFile = false;
  void Run(CReadParamClass& d, const std::filesystem::path& file,
           EMissingDescription missing = EMissingDescription::kWriteQuietly) {
    fromFile = d.LoadAtStart(file, [&](std::string_view m) { messages.emplace_back(m); }, missing);
  }
};

TEST(LoadAtStart, WritesTheBuiltInDescriptionOnceAndReadsItAfterwards) {
  TempDir dir;
  const auto file = dir / "TarvikKQ.def";
  CReadParamClass first;
  StartUp one;
  one.Run(first, file);
  EXPECT_FALSE(one.fromFile);
  EXPECT_TRUE(one.messages.empty());  // a first start: nothing is wrong
  EXPECT_EQ(std::filesystem::file_size(file), 32397u);

  // A file the user named and that is not there is said all the same.
  CReadParamClass named;
  StartUp asked;
  asked.Run(named, dir / "other.def", EMissingDescription::kTellUser);
  ASSERT_EQ(asked.messages.size(), 1u);
  EXPECT_EQ(asked.messages[0], "НЕВОЗМОЖНО ОТКРЫТЬ ФАЙЛ НАСТРОЕК ВЕРСИЙ ПРИБОРОВ");
  EXPECT_EQ(std::filesystem::file_size(dir / "other.def"), 32397u);

  CReadParamClass second;
  StartUp two;
  two.Run(second, file);
  EXPECT_TRUE(two.fromFile);
  EXPECT_TRUE(two.messages.empty());
  EXPECT_EQ(second.VersionNames(), first.VersionNames());
}

TEST(LoadAtStart, AnUnreadableFileIsReplacedButKept) {
  TempDir dir;
  const auto file = dir / "TarvikKQ.def";
  {
    std::ofstream(file, std::ios::binary) << "";  // zero length counts as unreadable
  }
  CReadParamClass empty;
  StartUp one;
  one.Run(empty, file);
  EXPECT_EQ(one.messages.size(), 1u);
  EXPECT_EQ(std::filesystem::file_size(file), 32397u);

  std::string damaged = Builtin().substr(0, 20000);
  { std::ofstream(file, std::ios::binary | std::ios::trunc) << damaged; }
  CReadParamClass d;
  StartUp two;
  two.Run(d, file);
  EXPECT_EQ(two.messages.size(), 1u);
  EXPECT_EQ(d.VersionNames().size(), 18u);
  EXPECT_EQ(std::filesystem::file_size(file), 32397u);
  EXPECT_EQ(test::ReadText(dir / "TarvikKQ.def.bak"), damaged);
}

TEST(LoadAtStart, APipeIsNeitherWaitedOnNorReplaced) {
#ifdef _WIN32
  GTEST_SKIP() << "no named pipe in a folder on Windows (its pipes are devices, which file_io refuses by name)";
#else
  TempDir dir;
  const auto file = dir / "TarvikKQ.def";
  test::MakeFifo(file);
  CReadParamClass d;
  StartUp start;
  ASSERT_TRUE(test::EndsAtOnce([&] { start.Run(d, file); }, file));
  EXPECT_FALSE(start.fromFile);
  EXPECT_EQ(start.messages.size(), 1u);
  EXPECT_EQ(d.VersionNames().size(), 18u);  // the built-in description
  EXPECT_TRUE(std::filesystem::is_fifo(file));
  EXPECT_FALSE(std::filesystem::exists(dir / "TarvikKQ.def.bak"));
#endif
}

TEST(SaveDescription, AFailedWriteReportsNothingAndKeepsTheOldFile) {
  auto d = test::BuiltInDescription();
  EXPECT_FALSE(d->SaveDescription("/nonexistent-folder/TarvikKQ.def"));
}

}  // namespace
}  // namespace tkq
