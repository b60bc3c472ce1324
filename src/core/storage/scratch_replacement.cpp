#include "core/storage/scratch_replacement.h"

namespace tkq {

CScratchReplacement::CScratchReplacement(const std::filesystem::path& path, std::string_view tag)
    : m_file(path), m_scratch(CreateScratchFileBeside(path, tag)) {}

CScratchReplacement::~CScratchReplacement() { RemoveFile(m_scratch); }

void CScratchReplacement::Commit() {
  CopyFileInto(m_scratch, m_file);
  m_file.Commit();
}

}  // namespace tkq
