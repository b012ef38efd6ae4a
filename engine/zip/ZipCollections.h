// The container classes of the zip component: an array, a list and a map over the standard
// containers, with the class library's names for the operations the component uses.
#pragma once

#include <algorithm>
#include <cstddef>
#include <list>
#include <unordered_map>
#include <vector>

template <class TYPE>
class CZipArray {
 public:
  int GetSize() const { return static_cast<int>(m_items.size()); }
  int GetUpperBound() const { return GetSize() - 1; }
  int Add(const TYPE& item) {
    m_items.push_back(item);
    return GetUpperBound();
  }
  void InsertAt(int index, const TYPE& item) { m_items.insert(m_items.begin() + index, item); }
  void RemoveAt(int index) { m_items.erase(m_items.begin() + index); }
  void RemoveAll() { m_items.clear(); }
  void SetSize(int size) { m_items.resize(static_cast<size_t>(size)); }
  void Reserve(int size) { m_items.reserve(static_cast<size_t>(size)); }
  TYPE& operator[](int index) { return m_items[static_cast<size_t>(index)]; }
  const TYPE& operator[](int index) const { return m_items[static_cast<size_t>(index)]; }
  TYPE& GetAt(int index) { return m_items[static_cast<size_t>(index)]; }
  const TYPE& GetAt(int index) const { return m_items[static_cast<size_t>(index)]; }
  // Sorts with a strict "comes before" predicate; elements that compare equal keep their order.
  template <class Less>
  void Sort(Less less) {
    std::stable_sort(m_items.begin(), m_items.end(), less);
  }
  typename std::vector<TYPE>::iterator begin() { return m_items.begin(); }
  typename std::vector<TYPE>::iterator end() { return m_items.end(); }
  typename std::vector<TYPE>::const_iterator begin() const { return m_items.begin(); }
  typename std::vector<TYPE>::const_iterator end() const { return m_items.end(); }

 private:
  std::vector<TYPE> m_items;
};

template <class TYPE>
class CZipPtrList {
 public:
  using iterator = typename std::list<TYPE>::iterator;
  int GetCount() const { return static_cast<int>(m_items.size()); }
  bool IsEmpty() const { return m_items.empty(); }
  void AddTail(const TYPE& item) { m_items.push_back(item); }
  // Removes the first element equal to item; false when there is none.
  bool Remove(const TYPE& item) {
    // zlib frees its blocks in about the reverse order of allocation: search from the back.
    for (auto it = m_items.end(); it != m_items.begin();) {
      --it;
      if (*it == item) {
        m_items.erase(it);
        return true;
      }
    }
    return false;
  }
  void RemoveAll() { m_items.clear(); }
  iterator begin() { return m_items.begin(); }
  iterator end() { return m_items.end(); }

 private:
  std::list<TYPE> m_items;
};

template <class KEY, class VALUE>
class CZipMap {
 public:
  void InitHashTable(unsigned hashSize) { m_items.reserve(hashSize); }
  void SetAt(const KEY& key, const VALUE& value) { m_items[key] = value; }
  bool Lookup(const KEY& key, VALUE& value) const {
    auto it = m_items.find(key);
    if (it == m_items.end()) return false;
    value = it->second;
    return true;
  }
  bool RemoveKey(const KEY& key) { return m_items.erase(key) != 0; }
  void RemoveAll() { m_items.clear(); }
  int GetCount() const { return static_cast<int>(m_items.size()); }

 private:
  std::unordered_map<KEY, VALUE> m_items;
};
