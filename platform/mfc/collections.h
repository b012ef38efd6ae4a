// The class library's collections: arrays (CArray and its named forms), doubly linked lists
// addressed by POSITION (CList and its named forms) and hash maps (CMap and its named forms),
// with the typed-pointer wrappers.
//
// A list's POSITION is its node: it stays valid while other elements are added or removed.
// Indexes out of range throw CInvalidArgException, as the class library does in release builds.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <type_traits>
#include <utility>
#include <vector>

#include "base/types.h"
#include "mfc/cstring.h"
#include "mfc/exceptions.h"
#include "mfc/object.h"

struct NuxPosition__ {
  int unused;
};
typedef NuxPosition__* POSITION;
#define BEFORE_START_POSITION ((POSITION)-1L)

// ---- element helpers --------------------------------------------------------------

template <class TYPE, class ARG_TYPE>
inline BOOL AFXAPI CompareElements(const TYPE* pElement1, const ARG_TYPE* pElement2) {
  return (*pElement1 == *pElement2) ? TRUE : FALSE;
}

namespace nux::coldetail {
template <typename T>
struct IsCString : std::false_type {};
template <typename C>
struct IsCString<CStringT<C>> : std::true_type {};
}  // namespace nux::coldetail

// The hash of a map key: strings (pointers or string objects) by their text, other pointers
// and integers by their value. A key type of one's own may specialise it.
template <class ARG_KEY>
inline UINT AFXAPI HashKey(ARG_KEY key) {
  using K = std::remove_cv_t<std::remove_reference_t<ARG_KEY>>;
  if constexpr (std::is_same_v<K, const char16_t*> || std::is_same_v<K, char16_t*> ||
                std::is_same_v<K, const char*> || std::is_same_v<K, char*>) {
    return HashString(key);
  } else if constexpr (nux::coldetail::IsCString<K>::value) {
    return HashString(key.GetString());
  } else if constexpr (std::is_pointer_v<K>) {
    return UINT(reinterpret_cast<uintptr_t>(key) >> 4);
  } else if constexpr (std::is_integral_v<K> || std::is_enum_v<K>) {
    uint64_t v = uint64_t(key);
    return UINT(v ^ (v >> 32));
  } else {
    return UINT(std::hash<K>{}(key));
  }
}

// ---- arrays -----------------------------------------------------------------------

template <class TYPE, class ARG_TYPE = const TYPE&>
class CArray : public CObject {
  static_assert(!std::is_same_v<TYPE, bool>, "use BOOL elements");

 public:
  CArray() = default;

  INT_PTR GetSize() const { return INT_PTR(m_data.size()); }
  INT_PTR GetCount() const { return INT_PTR(m_data.size()); }
  BOOL IsEmpty() const { return m_data.empty() ? TRUE : FALSE; }
  INT_PTR GetUpperBound() const { return INT_PTR(m_data.size()) - 1; }
  // New elements are value-initialised (zero for plain types). nGrowBy is accepted and ignored.
  void SetSize(INT_PTR nNewSize, INT_PTR nGrowBy = -1) {
    (void)nGrowBy;
    if (nNewSize < 0) AfxThrowInvalidArgException();
    m_data.resize(size_t(nNewSize));
  }
  void FreeExtra() { m_data.shrink_to_fit(); }
  void RemoveAll() { m_data.clear(); }

  const TYPE& GetAt(INT_PTR nIndex) const { return m_data[Checked(nIndex)]; }
  TYPE& GetAt(INT_PTR nIndex) { return m_data[Checked(nIndex)]; }
  void SetAt(INT_PTR nIndex, ARG_TYPE newElement) { m_data[Checked(nIndex)] = newElement; }
  TYPE& ElementAt(INT_PTR nIndex) { return m_data[Checked(nIndex)]; }
  const TYPE& ElementAt(INT_PTR nIndex) const { return m_data[Checked(nIndex)]; }
  const TYPE& operator[](INT_PTR nIndex) const { return GetAt(nIndex); }
  TYPE& operator[](INT_PTR nIndex) { return ElementAt(nIndex); }

