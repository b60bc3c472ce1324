#pragma once
// The difference of two parameter trees: what changed in the instrument's
// set-up between two reads. Rows are matched by their group and their name
// (the n-th row of a name with the n-th of the other tree, where a name
// repeats), so two trees of different versions compare too: a row or a
// group only one of them has is listed as such.

#include <optional>
#include <string>
#include <vector>

#include "core/description/param_tree.h"

namespace tkq {

struct CParamDiffRow {
  std::string group;  // the group's caption, as the tree shows it
  std::string name;   // the row's caption
  // The value in each tree as the tree shows it; none where the tree has
  // no such row.
  std::optional<std::string> first;
  std::optional<std::string> second;

  bool Differs() const { return first != second; }
};

// Every row of both trees: the first tree's groups and rows in its order,
// each group followed by the rows only the second has (in the second's
// order), then the groups only the second has.
std::vector<CParamDiffRow> DiffParamTrees(const CParamTree& first, const CParamTree& second);

// How many of `rows` differ.
size_t CountDifferences(const std::vector<CParamDiffRow>& rows);

}  // namespace tkq
