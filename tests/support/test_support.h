#pragma once
// Builders of the instrument's files for tests: measurement and abnormal
// records as the instrument writes them, parameter and system files laid
// out for a firmware version, and whole measurement objects.

#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "core/archive/object_definition.h"
#include "core/base/paths.h"
#include "core/description/read_param_class.h"

namespace tkq::test {

using Bytes = std::vector<uint8_t>;

// 01.02.2012 10:00:00 on the instrument: where the tests' archives begin.
inline constexpr uint32_t k10h = 1328090400;

void AppendMeasurement(Bytes& file, uint32_t time, float value1, float value2, bool goodCheckByte = true);
void AppendAbnormal(Bytes& file, uint32_t begin, uint32_t end, uint8_t code, uint8_t spare = 0);

// A description holding the built-in tables.
std::unique_ptr<CReadParamClass> BuiltInDescription();

// Parameter and system files of `version` with every value 0, except the
// two shown archive selectors set to `first` and `second`.
struct ParamFiles {
  Bytes par;
  Bytes dev;
};
ParamFiles MakeParamFiles(const CReadParamClass& description, const std::string& version, uint8_t first,
                          uint8_t second);

// A decoded object of `version` with an archive of `records` records, one
// every `period` seconds (totals growing by 1.5 and 0.25 a record) starting
// at `start`, and the given abnormal-situation file.
std::unique_ptr<CObjectDefinition> MakeObject(const CReadParamClass& description, const std::string& version,
                                              uint8_t first, uint8_t second, size_t records, const Bytes& err = {},
                                              uint32_t start = 1328090400, uint32_t period = 3600);

// The bytes of a file.
std::string ReadText(const std::filesystem::path& path);

// A named pipe at `path` (nobody writing to it). POSIX only: Windows has no
// named pipe in a folder, and the tests that make one do not run there.
void MakeFifo(const std::filesystem::path& path);

// Runs `load` on another thread: true when it ends within two seconds. A
// load still waiting for a writer of the pipe `fifo` is then let go by one
// that writes nothing, so that a failing test ends too.
bool EndsAtOnce(const std::function<void()>& load, const std::filesystem::path& fifo);

// Local time is UTC from here on.
void UseUtcAsLocalTime();

// A device that gives bytes without end.
extern const char* const kEndlessDevice;

// Whether a file can be made in `dir` (root may write where permissions
// say no).
bool CanCreateIn(const std::filesystem::path& dir);

// The file `path` held open by this process without sharing, as another
// program on Windows holds it, until the object goes. Elsewhere a file
// cannot be held so: Held() is false there.
class HeldFile {
 public:
  explicit HeldFile(const std::filesystem::path& path);
  ~HeldFile();
  HeldFile(const HeldFile&) = delete;
  HeldFile& operator=(const HeldFile&) = delete;
  bool Held() const { return m_handle != nullptr; }

 private:
  void* m_handle = nullptr;
};

// A fresh temporary folder, removed when the object goes.
class TempDir {
 public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;
  const std::filesystem::path& Path() const { return m_path; }
  // `name` is UTF-8, as the tests' texts are.
  std::filesystem::path operator/(const std::string& name) const { return m_path / PathFromUtf8(name); }

 private:
  std::filesystem::path m_path;
};

}  // namespace tkq::test
