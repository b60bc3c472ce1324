#pragma once
// The instrument's flash file system as the link reads it: the file
// requests of function 69, the root directory, finding a file by its 8.3
// name and transferring its contents in pieces of 128 bytes.

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "core/link/modbus.h"

namespace tkq {

class CModbusWithFlFiles;

// The stages of a read from the instrument, in their order.
enum class EReadStage {
  kIdentification,  // function 17
  kDirectory,       // the root directory
  kFile,            // one of the object's files, or the system file
};

// What a long read tells whoever watches it.
class CReadProgress {
 public:
  virtual ~CReadProgress() = default;
  // A new stage; for a file, its name on the computer ("Obj07_0.arc") and
  // size as the directory gives them (empty and 0 for the other stages).
  virtual void OnStage(EReadStage /*stage*/, const std::string& /*file*/, uint64_t /*fileBytes*/) {}
  // Bytes of the object's files transferred so far, of those the directory
  // announced.
  virtual void OnBytes(uint64_t /*done*/, uint64_t /*total*/) {}
};

// A file of the flash file system: its control block and, once read, its
// contents.
class CFlFile {
 public:
  struct CFCB {
    struct CFlFileDescriptor {
      virtual ~CFlFileDescriptor() = default;
      uint8_t m_nAttr = 0;
      char m_name[8] = {};
      char m_ext[3] = {};
      uint8_t m_nByte12 = 0;
      uint32_t m_nValue13 = 0;
      uint32_t m_nValue17 = 0;  // 16 bits on the instrument
      uint32_t m_nSize = 0;
    };
    CFlFileDescriptor m_descriptor;
    uint32_t m_nValue23 = 0;
    uint32_t m_nValue27 = 0;
    uint8_t m_nByte31 = 0;
    uint8_t m_nByte32 = 0;
  };

  // Fills the descriptor from the 23 leading bytes of a directory entry or
  // a control block.
  static void ParseDescriptor(const uint8_t* bytes, CFCB::CFlFileDescriptor& descriptor);

  // The name and extension as text, each ending early at a zero byte.
  std::string Name() const;
  std::string Ext() const;

  // Transfers the whole file over `link` (opening and closing the port).
  bool Read(CModbusWithFlFiles& link);

  std::vector<uint8_t> m_data;
  CFCB m_fcb;
};

// The file requests of function 69.
class CModbusWithFlFiles : public CModbus {
 public:
  using CModbus::CModbus;

  // The largest file the link accepts; a larger size from the instrument
  // is refused as a read error instead of being allocated.
  static constexpr uint32_t kMaxFileSize = 64u << 20;

  bool FsBegin();
  bool FsOpenRoot();
  // The name is cut or padded with blanks to 8 characters, the extension
  // to 3.
  bool FsOpenFile(const std::string& name, const std::string& ext, uint8_t mode);
  bool FsGetControlBlock(CFlFile::CFCB& fcb);
  // The next `count` bytes (1 to 242) of the open file; `delivered` is what
  // the instrument says it sent; at most `count` bytes go to `buffer`.
  bool FsReadNext(uint8_t count, uint8_t& delivered, uint8_t* buffer);

  // Gets the open file's control block and its whole contents into `file`.
  bool TransferContents(CFlFile& file);

  // Whoever watches the transfer (not owned; may be null).
  void SetProgress(CReadProgress* progress) { m_pProgress = progress; }
  CReadProgress* Progress() const { return m_pProgress; }
  // Adds to the bytes transferred and tells the watcher.
  void CountBytes(uint64_t n);
  void StartCounting(uint64_t total);

 private:
  // A request whose answer carries the result byte at 3; false when the
  // transaction failed, the answer is too short, or the instrument refused.
  bool FileRequest(size_t requestLength, size_t answerLength, size_t minAnswer);

  CReadProgress* m_pProgress = nullptr;
  uint64_t m_nBytesDone = 0;
  uint64_t m_nBytesTotal = 0;
};

// The instrument's link with its root directory and the files listed in it.
class CTrvKqModbusWithFlFiles : public CModbusWithFlFiles {
 public:
  using CModbusWithFlFiles::CModbusWithFlFiles;

  // Reads the whole root directory into m_root (opening and closing the port).
  bool ReadDirectory();
  // Rebuilds m_files from m_root: false when its size is not a multiple of 32.
  bool ParseDirectory();
  // The first file whose name and extension are exactly these, or null.
  CFlFile* FindFile(const std::string& name, const std::string& ext);

  CFlFile m_root;
  std::vector<std::unique_ptr<CFlFile>> m_files;
};

}  // namespace tkq
