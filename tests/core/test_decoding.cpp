// Decoding an object's parameter and system files into the parameter
// tree and the two archive selectors.

#include <gtest/gtest.h>

#include <algorithm>

#include "core/description/number_format.h"
#include "core/description/param_diff.h"
#include "core/description/param_layout.h"
#include "core/description/read_param_class.h"
#include "core/storage/load_error.h"
#include "support/test_support.h"

namespace tkq {
namespace {

using test::Bytes;

constexpr const char* kSet4 = "TARVIK 59.11.03.04";

class Decoding : public ::testing::Test {
 protected:
  void SetUp() override {
    d = test::BuiltInDescription();
    ASSERT_TRUE(d->SelectVersion(kSet4));
    layout = LayoutOf(*d, *d->CurrentVersion());
    files = test::MakeParamFiles(*d, kSet4, 0, 3);
  }

  void Put(int row, double value) {
    const CParamSlot* slot = layout.Find(row);
    ASSERT_NE(slot, nullptr) << row;
    PutParamValue(slot->source == kSourceParamFile ? files.par : files.dev, *slot, value);
  }

  CParamTree Fill() {
    CParamTree tree;
    first = second = 0xEE;
    d->FillTree(files.par, files.dev, tree, first, second);
    return tree;
  }

  // The child line of `group` that starts with `caption`.
  static std::string Line(const CParamTree& tree, const std::string& group, const std::string& caption) {
    for (const auto& item : tree.Items()) {
      if (item.text != group) continue;
      for (const auto& child : item.children) {
        if (child.text.rfind(caption, 0) == 0) return child.text;
      }
    }
    return "<missing>";
  }

