#pragma once
// The instrument's flash file system as the link reads it: the file
// requests of function 69 over a Modbus master, the root directory,
// finding a file by its 8.3 name and transferring its contents in pieces
// of 128 bytes.

#include <array>
#include <atomic>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "core/link/link_status.h"
#include "core/link/modbus.h"
#include "core/link/modbus_frames.h"

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
  // The file control block: the 51 data bytes of a subfunction 14 answer.
  struct CFCB {
    // Bytes 0 to 22 of a control block, and of a 32-byte directory entry.
    struct CFlFileDescriptor {
      virtual ~CFlFileDescriptor() = default;
      uint8_t m_attr = 0;     // byte 0
      char m_name[8] = {};    // bytes 1 to 8, blank-padded
      char m_ext[3] = {};     // bytes 9 to 11, blank-padded
      uint8_t m_byte12 = 0;   // byte 12; its meaning is not known
      // Bytes 13 to 16, little-endian; its meaning is not known.
      uint32_t m_value13 = 0;
      // Bytes 17 and 18, little-endian (16 bits on the instrument); its
      // meaning is not known.
      uint32_t m_value17 = 0;
      uint32_t m_size = 0;  // bytes 19 to 22, little-endian
    };
    CFlFileDescriptor m_descriptor;
    // Bytes 23 to 26 of the control block, little-endian; its meaning is
    // not known.
    uint32_t m_value23 = 0;
    // Bytes 27 to 30 of the control block, little-endian; its meaning is
    // not known.
    uint32_t m_value27 = 0;
    uint8_t m_byte31 = 0;  // byte 31 of the control block; its meaning is not known
    uint8_t m_byte32 = 0;  // byte 32 of the control block; its meaning is not known
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

// The file requests of function 69, over a Modbus master it does not own.
class CModbusWithFlFiles {
 public:
  explicit CModbusWithFlFiles(CModbus& modbus) : m_modbus(modbus) {}
  CModbusWithFlFiles(const CModbusWithFlFiles&) = delete;
  CModbusWithFlFiles& operator=(const CModbusWithFlFiles&) = delete;

  // The largest file the link accepts; a larger size from the instrument
  // is refused as a read error instead of being allocated.
  static constexpr uint32_t kMaxFileSize = 64u << 20;

  CModbus& Modbus() { return m_modbus; }

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
  void SetProgress(CReadProgress* progress) { m_progress = progress; }
  CReadProgress* Progress() const { return m_progress; }
  // Adds to the bytes transferred and tells the watcher.
  void CountBytes(uint64_t n);
  void StartCounting(uint64_t total);

 private:
  // Starts a request of `subfunction` over what the line's last request
  // left in the buffer.
  void StartRequest(FileSubfunction subfunction);
  // Byte `at` of the request frame being built; the address, byte 0, is
  // the master's own.
  uint8_t& RequestByte(size_t at) { return m_request[at - 1]; }
  // Sends the request built, `frameLength` bytes from the address to the
  // CRC; its answer carries the result byte at 3. False when the
  // transaction failed, the answer is shorter than `minAnswer` or the
  // instrument refused.
  bool FileRequest(size_t frameLength, size_t answerLength, size_t minAnswer, std::span<const uint8_t>& answer);

  CModbus& m_modbus;
  // The request being built, function code first. Parameter bytes a
  // request does not set go out as the line's earlier requests left them,
  // as they always have (the instrument ignores them).
  std::array<uint8_t, CModbus::kMaxFrame> m_request{};
  CReadProgress* m_progress = nullptr;
  uint64_t m_bytesDone = 0;
  uint64_t m_bytesTotal = 0;
};

// The instrument's link: a Modbus master on its own channel, the file
// requests over it, the root directory and the files listed in it. The
// port's life, the status and what a watcher of a read needs are offered
// here; Modbus() and FileRequests() give the single requests.
class CTrvKqModbusWithFlFiles {
 public:
  // A link on the platform's serial channel.
  CTrvKqModbusWithFlFiles();
  // A link on the given channel (tests, the fuzzer).
  explicit CTrvKqModbusWithFlFiles(std::unique_ptr<CSerialChannel> channel);
  CTrvKqModbusWithFlFiles(const CTrvKqModbusWithFlFiles&) = delete;
  CTrvKqModbusWithFlFiles& operator=(const CTrvKqModbusWithFlFiles&) = delete;

  CModbus& Modbus() { return m_modbus; }
  const CModbus& Modbus() const { return m_modbus; }
  CModbusWithFlFiles& FileRequests() { return m_fileRequests; }

  // As CModbus's.
  void SetConnection(const CLinkSettings& settings) { m_modbus.SetConnection(settings); }
  const CLinkSettings& Settings() const { return m_modbus.Settings(); }
  bool OpenPort() { return m_modbus.OpenPort(); }
  void ClosePort() { m_modbus.ClosePort(); }
  bool IsPortOpen() const { return m_modbus.IsPortOpen(); }
  int LastOpenError() const { return m_modbus.LastOpenError(); }
  LinkStatus Status() const { return m_modbus.Status(); }
  LinkStatus GetStatusText(std::string& text) const { return m_modbus.GetStatusText(text); }
  bool ReadIdentification(std::string& text) { return m_modbus.ReadIdentification(text); }
  void SetCancelFlag(const std::atomic<bool>* cancel) { m_modbus.SetCancelFlag(cancel); }
  bool IsCancelled() const { return m_modbus.IsCancelled(); }
  const CLineCounters& Counters() const { return m_modbus.Counters(); }
  // As CModbusWithFlFiles'.
  void SetProgress(CReadProgress* progress) { m_fileRequests.SetProgress(progress); }
  CReadProgress* Progress() const { return m_fileRequests.Progress(); }

  // Reads the whole root directory into Root() (opening and closing the
  // port).
  bool ReadDirectory();
  // Rebuilds Files() from Root(): false when its size is not a multiple of
  // 32.
  bool ParseDirectory();
  // The first file whose name and extension are exactly these, or null.
  CFlFile* FindFile(const std::string& name, const std::string& ext);
  const CFlFile* FindFile(const std::string& name, const std::string& ext) const;
  // Reads `file` (one of Files()) whole, over this link.
  bool ReadFile(CFlFile& file) { return file.Read(m_fileRequests); }

  CFlFile& Root() { return m_root; }
  const CFlFile& Root() const { return m_root; }
  const std::vector<std::unique_ptr<CFlFile>>& Files() const { return m_files; }

 private:
  CModbus m_modbus;
  CModbusWithFlFiles m_fileRequests{m_modbus};
  CFlFile m_root;
  std::vector<std::unique_ptr<CFlFile>> m_files;
};

}  // namespace tkq
