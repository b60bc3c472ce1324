#include "core/description/param_tree.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>

#include "core/base/cp1251.h"

namespace tkq {
namespace {

// The primary weight of a character: case folded, Ё sorted right after Е.
uint32_t Weight(char32_t cp) {
  if (cp >= 'A' && cp <= 'Z') cp += 'a' - 'A';
  if (cp >= 0x0410 && cp <= 0x042F) cp += 0x20;  // А..Я -> а..я
  if (cp == 0x0401) cp = 0x0451;                 // Ё -> ё
  if (cp == 0x0451) return 0x0435u * 2 + 1;      // between е and ж
  return static_cast<uint32_t>(cp) * 2;
}

std::string_view Trimmed(std::string_view text) {
  const size_t first = text.find_first_not_of(' ');
  if (first == std::string_view::npos) return {};
  return text.substr(first, text.find_last_not_of(' ') - first + 1);
}

}  // namespace

int CollateCompare(std::string_view a, std::string_view b) {
  size_t i = 0;
  size_t j = 0;
  while (i < a.size() && j < b.size()) {
    const uint32_t wa = Weight(DecodeUtf8(a, i));
    const uint32_t wb = Weight(DecodeUtf8(b, j));
    if (wa != wb) return wa < wb ? -1 : 1;
  }
  if (i < a.size()) return 1;
  if (j < b.size()) return -1;
  return a.compare(b) < 0 ? -1 : (a == b ? 0 : 1);
}

std::string ParamValueText(const CParamTreeItem& item) {
  const size_t at = item.name.empty() ? std::string::npos : item.text.find(item.name);
  // The name starts the text, after the blanks the caption may begin with.
  if (at == std::string::npos || item.text.find_first_not_of(' ') != at) return {};
  return std::string(Trimmed(std::string_view(item.text).substr(at + item.name.size())));
}

size_t CParamTree::InsertGroup(std::string text) {
  std::string name(Trimmed(text));
  m_items.push_back({std::move(text), {}, std::move(name)});
  return m_items.size() - 1;
}

void CParamTree::InsertSorted(size_t group, std::string text, std::string_view name) {
  auto& children = m_items.at(group).children;
  auto pos = std::upper_bound(
      children.begin(), children.end(), text,
      [](const std::string& t, const CParamTreeItem& item) { return CollateCompare(t, item.text) < 0; });
  children.insert(pos, {std::move(text), {}, std::string(Trimmed(name))});
}

void CParamTree::DeleteGroup(size_t group) { m_items.erase(m_items.begin() + static_cast<std::ptrdiff_t>(group)); }

}  // namespace tkq
