#include "core/archive/object_definition.h"

#include <bit>

#include "core/archive/quantity_catalogue.h"
#include "core/base/bytes.h"
#include "core/base/cp1251.h"
#include "core/description/read_param_class.h"

namespace tkq {
namespace {

using catalogue::kNone;

}  // namespace

// --- the saved archive file ---

void CObjectDefinition::Serialize(CArchiveStream& ar) {
  ar.Transfer(m_nType1);
  ar.Transfer(m_nType2);
  ar.Transfer(m_nObjectNumber);
  ar.Transfer(m_nRowCursor);
  ar.Transfer(m_nAbnormalCursor);
  ar.Transfer(m_nOutputType1);
  ar.Transfer(m_nUnit1);
  ar.Transfer(m_nOutputType2);
  ar.Transfer(m_nUnit2);
  ar.Transfer(m_bResult);
  const size_t arcAt = ar.Position();
  m_arcRecords.Serialize(ar);
  // Only an archive too short to decode keeps empty slots (one at most);
  // the views read every slot of a longer one.
  if (ar.IsLoading() && m_arcRecords.GetSize() >= 2 && m_arcRecords.HasEmptySlot()) {
    ar.Fail("пустая запись в архиве измерений", arcAt);
  }
  const size_t errAt = ar.Position();
  m_errRecords.Serialize(ar);
  if (ar.IsLoading() && m_errRecords.HasEmptySlot()) ar.Fail("пустая запись в архиве нештатных ситуаций", errAt);
  ar.Transfer(m_strDescription);
  ar.Transfer(m_tRead);
  ar.Transfer(m_nParamType1);
  ar.Transfer(m_nParamType2);
  ar.TransferBytes(m_parBytes);
  ar.TransferBytes(m_devBytes);
  ar.Transfer(m_strDeviceId);
}

// --- decoding ---

void CObjectDefinition::DecodeDeviceFiles(const CReadParamClass& description, std::span<const uint8_t> arcBytes,
                                          std::span<const uint8_t> errBytes, std::span<const uint8_t> adsBytes) {
  DecodeParameters(description, m_parBytes, m_devBytes);
  DecodeMeasurements(arcBytes, errBytes);
  DecodeAbnormals(errBytes);
  DecodeAdditionalData(adsBytes);
}

bool CObjectDefinition::DecodeParameters(const CReadParamClass& description, std::span<const uint8_t> parBytes,
                                         std::span<const uint8_t> devBytes) {
  const int32_t version = description.FindVersion(Utf8Prefix(m_strDeviceId, 18));
  if (version < 0) {
    m_nReadStatus = ReadStatus::kReadUnknownVersion;
    return false;
  }
  if (!description.FillTree(version, parBytes, devBytes, m_paramTree, m_nParamType1, m_nParamType2)) {
    m_nReadStatus = ReadStatus::kReadUnknownVersion;
    return false;
  }
  return true;
}

bool CObjectDefinition::DecodeAdditionalData(std::span<const uint8_t>) {
  m_nType1 = m_nParamType1;
  m_nType2 = m_nParamType2;
  return true;
}

uint8_t CObjectDefinition::RecordChecksum(const uint8_t* record) const { return MeasurementCheckByte(record); }

bool CObjectDefinition::DecodeAbnormals(std::span<const uint8_t> errBytes) {
  const size_t m = errBytes.size() / kAbnormalRecordSize;
  m_errRecords.DeleteAll();
  m_errRecords.Reserve(m);
  for (size_t j = 0; j < m; ++j) {
    const uint8_t* r = errBytes.data() + j * kAbnormalRecordSize;
    m_errRecords.Add(std::make_unique<CErrArcElem>(LoadLE32(r), LoadLE32(r + 4), r[8]));
  }
  return true;
}

bool CObjectDefinition::DecodeMeasurements(std::span<const uint8_t> arcBytes, std::span<const uint8_t> errBytes) {
  const size_t n = arcBytes.size() / kMeasurementRecordSize;
  const auto m = static_cast<int32_t>(errBytes.size() / kAbnormalRecordSize);
  m_arcRecords.DeleteAll();
  m_arcRecords.SetSize(n);
  if (n < 2) {
    m_nReadStatus = ReadStatus::kReadArchiveEmpty;
    return false;
  }
  auto time = [&](size_t i) { return LoadLE32(arcBytes.data() + i * kMeasurementRecordSize); };
  int32_t k = 0;
  for (size_t i = 0; i < n; ++i) {
    const uint8_t* r = arcBytes.data() + i * kMeasurementRecordSize;
    const uint32_t t = LoadLE32(r);
    uint8_t code = 0;
    float percent = 100.0f;
    if (RecordChecksum(r) != r[12]) {
      code = kAbnormalDataFault;
      percent = 0.0f;
    } else if (i == 0) {
      // the first record closes no interval of its own
    } else if (m_arcRecords[i - 1]->m_nAbnormalCode != kAbnormalDataFault) {
      percent = GetArchivingPercent(errBytes, m, k, code, time(i - 1), t);
    } else if (i >= 3 && i < n - 1 && time(i - 2) - time(i - 3) == time(i + 1) - t) {
      // The record before was damaged: take the archive's period from the
      // intervals around it.
      const uint32_t d = time(i + 1) - t;
      percent = GetArchivingPercent(errBytes, m, k, code, t - d, t);
    } else {
      code = 0;
      percent = 0.0f;
    }
    m_arcRecords.SetAt(i, std::make_unique<CObjArcElem>(LoadLEFloat(r + 4), LoadLEFloat(r + 8), t, percent, code));
  }
  return true;
}

float CObjectDefinition::GetArchivingPercent(std::span<const uint8_t> errBytes, int32_t count, int32_t& k,
                                             uint8_t& code, uint32_t s, uint32_t e) const {
  count = std::min<int32_t>(count, static_cast<int32_t>(errBytes.size() / kAbnormalRecordSize));
  if (count <= 0) {
    code = 0;
    return 100.0f;
  }
  if (k < 0 || k >= count) k = count - 1;
  auto start = [&](int32_t j) { return LoadLE32(errBytes.data() + j * kAbnormalRecordSize); };
  auto end = [&](int32_t j) { return LoadLE32(errBytes.data() + j * kAbnormalRecordSize + 4); };
  auto codeOf = [&](int32_t j) { return errBytes[static_cast<size_t>(j) * kAbnormalRecordSize + 8]; };

  if (start(k) <= s && end(k) >= e) {
    code = codeOf(k);
    return 0.0f;
  }
  code = 0;
  while (start(k) > s && k > 0) --k;

  const uint32_t length = e - s;
  uint64_t covered = 0;
  bool touched = false;  // for an interval of no length: does a situation cover its instant?
  for (;;) {
    const uint32_t rs = start(k);
    const uint32_t re = end(k);
    if (length == 0) {
      if (rs > e) break;
      if (rs <= s && re >= e) {
        touched = true;
        code = codeOf(k);
      }
    } else if (re > s) {
      if (rs >= e) break;
      covered += std::min(re, e) - std::max(rs, s);
      code = codeOf(k);
    }
    if (k >= count - 1) break;
    ++k;
  }
  if (length == 0) {
    if (!touched) code = 0;
    return touched ? 0.0f : 100.0f;
  }
  // Situations that overlap one another can cover more than the interval.
  const auto share = static_cast<float>((static_cast<double>(length) - static_cast<double>(covered)) / length);
  const auto percent = static_cast<float>(share * 100.0);
  if (percent > 100.0f) return 100.0f;
  if (percent < 0.0f) return 0.0f;
  return percent;
}

// --- rows ---

int32_t CObjectDefinition::FirstRow() const { return m_arcRecords.GetSize() < 3 ? -1 : NextRow(0); }

int32_t CObjectDefinition::RowCount() const {
  int32_t count = 0;
  for (int32_t c = FirstRow(); c >= 0; c = NextRow(c)) ++count;
  return count;
}

std::vector<int32_t> CObjectDefinition::RowPositions() const {
  std::vector<int32_t> positions;
  for (int32_t c = FirstRow(); c >= 0; c = NextRow(c)) positions.push_back(c);
  return positions;
}

bool CObjectDefinition::MoveFirstRow() {
  m_nRowCursor = 0;
  if (m_arcRecords.GetSize() < 3) return false;
  return MoveNextRow();
}

bool CObjectDefinition::MoveNextRow() {
  const int32_t next = NextRow(m_nRowCursor);
  if (next < 0) return false;
  m_nRowCursor = next;
  return true;
}

int32_t CObjectDefinition::GetRowCount() {
  const int32_t saved = m_nRowCursor;
  if (!MoveFirstRow()) {
    m_nRowCursor = saved;
    return 0;
  }
  int32_t count = 1;
  while (MoveNextRow()) ++count;
  return count;
}

float CObjectDefinition::ComputeOutput(float a, float b, uint32_t interval, uint8_t type, uint8_t outputType) const {
  // The speeds are momentary values; quantities outside the catalogue are
  // shown as stored.
  if (type == 2 || type == 3 || type >= catalogue::kTypeCount || outputType >= 2) return a;
  const float diff = a - b;
  if (outputType == 1) {
    if (interval == 0) return 0.0f;
    return static_cast<float>(static_cast<double>(diff) / static_cast<double>(interval));
  }
  return diff;
}

float CObjectDefinition::UnitFactor(bool second) const {
  const uint8_t unit = GetUnitIndex(second);
  return unit == kNone ? 1.0f : catalogue::kUnits[unit].factor;
}

void CObjectDefinition::ComputeValues(const CObjArcElem& cur, const CObjArcElem& prev, float& value1,
                                      float& value2) const {
  const uint32_t interval = cur.m_nTime - prev.m_nTime;
  float x1 = ComputeOutput(cur.m_fValue1, prev.m_fValue1, interval, m_nType1, m_nOutputType1);
  float x2 = ComputeOutput(cur.m_fValue2, prev.m_fValue2, interval, m_nType2, m_nOutputType2);
  if (m_bResult != 0) {
    if (m_nOutputType1 == m_nOutputType2) {
      x1 = x1 + x2;
      x2 = x1;
    } else {
      const float y1 = x1 + ComputeOutput(cur.m_fValue2, prev.m_fValue2, interval, m_nType2, m_nOutputType1);
      const float y2 = x2 + ComputeOutput(cur.m_fValue1, prev.m_fValue1, interval, m_nType1, m_nOutputType2);
      x1 = y1;
      x2 = y2;
    }
  }
  value1 = x1 * UnitFactor(false);
  value2 = x2 * UnitFactor(true);
}

bool CObjectDefinition::ComputeRow(int32_t c, CArchiveRow& row) const {
  if (c <= 0 || static_cast<size_t>(c) >= m_arcRecords.GetSize()) return false;
  const CObjArcElem* cur = m_arcRecords[static_cast<size_t>(c)];
  const CObjArcElem* prev = m_arcRecords[static_cast<size_t>(c) - 1];
  if (cur == nullptr || prev == nullptr) return false;
  ComputeValues(*cur, *prev, row.value1, row.value2);
  row.start = prev->m_nTime;
  row.end = cur->m_nTime;
  row.archivingPercent = cur->m_fArchivingPercent;
  row.abnormalCode = cur->m_nAbnormalCode;
  return true;
}

bool CObjectDefinition::ComputeRecordValues(int32_t c, float& value1, float& value2) const {
  if (c < 0 || static_cast<size_t>(c) >= m_arcRecords.GetSize()) return false;
  const CObjArcElem* cur = m_arcRecords[static_cast<size_t>(c)];
  if (cur == nullptr) return false;
  ComputeValues(*cur, *cur, value1, value2);
  return true;
}

bool CObjectDefinition::GetRow(float& value1, float& value2, int64_t& start, int64_t& end, float& archivingPercent,
                               std::string_view& abnormalText) const {
  CArchiveRow row;
  if (!ComputeRow(m_nRowCursor, row)) return false;
  value1 = row.value1;
  value2 = row.value2;
  start = row.start;
  end = row.end;
  archivingPercent = row.archivingPercent;
  abnormalText = AbnormalText(row.abnormalCode);
  return true;
}

// --- abnormal situations ---

bool CObjectDefinition::MoveFirstAbnormal() {
  if (m_errRecords.IsEmpty()) return false;
  m_nAbnormalCursor = 0;
  return true;
}

bool CObjectDefinition::MoveNextAbnormal() {
  const auto m = static_cast<int64_t>(m_errRecords.GetSize());
  if (m_nAbnormalCursor >= 0 && m_nAbnormalCursor < m - 1) {
    ++m_nAbnormalCursor;
    return true;
  }
  return false;
}

bool CObjectDefinition::GetAbnormal(int64_t& start, int64_t& end, std::string_view& text) const {
  const int32_t a = m_nAbnormalCursor;
  if (a < 0 || static_cast<size_t>(a) >= m_errRecords.GetSize()) return false;
  const CErrArcElem* r = m_errRecords[static_cast<size_t>(a)];
  if (r == nullptr) return false;
  start = r->m_nBegin;
  end = r->m_nEnd;
  text = AbnormalText(r->m_nCode);
  return true;
}

// --- names, units, captions ---

bool CObjectDefinition::SetOutputTypes(uint8_t outputType1, uint8_t unit1, uint8_t outputType2, uint8_t unit2,
                                       uint8_t result) {
  m_nOutputType1 = outputType1;
  m_nUnit1 = unit1;
  m_nOutputType2 = outputType2;
  m_nUnit2 = unit2;
  m_bResult = result;
  return true;
}

bool CObjectDefinition::IsResultAvailable() const { return m_nType1 + m_nType2 == 1; }

uint8_t CObjectDefinition::GetNameIndex(bool second) const {
  const uint8_t type = second ? m_nType2 : m_nType1;
  const uint8_t outputType = second ? m_nOutputType2 : m_nOutputType1;
  if (type >= catalogue::kTypeCount) return kNone;
  const catalogue::QuantityType& q = catalogue::kTypes[type];
  if (outputType >= q.nameCount) return kNone;
  if (m_bResult == 1) return q.firstResultName == kNone ? kNone : static_cast<uint8_t>(q.firstResultName + outputType);
  return static_cast<uint8_t>(q.firstName + outputType);
}

uint8_t CObjectDefinition::GetUnitIndex(bool second) const {
  const uint8_t type = second ? m_nType2 : m_nType1;
  const uint8_t outputType = second ? m_nOutputType2 : m_nOutputType1;
  const uint8_t unit = second ? m_nUnit2 : m_nUnit1;
  if (type >= catalogue::kTypeCount) return kNone;
  const catalogue::QuantityType& q = catalogue::kTypes[type];
  if (outputType >= q.nameCount) return kNone;
  const catalogue::UnitGroup& group = catalogue::kUnitGroups[q.firstUnitGroup + outputType];
  if (unit >= group.unitCount) return kNone;
  return static_cast<uint8_t>(group.firstUnit + unit);
}

void CObjectDefinition::GetTypeNames(uint8_t type, std::vector<std::string>& list, bool result) const {
  list.clear();
  if (type >= catalogue::kTypeCount) return;
  const catalogue::QuantityType& q = catalogue::kTypes[type];
  const uint8_t first = result ? q.firstResultName : q.firstName;
  if (first == kNone) return;
  for (uint8_t i = 0; i < q.nameCount; ++i) list.emplace_back(catalogue::kNames[first + i]);
}

void CObjectDefinition::GetOutputTypeNames(bool result, std::vector<std::string>& list1,
                                           std::vector<std::string>& list2) const {
  list1.clear();
  list2.clear();
  GetTypeNames(m_nType1, list1, result);
  GetTypeNames(m_nType2, list2, result);
}

void CObjectDefinition::GetUnitNames(bool second, uint8_t outputType, std::vector<std::string>& list) const {
  list.clear();
  const uint8_t type = second ? m_nType2 : m_nType1;
  if (type >= catalogue::kTypeCount) return;
  const catalogue::QuantityType& q = catalogue::kTypes[type];
  if (outputType >= q.nameCount) return;
  const catalogue::UnitGroup& group = catalogue::kUnitGroups[q.firstUnitGroup + outputType];
  for (uint8_t i = 0; i < group.unitCount; ++i) list.emplace_back(catalogue::kUnits[group.firstUnit + i].text);
}

namespace {

std::string Caption(uint8_t name, uint8_t nameOffset, uint8_t unit) {
  const std::string_view nameText = name == kNone ? std::string_view{} : catalogue::kNames[name + nameOffset];
  const std::string_view unitText = unit == kNone ? std::string_view{} : catalogue::kUnits[unit].text;
  if (nameText.empty() && unitText.empty()) return {};
  return std::string(nameText) + ", " + std::string(unitText);
}

}  // namespace

void CObjectDefinition::GetColumnCaptions(std::string& caption1, std::string& caption2) const {
  caption1 = Caption(GetNameIndex(false), 0, GetUnitIndex(false));
  caption2 = Caption(GetNameIndex(true), 0, GetUnitIndex(true));
}

void CObjectDefinition::GetPrintCaptions(std::string& caption1, std::string& caption2) const {
  caption1 = Caption(GetNameIndex(false), catalogue::kShortNameOffset, GetUnitIndex(false));
  caption2 = Caption(GetNameIndex(true), catalogue::kShortNameOffset, GetUnitIndex(true));
}

// --- status ---

void CObjectDefinition::DeleteRecords() {
  m_arcRecords.DeleteAll();
  m_errRecords.DeleteAll();
}

ReadStatus CObjectDefinition::GetReadStatus(std::string& text) const {
  // An archive too short for a row is empty, whatever found it.
  const ReadStatus code = m_nReadStatus == ReadStatus::kReadOk && m_arcRecords.GetSize() < 3
                              ? ReadStatus::kReadArchiveEmpty
                              : m_nReadStatus;
  text = ReadStatusText(code);
  return code;
}

}  // namespace tkq
