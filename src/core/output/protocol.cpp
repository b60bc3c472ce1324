#include "core/output/protocol.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <string_view>

#include "core/archive/device_id.h"
#include "core/archive/object_definition.h"
#include "core/archive/records.h"
#include "core/base/rtc_time.h"
#include "core/description/param_tree.h"
#include "core/output/summary.h"
#include "core/output/summary_table.h"
#include "core/output/table_cells.h"
#include "core/output/text_forms.h"

namespace tkq {
namespace {

// The groups whose every row is about the measuring point, and the rows of
// other groups that are (the pipe wall's material and lining, the archive's
// period, the serial number).
constexpr std::array<std::string_view, 2> kPointGroups = {"Основные параметры", "Параметры стенки трубы"};
constexpr std::array<std::string_view, 5> kPointRows = {
    "Материал стенки трубы:", "Внутреннее покрытие трубопровода:", "Толщина внутреннего покрытия, мм",
    "Период архива, с", "Заводской номер:"};

template <size_t N>
bool Holds(const std::array<std::string_view, N>& list, std::string_view text) {
  return std::find(list.begin(), list.end(), text) != list.end();
}

std::string TimeText(int64_t seconds) {
  return CRTCTime::Text(static_cast<uint32_t>(std::clamp<int64_t>(seconds, 0, UINT32_MAX)));
}

// "ч:мм:сс", the hours not wrapped at a day; "-" when the end precedes the
// start.
std::string DurationText(int64_t seconds) {
  if (seconds < 0) return "-";
  char buf[48];
  std::snprintf(buf, sizeof buf, "%lld:%02d:%02d", static_cast<long long>(seconds / 3600),
                static_cast<int>(seconds / 60 % 60), static_cast<int>(seconds % 60));
  return buf;
}

CProtocolBlock Heading(std::string text) {
  CProtocolBlock block;
  block.kind = EProtocolBlock::kHeading;
  block.text = std::move(text);
  return block;
}

CProtocolBlock Paragraph(std::string text) {
  CProtocolBlock block;
  block.kind = EProtocolBlock::kParagraph;
  block.text = std::move(text);
  return block;
}

CProtocolBlock Fields(std::vector<std::pair<std::string, std::string>> fields) {
  CProtocolBlock block;
  block.kind = EProtocolBlock::kFields;
  block.fields = std::move(fields);
  return block;
}

CProtocolBlock Table(CProtocolTable table) {
  CProtocolBlock block;
  block.kind = EProtocolBlock::kTable;
  block.table = std::move(table);
  return block;
}

void AddIfAny(std::vector<std::pair<std::string, std::string>>& fields, const char* label, std::string_view text) {
  const std::string_view trimmed = TrimmedText(text);
  if (!trimmed.empty()) fields.emplace_back(label, std::string(trimmed));
}

std::string TitleText(const CProtocolOptions& options) {
  std::string text = "Протокол обследования";
  const std::string_view number = TrimmedText(options.survey.number);
  if (!number.empty()) text.append(" № ").append(number);
  const std::string_view date = TrimmedText(options.date);
  if (!date.empty()) text.append("\nот ").append(date);
  return text;
}

// The summary table's lines, their cells without the padding of the
// fixed-pitch printout.
CProtocolTable SummaryBlockTable(const CSummaryTable& summary) {
  CProtocolTable table;
  table.captions = summary.Captions();
  for (const CSummaryColumn& column : summary.Columns()) {
    const bool text = column.what == ESummaryColumn::kPeriod || column.what == ESummaryColumn::kComplete;
    table.align.push_back(text ? EPrintAlign::kLeft : EPrintAlign::kRight);
  }
  table.rows.reserve(static_cast<size_t>(summary.LineCount()));
  for (int32_t line = 0; line < summary.LineCount(); ++line) {
    std::vector<std::string> cells = summary.Cells(line);
    for (std::string& cell : cells) cell = std::string(TrimmedText(cell));
    table.rows.push_back(std::move(cells));
  }
  table.lastRowIsTotal = true;
  return table;
}

CProtocolTable SituationTable(const CObjectDefinition& object) {
  CProtocolTable table;
  table.captions = {"Код", "Нештатная ситуация", "Начало", "Конец", "Длительность"};
  table.align = {EPrintAlign::kRight, EPrintAlign::kLeft, EPrintAlign::kLeft, EPrintAlign::kLeft, EPrintAlign::kRight};
  for (size_t i = 0; i < object.m_errRecords.GetSize(); ++i) {
    const CErrArcElem* record = object.m_errRecords[i];
    if (record == nullptr) continue;
    const std::string& text = TrimmedAbnormalText(record->m_nCode);
    table.rows.push_back({std::to_string(record->m_nCode), text.empty() ? std::string("без кода") : text,
                          TimeText(record->m_nBegin), TimeText(record->m_nEnd),
                          DurationText(static_cast<int64_t>(record->m_nEnd) - record->m_nBegin)});
  }
  return table;
}

// The ticked rows of the tree, in its order.
CProtocolTable ParamTable(const CParamTree& tree, const std::vector<std::string>& names) {
  CProtocolTable table;
  table.captions = {"Параметр", "Значение"};
  table.align = {EPrintAlign::kLeft, EPrintAlign::kLeft};
  for (const CParamTreeItem& group : tree.Items()) {
    for (const CParamTreeItem& row : group.children) {
      if (row.name.empty() || std::find(names.begin(), names.end(), row.name) == names.end()) continue;
      // The caption's closing colon belongs to its line in the tree, not to a cell.
      std::string_view name = row.name;
      if (name.size() > 1 && name.back() == ':') name.remove_suffix(1);
      table.rows.push_back({std::string(name), ParamValueText(row)});
    }
  }
  return table;
}

}  // namespace

std::vector<std::string> DefaultProtocolParams(const CParamTree& tree) {
  std::vector<std::string> names;
  for (const CParamTreeItem& group : tree.Items()) {
    const bool whole = Holds(kPointGroups, group.name);
    for (const CParamTreeItem& row : group.children) {
      if (row.name.empty() || !(whole || Holds(kPointRows, row.name))) continue;
      if (std::find(names.begin(), names.end(), row.name) == names.end()) names.push_back(row.name);
    }
  }
  return names;
}

bool CProtocolDocument::HasChart() const {
  return std::any_of(blocks.begin(), blocks.end(),
                     [](const CProtocolBlock& block) { return block.kind == EProtocolBlock::kChart; });
}

EProtocolTable ProtocolTableFor(const CSummary& summary, EProtocolTable choice) {
  if (summary.IsEmpty()) return EProtocolTable::kNone;
  if (choice != EProtocolTable::kAuto) return choice;
  const int64_t span = summary.whole.end - summary.whole.start;
  return span > static_cast<int64_t>(kProtocolDaysAtMost) * kSecondsPerDay ? EProtocolTable::kMonths
                                                                           : EProtocolTable::kDays;
}

CProtocolDocument MakeProtocol(const CObjectDefinition& object, const CProtocolOptions& options) {
  const CSummary summary = MakeSummary(object, options.reportingHour);
  const EProtocolTable tableKind = ProtocolTableFor(summary, options.table);
  // The whole archive's figures are the same in either table.
  const CSummaryTable table(object, summary,
                            tableKind == EProtocolTable::kMonths ? ESummaryPeriods::kMonths : ESummaryPeriods::kDays);

  CProtocolDocument doc;
  doc.organisation = std::string(TrimmedText(options.requisites.organisation));
  doc.logoPath = options.requisites.logoPath;
  auto& blocks = doc.blocks;

  CProtocolBlock title;
  title.kind = EProtocolBlock::kTitle;
  title.text = TitleText(options);
  blocks.push_back(std::move(title));

  blocks.push_back(Heading("Объект измерений"));
  std::vector<std::pair<std::string, std::string>> about;
  about.emplace_back("Объект", "№ " + std::to_string(object.GetObjectNumber()));
  AddIfAny(about, "Описание", object.m_strDescription);
  AddIfAny(about, "Адрес", options.survey.address);
  AddIfAny(about, "Потребитель", options.survey.client);
  blocks.push_back(Fields(std::move(about)));

  blocks.push_back(Heading("Прибор"));
  std::vector<std::pair<std::string, std::string>> instrument;
  AddIfAny(instrument, "Идентификация", InstrumentOfDeviceId(object.m_strDeviceId));
  AddIfAny(instrument, "Версия", VersionOfDeviceId(object.m_strDeviceId));
  AddIfAny(instrument, "Архив считан", FormatReadTime(object.m_tRead));
  blocks.push_back(Fields(std::move(instrument)));

  blocks.push_back(Heading("Период измерений"));
  blocks.push_back(Fields(table.WholeFigures('.')));

  if (tableKind != EProtocolTable::kNone) {
    blocks.push_back(Heading(table.Heading()));
    blocks.push_back(Table(SummaryBlockTable(table)));
  }

  if (options.chart && !summary.IsEmpty()) {
    blocks.push_back(Heading("График"));
    CProtocolBlock chart;
    chart.kind = EProtocolBlock::kChart;
    blocks.push_back(std::move(chart));
  }

  if (options.situations) {
    blocks.push_back(Heading("Нештатные ситуации"));
    CProtocolTable situations = SituationTable(object);
    blocks.push_back(situations.rows.empty() ? Paragraph("Нештатных ситуаций не было.") : Table(std::move(situations)));
  }

  CProtocolTable params = ParamTable(object.m_paramTree, options.params);
  if (!params.rows.empty()) {
    blocks.push_back(Heading("Параметры прибора"));
    blocks.push_back(Table(std::move(params)));
  }

  const std::string_view remarks = TrimmedText(options.survey.remarks);
  if (remarks.find_first_not_of("\r\n ") != std::string_view::npos) {
    blocks.push_back(Heading("Примечания"));
    std::string text(remarks);
    text.erase(std::remove(text.begin(), text.end(), '\r'), text.end());
    blocks.push_back(Paragraph(std::move(text)));
  }

  CProtocolBlock signatures;
  signatures.kind = EProtocolBlock::kSignatures;
  signatures.signatures.push_back({"Обследование провел", std::string(TrimmedText(options.requisites.technician)),
                                   std::string(TrimmedText(options.requisites.position))});
  signatures.signatures.push_back({"Представитель потребителя", {}, {}});
  blocks.push_back(std::move(signatures));
  return doc;
}

std::string ProtocolPageText(int page, int pageCount) {
  return "Страница " + std::to_string(page) + " из " + std::to_string(pageCount);
}

}  // namespace tkq