  const TYPE* GetData() const { return m_data.empty() ? nullptr : m_data.data(); }
  TYPE* GetData() { return m_data.empty() ? nullptr : m_data.data(); }

  // Sets the element, growing the array when the index is past its end.
  void SetAtGrow(INT_PTR nIndex, ARG_TYPE newElement) {
    if (nIndex < 0) AfxThrowInvalidArgException();
    if (size_t(nIndex) >= m_data.size()) {
      TYPE copy(newElement);  // newElement may be one of the elements
      m_data.resize(size_t(nIndex) + 1);
      m_data[size_t(nIndex)] = std::move(copy);
    } else {
      m_data[size_t(nIndex)] = newElement;
    }
  }
  // Appends; returns the new element's index.
  INT_PTR Add(ARG_TYPE newElement) {
    m_data.push_back(TYPE(newElement));
    return INT_PTR(m_data.size()) - 1;
  }
  // Appends the other array's elements; returns the index of the first of them.
  INT_PTR Append(const CArray& src) {
    INT_PTR old = GetSize();
    if (&src == this) {
      std::vector<TYPE> copy(m_data);
      m_data.insert(m_data.end(), copy.begin(), copy.end());
    } else {
      m_data.insert(m_data.end(), src.m_data.begin(), src.m_data.end());
    }
    return old;
  }
  void Copy(const CArray& src) {
    if (&src != this) m_data = src.m_data;
  }
  // Inserts nCount copies at nIndex; an index past the end grows the array to it first.
  void InsertAt(INT_PTR nIndex, ARG_TYPE newElement, INT_PTR nCount = 1) {
    if (nIndex < 0 || nCount < 0) AfxThrowInvalidArgException();
    TYPE copy(newElement);
    if (size_t(nIndex) > m_data.size()) m_data.resize(size_t(nIndex));
    m_data.insert(m_data.begin() + nIndex, size_t(nCount), copy);
  }
  void InsertAt(INT_PTR nStartIndex, const CArray* pNewArray) {
    if (pNewArray == nullptr || nStartIndex < 0) AfxThrowInvalidArgException();
    std::vector<TYPE> copy(pNewArray->m_data);
    if (size_t(nStartIndex) > m_data.size()) m_data.resize(size_t(nStartIndex));
    m_data.insert(m_data.begin() + nStartIndex, copy.begin(), copy.end());
  }
  void RemoveAt(INT_PTR nIndex, INT_PTR nCount = 1) {
    if (nIndex < 0 || nCount < 0 || size_t(nIndex) + size_t(nCount) > m_data.size()) AfxThrowInvalidArgException();
    m_data.erase(m_data.begin() + nIndex, m_data.begin() + nIndex + nCount);
  }

 private:
  size_t Checked(INT_PTR nIndex) const {
    if (nIndex < 0 || size_t(nIndex) >= m_data.size()) AfxThrowInvalidArgException();
    return size_t(nIndex);
  }

  std::vector<TYPE> m_data;
};

class CPtrArray : public CArray<void*, void*> {};
class CObArray : public CArray<CObject*, CObject*> {};
class CDWordArray : public CArray<DWORD, DWORD> {};
class CUIntArray : public CArray<UINT, UINT> {};
class CByteArray : public CArray<BYTE, BYTE> {};
class CWordArray : public CArray<WORD, WORD> {};

// An array of strings; Add and the other members take text pointers of the string's kind too.
template <class STRING>
class CStringArrayT : public CArray<STRING, const STRING&> {};
using CStringArrayW = CStringArrayT<CStringW>;
using CStringArrayA = CStringArrayT<CStringA>;
#ifdef _UNICODE
using CStringArray = CStringArrayW;
#else
using CStringArray = CStringArrayA;
#endif

// An array of pointers of one type over CPtrArray or CObArray.
template <class BASE_CLASS, class TYPE>
class CTypedPtrArray : public BASE_CLASS {
  using Base = BASE_CLASS;

