#include "core/description/read_param_class.h"

#include <bit>
#include <cmath>

#include "core/base/bytes.h"
#include "core/base/rtc_time.h"
#include "core/description/builtin.h"
#include "core/description/number_format.h"
#include "core/storage/file_io.h"
#include "core/storage/load_error.h"

namespace tkq {
namespace {

using StringArray = std::vector<std::string>;

const char* FileName(uint8_t source) { return source == kSourceSystemFile ? "системный файл" : "файл параметров"; }

// The selector is the number truncated toward zero, its low 8 bits; values
// no 32-bit integer holds give what the processor gives, 0x80000000.
uint8_t SelectorFromNumber(float number) {
  const double v = number;
  if (!(v > -2147483649.0 && v < 2147483648.0)) return 0;
  return static_cast<uint8_t>(static_cast<uint32_t>(static_cast<int32_t>(v)));
}

void StoreStringArray(CArchiveStream& ar, const StringArray& strings) {
  ar.WriteCount(static_cast<uint32_t>(strings.size()));
  for (const auto& s : strings) ar.WriteString(s);
}

StringArray LoadStringArray(CArchiveStream& ar) {
  const uint32_t n = ar.ReadCount(1);
  StringArray strings;
  strings.reserve(n);
  for (uint32_t i = 0; i < n; ++i) strings.push_back(ar.ReadString());
  return strings;
}

std::vector<StringArray> LoadStringArrays(CArchiveStream& ar) {
  const size_t at = ar.Position();
  const int32_t n = ar.ReadI32();
  if (n < 0 || static_cast<uint32_t>(n) > ar.Remaining() / 2) {
    ar.Fail("невозможное число массивов строк " + std::to_string(n), at);
  }
  std::vector<StringArray> arrays;
  arrays.reserve(static_cast<size_t>(n));
  for (int32_t i = 0; i < n; ++i) arrays.push_back(LoadStringArray(ar));
  return arrays;
}

}  // namespace

// --- the description file ---

void CReadParamClass::Serialize(CArchiveStream& ar) {
  if (ar.IsStoring()) {
    m_versions.Serialize(ar);
    m_paramSets.Serialize(ar);
    StoreStringArray(ar, m_formats);
    ar.WriteI32(static_cast<int32_t>(m_groupCaptions.size()));
    for (const auto& captions : m_groupCaptions) StoreStringArray(ar, captions);
    ar.WriteI32(static_cast<int32_t>(m_enumTexts.size()));
    for (const auto& texts : m_enumTexts) StoreStringArray(ar, texts);
    return;
  }
  CReadParamClass loaded;
  const size_t versionsAt = ar.Position();
  loaded.m_versions.Serialize(ar);
  if (loaded.m_versions.HasEmptySlot()) ar.Fail("пустая запись в списке версий", versionsAt);
  const size_t setsAt = ar.Position();
  loaded.m_paramSets.Serialize(ar);
  for (size_t i = 0; i < loaded.m_paramSets.GetSize(); ++i) {
    const CParamSet* set = loaded.m_paramSets[i];
    if (set == nullptr || set->HasEmptySlot()) ar.Fail("пустая запись в наборе параметров " + std::to_string(i), setsAt);
  }
  loaded.m_formats = LoadStringArray(ar);
  loaded.m_groupCaptions = LoadStringArrays(ar);
  loaded.m_enumTexts = LoadStringArrays(ar);
  m_versions = std::move(loaded.m_versions);
  m_paramSets = std::move(loaded.m_paramSets);
  m_formats = std::move(loaded.m_formats);
  m_groupCaptions = std::move(loaded.m_groupCaptions);
  m_enumTexts = std::move(loaded.m_enumTexts);
}

std::string CReadParamClass::StoreToBytes() const {
  CArchiveStream ar;
  const_cast<CReadParamClass*>(this)->Serialize(ar);
  return ar.TakeData();
}

void CReadParamClass::LoadFile(const std::filesystem::path& path) {
  const std::vector<uint8_t> bytes = ReadWholeFile(path, kMaxDescriptionFileSize);
  CArchiveStream ar(bytes);
  Serialize(ar);
}

bool CReadParamClass::SaveDescription(const std::filesystem::path& path, std::string* error) const {
  try {
    WriteFileAtomically(path, StoreToBytes());
    return true;
  } catch (const std::exception& e) {
    if (error != nullptr) *error = e.what();
    return false;
  }
}

bool CReadParamClass::LoadOrBuiltIn(const std::filesystem::path& path) {
  try {
    LoadFile(path);
    return true;
  } catch (const std::exception&) {
    LoadBuiltIn();
    return false;
  }
}

bool CReadParamClass::LoadAtStart(const std::filesystem::path& path,
                                  const std::function<void(std::string_view)>& tellUser, EMissingDescription missing) {
  // Nothing at all under the name, not even a dangling link: a first start,
  // where nothing is wrong.
  std::error_code unknown;
  const bool absent = std::filesystem::symlink_status(path, unknown).type() == std::filesystem::file_type::not_found;
  if (LoadOrBuiltIn(path)) return true;
  if (tellUser && !(absent && missing == EMissingDescription::kWriteQuietly)) tellUser(kMessageDescriptionFile);
  // A description file that exists but does not read may hold someone's
  // work: keep it beside the new one instead of overwriting it.
  std::error_code ec;
  if (std::filesystem::is_regular_file(path, ec) && std::filesystem::file_size(path, ec) > 0 && !ec) {
    std::filesystem::path backup = path;
    backup += ".bak";
    std::filesystem::rename(path, backup, ec);
  }
  SaveDescription(path);
  return false;
}

// --- the built-in description ---

bool CReadParamClass::LoadBuiltIn() {
  m_versions.DeleteAll();
  for (const auto& v : builtin::kVersions) {
    m_versions.Add(std::make_unique<CVersionDef>(std::string(v.name), v.paramSet, v.paramCount, v.groupCount,
                                                 v.firstArchParam, v.secondArchParam));
  }

  m_formats.assign(builtin::kFormats.begin(), builtin::kFormats.end());

  m_groupCaptions.clear();
  m_enumTexts.clear();
  m_paramSets.DeleteAll();
  for (int set = 0; set < builtin::kParamSetCount; ++set) {
    // Sets 0 and 1 know 8 groups, the later ones also the heating network.
    const size_t groups = set <= 1 ? 8 : 9;
    StringArray captions(builtin::kGroupCaptions.begin(), builtin::kGroupCaptions.begin() + groups);
    captions.resize(builtin::kGroupSlots);
    m_groupCaptions.push_back(std::move(captions));

    // Set 4 has 74 texts, set 3 the first 72, set 2 the first 70; sets 0
    // and 1 lack entries 18..20, so their later enumerations start 3 earlier.
    StringArray texts;
    for (size_t i = 0; i < builtin::kEnumTexts.size(); ++i) {
      const bool wanted = set == 4 ? true : set == 3 ? i < 72 : set == 2 ? i < 70 : (i < 18 || (i >= 21 && i < 68));
      if (wanted) texts.emplace_back(builtin::kEnumTexts[i]);
    }
    texts.resize(builtin::kEnumSlots);
    m_enumTexts.push_back(std::move(texts));

    // Rows as set-4 row numbers: set 3 rows 0..103, set 2 rows 1..101,
    // set 1 rows 1..91, set 0 rows 1..84, 86 and 87.
    std::vector<size_t> rows;
    if (set == 4) {
      for (size_t r = 0; r <= 106; ++r) rows.push_back(r);
    } else if (set == 3) {
      for (size_t r = 0; r <= 103; ++r) rows.push_back(r);
    } else if (set == 2) {
      for (size_t r = 1; r <= 101; ++r) rows.push_back(r);
    } else if (set == 1) {
      for (size_t r = 1; r <= 91; ++r) rows.push_back(r);
    } else {
      for (size_t r = 1; r <= 84; ++r) rows.push_back(r);
      rows.push_back(86);
      rows.push_back(87);
    }
    auto params = std::make_unique<CParamSet>();
    params->Reserve(builtin::kRowSlots);
    for (size_t r : rows) {
      const builtin::ParamRow& p = builtin::kSet4Rows[r];
      const int32_t base = (set <= 1 && p.enumBase > 18) ? p.enumBase - 3 : p.enumBase;
      params->Add(std::make_unique<CParamDef>(std::string(p.caption), base, p.format, p.flags, p.group, p.visible));
    }
    while (params->GetSize() < builtin::kRowSlots) params->Add(std::make_unique<CParamDef>());
    m_paramSets.Add(std::move(params));
  }
  return true;
}

// --- selection ---

int32_t CReadParamClass::FindVersion(std::string_view name) const {
  for (size_t i = 0; i < m_versions.GetSize(); ++i) {
    const CVersionDef* v = m_versions[i];
    if (v != nullptr && v->m_strName == name) return static_cast<int32_t>(i);
  }
  return -1;
}

bool CReadParamClass::SelectVersion(std::string_view name) {
  const int32_t i = FindVersion(name);
  if (i < 0) return false;
  m_nCurVersion = i;
  m_nCurParamSet = m_versions[static_cast<size_t>(i)]->m_nParamSet;
  return true;
}

const CVersionDef* CReadParamClass::CurrentVersion() const {
  if (m_nCurVersion < 0 || static_cast<size_t>(m_nCurVersion) >= m_versions.GetSize()) return nullptr;
  return m_versions[static_cast<size_t>(m_nCurVersion)];
}

std::vector<std::string> CReadParamClass::VersionNames() const {
  std::vector<std::string> names;
  for (size_t i = 0; i < m_versions.GetSize(); ++i) {
    if (m_versions[i] != nullptr) names.push_back(m_versions[i]->m_strName);
  }
  return names;
}

// --- decoding ---

std::string CReadParamClass::ValueText(const CParamDef& row, std::span<const uint8_t> file, size_t& pos,
                                       const std::vector<std::string>& enumTexts, float& number) const {
  const size_t width = ValueTypeWidth(row.Type());
  if (file.size() < width || pos > file.size() - width) {
    throw CParamDecodeError(std::string(FileName(row.Source())) + " обрывается на байте " +
                                std::to_string(file.size()) + " перед значением «" + row.m_strCaption + "»");
  }
  const uint8_t* p = file.data() + pos;
  pos += width;
  auto format = [&]() -> const std::string& {
    if (row.m_nFormat >= m_formats.size()) {
      throw CParamDecodeError("в описании нет формата числа " + std::to_string(row.m_nFormat));
    }
    return m_formats[row.m_nFormat];
  };
  const uint32_t u32 = LoadLE(p, width);  // the value in its width
  switch (row.Type()) {
    case ValueType::kTypeU16:
    case ValueType::kTypeU16b: {
      const auto v = static_cast<uint16_t>(u32);
      number = v;
      return FormatNumber(format(), NumberArg::Signed(v));
    }
    case ValueType::kTypeFloat: {
      const float v = std::bit_cast<float>(u32);
      number = v;
      return FormatNumber(format(), NumberArg::Float(v));
    }
    case ValueType::kTypeU32: number = static_cast<float>(u32); return FormatNumber(format(), NumberArg::Unsigned(u32));
    case ValueType::kTypeU8: {
      const auto v = static_cast<uint8_t>(u32);
      number = v;
      if (row.m_nEnumBase == 0) return FormatNumber(format(), NumberArg::Signed(v));
      const int64_t index = int64_t{row.m_nEnumBase} - 1 + v;
      if (index < 0 || static_cast<uint64_t>(index) >= enumTexts.size()) return "ошибка";
      return enumTexts[static_cast<size_t>(index)];
    }
    case ValueType::kTypeS8: {
      const auto v = static_cast<int8_t>(u32);
      number = v;
      return FormatNumber(format(), NumberArg::Signed(v));
    }
    case ValueType::kTypeU32Time:
      number = static_cast<float>(u32);
      if (row.m_nFormat == 0) return CRTCTime::Text(u32);
      return FormatNumber(format(), NumberArg::Unsigned(u32));
    default: return {};
  }
}

bool CReadParamClass::DecodeNext(std::span<const uint8_t> file, size_t& pos, const CParamSet& rows, int rowCount,
                                 int& row, const std::vector<std::string>& enumTexts, int group, uint8_t source,
                                 std::string& valueText, float& number, std::string& caption) const {
  while (row < rowCount) {
    if (row < 0 || static_cast<size_t>(row) >= rows.GetSize() || rows[static_cast<size_t>(row)] == nullptr) {
      throw CParamDecodeError("в наборе параметров нет строки " + std::to_string(row));
    }
    const CParamDef& def = *rows[static_cast<size_t>(row)];
    ++row;
    if (def.Source() != source) continue;
    // A row of a type that reads nothing has no value of its own to show.
    if (ValueTypeWidth(def.Type()) == 0) continue;
    std::string text = ValueText(def, file, pos, enumTexts, number);
    if (def.m_nGroup == group && def.m_bVisible != 0) {
      valueText = std::move(text);
      caption = def.m_strCaption;
      return true;
    }
  }
  return false;
}

bool CReadParamClass::FillTree(int32_t version, std::span<const uint8_t> parBytes, std::span<const uint8_t> devBytes,
                               CParamTree& tree, uint8_t& firstSelector, uint8_t& secondSelector) const {
  const CVersionDef* def = version >= 0 && static_cast<size_t>(version) < m_versions.GetSize()
                               ? m_versions[static_cast<size_t>(version)]
                               : nullptr;
  return FillTree(def, def != nullptr ? def->m_nParamSet : 0, parBytes, devBytes, tree, firstSelector, secondSelector);
}

bool CReadParamClass::FillTree(std::span<const uint8_t> parBytes, std::span<const uint8_t> devBytes, CParamTree& tree,
                               uint8_t& firstSelector, uint8_t& secondSelector) const {
  return FillTree(CurrentVersion(), m_nCurParamSet, parBytes, devBytes, tree, firstSelector, secondSelector);
}

bool CReadParamClass::FillTree(const CVersionDef* version, int32_t set, std::span<const uint8_t> parBytes,
                               std::span<const uint8_t> devBytes, CParamTree& tree, uint8_t& firstSelector,
                               uint8_t& secondSelector) const {
  tree.DeleteAllItems();
  if (version == nullptr) throw CParamDecodeError("не выбрана версия ПО прибора");
  if (set < 0 || static_cast<size_t>(set) >= m_paramSets.GetSize() ||
      static_cast<size_t>(set) >= m_groupCaptions.size() || static_cast<size_t>(set) >= m_enumTexts.size() ||
      m_paramSets[static_cast<size_t>(set)] == nullptr) {
    throw CParamDecodeError("в описании нет набора параметров " + std::to_string(set));
  }
  const CParamSet& rows = *m_paramSets[static_cast<size_t>(set)];
  const StringArray& captions = m_groupCaptions[static_cast<size_t>(set)];
  const StringArray& enumTexts = m_enumTexts[static_cast<size_t>(set)];
  const int rowCount = version->m_nParamCount;
  const int groupCount = version->m_nGroupCount;
  if (rowCount < 0 || static_cast<size_t>(rowCount) > rows.GetSize()) {
    throw CParamDecodeError("версия «" + version->m_strName + "» использует " + std::to_string(rowCount) +
                                " строк набора параметров из " + std::to_string(rows.GetSize()));
  }
  if (groupCount < 0 || static_cast<size_t>(groupCount) > captions.size()) {
    throw CParamDecodeError("версия «" + version->m_strName + "» показывает " + std::to_string(groupCount) +
                                " групп из " + std::to_string(captions.size()));
  }

  std::string valueText;
  std::string caption;
  float number = 0.0f;
  for (int g = 0; g < groupCount; ++g) {
    const size_t item = tree.InsertGroup(captions[static_cast<size_t>(g)]);
    size_t sysPos = 0;
    size_t parPos = 0;
    int sysRow = 0;
    int parRow = 0;
    for (;;) {
      bool any = false;
      for (int walk = 0; walk < 2; ++walk) {
        const bool system = walk == 0;
        int& row = system ? sysRow : parRow;
        const bool found =
            DecodeNext(system ? devBytes : parBytes, system ? sysPos : parPos, rows, rowCount, row, enumTexts, g,
                       system ? kSourceSystemFile : kSourceParamFile, valueText, number, caption);
        if (!found) continue;
        any = true;
        tree.InsertSorted(item, caption + " " + valueText, caption);
        if (row - 1 == version->m_nFirstArchParam) firstSelector = SelectorFromNumber(number);
        if (row - 1 == version->m_nSecondArchParam) secondSelector = SelectorFromNumber(number);
      }
      if (!any) break;
    }
    if (tree.Items()[item].children.empty()) tree.DeleteGroup(item);
  }
  return true;
}

}  // namespace tkq
