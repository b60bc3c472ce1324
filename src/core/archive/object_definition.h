#pragma once
// The measurement object: one object of the instrument after a read or
// after opening a saved archive. Holds the decoded records, the raw
// parameter and system files with the parameter tree decoded from them,
// and the user's choice of what the two value columns show; computes the
// rows of the measurement archive. It knows no link: the read
// (archive_read.h) brings the files it is decoded from.
//
// Every const operation is a query without side effects; the cursors move
// only by the operations named Move....

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "core/archive/records.h"
#include "core/description/param_tree.h"
#include "core/link/read_status.h"

namespace tkq {

class CReadParamClass;

// One computed row of the measurement archive.
struct CArchiveRow {
  float value1 = 0.0f;
  float value2 = 0.0f;
  int64_t start = 0;  // device timestamps, widened without sign
  int64_t end = 0;
  float archivingPercent = 0.0f;
  uint8_t abnormalCode = 0;
};

class CObjectDefinition : public CObject {
 public:
  CObjectDefinition() = default;

  // The saved archive file's whole layout, field by field. Loading reads
  // into this (freshly constructed) object, whose parameter files are then
  // decoded again (LoadSavedArchive); damage raises CArchiveError.
  void Serialize(CArchiveStream& ar) override;

  // --- rows of the measurement archive ---
  // A row is a record with the one before it; a record that closes an
  // irregular interval makes none.
  // The number of rows.
  int32_t RowCount() const;
  // The record positions of all rows, in order.
  std::vector<int32_t> RowPositions() const;
  // The record that ends the first row, or the next row after the one
  // ending at `c`; -1 when there is none.
  int32_t FirstRow() const;
  int32_t NextRow(int32_t c) const;
  // The row cursor of the views' walk: GetRowCount counts by walking the
  // cursor over every row and leaves it on the last; MoveFirstRow and
  // MoveNextRow move it, GetRow reads the row it is on.
  int32_t GetRowCount();
  bool MoveFirstRow();
  bool MoveNextRow();
  bool GetRow(float& value1, float& value2, int64_t& start, int64_t& end, float& archivingPercent,
              std::string_view& abnormalText) const;
  // The row that ends at record `c` (1 .. records - 1); false when there
  // is no such record.
  bool ComputeRow(int32_t c, CArchiveRow& row) const;
  // The values at record `c` alone (0 .. records - 1), as a row ending
  // there would show them over an empty interval: totals and momentary
  // values as they stood, changes and rates 0. False when there is no such
  // record.
  bool ComputeRecordValues(int32_t c, float& value1, float& value2) const;

  // --- abnormal situations ---
  int32_t GetAbnormalCount() const { return static_cast<int32_t>(m_errRecords.GetSize()); }
  bool MoveFirstAbnormal();
  bool MoveNextAbnormal();
  bool GetAbnormal(int64_t& start, int64_t& end, std::string_view& text) const;

  // --- what the value columns show ---
  bool SetOutputTypes(uint8_t outputType1, uint8_t unit1, uint8_t outputType2, uint8_t unit2, uint8_t result);
  void GetColumnCaptions(std::string& caption1, std::string& caption2) const;
  void GetPrintCaptions(std::string& caption1, std::string& caption2) const;
  bool IsResultAvailable() const;
  void GetOutputTypeNames(bool result, std::vector<std::string>& list1, std::vector<std::string>& list2) const;
  void GetUnitNames(bool second, uint8_t outputType, std::vector<std::string>& list) const;
  uint8_t GetNameIndex(bool second) const;  // catalogue::kNone when there is none
  uint8_t GetUnitIndex(bool second) const;  // catalogue::kNone when there is none
  void GetTypeNames(uint8_t type, std::vector<std::string>& list, bool result) const;
  float ComputeOutput(float current, float previous, uint32_t interval, uint8_t type, uint8_t outputType) const;