 public:
  TYPE GetAt(INT_PTR nIndex) const { return static_cast<TYPE>(Base::GetAt(nIndex)); }
  TYPE& ElementAt(INT_PTR nIndex) { return reinterpret_cast<TYPE&>(Base::ElementAt(nIndex)); }
  void SetAt(INT_PTR nIndex, TYPE ptr) { Base::SetAt(nIndex, ptr); }
  void SetAtGrow(INT_PTR nIndex, TYPE newElement) { Base::SetAtGrow(nIndex, newElement); }
  INT_PTR Add(TYPE newElement) { return Base::Add(newElement); }
  INT_PTR Append(const CTypedPtrArray& src) { return Base::Append(src); }
  void Copy(const CTypedPtrArray& src) { Base::Copy(src); }
  void InsertAt(INT_PTR nIndex, TYPE newElement, INT_PTR nCount = 1) { Base::InsertAt(nIndex, newElement, nCount); }
  void InsertAt(INT_PTR nStartIndex, CTypedPtrArray* pNewArray) { Base::InsertAt(nStartIndex, pNewArray); }
  TYPE operator[](INT_PTR nIndex) const { return GetAt(nIndex); }
  TYPE& operator[](INT_PTR nIndex) { return ElementAt(nIndex); }
};

// ---- lists ------------------------------------------------------------------------

template <class TYPE, class ARG_TYPE = const TYPE&>
class CList : public CObject {
  struct CNode {
    CNode* pNext;
    CNode* pPrev;
    TYPE data;
  };

  static CNode* Node(POSITION pos) { return reinterpret_cast<CNode*>(pos); }
  static POSITION Pos(CNode* node) { return reinterpret_cast<POSITION>(node); }

 public:
  explicit CList(INT_PTR nBlockSize = 10) { (void)nBlockSize; }
  ~CList() override { RemoveAll(); }

  INT_PTR GetCount() const { return m_nCount; }
  INT_PTR GetSize() const { return m_nCount; }
  BOOL IsEmpty() const { return m_nCount == 0 ? TRUE : FALSE; }

  TYPE& GetHead() { return NonEmpty(m_pNodeHead)->data; }
  const TYPE& GetHead() const { return NonEmpty(m_pNodeHead)->data; }
  TYPE& GetTail() { return NonEmpty(m_pNodeTail)->data; }
  const TYPE& GetTail() const { return NonEmpty(m_pNodeTail)->data; }

  TYPE RemoveHead() {
    CNode* node = NonEmpty(m_pNodeHead);
    TYPE value(std::move(node->data));
    Unlink(node);
    return value;
  }
  TYPE RemoveTail() {
    CNode* node = NonEmpty(m_pNodeTail);
    TYPE value(std::move(node->data));
    Unlink(node);
    return value;
  }

  POSITION AddHead(ARG_TYPE newElement) { return Pos(LinkBefore(m_pNodeHead, newElement)); }
  POSITION AddTail(ARG_TYPE newElement) { return Pos(LinkAfter(m_pNodeTail, newElement)); }
  void AddHead(CList* pNewList) {
    if (pNewList == nullptr) AfxThrowInvalidArgException();
    // Walk the other list from its tail, so that it keeps its order in front of ours.
    std::vector<TYPE> items;
    for (CNode* n = pNewList->m_pNodeHead; n != nullptr; n = n->pNext) items.push_back(n->data);
    for (auto it = items.rbegin(); it != items.rend(); ++it) AddHead(*it);
  }
  void AddTail(CList* pNewList) {
    if (pNewList == nullptr) AfxThrowInvalidArgException();
    std::vector<TYPE> items;
    for (CNode* n = pNewList->m_pNodeHead; n != nullptr; n = n->pNext) items.push_back(n->data);
    for (auto& item : items) AddTail(item);
  }

  void RemoveAll() {
    CNode* n = m_pNodeHead;
    while (n != nullptr) {
      CNode* next = n->pNext;
      delete n;
      n = next;
    }
    m_pNodeHead = m_pNodeTail = nullptr;
    m_nCount = 0;
  }

