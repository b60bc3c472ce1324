#pragma once
// The decoded parameter tree: group captions at the top level, under each
// the caption-and-value lines of its shown parameters, kept in
// alphabetical order.

#include <string>
#include <string_view>
#include <vector>

namespace tkq {

// Alphabetical order of Russian texts: letters compared without regard to
// case, Ё beside Е, Latin before Cyrillic; texts equal in that order are
// ordered by their exact characters. Returns <0, 0 or >0.
int CollateCompare(std::string_view a, std::string_view b);

struct CParamTreeItem {
  std::string text;  // a group's caption, or a row's caption and value
  std::vector<CParamTreeItem> children;
  // The caption alone, without the blanks around it: what a choice of rows
  // is kept by (the protocol's parameters).
  std::string name;
};

// A row's value: its text after its name, without the blanks around it;
// empty when the text does not start with the name.
std::string ParamValueText(const CParamTreeItem& item);

class CParamTree {
 public:
  void DeleteAllItems() { m_items.clear(); }
  // Appends a top-level item and returns its index.
  size_t InsertGroup(std::string text);
  // Inserts a child line under top-level item `group`, in alphabetical
  // order among its siblings (after any equal text); `name` is its caption
  // (trimmed here).
  void InsertSorted(size_t group, std::string text, std::string_view name = {});
  void DeleteGroup(size_t group);

  const std::vector<CParamTreeItem>& Items() const { return m_items; }
  size_t GetCount() const { return m_items.size(); }
  bool IsEmpty() const { return m_items.empty(); }

 private:
  std::vector<CParamTreeItem> m_items;
};

}  // namespace tkq
