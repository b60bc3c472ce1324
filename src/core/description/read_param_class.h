#pragma once
// The device description: supported firmware versions and, per parameter
// set, its rows, group captions and enumeration texts, with the number
// formats shared by all sets. Loaded from "TarvikKQ.def" or built in;
// decodes an object's parameter and system files into the parameter tree.

#include <cstdint>
#include <filesystem>
#include <functional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "core/base/messages.h"
#include "core/description/param_def.h"
#include "core/description/param_tree.h"
#include "core/description/version_def.h"
#include "core/storage/owning_array.h"

namespace tkq {

using CParamSet = CMyObArrayWithDelete<CParamDef>;

inline constexpr std::string_view kDescriptionFileName = "TarvikKQ.def";
// The largest description file that reads: the built-in description takes
// 32 KB, so even hundreds of versions stay far below it.
inline constexpr uint64_t kMaxDescriptionFileSize = uint64_t{16} << 20;

// Whether a description file that is not there at all is worth a message
// at start: not for the file of the current folder, which a first start
// has yet to write; yes for one the user named.
enum class EMissingDescription { kWriteQuietly, kTellUser };

class CReadParamClass : public CObject {
 public:
  // Empty collections, selection 0. Call LoadAtStart, LoadFile or
  // LoadBuiltIn before use.
  CReadParamClass() = default;

  // The whole description in the layout of the description file. Loading
  // replaces this description only when the whole file was read and is
  // sound; otherwise it throws CArchiveError and nothing changes.
  void Serialize(CArchiveStream& ar) override;

  // Replaces all collections with the built-in description.
  bool LoadBuiltIn();

  // The index of the first version named exactly `name`, or -1.
  int32_t FindVersion(std::string_view name) const;
  // Finds the first version named exactly `name`; selects it and returns
  // true, or returns false leaving the selection as it was.
  bool SelectVersion(std::string_view name);

  // Walks `rows` from `row`, decoding every row of `source` from byte
  // position `pos`, until it has passed a shown row of `source` in `group`:
  // returns true with that row's caption, value text and number. Returns
  // false when the row index reaches `rowCount`. A fetch beyond the file or
  // a format index beyond the formats throws CParamDecodeError.
  bool DecodeNext(std::span<const uint8_t> file, size_t& pos, const CParamSet& rows, int rowCount, int& row,
                  const std::vector<std::string>& enumTexts, int group, uint8_t source, std::string& valueText,
                  float& number, std::string& caption) const;

  // Rebuilds `tree` for version `version` (an index of m_versions) from the
  // two files and sets the two archive selectors when their rows are met.
  // Throws CParamDecodeError for a short file or an inconsistent
  // description. Only reads the description: decodings may run side by side.
  bool FillTree(int32_t version, std::span<const uint8_t> parBytes, std::span<const uint8_t> devBytes, CParamTree& tree,
                uint8_t& firstSelector, uint8_t& secondSelector) const;
  // The same for the selected version and parameter set.
  bool FillTree(std::span<const uint8_t> parBytes, std::span<const uint8_t> devBytes, CParamTree& tree,
                uint8_t& firstSelector, uint8_t& secondSelector) const;

  // --- the description file ---
  // Reads a description file (a regular file of at most
  // kMaxDescriptionFileSize bytes); throws CFileOpenError or CArchiveError.
  void LoadFile(const std::filesystem::path& path);
  // The file's bytes for this description.
  std::string StoreToBytes() const;
  // Writes the description to `path` (by default "TarvikKQ.def" in the
  // current folder), replacing it only once the new file is complete.
  // Returns whether the file was written; `error`, if given, receives why
  // it was not.
  bool SaveDescription(const std::filesystem::path& path = std::filesystem::path(kDescriptionFileName),
                       std::string* error = nullptr) const;
  // Load at start: the file if it reads; otherwise the built-in
  // description is taken and written to `path` (a damaged file is first
  // kept beside it as "<name>.bak"; a pipe or a device there is left alone
  // and nothing is written), and `tellUser` gets the message: for a file
  // that is there and does not read, and for no file at all only when
  // `missing` says so (a file the user named). Returns true when the file
  // was used.
  bool LoadAtStart(const std::filesystem::path& path, const std::function<void(std::string_view)>& tellUser,
                   EMissingDescription missing = EMissingDescription::kWriteQuietly);
  // Quiet variant for tools: the file if it reads, else the built-in
  // description; writes nothing.
  bool LoadOrBuiltIn(const std::filesystem::path& path);

  // --- selection ---
  const CVersionDef* CurrentVersion() const;
  std::vector<std::string> VersionNames() const;

  CMyObArrayWithDelete<CVersionDef> m_versions;
  std::vector<std::vector<std::string>> m_groupCaptions;
  CMyObArrayWithDelete<CParamSet> m_paramSets;
  std::vector<std::vector<std::string>> m_enumTexts;
  std::vector<std::string> m_formats;
  int32_t m_nCurVersion = 0;
  int32_t m_nCurParamSet = 0;

 private:
  bool FillTree(const CVersionDef* version, int32_t set, std::span<const uint8_t> parBytes,
                std::span<const uint8_t> devBytes, CParamTree& tree, uint8_t& firstSelector,
                uint8_t& secondSelector) const;
  std::string ValueText(const CParamDef& row, std::span<const uint8_t> file, size_t& pos,
                        const std::vector<std::string>& enumTexts, float& number) const;
};

}  // namespace tkq
