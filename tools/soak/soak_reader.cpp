// A long-running reader: the read of tarvik-kq read (CObjectDefinition::
// ReadArchive over CTrvKqModbusWithFlFiles) repeated in one process against
// simulated instruments, one link per line kept for the whole run, a fresh
// object per read. Prints the open file descriptors and the resident memory
// at the start, after the warm-up and at the end, and the outcomes by kind.
//
//   soak_reader --folder DIR --object N --id TEXT --reads R [--warmup W]
//               --line PATH=EXPECTED [--line PATH=EXPECTED ...]
//
// EXPECTED is "ok" (the read must give exactly the saved archive that the
// instrument's files in DIR make, as tarvik-kq import builds it) or the read
// status text the read must end with. Reads go round the lines in turn.
// Exit status 1 when any read ends otherwise.

#include <dirent.h>

#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <iterator>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "core/archive/archive_read.h"
#include "core/archive/object_definition.h"
#include "core/description/read_param_class.h"
#include "core/link/flash_files.h"
#include "core/link/flash_names.h"
#include "core/archive/saved_archive.h"

using namespace tkq;

namespace {

int OpenDescriptors() {
  int n = 0;
  DIR* dir = opendir("/proc/self/fd");
  if (dir == nullptr) return -1;
  while (const dirent* entry = readdir(dir)) {
    if (entry->d_name[0] != '.') ++n;
  }
  closedir(dir);
  return n - 1;  // the one opendir holds
}

long ResidentKb() {
  std::ifstream status("/proc/self/status");
  std::string line;
  while (std::getline(status, line)) {
    if (line.rfind("VmRSS:", 0) == 0) return std::strtol(line.c_str() + 6, nullptr, 10);
  }
  return -1;
}

void Sample(const char* when, int reads) {
  std::cout << when << " (" << reads << " reads): fds " << OpenDescriptors() << ", VmRSS " << ResidentKb()
            << " kB" << std::endl;
}

std::vector<uint8_t> FileBytes(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return {};
  return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

struct Line {
  std::string path;
  std::string expected;  // "ok" or a read status text
  std::unique_ptr<CTrvKqModbusWithFlFiles> link;
};

int Usage() {
  std::cerr << "usage: soak_reader --folder DIR --object N --id TEXT --reads R [--warmup W] "
               "--line PATH=EXPECTED...\n";
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  std::filesystem::path folder;
  int objectNumber = 0;
  std::string id;
  int reads = 0;
  int warmup = 20;
  std::vector<Line> lines;
  for (int i = 1; i + 1 < argc; i += 2) {
    const std::string option = argv[i];
    const std::string value = argv[i + 1];
    if (option == "--folder") {
      folder = value;
    } else if (option == "--object") {
      objectNumber = std::atoi(value.c_str());
    } else if (option == "--id") {
      id = value;
    } else if (option == "--reads") {
      reads = std::atoi(value.c_str());
    } else if (option == "--warmup") {
      warmup = std::atoi(value.c_str());
    } else if (option == "--line") {
      const size_t eq = value.find('=');
      if (eq == std::string::npos) return Usage();
      lines.push_back(Line{value.substr(0, eq), value.substr(eq + 1), nullptr});
    } else {
      return Usage();
    }
  }
  if (argc % 2 == 0 || folder.empty() || objectNumber < 1 || objectNumber > 20 || reads < 1 || warmup < 0 ||
      warmup >= reads || lines.empty()) {
    return Usage();
  }

  CReadParamClass description;
  description.LoadBuiltIn();
  // What import makes of the instrument's files, with the read time of each
  // read put in before comparing.
  const std::string stem = ObjectFileName(static_cast<uint8_t>(objectNumber));
  CObjectDefinition expected;
  expected.SetObjectNumber(static_cast<uint8_t>(objectNumber));
  expected.m_strDeviceId = id;
  expected.m_strDescription = "soak";
  expected.m_parBytes = FileBytes(folder / HostFileName(stem, "par"));
  expected.m_devBytes = FileBytes(folder / HostFileName(kSystemFileName, kSystemFileExt));
  expected.DecodeDeviceFiles(description, FileBytes(folder / HostFileName(stem, "arc")),
                             FileBytes(folder / HostFileName(stem, "err")),
                             FileBytes(folder / HostFileName(stem, "ads")));
  if (expected.m_arcRecords.GetSize() < 2) {
    std::cerr << "soak_reader: no archive of object " << objectNumber << " in " << folder << "\n";
    return 2;
  }

  for (Line& line : lines) {
    line.link = std::make_unique<CTrvKqModbusWithFlFiles>();
    line.link->SetConnection(line.path, 1);
    line.link->m_nBaudRate = 115200;
  }

  Sample("start", 0);
  int startFds = OpenDescriptors();
  int mostFds = startFds;
  std::map<std::string, int> outcomes;
  int unexpected = 0;
  for (int n = 1; n <= reads; ++n) {
    Line& line = lines[static_cast<size_t>(n - 1) % lines.size()];
    CArchiveRead read(static_cast<uint8_t>(objectNumber));
    const std::unique_ptr<CObjectDefinition> object = ReadArchive(*line.link, description, read);
    std::string text;
    read.GetReadStatus(text);
    std::string outcome = object ? "ok" : text;
    if (object) {
      object->m_strDescription = "soak";
      expected.m_tRead = object->m_tRead;
      if (StoreSavedArchive(*object) != StoreSavedArchive(expected)) outcome = "ok but not the instrument's archive";
    }
    ++outcomes[outcome];
    if (outcome != line.expected) {
      ++unexpected;
      std::cout << "read " << n << " on " << line.path << ": \"" << outcome << "\", expected \"" << line.expected
                << "\"" << std::endl;
    }
    if (line.link->IsPortOpen()) {
      ++unexpected;
      std::cout << "read " << n << " on " << line.path << " left the port open" << std::endl;
    }
    mostFds = std::max(mostFds, OpenDescriptors());
    if (n == warmup) Sample("after warm-up", n);
  }
  Sample("end", reads);
  std::cout << "most fds between reads: " << mostFds << " (at start " << startFds << ")\n";
  for (const auto& [outcome, count] : outcomes) std::cout << "  " << count << "  " << outcome << "\n";
  std::cout << unexpected << " unexpected" << std::endl;
  return unexpected == 0 ? 0 : 1;
}
