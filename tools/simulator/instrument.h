#pragma once
// A model of the Tarvik KQ instrument as its serial line sees it: Modbus RTU
// at one address, function 17 (identification) and the instrument's file
// functions 69/1, 3, 8, 12, 14 over a flash folder of 8.3 files, with
// faults that tests switch on. No I/O of its own: the serving loop of
// tarvik-kq-sim and in-process test channels feed it request frames.

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <span>
#include <string>
#include <vector>

namespace tkq::sim {

struct FaultOptions {
  bool silent = false;                 // never answers
  int silentFirst = 0;                 // stays silent for the first K requests
  int badCrcAt = 0;                    // corrupts the CRC of the n-th answer (1-based; 0 = never)
  bool wrongAddress = false;           // answers from address + 1
  int exceptionCode = 0;               // answers with this exception code (0 = never) ...
  int exceptionFrom = 1;               // ... from the n-th request on (1-based)
  int refuseSubfunction = -1;          // function 69 subfunction answered with a non-zero result byte
  bool badControlBlockLength = false;  // subfunction 14 answers with a length byte other than 51
  bool shortPieces = false;            // subfunction 8 delivers fewer bytes than asked
};

struct FlashFile {
  std::string name8;  // exactly 8 characters, blank-padded
  std::string ext3;   // exactly 3 characters, blank-padded
  std::vector<uint8_t> data;
};

class CInstrument {
 public:
  CInstrument(uint8_t address, std::string id1, std::string id2);

  // Takes every regular file of `dir` whose host name maps to an 8.3 name
  // ("Obj05_0.arc" is "Obj05_0 " + "arc"), in name order, in place of the
  // files held so far; also reads the two identification texts from
  // "identification.txt" (two lines, UTF-8 or code page 1251) when present.
  bool LoadFolder(const std::filesystem::path& dir, std::string& error);
  void AddFile(FlashFile file);  // name and extension padded or cut to 8 and 3
  const std::vector<FlashFile>& Files() const { return m_files; }

  // The answer to one complete request frame (CRC included); empty when the
  // instrument stays silent (another address, a bad CRC, a silent fault).
  std::vector<uint8_t> Answer(std::span<const uint8_t> request);

  // Requests seen so far (also those not answered).
  int RequestCount() const { return m_requests; }

  FaultOptions faults;
  uint8_t address;
  std::string id1;
  std::string id2;

 private:
  std::vector<uint8_t> Exception(uint8_t function, uint8_t code) const;
  std::vector<uint8_t> Identification() const;
  std::vector<uint8_t> FileRequest(std::span<const uint8_t> request);

  std::vector<FlashFile> m_files;
  std::vector<uint8_t> m_root;  // the directory as read after subfunction 12
  int m_requests = 0;
  int m_answers = 0;
  // The open file: -1 none, -2 the root directory, else an index.
  int m_open = -1;
  size_t m_readPos = 0;
};

// A text from the computer (UTF-8 as a rule) in the instrument's code page
// 1251; text that is not UTF-8 is taken to be in the code page already.
std::string InstrumentText(const std::string& text);

// The length of the request frame that begins with `bytes`: 0 when more
// bytes are needed to tell, SIZE_MAX when the function is not one the
// instrument knows (the serving loop then waits for a pause: a whole frame
// with a good CRC gets its exception answer, anything else is dropped).
size_t RequestLength(std::span<const uint8_t> bytes);

// The 32-byte directory of the flash folder and a 51-byte control block
// (start cluster and read position 0: the instrument puts in its own).
std::vector<uint8_t> DirectoryBytes(const std::vector<FlashFile>& files);
std::vector<uint8_t> ControlBlockBytes(const FlashFile& file);

struct GenerateOptions {
  std::string version = "TARVIK 59.11.03.04";
  std::string serial = "SN 0001234";  // the second identification text
  std::vector<int> objects = {1};
  size_t records = 8760;   // per object
  uint32_t period = 3600;  // seconds between records
  int firstType = 0;       // quantity types of the two archived values
  int secondType = 1;
  int64_t end = 0;             // time of the last record; 0: the start of the current hour
  uint32_t seed = 1;           // for the abnormal situations and gaps
  bool corruptRecord = false;  // one measurement record in the middle with a wrong check byte
};

// Writes a realistic instrument folder: identification.txt, System_0.dev,
// and for each object ObjNN_0.arc, .err, .ads and .par laid out for the
// version's parameter set.
bool Generate(const std::filesystem::path& dir, const GenerateOptions& options, std::string& error);

}  // namespace tkq::sim