  POSITION GetHeadPosition() const { return Pos(m_pNodeHead); }
  POSITION GetTailPosition() const { return Pos(m_pNodeTail); }
  // The element at rPosition; rPosition moves to the next (NULL after the tail).
  TYPE& GetNext(POSITION& rPosition) {
    CNode* node = Valid(rPosition);
    rPosition = Pos(node->pNext);
    return node->data;
  }
  const TYPE& GetNext(POSITION& rPosition) const {
    CNode* node = Valid(rPosition);
    rPosition = Pos(node->pNext);
    return node->data;
  }
  TYPE& GetPrev(POSITION& rPosition) {
    CNode* node = Valid(rPosition);
    rPosition = Pos(node->pPrev);
    return node->data;
  }
  const TYPE& GetPrev(POSITION& rPosition) const {
    CNode* node = Valid(rPosition);
    rPosition = Pos(node->pPrev);
    return node->data;
  }
  TYPE& GetAt(POSITION position) { return Valid(position)->data; }
  const TYPE& GetAt(POSITION position) const { return Valid(position)->data; }
  void SetAt(POSITION pos, ARG_TYPE newElement) { Valid(pos)->data = newElement; }
  void RemoveAt(POSITION position) { Unlink(Valid(position)); }

  // A NULL position inserts at the head (InsertBefore) or the tail (InsertAfter).
  POSITION InsertBefore(POSITION position, ARG_TYPE newElement) {
    if (position == nullptr) return AddHead(newElement);
    return Pos(LinkBefore(Valid(position), newElement));
  }
  POSITION InsertAfter(POSITION position, ARG_TYPE newElement) {
    if (position == nullptr) return AddTail(newElement);
    return Pos(LinkAfter(Valid(position), newElement));
  }

  // The position of the element at index nIndex (0-based), or NULL.
  POSITION FindIndex(INT_PTR nIndex) const {
    if (nIndex < 0 || nIndex >= m_nCount) return nullptr;
    CNode* n = m_pNodeHead;
    while (nIndex-- > 0) n = n->pNext;
    return Pos(n);
  }
  // The position of the first element equal to searchValue after startAfter (from the head
  // when NULL), or NULL.
  POSITION Find(ARG_TYPE searchValue, POSITION startAfter = nullptr) const {
    CNode* n = startAfter == nullptr ? m_pNodeHead : Valid(startAfter)->pNext;
    for (; n != nullptr; n = n->pNext) {
      if (CompareElements<TYPE, std::remove_cv_t<std::remove_reference_t<ARG_TYPE>>>(&n->data, &searchValue)) {
        return Pos(n);
      }
    }
    return nullptr;
  }

 private:
  static CNode* NonEmpty(CNode* n) {
    if (n == nullptr) AfxThrowInvalidArgException();
    return n;
  }
  static CNode* Valid(POSITION pos) {
    if (pos == nullptr || pos == BEFORE_START_POSITION) AfxThrowInvalidArgException();
    return Node(pos);
  }
  CNode* LinkBefore(CNode* before, ARG_TYPE value) {
    CNode* n = new CNode{before, before ? before->pPrev : m_pNodeTail, TYPE(value)};
    if (n->pPrev) {
      n->pPrev->pNext = n;
    } else {
      m_pNodeHead = n;
    }
    if (before) {
      before->pPrev = n;
    } else {
      m_pNodeTail = n;
    }
    ++m_nCount;
    return n;
  }
  CNode* LinkAfter(CNode* after, ARG_TYPE value) {
    CNode* n = new CNode{after ? after->pNext : m_pNodeHead, after, TYPE(value)};
    if (n->pNext) {
      n->pNext->pPrev = n;
    } else {
      m_pNodeTail = n;
    }
    if (after) {
      after->pNext = n;
    } else {
      m_pNodeHead = n;
    }
    ++m_nCount;
    return n;
  }
  void Unlink(CNode* n) {
    if (n->pPrev) {
      n->pPrev->pNext = n->pNext;
    } else {
      m_pNodeHead = n->pNext;
    }
    if (n->pNext) {
      n->pNext->pPrev = n->pPrev;
    } else {
      m_pNodeTail = n->pPrev;
    }
    delete n;
    --m_nCount;
  }

