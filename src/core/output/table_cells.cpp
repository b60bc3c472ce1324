#include "core/output/table_cells.h"

#include <array>

#include "core/archive/object_definition.h"
#include "core/base/rtc_time.h"
#include "core/output/text_forms.h"

namespace tkq {

std::vector<EArchiveColumn> ArchiveColumns(const CColumnSwitches& on) {
  std::vector<EArchiveColumn> columns;
  if (on.m_bShowNumber) columns.push_back(EArchiveColumn::kNumber);
  if (on.m_bShowFirst) columns.push_back(EArchiveColumn::kFirst);
  if (on.m_bShowSecond) columns.push_back(EArchiveColumn::kSecond);
  if (on.m_bShowIntervalStart) columns.push_back(EArchiveColumn::kStart);
  if (on.m_bShowIntervalEnd) columns.push_back(EArchiveColumn::kEnd);
  if (on.m_bShowArchivingTime) columns.push_back(EArchiveColumn::kTime);
  if (on.m_bShowAbnormal) columns.push_back(EArchiveColumn::kAbnormal);
  return columns;
}

std::string ArchiveCellText(EArchiveColumn column, int32_t index, const CArchiveRow& row) {
  switch (column) {
    case EArchiveColumn::kNumber: return FormatSequenceNumber(static_cast<uint32_t>(index) + 1);
    case EArchiveColumn::kFirst: return FormatValue(row.value1);
    case EArchiveColumn::kSecond: return FormatValue(row.value2);
    case EArchiveColumn::kStart: return CRTCTime::Text(static_cast<uint32_t>(row.start));
    case EArchiveColumn::kEnd: return CRTCTime::Text(static_cast<uint32_t>(row.end));
    case EArchiveColumn::kTime: return FormatArchivingPercent(row.archivingPercent);
    case EArchiveColumn::kAbnormal: return std::string(AbnormalText(row.abnormalCode));
  }
  return {};
}

namespace {

// The captions of `columns`, those of the screen or those of the printout.
std::vector<std::string> Captions(const CObjectDefinition& object, const std::vector<EArchiveColumn>& columns,
                                  bool printed) {
  std::string caption1, caption2;
  printed ? object.GetPrintCaptions(caption1, caption2) : object.GetColumnCaptions(caption1, caption2);
  std::vector<std::string> captions;
  for (EArchiveColumn column : columns) {
    switch (column) {
      case EArchiveColumn::kNumber: captions.emplace_back("№"); break;
      case EArchiveColumn::kFirst: captions.push_back(caption1); break;
      case EArchiveColumn::kSecond: captions.push_back(caption2); break;
      case EArchiveColumn::kStart: captions.emplace_back("Начало интервала"); break;
      case EArchiveColumn::kEnd: captions.emplace_back("Конец интервала"); break;
      case EArchiveColumn::kTime: captions.emplace_back(printed ? "Время" : "Время архивирования"); break;
      case EArchiveColumn::kAbnormal: captions.emplace_back(printed ? "Нешт-я ситуация" : "Нештатная ситуация"); break;
    }
  }
  return captions;
}

}  // namespace

std::vector<std::string> ArchiveCaptions(const CObjectDefinition& object, const std::vector<EArchiveColumn>& columns) {
  return Captions(object, columns, false);
}

std::vector<std::string> ArchivePrintCaptions(const CObjectDefinition& object,
                                              const std::vector<EArchiveColumn>& columns) {
  return Captions(object, columns, true);
}

std::vector<std::string> AbnormalCellTexts(const CObjectDefinition& object, int32_t index) {
  if (index < 0 || index >= object.GetAbnormalCount()) return {};
  const CErrArcElem* record = object.m_errRecords[static_cast<size_t>(index)];
  if (record == nullptr) return {};
  return {FormatSequenceNumber(static_cast<uint32_t>(index) + 1), std::string(AbnormalText(record->m_nCode)),
          CRTCTime::Text(record->m_nBegin), CRTCTime::Text(record->m_nEnd)};
}

std::string_view TrimmedText(std::string_view text) {
  const size_t first = text.find_first_not_of(' ');
  if (first == std::string_view::npos) return {};
  return text.substr(first, text.find_last_not_of(' ') - first + 1);
}

const std::string& TrimmedAbnormalText(uint8_t code) {
  static const std::array<std::string, 256> texts = [] {
    std::array<std::string, 256> t;
    for (size_t c = 0; c < t.size(); ++c) t[c] = std::string(TrimmedText(AbnormalText(static_cast<uint8_t>(c))));
    return t;
  }();
  return texts[code];
}

}  // namespace tkq
