#pragma once
// Reading one object from the instrument: its identification, the root
// directory and the object's files, over a link, into a set of files of
// the read's own; then the measurement object decoded from those files.
//
// Threads: a read works only on the link and the CArchiveRead it is given,
// and decodes with a description it only reads. A worker thread may run
// ReadArchive while the program goes on, as long as nothing else uses that
// link and nothing changes that description meanwhile.

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "core/link/flash_files.h"
#include "core/link/link_status.h"
#include "core/link/read_status.h"

namespace tkq {

class CObjectDefinition;
class CReadParamClass;

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

// One read of an object: what was asked, what came, and why it failed.
class CArchiveRead {
 public:
  explicit CArchiveRead(uint8_t objectNumber = 0) : m_nObjectNumber(objectNumber) {}

  // The read status text of a failed read: a file error that followed a
  // failure of the line (the link's status not 0) is told as
  // "НЕВОЗМОЖНО УСТАНОВИТЬ СОЕДИНЕНИЕ"; returns that code.
  ReadStatus GetReadStatus(std::string& text) const;

  uint8_t m_nObjectNumber = 0;  // 1 to 20
  std::string m_strDeviceId;    // the identification text
  int64_t m_tRead = 0;          // when the read began: seconds since 1970 of the computer's clock
  CDeviceFiles m_files;         // also those a failed decoding was given, for support
  // kReadOk, or why it failed: kReadPortBusy, kReadNoConnection,
  // kReadFileError or kReadCancelled; and the link's status at that moment.
  ReadStatus m_nReadStatus = ReadStatus::kReadOk;
  LinkStatus m_linkStatus = LinkStatus::kLinkOk;
};

// The first steps of every read: opens the port, reads the identification
// into `deviceId`, closes the port, reads and parses the root directory
// (which the link keeps). kReadOk, or the code of the step that failed
// (kReadPortBusy when the port did not open, kReadNoConnection when the
// identification failed, kReadFileError for the directory); the port is
// closed either way. `identificationAnswer`, if given, receives the bytes
// of the identification's answer, CRC included.
ReadStatus ReadInstrumentDirectory(CTrvKqModbusWithFlFiles& link, std::string& deviceId,
                                   size_t* identificationAnswer = nullptr);

// The read procedure: the identification, the directory, then the files of
// ObjectReadFiles in their order into read.m_files. False with
// read.m_nReadStatus and read.m_linkStatus saying why.
bool ReadDeviceFiles(CTrvKqModbusWithFlFiles& link, CArchiveRead& read);

// The object decoded from a read's files with `description`: parameters,
// measurements, abnormal situations, additional data. The object's read
// status tells what the decoding found (an empty archive, an unknown
// version). A parameter or system file too short for its version throws
// CParamDecodeError.
std::unique_ptr<CObjectDefinition> DecodeArchive(const CArchiveRead& read, const CReadParamClass& description);

// Reads object read.m_nObjectNumber and decodes it: the new object, or null
// when the read failed (read.m_nReadStatus says why; kReadFileError also
// for a parameter or system file too short for its version). `read` keeps
// the files as delivered.
std::unique_ptr<CObjectDefinition> ReadArchive(CTrvKqModbusWithFlFiles& link, const CReadParamClass& description,
                                               CArchiveRead& read);

}  // namespace tkq