  // --- status ---
  void DeleteRecords();
  // What the decoding found, with its text: kReadOk; kReadUnknownVersion
  // when the parameters could not be decoded; kReadArchiveEmpty when the
  // archive makes no row (fewer than three records).
  ReadStatus GetReadStatus(std::string& text) const;
  uint8_t GetObjectNumber() const { return m_nObjectNumber; }
  void SetObjectNumber(uint8_t number) { m_nObjectNumber = number; }

  // --- decoding the instrument's files ---
  // The decoding steps of a read, in their order: the parameters (from
  // m_parBytes and m_devBytes), measurements, abnormal situations,
  // additional data. Results are not examined (they leave read status 5 or
  // 6); a parameter file too short for its version throws
  // CParamDecodeError. `description` is only read.
  void DecodeDeviceFiles(const CReadParamClass& description, std::span<const uint8_t> arcBytes,
                         std::span<const uint8_t> errBytes, std::span<const uint8_t> adsBytes);
  bool DecodeMeasurements(std::span<const uint8_t> arcBytes, std::span<const uint8_t> errBytes);
  bool DecodeAbnormals(std::span<const uint8_t> errBytes);
  bool DecodeAdditionalData(std::span<const uint8_t> adsBytes);
  // Selects the version of m_strDeviceId in `description` (without changing
  // the description's own selection) and decodes the two files into the
  // parameter tree and the archive's two quantity types.
  bool DecodeParameters(const CReadParamClass& description, std::span<const uint8_t> parBytes,
                        std::span<const uint8_t> devBytes);
  uint8_t RecordChecksum(const uint8_t* record) const;
  bool CheckRecord(uint32_t) const { return true; }
  float GetArchivingPercent(std::span<const uint8_t> errBytes, int32_t count, int32_t& cursor, uint8_t& code,
                            uint32_t start, uint32_t end) const;

  // --- fields, in the order of the object ---
  CMyObArrayWithDelete<CObjArcElem> m_arcRecords;
  CMyObArrayWithDelete<CErrArcElem> m_errRecords;
  uint8_t m_nType1 = 0;
  uint8_t m_nType2 = 0;
  uint8_t m_nObjectNumber = 0;
  int32_t m_nRowCursor = 0;
  int32_t m_nAbnormalCursor = 0;
  uint8_t m_nOutputType1 = 0;
  uint8_t m_nUnit1 = 0;
  uint8_t m_nOutputType2 = 0;
  uint8_t m_nUnit2 = 0;
  uint8_t m_bResult = 0;
  ReadStatus m_nReadStatus = ReadStatus::kReadOk;
  uint8_t m_nParamType1 = 0;
  uint8_t m_nParamType2 = 0;
  std::vector<uint8_t> m_parBytes;
  std::vector<uint8_t> m_devBytes;
  std::string m_strDescription;
  std::string m_strDeviceId;
  int64_t m_tRead = 0;
  CParamTree m_paramTree;

 private:
  // The time of record `i`; 0 for an empty slot.
  uint32_t Time(int32_t i) const {
    const CObjArcElem* r = m_arcRecords[static_cast<size_t>(i)];
    return r != nullptr ? r->m_nTime : 0;
  }
  float UnitFactor(bool second) const;
  // The two values of a row from record `cur` and the one before it.
  void ComputeValues(const CObjArcElem& cur, const CObjArcElem& prev, float& value1, float& value2) const;
};

// Inline: the rows' walks (the tables, reports, the chart) take it once a row.
inline int32_t CObjectDefinition::NextRow(int32_t c) const {
  const auto n = static_cast<int64_t>(m_arcRecords.GetSize());
  if (c < 0 || c >= n - 1) return -1;
  if (c == 0 && n < 3) return -1;
  // The interval the row before closed; before the first row, the one
  // after the first record.
  uint32_t d = c > 0 ? Time(c) - Time(c - 1) : Time(2) - Time(1);
  bool moved = false;
  for (;;) {
    if (c >= n - 1) return -1;
    ++c;
    const uint32_t e = Time(c) - Time(c - 1);
    if (e == d) return moved ? c - 1 : c;
    d = e;
    moved = true;
  }
}

}  // namespace tkq
