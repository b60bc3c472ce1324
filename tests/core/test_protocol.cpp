// The survey protocol: its figures against the summary and its table, the
// table chosen by the archive's length, an archive without rows or without
// abnormal situations, the default parameter rows; and its pages under a
// measure of fixed width per character: everything inside the page, rows
// whole, headers repeated, headings kept with what follows, page numbers.

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <stdexcept>

#include "core/archive/object_definition.h"
#include "core/base/cp1251.h"
#include "core/description/param_tree.h"
#include "core/description/read_param_class.h"
#include "core/output/protocol.h"
#include "core/output/protocol_layout.h"
#include "core/output/summary.h"
#include "core/output/summary_table.h"
#include "core/output/table_cells.h"
#include "support/test_support.h"

namespace tkq::protocol_test {
namespace {

constexpr char kVersion[] = "TARVIK 59.11.03.04";
constexpr uint32_t kHour = 3600;

std::unique_ptr<CObjectDefinition> Archive(size_t records, uint32_t period = kHour, const test::Bytes& err = {}) {
  static const auto description = test::BuiltInDescription();
  return test::MakeObject(*description, kVersion, 0, 1, records, err, test::k10h, period);
}

CProtocolOptions Options() {
  CProtocolOptions options;
  options.requisites = {"ООО «Тест»", "", "Иванов И. И.", "инженер"};
  options.survey = {"17", "", "МУП «Водоканал»", "Первая строка\nвторая"};
  options.date = "09.12.2026";
  return options;
}

const CProtocolBlock* After(const CProtocolDocument& doc, const std::string& heading) {
  for (size_t i = 0; i + 1 < doc.blocks.size(); ++i) {
    if (doc.blocks[i].kind == EProtocolBlock::kHeading && doc.blocks[i].text == heading) return &doc.blocks[i + 1];
  }
  return nullptr;
}

TEST(Protocol, FiguresAreTheSummarysAndTheObjects) {
  test::Bytes err;
  test::AppendAbnormal(err, test::k10h + 5 * kHour, test::k10h + 6 * kHour + 30, 1);
  test::AppendAbnormal(err, test::k10h + 30 * kHour, test::k10h + 30 * kHour, 2);
  const auto obj = Archive(73, kHour, err);
  CProtocolOptions options = Options();
  options.reportingHour = 8;
  options.params = DefaultProtocolParams(obj->m_paramTree);
  const CProtocolDocument doc = MakeProtocol(*obj, options);

  const CSummary summary = MakeSummary(*obj, 8);
  const CSummaryTable table(*obj, summary, ESummaryPeriods::kDays);
  ASSERT_FALSE(doc.blocks.empty());
  EXPECT_EQ(doc.blocks[0].text, "Протокол обследования № 17\nот 09.12.2026");
  EXPECT_EQ(doc.organisation, "ООО «Тест»");

  const CProtocolBlock* period = After(doc, "Период измерений");
  ASSERT_NE(period, nullptr);
  EXPECT_EQ(period->fields, table.WholeFigures('.'));

  const CProtocolBlock* days = After(doc, table.Heading());
  ASSERT_NE(days, nullptr);
  ASSERT_EQ(days->kind, EProtocolBlock::kTable);
  EXPECT_EQ(days->table.captions, table.Captions());
  ASSERT_EQ(days->table.rows.size(), static_cast<size_t>(table.LineCount()));
  for (int32_t line = 0; line < table.LineCount(); ++line) {
    std::vector<std::string> cells = table.Cells(line);
    for (std::string& cell : cells) cell = std::string(TrimmedText(cell));
    EXPECT_EQ(days->table.rows[static_cast<size_t>(line)], cells) << line;
  }
  EXPECT_TRUE(days->table.lastRowIsTotal);
  EXPECT_EQ(days->table.rows.back()[0], "Всего");

  const CProtocolBlock* situations = After(doc, "Нештатные ситуации");
  ASSERT_NE(situations, nullptr);
  ASSERT_EQ(situations->table.rows.size(), 2u);
  EXPECT_EQ(situations->table.rows[0],
            (std::vector<std::string>{"1", "НЕТ  УЗС", "01.02.2012 15:00:00", "01.02.2012 16:00:30", "1:00:30"}));
  EXPECT_EQ(situations->table.rows[1][4], "0:00:00");

  // The typed fields: an empty address is left out.
  const CProtocolBlock* about = After(doc, "Объект измерений");
  ASSERT_NE(about, nullptr);
  EXPECT_EQ(about->fields,
            (std::vector<std::pair<std::string, std::string>>{{"Объект", "№ 5"}, {"Потребитель", "МУП «Водоканал»"}}));
  const CProtocolBlock* instrument = After(doc, "Прибор");
  ASSERT_NE(instrument, nullptr);
  ASSERT_GE(instrument->fields.size(), 2u);
  EXPECT_EQ(instrument->fields[0].second, "0123");
  EXPECT_EQ(instrument->fields[1].second, kVersion);
  EXPECT_EQ(After(doc, "Примечания")->text, "Первая строка\nвторая");

  // The parameter rows are the tree's, name and value.
  const CProtocolBlock* params = After(doc, "Параметры прибора");
  ASSERT_NE(params, nullptr);
  EXPECT_EQ(params->table.rows.size(), options.params.size());
  const auto& rows = params->table.rows;  // shown without the caption's colon
  EXPECT_EQ(std::count(rows.begin(), rows.end(), std::vector<std::string>{"Тип жидкости", "вода"}), 1);
  EXPECT_EQ(std::count(rows.begin(), rows.end(), std::vector<std::string>{"Период архива, с", "0"}), 1);

  ASSERT_EQ(doc.blocks.back().kind, EProtocolBlock::kSignatures);
  const auto& signatures = doc.blocks.back().signatures;
  ASSERT_EQ(signatures.size(), 2u);
  EXPECT_EQ(signatures[0].role, "Обследование провел");
  EXPECT_EQ(signatures[0].name, "Иванов И. И.");
  EXPECT_EQ(signatures[1].role, "Представитель потребителя");
  EXPECT_TRUE(signatures[1].name.empty());
  EXPECT_TRUE(doc.HasChart());

  options.reportingHour = 24;
  EXPECT_THROW(MakeProtocol(*obj, options), std::invalid_argument);
}

TEST(Protocol, TableChoiceNoRowsNoSituations) {
  CSummary summary;
  summary.whole.rows = 10;
  summary.whole.start = 1000;
  summary.whole.end = 1000 + int64_t{kProtocolDaysAtMost} * kSecondsPerDay;
  EXPECT_EQ(ProtocolTableFor(summary, EProtocolTable::kAuto), EProtocolTable::kDays);
  summary.whole.end += 1;
  EXPECT_EQ(ProtocolTableFor(summary, EProtocolTable::kAuto), EProtocolTable::kMonths);
  EXPECT_EQ(ProtocolTableFor(summary, EProtocolTable::kDays), EProtocolTable::kDays);
  summary.whole.rows = 0;
  EXPECT_EQ(ProtocolTableFor(summary, EProtocolTable::kDays), EProtocolTable::kNone);

  // A long archive gets months; no situations say so.
  const auto year = Archive(80, kSecondsPerDay);
  const CProtocolDocument months = MakeProtocol(*year, Options());
  const auto heading = [](const CProtocolDocument& doc, const std::string& start) {
    return std::any_of(doc.blocks.begin(), doc.blocks.end(), [&](const CProtocolBlock& b) {
      return b.kind == EProtocolBlock::kHeading && b.text.rfind(start, 0) == 0;
    });
  };
  EXPECT_TRUE(heading(months, "Сводка по месяцам"));
  const CProtocolBlock* none = After(months, "Нештатные ситуации");
  ASSERT_NE(none, nullptr);
  EXPECT_EQ(none->kind, EProtocolBlock::kParagraph);
  EXPECT_EQ(none->text, "Нештатных ситуаций не было.");

  CProtocolOptions off = Options();
  off.table = EProtocolTable::kNone;
  off.chart = false;
  off.situations = false;
  off.survey.remarks.clear();
  off.params = {"нет такой строки"};
  const CProtocolDocument bare = MakeProtocol(*year, off);
  EXPECT_FALSE(heading(bare, "Сводка"));
  EXPECT_FALSE(heading(bare, "Нештатные"));
  EXPECT_FALSE(heading(bare, "Параметры"));
  EXPECT_FALSE(heading(bare, "Примечания"));
  EXPECT_FALSE(bare.HasChart());

  // No rows: the period says so; no table, no chart.
  const auto empty = Archive(2);
  const CProtocolDocument nothing = MakeProtocol(*empty, Options());
  EXPECT_FALSE(heading(nothing, "Сводка"));
  EXPECT_FALSE(nothing.HasChart());
  EXPECT_EQ(After(nothing, "Период измерений")->fields,
            (std::vector<std::pair<std::string, std::string>>{{"Период", "в архиве нет интервалов"}}));
}

TEST(Protocol, DefaultParamsAreAboutTheMeasuringPoint) {
  const auto obj = Archive(3);
  const std::vector<std::string> names = DefaultProtocolParams(obj->m_paramTree);
  for (const char* name : {"Тип жидкости:", "Схема установки:", "Температура жидкости, °С", "Материал стенки трубы:",
                           "Внутреннее покрытие трубопровода:", "Период архива, с", "Заводской номер:"}) {
    EXPECT_EQ(std::count(names.begin(), names.end(), name), 1) << name;
  }
  EXPECT_EQ(std::count(names.begin(), names.end(), "Скорость передачи:"), 0);
  for (const auto& group : obj->m_paramTree.Items()) {
    for (const auto& row : group.children) {
      EXPECT_EQ(row.text.rfind(row.name, 0), 0u) << row.text;
      EXPECT_FALSE(ParamValueText(row).empty()) << row.text;
    }
  }
  EXPECT_TRUE(DefaultProtocolParams(CParamTree()).empty());
  CParamTree other;
  other.InsertSorted(other.InsertGroup("Основные параметры "), "Диаметр   12", "Диаметр ");
  EXPECT_EQ(DefaultProtocolParams(other), std::vector<std::string>{"Диаметр"});
  EXPECT_EQ(ParamValueText(other.Items()[0].children[0]), "12");
}

// Every character is as wide as its face says; bold is wider.
class CFixedMeasure : public CProtocolMeasure {
 public:
  double Width(std::string_view text, EProtocolFont font) const override {
    return static_cast<double>(Utf8Length(text)) * Advance(font);
  }
  double LineHeight(EProtocolFont font) const override { return Advance(font) * 2; }
  static double Advance(EProtocolFont font) {
    static const double kAdvance[kProtocolFontCount] = {18, 20, 14, 16, 22, 28};
    return kAdvance[static_cast<int>(font)];
  }
};

constexpr CProtocolPageSize kPage{1800, 2670, 10};

// What any laid-out protocol keeps to: texts inside the page and their
// boxes, the number last on each page, no heading at the bottom of a page.
void ExpectSound(const std::vector<CProtocolPage>& pages, const CProtocolPageSize& size) {
  const CFixedMeasure measure;
  ASSERT_FALSE(pages.empty());
  for (size_t p = 0; p < pages.size(); ++p) {
    const auto& texts = pages[p].texts;
    ASSERT_FALSE(texts.empty());
    EXPECT_EQ(texts.back().text, ProtocolPageText(static_cast<int>(p) + 1, static_cast<int>(pages.size())));
    EXPECT_EQ(texts.back().align, EPrintAlign::kRight);
    EXPECT_DOUBLE_EQ(texts.back().x + texts.back().width, size.width);
    double bottom = 0;
    bool headingAtBottom = false;
    for (const CLaidText& t : texts) {
      const double w = measure.Width(t.text, t.font) * t.scale;
      EXPECT_GE(t.x, 0);
      EXPECT_LE(t.x + t.width, size.width + 1e-6) << t.text;
      EXPECT_TRUE(w <= t.width + 1e-6 || Utf8Length(t.text) == 1) << t.text;
      EXPECT_LE(t.y + measure.LineHeight(t.font) * t.scale, size.height + 1e-6) << t.text;
      if (&t != &texts.back() && t.y >= bottom) {
        bottom = t.y;
        headingAtBottom = t.font == EProtocolFont::kHeading;
      }
    }
    for (const CLaidPicture& picture : pages[p].pictures) {
      EXPECT_LE(picture.x + picture.width, size.width + 1e-6);
      EXPECT_LE(picture.y + picture.height, size.height);
      if (picture.y > bottom) headingAtBottom = false;
    }
    EXPECT_FALSE(headingAtBottom && p + 1 < pages.size()) << "page " << p + 1;
  }
}

TEST(ProtocolLayout, ALongArchiveOnManyPages) {
  test::Bytes err;
  for (uint32_t i = 0; i < 150; ++i)
    test::AppendAbnormal(err, test::k10h + i * 7 * kHour, test::k10h + i * 7 * kHour + 600, 2);
  const auto obj = Archive(24 * 60, kHour, err);
  CProtocolOptions options = Options();
  options.params = DefaultProtocolParams(obj->m_paramTree);
  const CProtocolDocument doc = MakeProtocol(*obj, options);
  const std::vector<CProtocolPage> pages = LayOutProtocol(doc, CFixedMeasure(), {kPage, 2.0});
  ASSERT_GT(pages.size(), 4u);
  ExpectSound(pages, kPage);

  // The organisation and the logo head the first page only.
  EXPECT_EQ(pages[0].pictures.front().what, EProtocolPicture::kLogo);
  EXPECT_LE(pages[0].pictures.front().height, 15 * kPage.unitsPerMm);
  size_t heads = 0, charts = 0;
  for (const auto& page : pages) {
    for (const auto& t : page.texts) heads += t.text == "ООО «Тест»";
    for (const auto& picture : page.pictures) charts += picture.what == EProtocolPicture::kChart;
  }
  EXPECT_EQ(heads, 1u);
  EXPECT_EQ(charts, 1u);

  // Every page with a day's line has the table's header above it.
  size_t dayPages = 0;
  for (const auto& page : pages) {
    double firstDay = -1, header = -1;
    for (const auto& t : page.texts) {
      if (t.font == EProtocolFont::kSmall && t.text.size() == 10 && t.text[2] == '.' && t.text[5] == '.' &&
          firstDay < 0) {
        firstDay = t.y;
      }
      if (t.text == "Сутки" && header < 0) header = t.y;
    }
    if (firstDay < 0) continue;
    ++dayPages;
    EXPECT_GE(header, 0);
    EXPECT_LT(header, firstDay);
  }
  EXPECT_GT(dayPages, 1u);
}

TEST(ProtocolLayout, WrappedRowsStayWholeAndWideTablesShrink) {
  CProtocolDocument doc;
  doc.blocks.push_back({EProtocolBlock::kHeading, "Таблица", {}, {}, {}});
  CProtocolBlock table{EProtocolBlock::kTable, {}, {}, {}, {}};
  table.table.captions = {"№", "Текст"};
  for (int i = 0; i < 120; ++i) {
    std::string text;
    for (int w = 0; w < 30; ++w) text += "р" + std::to_string(i) + "с" + std::to_string(w) + " ";
    table.table.rows.push_back({std::to_string(i), text});
  }
  doc.blocks.push_back(table);
  const std::vector<CProtocolPage> pages = LayOutProtocol(doc, CFixedMeasure(), {kPage, 0});
  ASSERT_GT(pages.size(), 2u);
  ExpectSound(pages, kPage);
  std::map<std::string, size_t> pageOfWord;
  for (size_t p = 0; p < pages.size(); ++p) {
    size_t headers = 0;
    for (const auto& t : pages[p].texts) {
      headers += t.text == "Текст";
      size_t at = 0;
      while (at < t.text.size()) {
        const size_t end = std::min(t.text.find(' ', at), t.text.size());
        if (t.text.compare(at, 2, "р") == 0) pageOfWord[t.text.substr(at, t.text.find("с", at) - at)] |= size_t{1} << p;
        at = end + 1;
      }
    }
    EXPECT_EQ(headers, 1u) << "page " << p + 1;
  }
  ASSERT_EQ(pageOfWord.size(), 120u);
  for (const auto& [row, on] : pageOfWord) EXPECT_EQ(on & (on - 1), 0u) << row << " is cut";

  // Twenty columns of long words: set smaller, yet inside the page.
  CProtocolDocument wide;
  CProtocolBlock many{EProtocolBlock::kTable, {}, {}, {}, {}};
  for (int c = 0; c < 20; ++c) many.table.captions.push_back("Заголовокстолбца" + std::to_string(c));
  many.table.rows.assign(3, std::vector<std::string>(20, "12345.6789"));
  wide.blocks.push_back(many);
  const auto small = LayOutProtocol(wide, CFixedMeasure(), {kPage, 0});
  ExpectSound(small, kPage);
  ASSERT_FALSE(small[0].texts.empty());
  EXPECT_LT(small[0].texts[0].scale, 1.0);
  EXPECT_GE(small[0].texts[0].scale, 0.6);
}

TEST(ProtocolLayout, HeadingsGoWithWhatFollows) {
  // Wherever the text before it ends, a heading is never the last on a page.
  for (int lines = 40; lines < 80; ++lines) {
    CProtocolDocument doc;
    std::string text;
    for (int i = 0; i < lines; ++i) text += "строка " + std::to_string(i) + "\n";
    doc.blocks.push_back({EProtocolBlock::kParagraph, text, {}, {}, {}});
    doc.blocks.push_back({EProtocolBlock::kHeading, "График", {}, {}, {}});
    doc.blocks.push_back({EProtocolBlock::kChart, {}, {}, {}, {}});
    doc.blocks.push_back({EProtocolBlock::kHeading, "Подписи", {}, {}, {}});
    doc.blocks.push_back({EProtocolBlock::kSignatures, {}, {}, {}, {{"Роль", "", ""}}});
    SCOPED_TRACE(lines);
    ExpectSound(LayOutProtocol(doc, CFixedMeasure(), {kPage, 0}), kPage);
  }
}

TEST(ProtocolLayout, TooSmallPagesGiveNone) {
  const auto obj = Archive(30);
  const CProtocolDocument doc = MakeProtocol(*obj, Options());
  const CFixedMeasure measure;
  EXPECT_FALSE(LayOutProtocol(doc, measure, {kPage, 0}).empty());
  // The chart is 90 mm high: it does not fit on 80 mm.
  EXPECT_TRUE(LayOutProtocol(doc, measure, {{1800, 800, 10}, 0}).empty());
  EXPECT_TRUE(LayOutProtocol(doc, measure, {{0, 2670, 10}, 0}).empty());
  EXPECT_TRUE(LayOutProtocol(doc, measure, {{1800, 2670, 0}, 0}).empty());
  EXPECT_TRUE(LayOutProtocol(doc, measure, {{30, 2670, 10}, 0}).empty());
}

}  // namespace
}  // namespace tkq::protocol_test