  CNode* m_pNodeHead = nullptr;
  CNode* m_pNodeTail = nullptr;
  INT_PTR m_nCount = 0;
};

class CPtrList : public CList<void*, void*> {
 public:
  explicit CPtrList(INT_PTR nBlockSize = 10) : CList(nBlockSize) {}
};
class CObList : public CList<CObject*, CObject*> {
 public:
  explicit CObList(INT_PTR nBlockSize = 10) : CList(nBlockSize) {}
};
template <class STRING>
class CStringListT : public CList<STRING, const STRING&> {
 public:
  explicit CStringListT(INT_PTR nBlockSize = 10) : CList<STRING, const STRING&>(nBlockSize) {}
};
using CStringListW = CStringListT<CStringW>;
using CStringListA = CStringListT<CStringA>;
#ifdef _UNICODE
using CStringList = CStringListW;
#else
using CStringList = CStringListA;
#endif

// A list of pointers of one type over CPtrList or CObList.
template <class BASE_CLASS, class TYPE>
class CTypedPtrList : public BASE_CLASS {
  using Base = BASE_CLASS;

 public:
  explicit CTypedPtrList(INT_PTR nBlockSize = 10) : BASE_CLASS(nBlockSize) {}
  TYPE& GetHead() { return reinterpret_cast<TYPE&>(Base::GetHead()); }
  TYPE GetHead() const { return static_cast<TYPE>(Base::GetHead()); }
  TYPE& GetTail() { return reinterpret_cast<TYPE&>(Base::GetTail()); }
  TYPE GetTail() const { return static_cast<TYPE>(Base::GetTail()); }
  TYPE RemoveHead() { return static_cast<TYPE>(Base::RemoveHead()); }
  TYPE RemoveTail() { return static_cast<TYPE>(Base::RemoveTail()); }
  TYPE& GetNext(POSITION& rPosition) { return reinterpret_cast<TYPE&>(Base::GetNext(rPosition)); }
  TYPE GetNext(POSITION& rPosition) const { return static_cast<TYPE>(Base::GetNext(rPosition)); }
  TYPE& GetPrev(POSITION& rPosition) { return reinterpret_cast<TYPE&>(Base::GetPrev(rPosition)); }
  TYPE GetPrev(POSITION& rPosition) const { return static_cast<TYPE>(Base::GetPrev(rPosition)); }
  TYPE& GetAt(POSITION position) { return reinterpret_cast<TYPE&>(Base::GetAt(position)); }
  TYPE GetAt(POSITION position) const { return static_cast<TYPE>(Base::GetAt(position)); }
  void SetAt(POSITION pos, TYPE newElement) { Base::SetAt(pos, newElement); }
  POSITION AddHead(TYPE newElement) { return Base::AddHead(newElement); }
  POSITION AddTail(TYPE newElement) { return Base::AddTail(newElement); }
  POSITION InsertBefore(POSITION position, TYPE newElement) { return Base::InsertBefore(position, newElement); }
  POSITION InsertAfter(POSITION position, TYPE newElement) { return Base::InsertAfter(position, newElement); }
  POSITION Find(TYPE searchValue, POSITION startAfter = nullptr) const { return Base::Find(searchValue, startAfter); }
};

// ---- maps -------------------------------------------------------------------------

template <class KEY, class ARG_KEY, class VALUE, class ARG_VALUE>
class CMap : public CObject {
 public:
  using key_type = KEY;
  using arg_key_type = ARG_KEY;
  using value_type = VALUE;

  // One association; PLookup and PGetFirstAssoc hand them out.
  struct CPair {
    const KEY key;
    VALUE value;

   protected:
    CPair(ARG_KEY keyval) : key(keyval), value() {}
  };

 private:
  struct CAssoc : CPair {
    CAssoc(ARG_KEY k, UINT h) : CPair(k), pNext(nullptr), nHashValue(h) {}
    CAssoc* pNext;
    UINT nHashValue;  // the full hash, so the table can grow without hashing again
  };
  static CAssoc* Assoc(POSITION pos) { return reinterpret_cast<CAssoc*>(pos); }
  static POSITION Pos(CAssoc* a) { return reinterpret_cast<POSITION>(a); }

