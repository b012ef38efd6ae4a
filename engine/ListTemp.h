// CListTemp<T>: the library's singly linked list of fixed-size records. Each node holds a heap
// copy of one record; records are copied in and out whole, so T must be a plain record that can
// be copied byte by byte. The list saves itself as the records' raw bytes back to back (no header,
// count or trailer) and loads such a file again.
//
// Indexes are zero-based and compared as unsigned values, so a negative index is out of range.
// Derived lists (the history) override RemoveAll and Add; the order of the virtual operations
// below is part of the class's shape and must not change.
#pragma once

#include <cstdio>
#include <cstring>
#include <new>
#include <type_traits>

#include "base/types.h"
#include "fs/fs.h"
#include "mfc/object.h"

class CArchive;

template <class T>
struct CListTempNode {
  T* pRecord;            // a block of exactly sizeof(T) bytes
  CListTempNode* pNext;  // null at the last node
};

template <class T>
class CListTemp : public CObject {
  static_assert(std::is_trivially_copyable_v<T>, "records are copied as raw bytes");

 public:
  typedef CListTempNode<T> Node;

  CListTemp() : m_pHead(nullptr), m_nCount(0) {}
  ~CListTemp() override { CListTemp::RemoveAll(); }

  // Records are not written through archives; the list has its own raw file format.
  virtual void Serialize(CArchive& ar) { (void)ar; }

  // Frees every record and node; the list is empty afterwards.
  virtual void RemoveAll() {
    Node* node = m_pHead;
    while (node != nullptr) {
      Node* next = node->pNext;
      FreeRecord(node->pRecord);
      FreeNode(node);
      node = next;
    }
    m_pHead = nullptr;
    m_nCount = 0;
  }

  // Appends a copy of the record. FALSE when memory runs out (nothing is added then).
  virtual BOOL Add(const T& record) {
    Node* node = NewNode(record);
    if (node == nullptr) return FALSE;
    Node* last = nullptr;
    if (m_nCount > 0 && GetNode(int(m_nCount - 1), last) && last != nullptr) {
      last->pNext = node;
    } else {
      m_pHead = node;
    }
    ++m_nCount;
    return TRUE;
  }

  // Copies record nIndex into `record`; FALSE when the index is out of range.
  virtual BOOL GetAt(int nIndex, T& record) {
    Node* node = nullptr;
    if (!GetNode(nIndex, node) || node == nullptr || node->pRecord == nullptr) return FALSE;
    std::memcpy(static_cast<void*>(&record), node->pRecord, sizeof(T));
    return TRUE;
  }

  // Unlinks and frees record nIndex; FALSE when the index is out of range.
  virtual BOOL RemoveAt(int nIndex) {
    if (UINT(nIndex) >= m_nCount) return FALSE;
    Node* node = nullptr;
    if (nIndex == 0) {
      node = m_pHead;
      m_pHead = node->pNext;
    } else {
      Node* previous = nullptr;
      if (!GetNode(nIndex - 1, previous) || previous == nullptr || previous->pNext == nullptr) return FALSE;
      node = previous->pNext;
      previous->pNext = node->pNext;
    }
    FreeRecord(node->pRecord);
    FreeNode(node);
    --m_nCount;
    return TRUE;
  }

  // Replaces record nIndex by a copy of `record`; FALSE when the index is out of range or memory
  // runs out (the old record is kept then).
  virtual BOOL SetAt(int nIndex, const T& record) {
    Node* node = nullptr;
    if (!GetNode(nIndex, node) || node == nullptr) return FALSE;
    T* copy = NewRecord(record);
    if (copy == nullptr) return FALSE;
    FreeRecord(node->pRecord);
    node->pRecord = copy;
    return TRUE;
  }

