#pragma once
// The owning array of stored objects: the collections of the description
// file and of a saved archive.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

#include "core/storage/archive_stream.h"

namespace tkq {

// An array that owns its elements; a slot may be empty. Stored as a count
// and one object reference per slot, whether the array is itself stored as
// an object or as a plain field of its owner.
template <class T>
class CMyObArrayWithDelete : public CObject {
 public:
  static constexpr const CPersistentClass& kClass = kClassObArray;

  const CPersistentClass* GetRuntimeClass() const override { return &kClass; }

  size_t GetSize() const { return m_items.size(); }
  bool IsEmpty() const { return m_items.empty(); }
  // Null for an empty slot.
  const T* GetAt(size_t i) const { return m_items[i].get(); }
  T* GetAt(size_t i) { return m_items[i].get(); }
  const T* operator[](size_t i) const { return m_items[i].get(); }

  // Resizes; new slots are empty.
  void SetSize(size_t n) { m_items.resize(n); }
  void SetAt(size_t i, std::unique_ptr<T> item) { m_items[i] = std::move(item); }
  void Add(std::unique_ptr<T> item) { m_items.push_back(std::move(item)); }
  void Reserve(size_t n) { m_items.reserve(n); }
  void DeleteAll() { m_items.clear(); }
  bool HasEmptySlot() const {
    for (const auto& item : m_items) {
      if (!item) return true;
    }
    return false;
  }

  void Serialize(CArchiveStream& ar) override {
    if (ar.IsStoring()) {
      ar.WriteCount(static_cast<uint32_t>(m_items.size()));
      for (const auto& item : m_items) ar.WriteObject(item.get());
      return;
    }
    // Every slot takes at least its two-byte tag.
    const uint32_t n = ar.ReadCount(2);
    m_items.clear();
    m_items.reserve(n);
    for (uint32_t i = 0; i < n; ++i) m_items.push_back(ar.ReadObject<T>());
  }

 private:
  std::vector<std::unique_ptr<T>> m_items;
};

}  // namespace tkq