 public:
  explicit CMap(INT_PTR nBlockSize = 10) { (void)nBlockSize; }
  ~CMap() override { RemoveAll(); }

  INT_PTR GetCount() const { return m_nCount; }
  INT_PTR GetSize() const { return m_nCount; }
  BOOL IsEmpty() const { return m_nCount == 0 ? TRUE : FALSE; }
  UINT GetHashTableSize() const { return UINT(m_table.size()); }
  // Sets the number of buckets (a prime such as the default 17 is best).
  void InitHashTable(UINT hashSize, BOOL bAllocNow = TRUE) {
    (void)bAllocNow;
    if (hashSize == 0) hashSize = 17;
    Rehash(hashSize);
  }

  BOOL Lookup(ARG_KEY key, VALUE& rValue) const {
    const CAssoc* a = Find(key);
    if (a == nullptr) return FALSE;
    rValue = a->value;
    return TRUE;
  }
  const CPair* PLookup(ARG_KEY key) const { return Find(key); }
  CPair* PLookup(ARG_KEY key) { return const_cast<CAssoc*>(Find(key)); }
  // The value of the key, added with a default value when the key is new.
  VALUE& operator[](ARG_KEY key) {
    if (CAssoc* a = const_cast<CAssoc*>(Find(key))) return a->value;
    if (m_table.empty()) Rehash(17);
    if (UINT(m_nCount) >= m_table.size() * 2) Rehash(UINT(m_table.size() * 4 + 1));
    UINT hash = HashKey<ARG_KEY>(key);
    auto* a = new CAssoc(key, hash);
    CAssoc*& bucket = m_table[hash % m_table.size()];
    a->pNext = bucket;
    bucket = a;
    ++m_nCount;
    return a->value;
  }
  void SetAt(ARG_KEY key, ARG_VALUE newValue) { (*this)[key] = newValue; }
  BOOL RemoveKey(ARG_KEY key) {
    if (m_table.empty()) return FALSE;
    UINT hash = HashKey<ARG_KEY>(key);
    CAssoc** link = &m_table[hash % m_table.size()];
    for (CAssoc* a = *link; a != nullptr; link = &a->pNext, a = a->pNext) {
      if (a->nHashValue == hash && CompareElements<KEY, std::remove_cv_t<std::remove_reference_t<ARG_KEY>>>(&a->key, &key)) {
        *link = a->pNext;
        delete a;
        --m_nCount;
        return TRUE;
      }
    }
    return FALSE;
  }
  void RemoveAll() {
    for (CAssoc*& bucket : m_table) {
      while (bucket != nullptr) {
        CAssoc* next = bucket->pNext;
        delete bucket;
        bucket = next;
      }
    }
    m_nCount = 0;
  }

  // Iteration in no particular order: GetStartPosition, then GetNextAssoc until the position
  // is NULL. The map must not change meanwhile, except by RemoveKey of the key just returned.
  POSITION GetStartPosition() const { return m_nCount == 0 ? nullptr : BEFORE_START_POSITION; }
  void GetNextAssoc(POSITION& rNextPosition, KEY& rKey, VALUE& rValue) const {
    CAssoc* a = Current(rNextPosition);
    rKey = a->key;
    rValue = a->value;
    rNextPosition = Pos(Following(a));
  }
  const CPair* PGetFirstAssoc() const { return First(); }
  CPair* PGetFirstAssoc() { return First(); }
  const CPair* PGetNextAssoc(const CPair* pAssoc) const {
    return Following(static_cast<const CAssoc*>(pAssoc));
  }
  CPair* PGetNextAssoc(const CPair* pAssoc) { return Following(static_cast<const CAssoc*>(pAssoc)); }

