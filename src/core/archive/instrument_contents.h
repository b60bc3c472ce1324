#pragma once
// What is on the instrument: the objects whose files its root directory
// lists, each with its files, the records of its measurement archive and
// how long reading it would take, worked out from the directory alone (no
// file is read).
//
// The time of a read is the line time of every request and answer that
// ReadDeviceFiles (archive_read.h) makes for the object, as it makes them:
// the identification, the root directory, then the object's .arc, .err,
// .ads and .par and the system file, each as begin, open, control block
// and one read request per piece of 128 bytes, stopping where the read
// would stop (a required file the directory lacks, a file larger than the
// link accepts). A byte takes 10 bits on the line (start, 8 data, stop).
// Each transaction adds the two silences of 3.5 characters that frame
// Modbus RTU messages (before the request and before the answer; fixed at
// 1.75 ms each above 19200 baud, where the RTU rules stop scaling them),
// which is also about what the instrument needs to turn a request round.
// Retries of a failed attempt are not foreseen.
//
// Threads: every function here works only on the link it is given; a
// worker thread may run ReadInstrumentContents while nothing else uses
// that link. The link's progress watcher (SetProgress) is told the stages
// of the identification and the directory from that thread, and its cancel flag
// (SetCancelFlag) stops the requests as it stops a read. ObjectsInDirectory
// and ObjectContents only look at the directory the link holds; call them
// when no read runs on it (every read replaces that directory).

#include <cstdint>
#include <string>
#include <vector>

#include "core/link/flash_files.h"
#include "core/link/link_status.h"
#include "core/link/read_status.h"

namespace tkq {

// Requests and answers on the line.
struct CLineTraffic {
  uint64_t transactions = 0;  // request and answer pairs
  uint64_t bytes = 0;         // bytes of both directions, addresses and CRCs included

  CLineTraffic& operator+=(const CLineTraffic& other) {
    transactions += other.transactions;
    bytes += other.bytes;
    return *this;
  }
};

// Seconds that `traffic` keeps the line busy at `baud` (10 bits a byte,
// the frame silences of each transaction added; see above). 0 baud is
// taken as 1.
double LineSeconds(const CLineTraffic& traffic, uint32_t baud);

// The line traffic of the identification request with an answer of
// `answerBytes` bytes (CRC included), of reading the root directory of
// `directoryBytes`, and of reading one file of `size` bytes by name.
CLineTraffic IdentificationTraffic(size_t answerBytes);
CLineTraffic DirectoryTraffic(uint64_t directoryBytes);
CLineTraffic FileTraffic(uint64_t size);

// The identification answer of the generated instruments' length, for an
// estimate made before any identification has been read.
inline constexpr size_t kTypicalIdentificationAnswer = 35;

// One file of an object, as the directory lists it.
struct CObjectFileInfo {
  std::string name;   // as on the computer: "Obj03_0.arc"
  uint32_t size = 0;  // bytes, as the directory announces them
};

struct CObjectContents {
  uint8_t object = 0;  // 1 to 20
  // The object's own files in the directory, in the order the read takes
  // them: .arc, .err, .ads, .par (any may be absent).
  std::vector<CObjectFileInfo> files;
  // Measurement records: the .arc file's size / 13 (0 without one).
  uint32_t records = 0;
  // Bytes of file contents the read transfers, the system file included:
  // the total its progress counts (CReadProgress::OnBytes) for this object.
  uint64_t bytes = 0;
  // Files the read needs that the directory lacks ("Obj03_0.par",
  // "System_0.dev"): the read of this object would fail.
  std::vector<std::string> missing;
  // False when the read would fail for the directory's sake: a missing
  // required file, or a file larger than CModbusWithFlFiles::kMaxFileSize.
  bool readable = true;
  // What a read of this object puts on the line (identification and
  // directory included, as every read reads them again), and the seconds
  // that takes at the baud rate asked for.
  CLineTraffic traffic;
  double readSeconds = 0.0;
};

struct CInstrumentContents {
  // The identification text as ReadIdentification gives it: the
  // instrument's two texts joined by one blank (what identify prints and
  // a saved archive keeps).
  std::string deviceId;
  size_t identificationAnswer = 0;  // bytes of its answer, CRC included
  uint64_t directoryBytes = 0;      // the root directory's size
  uint32_t systemFileSize = 0;      // System_0.dev, 0 when absent
  // The objects present, by rising number; empty when none.
  std::vector<CObjectContents> objects;
  // Why it could not be read (kReadOk when it was): kReadPortBusy,
  // kReadNoConnection, kReadFileError or kReadCancelled, the read's own
  // codes and texts (ReadStatusText); and the link's status at that
  // moment (LinkStatusText; kLinkOk when the instrument refused a request
  // or sent a directory that cannot be parsed).
  ReadStatus readStatus = ReadStatus::kReadOk;
  LinkStatus linkStatus = LinkStatus::kLinkOk;
};

// The objects 1..20 that have at least one of their files in the link's
// directory (ReadDirectory and ParseDirectory done), with their estimates
// at `baud`. `identificationAnswer` is the length of the identification
// answer the reads will get.
std::vector<CObjectContents> ObjectsInDirectory(const CTrvKqModbusWithFlFiles& link, uint32_t baud,
                                                size_t identificationAnswer = kTypicalIdentificationAnswer);

// One object's entry as ObjectsInDirectory makes it, also for an object
// without files (then `files` is empty and the read would fail).
CObjectContents ObjectContents(const CTrvKqModbusWithFlFiles& link, uint8_t object, uint32_t baud,
                               size_t identificationAnswer = kTypicalIdentificationAnswer);

// Why the read of `object` would fail ("нет Obj05_0.par", "файл больше
// 64 МБ"), or "" when it can be read.
std::string UnreadableReason(const CObjectContents& object);

// A read time as the program writes it: "< 1 с", "45 с", "1 мин 23 с",
// "2 ч 5 мин" (whole seconds, rounded).
std::string ReadTimeText(double seconds);

// Reads the identification and the root directory over `link` (opening
// and closing its port; no file contents are read) and fills `out` with
// what is on the instrument, estimates at `baud`. False when it cannot,
// with out.readStatus and out.linkStatus saying why; the link keeps its
// directory (Root(), Files()) for a read that follows.
bool ReadInstrumentContents(CTrvKqModbusWithFlFiles& link, uint32_t baud, CInstrumentContents& out);

}  // namespace tkq
