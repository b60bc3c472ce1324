#pragma once
// The measurement object: one object of the instrument after a read or
// after opening a saved archive. Holds the decoded records, the raw
// parameter and system files with the parameter tree decoded from them,
// and the user's choice of what the two value columns show; computes the
// rows of the measurement archive.

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "core/archive/records.h"
#include "core/description/param_tree.h"
#include "core/link/flash_files.h"
#include "core/link/link_status.h"
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

// The five files of one object as the instrument delivered them.
struct CDeviceFiles {
  std::vector<uint8_t> arc;  // measurement archive
  std::vector<uint8_t> err;  // abnormal situations
  std::vector<uint8_t> ads;  // additional data
  std::vector<uint8_t> par;  // the object's parameter set
  std::vector<uint8_t> dev;  // the instrument's system data
};

// A file the read of an object takes: its 8.3 name and extension, and
// whether the read fails without it.
struct CObjectReadFile {
  std::string name;
  std::string ext;
  bool required = false;
};

// The files a read of object `number` takes, in its order: the object's
// .arc, .err and .ads (each may be absent), its .par and the system file
// (both required).
std::vector<CObjectReadFile> ObjectReadFiles(uint8_t number);

class CObjectDefinition : public CObject {
 public:
  CObjectDefinition() = default;

  // The saved archive file's whole layout. Loading reads into this
  // (freshly constructed) object and then decodes the parameter files
  // again with the attached description; damage raises CArchiveError, a
  // parameter file too short for its version std::invalid_argument.
  void Serialize(CArchiveStream& ar) override;

  // --- reading from the instrument ---
  // Reads the object's files over the link and decodes them. False when the
  // read failed (the reason in the read status; also when the parameter or
  // system file is too short for its version, status 3). `delivered`, if
  // given, receives the files as the instrument delivered them.
  bool ReadArchive(CDeviceFiles* delivered = nullptr);
  // The read procedure: identification, directory, then the five files in
  // order. False with read status 1, 2, 3 or 7 (cancelled).
  bool ReadDeviceFiles(std::vector<uint8_t>& arcBytes, std::vector<uint8_t>& errBytes,
                       std::vector<uint8_t>& adsBytes, std::vector<uint8_t>& parBytes,
                       std::vector<uint8_t>& devBytes);

  // --- rows of the measurement archive ---
  int32_t GetRowCount();
  bool MoveFirstRow();
  bool MoveNextRow();
  bool GetRow(float& value1, float& value2, int64_t& start, int64_t& end, float& archivingPercent,
              std::string_view& abnormalText) const;
  // The row that ends at record `c` (1 .. records - 1), without moving the
  // cursor; false when there is no such record.
  bool ComputeRow(int32_t c, CArchiveRow& row) const;
  // The record positions of all rows, in order (the cursor is not moved).
  std::vector<int32_t> RowPositions() const;

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

  // --- links ---
  void SetLink(CTrvKqModbusWithFlFiles* link) { m_pLink = link; }
  void SetVersionList(CReadParamClass* description) { m_pVersionList = description; }
  void DeleteRecords();
  // The read status text, after turning a file error that followed a
  // failure of the line into "НЕВОЗМОЖНО УСТАНОВИТЬ СОЕДИНЕНИЕ".
  uint8_t GetReadStatus(std::string& text);
  uint8_t GetObjectNumber() const { return m_nObjectNumber; }
  void SetObjectNumber(uint8_t number) { m_nObjectNumber = number; }

  // --- decoding the instrument's files ---
  // The decoding steps of a read, in their order: parameters, measurements,
  // abnormal situations, additional data. Results are not examined (they
  // leave read status 5 or 6); a parameter file too short for its version
  // throws std::invalid_argument.
  void DecodeDeviceFiles(std::span<const uint8_t> arcBytes, std::span<const uint8_t> errBytes,
                         std::span<const uint8_t> adsBytes);
  bool DecodeMeasurements(std::span<const uint8_t> arcBytes, std::span<const uint8_t> errBytes);
  bool DecodeAbnormals(std::span<const uint8_t> errBytes);
  bool DecodeAdditionalData(std::span<const uint8_t> adsBytes);
  bool DecodeParameters(std::span<const uint8_t> parBytes, std::span<const uint8_t> devBytes);
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
  uint8_t m_nReadStatus = kReadOk;
  CTrvKqModbusWithFlFiles* m_pLink = nullptr;
  CReadParamClass* m_pVersionList = nullptr;
  uint8_t m_nParamType1 = 0;
  uint8_t m_nParamType2 = 0;
  std::vector<uint8_t> m_parBytes;
  std::vector<uint8_t> m_devBytes;
  std::string m_strDescription;
  std::string m_strDeviceId;
  int64_t m_tRead = 0;
  CParamTree m_paramTree;

 private:
  uint32_t Time(int32_t i) const;
  bool FailRead(uint8_t code);
  float UnitFactor(bool second) const;
};

}  // namespace tkq