 private:
  const CAssoc* Find(ARG_KEY key) const {
    if (m_table.empty()) return nullptr;
    UINT hash = HashKey<ARG_KEY>(key);
    for (CAssoc* a = m_table[hash % m_table.size()]; a != nullptr; a = a->pNext) {
      if (a->nHashValue == hash && CompareElements<KEY, std::remove_cv_t<std::remove_reference_t<ARG_KEY>>>(&a->key, &key)) {
        return a;
      }
    }
    return nullptr;
  }
  CAssoc* First() const {
    for (CAssoc* bucket : m_table) {
      if (bucket != nullptr) return bucket;
    }
    return nullptr;
  }
  CAssoc* Following(const CAssoc* a) const {
    if (a == nullptr) return nullptr;
    if (a->pNext != nullptr) return a->pNext;
    for (size_t i = a->nHashValue % m_table.size() + 1; i < m_table.size(); ++i) {
      if (m_table[i] != nullptr) return m_table[i];
    }
    return nullptr;
  }
  CAssoc* Current(POSITION pos) const {
    if (pos == nullptr) AfxThrowInvalidArgException();
    CAssoc* a = pos == BEFORE_START_POSITION ? First() : Assoc(pos);
    if (a == nullptr) AfxThrowInvalidArgException();
    return a;
  }
  void Rehash(UINT buckets) {
    std::vector<CAssoc*> table(buckets, nullptr);
    for (CAssoc* bucket : m_table) {
      while (bucket != nullptr) {
        CAssoc* next = bucket->pNext;
        CAssoc*& slot = table[bucket->nHashValue % buckets];
        bucket->pNext = slot;
        slot = bucket;
        bucket = next;
      }
    }
    m_table.swap(table);
  }

  std::vector<CAssoc*> m_table;
  INT_PTR m_nCount = 0;
};

template <class STRING>
class CMapStringToPtrT : public CMap<STRING, typename STRING::PCXSTR, void*, void*> {};
template <class STRING>
class CMapStringToStringT : public CMap<STRING, typename STRING::PCXSTR, STRING, typename STRING::PCXSTR> {};
template <class STRING>
class CMapStringToObT : public CMap<STRING, typename STRING::PCXSTR, CObject*, CObject*> {};
using CMapStringToPtrW = CMapStringToPtrT<CStringW>;
using CMapStringToPtrA = CMapStringToPtrT<CStringA>;
using CMapStringToStringW = CMapStringToStringT<CStringW>;
using CMapStringToStringA = CMapStringToStringT<CStringA>;
using CMapStringToObW = CMapStringToObT<CStringW>;
using CMapStringToObA = CMapStringToObT<CStringA>;
#ifdef _UNICODE
using CMapStringToPtr = CMapStringToPtrW;
using CMapStringToString = CMapStringToStringW;
using CMapStringToOb = CMapStringToObW;
#else
using CMapStringToPtr = CMapStringToPtrA;
using CMapStringToString = CMapStringToStringA;
using CMapStringToOb = CMapStringToObA;
#endif
class CMapWordToPtr : public CMap<WORD, WORD, void*, void*> {};
class CMapWordToOb : public CMap<WORD, WORD, CObject*, CObject*> {};
class CMapPtrToPtr : public CMap<void*, void*, void*, void*> {};
class CMapPtrToWord : public CMap<void*, void*, WORD, WORD> {};

// A map whose values (or keys and values) are pointers of one type, over a pointer map.
template <class BASE_CLASS, class KEY, class VALUE>
class CTypedPtrMap : public BASE_CLASS {
  using Base = BASE_CLASS;
  using BaseValue = typename Base::value_type;
  using BaseArgKey = typename Base::arg_key_type;

 public:
  BOOL Lookup(BaseArgKey key, VALUE& rValue) const {
    BaseValue raw{};
    if (!Base::Lookup(key, raw)) return FALSE;
    rValue = static_cast<VALUE>(raw);
    return TRUE;
  }
  VALUE& operator[](BaseArgKey key) { return reinterpret_cast<VALUE&>(Base::operator[](key)); }
  void SetAt(BaseArgKey key, VALUE newValue) { Base::SetAt(key, newValue); }
  void GetNextAssoc(POSITION& rPosition, KEY& rKey, VALUE& rValue) const {
    BaseValue raw{};
    Base::GetNextAssoc(rPosition, rKey, raw);
    rValue = static_cast<VALUE>(raw);
  }
};