  // Inserts a copy of `record` before record nIndex; an empty list or an index at or past the
  // end appends.
  virtual BOOL InsertAt(int nIndex, const T& record) {
    if (m_nCount == 0 || UINT(nIndex) >= m_nCount) return Add(record);
    Node* previous = nullptr;
    if (nIndex > 0 && (!GetNode(nIndex - 1, previous) || previous == nullptr)) return FALSE;
    Node* node = NewNode(record);
    if (node == nullptr) return FALSE;
    if (nIndex == 0) {
      node->pNext = m_pHead;
      m_pHead = node;
    } else {
      node->pNext = previous->pNext;
      previous->pNext = node;
    }
    ++m_nCount;
    return TRUE;
  }

  // Exchanges records i and j; FALSE when they are the same or either is out of range.
  virtual BOOL Swap(int i, int j) {
    if (i == j) return FALSE;
    Node* a = nullptr;
    Node* b = nullptr;
    if (!GetNode(i, a) || !GetNode(j, b) || a == nullptr || b == nullptr) return FALSE;
    T* record = a->pRecord;
    a->pRecord = b->pRecord;
    b->pRecord = record;
    return TRUE;
  }

  virtual UINT GetCount() { return m_nCount; }

  // Makes `pOther` a copy of this list. On a failure the other list is left empty.
  virtual BOOL CopyTo(CListTemp<T>* pOther) {
    if (pOther == nullptr) return FALSE;
    pOther->RemoveAll();
    for (UINT i = 0; i < m_nCount; ++i) {
      T record;
      if (!GetAt(int(i), record) || !pOther->Add(record)) {
        pOther->RemoveAll();
        return FALSE;
      }
    }
    return TRUE;
  }

  // Writes the records' raw bytes, in list order, to a new or truncated file. FALSE when the file
  // cannot be opened or a write falls short (what was written stays).
  virtual BOOL Save(LPCWSTR lpszPath) {
    FILE* file = _wfopen(lpszPath, u"wb");
    if (file == nullptr) return FALSE;
    for (UINT i = 0; i < m_nCount; ++i) {
      T record;
      if (!GetAt(int(i), record) || std::fwrite(&record, 1, sizeof(T), file) != sizeof(T)) {
        std::fclose(file);
        return FALSE;
      }
    }
    return std::fclose(file) == 0 ? TRUE : FALSE;
  }

  // Replaces the list by the records of a file written by Save. A file whose length is not a
  // whole number of records leaves the list empty and gives FALSE; an empty file gives an empty
  // list and TRUE.
  virtual BOOL Load(LPCWSTR lpszPath) {
    RemoveAll();
    FILE* file = _wfopen(lpszPath, u"rb");
    if (file == nullptr) return FALSE;
    for (;;) {
      T record;
      const size_t got = std::fread(&record, 1, sizeof(T), file);
      if (got == 0) break;
      if (got != sizeof(T) || !Add(record)) {
        RemoveAll();
        std::fclose(file);
        return FALSE;
      }
    }
    std::fclose(file);
    return TRUE;
  }

  // The node of record nIndex; `pNode` is null and the result FALSE when the index is out of
  // range.
  virtual BOOL GetNode(int nIndex, Node*& pNode) {
    pNode = nullptr;
    if (UINT(nIndex) >= m_nCount) return FALSE;
    Node* node = m_pHead;
    for (int i = 0; i < nIndex && node != nullptr; ++i) node = node->pNext;
    pNode = node;
    return node != nullptr ? TRUE : FALSE;
  }

 protected:
  Node* m_pHead;   // null when the list is empty
  UINT m_nCount;   // number of records

 private:
  static T* NewRecord(const T& record) {
    void* block = ::operator new(sizeof(T), std::nothrow);
    if (block == nullptr) return nullptr;
    std::memcpy(block, static_cast<const void*>(&record), sizeof(T));
    return static_cast<T*>(block);
  }
  static void FreeRecord(T* record) {
    if (record != nullptr) ::operator delete(static_cast<void*>(record));
  }
  static Node* NewNode(const T& record) {
    Node* node = new (std::nothrow) Node{nullptr, nullptr};
    if (node == nullptr) return nullptr;
    node->pRecord = NewRecord(record);
    if (node->pRecord == nullptr) {
      delete node;
      return nullptr;
    }
    return node;
  }
  static void FreeNode(Node* node) { delete node; }
};