  std::unique_ptr<CReadParamClass> d;
  CParamLayout layout;
  test::ParamFiles files;
  uint8_t first = 0;
  uint8_t second = 0;
};

TEST_F(Decoding, ExactSizesDecodeAndOneByteLessFails) {
  ASSERT_EQ(files.par.size(), 272u);
  ASSERT_EQ(files.dev.size(), 55u);
  EXPECT_NO_THROW(Fill());
  Bytes shortPar(files.par.begin(), files.par.end() - 1);
  Bytes shortDev(files.dev.begin(), files.dev.end() - 1);
  CParamTree tree;
  EXPECT_THROW(d->FillTree(shortPar, files.dev, tree, first, second), CParamDecodeError);
  EXPECT_THROW(d->FillTree(files.par, shortDev, tree, first, second), CParamDecodeError);
  EXPECT_THROW(d->FillTree({}, {}, tree, first, second), CParamDecodeError);
  // A load error of a file in a bad format, saying where the file ends.
  try {
    d->FillTree(shortPar, files.dev, tree, first, second);
    ADD_FAILURE() << "the short parameter file decoded";
  } catch (const CLoadError& e) {
    EXPECT_EQ(e.GetKind(), CLoadError::EKind::kBadFormat);
    EXPECT_STREQ(e.UserMessage(), kMessageBadFormat);
    EXPECT_NE(std::string(e.what()).find("обрывается на байте 271"), std::string::npos) << e.what();
  }
}

TEST_F(Decoding, GroupsInOrderWithoutEmptyOnes) {
  const CParamTree tree = Fill();
  std::vector<std::string> groups;
  for (const auto& item : tree.Items()) groups.push_back(item.text);
  EXPECT_EQ(groups, (std::vector<std::string>{"Системные настройки прибора", "Основные параметры",
                                              "Дополнительные параметры объекта", "Параметры архивирования",
                                              "Параметры других жидкостей и материалов", "Параметры сигнала",
                                              "Параметры теплоcети"}));

  // Sets 0 and 1 have no heating-network group.
  auto old = test::MakeParamFiles(*d, "TARVIK 59.11.01.02", 0, 1);
  ASSERT_TRUE(d->SelectVersion("TARVIK 59.11.01.02"));
  CParamTree oldTree;
  d->FillTree(old.par, old.dev, oldTree, first, second);
  EXPECT_EQ(oldTree.GetCount(), 6u);
  EXPECT_EQ(oldTree.Items().back().text, "Параметры сигнала");
}

TEST_F(Decoding, LinesAreInAlphabeticalOrder) {
  const CParamTree tree = Fill();
  std::vector<std::string> captions;
  for (const auto& child : tree.Items()[0].children) captions.push_back(child.text.substr(0, child.text.find(' ')));
  EXPECT_EQ(captions, (std::vector<std::string>{"Время", "Заводской", "Задержка", "Период", "Скорость", "Состояние",
                                                "Электронный"}));
  const auto& main = tree.Items()[1].children;
  auto pos = [&](const std::string& prefix) {
    for (size_t i = 0; i < main.size(); ++i) {
      if (main[i].text.rfind(prefix, 0) == 0) return i;
    }
    return main.size();
  };
  EXPECT_LT(pos("Внутренний диаметр трубопровода, мм"), pos("Длина окружности трубопровода, мм"));
  EXPECT_LT(pos("Длина окружности"), main.size());
}

TEST_F(Decoding, ValueTexts) {
  Put(1, 3);               // "Скорость передачи:", system file, enumeration from entry 2
  Put(2, 1234.5);          // "Длина окружности трубопровода, мм", "% 8.1f"
  Put(6, 0);               // "Тип жидкости:"
  Put(104, 200);           // "Состояние flash памяти:" far beyond its texts
  Put(35, 77);             // "Электронный номер", "% 4d"
  Put(106, 4000000000.0);  // "Заводской номер:", unsigned 32-bit with "% 9u"
  CParamTree tree = Fill();
  EXPECT_EQ(Line(tree, "Системные настройки прибора", "Скорость передачи:"), "Скорость передачи:    9600");
  EXPECT_EQ(Line(tree, "Основные параметры", "Длина окружности"), "Длина окружности трубопровода, мм   1234.5");
  EXPECT_EQ(Line(tree, "Основные параметры", "Тип жидкости:"), "Тип жидкости:     вода");
  EXPECT_EQ(Line(tree, "Системные настройки прибора", "Состояние flash"), "Состояние flash памяти: ошибка");
  EXPECT_EQ(Line(tree, "Системные настройки прибора", "Электронный номер"), "Электронный номер   77");
  EXPECT_EQ(Line(tree, "Системные настройки прибора", "Заводской номер:"), "Заводской номер: 4000000000");

  Put(1, 0);
  Put(6, 200);
  tree = Fill();
  EXPECT_EQ(Line(tree, "Системные настройки прибора", "Скорость передачи:"), "Скорость передачи:    1200");
  EXPECT_EQ(Line(tree, "Основные параметры", "Тип жидкости:"), "Тип жидкости: ошибка");
}

TEST_F(Decoding, HiddenRowsConsumeTheirBytes) {
  // Row 45 "Знак потока" is a hidden signed byte; row 46 follows it.
  const CParamSlot* sign = layout.Find(45);
  const CParamSlot* next = layout.Find(46);
  ASSERT_NE(sign, nullptr);
  ASSERT_NE(next, nullptr);
  EXPECT_EQ(next->offset, sign->offset + 1);

  Put(45, 0xFF);
  Put(46, 1);  // "Знак потока:" enumeration base 53: "  - "
  CParamTree tree = Fill();
  EXPECT_EQ(Line(tree, "Дополнительные параметры объекта", "Знак потока:"), "Знак потока:   - ");

  size_t pos = sign->offset;
  int row = 45;
  std::string text, caption;
  float number = 0;
  // Walking from the hidden row: its byte is read (number -1), then the
  // shown row after it is found.
  ASSERT_TRUE(d->DecodeNext(files.par, pos, *d->m_paramSets[4], 108, row, d->m_enumTexts[4], 3, kSourceParamFile, text,
                            number, caption));
  EXPECT_EQ(caption, "Знак потока:");
  EXPECT_EQ(row, 47);
  EXPECT_EQ(pos, sign->offset + 2);

  pos = sign->offset;
  row = 45;
  ASSERT_TRUE(d->DecodeNext(files.par, pos, *d->m_paramSets[4], 46, row, d->m_enumTexts[4], 3, kSourceParamFile, text,
                            number, caption) == false);
  EXPECT_EQ(number, -1.0f);
}

TEST_F(Decoding, TimeRowsWithFormatZero) {
  // Row 103 "Время последнего редактирования:" is hidden; show it to see its text.
  d->m_paramSets.GetAt(4)->GetAt(103)->m_bVisible = 1;
  Put(103, 0);
  CParamTree tree = Fill();
  EXPECT_EQ(Line(tree, "Системные настройки прибора", "Время последнего"),
            "Время последнего редактирования: 01.01.1970 00:00:00");
}

TEST_F(Decoding, SelectorsComeFromTheShownRows) {
  files = test::MakeParamFiles(*d, kSet4, 4, 3);
  Put(80, 6);  // the hidden pair before the shown one is not used
  Put(81, 6);
  Fill();
  EXPECT_EQ(first, 4);
  EXPECT_EQ(second, 3);
  EXPECT_EQ(Line(Fill(), "Параметры архивирования", "Первый параметр"),
            "Первый параметр архивирования:  тепловая энергия");
}

TEST_F(Decoding, InconsistentDescriptionsAreRefusedBeforeAnythingIsAdded) {
  CParamTree tree;
  tree.InsertGroup("old");
  d->m_nCurParamSet = 7;
  EXPECT_THROW(d->FillTree(files.par, files.dev, tree, first, second), CParamDecodeError);
  EXPECT_TRUE(tree.IsEmpty());
  ASSERT_TRUE(d->SelectVersion(kSet4));
  d->m_formats.resize(3);  // row 8 "Задержка RTS, мс" uses format 5
  EXPECT_THROW(d->FillTree(files.par, files.dev, tree, first, second), CParamDecodeError);
}

TEST(NumberFormat, AppliesOneArgumentOfTheRightKind) {
  EXPECT_EQ(FormatNumber("% 8.1f", NumberArg::Float(1234.5)), "  1234.5");
  EXPECT_EQ(FormatNumber("% 3d", NumberArg::Signed(-1)), " -1");
  EXPECT_EQ(FormatNumber("% 5u", NumberArg::Unsigned(3600)), " 3600");
  EXPECT_EQ(FormatNumber("%9lu", NumberArg::Unsigned(4000000000u)), "4000000000");
  EXPECT_EQ(FormatNumber("%05lu", NumberArg::Unsigned(42)), "00042");
  EXPECT_EQ(FormatNumber("% 6u", NumberArg::Signed(-1)), "4294967295");
  // A format of the other kind shows the value sensibly.
  EXPECT_EQ(FormatNumber("% 3d", NumberArg::Float(2.75)), "  2");
  EXPECT_EQ(FormatNumber("% 7.2f", NumberArg::Signed(5)), "   5.00");
  EXPECT_EQ(FormatNumber("% 3d", NumberArg::Float(1e30)), "-2147483648");
  EXPECT_EQ(FormatNumber("plain 100%%", NumberArg::Signed(1)), "plain 100%");
  EXPECT_EQ(FormatNumber("%999999d", NumberArg::Signed(1)).size(), 100u);
}

TEST(NumberFormat, RefusesWhatCouldReadMoreArguments) {
  for (const char* bad : {"%s", "%3s", "%n", "%p", "%d %d", "%*d", "%.*f", "%", "%c"}) {
    EXPECT_THROW(FormatNumber(bad, NumberArg::Signed(1)), CParamDecodeError) << bad;
  }
}

// What changed between two reads: rows matched by group and name.
TEST_F(Decoding, TheDifferenceOfTwoSets) {
  const CParamTree before = Fill();
  size_t rows = 0;
  for (const auto& group : before.Items()) rows += group.children.size();

  // The same set: every row once, both values alike.
  const std::vector<CParamDiffRow> same = DiffParamTrees(before, Fill());
  EXPECT_EQ(same.size(), rows);
  EXPECT_EQ(CountDifferences(same), 0u);

  // One value deep in a group: that row alone, with both values as shown.
  Put(2, 1234.5);  // "Длина окружности трубопровода, мм"
  const std::vector<CParamDiffRow> one = DiffParamTrees(before, Fill());
  ASSERT_EQ(CountDifferences(one), 1u);
  const auto changed = std::find_if(one.begin(), one.end(), [](const CParamDiffRow& r) { return r.Differs(); });
  EXPECT_EQ(changed->group, "Основные параметры");
  EXPECT_EQ(changed->name, "Длина окружности трубопровода, мм");
  EXPECT_EQ(changed->first, "0.0");
  EXPECT_EQ(changed->second, "1234.5");
  EXPECT_EQ(one.size(), rows);

  // An older version: its rows and groups only one set has are listed as
  // such, the others matched.
  auto old = test::MakeParamFiles(*d, "TARVIK 59.11.01.02", 0, 1);
  ASSERT_TRUE(d->SelectVersion("TARVIK 59.11.01.02"));
  CParamTree oldTree;
  d->FillTree(old.par, old.dev, oldTree, first, second);
  const std::vector<CParamDiffRow> versions = DiffParamTrees(before, oldTree);
  size_t onlyFirst = 0;
  size_t both = 0;
  for (const CParamDiffRow& row : versions) {
    if (!row.second) ++onlyFirst;
    if (row.first && row.second) ++both;
    if (row.group == "Параметры теплоcети") {
      EXPECT_FALSE(row.second) << row.name;
    }
  }
  EXPECT_GT(onlyFirst, 0u);
  EXPECT_GT(both, 0u);
  // Turned round, the same rows are only in the second.
  const std::vector<CParamDiffRow> back = DiffParamTrees(oldTree, before);
  EXPECT_EQ(back.size(), versions.size());
  EXPECT_EQ(static_cast<size_t>(std::count_if(back.begin(), back.end(), [](const auto& r) { return !r.first; })),
            onlyFirst);
  EXPECT_EQ(back.back().group, "Параметры теплоcети");
}

TEST(ParamDiff, RepeatedNamesPairInTheirOrder) {
  CParamTree a;
  CParamTree b;
  a.InsertGroup("Группа");
  b.InsertGroup("Группа");
  a.InsertSorted(0, "Канал   1", "Канал");
  a.InsertSorted(0, "Канал   2", "Канал");
  b.InsertSorted(0, "Канал   1", "Канал");
  b.InsertSorted(0, "Канал   3", "Канал");
  b.InsertSorted(0, "Канал   4", "Канал");
  b.InsertGroup("Новая");
  b.InsertSorted(1, "Строка без имени");
  const std::vector<CParamDiffRow> rows = DiffParamTrees(a, b);
  ASSERT_EQ(rows.size(), 4u);
  EXPECT_FALSE(rows[0].Differs());
  EXPECT_EQ(rows[1].first, "2");
  EXPECT_EQ(rows[1].second, "3");
  EXPECT_EQ(rows[2].first, std::nullopt);
  EXPECT_EQ(rows[2].second, "4");
  EXPECT_EQ(rows[3].group, "Новая");
  EXPECT_EQ(rows[3].name, "Строка без имени");
  EXPECT_EQ(rows[3].second, "");
  EXPECT_EQ(CountDifferences(rows), 3u);
}

}  // namespace
}  // namespace tkq
