#include "core/description/param_diff.h"

#include <algorithm>
#include <map>
#include <utility>

namespace tkq {
namespace {

// A row's name and value. A row whose caption is not known (a line
// without a name) is matched by its whole text and has no value apart.
std::pair<std::string, std::string> NameAndValue(const CParamTreeItem& row) {
  if (row.name.empty()) return {row.text, {}};
  return {row.name, ParamValueText(row)};
}

// The rows of one group of each tree, paired.
void DiffGroup(const std::string& group, const std::vector<CParamTreeItem>* first,
               const std::vector<CParamTreeItem>* second, std::vector<CParamDiffRow>& out) {
  // The second tree's rows by name, each name's rows in their order.
  std::map<std::string, std::vector<size_t>> byName;
  std::vector<std::pair<std::string, std::string>> secondRows;
  if (second != nullptr) {
    secondRows.reserve(second->size());
    for (const CParamTreeItem& row : *second) {
      secondRows.push_back(NameAndValue(row));
      byName[secondRows.back().first].push_back(secondRows.size() - 1);
    }
  }
  std::vector<bool> matched(secondRows.size(), false);
  std::map<std::string, size_t> seen;  // rows of each name met so far in the first tree
  if (first != nullptr) {
    for (const CParamTreeItem& row : *first) {
      auto [name, value] = NameAndValue(row);
      CParamDiffRow line{group, name, std::move(value), std::nullopt};
      const auto it = byName.find(name);
      const size_t nth = seen[name]++;
      if (it != byName.end() && nth < it->second.size()) {
        const size_t at = it->second[nth];
        matched[at] = true;
        line.second = secondRows[at].second;
      }
      out.push_back(std::move(line));
    }
  }
  for (size_t i = 0; i < secondRows.size(); ++i) {
    if (!matched[i]) out.push_back({group, secondRows[i].first, std::nullopt, secondRows[i].second});
  }
}

}  // namespace

std::vector<CParamDiffRow> DiffParamTrees(const CParamTree& first, const CParamTree& second) {
  std::vector<CParamDiffRow> out;
  const std::vector<CParamTreeItem>& secondGroups = second.Items();
  std::map<std::string, std::vector<size_t>> byName;
  for (size_t i = 0; i < secondGroups.size(); ++i) byName[secondGroups[i].name].push_back(i);
  std::vector<bool> matched(secondGroups.size(), false);
  std::map<std::string, size_t> seen;
  for (const CParamTreeItem& group : first.Items()) {
    const auto it = byName.find(group.name);
    const size_t nth = seen[group.name]++;
    const std::vector<CParamTreeItem>* other = nullptr;
    if (it != byName.end() && nth < it->second.size()) {
      matched[it->second[nth]] = true;
      other = &secondGroups[it->second[nth]].children;
    }
    DiffGroup(group.name, &group.children, other, out);
  }
  for (size_t i = 0; i < secondGroups.size(); ++i) {
    if (!matched[i]) DiffGroup(secondGroups[i].name, nullptr, &secondGroups[i].children, out);
  }
  return out;
}

size_t CountDifferences(const std::vector<CParamDiffRow>& rows) {
  return static_cast<size_t>(std::count_if(rows.begin(), rows.end(), [](const CParamDiffRow& r) { return r.Differs(); }));
}

}  // namespace tkq
